#include "shell/startup.h"

#include <memory>

#include "framework/errors.h"
#include "framework/language.h"
#include "framework/positions.h"
#include "operators/access.h"
#include "state/globals.h"
#include "shell/main_frame.h"
#include "util/platform.h"
#include "state/settings.h"
#include "translate/pro_taal.h"
#include "translate/queue_viewer.h"
#include "util/path.h"
#include "util/text.h"

namespace tavlo {

namespace {
std::unique_ptr<SettingsWindowPositions>& positions() {
    static std::unique_ptr<SettingsWindowPositions> p;
    return p;
}
}  // namespace

void startUp(Runtime& runtime, Platform& platform, AccessControl& access, WindowTranslator& translator) {
    std::filesystem::path folder = platform.workingDirectory();
    // The window-position settings, beside the tables.
    positions() = std::make_unique<SettingsWindowPositions>(folder / std::string(kWindowSettingsFile));
    setWindowPositions(positions().get());
    setUiLanguageSource([] { return static_cast<int>(GLO.LANGUAGENO); });

    setWindowTranslator(&translator);
    if (auto* store = dynamic_cast<ProTaalClass*>(&translator))
        store->setViewer([&runtime](const std::string& title, const VeldQ& list) {
            QueueViewer viewer(veldQueue(list), title);
            runtime.run(viewer);
        });
    translator.init("Program Path", "POS", 1, 1, 1, 1);

    GLO.INIFILE = nativePath(platform.longPath(folder) + "\\" + std::string(kLanguageSettingsFile));
    GLO.LANGUAGEMODE = kModeTranslate;
    if (auto name = platform.computerName()) GLO.COMPUTERNAME = *name;
    if (auto user = platform.networkUserName()) GLO.WINDOWSUSERNAME = *user;

    auto languageFile = resolveSettingsFile(GLO.INIFILE.str());
    std::string userKey = languageUserKey(GLO.COMPUTERNAME.str(), GLO.WINDOWSUSERNAME.str());
    GLO.LANGUAGENO = static_cast<std::int16_t>(readSettingNumber(languageFile, kLanguageSection, userKey, 0));
    if (GLO.LANGUAGENO == 0)
        GLO.LANGUAGENO = static_cast<std::int16_t>(readSettingNumber(languageFile, kLanguageSection, "No", 1));

    std::string mode = upper(clip(readSetting(languageFile, kLanguageSection, "Mode", "1")));
    if (mode == "SAVE" || mode == "2") {
        GLO.LANGUAGEMODE = kModeSave;
        GLO.LANGUAGENO = kDesignLanguage;
    } else if (mode == "TRANSLATE" || mode == "1") {
        GLO.LANGUAGEMODE = kModeTranslate;
        translator.setLanguage(GLO.LANGUAGENO);
    } else if (mode == "ASK" || mode == "3") {
        int choice = runtime.popupMenu({"Save Text for translation", "Translate Text"});
        if (choice == 2) {
            GLO.LANGUAGEMODE = kModeTranslate;
            translator.setLanguage(GLO.LANGUAGENO);
        } else if (choice == 1) {
            GLO.LANGUAGEMODE = kModeSave;
            GLO.LANGUAGENO = kDesignLanguage;
        } else {
            GLO.LANGUAGEMODE = kModeSave;
        }
    } else {
        GLO.LANGUAGEMODE = kModeTranslate;
        GLO.LANGUAGENO = kDesignLanguage;
    }
    translator.setMode(GLO.LANGUAGEMODE);

    access.InitFileCallback();
    access.SetAppName(std::string(kApplicationTitle));
    // The users live with the shop's data, shared by every till and OS user; a users file
    // beside the program (where earlier versions kept it) is taken over once.
    access.SetPath(folder.string(), "", "", 0, 1, 1);
    access.takeOverUsersFile(platform.executableDirectory());
    access.CreSec();
    access.SetDefaultFont("Ms Sans Serif", 8, 400);
    // The access layer's dialogs (the log-in first of all) start in the language its settings
    // file names; the main frame writes that file when the language changes.
    std::string secwin = readSetting(resolveSettingsFile(nativePath(platform.longPath(folder) + "\\Secwin.Ini")),
                                     "SecWin", "LanguageFile", "");
    if (!clip(secwin).empty()) access.SetLanguage(secwin);
    GLO.APPLICATIONNAME = kApplicationTitle;
}

void shutDown(AccessControl& access, WindowTranslator& translator) {
    access.CloseTables();
    if (GLO.LANGUAGEMODE != 0) {
        writeSetting(resolveSettingsFile(GLO.INIFILE.str()), kLanguageSection,
                     languageUserKey(GLO.COMPUTERNAME.str(), GLO.WINDOWSUSERNAME.str()),
                     static_cast<long>(GLO.LANGUAGENO));
    }
    translator.kill();
    setWindowTranslator(nullptr);
    setWindowPositions(nullptr);
    positions().reset();
}

}  // namespace tavlo
