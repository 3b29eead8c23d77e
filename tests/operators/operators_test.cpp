// Operators and their passwords, the till's log-in, and the company details window.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "data/file_manager.h"
#include "operators/sup_password.h"
#include "operators/audit.h"
#include "test_runtime.h"
#include "operators/operators.h"
#include "operators/passwords.h"
#include "operators/user_details.h"
#include "pos/payment.h"
#include "pos/till_state.h"
#include "state/globals.h"
#include "support.h"

namespace tavlo {
namespace {

using namespace std::chrono_literals;

template <class T>
std::vector<T> records(Context& ctx) {
    auto& f = ctx.access<T>();
    f.clearBuffer();
    f.SetFileOrder();
    std::vector<T> out;
    while (f.next() == ErrNone) out.push_back(f.rec);
    return out;
}

class Operators : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = std::make_shared<Context>(folder_.path());
        for (const TableDef* t : {&PQXO10::table(), &PQXS10::table(), &PACS10::table()}) ctx_->access(*t).UseFile();
        auto tx = ctx_->transaction<PQXO10, PQXS10>(5s);
        ASSERT_TRUE(tx.active());
        auto& o10 = ctx_->access<PQXO10>();
        const char* ops[][3] = {{"OP1", "Anna", "anna1"}, {"OP2", "Ben", ""}, {"OP3", "Carla", "Secret"}};
        for (const auto& op : ops) {
            o10.clearBuffer();
            o10.rec.OPERATORNO = op[0];
            o10.rec.NAME = op[1];
            o10.rec.PASSWORD = op[2];
            ASSERT_EQ(o10.add(), ErrNone);
        }
        auto& s10 = ctx_->access<PQXS10>();
        s10.clearBuffer();
        s10.rec.SPECNUMBER = 1;
        s10.rec.DATEPASS = "Boss 1";
        ASSERT_EQ(s10.add(), ErrNone);
        ASSERT_TRUE(tx.commit());
    }
    void TearDown() override { ctx_.reset(); }
    template <class P>
    TestWindow open(P& p) {
        p.setContext(ctx_);
        return rt_.open(p);
    }
    void pickOperator(int row) {
        rt_.onOpen("SelectOperators", [row](TestWindow& s) {
            s.selectRow("List", row);
            s.press("Select");
        });
    }
    void setDatePass(const std::string& pass) {
        auto& s10 = ctx_->access<PQXS10>();
        s10.clearBuffer();
        s10.SetFileOrder();
        ASSERT_EQ(s10.next(), ErrNone);
        s10.rec.DATEPASS = pass;
        ASSERT_EQ(s10.put(), ErrNone);
    }
    bool ran(const std::string& name) const { return std::count(rt_.ran.begin(), rt_.ran.end(), name) > 0; }

    support::TempFolder folder_;
    support::ProgramStateGuard state_;
    std::shared_ptr<Context> ctx_;
    TestRuntime rt_;
};

// ---- OperatorPassword -------------------------------------------------------------------------

TEST_F(Operators, LogInOpensTheTillForTheChosenOperator) {
    OperatorPassword login;
    auto w = open(login);
    EXPECT_EQ(w.window().title, "Operator Password");
    EXPECT_EQ(w["Name"].tip, "The operator name");
    EXPECT_EQ(w.window().focus, w.window().find("Name")) << "a cashier starts by typing her name";
    pickOperator(2);
    w.press("SelectOperatorButton");
    EXPECT_EQ(w.window().focus, w.window().find("Password"));
    EXPECT_EQ(ctx_->OPERATOR, "OP3");
    EXPECT_EQ(w.text("Name"), "Carla");
    w.type("Password", "Secret   ");  // trailing blanks do not count
    EXPECT_TRUE(login.passwordOk());
    w.press("OK");
    EXPECT_TRUE(ran("BrowsePointOfSale"));
    EXPECT_FALSE(w.isOpen());
    EXPECT_EQ(ctx_->OPERATOR, "OP3");
}

struct LoginCase {
    int row;             // operator picked; -1 none
    const char* typed;
    bool accepted;
};

TEST_F(Operators, PasswordsAreComparedCaseSensitivelyAndTheMasterPasswordIsNotOne) {
    const LoginCase cases[] = {
        {0, "anna1", true}, {0, "Anna1", false}, {0, "anna", false}, {0, "KVT", false},
        {1, "", true},      {1, "x", false},     {2, "secret", false}, {-1, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + " '" + c.typed + "'");
        ctx_->access<PQXO10>().clearBuffer();
        rt_.messages.clear();
        rt_.ran.clear();
        OperatorPassword login;
        auto w = open(login);
        if (c.row >= 0) {
            pickOperator(c.row);
            w.press("SelectOperatorButton");
        }
        w.type("Password", c.typed);
        EXPECT_EQ(login.passwordOk(), c.accepted);
        EXPECT_EQ(rt_.messages.size(), c.accepted ? 0u : 1u);
        if (!c.accepted) {
            EXPECT_EQ(rt_.messages[0].title, "Warning!");
            EXPECT_EQ(rt_.messages[0].text, c.row < 0 ? "Unknown operator: type an operator's name or number, or pick one with ..."
                                                      : "The password is incorrect ...");
            EXPECT_TRUE(w.isOpen());
            EXPECT_EQ(w.focused(), w.control("Password"));
        }
        w.press("OK");
        EXPECT_EQ(ran("BrowsePointOfSale"), c.accepted);
        EXPECT_FALSE(w.isOpen());
    }
}

TEST_F(Operators, APasswordProvedForOneOperatorDoesNotOpenTheTillForAnother) {
    OperatorPassword login;
    auto w = open(login);
    pickOperator(1);
    w.press("SelectOperatorButton");
    w.type("Password", "");
    ASSERT_TRUE(login.passwordOk());
    pickOperator(0);
    w.press("SelectOperatorButton");
    EXPECT_FALSE(login.passwordOk());
    w.press("OK");
    EXPECT_FALSE(ran("BrowsePointOfSale"));
}

TEST_F(Operators, TypingTheNameChoosesTheOperator) {
    OperatorPassword login;
    auto w = open(login);
    w.type("Name", "anna");
    EXPECT_EQ(ctx_->OPERATOR, "OP1");
    w.type("Password", "anna1");
    EXPECT_TRUE(login.passwordOk());
    w.type("Name", "Nobody");
    w.type("Password", "");
    EXPECT_FALSE(login.passwordOk());
}

TEST_F(Operators, TwoLogInWindowsKeepTheirOwnOperator) {
    OperatorPassword first;
    auto a = open(first);
    pickOperator(2);
    a.press("SelectOperatorButton");
    ASSERT_EQ(ctx_->OPERATOR, "OP3");
    // A second till's log-in on a context of its own: typing a name there changes nothing here.
    auto other = std::make_shared<Context>(folder_.path());
    other->access<PQXO10>().UseFile();
    OperatorPassword second;
    second.setContext(other);
    auto b = rt_.open(second);
    b.type("Name", "anna");
    EXPECT_EQ(other->OPERATOR, "OP1");
    EXPECT_EQ(ctx_->OPERATOR, "OP3");
    b.press("Cancel");
    a.press("Cancel");
    other->access<PQXO10>().Close();
}

TEST_F(Operators, CancelKeepsTheChosenOperator) {
    OperatorPassword login;
    auto w = open(login);
    pickOperator(1);
    w.press("SelectOperatorButton");
    w.press("Cancel");
    EXPECT_FALSE(w.isOpen());
    EXPECT_EQ(ctx_->OPERATOR, "OP2");
    EXPECT_FALSE(ran("BrowsePointOfSale"));
}

TEST_F(Operators, SelectOperatorsListsThemInRecordOrder) {
    ctx_->access<PQXO10>().Open();
    SelectOperators pick;
    auto w = open(pick);
    EXPECT_EQ(w.window().format(w.control("List")), "16L(2)|M~No~@s3@100L(2)|M~Name~@s25@");
    auto& list = *w.window().listOf(w.control("List"));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(valueText(list.rows()[2][1]), "Carla");
    w.press("Cancel");
    EXPECT_EQ(pick.response(), Response::Cancelled);
    ctx_->access<PQXO10>().Close();
}

// ---- OperatorsSupPassword and CreateOperators -------------------------------------------------

struct SupCase {
    const char* stored;
    const char* typed;
    bool opens;
};

TEST_F(Operators, OperatorListNeedsTheSupervisorOrMasterPassword) {
    const SupCase cases[] = {{"Boss 1", "Boss 1", true}, {"Boss 1", "KVT", true},   {"Boss 1", "kvt", false},
                             {"Boss 1", "Boss", false},  {"", "", true},            {"   ", "", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.stored) + " / " + c.typed);
        setDatePass(c.stored);
        rt_.ran.clear();
        rt_.messages.clear();
        OperatorsSupPassword prompt;
        auto w = open(prompt);
        EXPECT_EQ(w.window().title, "SUP Password");
        w.type("Password", c.typed);
        EXPECT_EQ(rt_.messages.size(), c.opens ? 0u : 1u);
        w.press("OK");
        EXPECT_EQ(ran("CreateOperators"), c.opens);
        EXPECT_FALSE(w.isOpen());
    }
}

TEST_F(Operators, OperatorsAreEditedInTheList) {
    rt_.onOpen("CreateOperators", [this](TestWindow& w) {
        EXPECT_EQ(w.window().format(w.control("List")), "16L(2)|M~No~@s3@100L(2)|M~Name~@s25@40L(2)|M~Password~@s10@");
        auto& list = *w.window().listOf(w.control("List"));
        EXPECT_EQ(valueText(list.rows()[0][2]), "********") << "a password is never shown";
        EXPECT_EQ(valueText(list.rows()[1][2]), "") << "no password set";
        w.insert("List");
        w.edit("List", "OP4", Key::of(Key::Tab));
        w.edit("List", "Dawid", Key::of(Key::Tab));
        rt_.messageAnswers.push_back(ButtonYes);
        w.edit("List", "pass4", Key::of(Key::Enter));
        w.selectRow("List", 1);
        w.press("Change");
        w.edit("List", "OP2", Key::of(Key::Tab));
        w.edit("List", "Benjamin", Key::of(Key::Down));  // saved, next row
        w.edit("List", "Carla", Key::of(Key::Esc));
        w.selectRow("List", 0);
        rt_.messageAnswers.push_back(ButtonYes);
        w.press("Delete");
        w.press("Cancel");  // rows were stored as they were completed
    });
    OperatorsSupPassword prompt;
    auto w = open(prompt);
    w.type("Password", "KVT");
    w.press("OK");
    std::vector<PQXO10> ops = records<PQXO10>(*ctx_);
    ASSERT_EQ(ops.size(), 3u);
    EXPECT_EQ(ops[0].NAME, "Benjamin");
    EXPECT_EQ(ops[1].NAME, "Carla");
    EXPECT_EQ(ops[2].OPERATORNO, "OP4");
    EXPECT_EQ(ops[2].PASSWORD, "pass4");
    EXPECT_EQ(ops[1].PASSWORD, "Secret") << "a row changed without touching the mask keeps its password";
}

// ---- UserDetails ------------------------------------------------------------------------------

class CompanyDetails : public Operators {};

TEST_F(CompanyDetails, ATillOpenedBeforeUserDetailsSharesItsOneRecord) {
    {
        TillState till(*ctx_);
        ASSERT_TRUE(till.Open());  // a new folder: the till stores its sales number
    }
    ASSERT_EQ(records<PACS10>(*ctx_).size(), 1u);
    UserDetails form;
    auto w = open(form);
    EXPECT_TRUE(form.found()) << "the record the till made";
    w.type("UserName", "Corner Cafe");
    w.type("Prefix", "Q");
    w.press("OK");
    std::vector<PACS10> rows = records<PACS10>(*ctx_);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].PREFIX, "Q");
    TillState till(*ctx_);
    ASSERT_TRUE(till.Open());
    EXPECT_EQ(till.CS10.PREFIX, "Q") << "what User Details wrote reaches the till";
    EXPECT_EQ(till.CS10.USERNAME, "Corner Cafe");
    EXPECT_EQ(till.LOC.SALESNUMBER, 2);
}

TEST_F(CompanyDetails, EmptyTableGetsItsFirstRecordOnOk) {
    UserDetails form;
    auto w = open(form);
    EXPECT_FALSE(form.found());
    EXPECT_FALSE(w.visible("Discount"));
    w.type("UserName", "Corner Cafe");
    w.type("Prefix", "B");  // one letter is enough
    w.type("LastDoc", "500");
    w.press("OK");
    EXPECT_FALSE(w.isOpen());
    std::vector<PACS10> rows = records<PACS10>(*ctx_);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].USERNUMBER, 1);
    EXPECT_EQ(rows[0].USERNAME, "Corner Cafe");
    EXPECT_EQ(rows[0].PREFIX, "B");
    EXPECT_EQ(rows[0].LASTDOCNR, 500u);
}

TEST_F(CompanyDetails, PrefixIsCompulsory) {
    for (const char* prefix : {"", "   "}) {
        rt_.messages.clear();
        UserDetails form;
        auto w = open(form);
        w.type("Prefix", prefix);
        w.press("OK");
        ASSERT_EQ(rt_.messages.size(), 1u);
        EXPECT_EQ(rt_.messages[0].title, "Warning");
        EXPECT_EQ(rt_.messages[0].text, "Prefix is compulsory. Please supply workstation ID");
        EXPECT_EQ(rt_.messages[0].icon, Icon::None);
        EXPECT_TRUE(w.isOpen());
        EXPECT_EQ(w.focused(), w.control("Prefix"));
        w.press("Cancel");
    }
    EXPECT_TRUE(records<PACS10>(*ctx_).empty());
    GLO.LANGUAGENO = kAfrikaans;
    UserDetails form;
    auto w = open(form);
    w.press("OK");
    EXPECT_EQ(rt_.messages.back().title, "Waarskuwing");
    EXPECT_EQ(rt_.messages.back().text, "Voorvoegsel is verpligtend. Verskaf asb. 'n werkstasie ID");
    w.press("Cancel");
}

TEST_F(CompanyDetails, ExistingRecordIsWrittenBackAndHappyHourKeepsTheDiscount) {
    {
        auto& cs = ctx_->access<PACS10>();
        cs.clearBuffer();
        cs.rec.USERNUMBER = 1;
        cs.rec.PREFIX = "A";
        cs.rec.HAPPYHOUR = 1;
        cs.rec.DISCOUNT = Decimal(15);
        cs.rec.SALESNUMBER = 42;
        cs.rec.CELNUMBER = "082 555 0101";
        ASSERT_EQ(cs.add(), ErrNone);
    }
    UserDetails form;
    auto w = open(form);
    EXPECT_TRUE(form.found());
    EXPECT_TRUE(w.visible("Discount"));
    EXPECT_EQ(w.text("Discount"), "15.00");
    w.tick("HappyHour", false);
    EXPECT_FALSE(w.visible("Discount"));
    EXPECT_FALSE(w.visible("DiscountPrompt"));
    w.type("CashFloat", "500.00");
    w.press("OK");
    std::vector<PACS10> rows = records<PACS10>(*ctx_);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].HAPPYHOUR, 0);
    EXPECT_EQ(rows[0].DISCOUNT, Decimal(15));  // kept while hidden
    EXPECT_EQ(rows[0].CASHFLOAT, Decimal(500));
    EXPECT_EQ(rows[0].SALESNUMBER, 42);  // not on the window: untouched
    EXPECT_EQ(rows[0].CELNUMBER, "082 555 0101");
}

TEST_F(CompanyDetails, ARecordChangedMeanwhileIsNotAddedASecondTime) {
    {
        auto& cs = ctx_->access<PACS10>();
        cs.clearBuffer();
        cs.rec.USERNUMBER = 1;
        cs.rec.PREFIX = "A";
        cs.rec.LASTDOCNR = 10;
        ASSERT_EQ(cs.add(), ErrNone);
    }
    UserDetails form;
    auto w = open(form);
    {
        // A till posts meanwhile and raises the counter.
        Context other(folder_.path());
        auto& cs = other.access<PACS10>();
        cs.UseFile();
        cs.clearBuffer();
        cs.SetFileOrder();
        ASSERT_EQ(cs.next(), ErrNone);
        cs.rec.LASTDOCNR = 11;
        ASSERT_EQ(cs.put(), ErrNone);
        cs.Close();
    }
    w.type("UserName", "Renamed");
    w.press("OK");
    EXPECT_EQ(records<PACS10>(*ctx_).size(), 1u);
    EXPECT_FALSE(rt_.messages.empty());  // the operator is told
    if (w.isOpen()) w.press("Cancel");
}

TEST_F(CompanyDetails, CancelWritesNothing) {
    UserDetails form;
    auto w = open(form);
    w.type("Prefix", "Q");
    w.press("Cancel");
    EXPECT_TRUE(records<PACS10>(*ctx_).empty());
}

// ---- The master password ----------------------------------------------------------------------

struct MasterStep {
    const char* change;  // nullptr: as delivered; "": switched off; else the owner's new password
    std::vector<std::pair<const char*, bool>> typed;  // typed at the supervisor prompt, and whether it opens
};

TEST_F(Operators, MasterPasswordIsTheDefaultUntilTheOwnerChangesOrSwitchesItOff) {
    const MasterStep steps[] = {
        {nullptr, {{"KVT", true}, {"KVT  ", true}, {"kvt", false}, {"Boss 1", true}}},
        {"Owner 9", {{"KVT", false}, {"Owner 9", true}, {"Owner 9  ", true}, {"owner 9", false}, {"Boss 1", true}}},
        {"", {{"KVT", false}, {"Owner 9", false}, {"off", false}, {"Boss 1", true}}},
    };
    for (const auto& step : steps) {
        if (step.change) {
            ASSERT_TRUE(*step.change ? setMasterPassword(folder_.path(), step.change) : switchOffMasterPassword(folder_.path()));
        }
        for (const auto& [typed, opens] : step.typed) {
            SCOPED_TRACE(std::string(step.change ? step.change : "(default)") + " / typed " + typed);
            std::uint8_t ok = 0;
            SupPassword prompt(ok, "Boss 1");
            auto w = open(prompt);
            w.type("Password", typed);
            w.press("OK");
            EXPECT_EQ(ok == 1, opens);
            EXPECT_EQ(prompt.masterUsed(), opens && !samePassword(typed, "Boss 1"));
        }
    }
    // Kept salted and hashed, never as typed.
    std::ifstream in(folder_ / "Tavlo.Ini");
    const std::string ini((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(ini.find("Owner 9"), std::string::npos);
    EXPECT_FALSE(setMasterPassword(folder_.path(), "   ")) << "a blank master password is refused";
}

TEST_F(CompanyDetails, OwnerChangesTheMasterPasswordWithTheSupervisorPasswordOnly) {
    auto supervisor = [this](const char* password) {
        rt_.onOpen("SupPassword", [password](TestWindow& p) {
            p.type("Password", password);
            p.press("OK");
        });
    };
    UserDetails form;
    auto w = open(form);
    supervisor("KVT");
    w.press("MasterPassword");
    EXPECT_FALSE(ran("MasterPassword")) << "the master password does not change itself";
    ASSERT_EQ(rt_.messages.size(), 1u);
    EXPECT_EQ(rt_.messages[0].text, "The master password cannot change itself: type the supervisor's password.");

    supervisor("Boss 1");
    rt_.onOpen("MasterPassword", [this](TestWindow& m) {
        EXPECT_EQ(m.text("State"), "The master password is the one the program came with.");
        m.type("Password", "Owner 9");
        m.type("Repeat", "Owner 8");
        m.press("OK");
        EXPECT_TRUE(m.isOpen());
        EXPECT_EQ(rt_.messages.back().text, "The two passwords differ: type them again.");
        m.type("Repeat", "Owner 9");
        m.press("OK");
    });
    w.press("MasterPassword");
    EXPECT_EQ(masterPasswordState(folder_.path()), MasterState::Own);
    EXPECT_TRUE(masterPasswordAccepts(folder_.path(), "Owner 9"));
    EXPECT_FALSE(masterPasswordAccepts(folder_.path(), "KVT"));

    rt_.onOpen("MasterPassword", [](TestWindow& m) {
        EXPECT_EQ(m.text("State"), "The master password was set by the owner.");
        m.tick("Off", true);
        EXPECT_FALSE(m.enabled("Password"));
        m.press("OK");
    });
    w.press("MasterPassword");
    EXPECT_EQ(masterPasswordState(folder_.path()), MasterState::Off);
    EXPECT_FALSE(masterPasswordAccepts(folder_.path(), "Owner 9"));

    std::vector<PQXAUDIT> audit;
    auto& a = ctx_->access<PQXAUDIT>();
    a.UseFile();
    a.clearBuffer();
    a.SetFileOrder();
    while (a.next() == ErrNone) audit.push_back(a.rec);
    a.Close();
    ASSERT_EQ(audit.size(), 2u);
    EXPECT_EQ(audit[0].ACTION, static_cast<int>(AuditAction::MasterChanged));
    EXPECT_EQ(audit[0].NEWVALUE, "changed");
    EXPECT_EQ(audit[1].NEWVALUE, "off");
}

}  // namespace
}  // namespace tavlo
