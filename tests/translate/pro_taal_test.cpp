// The translator against a real store file: capture, translate, redesign, damaged and foreign
// stores, several threads and several writers.
#include <sqlite3.h>

#include <atomic>
#include <fstream>
#include <set>
#include <iterator>
#include <thread>

#include "framework/procedure.h"
#include "test_runtime.h"
#include "translate_fixture.h"

namespace tavlo {
namespace {

const std::map<std::string, std::string> kAfrikaans = {
    {"Customers", "Kliënte"},      {"Name .:", "Naam .:"},  {"The customer's name", "Die kliënt se naam"},
    {"~No~Name~", "~Nr~Naam~"},    {"&OK", "&Reg"},         {"Accept the customer", "Aanvaar die kliënt"},
    {"Saves", "Stoor"},
};

std::string fileBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(TranslateTest, AStoreThatCannotBeOpenedLeavesTheDesignTextsAfterOneNotice) {
    ProTaalClass t;
    t.Init(folder.path().string(), "POS", 1, 2, true, true);
    EXPECT_FALSE(std::filesystem::exists(storeFile())) << "translating never creates the store";
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Language Store");
    Window w = customerWindow();
    t.translateWindow(w, "Tavlo", "Customers", "Window");
    EXPECT_EQ(t.translateString("Language", "Tavlo", "Main", "LanguageMenu"), "Language");
    EXPECT_EQ(w.title, "Customers");
    EXPECT_TRUE(t.languages().empty());
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(TranslateTest, AnEmptyStoreHasNoLanguagesAndTranslatesNothing) {
    ProTaalClass t;
    t.Init(folder.path().string(), "POS", 2, 1, true, true);  // capturing creates it
    ASSERT_TRUE(std::filesystem::exists(storeFile()));
    EXPECT_TRUE(t.languages().empty());
    EXPECT_FALSE(t.StelTaal(2));
    EXPECT_EQ(t.GetTaalNo(), 0);
    t.SetTaalMode(1);
    Window w = customerWindow();
    t.translateWindow(w, "Tavlo", "Customers", "Window");
    EXPECT_EQ(w.title, "Customers");
    EXPECT_TRUE(messages.shown.empty()) << messages.titles();
}

TEST_F(TranslateTest, CapturedWindowsAreTranslatedIntoTheCurrentLanguage) {
    seedStore();
    {
        ProTaalClass capture;
        capture.Init(folder.path().string(), "POS", 2, 1, true, true);
        Window w = customerWindow();
        capture.translateWindow(w, "Tavlo", "Customers", "Window");
        capture.translateWindow(w, "Tavlo", "Customers", "Window");  // unchanged: nothing marked
        EXPECT_EQ(capture.translateString("Language", "Tavlo", "Main", "LanguageMenu"), "Language");
        // A caption of the window repeated in code is not stored as a string over the window.
        EXPECT_EQ(capture.translateString("Name .:", "Tavlo", "Customers", "Window"), "Name .:");
    }
    LanguageStore s;
    ASSERT_TRUE(s.open(storeFile(), false));
    ASSERT_EQ(s.structures().size(), 2u);
    EXPECT_EQ(s.structures()[0].TIPE, 25);
    EXPECT_EQ(s.structures()[0].GEWYSIG, 0);
    EXPECT_EQ(s.structures()[1].TIPE, 2);
    s.close();
    translateStored("Customers", kAfrikaans);
    {
        LanguageStore w;
        ASSERT_TRUE(w.open(storeFile(), true));
        auto row = w.structure("tavlo", "MAIN", "languagemenu");  // names compare without case
        ASSERT_TRUE(row);
        ASSERT_TRUE(w.putDefinition(row->STRUKTUURNO, 2, BouStringBuffer("Taal")));
    }

    ProTaalClass t;
    t.Init("  " + folder.path().string(), "POS", 1, 2, true, true);
    EXPECT_EQ(t.GetTaalNo(), 2);
    EXPECT_EQ(t.languages(), (std::vector<std::string>{"01-English", "02-Afrikaans"}));
    Window w = customerWindow();
    t.translateWindow(w, "Tavlo", "Customers", "Window");
    EXPECT_EQ(w.title, "Kliënte");
    EXPECT_EQ(w.text(1), "Naam .:");
    EXPECT_EQ(w.msg(2), "Die kliënt se naam");
    EXPECT_EQ(w.format(3), "16L(2)|M~Nr~@s3@100L(2)|M~Naam~@s25@");
    EXPECT_EQ(w.text(4), "&Reg");
    EXPECT_EQ(w.tip(4), "Stoor");
    EXPECT_EQ(w.text(5), "&Cancel") << "a blank translation keeps the design caption";
    EXPECT_EQ(t.translateString("Language", "Tavlo", "Main", "LanguageMenu"), "Taal");
    EXPECT_EQ(t.VertaalString("Language", "Tavlo", "Main", "LanguageMenu", 1), "Language");
    EXPECT_EQ(t.translateString("Name .:", "Tavlo", "Customers", "Window"), "Naam .:");
    EXPECT_EQ(t.translateString("Phone .:", "Tavlo", "Customers", "Window"), "Phone .:");
    EXPECT_TRUE(messages.shown.empty()) << messages.titles();

    // A window the store does not know: the notice, and the window as designed.
    Window other("Other", 10, 10);
    t.translateWindow(other, "Tavlo", "Other", "Window");
    EXPECT_EQ(other.title, "Other");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Not translated");
    EXPECT_EQ(messages.shown[0].text, "App: Tavlo|Proc: Other|Window: Window");

    // With language 1 current the store is not read at all: no notice for unknown windows.
    ASSERT_TRUE(t.StelTaal(1));
    t.translateWindow(other, "Tavlo", "Other", "Window");
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(TranslateTest, ARedesignedWindowKeepsItsTranslationsByDesignText) {
    seedStore();
    ProTaalClass capture;
    capture.Init(folder.path().string(), "POS", 2, 1, false, false);
    Window before = customerWindow();
    capture.translateWindow(before, "Tavlo", "Customers", "Window");
    translateStored("Customers", kAfrikaans);
    Window after = customerWindow(true);  // &OK moves from control 4 to 6
    capture.translateWindow(after, "Tavlo", "Customers", "Window");
    capture.Kill();
    {
        LanguageStore s;
        ASSERT_TRUE(s.open(storeFile(), false));
        EXPECT_EQ(s.structures().at(0).GEWYSIG, 1);
    }
    ProTaalClass t;
    t.Init(folder.path().string(), "POS", 1, 2, true, true);
    Window w = customerWindow(true);
    t.translateWindow(w, "Tavlo", "Customers", "Window");
    EXPECT_EQ(w.text(6), "&Reg");
    EXPECT_EQ(w.tip(6), "Stoor");
    EXPECT_EQ(w.text(3), "Phone .:") << "new texts stay in the design language";
    EXPECT_EQ(w.format(5), "16L(2)|M~Nr~@s3@100L(2)|M~Naam~@s25@");
    EXPECT_TRUE(messages.shown.empty()) << messages.titles();
}

TEST_F(TranslateTest, OutdatedMismatchedAndDamagedDefinitionsLeaveTheWindowAsDesigned) {
    storeCustomers(kAfrikaans);
    ProTaalClass t;
    t.Init(folder.path().string(), "POS", 1, 2, true, true);
    std::vector<std::pair<std::string, std::size_t>> viewed;
    t.setViewer([&](const std::string& title, const VeldQ& list) { viewed.emplace_back(title, list.size()); });

    // A control added since the capture.
    Window grown = customerWindow();
    grown.button("&Help");
    t.translateWindow(grown, "Tavlo", "Customers", "Window");
    EXPECT_EQ(grown.title, "Customers");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Error 1");
    EXPECT_EQ(messages.shown[0].text, "Definition in Afrikaans outdated");
    EXPECT_EQ(viewed, (std::vector<std::pair<std::string, std::size_t>>{{"VeldQ", 7}, {"NuweVeldQ", 6}}));

    // Same count, another kind at 2: translated up to there, then the difference is shown.
    Window changed = customerWindow();
    changed[2].kind = ControlKind::Button;
    t.translateWindow(changed, "Tavlo", "Customers", "Window");
    EXPECT_EQ(changed.text(1), "Naam .:");
    EXPECT_EQ(changed.text(4), "&OK");
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].title, "Fout 1");
    EXPECT_EQ(messages.shown[1].text, "Definisie verskil veld 2|Veldno: 2/2|Tipe  : 8/9");

    // A damaged definition counts as none.
    {
        LanguageStore s;
        ASSERT_TRUE(s.open(storeFile(), true));
        std::string bad = *s.definition(1, 2);
        bad[20] ^= 0x40;
        ASSERT_TRUE(s.putDefinition(1, 2, bad));
    }
    Window w = customerWindow();
    t.translateWindow(w, "Tavlo", "Customers", "Window");
    EXPECT_EQ(w.title, "Customers");
    EXPECT_EQ(w.text(4), "&OK");
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(TranslateTest, AStoreOfAnUnknownLayoutIsLeftAsItIs) {
    sqlite3* db = openDatabase(storeFile(), false, true, 1000);
    ASSERT_NE(db, nullptr);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE pro101 (x TEXT); INSERT INTO pro101 VALUES ('work')", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    const std::string before = fileBytes(storeFile());
    ProTaalClass t;
    t.Init(folder.path().string(), "POS", 2, 1, true, true);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("PRO101"), std::string::npos) << messages.shown[0].text;
    Window w = customerWindow();
    t.translateWindow(w, "Tavlo", "Customers", "Window");
    EXPECT_EQ(fileBytes(storeFile()), before);
}

TEST_F(TranslateTest, AStoreOfTheEarlierLayoutIsConvertedOnce) {
    std::string old;
    {
        sqlite3* db = openDatabase(storeFile(), false, true, 1000);
        ASSERT_NE(db, nullptr);
        for (const std::string& stmt : earlierLayoutSchema())
            ASSERT_EQ(sqlite3_exec(db, stmt.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << stmt;
        VeldQ list = {VeldEntry{0, 25, "Till", "", ""}};
        old = clip(BouVeldBuffer(list));
        sqlite3_exec(db, "INSERT INTO pro101 (STRUKTUURNO, APPNAAM, PROCNAAM, STRUKTUURNAAM, TIPE) VALUES (7, 'Tavlo', 'Till', 'Window', 25)",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO pro102 (STRUKTUURNO, TAALNO, DEFINISIE) VALUES (7, 1, ?1)", -1, &s, nullptr);
        sqlite3_bind_blob(s, 1, old.data(), static_cast<int>(old.size()), SQLITE_STATIC);
        ASSERT_EQ(sqlite3_step(s), SQLITE_DONE);
        sqlite3_finalize(s);
        sqlite3_close(db);
    }
    LanguageStore s;
    ASSERT_TRUE(s.open(storeFile(), true)) << s.error();
    EXPECT_TRUE(s.converted());
    auto row = s.structure("Tavlo", "Till", "Window");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->STRUKTUURNO, 7);
    EXPECT_EQ(s.definition(7, 1), old);
    ASSERT_TRUE(s.addStructure(25, "Tavlo", std::string(70, 'p'), "AVeryLongStructureNameOf32Bytes!"));
    s.close();
    ASSERT_TRUE(s.open(storeFile(), true));
    EXPECT_FALSE(s.converted()) << "the next start finds the new layout";
    EXPECT_EQ(s.structures().size(), 2u);
}

TEST_F(TranslateTest, TwoWritersNeverTakeTheSameStructureNumber) {
    seedStore();
    auto captureMany = [&](const std::string& who) {
        ProTaalClass t;
        t.Init(folder.path().string(), "POS", 2, 1, false, false);
        for (int i = 0; i < 15; ++i) {
            Window w = customerWindow();
            t.translateWindow(w, "Tavlo", who + std::to_string(i), "Window");
        }
    };
    std::thread a(captureMany, "A"), b(captureMany, "B");
    a.join();
    b.join();
    LanguageStore s;
    ASSERT_TRUE(s.open(storeFile(), false));
    std::set<int> numbers;
    for (const auto& row : s.structures()) numbers.insert(row.STRUKTUURNO);
    EXPECT_EQ(numbers.size(), 30u);
    EXPECT_EQ(*numbers.rbegin(), 30);
}

TEST_F(TranslateTest, OneTranslatorServesManyThreads) {
    storeCustomers(kAfrikaans);
    ProTaalClass t;
    t.Init(folder.path().string(), "POS", 1, 2, true, true);
    std::atomic<int> translated{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            for (int k = 0; k < 25; ++k) {
                Window w = customerWindow();
                t.translateWindow(w, "Tavlo", "Customers", "Window");
                if (w.text(4) == "&Reg") ++translated;
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(translated, 100);
}

TEST_F(TranslateTest, TheProgramPathIsTheProgramsFolderAndATitleAloneIsTranslated) {
    {
        ProTaalClass beside;
        beside.Init("program PATH  ", "POS", 1, 2, false, false);
        std::error_code ec;
        EXPECT_EQ(beside.file(), std::filesystem::read_symlink("/proc/self/exe", ec).parent_path() / "POSlan.tps");
        messages.shown.clear();
    }
    seedStore();
    {
        LanguageStore s;
        ASSERT_TRUE(s.open(storeFile(), true));
        auto no = s.addStructure(25, "Tavlo", "Blank", "Window");
        ASSERT_TRUE(no);
        VeldQ design = {VeldEntry{0, 25, "Please wait", "", ""}};
        VeldQ af = {VeldEntry{0, 25, "Wag asseblief", "", ""}};
        ASSERT_TRUE(s.putDefinition(*no, 1, BouVeldBuffer(design)));
        ASSERT_TRUE(s.putDefinition(*no, 2, BouVeldBuffer(af)));
    }
    ProTaalClass t;
    t.Init(folder.path().string(), "POS", 1, 2, true, true);
    Window w("Please wait", 100, 20);
    ASSERT_EQ(w.lastControl(), 0);
    t.translateWindow(w, "Tavlo", "Blank", "Window");
    EXPECT_EQ(w.title, "Wag asseblief");
    EXPECT_TRUE(messages.shown.empty()) << messages.titles();
}

// A window translated again after a language change starts from its design texts.
class SwitchingWindow : public Procedure {
public:
    SwitchingWindow() : Procedure("Customers") {}
    using Procedure::translateWindow;

protected:
    void DefineWindow(Window& w) override { w = customerWindow(); }
};

TEST_F(TranslateTest, SwitchingBackToTheDesignLanguageRestoresTheDesignTexts) {
    storeCustomers(kAfrikaans);
    ProTaalClass t;
    t.Init(folder.path().string(), "POS", 1, 2, true, true);
    setWindowTranslator(&t);
    TestRuntime rt;
    SwitchingWindow p;
    auto w = rt.open(p);
    EXPECT_EQ(p.window().text(4), "&Reg");
    t.setLanguage(1);
    p.translateWindow();
    EXPECT_EQ(p.window().text(4), "&OK");
    EXPECT_EQ(p.window().title, "Customers");
    EXPECT_EQ(p.window().format(3), "16L(2)|M~No~@s3@100L(2)|M~Name~@s25@");
    t.setLanguage(2);
    p.translateWindow();
    EXPECT_EQ(p.window().text(4), "&Reg");
    rt.finish(w);
    setWindowTranslator(nullptr);
}

}  // namespace
}  // namespace tavlo
