#pragma once
// The demo shop on the desktop runtime in English or Afrikaans (the test's parameter, a language
// number), translated through the shipped language store, at a fixed date and time, with the
// guide beside the test program; the operator's log-in up to the till, and Close.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "gui_test_support.h"
#include "screenshots.h"
#include "data/demo_data.h"
#include "data/file_manager.h"
#include "framework/language.h"
#include "gui/preview_previewer.h"
#include "gui/qt_runtime.h"
#include "operators/operators.h"
#include "state/globals.h"
#include "support.h"
#include "translate/pro_taal.h"
#include "util/date.h"
#include "util/platform.h"

namespace tavlo::gui {

inline const char* languageFolder(int language) { return language == kAfrikaans ? "af" : "en"; }

class DemoShop : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        application();
        std::string error;
        ASSERT_TRUE(fillDemoData(folder.path(), &error)) << error;
        std::filesystem::copy_file(TAVLO_LANGUAGE_STORE, folder.path() / "POSlan.tps");
        GLO.LANGUAGENO = language();
        setUiLanguageSource([] { return static_cast<int>(GLO.LANGUAGENO); });
        translator.Init(folder.path().string(), "POS", 1, language(), false, false);
        ASSERT_EQ(translator.GetTaalNo(), language());
        setWindowTranslator(&translator);
        installReportPreview();
        putGuideBesideTestProgram();
    }
    void TearDown() override {
        runtime.shutDown();
        setWindowTranslator(nullptr);
        setUiLanguageSource(nullptr);
        translator.Kill();
    }

    int language() const { return GetParam(); }
    bool afrikaans() const { return language() == kAfrikaans; }
    QString text(const char* afrikaansText, const char* englishText) const {
        return QString::fromUtf8(afrikaans() ? afrikaansText : englishText);
    }

    // Starts the till's log-in; operator 001 logs in by number. The till's window, or nullptr.
    QWidget* openTill() {
        tillDone = false;
        runtime.launch([this] {
            OperatorPassword login;
            login.setContext(context);
            runtime.run(login);
            tillDone = true;
        });
        if (!eventually([] { return topLevel("OperatorPassword") != nullptr; })) return nullptr;
        QWidget* login = topLevel("OperatorPassword");
        auto* name = login->findChild<QLineEdit*>("Name");
        auto* password = login->findChild<QLineEdit*>("Password");
        if (!name || !password) return nullptr;
        if (!typeInto(name, "001")) return nullptr;
        QTest::keyClick(name, Qt::Key_Return);
        if (!eventually([&] { return context->OPERATOR == "001" && name->text().trimmed() == "Anna Venter"; })) return nullptr;
        if (!typeInto(password, DemoPasswords::operator1)) return nullptr;
        if (onLogIn) onLogIn(login);
        QTest::mouseClick(login->findChild<QPushButton*>("OK"), Qt::LeftButton);
        if (!eventually([] { return topLevel("BrowsePointOfSale") != nullptr; })) return nullptr;
        return topLevel("BrowsePointOfSale");
    }

    // Presses Close on the till; the button of the cash-up question that prints it (Yes) or
    // not (No), or nullptr when the question did not come.
    QAbstractButton* closeTill(QWidget* till, bool print) {
        if (auto* editor = till->findChild<QLineEdit*>("ListEditor"); editor && editor->isVisible())
            QTest::keyClick(editor, Qt::Key_Escape);
        QTest::mouseClick(till->findChild<QPushButton*>("CloseButton"), Qt::LeftButton);
        QWidget* ask = nullptr;
        if (!eventually([&] { return (ask = titled(text("Druk kasopname", "Print Cashup"))) != nullptr; })) return nullptr;
        const QString answer = print ? text("&Ja", "&Yes") : text("&Nee", "&No");
        for (auto* b : ask->findChildren<QAbstractButton*>())
            if (b->text() == answer) return b;
        return nullptr;
    }

    support::TempFolder folder;
    FixedClock clock{dayNumber(2024, 3, 15), 14 * 360000};
    support::ProgramStateGuard state{{.clock = &clock}};
    ProTaalClass translator;
    QtRuntime runtime;
    std::shared_ptr<Context> context = std::make_shared<Context>(folder.path());
    std::atomic<bool> tillDone{false};
    // Looks at the log-in, filled in, before OK is pressed.
    std::function<void(QWidget*)> onLogIn;
};

// The parameter's name in the tests' names.
inline std::string languageName(const ::testing::TestParamInfo<int>& info) {
    return info.param == kAfrikaans ? "Afrikaans" : "English";
}

}  // namespace tavlo::gui
