// View filter expressions over records and bound variables.
#include <gtest/gtest.h>

#include "data/filter.h"
#include "data/tables.h"

namespace tavlo {
namespace {

struct Case {
    const char* text;
    bool expected;
};

TEST(Filter, EvaluatesAgainstARecordAndBoundVariables) {
    PQXT21 row;
    row.DOCUMENTNO = 1234;
    row.DESCRIPTION = "Bread  ";
    row.CREDIT = Decimal::of("20.00");
    row.VATCODE = "01";
    row.ACCNUMBER = 1000;
    std::uint32_t docNumber = 1234;
    std::string code = "01";
    FilterVariables vars;
    vars.bind("Loc:DocNumber", &docNumber);
    vars.bind("LOC:CODE", &code);
    vars.bindValue("Glo:Limit", Decimal::of("19.995"));

    const Case cases[] = {
        {"PT21:DocumentNo = Loc:DocNumber", true},
        {"pt21:documentno <> loc:docnumber", false},
        {"DOCUMENTNO = 1234", true},
        {"(PT21:Credit = 20)", true},
        {"PT21:Credit > Glo:Limit AND PT21:VatCode = Loc:Code", true},
        {"PT21:Credit > 20 OR PT21:Description = 'Bread'", true},
        {"NOT PT21:Description = 'Bread'", false},
        {"~(PT21:AccNumber = 1000)", false},
        {"PT21:Description ~= 'BREAD'", true},
        {"PT21:Description = 'BREAD'", false},
        {"PT21:VatCode = '01' AND PT21:ItemCode = ''", true},
        {"PT21:Credit * 2 - 1 = 39", true},
        {"PT21:AccNumber >= 1000 & PT21:AccNumber < 1001", true},
        {"PT21:Description = \"Bread\" | 0", true},
        {"PT21:Debit", false},
        {"PT21:Credit", true},
        {"-PT21:Credit < 0", true},
        {"", true},
        {"'It''s' = 'It''s'", true},
    };
    for (const Case& c : cases) {
        std::string error;
        auto f = Filter::compile(PQXT21::table(), c.text, vars, &error);
        ASSERT_TRUE(f.has_value()) << c.text << ": " << error;
        EXPECT_EQ(f->matches(&row), c.expected) << c.text;
    }
    // Variables are read when the filter is evaluated.
    auto f = Filter::compile(PQXT21::table(), "PT21:DocumentNo = Loc:DocNumber", vars);
    docNumber = 7;
    EXPECT_FALSE(f->matches(&row));
}

TEST(Filter, ABadExpressionIsAnErrorNotACrash) {
    FilterVariables vars;
    for (const char* text : {"PT21:DocumentNo =", "(PA10:AccountType = 11", "PT21:Nothing = 1", "Loc:Unbound = 2",
                             "PT21:Description = 'open", "1 = 1 2", "= 3", "PT21:DocumentNo == 1", "1.2.3 = 1", ")"}) {
        std::string error;
        EXPECT_FALSE(Filter::compile(PQXT21::table(), text, vars, &error).has_value()) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(Filter, OverflowingArithmeticAndDeepNestingAreErrorsNotCrashes) {
    FilterVariables vars;
    const std::string deep(10000, '(');
    for (const std::string& text :
         {std::string("888888888888888888888888*88888888888888/88888."), std::string("99999999999999999999*99999999999999999999 = 1"),
          deep, deep + "1" + std::string(10000, ')'), std::string(10000, '-') + "1", std::string(5000, '~') + "1",
          [] {
              std::string chain = "PT21:Credit";  // a field: nothing to work out beforehand
              for (int i = 0; i < 20000; ++i) chain += "+PT21:Credit";
              return chain;
          }()}) {
        std::string error;
        EXPECT_FALSE(Filter::compile(PQXT21::table(), text, vars, &error).has_value()) << text.substr(0, 40);
        EXPECT_FALSE(error.empty()) << text.substr(0, 40);
    }
    // Nesting an operator would write still works.
    std::string error;
    auto nested = Filter::compile(PQXT21::table(), std::string(50, '(') + "1 = 1" + std::string(50, ')'), vars, &error);
    ASSERT_TRUE(nested.has_value()) << error;
    EXPECT_TRUE(nested->matches(nullptr));

    // A record's value that overflows the arithmetic: the record does not pass, with a reason.
    PQXT21 row;
    row.CREDIT = Decimal::of("999999999999999999.99");
    auto f = Filter::compile(PQXT21::table(), "PT21:Credit * PT21:Credit * PT21:Credit > 0", vars, &error);
    ASSERT_TRUE(f.has_value()) << error;
    error.clear();
    EXPECT_FALSE(f->matches(&row, &error));
    EXPECT_FALSE(error.empty());
    row.CREDIT = Decimal(2);
    error.clear();
    EXPECT_TRUE(f->matches(&row, &error));
    EXPECT_TRUE(error.empty());
}

TEST(Filter, TheFiltersTheWindowsUse) {
    PQXA10 account;
    account.ACCOUNTTYPE = Decimal::of("11.0");
    FilterVariables none;
    EXPECT_TRUE(Filter::compile(PQXA10::table(), "(PA10:AccountType = 11)", none)->matches(&account));
    account.ACCOUNTTYPE = Decimal::of("1.1");
    EXPECT_FALSE(Filter::compile(PQXA10::table(), "(PA10:AccountType = 11)", none)->matches(&account));

    PQXV61 tab;
    tab.SALESNUMBER = 4;
    std::uint16_t sales = 4;
    FilterVariables vars;
    vars.bind("Loc:SalesNumber", &sales);
    EXPECT_TRUE(Filter::compile(PQXV61::table(), "PV61:SalesNumber = Loc:SalesNumber", vars)->matches(&tab));
}

}  // namespace
}  // namespace tavlo
