// The till on the real desktop runtime: an operator logs in, rings up two lines with the
// keyboard, tenders cash and finishes; the slip comes up in the preview and the sale is in the
// tables. With TAVLO_SCREENSHOT_DIR set (under xvfb-run) the till and the slip are saved as PNG.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <filesystem>

#include "gui_test_support.h"
#include "master_data.h"
#include "data/file_manager.h"
#include "gui/preview_page_view.h"
#include "gui/preview_previewer.h"
#include "gui/preview_window.h"
#include "gui/qt_runtime.h"
#include "operators/operators.h"
#include "support.h"
#include "util/date.h"

namespace tavlo::gui {
namespace {

using namespace std::chrono_literals;

QPushButton* button(QWidget* window, const char* name) { return window->findChild<QPushButton*>(name); }

// Saves the window as the operator sees it (the whole screen when there is one).
void screenshot(QWidget* window, const char* file) {
    const char* dir = std::getenv("TAVLO_SCREENSHOT_DIR");
    if (!dir) return;
    QTest::qWait(300);
    QPixmap shot = window->grab();
    if (QScreen* screen = QGuiApplication::primaryScreen(); screen && std::getenv("DISPLAY"))
        shot = screen->grabWindow(0, window->frameGeometry().x(), window->frameGeometry().y(),
                                  window->frameGeometry().width(), window->frameGeometry().height());
    shot.save(QString::fromUtf8(dir) + QStringLiteral("/") + QString::fromUtf8(file));
}

void seed(const std::filesystem::path& folder) {
    Context ctx(folder);
    for (const TableDef* t : dictionaryTables()) ctx.access(*t).UseFile();
    support::MasterData data;
    data.account(1000, "A", "Sales");
    data.account(8400, "K", "Cash till");
    data.account(9500, "L", "VAT output");
    data.vat("01", "15", 9500);
    data.item("COKE", "Cola 330ml", "11.50", "01", "I", 1000);
    data.item("SOAP", "Hand soap", "5.06", "01", "E", 1000);
    data.till(8400, 0);
    data.company("Corner Cafe", "A", 1233).ADDRESS1 = "12 Long Street";
    data.cashier("OP1", "Anna", "anna1");
    ASSERT_EQ(data.store(ctx), "");
}

// Types into the list's editor and ends with a key; waits until the editor shows `next`.
void editorKeys(QWidget* till, const QString& text, Qt::Key key, const QString& next) {
    QLineEdit* editor = till->findChild<QLineEdit*>("ListEditor");
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(eventually([&] { return editor->isVisible() && editor->hasFocus(); }));
    if (!text.isEmpty()) QTest::keyClicks(editor, text);
    QTest::keyClick(editor, key);
    ASSERT_TRUE(eventually([&] { return editor->isVisible() && editor->text() == next; }))
        << "editor shows '" << editor->text().toStdString() << "'";
}

TEST(TillGui, OperatorRingsUpTwoLinesTendersCashAndFinishes) {
    application();
    support::TempFolder folder;
    FixedClock clock(dayNumber(2024, 3, 15), 14 * 360000);
    support::ProgramStateGuard state({.clock = &clock});
    seed(folder.path());
    installReportPreview();

    QtRuntime runtime;
    std::atomic<bool> done{false};
    auto context = std::make_shared<Context>(folder.path());
    runtime.launch([&] {
        OperatorPassword login;
        login.setContext(context);
        runtime.run(login);
        done = true;
    });

    // Log in: the operator's name typed, the password, OK.
    ASSERT_TRUE(eventually([] { return topLevel("OperatorPassword") != nullptr; }));
    QWidget* login = topLevel("OperatorPassword");
    auto* name = login->findChild<QLineEdit*>("Name");
    auto* password = login->findChild<QLineEdit*>("Password");
    ASSERT_TRUE(name && password);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    name->setFocus();
    QTest::keyClicks(name, "Anna");
    QTest::keyClick(name, Qt::Key_Return);
    ASSERT_TRUE(eventually([&] { return context->OPERATOR == "OP1"; }));
    password->setFocus();
    QTest::keyClicks(password, "anna1");
    QTest::keyClick(password, Qt::Key_Return);
    QTest::mouseClick(button(login, "OK"), Qt::LeftButton);

    // The till.
    ASSERT_TRUE(eventually([] { return topLevel("BrowsePointOfSale") != nullptr; }));
    QWidget* till = topLevel("BrowsePointOfSale");
    EXPECT_EQ(till->windowTitle(), "Point Of Sale");
    auto* list = till->findChild<QAbstractItemView*>("List");
    ASSERT_NE(list, nullptr);
    QTest::mouseClick(button(till, "Insert"), Qt::LeftButton);
    editorKeys(till, "coke", Qt::Key_Tab, "1.000");
    editorKeys(till, "2", Qt::Key_Tab, "0.00");
    editorKeys(till, "", Qt::Key_Tab, "");  // saved; the next line opens
    editorKeys(till, "SOAP", Qt::Key_Tab, "1.000");
    editorKeys(till, "", Qt::Key_Tab, "0.00");
    editorKeys(till, "", Qt::Key_Tab, "");
    ASSERT_TRUE(eventually([&] { return list->model()->rowCount() == 3; }));
    EXPECT_EQ(list->model()->index(0, 0).data().toString(), "COKE");
    EXPECT_EQ(list->model()->index(0, 7).data().toString(), "23.00");
    EXPECT_EQ(list->model()->index(1, 7).data().toString(), "5.82");
    auto* total = till->findChild<QLabel*>("Total");
    ASSERT_NE(total, nullptr);
    ASSERT_TRUE(eventually([&] { return total->text().trimmed() == "28.82"; }));
    screenshot(till, "till.png");

    // Payment: the pay method (cash), then the amount tendered.
    QTest::mouseClick(button(till, "PaymentButton"), Qt::LeftButton);
    ASSERT_TRUE(eventually([] { return topLevel("PaymentMethod") != nullptr; }));
    QTest::mouseClick(button(topLevel("PaymentMethod"), "OK"), Qt::LeftButton);
    auto* paid = till->findChild<QLineEdit*>("Paid");
    ASSERT_TRUE(eventually([&] { return topLevel("PaymentMethod") == nullptr; }));
    paid->setFocus();
    paid->selectAll();
    QTest::keyClicks(paid, "50");
    QTest::keyClick(paid, Qt::Key_Return);
    auto* change = till->findChild<QLabel*>("ChangeAmount");
    ASSERT_TRUE(eventually([&] { return change->text().trimmed() == "21.20"; }));
    ASSERT_TRUE(eventually([&] { return button(till, "FinishedButton")->isEnabled(); }));
    screenshot(till, "till-tendered.png");

    // Finished: the slip in the preview, then the screen cleared for the next sale. The preview
    // runs its own event loop, so it is looked at from a timer inside that loop.
    std::vector<int> slipPages;
    bool slipSeen = false;
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* preview = qobject_cast<PrintPreviewWindow*>(topLevel("ReportPreview"));
        if (!preview || slipSeen) return;
        slipSeen = true;
        watch.stop();
        slipPages = preview->chosenPages();
        screenshot(preview, "slip.png");
        preview->reject();
    });
    watch.start();
    // Finished from the keyboard, the focus still in Paid while the preview comes up.
    till->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(till));
    paid->setFocus();
    QTest::keyClick(till, Qt::Key_F, Qt::AltModifier);
    ASSERT_TRUE(eventually([&] { return slipSeen; }));
    EXPECT_EQ(slipPages, std::vector<int>{0});  // one page, the slip
    ASSERT_TRUE(eventually([&] { return total->text().trimmed() == "0.00" && list->model()->rowCount() == 1; }));
    // Nothing of the finished sale comes back: Paid and the change are cleared too.
    QTest::qWait(200);
    EXPECT_EQ(paid->text(), "0.00");
    EXPECT_EQ(change->text().trimmed(), "0.00");
    EXPECT_TRUE(button(till, "PaymentButton")->isEnabled());

    {
        Context ctx(folder.path());
        auto& t20 = ctx.access<PQXT20>();
        t20.UseFile();
        t20.clearBuffer();
        t20.rec.DOCUMENTNO = 1234;
        ASSERT_EQ(t20.get(PT20::DocumentNoKey), ErrNone);
        EXPECT_EQ(t20.rec.AMOUNT, Decimal::of("28.82"));
        EXPECT_EQ(t20.rec.PAYMETHOD, 1);
        EXPECT_EQ(clip(t20.rec.REFERENCE1), "A1234");
        auto& h20 = ctx.access<PQXH20>();
        h20.UseFile();
        h20.clearBuffer();
        h20.rec.DOCUMENTNO = 1234;
        ASSERT_EQ(h20.get(PH20::DocumentNoKey), ErrNone);
        EXPECT_EQ(h20.rec.PAID, Decimal(50));
        EXPECT_EQ(h20.rec.CHANGE, Decimal::of("21.20"));
        EXPECT_EQ(h20.rec.VERSKIL, Decimal::of("0.02"));
        auto& v60 = ctx.access<PQXV60>();
        v60.UseFile();
        EXPECT_EQ(v60.records(), 0);
    }

    // Close: the cash-up question (No), and the till and the log-in close.
    QLineEdit* editor = till->findChild<QLineEdit*>("ListEditor");
    QTest::keyClick(editor, Qt::Key_Escape);
    QTest::mouseClick(button(till, "CloseButton"), Qt::LeftButton);
    QWidget* ask = nullptr;
    ASSERT_TRUE(eventually([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == "Print Cashup") ask = w;
        return ask != nullptr;
    }));
    for (auto* b : ask->findChildren<QAbstractButton*>())
        if (b->text() == "&No") QTest::mouseClick(b, Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return done.load(); }));
    runtime.shutDown();
}

}  // namespace
}  // namespace tavlo::gui
