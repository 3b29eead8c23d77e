#include "operators/passwords.h"

#include "framework/message.h"
#include "operators/access.h"
#include "state/globals.h"
#include "state/settings.h"
#include "util/text.h"

namespace tavlo {

bool samePassword(std::string_view typed, std::string_view stored) { return sameText(typed, stored); }

namespace {

constexpr std::string_view kSection = "Supervisor", kKey = "Master", kOff = "off";

std::filesystem::path masterSettings(const std::filesystem::path& dataFolder) {
    return resolveSettingsFile(dataFolder / std::string(kProgramSettingsFile));
}

std::string_view withoutTrailingBlanks(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string storedMaster(const std::filesystem::path& dataFolder) {
    if (dataFolder.empty()) return {};
    return trim(readSetting(masterSettings(dataFolder), kSection, kKey, ""));
}

}  // namespace

MasterState masterPasswordState(const std::filesystem::path& dataFolder) {
    const std::string stored = storedMaster(dataFolder);
    if (stored.empty()) return MasterState::Default;
    return stored == kOff ? MasterState::Off : MasterState::Own;
}

bool masterPasswordAccepts(const std::filesystem::path& dataFolder, std::string_view typed) {
    const std::string stored = storedMaster(dataFolder);
    if (stored.empty()) return samePassword(typed, kMasterPassword);
    if (stored == kOff) return false;
    return passwordMatchesHash(stored, withoutTrailingBlanks(typed));
}

bool setMasterPassword(const std::filesystem::path& dataFolder, std::string_view password) {
    password = withoutTrailingBlanks(password);
    if (password.empty()) return false;
    const std::string hash = passwordHash(password);
    return !hash.empty() && writeSetting(masterSettings(dataFolder), kSection, kKey, hash);
}

bool switchOffMasterPassword(const std::filesystem::path& dataFolder) {
    return writeSetting(masterSettings(dataFolder), kSection, kKey, kOff);
}

void showWrongPassword() {
    MessageRequest box;
    box.title = std::string(byLanguage("Waarskuwing!", "Warning!"));
    box.text = std::string(byLanguage("Die wagwoord is nie reg nie ...", "The password is incorrect ..."));
    box.icon = Icon::Information;
    box.buttons = ButtonOk;
    box.defaultButton = ButtonOk;
    showMessage(box);
}

void showUnknownOperator() {
    MessageRequest box;
    box.title = std::string(byLanguage("Waarskuwing!", "Warning!"));
    box.text = std::string(byLanguage("Onbekende operateur: tik die naam of nommer van 'n operateur, of kies een met ...",
                                      "Unknown operator: type an operator's name or number, or pick one with ..."));
    box.icon = Icon::Information;
    box.buttons = ButtonOk;
    box.defaultButton = ButtonOk;
    showMessage(box);
}

}  // namespace tavlo
