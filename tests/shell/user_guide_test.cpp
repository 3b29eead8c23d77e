// The user guide: every window's page is there in both languages, reached from the contents,
// showing its window's picture, its links leading to pages that are there, and a page is found
// beside the program before the installed place.
#include "shell/user_guide.h"

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

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

// The files of a folder of the guide whose names end in `ending`.
std::set<std::string> filesIn(const std::filesystem::path& folder, const std::string& ending) {
    std::set<std::string> names;
    if (!std::filesystem::is_directory(folder)) return names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.size() > ending.size() && name.ends_with(ending)) names.insert(name);
    }
    return names;
}

// What one attribute of one kind of tag names, everywhere in a page.
std::vector<std::string> named(const std::string& page, const char* tag, const char* attribute) {
    const std::regex pattern(std::string("<") + tag + "\\b[^>]*\\b" + attribute + "=\"([^\"]*)\"");
    std::vector<std::string> values;
    for (std::sregex_iterator it(page.begin(), page.end(), pattern), end; it != end; ++it) values.push_back((*it)[1]);
    return values;
}

TEST_F(Guide, LinksLeadToPagesThatAreThereAndTheIndexListsEveryPage) {
    struct Language {
        const char* folder;
        std::set<std::string> pages, pictures;
    };
    Language languages[] = {{"en", {}, {}}, {"af", {}, {}}};
    for (Language& lang : languages) {
        SCOPED_TRACE(lang.folder);
        const std::filesystem::path folder = guideSource() / lang.folder;
        lang.pages = filesIn(folder, ".html");
        lang.pictures = filesIn(folder / "img", ".png");
        std::set<std::string> reached{"index.html"}, shown;
        std::vector<std::string> toRead{"index.html"};
        // Every page is reached from the contents through the links of the pages in between.
        while (!toRead.empty()) {
            const std::string file = toRead.back();
            toRead.pop_back();
            const std::string text = contents(folder / file);
            for (std::string target : named(text, "a", "href")) {
                target = target.substr(0, target.find('#'));
                if (target.empty()) continue;
                EXPECT_TRUE(std::filesystem::is_regular_file(folder / target)) << file << " links to " << target;
                if (target.find('/') == std::string::npos && reached.insert(target).second) toRead.push_back(target);
            }
            const std::vector<std::string> pictures = named(text, "img", "src");
            // Each window's page shows the window.
            EXPECT_TRUE(file == "index.html" || !pictures.empty()) << file << " shows no picture";
            for (const std::string& src : pictures) {
                EXPECT_TRUE(std::filesystem::is_regular_file(folder / src)) << file << " shows " << src;
                if (src.starts_with("img/")) shown.insert(src.substr(4));
            }
            for (const std::string& alt : named(text, "img", "alt")) EXPECT_FALSE(alt.empty()) << file;
            EXPECT_EQ(named(text, "img", "alt").size(), pictures.size()) << file << ": a picture without words";
        }
        EXPECT_EQ(reached, lang.pages) << "a page the contents do not lead to";
        EXPECT_EQ(shown, lang.pictures) << "a picture no page shows";
    }
    EXPECT_EQ(languages[0].pages, languages[1].pages);
    EXPECT_EQ(languages[0].pictures, languages[1].pictures);
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
