// The till on the real desktop runtime: an operator logs in, rings up two lines with the
// keyboard, tenders cash and finishes; the slip comes up in the preview and the sale is in the
// tables. With TAVLO_SCREENSHOT_DIR set (under xvfb-run) the till and the slip are saved as PNG.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <filesystem>

#include "gui_test_support.h"
#include "data/file_manager.h"
#include "data/master_data.h"
#include "gui/guide_viewer.h"
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
    MasterData data;
    data.account(1000, "A", "Sales");
    data.account(8400, "K", "Cash till");
    data.account(9500, "L", "VAT output");
    data.vat("01", "15", 9500);
    data.item("COKE", "Cola 330ml", "11.50", "01", "I", 1000);
    data.item("SOAP", "Hand soap", "5.06", "01", "E", 1000);
    data.till(8400, 0);
    data.company("Corner Cafe", "A", 1233).ADDRESS1 = "12 Long Street";
    data.cashier("OP1", "Anna", "anna1");
    data.cashClient(77, "Jan Visser");
    ASSERT_EQ(data.store(ctx), "");
}

// Logs Anna in on the log-in window the runtime opened; returns the till window.
QWidget* logIn(Context& context) {
    if (!eventually([] { return topLevel("OperatorPassword") != nullptr; })) return nullptr;
    QWidget* login = topLevel("OperatorPassword");
    auto* name = login->findChild<QLineEdit*>("Name");
    auto* password = login->findChild<QLineEdit*>("Password");
    if (!name || !password) return nullptr;
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    name->setFocus();
    QTest::keyClicks(name, "Anna");
    QTest::keyClick(name, Qt::Key_Return);
    if (!eventually([&] { return context.OPERATOR == "OP1"; })) return nullptr;
    password->setFocus();
    QTest::keyClicks(password, "anna1");
    QTest::keyClick(password, Qt::Key_Return);
    QTest::mouseClick(button(login, "OK"), Qt::LeftButton);
    if (!eventually([] { return topLevel("BrowsePointOfSale") != nullptr; })) return nullptr;
    return topLevel("BrowsePointOfSale");
}

// Watches for the print preview (it runs its own event loop, so it is looked at from a timer
// inside that loop), notes its pages and closes it.
class PreviewWatch {
public:
    PreviewWatch() {
        timer_.setInterval(50);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* preview = qobject_cast<PrintPreviewWindow*>(topLevel("ReportPreview"));
            if (!preview || seen) return;
            seen = true;
            timer_.stop();
            pages = preview->chosenPages();
            screenshot(preview, shotName_);
            preview->reject();
        });
    }
    void start(const char* shotName) {
        seen = false;
        shotName_ = shotName;
        timer_.start();
    }
    bool seen = false;
    std::vector<int> pages;

private:
    QTimer timer_;
    const char* shotName_ = "";
};

// Closes the till (the cash-up question answered No) and waits for the log-in to end.
void closeTill(QWidget* till, const std::atomic<bool>& done) {
    if (QLineEdit* editor = till->findChild<QLineEdit*>("ListEditor"); editor->isVisible())
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
}

// The pay-method question (Cash, as it comes) answered OK, `paid` typed in Paid, the change
// shown, and Finished pressed: its slip comes up in the preview. With `offered`, Paid must first
// have the focus and offer that amount.
void payCashAndFinish(QWidget* till, const char* paid, const char* change, const char* shot,
                      const char* offered = nullptr) {
    ASSERT_TRUE(eventually([] { return topLevel("PaymentMethod") != nullptr; }));
    QTest::mouseClick(button(topLevel("PaymentMethod"), "OK"), Qt::LeftButton);
    ASSERT_TRUE(eventually([] { return topLevel("PaymentMethod") == nullptr; }));
    auto* entry = till->findChild<QLineEdit*>("Paid");
    if (offered) {
        ASSERT_TRUE(eventually([&] { return entry->hasFocus() && entry->text().trimmed() == offered; }));
    }
    entry->setFocus();
    entry->selectAll();
    QTest::keyClicks(entry, paid);
    QTest::keyClick(entry, Qt::Key_Return);
    ASSERT_TRUE(eventually([&] { return till->findChild<QLabel*>("ChangeAmount")->text().trimmed() == change; }));
    ASSERT_TRUE(eventually([&] { return button(till, "FinishedButton")->isEnabled(); }));
    PreviewWatch slip;
    slip.start(shot);
    QTest::mouseClick(button(till, "FinishedButton"), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return slip.seen; }));
}

// The shop of these tests on a fresh folder at a fixed time, the Qt runtime, and the log-in
// running on it until the till closes.
// Reads a document's posted header and its history copy into the context's buffers, as another
// program would find them; false when either is missing.
bool readDocument(Context& ctx, std::uint32_t documentNo) {
    auto& t20 = ctx.access<PQXT20>();
    auto& h20 = ctx.access<PQXH20>();
    t20.UseFile();
    h20.UseFile();
    t20.clearBuffer();
    h20.clearBuffer();
    t20.rec.DOCUMENTNO = documentNo;
    h20.rec.DOCUMENTNO = documentNo;
    return t20.get(PT20::DocumentNoKey) == ErrNone && h20.get(PH20::DocumentNoKey) == ErrNone;
}

class TillGui : public ::testing::Test {
protected:
    void SetUp() override {
        application();
        seed(folder.path());
        installReportPreview();
    }
    // Starts the log-in, logs Anna in and returns the till window.
    QWidget* openTill() {
        runtime.launch([this] {
            OperatorPassword login;
            login.setContext(context);
            runtime.run(login);
            done = true;
        });
        return logIn(*context);
    }

    support::TempFolder folder;
    FixedClock clock{dayNumber(2024, 3, 15), 14 * 360000};
    support::ProgramStateGuard state{{.clock = &clock}};
    QtRuntime runtime;
    std::atomic<bool> done{false};
    std::shared_ptr<Context> context = std::make_shared<Context>(folder.path());
};

TEST_F(TillGui, OperatorRingsUpTwoLinesTendersCashAndFinishes) {

    QWidget* till = openTill();
    ASSERT_NE(till, nullptr);
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

    // Finished: the slip in the preview, then the screen cleared for the next sale.
    PreviewWatch slip;
    slip.start("slip.png");
    // Finished from the keyboard, the focus still in Paid while the preview comes up.
    till->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(till));
    paid->setFocus();
    QTest::keyClick(till, Qt::Key_F, Qt::AltModifier);
    ASSERT_TRUE(eventually([&] { return slip.seen; }));
    EXPECT_EQ(slip.pages, std::vector<int>{0});  // one page, the slip
    ASSERT_TRUE(eventually([&] { return total->text().trimmed() == "0.00" && list->model()->rowCount() == 1; }));
    // Nothing of the finished sale comes back: Paid and the change are cleared too.
    QTest::qWait(200);
    EXPECT_EQ(paid->text(), "0.00");
    EXPECT_EQ(change->text().trimmed(), "0.00");
    EXPECT_TRUE(button(till, "PaymentButton")->isEnabled());

    {
        Context ctx(folder.path());
        ASSERT_TRUE(readDocument(ctx, 1234));
        auto& t20 = ctx.access<PQXT20>();
        auto& h20 = ctx.access<PQXH20>();
        EXPECT_EQ(t20.rec.AMOUNT, Decimal::of("28.82"));
        EXPECT_EQ(t20.rec.PAYMETHOD, 1);
        EXPECT_EQ(clip(t20.rec.REFERENCE1), "A1234");
        EXPECT_EQ(h20.rec.PAID, Decimal(50));
        EXPECT_EQ(h20.rec.CHANGE, Decimal::of("21.20"));
        EXPECT_EQ(h20.rec.VERSKIL, Decimal::of("0.02"));
        auto& v60 = ctx.access<PQXV60>();
        v60.UseFile();
        EXPECT_EQ(v60.records(), 0);
    }

    // Close: the cash-up question (No), and the till and the log-in close.
    closeTill(till, done);
    runtime.shutDown();
}

// A cash client's tab on the real window: one visit rung up and Print Tab (the tab slip in the
// preview, the lines stored on the tab), then a later visit takes the tab up again and pays it.
TEST_F(TillGui, ACashClientsTabIsPrintedAndLaterPaid) {
    QWidget* till = openTill();
    ASSERT_NE(till, nullptr);
    auto* list = till->findChild<QAbstractItemView*>("List");
    auto* total = till->findChild<QLabel*>("Total");
    auto* tag = till->findChild<QCheckBox*>("Tag");
    ASSERT_TRUE(list && total && tag);
    auto storedOnTab = [&] {
        Context ctx(folder.path());
        auto& v61 = ctx.access<PQXV61>();
        v61.UseFile();
        return v61.records();
    };
    // Tag ticked: the owner chosen from the cash clients (the row clicked, then Select).
    auto chooseOwner = [&] {
        QTest::mouseClick(tag, Qt::LeftButton, {}, QPoint(6, tag->height() / 2));  // on the box itself
        ASSERT_TRUE(eventually([] { return topLevel("SelectCashClient") != nullptr; }));
        QWidget* pick = topLevel("SelectCashClient");
        auto* clients = pick->findChild<QAbstractItemView*>("List");
        ASSERT_TRUE(eventually([&] { return clients->model()->rowCount() >= 1; }));
        QTest::mouseClick(clients->viewport(), Qt::LeftButton, {},
                          clients->visualRect(clients->model()->index(0, 1)).center());
        QTest::mouseClick(button(pick, "Select"), Qt::LeftButton);
        ASSERT_TRUE(eventually([] { return topLevel("SelectCashClient") == nullptr; }));
        ASSERT_TRUE(eventually([&] { return button(till, "PrintTagButton")->isVisible(); }));
        EXPECT_FALSE(button(till, "FinishedButton")->isEnabled());
        EXPECT_FALSE(button(till, "PaymentButton")->isEnabled());
        ASSERT_TRUE(eventually([&] { return till->findChild<QLabel*>("TagClient")->text().contains("Jan Visser"); }));
    };

    // The first visit: two colas on the tab, its slip in the preview.
    ASSERT_NO_FATAL_FAILURE(chooseOwner());
    QTest::mouseClick(button(till, "Insert"), Qt::LeftButton);
    editorKeys(till, "coke", Qt::Key_Tab, "1.000");
    editorKeys(till, "2", Qt::Key_Tab, "0.00");
    editorKeys(till, "", Qt::Key_Tab, "");
    ASSERT_TRUE(eventually([&] { return total->text().trimmed() == "23.00"; }));
    QTest::keyClick(till->findChild<QLineEdit*>("ListEditor"), Qt::Key_Escape);
    PreviewWatch tabSlip;
    tabSlip.start("tab-slip.png");
    QTest::mouseClick(button(till, "PrintTagButton"), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return tabSlip.seen; }));
    ASSERT_TRUE(eventually([&] { return !tag->isChecked() && total->text().trimmed() == "0.00"; }));
    EXPECT_FALSE(button(till, "PrintTagButton")->isVisible());
    EXPECT_EQ(storedOnTab(), 1);

    // Later: the tab taken up again, Pay Tab, cash, Finished.
    ASSERT_NO_FATAL_FAILURE(chooseOwner());
    ASSERT_TRUE(eventually([&] { return total->text().trimmed() == "23.00"; }));
    EXPECT_EQ(list->model()->index(0, 0).data().toString(), "COKE");
    QTest::mouseClick(button(till, "PayTabButton"), Qt::LeftButton);
    ASSERT_NO_FATAL_FAILURE(payCashAndFinish(till, "25", "2.00", "tab-paid-slip.png", "23.00"));
    ASSERT_TRUE(eventually([&] { return total->text().trimmed() == "0.00" && list->model()->rowCount() <= 1; }));

    {
        Context ctx(folder.path());
        for (const TableDef* t : dictionaryTables()) ctx.access(*t).UseFile();
        ASSERT_TRUE(readDocument(ctx, 1234));  // the tab's number, from the counter at the first visit
        auto& t20 = ctx.access<PQXT20>();
        auto& h20 = ctx.access<PQXH20>();
        EXPECT_EQ(t20.rec.AMOUNT, Decimal(23));
        EXPECT_EQ(t20.rec.PAYMETHOD, 1);
        EXPECT_EQ(clip(t20.rec.REFERENCE1), "A1234");
        EXPECT_EQ(t20.records(), 1);
        EXPECT_EQ(h20.rec.PAID, Decimal(25));
        EXPECT_EQ(h20.rec.CHANGE, Decimal(2));
        EXPECT_EQ(ctx.access<PQXV61>().records(), 0) << "the tab's lines are gone";
        EXPECT_EQ(ctx.access<PQXV60>().records(), 0);
        auto& c11 = ctx.access<PQXC11>();
        c11.clearBuffer();
        c11.rec.CLIENTNO = 77;
        ASSERT_EQ(c11.get(PC11::ClientNoKey), ErrNone);
        EXPECT_EQ(c11.rec.DOCNO, 0u) << "the tab is closed";
    }
    closeTill(till, done);
    runtime.shutDown();
}

// A scanner types each code and Enter: three lines rung up with nothing pressed in between,
// tendered in cash, finished and posted. F1 on the till opens the till's page of the guide.
TEST_F(TillGui, ScannedItemsAreRungUpTenderedAndPosted) {
    putGuideBesideTestProgram();
    QWidget* till = openTill();
    ASSERT_NE(till, nullptr);
    auto* list = till->findChild<QAbstractItemView*>("List");
    // A code the shop does not have: refused with a word in the status bar, the cursor stays in it.
    editorKeys(till, "NOSUCH", Qt::Key_Return, "NOSUCH");
    auto* status = till->findChild<QStatusBar*>();
    ASSERT_NE(status, nullptr);
    ASSERT_TRUE(eventually([&] { return status->currentMessage().contains("NOSUCH is not known"); }))
        << status->currentMessage().toStdString();
    screenshot(till, "till-refused.png");
    till->findChild<QLineEdit*>("ListEditor")->clear();
    // Ready to type: no Insert pressed; each code and Enter saves a line of one and opens the next.
    for (const char* code : {"COKE", "soap", "COKE"}) editorKeys(till, code, Qt::Key_Return, "");
    ASSERT_TRUE(eventually([&] { return list->model()->rowCount() == 4; }));
    EXPECT_TRUE(topLevel("SelectInventory") == nullptr) << "no item list for a known code";
    auto* total = till->findChild<QLabel*>("Total");
    ASSERT_TRUE(eventually([&] { return total->text().trimmed() == "28.82"; }));

    // F1: the till's page, in English, in the guide's viewer.
    QTest::keyClick(till->findChild<QLineEdit*>("ListEditor"), Qt::Key_F1);
    ASSERT_TRUE(eventually([&] { return GuideViewer::current() != nullptr; }));
    EXPECT_TRUE(GuideViewer::current()->page().path().endsWith(QStringLiteral("/guide/en/till.html")))
        << GuideViewer::current()->page().toString().toStdString();
    GuideViewer::current()->close();
    till->activateWindow();

    QTest::mouseClick(button(till, "PaymentButton"), Qt::LeftButton);
    ASSERT_NO_FATAL_FAILURE(payCashAndFinish(till, "30", "1.20", "slip.png"));
    ASSERT_TRUE(eventually([&] { return total->text().trimmed() == "0.00" && list->model()->rowCount() == 1; }));

    {
        Context ctx(folder.path());
        ASSERT_TRUE(readDocument(ctx, 1234));
        auto& t20 = ctx.access<PQXT20>();
        auto& h20 = ctx.access<PQXH20>();
        EXPECT_EQ(t20.rec.AMOUNT, Decimal::of("28.82"));
        EXPECT_EQ(t20.rec.PAYMETHOD, 1);
        auto& t21 = ctx.access<PQXT21>();
        t21.UseFile();
        t21.clearBuffer();
        t21.rec.DOCUMENTNO = 1234;
        t21.SetFrom(PT21::DocumentNoKey);
        std::vector<std::string> items;
        while (t21.next() == ErrNone && t21.rec.DOCUMENTNO == 1234)
            if (!clip(t21.rec.ITEMCODE).empty()) {
                items.push_back(clip(t21.rec.ITEMCODE));
                EXPECT_EQ(t21.rec.QTY, Decimal(1));
            }
        std::sort(items.begin(), items.end());
        EXPECT_EQ(items, (std::vector<std::string>{"COKE", "COKE", "SOAP"}));
        EXPECT_EQ(h20.rec.PAID, Decimal(30));
        EXPECT_EQ(h20.rec.CHANGE, Decimal::of("1.20"));
        ctx.access<PQXV60>().UseFile();
        EXPECT_EQ(ctx.access<PQXV60>().records(), 0);
    }

    closeTill(till, done);
    runtime.shutDown();
}

}  // namespace
}  // namespace tavlo::gui
