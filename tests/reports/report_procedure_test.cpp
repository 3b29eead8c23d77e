// A report as a procedure: the progress window while rows are read, Cancel, translation of the
// report and of its progress window.
#include <gtest/gtest.h>

#include "framework/runtime.h"
#include "test_runtime.h"
#include "reports/report_procedure.h"
#include "state/globals.h"

namespace tavlo::report {
namespace {

// Counts from 1 to `rows`, one detail line per number; can press Cancel at a given row.
class Counting : public ReportProcedure {
public:
    explicit Counting(int rows) : ReportProcedure("PrintCounting"), rows_(rows) {}
    std::vector<std::string> percents;  // the percentage line as each row is taken

protected:
    void DefineReport(Layout& layout) override {
        layout.title = "Counting";
        layout.body = {500, 1000, 7000, 9000};
        Band detail{.name = "detail", .at = {0, 0, 0, 200}};
        detail.add(caption("Number", 0, 0));
        detail.add(field("n", 1000, 0, 500, "@n5", [this] { return Value(static_cast<long long>(n_)); }, Align::Right));
        layout.details.push_back(detail);
    }
    bool NextRecord() override { return ++n_ <= rows_; }
    long long RecordCount() override { return rows_; }
    void TakeRecord() override {
            print("detail");
        percents.push_back(window().displayText(percentText()));
    }

private:
    int rows_;
    int n_ = 0;
};

class RecordingTranslator : public WindowTranslator {
public:
    std::vector<std::string> calls;
    void translateWindow(Window& window, const std::string& app, const std::string& procedure,
                         const std::string& structure) override {
        calls.push_back(app + "/" + procedure + "/" + structure);
        for (int n = 1; n <= window.lastControl(); ++n)
            if (window.text(n) == "Number") {
                window.setText(n, "Nommer");
            } else if (window.text(n) == "Cancel") {
                window.setText(n, "Kanselleer");
            }
        if (window.title == "Progress...") window.title = "Vordering...";
    }
    std::string translateString(const std::string& text, const std::string&, const std::string&, const std::string&) override {
        return text;
    }
    void setMode(int) override {}
    int mode() const override { return 1; }
    void setLanguage(int) override {}
    int language() const override { return 2; }
    std::vector<std::string> languages() override { return {}; }
};

// The face's timer ticks while the window is open; Cancel pressed after `cancelAfter` ticks.
void tick(TestRuntime& runtime, const std::string& name, int cancelAfter = -1) {
    runtime.onOpen(name, [&runtime, cancelAfter](TestWindow& w) {
        for (int ticks = 0; w.isOpen(); ++ticks) {
            if (ticks == cancelAfter) {
                w.press("Cancel");
                break;
            }
            runtime.dispatch(w.procedure(), Event{EventKind::Timer, 0});
        }
    });
}

TEST(ReportProcedure, ReadsEveryRowUnderTheProgressWindow) {
    TestRuntime runtime;
    tick(runtime, "PrintCounting");
    Counting report(5);
    report.setBatch(2);
    runtime.run(report);
    EXPECT_TRUE(report.completed());
    EXPECT_FALSE(report.cancelled());
    ASSERT_EQ(report.pages().size(), 1u);
    const auto texts = report.pages()[0].texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Number"), 5);
    EXPECT_EQ(texts.back(), "5");
    EXPECT_EQ(report.window().title, "Progress...");
    EXPECT_EQ(report.window()[report.cancelButton()].text, "Cancel");
    EXPECT_EQ(report.window()[report.progressBar()].kind, ControlKind::Progress);
    // Refreshed after every batch of two rows and once at the end.
    EXPECT_EQ(report.percents, (std::vector<std::string>{"", "", "40% Complete", "40% Complete", "80% Complete"}));
    EXPECT_EQ(report.window().displayText(report.percentText()), "100% Complete");
    EXPECT_EQ(runtime.displays, 3);
    EXPECT_EQ(report.window().timer, 10);
}

TEST(ReportProcedure, CancelAbandonsTheReport) {
    TestRuntime runtime;
    tick(runtime, "PrintCounting", 2);
    Counting report(50);
    report.setBatch(1);
    runtime.run(report);
    EXPECT_FALSE(report.completed());
    EXPECT_TRUE(report.cancelled());
    EXPECT_TRUE(report.pages().empty());
    EXPECT_EQ(report.percents.size(), 3u);  // the row of the opening and one per tick, none after Cancel
}

TEST(ReportProcedure, ClosingTheProgressWindowAbandonsTheReport) {
    TestRuntime runtime;  // no ticks: the window is closed with the close box while rows remain
    runtime.onOpen("PrintCounting", [](TestWindow& w) { w.closeBox(); });
    Counting report(50);
    report.setBatch(10);
    runtime.run(report);
    EXPECT_TRUE(report.cancelled());
    EXPECT_EQ(report.percents.size(), 10u);
}

TEST(ReportProcedure, AReportRunWithoutAScriptIsGivenTheTimeItNeeds) {
    TestRuntime runtime;  // however slow the machine, the report reads every row
    Counting report(50);
    report.setBatch(1);
    runtime.run(report);
    EXPECT_TRUE(report.completed());
    EXPECT_FALSE(report.cancelled());
    long rows = 0;
    for (const auto& page : report.pages()) {
        const auto texts = page.texts();
        rows += std::count(texts.begin(), texts.end(), "Number");
    }
    EXPECT_EQ(rows, 50);
}

TEST(ReportProcedure, AReportWithoutRowsHasNoPages) {
    TestRuntime runtime;
    Counting report(0);
    runtime.run(report);
    EXPECT_TRUE(report.completed());
    EXPECT_TRUE(report.pages().empty());
}

TEST(ReportProcedure, TheReportAndItsProgressWindowAreTranslated) {
    RecordingTranslator translator;
    setWindowTranslator(&translator);
    TestRuntime runtime;
    Counting report(2);
    runtime.run(report);
    setWindowTranslator(nullptr);
    EXPECT_EQ(translator.calls, (std::vector<std::string>{"Tavlo/PrintCounting/ProgressWindow", "Tavlo/PrintCounting/Report"}));
    EXPECT_EQ(report.window().title, "Vordering...");
    EXPECT_EQ(report.window()[report.cancelButton()].text, "Kanselleer");
    const auto texts = report.pages().at(0).texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Nommer"), 2);
}

}  // namespace
}  // namespace tavlo::report

namespace tavlo::report {
namespace {

TEST(PdfTarget, TheFileIsTheReportsOrTheOneChosenWithItsExtension) {
    TestRuntime runtime;
    ReportOutput output;
    runtime.fileAnswers = {std::string("/tmp/slip"), std::string("/tmp/slip.pdf"), std::nullopt};
    EXPECT_EQ(choosePdfFile(runtime, output), "/tmp/slip.PDF");
    EXPECT_EQ(choosePdfFile(runtime, output), "/tmp/slip.pdf");
    EXPECT_EQ(choosePdfFile(runtime, output), std::nullopt);  // cancelled
    output.pdfFile = "/tmp/listing.pdf";                      // named by the report: not asked
    EXPECT_EQ(choosePdfFile(runtime, output), "/tmp/listing.pdf");
    EXPECT_TRUE(runtime.fileAnswers.empty());

    // A file that cannot be written is said so, in the operator's language.
    output.pages.emplace_back();
    GLO.LANGUAGENO = 2;
    EXPECT_FALSE(savePdf(runtime, output, "/nonexistent-folder/slip.pdf"));
    GLO.LANGUAGENO = 1;
    ASSERT_EQ(runtime.messages.size(), 1u);
    EXPECT_EQ(runtime.messages[0].text.rfind("Die PDF-lêer kon nie geskryf word nie.||Cannot write /nonexistent-folder/slip.pdf", 0), 0u)
        << runtime.messages[0].text;
}

}  // namespace
}  // namespace tavlo::report
