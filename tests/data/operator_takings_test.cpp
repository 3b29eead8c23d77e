// The operator's takings read in one statement over the header and detail files: where it may run
// and what it does to the transaction connection it shares with transactions.
#include <sqlite3.h>

#include <chrono>

#include "data/operator_takings.h"
#include "storage_fixture.h"

namespace tavlo {
namespace {

using namespace std::chrono_literals;

class OperatorTakings : public StorageTest {
protected:
    void SetUp() override {
        use<PQXT20>();
        use<PQXT21>();
    }
    void document(std::uint32_t number, std::uint8_t payMethod, const char* amount, const char* op = "OP1") {
        auto& t20 = ctx->access<PQXT20>();
        t20.clearBuffer();
        t20.rec.DOCUMENTNO = number;
        t20.rec.PAYMETHOD = payMethod;
        t20.rec.TRANTYPENUMBER = 5;
        t20.rec.AMOUNT = Decimal::of(amount);
        ASSERT_EQ(t20.add(), ErrNone) << t20.errorText();
        auto& t21 = ctx->access<PQXT21>();
        t21.clearBuffer();
        t21.rec.DOCUMENTNO = number;
        t21.rec.REFERENCE2 = op;
        ASSERT_EQ(t21.add(), ErrNone) << t21.errorText();
    }
    // The sum of one pay method, "" when there is none.
    std::string takings(std::uint8_t payMethod, const char* op = "OP1") {
        std::vector<TakingsSum> sums;
        EXPECT_EQ(operatorTakings(*ctx, op, sums), LevelBenign) << ctx->access<PQXT20>().errorText();
        for (const TakingsSum& s : sums)
            if (s.payMethod == payMethod) return s.amount.toString();
        return "";
    }
};

TEST_F(OperatorTakings, SumsPastSixtyFourBitsStayExact) {
    document(1, 1, "1.00");
    document(2, 1, "1.00");
    // Amounts as another program could leave them: each near the largest 64-bit integer.
    sqlite3* db = openDatabase(folder.path() / PQXT20::table().diskFile(), false, false, 2000);
    ASSERT_NE(db, nullptr);
    ASSERT_EQ(sqlite3_exec(db, "UPDATE PQXT20 SET AMOUNT = 9000000000000000000", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(takings(1), "180000000000000000.00");
}

TEST_F(OperatorTakings, InsideATransactionOnlyWhenItHoldsBothTables) {
    document(1, 2, "12.50");
    {
        auto tx = ctx->transaction<PQXT20, PQXT21>(1s);
        document(2, 2, "7.50");
        EXPECT_EQ(takings(2), "20.00") << "the transaction's own rows count";
    }
    EXPECT_EQ(takings(2), "12.50") << "rolled back";
    use<PQXV60>();
    auto tx = ctx->transaction<PQXV60, PQXT20>(1s);
    std::vector<TakingsSum> sums;
    EXPECT_NE(operatorTakings(*ctx, "OP1", sums), LevelBenign);
    EXPECT_EQ(ctx->access<PQXT20>().errorCode(), ErrTransaction);
    EXPECT_EQ(messages.shown.size(), 1u);
}

// Files written before the read's indexes existed get them when opened, without a word.
TEST_F(OperatorTakings, OlderFilesGetTheReadIndexesQuietly) {
    document(1, 1, "5.00");
    ctx.reset();
    for (const TableDef* t : {&PQXT20::table(), &PQXT21::table()}) {
        sqlite3* db = openDatabase(folder.path() / t->diskFile(), false, false, 2000);
        ASSERT_NE(db, nullptr);
        for (const ReadIndexDef& r : t->readIndexes)
            ASSERT_EQ(sqlite3_exec(db, ("DROP INDEX \"" + t->sqlName + "_" + r.name + "\"").c_str(), nullptr, nullptr, nullptr),
                      SQLITE_OK);
        sqlite3_close(db);
    }
    ctx = std::make_unique<Context>(folder.path());
    SetUp();
    EXPECT_EQ(takings(1), "5.00");
    for (const TableDef* t : {&PQXT20::table(), &PQXT21::table()}) {
        sqlite3* db = openDatabase(folder.path() / t->diskFile(), true, false, 2000);
        sqlite3_stmt* s = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = ?1", -1, &s, nullptr),
                  SQLITE_OK);
        for (const ReadIndexDef& r : t->readIndexes) {
            sqlite3_bind_text(s, 1, (t->sqlName + "_" + r.name).c_str(), -1, SQLITE_TRANSIENT);
            ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
            EXPECT_EQ(sqlite3_column_int(s, 0), 1) << r.name;
            sqlite3_reset(s);
        }
        sqlite3_finalize(s);
        sqlite3_close(db);
    }
    EXPECT_TRUE(messages.shown.empty()) << messages.titles();
}

// The read and the transactions take turns on one connection, which holds at most ten files.
TEST_F(OperatorTakings, TakesTurnsWithTransactionsOfTenFiles) {
    document(1, 3, "40.00");
    std::vector<const TableDef*> ten;
    for (const TableDef* t : dictionaryTables())
        if (ten.size() < 10 && t != &PQXT20::table() && t != &PQXT21::table()) ten.push_back(t);
    for (const TableDef* t : ten) ctx->access(*t).Open();
    for (int turn = 0; turn < 2; ++turn) {
        {
            Transaction tx(*ctx, ten, 1s);
            ASSERT_TRUE(tx.active()) << tx.errorText();
            ASSERT_TRUE(tx.commit());
        }
        EXPECT_EQ(takings(3), "40.00");
        EXPECT_EQ(takings(3, "OP2"), "");
    }
    auto tx = ctx->transaction<PQXT20, PQXT21>(1s);
    document(2, 3, "2.00");
    ASSERT_TRUE(tx.commit());
    EXPECT_EQ(takings(3), "42.00");
    EXPECT_TRUE(messages.shown.empty()) << messages.titles();
}

}  // namespace
}  // namespace tavlo
