#pragma once
// A fresh data folder, a system with chosen names, the access layer in that folder and a
// translator that knows a given list of languages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "framework/errors.h"
#include "test_runtime.h"
#include "operators/access.h"
#include "state/globals.h"
#include "util/platform.h"
#include "state/settings.h"
#include "support.h"

namespace tavlo::testing {

// The user guide as it is in the source tree (the build copies it beside the program).
inline std::filesystem::path guideSource() {
    std::filesystem::path here(__FILE__);  // relative to the build folder when the compiler was given relative paths
    if (here.is_relative()) here = systemPlatform().executableDirectory().parent_path() / here;
    return std::filesystem::weakly_canonical(here.parent_path().parent_path().parent_path() / "docs" / "guide");
}

class NamedPlatform : public Platform {
public:
    std::filesystem::path folder;
    std::optional<std::string> computer = std::string("TILL1");
    std::optional<std::string> user = std::string("anna");
    std::optional<std::string> computerName() override { return computer; }
    std::optional<std::string> networkUserName() override { return user; }
    std::filesystem::path workingDirectory() override { return folder; }
    std::filesystem::path executableDirectory() override { return folder; }
};

// Languages as the language store would list them; records what it was asked.
class ListTranslator : public WindowTranslator {
public:
    std::vector<std::string> list;
    int mode_ = 0, language_ = 0;
    std::vector<std::string> translated;  // procedure/structure of each window translated
    std::vector<int> selected;
    void translateWindow(Window&, const std::string& app, const std::string& procedure, const std::string& structure) override {
        translated.push_back(app + "/" + procedure + "/" + structure);
    }
    std::string translateString(const std::string& text, const std::string&, const std::string&, const std::string&) override {
        return language_ == 2 && text == "Language" ? "Taal" : text;
    }
    void setMode(int m) override { mode_ = m; }
    int mode() const override { return mode_; }
    void setLanguage(int l) override {
        selected.push_back(l);
        for (const auto& e : list)
            if (std::stoi(e.substr(0, 2)) == l) language_ = l;
    }
    int language() const override { return language_; }
    std::vector<std::string> languages() override { return list; }
};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform.folder = folder.path();
        access.useFolder(platform.folder);
        setWindowTranslator(&translator);
    }
    void TearDown() override {
        setWindowTranslator(nullptr);
        access.CloseTables();
        GlobalErrors().SetProcedureName("");
    }
    std::filesystem::path file(const std::string& name) const { return platform.folder / name; }
    void write(const std::string& name, std::string_view section, std::string_view key, std::string_view value) {
        ASSERT_TRUE(writeSetting(file(name), section, key, value));
    }
    std::string read(const std::string& name, std::string_view section, std::string_view key) const {
        return readSetting(file(name), section, key, "<none>");
    }
    // The log-in script: the first start creates the user, later ones log in.
    void logInAs(const std::string& user, const std::string& password) {
        rt.onOpen("AccessFirstUser", [=](TestWindow& w) {
            w.type("User", user);
            w.type("Password", password);
            w.type("Repeat", password);
            w.press("OK");
        });
        rt.onOpen("AccessLogin", [=](TestWindow& w) {
            w.type("User", user);
            w.type("Password", password);
            w.press("OK");
        });
    }

    support::TempFolder folder;
    support::ProgramStateGuard state;
    NamedPlatform platform;
    AccessControl access;
    ListTranslator translator;
    TestRuntime rt;
};

}  // namespace tavlo::testing
