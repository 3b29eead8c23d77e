// The program in Afrikaans on the desktop runtime, against the shipped language store: the
// operator's log-in, the till with a sale, its slip, the cash-up and the main frame, each saved
// as a PNG beside the build (screenshots/) for the user guide and for eyes to check.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <filesystem>

#include "gui_test_support.h"
#include "screenshots.h"
#include "data/demo_data.h"
#include "data/file_manager.h"
#include "framework/language.h"
#include "gui/preview_previewer.h"
#include "gui/qt_runtime.h"
#include "operators/access.h"
#include "operators/operators.h"
#include "state/globals.h"
#include "frame_window.h"
#include "shell/main_frame.h"
#include "util/platform.h"
#include "support.h"
#include "translate/pro_taal.h"

namespace tavlo::gui {
namespace {

void editorKeys(QWidget* till, const QString& text, const QString& next) {
    QLineEdit* editor = till->findChild<QLineEdit*>("ListEditor");
    ASSERT_TRUE(eventually([&] { return editor && editor->isVisible() && editor->hasFocus(); }));
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Tab);
    ASSERT_TRUE(eventually([&] { return editor->isVisible() && editor->text() == next; }));
}

using support::FrameWindow;

TEST(AfrikaansScreens, LogInTillSlipCashupAndFrame) {
    application();
    support::TempFolder data;
    std::string error;
    ASSERT_TRUE(fillDemoData(data.path(), &error)) << error;
    std::filesystem::copy_file(TAVLO_LANGUAGE_STORE, data.path() / "POSlan.tps");
    support::ProgramStateGuard state;
    GLO.LANGUAGENO = kAfrikaans;
    setUiLanguageSource([] { return static_cast<int>(GLO.LANGUAGENO); });
    ProTaalClass translator;
    translator.Init(data.path().string(), "POS", 1, kAfrikaans, false, false);
    ASSERT_EQ(translator.GetTaalNo(), kAfrikaans);
    setWindowTranslator(&translator);
    installReportPreview();

    QtRuntime runtime;
    std::atomic<bool> tillDone{false};
    auto context = std::make_shared<Context>(data.path());
    runtime.launch([&] {
        OperatorPassword login;
        login.setContext(context);
        runtime.run(login);
        tillDone = true;
    });

    ASSERT_TRUE(eventually([] { return topLevel("OperatorPassword") != nullptr; }));
    QWidget* login = topLevel("OperatorPassword");
    EXPECT_EQ(login->windowTitle(), "Operateurwagwoord");
    auto* name = login->findChild<QLineEdit*>("Name");
    auto* password = login->findChild<QLineEdit*>("Password");
    name->setFocus();
    QTest::keyClicks(name, "001");
    QTest::keyClick(name, Qt::Key_Return);
    ASSERT_TRUE(eventually([&] { return context->OPERATOR == "001"; }));
    EXPECT_TRUE(eventually([&] { return name->text().trimmed() == "Anna Venter"; }, 3000)) << name->text().toStdString();
    password->setFocus();
    QTest::keyClicks(password, DemoPasswords::operator1);
    shoot(login, "operator-login.png");
    QTest::mouseClick(login->findChild<QPushButton*>("OK"), Qt::LeftButton);

    ASSERT_TRUE(eventually([] { return topLevel("BrowsePointOfSale") != nullptr; }));
    QWidget* till = topLevel("BrowsePointOfSale");
    EXPECT_EQ(till->windowTitle(), "Verkoopspunt");
    QTest::mouseClick(till->findChild<QPushButton*>("Insert"), Qt::LeftButton);
    editorKeys(till, "COKE", "1.000");
    editorKeys(till, "2", "0.00");
    editorKeys(till, "", "");
    QTest::mouseClick(till->findChild<QPushButton*>("PaymentButton"), Qt::LeftButton);
    ASSERT_TRUE(eventually([] { return topLevel("PaymentMethod") != nullptr; }));
    QTest::mouseClick(topLevel("PaymentMethod")->findChild<QPushButton*>("OK"), Qt::LeftButton);
    ASSERT_TRUE(eventually([] { return topLevel("PaymentMethod") == nullptr; }));
    auto* paid = till->findChild<QLineEdit*>("Paid");
    paid->setFocus();
    paid->selectAll();
    QTest::keyClicks(paid, "50");
    QTest::keyClick(paid, Qt::Key_Return);
    auto* change = till->findChild<QLabel*>("ChangeAmount");
    ASSERT_TRUE(eventually([&] { return change->text().trimmed() == "27.00"; }));
    auto* finished = till->findChild<QPushButton*>("FinishedButton");
    ASSERT_TRUE(eventually([&] { return finished->isEnabled(); }));
    shoot(till, "till-sale.png");

    bool slip = false, cashup = false;
    whenShown("ReportPreview", [&](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), "Verslagvoorskou");
        shoot(w, "slip.png");
        slip = true;
        qobject_cast<QDialog*>(w)->reject();
    });
    QTest::mouseClick(finished, Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return slip; }));

    // Close offers the cash-up; "&Ja" shows it.
    QLineEdit* editor = till->findChild<QLineEdit*>("ListEditor");
    ASSERT_TRUE(eventually([&] { return editor->isVisible(); }));
    QTest::keyClick(editor, Qt::Key_Escape);
    whenShown("ReportViewer", [&](QWidget* w) {
        shoot(w, "cashup.png");
        cashup = true;
        qobject_cast<QDialog*>(w)->reject();
    });
    QTest::mouseClick(till->findChild<QPushButton*>("CloseButton"), Qt::LeftButton);
    ASSERT_TRUE(eventually([] { return titled("Druk kasopname") != nullptr; }));
    for (auto* b : titled("Druk kasopname")->findChildren<QAbstractButton*>())
        if (b->text() == "&Ja") QTest::mouseClick(b, Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return cashup && tillDone.load(); }));

    runtime.launch([&] {
        FrameWindow frame;
        runtime.run(frame);
    });
    ASSERT_TRUE(eventually([] { return topLevel("Main") != nullptr; }));
    auto* frame = qobject_cast<QMainWindow*>(topLevel("Main"));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->menuBar()->actions().value(0)->text().trimmed(), "&Lêer");
    shoot(frame, "main-frame.png");

    runtime.shutDown();
    setWindowTranslator(nullptr);
    setUiLanguageSource(nullptr);
    translator.Kill();
}

}  // namespace
}  // namespace tavlo::gui
