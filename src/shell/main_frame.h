#pragma once
// Main: the application frame. Logs the user in, checks the version and reminds to import,
// carries the menus from which every other window is started on a context of its own, keeps
// the Language menu, the title and the access layer's language in step with the language.
#include <string>
#include <vector>

#include "framework/procedure.h"

namespace tavlo {

class AccessControl;
class Platform;

class MainFrame : public Procedure {
public:
    MainFrame(Platform& platform, AccessControl& access);

    bool Init(Runtime& runtime) override;
    void Kill() override;
    std::string structureName() const override { return "AppFrame"; }

    long loginHandle() const { return loginHandle_; }
    int languageMenu() const { return languageMenu_; }
    const std::vector<int>& languageItems() const { return languageItems_; }

protected:
    void DefineWindow(Window& w) override;
    Reply BeforeEvent(const Event& event) override;
    void TakeAccepted(int control) override;
    void AfterEvent(const Event& event) override;

private:
    std::string programSettings() const;
    void buildLanguageMenu();
    void destroyLanguageMenu();
    void chooseLanguage(std::size_t index);
    void startCommand(int control);
    void showHelp();

    Platform& platform_;
    AccessControl& access_;
    long loginHandle_ = 0;
    std::string previousLanguage_;  // the language last seen, as text
    bool versionChecked_ = false;

    int menuBar_ = 0;
    int printSetup_ = 0, exit_ = 0, contents_ = 0;
    std::vector<std::pair<int, std::string>> commands_;  // menu item -> procedure it starts
    int languageMenu_ = 0;
    std::vector<int> languageItems_;
    std::vector<int> languageNumbers_;
};

}  // namespace tavlo
