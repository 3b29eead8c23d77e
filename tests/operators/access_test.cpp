// The access layer: salted hashes in the users file, log-in and its refusals, rights per
// procedure, the rights editor.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <sqlite3.h>

#include <functional>

#include "test_runtime.h"
#include "operators/access.h"
#include "support.h"

using namespace tavlo;

namespace {

class Access : public ::testing::Test {
protected:
    void SetUp() override {
        access.useFolder(folder.path());
        access.CreSec();
    }
    void TearDown() override { access.CloseTables(); }
    void loginScript(std::vector<std::pair<std::string, std::string>> tries) {
        auto shared = std::make_shared<std::vector<std::pair<std::string, std::string>>>(std::move(tries));
        rt.onOpen("AccessLogin", [shared](TestWindow& w) {
            if (shared->empty()) {
                w.press("Cancel");
                return;
            }
            auto [user, password] = shared->front();
            shared->erase(shared->begin());
            w.type("User", user);
            w.type("Password", password);
            w.press("OK");
        });
    }
    support::TempFolder folder;
    AccessControl access;
    TestRuntime rt;
};

}  // namespace

TEST_F(Access, PasswordsAreKeptOnlyAsSaltedHashes) {
    ASSERT_TRUE(access.addUser("anna", "Anna", "correct horse", true));
    ASSERT_TRUE(access.addUser("ben", "Ben", "correct horse", false));
    access.CloseTables();
    std::ifstream in(folder / "TavloUsers.db", std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    std::string bytes = all.str();
    EXPECT_EQ(bytes.find("correct horse"), std::string::npos);
    // Same password, two different hashes: each has its own salt.
    auto first = bytes.find("$argon2id$");
    ASSERT_NE(first, std::string::npos);
    auto second = bytes.find("$argon2id$", first + 1);
    ASSERT_NE(second, std::string::npos);
    EXPECT_NE(bytes.substr(first, 90), bytes.substr(second, 90));
    EXPECT_TRUE(access.check("ANNA", "correct horse"));  // user names ignore case
    EXPECT_FALSE(access.check("anna", "Correct horse"));
}

TEST_F(Access, FirstStartAsksForTheFirstUserWhoGetsEveryRight) {
    rt.onOpen("AccessFirstUser", [](TestWindow& w) {
        w.type("User", "boss");
        w.type("Password", "pw1");
        w.type("Repeat", "pw2");
        w.press("OK");  // the two differ: asked again
        w.type("Repeat", "pw1");
        w.press("OK");
    });
    long handle = access.LoginText(rt, "Tavlo v5 | Main");
    ASSERT_NE(handle, 0);
    ASSERT_EQ(rt.messages.size(), 1u);
    EXPECT_EQ(rt.messages[0].text, "The two passwords differ.");
    EXPECT_EQ(access.UserAllowed(handle, "Main"), std::string(251, '1'));
    EXPECT_EQ(access.UserAllowed(handle, "Anything").substr(0, 3), "111");
    access.Logout(handle);
    EXPECT_EQ(access.UserAllowed(handle, "Main")[0], '0');
}

TEST_F(Access, CancellingTheFirstUserCancelsTheLogIn) {
    rt.onOpen("AccessFirstUser", [](TestWindow& w) { w.press("Cancel"); });
    EXPECT_EQ(access.LoginText(rt, "Tavlo v5 | Main"), 0);
    EXPECT_TRUE(access.users().empty());
}

TEST_F(Access, LogIn) {
    access.addUser("anna", "", "pw", true);
    struct Case {
        std::vector<std::pair<std::string, std::string>> tries;
        bool in;
        std::size_t refusals;
    } cases[] = {
        {{{"anna", "pw"}}, true, 0},
        {{{"anna", "bad"}, {"anna", "pw"}}, true, 1},
        {{{"x", "pw"}, {"anna", "PW"}, {"anna", "nope"}}, false, 3},  // three tries, then it gives up
        {{}, false, 0},                                               // cancelled
    };
    for (const auto& c : cases) {
        rt.messages.clear();
        loginScript(c.tries);
        long handle = access.LoginText(rt, "Tavlo v5 | Main");
        EXPECT_EQ(handle != 0, c.in);
        EXPECT_EQ(rt.messages.size(), c.refusals);
        for (const auto& m : rt.messages) EXPECT_EQ(m.text, "Wrong user name or password.");
    }
}

TEST_F(Access, AfterAWrongPasswordTheUserNameStandsAndThePasswordHasTheFocus) {
    access.addUser("anna", "", "pw", true);
    std::vector<std::pair<std::string, int>> seen;  // the user name shown, the focused control
    int tries = 0;
    rt.onOpen("AccessLogin", [&](TestWindow& w) {
        seen.emplace_back(w.text("User"), w.focused() == w.control("Password"));
        w.type("User", "anna");
        w.type("Password", ++tries == 1 ? "nope" : "pw");
        w.press("OK");
    });
    EXPECT_NE(access.LoginText(rt, "Tavlo v5 | Main"), 0);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].second, 0);
    EXPECT_EQ(seen[1], (std::pair<std::string, int>{"anna", 1}));
}

TEST_F(Access, RightsPerUserAndProcedure) {
    access.addUser("anna", "", "pw", true);
    access.addUser("ben", "", "pw", false);
    auto ben = *access.check("ben", "pw");
    long h = access.loginAs(ben);
    EXPECT_EQ(access.UserAllowed(h, "Main")[0], '0');
    EXPECT_EQ(access.UserAllowed(999, "Main")[0], '0');  // no such log-in
    access.setRight(ben, "Main", 0, true);
    EXPECT_EQ(access.UserAllowed(h, "MAIN")[0], '1');
    EXPECT_EQ(access.UserAllowed(h, "Other")[0], '0');
    access.setRight(ben, "Main", 0, false);
    EXPECT_EQ(access.UserAllowed(h, "Main")[0], '0');
    EXPECT_EQ(AccessControl::rightNames(mainAccessString()), std::vector<std::string>{"Access"});
    EXPECT_EQ(mainAccessString().size(), 256u);
}

TEST_F(Access, TheLastAdministratorCannotBeDeleted) {
    access.addUser("anna", "", "pw", true);
    access.addUser("ben", "", "pw", false);
    auto anna = *access.check("anna", "pw");
    auto ben = *access.check("ben", "pw");
    EXPECT_FALSE(access.deleteUser(anna));
    EXPECT_TRUE(access.deleteUser(ben));
    EXPECT_EQ(access.users().size(), 1u);
    EXPECT_FALSE(access.addUser("ANNA", "", "pw", false));  // taken, whatever the case
    EXPECT_FALSE(access.addUser("  ", "", "pw", false));
    EXPECT_FALSE(access.addUser("carl", "", "", false));
}

TEST_F(Access, RefusalFollowsTheLanguage) {
    access.SetLanguage("Afrik.Irf");
    access.SecwinMessage(rt, "AccessRestricted");
    access.SetLanguage("Eng.Irf");
    access.SecwinMessage(rt, "AccessRestricted");
    ASSERT_EQ(rt.messages.size(), 2u);
    EXPECT_EQ(rt.messages[0].title, "Toegang Beperk");
    EXPECT_EQ(rt.messages[1].title, "Access Restricted");
}

TEST_F(Access, RightsEditorGrantsAccessAndOnlyAnAdministratorMayUseIt) {
    access.addUser("anna", "", "pw", true);
    access.addUser("ben", "", "pw", false);
    auto ben = *access.check("ben", "pw");
    long admin = access.loginAs(*access.check("anna", "pw"));
    rt.onOpen("AccessRights", [](TestWindow& w) {
        w.selectRow("Users", 1);  // users in name order: anna, ben
        EXPECT_TRUE(w.enabled("Access"));
        EXPECT_FALSE(w.checked("Access"));
        w.tick("Access", true);
        w.press("AddUser");
        w.press("Close");
    });
    rt.onOpen("AccessUserForm", [](TestWindow& f) {
        f.type("User", "carl");
        f.type("Password", "pw3");
        f.type("Repeat", "pw3");
        f.press("OK");
    });
    access.SetAccess(rt, admin, "Main", mainAccessString());
    EXPECT_EQ(access.rights(ben, "Main")[0], '1');
    EXPECT_TRUE(access.check("carl", "pw3"));

    long clerk = access.loginAs(ben);
    rt.ran.clear();
    access.SetAccess(rt, clerk, "Main", mainAccessString());
    EXPECT_TRUE(rt.ran.empty());
    EXPECT_EQ(rt.messages.back().title, "Access Restricted");
}

// A shop in use (its tables are there) whose users file was tampered with never reaches the
// first-user form: the log-in is refused with the file's name and the owner's recovery step.
TEST_F(Access, ATamperedOrMissingUsersFileOnAFolderInUseRefusesTheLogIn) {
    namespace fs = std::filesystem;
    auto sql = [&](const char* statement) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((folder / "TavloUsers.db").c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, statement, nullptr, nullptr, nullptr), SQLITE_OK) << statement;
        sqlite3_close(db);
    };
    auto cut = [&](std::uintmax_t size) { fs::resize_file(folder / "TavloUsers.db", size); };
    const struct {
        const char* name;
        std::function<void()> tamper;
    } cases[] = {
        {"emptied", [&] { sql("DELETE FROM rights; DELETE FROM users"); }},
        {"users table dropped", [&] { sql("DROP TABLE users"); }},
        {"every table dropped", [&] { sql("DROP TABLE rights; DROP TABLE users; VACUUM"); }},
        {"cut to nothing", [&] { cut(0); }},
        {"cut to its first page", [&] { cut(4096); }},
        {"cut mid-page", [&] { cut(5000); }},
        {"cut into the header", [&] { cut(60); }},
        {"not a database", [&] { std::ofstream(folder / "TavloUsers.db", std::ios::trunc) << std::string(9000, 'x'); }},
        {"deleted", [&] { fs::remove(folder / "TavloUsers.db"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        access.CloseTables();
        fs::remove(folder / "TavloUsers.db");
        fs::remove(folder / "PQxT20.tps");
        ASSERT_TRUE(access.addUser("anna", "", "pw", true));
        ASSERT_TRUE(access.addUser("ben", "", "pw", false));
        access.CloseTables();
        std::ofstream(folder / "PQxT20.tps") << "";  // the shop's tables are here: the folder is in use
        c.tamper();
        const bool existed = fs::exists(folder / "TavloUsers.db");
        const auto before = existed ? fs::file_size(folder / "TavloUsers.db") : 0;

        AccessControl tampered;
        tampered.useFolder(folder.path());
        tampered.CreSec();
        rt.messages.clear();
        rt.ran.clear();
        rt.onOpen("AccessFirstUser", [](TestWindow& w) {
            w.type("User", "mallory");
            w.type("Password", "x");
            w.type("Repeat", "x");
            w.press("OK");
        });
        loginScript({{"mallory", "x"}});
        EXPECT_EQ(tampered.LoginText(rt, "Tavlo v5 | Main"), 0);
        EXPECT_TRUE(rt.ran.empty()) << rt.ran.front();  // neither the first-user form nor the log-in
        ASSERT_EQ(rt.messages.size(), 1u);
        EXPECT_EQ(rt.messages[0].title, "Access");
        EXPECT_NE(rt.messages[0].text.find((folder / "TavloUsers.db").string()), std::string::npos);
        EXPECT_NE(rt.messages[0].text.find("README"), std::string::npos);
        EXPECT_FALSE(tampered.addUser("mallory", "", "x", true));
        EXPECT_FALSE(tampered.check("mallory", "x"));
        // The file is left as it was found, for the owner to look at.
        EXPECT_EQ(fs::exists(folder / "TavloUsers.db"), existed);
        if (existed) {
            EXPECT_EQ(fs::file_size(folder / "TavloUsers.db"), before);
        }
    }
}

TEST_F(Access, OnlyANewShopAsksForTheFirstUserAndTwoTillsMakeOneFile) {
    EXPECT_TRUE(access.newShop());
    EXPECT_FALSE(std::filesystem::exists(folder / "TavloUsers.db"));  // opening makes no file
    AccessControl otherTill;
    otherTill.useFolder(folder.path());
    EXPECT_TRUE(access.addFirstUser("anna", "", "pw"));
    EXPECT_FALSE(otherTill.addFirstUser("ben", "", "pw"));  // the first till was first
    EXPECT_TRUE(otherTill.check("anna", "pw"));
    EXPECT_FALSE(otherTill.check("ben", "pw"));
    EXPECT_FALSE(access.newShop());
    // Cancelling the first-user form of a new shop leaves no file behind.
    support::TempFolder fresh;
    AccessControl newShop;
    newShop.useFolder(fresh.path());
    rt.onOpen("AccessFirstUser", [](TestWindow& w) { w.press("Cancel"); });
    EXPECT_EQ(newShop.LoginText(rt, "Tavlo v5 | Main"), 0);
    EXPECT_FALSE(std::filesystem::exists(fresh / "TavloUsers.db"));
    EXPECT_TRUE(newShop.newShop());
}

TEST_F(Access, TheOwnersNewStartKeepsTheDamagedFileAsideAndAsksForTheFirstUserOnce) {
    namespace fs = std::filesystem;
    ASSERT_TRUE(access.addUser("anna", "", "pw", true));
    access.CloseTables();
    std::ofstream(folder / "PQxT20.tps") << "";
    fs::resize_file(folder / "TavloUsers.db", 0);
    std::ofstream(folder / "TavloUsers.reset") << "";
    rt.onOpen("AccessFirstUser", [](TestWindow& w) {
        w.type("User", "owner");
        w.type("Password", "new");
        w.type("Repeat", "new");
        w.press("OK");
    });
    AccessControl till;
    till.useFolder(folder.path());
    EXPECT_NE(till.LoginText(rt, "Tavlo v5 | Main"), 0);
    EXPECT_EQ(rt.ran, std::vector<std::string>{"AccessFirstUser"});
    EXPECT_TRUE(fs::exists(folder / "TavloUsers.db.damaged"));
    EXPECT_FALSE(fs::exists(folder / "TavloUsers.reset"));
    EXPECT_TRUE(till.check("owner", "new"));
    // The next start logs in as usual.
    rt.ran.clear();
    loginScript({{"owner", "new"}});
    AccessControl next;
    next.useFolder(folder.path());
    EXPECT_NE(next.LoginText(rt, "Tavlo v5 | Main"), 0);
    EXPECT_EQ(rt.ran, std::vector<std::string>{"AccessLogin"});
}
