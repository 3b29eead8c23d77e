// Relation managers: cascades and restrictions on update and delete, in one transaction.
#include <sqlite3.h>

#include "storage_fixture.h"

namespace tavlo {
namespace {

class RelationTest : public StorageTest {
protected:
    void SetUp() override {
        for (const TableDef* t : dictionaryTables()) ctx->access(*t).Open();
        add<PQXA40>([](PQXA40& r) { r.TRADACCNUMBER = 1; r.TRADDESC = "Shop"; });
        account(100, "Sales", 1);
        account(300, "Debtor", 1);
        add<PQXA30>([](PQXA30& r) { r.ACCNUMBER = 100; r.ASSETDESC = "Stock"; r.TRADACCNUMBER = 1; });
        add<PQXA301>([](PQXA301& r) { r.ACCNUMBER = 100; r.ITEMCODE = "COKE"; r.ITEMDESC = "Cola"; });
        add<PQXC10>([](PQXC10& r) { r.ACCNUMBER = 100; r.ADDNUMBER = 1; r.DEBCREDNAME = "Sales details"; });
        add<PQXC10>([](PQXC10& r) { r.ACCNUMBER = 300; r.ADDNUMBER = 2; r.DEBCREDNAME = "Debtor details"; });
        add<PQXV01>([](PQXV01& r) { r.VATCODE = "01"; r.ACCNUMBER = 100; });
        add<PQXA11>([](PQXA11& r) { r.SUBNUMBER = 5; r.ACCNUMBER = 100; r.SUBCODE = "S5"; });
        for (std::uint32_t d = 1; d <= 3; ++d)
            add<PQXT21>([d](PQXT21& r) {
                r.DOCUMENTNO = 50;
                r.DETAILNUMBER = d;
                r.ACCNUMBER = 100;
                r.SUBNUMBER = 5;
                r.VATCODE = "01";
                r.ITEMCODE = "coke";
                r.TRANSDATE = 80000;
            });
        add<PQXT20>([](PQXT20& r) { r.DOCUMENTNO = 50; });
        messages.shown.clear();
    }

    template <class T, class F>
    void add(F fill) {
        auto& f = ctx->access<T>();
        f.clearBuffer();
        fill(f.rec);
        ASSERT_EQ(f.add(), ErrNone) << T::table().label << ": " << f.errorText();
    }
    void account(std::uint16_t number, const char* desc, std::uint16_t trading) {
        add<PQXA10>([&](PQXA10& r) {
            r.ACCNUMBER = number;
            r.ACCDESC = desc;
            r.ACCCODE = number;
            r.TRADACCNUMBER = trading;
        });
    }
    template <class T>
    std::vector<T> rows() {
        return all<T>(*ctx);
    }
    void fetchAccount(std::uint16_t number) {
        auto& a10 = ctx->access<PQXA10>();
        a10.clearBuffer();
        a10.rec.ACCNUMBER = number;
        ASSERT_EQ(a10.Fetch(PA10::AccNumberKey), LevelBenign);
    }
};

TEST_F(RelationTest, RenumberingAnAccountReachesEveryTableThatCarriesIt) {
    fetchAccount(100);
    ctx->access<PQXA10>().rec.ACCNUMBER = 200;
    ASSERT_EQ(ctx->relate<PQXA10>().Update(), LevelBenign) << messages.titles();
    EXPECT_EQ(rows<PQXA30>().at(0).ACCNUMBER, 200);
    EXPECT_EQ(rows<PQXA301>().at(0).ACCNUMBER, 200) << "through the asset, recursively";
    EXPECT_EQ(rows<PQXC10>().at(0).ACCNUMBER, 200);
    EXPECT_EQ(rows<PQXC10>().at(1).ACCNUMBER, 300) << "another account's details stay";
    EXPECT_EQ(rows<PQXV01>().at(0).ACCNUMBER, 200);
    EXPECT_EQ(rows<PQXA11>().at(0).ACCNUMBER, 200);
    for (const PQXT21& r : rows<PQXT21>()) EXPECT_EQ(r.ACCNUMBER, 200);
    EXPECT_TRUE(messages.shown.empty()) << messages.titles();
}

TEST_F(RelationTest, RenumberingATradingAccountRunsTheLargestCascadeInOneTransaction) {
    // PQXA40 reaches PQXA10, PQXA30, PQXA301, PQXT21, PQXC10, PQXV01 and PQXA11: eight files.
    auto& a40 = ctx->access<PQXA40>();
    a40.rec.TRADACCNUMBER = 1;
    ASSERT_EQ(a40.Fetch(PA40::TradAccNumberKey), LevelBenign);
    a40.rec.TRADACCNUMBER = 9;
    ASSERT_EQ(ctx->relate<PQXA40>().Update(), LevelBenign) << messages.titles();
    for (const PQXA10& r : rows<PQXA10>()) EXPECT_EQ(r.TRADACCNUMBER, 9);
    EXPECT_EQ(rows<PQXA30>().at(0).TRADACCNUMBER, 9);
    EXPECT_FALSE(ctx->inTransaction());

    // And the delete of it: cascades to its accounts and their assets and details, until a
    // restriction (the item on the asset) refuses the lot.
    a40.rec.TRADACCNUMBER = 9;
    ASSERT_EQ(a40.Fetch(PA40::TradAccNumberKey), LevelBenign);
    EXPECT_EQ(ctx->relate<PQXA40>().Delete(false), LevelNotify);
    EXPECT_EQ(rows<PQXA10>().size(), 2u);
    EXPECT_EQ(rows<PQXC10>().size(), 2u);
    EXPECT_EQ(rows<PQXA40>().size(), 1u);
}

TEST_F(RelationTest, AnAccountWithRestrictingChildrenIsNotDeletedAndNothingElseIs) {
    fetchAccount(100);
    EXPECT_EQ(ctx->relate<PQXA10>().Delete(false), LevelNotify);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Referential Integrity Delete Error");
    EXPECT_EQ(messages.shown[0].text,
              "This record is referenced from the file PQxA301. This record cannot be deleted while these references "
              "exist.");
    EXPECT_EQ(rows<PQXA10>().size(), 2u);
    EXPECT_EQ(rows<PQXA30>().size(), 1u) << "the cascade to the asset was rolled back";
    EXPECT_EQ(rows<PQXC10>().size(), 2u);

    // Without the item, the lines still refuse.
    auto& a301 = ctx->access<PQXA301>();
    a301.SetFileOrder();
    ASSERT_EQ(a301.Next(), LevelBenign);
    ASSERT_EQ(a301.erase(), ErrNone);
    fetchAccount(100);
    EXPECT_EQ(ctx->relate<PQXA10>().Delete(false), LevelNotify);
    EXPECT_NE(messages.shown.back().text.find("PQxT21"), std::string::npos);
    EXPECT_EQ(rows<PQXA30>().size(), 1u);
}

TEST_F(RelationTest, AnAccountWhoseOnlyDependantIsItsDetailsIsDeletedWithThem) {
    fetchAccount(300);
    ASSERT_EQ(ctx->relate<PQXA10>().Delete(false), LevelBenign) << messages.titles();
    auto details = rows<PQXC10>();
    ASSERT_EQ(details.size(), 1u);
    EXPECT_EQ(details[0].ACCNUMBER, 100);
    EXPECT_EQ(rows<PQXA10>().size(), 1u);
}

TEST_F(RelationTest, DeleteAsksFirstAndNoLeavesTheRecord) {
    fetchAccount(300);
    messages.answer(ButtonNo);
    EXPECT_EQ(ctx->relate<PQXA10>().Delete(true), LevelCancel);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Confirm Delete");
    EXPECT_EQ(rows<PQXA10>().size(), 2u);
    messages.answer(ButtonYes);
    EXPECT_EQ(ctx->relate<PQXA10>().Delete(true), LevelBenign);
    EXPECT_EQ(rows<PQXA10>().size(), 1u);
}

TEST_F(RelationTest, AnItemUsedByAPostedLineIsNotDeleted) {
    auto& a301 = ctx->access<PQXA301>();
    a301.rec.ITEMCODE = "COKE";
    ASSERT_EQ(a301.Fetch(PA301::ItemCodeKey), LevelBenign);
    EXPECT_EQ(ctx->relate<PQXA301>().Delete(false), LevelNotify);
    EXPECT_NE(messages.shown.at(0).text.find("PQxT21"), std::string::npos) << "item codes match whatever the case";
    EXPECT_EQ(rows<PQXA301>().size(), 1u);
}

TEST_F(RelationTest, AHeaderIsDeletedWithItsLines) {
    add<PQXT21>([](PQXT21& r) { r.DOCUMENTNO = 60; r.DETAILNUMBER = 9; });
    auto& t20 = ctx->access<PQXT20>();
    t20.rec.DOCUMENTNO = 50;
    ASSERT_EQ(t20.Fetch(PT20::DocumentNoKey), LevelBenign);
    ASSERT_EQ(ctx->relate<PQXT20>().Delete(false), LevelBenign);
    auto left = rows<PQXT21>();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].DOCUMENTNO, 60u);
    EXPECT_TRUE(rows<PQXT20>().empty());
}

TEST_F(RelationTest, AHeaderDeleteThatFailsHalfwayLeavesHeaderAndLines) {
    // The second line refuses to go, as a damaged or locked row would.
    ctx->access<PQXT21>().Close();
    ctx->access<PQXT20>().Close();
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((folder / "PQxT21.tps").c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                               "CREATE TRIGGER refuse BEFORE DELETE ON PQXT21 WHEN old.DETAILNUMBER = 2 "
                               "BEGIN SELECT RAISE(ABORT, 'row is damaged'); END",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    ctx->access<PQXT21>().Open();
    ctx->access<PQXT20>().Open();
    auto& t20 = ctx->access<PQXT20>();
    t20.rec.DOCUMENTNO = 50;
    ASSERT_EQ(t20.Fetch(PT20::DocumentNoKey), LevelBenign);
    messages.answer(ButtonYes);  // try again: fails again
    messages.answer(ButtonNo);
    EXPECT_EQ(ctx->relate<PQXT20>().Delete(false), LevelCancel);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].title, "Record Delete Error");
    EXPECT_EQ(rows<PQXT20>().size(), 1u);
    EXPECT_EQ(rows<PQXT21>().size(), 3u);
}

TEST_F(RelationTest, ANewDocumentNumberReachesPostedLinesButNotHistoryLines) {
    auto& t20 = ctx->access<PQXT20>();
    t20.rec.DOCUMENTNO = 50;
    ASSERT_EQ(t20.Fetch(PT20::DocumentNoKey), LevelBenign);
    t20.rec.DOCUMENTNO = 51;
    ASSERT_EQ(ctx->relate<PQXT20>().Update(), LevelBenign);
    for (const PQXT21& r : rows<PQXT21>()) EXPECT_EQ(r.DOCUMENTNO, 51u);

    add<PQXH20>([](PQXH20& r) { r.DOCUMENTNO = 50; });
    add<PQXH21>([](PQXH21& r) { r.DOCUMENTNO = 50; r.DETAILNUMBER = 1; });
    auto& h20 = ctx->access<PQXH20>();
    h20.rec.DOCUMENTNO = 50;
    ASSERT_EQ(h20.Fetch(PH20::DocumentNoKey), LevelBenign);
    h20.rec.DOCUMENTNO = 51;
    ASSERT_EQ(ctx->relate<PQXH20>().Update(), LevelBenign);
    EXPECT_EQ(rows<PQXH21>().at(0).DOCUMENTNO, 50u);
    // Deleting the history header takes its lines with it.
    add<PQXH21>([](PQXH21& r) { r.DOCUMENTNO = 51; r.DETAILNUMBER = 1; });
    h20.rec.DOCUMENTNO = 51;
    ASSERT_EQ(h20.Fetch(PH20::DocumentNoKey), LevelBenign);
    ASSERT_EQ(ctx->relate<PQXH20>().Delete(false), LevelBenign);
    ASSERT_EQ(rows<PQXH21>().size(), 1u);
    EXPECT_EQ(rows<PQXH21>()[0].DOCUMENTNO, 50u);
}

TEST_F(RelationTest, ACascadeOnARecordChangedElsewhereIsNotWritten) {
    Context other(folder.path());
    auto& theirs = use<PQXA10>(other);
    theirs.rec.ACCNUMBER = 100;
    ASSERT_EQ(theirs.Fetch(PA10::AccNumberKey), LevelBenign);
    fetchAccount(100);
    theirs.rec.ACCDESC = "Renamed";
    ASSERT_EQ(theirs.Update(), LevelBenign);

    auto& a10 = ctx->access<PQXA10>();
    a10.rec.ACCNUMBER = 200;
    EXPECT_EQ(ctx->relate<PQXA10>().Update(), LevelNotify);
    EXPECT_TRUE(messages.anyContains("changed by another station")) << messages.titles();
    EXPECT_EQ(a10.rec.ACCDESC, "Renamed");
    EXPECT_EQ(a10.rec.ACCNUMBER, 100);
    EXPECT_EQ(rows<PQXA30>().at(0).ACCNUMBER, 100);
}

TEST_F(RelationTest, ARelationCascadeRunsInsideTheCallersTransaction) {
    auto& t20 = ctx->access<PQXT20>();
    {
        auto tx = ctx->transaction<PQXT20, PQXT21>(std::chrono::seconds(1));
        ASSERT_TRUE(tx.active());
        t20.rec.DOCUMENTNO = 50;
        ASSERT_EQ(t20.Fetch(PT20::DocumentNoKey), LevelBenign);
        ASSERT_EQ(ctx->relate<PQXT20>().Delete(false), LevelBenign);
        EXPECT_TRUE(rows<PQXT21>().empty());
        tx.rollback();
    }
    EXPECT_EQ(rows<PQXT21>().size(), 3u) << "rolled back with the caller's transaction";
    // A cascade that needs a table the caller's transaction does not hold is refused.
    auto tx = ctx->transaction<PQXT20>(std::chrono::seconds(1));
    t20.rec.DOCUMENTNO = 50;
    ASSERT_EQ(t20.Fetch(PT20::DocumentNoKey), LevelBenign);
    EXPECT_EQ(ctx->relate<PQXT20>().Delete(false), LevelNotify);
    EXPECT_TRUE(messages.anyTitled("Transaction cancelled")) << messages.titles();
}

TEST_F(RelationTest, OpeningThroughTheRelationManagerRegistersRelatedTables) {
    Context fresh(folder.path());
    fresh.relate<PQXT20>().Open();
    EXPECT_EQ(fresh.access<PQXT21>().useCount(), 1);
    EXPECT_EQ(fresh.access<PQXA10>().useCount(), 1);
    EXPECT_EQ(fresh.access<PACS10>().useCount(), 0);
    fresh.relate<PQXT20>().Close();
    EXPECT_EQ(fresh.access<PQXT21>().useCount(), 0);
}

}  // namespace
}  // namespace tavlo
