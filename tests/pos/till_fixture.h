#pragma once
// The till screen under the test runtime: a data folder with master data, an operator at the
// till, a recording slip preview, and helpers that key in a sale as an operator would.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "test_runtime.h"
#include "pos/point_of_sale.h"
#include "posting_fixture.h"
#include "reports/report_output.h"

namespace tavlo::till_test {

using namespace posting_test;

inline constexpr std::uint16_t kBarSales = 1200;  // income account of the stock item's trading account
inline constexpr const char* kSupervisorPassword = "Boss 1";

// Every report output the slips hand to the face.
class RecordingPreviewer : public report::ReportPreviewer {
public:
    std::optional<std::string> show(Runtime&, report::ReportOutput& output) override {
        shown.push_back(output);
        return std::nullopt;
    }
    std::vector<report::ReportOutput> shown;
};

// Beyond the posting tests' master data: "SOAP" 5.06 plus 15 % VAT (5.82 with VAT), the stock
// item "BEER" whose sales account is found through its asset and trading account, operators,
// and the supervisor password.
void seedTillData(Context& ctx);

class TillTest : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;

    // Opens the till screen on the test's context.
    TestWindow& openTill();
    // Closes it with the close box, if still open.
    void closeTill();

    // Keys in one line: item code, Tab, quantity, Tab, (price, Tab in supervisor mode),
    // discount, Tab. Opens a row with Insert first when no editor is open.
    void ring(const std::string& itemCode, const std::string& qty = "1", const std::string& discount = "0",
              const std::string& price = "");
    // The pay method dialog answers with this box ticked (Cash is ticked when it opens).
    void payBy(const std::string& box);
    // Moves to Paid (the Payment button), types the amount tendered.
    void tender(const std::string& paid);
    void finish() { till_->press("Finished"); }

    // The supervisor password dialog types this and presses OK.
    void answerSupervisor(const std::string& password);

    TillLocals& loc() { return screen_->till().LOC; }
    Decimal linesTotal();  // sum of the nett amounts of the stored working lines
    std::vector<PQXV60> lines() { return allRecords<PQXV60>(*ctx_); }

    TempFolder folder_;
    std::shared_ptr<Context> ctx_;
    TestRuntime rt_;
    RecordingPreviewer previewer_;
    FixedClock clock_{dayNumber(2024, 3, 15), 14 * 360000 + 5 * 6000};
    support::ProgramStateGuard state_{{.clock = &clock_, .previewer = &previewer_}};
    std::unique_ptr<BrowsePointOfSale> screen_;
    std::optional<TestWindow> till_;
};

}  // namespace tavlo::till_test
