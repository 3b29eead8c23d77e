// Deleting old history while a till in another process keeps posting into it: every Finished
// goes through at the first press, and the till's documents and their history copies stay.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "bench_tables.h"
#include "exchange/delete_transactions.h"
#include "posting_fixture.h"

namespace tavlo::posting_test {
namespace {

constexpr int kHistory = 40000;

// Rings up and finishes cash-cheque sales, one every 10 ms: says "started" after the first, goes
// on until told to stop, then posts one more. Ends with 0, or 1 when a Finished was refused.
[[noreturn]] void till(const std::filesystem::path& folder, int startedFd, int stopFd) {
    int refused = 0;
    setMessageHandler([&](const MessageRequest& r) {
        ++refused;
        return r.defaultButton;
    });
    Context ctx(folder);
    useAllTables(ctx);
    TillState t(ctx);
    t.Open();
    ::fcntl(stopFd, F_SETFL, O_NONBLOCK);
    bool stopping = false;
    for (int sale = 0;; ++sale) {
        const Decimal total = addLines(ctx, {computeLine(ctx, LineSpec("BREAD", Decimal(1 + sale % 3)), t.LOC.SALESNUMBER)});
        t.LOC.PAYMENT = 3;
        t.LOC.TOTALAMOUNT = t.LOC.PAID = total;
        if (!t.Finished()) ::_exit(1);
        if (sale == 0 && ::write(startedFd, "s", 1) != 1) ::_exit(2);
        if (stopping) break;
        char c;
        stopping = ::read(stopFd, &c, 1) == 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::_exit(refused == 0 ? 0 : 1);
}

TEST_F(PostingTest, HistoryDeletedWhileATillPostsKeepsEveryOneOfTheTillsSales) {
    {
        // Enough history that deleting it in one transaction would hold the till up for seconds.
        ASSERT_EQ(ctx_->access<PQXH20>().OpenNow(), LevelBenign);
        ASSERT_EQ(ctx_->access<PQXH21>().OpenNow(), LevelBenign);
        support::SqlFiles sql(folder_.path(), {&PQXH20::table(), &PQXH21::table()});
        sql.exec("BEGIN");
        std::uint32_t detail = 0;
        for (int d = 1; d <= kHistory; ++d) {
            PQXH20 h;
            h.DOCUMENTNO = static_cast<std::uint32_t>(500000 + d);  // numbers the till never reaches
            h.TRANSDATE = dayNumber(2024, 1, 1) + d * 70 / kHistory;
            h.REFERENCE1 = "A" + std::to_string(h.DOCUMENTNO);
            sql.insert(h);
            for (int r = 0; r < 3; ++r) {
                PQXH21 row;
                row.DOCUMENTNO = h.DOCUMENTNO;
                row.TRANSDATE = h.TRANSDATE;
                row.ACCNUMBER = static_cast<std::uint16_t>(1000 + r);
                row.REFERENCE1 = h.REFERENCE1;
                row.ITEMCODE = r == 0 ? "BREAD" : "";
                row.DETAILNUMBER = ++detail;
                sql.insert(row);
            }
        }
        sql.exec("COMMIT");
    }
    // Counted before the till starts; the till's sales are dated today, inside the range.
    const DayNumber from = dayNumber(2024, 1, 1), to = today();
    const std::vector<std::uint32_t> documents = historyDocuments(*ctx_, from, to);
    ASSERT_EQ(documents.size(), static_cast<std::size_t>(kHistory));

    // No connection is carried into the child.
    till_.reset();
    ctx_.reset();
    ::signal(SIGPIPE, SIG_IGN);  // a till that ended early must fail the test, not end it
    int started[2], stop[2];
    ASSERT_EQ(::pipe(started), 0);
    ASSERT_EQ(::pipe(stop), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(started[0]);
        ::close(stop[1]);
        till(folder_.path(), started[1], stop[0]);
    }
    ::close(started[1]);
    ::close(stop[0]);
    ctx_ = std::make_unique<Context>(folder_.path());
    useAllTables(*ctx_);
    char c;
    ASSERT_EQ(::read(started[0], &c, 1), 1);
    const HistoryDeleteResult result = deleteHistory(*ctx_, documents, from, to);
    [[maybe_unused]] auto told = ::write(stop[1], "x", 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a Finished was refused";

    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.deleted, static_cast<std::size_t>(kHistory));
    const std::vector<PQXT20> posted = allRecords<PQXT20>(*ctx_);
    EXPECT_GE(posted.size(), 2u);
    // Every sale is posted, balanced, and its history copy is whole; nothing else is left.
    expectSoundDocuments(*ctx_);
    EXPECT_EQ(allRecords<PQXH20>(*ctx_).size(), posted.size());
    for (const PQXT20& h : posted) EXPECT_TRUE(historyOf(*ctx_, h.DOCUMENTNO)) << h.DOCUMENTNO;
    std::size_t rows = 0;
    for (const PQXT20& h : posted) rows += rowsOf(*ctx_, h.DOCUMENTNO).size();
    EXPECT_EQ(allRecords<PQXH21>(*ctx_).size(), rows);
}

}  // namespace
}  // namespace tavlo::posting_test
