// The demo data: a shop can sell from it, and it never overwrites a shop's data.
#include "data/demo_data.h"

#include <algorithm>

#include "storage_fixture.h"

namespace tavlo {
namespace {

class DemoDataTest : public StorageTest {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(fillDemoData(folder.path(), &error)) << error;
        for (const TableDef* t : dictionaryTables()) ctx->access(*t).Open();
    }
    bool accountExists(std::uint16_t number) {
        auto& a10 = ctx->access<PQXA10>();
        a10.clearBuffer();
        a10.rec.ACCNUMBER = number;
        return number != 0 && a10.Fetch(PA10::AccNumberKey) == LevelBenign;
    }
    // The way the till finds an item's sales account.
    std::uint16_t salesAccountOf(const PQXA301& item) {
        if (item.NOTSTOCKITEM) return item.SALESACCOUNT;
        auto& a30 = ctx->access<PQXA30>();
        a30.rec.ACCNUMBER = item.ACCNUMBER;
        if (a30.Fetch(PA30::AccNumberKey) != LevelBenign) return 0;
        auto& a40 = ctx->access<PQXA40>();
        a40.rec.TRADACCNUMBER = a30.rec.TRADACCNUMBER;
        if (a40.Fetch(PA40::TradAccNumberKey) != LevelBenign) return 0;
        auto& a10 = ctx->access<PQXA10>();
        a10.clearBuffer();
        a10.rec.TRADACCNUMBER = a40.rec.TRADACCNUMBER;
        a10.SetFrom(PA10::TradAccNumberKey);
        std::uint16_t sales = 0;
        while (a10.Next() == LevelBenign && a10.rec.TRADACCNUMBER == a40.rec.TRADACCNUMBER)
            if (a10.rec.TRADTYPENUMBER == 4) sales = a10.rec.ACCNUMBER;
        return sales;
    }
};

TEST_F(DemoDataTest, EveryItemSellsToAnExistingAccountWithAKnownVatCode) {
    auto items = all<PQXA301>(*ctx);
    ASSERT_GE(items.size(), 6u);
    bool stock = false, nonStock = false, inclusive = false, exclusive = false;
    for (const PQXA301& item : items) {
        SCOPED_TRACE(item.ITEMCODE);
        EXPECT_TRUE(accountExists(salesAccountOf(item)));
        EXPECT_GT(item.POSSELLINGPRICE, Decimal(0));
        auto& v01 = ctx->access<PQXV01>();
        v01.rec.VATCODE = item.VATCODE;
        ASSERT_EQ(v01.Fetch(PV01::VatCodeKey), LevelBenign);
        EXPECT_TRUE(accountExists(v01.rec.ACCNUMBER));
        (item.NOTSTOCKITEM ? nonStock : stock) = true;
        (item.VATSTATUS == "I" ? inclusive : exclusive) = true;
    }
    EXPECT_TRUE(stock && nonStock && inclusive && exclusive);
}

TEST_F(DemoDataTest, TheTillFindsItsAccountsPasswordsAndCompany) {
    auto specs = all<PQXS10>(*ctx);
    ASSERT_EQ(specs.size(), 1u);
    for (std::uint16_t acc : {specs[0].POSACCNUMBER, specs[0].POSDIRECTACC, specs[0].POSDISCACC})
        EXPECT_TRUE(accountExists(acc)) << acc;
    EXPECT_EQ(specs[0].DATEPASS, DemoPasswords::supervisor);
    auto company = all<PACS10>(*ctx);
    ASSERT_EQ(company.size(), 1u);
    EXPECT_EQ(company[0].USERNUMBER, 1);
    EXPECT_FALSE(company[0].PREFIX.empty());
    EXPECT_EQ(all<PQXO10>(*ctx).size(), 2u);
    EXPECT_EQ(all<PQXC11>(*ctx).size(), 2u);

    std::vector<std::string> rates;
    for (const PQXV01& v : all<PQXV01>(*ctx)) rates.push_back(v.VATRATE.toString(1) + (v.REBATE ? "R" : ""));
    std::sort(rates.begin(), rates.end());
    EXPECT_EQ(rates, (std::vector<std::string>{"0.0", "15.0", "15.0R"}));
    // Debtors (account type 11) each have their details.
    int debtors = 0;
    for (const PQXA10& a : all<PQXA10>(*ctx))
        if (a.ACCOUNTTYPE == Decimal(11)) {
            ++debtors;
            auto& c10 = ctx->access<PQXC10>();
            c10.clearBuffer();
            c10.rec.ACCNUMBER = a.ACCNUMBER;
            EXPECT_EQ(c10.Fetch(PC10::AccNumberKey), LevelBenign) << a.ACCNUMBER;
        }
    EXPECT_EQ(debtors, 2);
    EXPECT_TRUE(all<PQXT20>(*ctx).empty());
    EXPECT_TRUE(messages.shown.empty()) << messages.titles();
}

TEST_F(DemoDataTest, AFolderWithDataIsNeverOverwritten) {
    std::string error;
    EXPECT_FALSE(fillDemoData(folder.path(), &error));
    EXPECT_NE(error.find("already holds"), std::string::npos) << error;
}

}  // namespace
}  // namespace tavlo
