// Slips and the cash-up on the real desktop runtime: the report runs on a context thread, its
// pages come up in the preview windows on the Qt thread, and closing them ends the call.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <atomic>
#include <functional>

#include "gui_test_support.h"
#include "../reports/slip_fixture.h"
#include "gui/preview_previewer.h"
#include "gui/preview_window.h"
#include "gui/qt_runtime.h"
#include "gui/report_viewer.h"
#include "reports/cash_slip.h"
#include "reports/daily_cashup.h"

namespace tavlo::gui {
namespace {

QWidget* visibleTopLevel(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == name) return w;
    return nullptr;
}

class ReportsOnTheDesktop : public report::testing::SlipFixture {
protected:
    void SetUp() override {
        application();
        SlipFixture::SetUp();
        installReportPreview();
        shop();
    }
    void TearDown() override {
        SlipFixture::TearDown();
    }
    // Runs the report on a context thread of its own, as the till would.
    template <class F>
    void launch(QtRuntime& runtime, F report) {
        const auto folder = data_;
        runtime.launch([this, folder, report, &runtime] {
            Context ctx(folder);
            report(runtime, ctx);
            finished_ = true;
        });
    }
    std::atomic<bool> finished_{false};
};

TEST_F(ReportsOnTheDesktop, TheDebtorSlipComesUpInTheViewerUntilItIsClosed) {
    report::testing::Sale sale = breadSale();
    sale.tranType = 35;
    sale.payMethod = 4;
    sale.orderNo = "ORD-77";
    post(sale);
    QtRuntime runtime;
    launch(runtime, [](QtRuntime& rt, Context& ctx) {
        report::PrintDebCashSlip(rt, ctx, 1234, Decimal(0), Decimal(0), Decimal(0), 0);
    });
    bool seen = false;
    whenShown([] { return visibleTopLevel("ReportViewer"); }, [this, &seen](QWidget* w) {
        auto* viewer = qobject_cast<ReportViewerWindow*>(w);
        ASSERT_NE(viewer, nullptr);
        seen = true;
        EXPECT_TRUE(viewer->isMaximized());
        EXPECT_EQ(viewer->pageCount(), 1);
        EXPECT_EQ(viewer->statusLabel()->text(), "Page 1 of 1");
        EXPECT_FALSE(finished_);  // the call waits for the viewer
        QTest::mouseClick(viewer->button("Exit Without Printing Report"), Qt::LeftButton);
    });
    EXPECT_TRUE(QTest::qWaitFor([this] { return finished_.load(); }, 20000));
    EXPECT_TRUE(seen);
    runtime.shutDown();
}

TEST_F(ReportsOnTheDesktop, TheCashSlipComesUpInThePrintPreview) {
    post(breadSale());
    QtRuntime runtime;
    launch(runtime, [](QtRuntime& rt, Context& ctx) {
        report::PrintCashSlip(rt, ctx, 1234, Decimal::of("0.02"), Decimal::of("25.00"), Decimal::of("2.00"), 0);
    });
    bool seen = false;
    whenShown([] { return visibleTopLevel("ReportPreview"); }, [&seen](QWidget* w) {
        auto* preview = qobject_cast<PrintPreviewWindow*>(w);
        ASSERT_NE(preview, nullptr);
        seen = true;
        EXPECT_EQ(preview->windowTitle(), "Report Preview");
        EXPECT_EQ(preview->chosenPages(), std::vector<int>{0});
        preview->reject();
    });
    EXPECT_TRUE(QTest::qWaitFor([this] { return finished_.load(); }, 20000));
    EXPECT_TRUE(seen);
    runtime.shutDown();
}

TEST_F(ReportsOnTheDesktop, TheCashupIsAskedForThenShown) {
    QtRuntime runtime;
    launch(runtime, [](QtRuntime& rt, Context& ctx) { report::AskDailyCashup(rt, ctx); });
    bool seen = false;
    whenShown(
        [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->windowTitle() == "Print Cashup") return w;
            return static_cast<QWidget*>(nullptr);
        },
        [&seen](QWidget* ask) {
            whenShown([] { return visibleTopLevel("ReportViewer"); }, [&seen](QWidget* w) {
                seen = true;
                EXPECT_EQ(w->windowTitle(), "Daily Cash Up");
                qobject_cast<QDialog*>(w)->reject();
            });
            for (auto* b : ask->findChildren<QAbstractButton*>())
                if (b->text() == "&Yes") QTest::mouseClick(b, Qt::LeftButton);
        });
    EXPECT_TRUE(QTest::qWaitFor([this] { return finished_.load(); }, 20000));
    EXPECT_TRUE(seen);
    runtime.shutDown();
}

}  // namespace
}  // namespace tavlo::gui
