// The supervisor audit trail: entries as stored, and the report of a date range in both languages.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "data/file_manager.h"
#include "test_runtime.h"
#include "operators/audit.h"
#include "reports/audit_report.h"
#include "reports/report_output.h"
#include "state/globals.h"
#include "support.h"

namespace tavlo {
namespace {

class AuditTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = std::make_shared<Context>(folder_.path());
        ctx_->OPERATOR = "007";
    }
    std::vector<PQXAUDIT> stored() {
        auto& a = ctx_->access<PQXAUDIT>();
        a.UseFile();
        a.clearBuffer();
        a.Set(PAUD::EntryNoKey);
        std::vector<PQXAUDIT> out;
        while (a.TryNext() == LevelBenign) out.push_back(a.rec);
        a.Close();
        return out;
    }
    std::vector<std::string> reportTexts(DayNumber from, DayNumber to) {
        TestRuntime rt;
        report::AuditTrailReport r(*ctx_, from, to);
        rt.run(r);
        EXPECT_TRUE(r.completed());
        if (!r.completed() || r.pages().empty()) return {};
        return r.pages().front().texts();
    }
    static bool has(const std::vector<std::string>& texts, const std::string& t) {
        return std::find(texts.begin(), texts.end(), t) != texts.end();
    }

    support::TempFolder folder_;
    FixedClock clock_{dayNumber(2026, 12, 8), 14 * 360000 + 5 * 6000};
    support::RecordingPreviewer previewer_;
    support::ProgramStateGuard state_{{.clock = &clock_, .previewer = &previewer_}};
    std::shared_ptr<Context> ctx_;
};

TEST_F(AuditTest, EntriesAreNumberedAndKeepWhoHowAndWhat) {
    ASSERT_TRUE(writeAudit(*ctx_, {AuditAction::PriceChanged, SupervisorSource::MasterPassword, "COKE", "12.50", "9.99"}));
    ASSERT_TRUE(writeAudit(*ctx_, {.action = AuditAction::NoSale, .source = SupervisorSource::OwnPassword,
                                   .operatorNo = "002", .date = dayNumber(2026, 12, 1), .time = 0}));
    auto rows = stored();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].ENTRYNO, 1u);
    EXPECT_EQ(rows[1].ENTRYNO, 2u);
    EXPECT_EQ(rows[0].AUDITDATE, dayNumber(2026, 12, 8));
    EXPECT_EQ(rows[0].AUDITTIME, 14 * 360000 + 5 * 6000);
    EXPECT_EQ(rows[0].OPERATORNO, "007");  // the context's operator when none is named
    EXPECT_EQ(rows[0].SOURCE, 2);
    EXPECT_EQ(rows[0].ACTION, 2);
    EXPECT_EQ(rows[0].DOCUMENT, "COKE");
    EXPECT_EQ(rows[0].OLDVALUE, "12.50");
    EXPECT_EQ(rows[0].NEWVALUE, "9.99");
    EXPECT_EQ(rows[1].OPERATORNO, "002");
    EXPECT_EQ(rows[1].AUDITDATE, dayNumber(2026, 12, 1));
    EXPECT_TRUE(std::filesystem::exists(folder_ / "PQxAudit.tps"));
}

TEST_F(AuditTest, ReportListsTheDaysAskedForInDateAndTimeOrder) {
    const DayNumber d1 = dayNumber(2026, 12, 1), d2 = dayNumber(2026, 12, 2), d3 = dayNumber(2026, 12, 3);
    writeAudit(*ctx_, {.action = AuditAction::LineDeleted, .document = "LATE", .date = d2, .time = 900000});
    writeAudit(*ctx_, {.action = AuditAction::CreditNote, .document = "OUTSIDE", .date = d3, .time = 0});
    writeAudit(*ctx_, {.action = AuditAction::SaleDiscarded, .document = "EARLY", .date = d2, .time = 100});
    writeAudit(*ctx_, {.action = AuditAction::NoSale, .source = SupervisorSource::OwnPassword, .document = "FIRST",
                       .date = d1, .time = 0});

    auto texts = reportTexts(d1, d2);
    std::vector<std::string> docs;
    for (const auto& t : texts)
        if (t == "FIRST" || t == "EARLY" || t == "LATE" || t == "OUTSIDE") docs.push_back(t);
    EXPECT_EQ(docs, (std::vector<std::string>{"FIRST", "EARLY", "LATE"}));
    EXPECT_TRUE(has(texts, "No sale: drawer opened"));
    EXPECT_TRUE(has(texts, "Own password"));
    EXPECT_TRUE(has(texts, "Sale discarded at Close"));

    GLO.LANGUAGENO = kAfrikaans;
    texts = reportTexts(d1, d1);
    EXPECT_TRUE(has(texts, "Geen verkoop: laai oopgemaak"));
    EXPECT_TRUE(has(texts, "Eie wagwoord"));
    EXPECT_TRUE(has(texts, "Ouditspoor van toesighouers"));
    EXPECT_FALSE(has(texts, "LATE"));

}

TEST_F(AuditTest, WindowRefusesARangeBackwardsAndPrintsAGoodOne) {
    writeAudit(*ctx_, {.action = AuditAction::MasterPassword, .document = "A12"});
    TestRuntime rt;
    report::AuditTrail window;
    window.setContext(ctx_);
    auto w = rt.open(window);
    w.type("From", "09/12/2026");
    w.press("Print");
    ASSERT_EQ(rt.messages.size(), 1u);
    EXPECT_EQ(rt.messages[0].text, "The To date is before the From date.");
    EXPECT_TRUE(previewer_.shown.empty());
    w.type("To", "09/12/2026");
    w.press("Print");  // a day without entries: said, not an empty preview
    ASSERT_EQ(rt.messages.size(), 2u);
    EXPECT_EQ(rt.messages[1].text, "There are no entries on these days.");
    EXPECT_TRUE(previewer_.shown.empty());
    w.type("From", "08/12/2026");
    w.press("Print");
    ASSERT_EQ(previewer_.shown.size(), 1u);
    EXPECT_TRUE(has(previewer_.shown[0].pages.at(0).texts(), "A12"));
}

}  // namespace
}  // namespace tavlo
