// The user guide's pictures, taken on the real windows of the demo shop in English and in
// Afrikaans: each window the guide has a page for, saved as screenshots/guide/<en|af>/<page>.png
// beside the build (scripts/guide-shots.sh copies them into docs/guide/<en|af>/img/). The audit
// report's preview is also kept as screenshots/audit-report-<en|af>.png.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "demo_shop.h"
#include "screenshots.h"
#include "framework/commands.h"
#include "gui/ui_text.h"

namespace tavlo::gui {
namespace {

QPushButton* button(QWidget* window, const char* name) { return window->findChild<QPushButton*>(name); }

// The report's viewer zoomed to the page's width, so that its picture can be read; it is shot
// as it is, the top of the page.
void pageWidth(QWidget* viewer) {
    auto* zoom = viewer->findChild<QComboBox*>("Zoom Control");
    ASSERT_NE(zoom, nullptr);
    const int choice = zoom->findText(zoomText("Page Width"));
    ASSERT_GE(choice, 0);
    zoom->setCurrentIndex(choice);
    emit zoom->activated(choice);
}

class GuideScreens : public DemoShop {
protected:
    // The guide's picture of a page, in the test's language, at most 800 pixels wide.
    void shootPage(QWidget* window, const char* page, bool grow = true) {
        shoot(window, std::filesystem::path("guide") / languageFolder(language()) / (std::string(page) + ".png"), 800, grow);
    }

    // Starts a menu command's procedure on a context thread of its own; its window, once shown.
    QWidget* openCommand(const char* procedure) {
        runtime.launch([this, procedure] {
            std::unique_ptr<Procedure> p = commandFactory(procedure)();
            p->setContext(std::make_shared<Context>(folder.path()));
            runtime.run(*p);
        });
        if (!eventually([&] { return topLevel(procedure) != nullptr; })) return nullptr;
        return topLevel(procedure);
    }

    // Closes the window (as its close box does) and waits until its thread has ended.
    void closeWindow(QWidget* window) {
        window->close();
        ASSERT_TRUE(eventually([&] { return runtime.running() == 0; })) << window->objectName().toStdString();
    }

    // Shoots the command's window for the page, then closes it.
    void shootCommand(const char* procedure, const char* page) {
        QWidget* w = openCommand(procedure);
        ASSERT_NE(w, nullptr) << procedure;
        shootPage(w, page);
        closeWindow(w);
    }

    // Presses the button and waits for the report's window: `act` sees it, then it closes.
    void report(QWidget* pressed, std::function<void(QWidget*)> act) {
        bool seen = false;
        whenShown(reportWindow, [&seen, act](QWidget* w) {
            act(w);
            seen = true;
            qobject_cast<QDialog*>(w)->reject();
        });
        QTest::mouseClick(pressed, Qt::LeftButton);
        ASSERT_TRUE(eventually([&] { return seen; }));
    }

    // Payment: the pay-method question (shot for the guide when `page` is given) answered OK,
    // `paid` tendered, and Finished: the slip comes up and is closed.
    void payAndFinish(QWidget* till, const char* paid, const char* page = nullptr) {
        QTest::mouseClick(button(till, "PaymentButton"), Qt::LeftButton);
        ASSERT_TRUE(eventually([] { return topLevel("PaymentMethod") != nullptr; }));
        QWidget* ask = topLevel("PaymentMethod");
        if (page) shootPage(ask, page);
        QTest::mouseClick(button(ask, "OK"), Qt::LeftButton);
        ASSERT_TRUE(eventually([] { return topLevel("PaymentMethod") == nullptr; }));
        auto* entry = till->findChild<QLineEdit*>("Paid");
        ASSERT_TRUE(typeInto(entry, paid));
        QTest::keyClick(entry, Qt::Key_Return);
        ASSERT_TRUE(eventually([&] { return button(till, "FinishedButton")->isEnabled(); }));
        report(button(till, "FinishedButton"), [](QWidget*) {});
        ASSERT_TRUE(eventually([&] { return till->findChild<QLabel*>("Total")->text().trimmed() == "0.00"; }));
    }
};

TEST_P(GuideScreens, EveryWindowOfTheGuide) {
    onLogIn = [this](QWidget* login) { shootPage(login, "login"); };
    QWidget* till = openTill();
    ASSERT_NE(till, nullptr);
    auto* total = till->findChild<QLabel*>("Total");

    // A sale: two colas typed with their quantity, bread and milk scanned.
    ASSERT_NO_FATAL_FAILURE(editorKeys(till, "COKE", Qt::Key_Tab, "1.000"));
    ASSERT_NO_FATAL_FAILURE(editorKeys(till, "2", Qt::Key_Tab, "0.00"));
    ASSERT_NO_FATAL_FAILURE(editorKeys(till, "", Qt::Key_Tab, ""));
    ASSERT_NO_FATAL_FAILURE(editorKeys(till, "BREAD", Qt::Key_Return, ""));
    ASSERT_NO_FATAL_FAILURE(editorKeys(till, "MILK", Qt::Key_Return, ""));
    ASSERT_TRUE(eventually([&] { return total->text().trimmed() == "55.99"; })) << total->text().toStdString();
    shootPage(till, "till");
    ASSERT_NO_FATAL_FAILURE(payAndFinish(till, "100", "payment"));

    // A credit note: the supervisor's password, then a returned cola paid out.
    auto* creditNote = till->findChild<QCheckBox*>("CreditNote");
    QTest::mouseClick(creditNote, Qt::LeftButton, {}, QPoint(6, creditNote->height() / 2));
    ASSERT_TRUE(eventually([] { return topLevel("SupPassword") != nullptr; }));
    QWidget* supervisor = topLevel("SupPassword");
    auto* password = supervisor->findChild<QLineEdit*>("Password");
    ASSERT_TRUE(typeInto(password, DemoPasswords::supervisor));
    QTest::mouseClick(button(supervisor, "OK"), Qt::LeftButton);
    ASSERT_TRUE(eventually([] { return topLevel("SupPassword") == nullptr; }));
    ASSERT_TRUE(eventually([&] { return creditNote->isChecked(); }));
    ASSERT_NO_FATAL_FAILURE(editorKeys(till, "COKE", Qt::Key_Return, ""));
    ASSERT_TRUE(eventually([&] { return total->text().trimmed() == "11.50"; })) << total->text().toStdString();
    shootPage(till, "credit-note");
    ASSERT_NO_FATAL_FAILURE(payAndFinish(till, "11.50"));
    ASSERT_TRUE(eventually([&] { return !creditNote->isChecked(); }));

    // A tab: Tag asks whose, from the cash clients' list; the tab is then let go again.
    auto* tag = till->findChild<QCheckBox*>("Tag");
    QTest::mouseClick(tag, Qt::LeftButton, {}, QPoint(6, tag->height() / 2));
    ASSERT_TRUE(eventually([] { return topLevel("SelectCashClient") != nullptr; }));
    QWidget* clients = topLevel("SelectCashClient");
    auto* list = clients->findChild<QAbstractItemView*>("List");
    ASSERT_TRUE(eventually([&] { return list->model()->rowCount() >= 2; }));
    shootPage(clients, "tabs");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(1, 1)).center());
    QTest::mouseClick(button(clients, "Select"), Qt::LeftButton);
    auto* owner = till->findChild<QLabel*>("TagClient");
    ASSERT_TRUE(eventually([&] { return owner->isVisible() && owner->text().contains("Smit family"); }));
    QTest::mouseClick(tag, Qt::LeftButton, {}, QPoint(6, tag->height() / 2));
    ASSERT_TRUE(eventually([&] { return !tag->isChecked() && !owner->isVisible(); }));

    // Close: the cash-up question answered Yes, the sheet in its viewer.
    QAbstractButton* yes = closeTill(till, true);
    ASSERT_NE(yes, nullptr);
    ASSERT_NO_FATAL_FAILURE(report(yes, [this](QWidget* w) {
        pageWidth(w);
        shootPage(w, "cashup", false);
    }));
    ASSERT_TRUE(eventually([&] { return tillDone.load(); }));

    // The menus' windows.
    {
        QWidget* reprint = openCommand(kReprintCashSlip);
        ASSERT_NE(reprint, nullptr);
        auto* documents = reprint->findChild<QAbstractItemView*>("List");
        ASSERT_TRUE(eventually([&] { return documents->model()->rowCount() >= 2; }));
        shootPage(reprint, "reprint");
        closeWindow(reprint);
    }
    ASSERT_NO_FATAL_FAILURE(shootCommand(kDebtorPayment, "debtor-payment"));
    {
        QWidget* exporting = openCommand(kExport);
        ASSERT_NE(exporting, nullptr);
        auto* target = exporting->findChild<QLineEdit*>("BackupToDrive");
        ASSERT_TRUE(typeInto(target, "/media/usb/"));
        // The test's data folder is a temporary one: the picture shows where a shop's would be.
        exporting->findChild<QLabel*>("DataDir")->setText(QStringLiteral("/home/shop/tavlo"));
        shootPage(exporting, "export-import");
        closeWindow(exporting);
    }
    ASSERT_NO_FATAL_FAILURE(shootCommand(kUserDetails, "user-details"));
    ASSERT_NO_FATAL_FAILURE(shootCommand(kReceiptPrinterSetup, "receipt-printer"));
    {
        QWidget* guard = openCommand(kOperators);
        ASSERT_NE(guard, nullptr);
        auto* entry = guard->findChild<QLineEdit*>("Password");
        ASSERT_TRUE(typeInto(entry, DemoPasswords::supervisor));
        QTest::mouseClick(button(guard, "OK"), Qt::LeftButton);
        ASSERT_TRUE(eventually([] { return topLevel("CreateOperators") != nullptr; }));
        QWidget* operators = topLevel("CreateOperators");
        ASSERT_TRUE(eventually([&] { return operators->findChild<QAbstractItemView*>("List")->model()->rowCount() >= 2; }));
        shootPage(operators, "operators");
        operators->close();
        ASSERT_TRUE(eventually([] { return topLevel("CreateOperators") == nullptr; }));
        if (QWidget* left = topLevel("OperatorsSupPassword")) closeWindow(left);
        ASSERT_TRUE(eventually([&] { return runtime.running() == 0; }));
    }
    {
        // The audit trail of today: the supervisor's credit note is on it.
        QWidget* dates = openCommand(kAuditTrail);
        ASSERT_NE(dates, nullptr);
        ASSERT_NO_FATAL_FAILURE(report(button(dates, "Print"), [this](QWidget* w) {
            pageWidth(w);
            shootPage(w, "audit-trail", false);
            shoot(w, std::string("audit-report-") + languageFolder(language()) + ".png", 0, false);
        }));
        closeWindow(dates);
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, GuideScreens, ::testing::Values(1, kAfrikaans), languageName);

}  // namespace
}  // namespace tavlo::gui
