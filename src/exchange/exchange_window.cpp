#include "exchange/exchange_window.h"

#include "data/file_manager.h"
#include "framework/message.h"
#include "framework/runtime.h"
#include "state/globals.h"
#include "util/platform.h"
#include "util/path.h"
#include "util/text.h"

namespace tavlo {

ExchangeWindow::ExchangeWindow(std::string procedure, std::string title, std::string action)
    : Procedure(std::move(procedure)), title_(std::move(title)), action_(std::move(action)) {}

void ExchangeWindow::DefineWindow(Window& w) {
    dataFolder_ = fitBytes(context().folder().string(), kNameBytes);
    w = Window(title_, 260, 96);
    w.icon = "Backup.ico";
    w.prompt("Backup Data .:").at(8, 8, 60, 10);
    w.display(&dataFolder_, "@s128").at(70, 8, 182, 10).name("DataDir");
    w.display(&USERNAME, "@s30").at(70, 22, 182, 10).name("UserName");
    w.prompt("Backup To ? .:").at(8, 40, 60, 10);
    drive_ = w.button("Drive").at(70, 38, 40, 14).name("Drive");
    folderEntry_ = w.entry(Binding(&BACKUPTODRIVE, kFolderBytes), "@s50").at(114, 40, 138, 10).name("BackupToDrive");
    actionButton_ = w.button(action_).at(146, 72, 50, 16).icon("Backup.ico").defaultButton();
    w.button("Cancel").at(202, 72, 50, 16).icon("Cancel.ico").closes();
}

void ExchangeWindow::TakeAccepted(int control) {
    if (control == drive_) {
        // The dialog never moves this program's working folder, so nothing needs restoring.
        auto picked = runtime().chooseFolder(plainCaption(window()[drive_].text), BACKUPTODRIVE);
        if (!picked) return;
        if (picked->size() > kFolderBytes) {
            say("Waarskuwing", "Warning",
                "Die vouernaam is langer as " + std::to_string(kFolderBytes) + " karakters. | Kies 'n korter vouer.",
                "The folder name is longer than " + std::to_string(kFolderBytes) + " characters. | Choose a shorter folder.");
            return;
        }
        BACKUPTODRIVE = *picked;
        select(folderEntry_);
    } else if (control == actionButton_) {
        act();
    }
}

std::optional<std::string> ExchangeWindow::usableFolder() {
    std::string folder = clip(systemPlatform().shortPath(nativePath(trim(BACKUPTODRIVE))));
    if (folder.empty()) return std::string();
    for (const auto& part : std::filesystem::path(folder))
        if (part == "..") {
            say("Waarskuwing", "Warning", "Die vouer mag nie \"..\" bevat nie. | Kies die vouer self.",
                "The folder may not contain \"..\". | Choose the folder itself.");
            return std::nullopt;
        }
    if (std::filesystem::path(folder).is_relative()) folder = (context().folder() / folder).string();
    AddSlashToPath(folder);
    return folder;
}

void ExchangeWindow::say(std::string_view titleAf, std::string_view titleEn, const std::string& textAf,
                         const std::string& textEn) {
    MessageRequest box;
    box.title = std::string(byLanguage(titleAf, titleEn));
    box.text = GLO.afrikaans() ? textAf : textEn;
    box.icon = Icon::None;
    box.buttons = ButtonOk;
    box.defaultButton = ButtonOk;
    runtime().message(box);
}

void ExchangeWindow::askForMedium() {
    const std::string drive = clip(BACKUPTODRIVE);
    say("Backup", "Backup", "Indien eksterne aandrywer, plaas skyfie/CD in aandrywer " + drive + " ...",
        "If not internal drive, insert disk/CD in drive " + drive + " ...");
}

}  // namespace tavlo
