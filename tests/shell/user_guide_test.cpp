// The user guide: every window's page is there in both languages, its links lead to pages that
// are there, and a page is found beside the program before the installed place.
#include "shell/user_guide.h"

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "shell_fixture.h"

using namespace tavlo;
using namespace tavlo::testing;

namespace {

class Guide : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        std::filesystem::create_directory_symlink(guideSource(), platform.folder / "guide");
    }
};

std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The windows F1 is pressed in, and the page each opens.
const std::pair<const char*, const char*> kWindows[] = {
    {"OperatorPassword", "login"},         {"BrowsePointOfSale", "till"},
    {"PaymentMethod", "payment"},          {"SelectCashClient", "tabs"},
    {"AskDailyCashup", "cashup"},          {"CreateOperators", "operators"},
    {"UserDetails", "user-details"},       {"MasterPassword", "user-details"},
    {"POSBackups", "export-import"},       {"POSRestore", "export-import"},
    {"DebtorPayment", "debtor-payment"},   {"SelectCashSlip", "reprint"},
    {"AuditTrail", "audit-trail"},         {"ReceiptPrinterSetup", "receipt-printer"},
    {"Main", "index"},                     {"NoSuchWindow", "index"},
};

TEST_F(Guide, EveryWindowOpensItsOwnPageInEachLanguage) {
    for (int language : {1, 2})
        for (const auto& [procedure, page] : kWindows) {
            SCOPED_TRACE(std::string(procedure) + " in language " + std::to_string(language));
            EXPECT_EQ(guidePageOf(procedure), page);
            auto found = findGuidePage(platform, guidePageOf(procedure), language);
            ASSERT_TRUE(found);
            EXPECT_EQ(*found, platform.folder / "guide" / (language == 2 ? "af" : "en") / (std::string(page) + ".html"));
            // A page of the guide, in the language asked for, not an empty file.
            const std::string text = contents(*found);
            EXPECT_NE(text.find(language == 2 ? "lang=\"af\"" : "lang=\"en\""), std::string::npos);
            EXPECT_NE(text.find("<h1>"), std::string::npos);
        }
}

TEST_F(Guide, LinksLeadToPagesThatAreThereAndTheIndexListsEveryPage) {
    const std::regex link("href=\"([^\"#]+)\"");
    for (const char* lang : {"en", "af"}) {
        std::set<std::string> pages, listed;
        for (const auto& entry : std::filesystem::directory_iterator(guideSource() / lang)) {
            const auto file = entry.path();
            pages.insert(file.filename().string());
            const std::string text = contents(file);
            for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it) {
                const std::string target = (*it)[1];
                EXPECT_TRUE(std::filesystem::is_regular_file(file.parent_path() / target)) << file << " links to " << target;
                if (file.filename() == "index.html" && target.find('/') == std::string::npos) listed.insert(target);
            }
        }
        listed.insert("index.html");
        EXPECT_EQ(listed, pages) << lang << ": a page the index does not list";
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(guideSource() / "en"), {}),
              std::distance(std::filesystem::directory_iterator(guideSource() / "af"), {}));
}

TEST_F(Guide, AMissingAfrikaansPageFallsBackToEnglishAndNoGuideIsSaid) {
    std::filesystem::remove(platform.folder / "guide");
    std::filesystem::create_directories(platform.folder / "guide" / "en");
    std::ofstream(platform.folder / "guide" / "en" / "till.html") << "<h1>Till</h1>";
    EXPECT_EQ(findGuidePage(platform, "till", 2), platform.folder / "guide" / "en" / "till.html");
    EXPECT_FALSE(findGuidePage(platform, "cashup", 1));

    TestRuntime rt;
    GLO.LANGUAGENO = 2;
    EXPECT_FALSE(openGuidePage(rt, platform, "cashup", 2));
    ASSERT_EQ(rt.messages.size(), 1u);
    EXPECT_EQ(rt.messages[0].title, "Hulp");
    EXPECT_EQ(rt.messages[0].text.rfind("Die gebruikersgids kan nie gevind word nie.", 0), 0u);
    EXPECT_TRUE(openGuidePage(rt, platform, "till", 2));
    EXPECT_EQ(rt.helpShown, (std::vector<std::string>{(platform.folder / "guide" / "en" / "till.html").string()}));
}

}  // namespace
