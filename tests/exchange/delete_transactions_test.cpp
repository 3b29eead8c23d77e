// Deleting history by date range: which documents go, that each goes whole with its rows, the
// question before and the report after, and a delete that cannot get the tables.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "data/file_manager.h"
#include "data/storage.h"
#include "exchange/delete_transactions.h"
#include "test_runtime.h"
#include "framework/commands.h"
#include "state/globals.h"
#include "support.h"

namespace tavlo {
namespace {

using namespace std::chrono_literals;

// Days of March 2024 (worked out when used: the date module's own constants are not ready while
// this file's statics are made).
DayNumber march(int day) { return dayNumber(2024, 3, day); }

class DeleteHistoryTest : public ::testing::Test {
protected:
    void SetUp() override { fresh(); }
    // A new data folder with the documents every test starts from.
    void fresh() {
        ctx_.reset();
        folder_ = std::make_unique<support::TempFolder>();
        detail_ = 0;
        ctx_ = std::make_shared<Context>(folder_->path());
        ctx_->relate<PQXH20>().Open();
        ctx_->relate<PQXH21>().Open();
        // Document n is dated as below; 5 has no rows; 6 has no date; rows of 99 have no header.
        document(1, march(1), 3);
        document(2, march(2), 2);
        document(3, march(2), 4);
        document(4, march(3), 1);
        document(5, march(4), 0);
        document(6, 0, 2);
        rows(99, march(2), 2);
    }
    void TearDown() override { ctx_.reset(); }
    void document(std::uint32_t doc, DayNumber date, int rowCount) {
        auto& h20 = ctx_->access<PQXH20>();
        h20.clearBuffer();
        h20.rec.DOCUMENTNO = doc;
        h20.rec.TRANSDATE = date;
        h20.rec.AMOUNT = Decimal(10);
        ASSERT_EQ(h20.add(), ErrNone) << h20.errorText();
        rows(doc, date, rowCount);
    }
    void rows(std::uint32_t doc, DayNumber date, int count) {
        auto& h21 = ctx_->access<PQXH21>();
        for (int i = 0; i < count; ++i) {
            h21.clearBuffer();
            h21.rec.DOCUMENTNO = doc;
            h21.rec.TRANSDATE = date;
            h21.rec.DETAILNUMBER = ++detail_;
            ASSERT_EQ(h21.add(), ErrNone) << h21.errorText();
        }
    }
    std::set<std::uint32_t> headers() {
        std::set<std::uint32_t> out;
        auto& h20 = ctx_->access<PQXH20>();
        h20.clearBuffer();
        h20.SetFileOrder();
        while (h20.next() == ErrNone) out.insert(h20.rec.DOCUMENTNO);
        return out;
    }
    // Row counts by document.
    std::map<std::uint32_t, int> rowCounts() {
        std::map<std::uint32_t, int> out;
        auto& h21 = ctx_->access<PQXH21>();
        h21.clearBuffer();
        h21.SetFileOrder();
        while (h21.next() == ErrNone) ++out[h21.rec.DOCUMENTNO];
        return out;
    }

    support::ProgramStateGuard state_{{.syncWrites = false}};
    std::unique_ptr<support::TempFolder> folder_;
    std::shared_ptr<Context> ctx_;
    std::uint32_t detail_ = 0;
};

TEST_F(DeleteHistoryTest, TheRangeIncludesBothEndsAndNeverTheUndated) {
    struct Case {
        const char* name;
        DayNumber from, to;
        std::set<std::uint32_t> kept;
    };
    const std::vector<Case> cases = {
        {"from after to", march(3), march(2), {1, 2, 3, 4, 5, 6}},
        {"both dates left at 0", 0, 0, {1, 2, 3, 4, 5, 6}},
        {"from 0 up to a date", 0, march(2), {4, 5, 6}},
        {"exactly on both ends", march(2), march(3), {1, 5, 6}},
        {"one day", march(1), march(1), {2, 3, 4, 5, 6}},
        {"a header without rows", march(4), march(4), {1, 2, 3, 4, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        const auto documents = historyDocuments(*ctx_, c.from, c.to);
        const HistoryDeleteResult result = deleteHistory(*ctx_, documents, c.from, c.to);
        EXPECT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.deleted, 6 - c.kept.size());
        EXPECT_EQ(headers(), c.kept);
        // Rows go with their header and only with it; rows without a header in range stay.
        const std::map<std::uint32_t, int> counts = rowCounts();
        const std::map<std::uint32_t, int> all = {{1, 3}, {2, 2}, {3, 4}, {4, 1}, {6, 2}, {99, 2}};
        for (const auto& [doc, n] : all) EXPECT_EQ(counts.count(doc) ? counts.at(doc) : 0, c.kept.count(doc) || doc == 99 ? n : 0) << doc;
    }
}

TEST_F(DeleteHistoryTest, ADocumentRedatedAfterItWasCountedStays) {
    for (std::uint32_t doc = 100; doc < 1100; ++doc) document(doc, march(1), 2);
    const auto documents = historyDocuments(*ctx_, march(1), march(1));
    ASSERT_EQ(documents.size(), 1001u);
    // Another window moves one out of the range after it was counted.
    auto& h20 = ctx_->access<PQXH20>();
    h20.clearBuffer();
    h20.rec.DOCUMENTNO = 700;
    ASSERT_EQ(h20.get(PH20::DocumentNoKey), ErrNone);
    h20.rec.TRANSDATE = march(4);
    ASSERT_EQ(h20.put(), ErrNone);
    const HistoryDeleteResult result = deleteHistory(*ctx_, documents, march(1), march(1));
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.deleted, 1000u);
    EXPECT_EQ(headers(), (std::set<std::uint32_t>{2, 3, 4, 5, 6, 700}));
    EXPECT_EQ(rowCounts().at(700), 2);
}

TEST_F(DeleteHistoryTest, TablesHeldByAnotherStationAreReportedAndNothingIsDeleted) {
    Context other(folder_->path());
    other.relate<PQXH21>().Open();
    auto held = other.transaction<PQXH21>(1000ms);
    ASSERT_TRUE(held.active());
    const auto documents = historyDocuments(*ctx_, march(1), march(3));
    const HistoryDeleteResult result = deleteHistory(*ctx_, documents, march(1), march(3));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(result.deleted, 0u);
    held.rollback();
    EXPECT_EQ(headers().size(), 6u);
    EXPECT_EQ(rowCounts().size(), 6u);
}

class DeleteTransactionsWindow : public DeleteHistoryTest {
protected:
    TestRuntime rt_;
};

TEST_F(DeleteTransactionsWindow, AsksWithTheCountAndRangeThenSaysHowManyWentAndCloses) {
    DeleteTransactions proc;
    proc.setContext(ctx_);
    auto w = rt_.open(proc);
    EXPECT_EQ(w.window().title, "Delete Transactions");
    EXPECT_EQ(w.window()[1].text, "From date .:");
    EXPECT_EQ(w.window()[4].text, "To date .:");
    EXPECT_EQ(w.window()[2].picture, "@d17");
    w.type("FromDate", "02/03/2024");
    w.type("ToDate", "03/03/2024");

    EXPECT_EQ(w.text("FromDate"), "02/03/2024");
    EXPECT_EQ(w.text("ToDate"), "03/03/2024");
    rt_.messageAnswers.push_back(ButtonNo);
    w.press("OK");
    ASSERT_EQ(rt_.messages.size(), 1u);
    EXPECT_EQ(rt_.messages[0].text, "Delete 3 documents dated from 02/03/2024 to 03/03/2024 from the history?|"
                                    "This cannot be undone.");
    EXPECT_EQ(rt_.messages[0].defaultButton, ButtonNo);
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(headers().size(), 6u);

    rt_.messageAnswers.push_back(ButtonYes);
    w.press("OK");
    ASSERT_EQ(rt_.messages.size(), 3u);
    EXPECT_EQ(rt_.messages[2].text, "3 documents were deleted.");
    EXPECT_FALSE(w.isOpen());
    EXPECT_EQ(headers(), (std::set<std::uint32_t>{1, 5, 6}));
}

TEST_F(DeleteTransactionsWindow, AnEmptyRangeSaysSoInAfrikaansAndStaysOpen) {
    GLO.LANGUAGENO = 2;
    DeleteTransactions proc;
    proc.setContext(ctx_);
    auto w = rt_.open(proc);
    w.press("OK");  // both dates 0
    ASSERT_EQ(rt_.messages.size(), 1u);
    EXPECT_EQ(rt_.messages[0].title, "Skrap Transaksies");
    EXPECT_EQ(rt_.messages[0].text.rfind("Daar is geen dokumente", 0), 0u) << rt_.messages[0].text;
    EXPECT_TRUE(w.isOpen());
    w.press("Cancel");
    EXPECT_FALSE(w.isOpen());
    EXPECT_EQ(headers().size(), 6u);
}

TEST_F(DeleteTransactionsWindow, AFailureIsReportedAndTheWindowStaysOpen) {
    Context other(folder_->path());
    other.relate<PQXH20>().Open();
    auto held = other.transaction<PQXH20>(1000ms);
    ASSERT_TRUE(held.active());
    DeleteTransactions proc;
    proc.setContext(ctx_);
    auto w = rt_.open(proc);
    w.type("ToDate", "04/03/2024");
    rt_.messageAnswers.push_back(ButtonYes);
    w.press("OK");
    ASSERT_EQ(rt_.messages.size(), 2u);
    EXPECT_EQ(rt_.messages[1].text.rfind("The history could not be deleted: ", 0), 0u) << rt_.messages[1].text;
    EXPECT_NE(rt_.messages[1].text.find("|0 documents were deleted before the error"), std::string::npos);
    EXPECT_EQ(rt_.messages[1].icon, Icon::Exclamation);
    EXPECT_TRUE(w.isOpen());
    held.rollback();
    EXPECT_EQ(headers().size(), 6u);
}

TEST(DeleteTransactionsCommand, TheMenuCommandStartsTheWindow) {
    ProcedureFactory factory = commandFactory(kDeleteTransactions);
    ASSERT_TRUE(factory);
    EXPECT_EQ(factory()->name(), "DeleteTransactions");
}

}  // namespace
}  // namespace tavlo
