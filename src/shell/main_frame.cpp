#include "shell/main_frame.h"

#include <filesystem>

#include "framework/errors.h"
#include "framework/message.h"
#include "framework/runtime.h"
#include "operators/access.h"
#include "framework/commands.h"
#include "shell/command_table.h"
#include "state/globals.h"
#include "util/platform.h"
#include "state/settings.h"
#include "shell/user_guide.h"
#include "util/path.h"
#include "util/text.h"

namespace tavlo {

namespace {
constexpr std::size_t kMaxLanguages = 10;
}

MainFrame::MainFrame(Platform& platform, AccessControl& access)
    : Procedure("Main"), platform_(platform), access_(access) {
    installCommands();
}

std::string MainFrame::programSettings() const {
    return resolveSettingsFile(nativePath(clip(GLO.PROGRAMDIR.str()) + "\\Tavlo.Ini")).string();
}

bool MainFrame::Init(Runtime&) {
    nameToGlobalErrors();
    GLO.PROGRAMDIR = platform_.shortPath(platform_.workingDirectory());
    writeSetting(programSettings(), "USER", "ProgramDir", GLO.PROGRAMDIR.str());
    writeSetting(programSettings(), "USER", "Prog", "POS");
    previousLanguage_ = std::to_string(GLO.LANGUAGENO);

    loginHandle_ = access_.LoginText(runtime(), clip(GLO.APPLICATIONNAME.str()) + " | Main", "", "");
    if (loginHandle_ == 0) return false;
    std::string allowed = access_.UserAllowed(loginHandle_, "Main", "", 0, 0, 1);
    if (allowed.empty() || allowed[0] != '1') {
        access_.SecwinMessage(runtime(), "AccessRestricted");
        setResponse(Response::Cancelled);
        return false;
    }

    // A stored version that differs from this program's means the data needs converting once.
    std::string stored = clip(fitBytes(readSetting(programSettings(), "SPECS", "Version", "1"), 6));
    if (upper(stored) != upper(clip(kProgramVersion))) {
        platform_.runAndWait(nativePath(clip(GLO.PROGRAMDIR.str()) + "\\POSConv.Exe"));
    }
    versionChecked_ = true;

    openWindow();
    translateWindow();
    // The frame is up behind the reminder, with the title it keeps after every event.
    window().title = std::string(GLO.LANGUAGENO == kAfrikaans ? "Tavlo w" : "Tavlo v") + std::string(kProgramVersion);
    runtime().display(*this);

    MessageRequest reminder;
    reminder.title = std::string(byLanguage("Kontrole", "Control"));
    reminder.text = std::string(byLanguage("Onthou om Rovandi data in te voer ?", "Remember to import Rovandi data ?"));
    reminder.icon = Icon::None;
    reminder.buttons = ButtonOk;
    reminder.defaultButton = ButtonOk;
    runtime().message(reminder);

    buildLanguageMenu();
    restorePosition();
    alert(Key::ctrlOf(Key::F8));
    return true;
}

void MainFrame::Kill() {
    if (loginHandle_ != 0) {
        access_.Logout(loginHandle_);
        loginHandle_ = 0;
    }
    // Only a start that got as far as the version check may record this version: otherwise a
    // refused log-in would skip the conversion program for good.
    if (versionChecked_) {
        writeSetting(programSettings(), "SPECS", "Version", kProgramVersion);
        writeSetting(programSettings(), "Specs", "Path", platform_.shortPath(platform_.workingDirectory()));
    }
    Procedure::Kill();
    GlobalErrors().SetProcedureName("");
}

void MainFrame::DefineWindow(Window& w) {
    w = Window("Rovandi Point of Sale", 480, 300, ControlKind::Frame);
    w.icon = "TRANS.ICO";
    w.wallpaper = "Pos.bmp";
    w.font = Font{"MS Sans Serif", 8};
    w.status = {"", ""};
    menuBar_ = w.menuBar();
    auto command = [&](int parent, const char* text, const char* procedure) {
        int item = w.item(text, parent);
        commands_.emplace_back(item, procedure);
        return item;
    };
    int file = w.menu("&File  ", menuBar_);
    command(file, "User Deta&il", kUserDetails);
    command(file, "Ope&rators", kOperators);
    w.separator(file);
    printSetup_ = w.item("&Print Setup ...", file).msg("Setup printer");
    w.separator(file);
    exit_ = w.item("E&xit", file).msg("Exit this application");
    int data = w.menu("Da&ta", menuBar_);
    command(data, "E&xport Data to Rovandi", kExport);
    w.separator(data);
    command(data, "I&mport Data from Rovandi", kImport);
    int transactions = w.menu("Transa&ctions", menuBar_);
    command(transactions, "Point of S&ale", kPointOfSale);
    w.separator(transactions);
    command(transactions, "Debt&or Payment", kDebtorPayment);
    w.separator(transactions);
    command(transactions, "De&lete Transactions", kDeleteTransactions);
    int reports = w.menu("Rep&orts", menuBar_);
    command(reports, "Re&print CashSlip", kReprintCashSlip);
    int help = w.menu("&Help", menuBar_);
    contents_ = w.item("&Contents", help);
    // Added after the designed controls, so that their numbers (the translator's) stay as they are.
    command(reports, "&Audit Trail", kAuditTrail);
}

void MainFrame::buildLanguageMenu() {
    WindowTranslator& t = windowTranslator();
    std::string caption = fitBytes(t.translateString("Language", "Tavlo", "Main", "LanguageMenu"), 40);
    std::vector<std::string> list;
    if (t.mode() == kModeTranslate) list = t.languages();
    if (list.size() <= 1) return;
    Window& w = window();
    languageMenu_ = w.menu(caption, menuBar_).name("LanguageMenu");
    if (list.size() > kMaxLanguages) {
        MessageRequest m;
        m.title = std::string(byLanguage("Aantal tale: ", "No Of Languages: ")) + std::to_string(list.size());
        m.text = std::string(byLanguage("Meer as ", "More than ")) + std::to_string(kMaxLanguages) +
                 std::string(byLanguage(" tale", " languages"));
        m.icon = Icon::Information;
        m.buttons = ButtonOk;
        m.defaultButton = ButtonOk;
        runtime().message(m);
        list.resize(kMaxLanguages);
    }
    for (const auto& entry : list) {
        int number = 0;
        try {
            number = std::stoi(entry.substr(0, 2));
        } catch (const std::exception&) {
            number = 0;
        }
        std::string name = entry.size() > 3 ? fitBytes(entry.substr(3), 77) : std::string();
        auto item = w.item(clip(name), languageMenu_);
        item.control().checkable = true;
        item.checked(number == t.language());
        languageItems_.push_back(item);
        languageNumbers_.push_back(number);
    }
}

void MainFrame::destroyLanguageMenu() {
    if (languageMenu_) window().remove(languageMenu_);
    languageMenu_ = 0;
    languageItems_.clear();
    languageNumbers_.clear();
}

void MainFrame::chooseLanguage(std::size_t index) {
    Window& w = window();
    Control& item = w[languageItems_[index]];
    // The standard handling has flipped the tick: a tick that went off was already there.
    if (!item.checked) {
        item.checked = true;
        return;
    }
    for (int other : languageItems_)
        if (other != item.number) w[other].checked = false;
    int number = languageNumbers_[index];
    GLO.LANGUAGENO = static_cast<std::int16_t>(number);
    windowTranslator().setLanguage(number);
    writeSetting(resolveSettingsFile(GLO.INIFILE.str()), kLanguageSection, "No", static_cast<long>(number));
    destroyLanguageMenu();
    translateWindow();
    buildLanguageMenu();
}

void MainFrame::startCommand(int control) {
    for (const auto& [item, procedure] : commands_) {
        if (item != control) continue;
        if (ProcedureFactory factory = commandFactory(procedure)) {
            runtime().start(factory);
        } else {
            MessageRequest m;
            m.title = plainCaption(window()[control].text);
            m.text = std::string(byLanguage("Hierdie deel van die program is nog nie beskikbaar nie.",
                                            "This part of the program is not available yet."));
            m.icon = Icon::Information;
            runtime().message(m);
        }
        return;
    }
}

// The guide's index in the language in use now (the Language menu may have changed it).
void MainFrame::showHelp() { openGuidePage(runtime(), platform_, guidePageOf(name()), GLO.LANGUAGENO); }

Reply MainFrame::BeforeEvent(const Event& event) {
    if (event.kind == EventKind::AlertKey && event.key == Key::ctrlOf(Key::F8)) {
        access_.SetAccess(runtime(), loginHandle_, "Main", mainAccessString());
        return Reply::Consumed;
    }
    return Reply::Continue;
}

void MainFrame::TakeAccepted(int control) {
    for (std::size_t i = 0; i < languageItems_.size(); ++i)
        if (languageItems_[i] == control) {
            chooseLanguage(i);
            return;
        }
    if (control == exit_) close(Response::Completed);
    else if (control == printSetup_) runtime().printerSetup();
    else if (control == contents_) showHelp();
    else startCommand(control);
}

void MainFrame::AfterEvent(const Event&) {
    bool afrikaans = GLO.LANGUAGENO == kAfrikaans;
    window().title = (afrikaans ? "Tavlo w" : "Tavlo v") + std::string(kProgramVersion);
    access_.SetLanguage(afrikaans ? "Afrik.Irf" : "Eng.Irf");
    std::string now = std::to_string(GLO.LANGUAGENO);
    if (now != previousLanguage_) {
        std::string secwin = resolveSettingsFile(nativePath(clip(GLO.PROGRAMDIR.str()) + "\\Secwin.Ini")).string();
        writeSetting(secwin, "SecWin", "Path", "HERE");
        writeSetting(secwin, "SecWin", "LanguageFile", afrikaans ? "Afrik.Irf" : "Eng.Irf");
        writeSetting(secwin, "SecWin", "LanguagePath", "HERE");
        previousLanguage_ = now;
    }
}

}  // namespace tavlo
