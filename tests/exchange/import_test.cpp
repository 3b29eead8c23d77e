// The import: the accounting package's POS.zip unpacked by the real archiver into a staging
// folder, checked, and merged into the live tables while a till has them open.
#include <gtest/gtest.h>

#include "exchange/archive.h"
#include "exchange/import.h"
#include "exchange/pos_restore.h"
#include "exchange/sql.h"
#include "exchange_fixture.h"

namespace tavlo {
namespace {

namespace fs = std::filesystem;

class Import : public ExchangeTest {
protected:
    void SetUp() override {
        ExchangeTest::SetUp();
        std::string error;
        ASSERT_TRUE(fillDemoData(books(), &error)) << error;
    }
    // The accounting package's copy of the master tables.
    fs::path books() const { return root_ / "books"; }
    void pack(const std::vector<std::string>& files) {
        auto r = archive::addFiles(media() / "POS.zip", files, books());
        ASSERT_TRUE(r.ok()) << r.message;
    }
    void sql(const std::string& file, const std::string& statement) {
        exchange::SqlConnection c(books() / file, false, false, 1000);
        ASSERT_TRUE(c.exec(statement)) << c.error();
    }
    // Presses Restore with the medium's folder typed as given; the window closes afterwards.
    void restore(const std::string& folder) {
        POSRestore p;
        auto w = open(p);
        EXPECT_EQ(w.text("UserName"), GLO.afrikaans() ? "Data vanaf Rovandi" : "Data from Rovandi");
        w.type("BackupToDrive", folder);
        w.press("Restore");
        EXPECT_FALSE(w.isOpen());
    }
    template <class T, class K>
    std::optional<T> read(Context& c, K key, const std::function<void(T&)>& keyValues) {
        auto& f = c.access<T>();
        f.clearBuffer();
        keyValues(f.rec);
        if (f.get(key) != ErrNone) return std::nullopt;
        return f.rec;
    }
};

TEST_F(Import, MergesNewPricesAndDebtorsIntoTheLiveTablesKeepingWhatTheTillOwns) {
    // A till is open on the live tables: a debtor and a cash client run tabs, and a cash client
    // was made at the till.
    Context till(data());
    for (const TableDef* t : importableTables()) till.access(*t).UseFile();
    auto coke = [](PQXA301& r) { r.ITEMCODE = "COKE"; };
    ASSERT_EQ(read<PQXA301>(till, PA301::ItemCodeKey, coke)->POSSELLINGPRICE, Decimal::of("11.50"));
    auto& a10 = till.access<PQXA10>();
    a10.clearBuffer();
    a10.rec.ACCNUMBER = 8200;
    ASSERT_EQ(a10.get(PA10::AccNumberKey), ErrNone);
    a10.rec.DOCNO = 77;
    ASSERT_EQ(a10.put(), ErrNone);
    auto& c11 = till.access<PQXC11>();
    c11.clearBuffer();
    c11.rec.CLIENTNO = 2;
    ASSERT_EQ(c11.get(PC11::ClientNoKey), ErrNone);
    c11.rec.DOCNO = 55;
    ASSERT_EQ(c11.put(), ErrNone);
    c11.clearBuffer();
    c11.rec.CLIENTNO = 3;
    c11.rec.NAME = "Counter tab";
    ASSERT_EQ(c11.add(), ErrNone);

    // The books: a new price, an item gone, a new debtor, a cash client renamed.
    sql("PQxA301.tps", "UPDATE PQXA301 SET POSSELLINGPRICE = 1275 WHERE ITEMCODE = 'COKE'");
    sql("PQxA301.tps", "DELETE FROM PQXA301 WHERE ITEMCODE = 'EGGS'");
    sql("PQxA10.tps", "UPDATE PQXA10 SET ACCDESC = 'Johan Botha Boerdery' WHERE ACCNUMBER = 8200");
    sql("PQxA10.tps", "INSERT INTO PQXA10 (ACCNUMBER, CLASSCODE, ACCDESC, ACCOUNTTYPE) VALUES (8202, 'D', 'Pieterse', 110)");
    sql("PQxC11.tps", "UPDATE PQXC11 SET NAME = 'Smit familie' WHERE CLIENTNO = 2");
    pack({"PQxA10.tps", "PQxA301.tps", "PQxC11.tps"});

    restore(media().string());  // no separator at the end: added
    ASSERT_EQ(rt_.messages.size(), 2u);
    EXPECT_EQ(rt_.messages[0].title, "Backup");
    EXPECT_EQ(rt_.messages[0].text, "If not internal drive, insert disk/CD in drive " + media().string() + " ...");
    EXPECT_EQ(rt_.messages[1].title, "Restore");
    EXPECT_EQ(rt_.messages[1].text, "Data restore was successful");
    EXPECT_EQ(rt_.messages[1].icon, Icon::None);
    const auto ran = commands();
    ASSERT_EQ(ran.size(), 1u);
    const std::string staging = ran[0].substr(0, ran[0].find('|'));
    EXPECT_EQ(ran[0].substr(ran[0].find('|') + 1), "-ext -over=all " + (media() / "POS").string());
    EXPECT_NE(staging.rfind(data().string(), 0), 0u) << "unpacked outside the data folder";
    EXPECT_FALSE(fs::exists(staging)) << "the staging folder is removed";

    // The open till reads the new data at once.
    EXPECT_EQ(read<PQXA301>(till, PA301::ItemCodeKey, coke)->POSSELLINGPRICE, Decimal::of("12.75"));
    EXPECT_FALSE(read<PQXA301>(till, PA301::ItemCodeKey, [](PQXA301& r) { r.ITEMCODE = "eggs"; }));
    auto johan = read<PQXA10>(till, PA10::AccNumberKey, [](PQXA10& r) { r.ACCNUMBER = 8200; });
    EXPECT_EQ(johan->ACCDESC, "Johan Botha Boerdery");
    EXPECT_EQ(johan->DOCNO, 77u);  // the open tab stays
    auto pieterse = read<PQXA10>(till, PA10::AccNumberKey, [](PQXA10& r) { r.ACCNUMBER = 8202; });
    ASSERT_TRUE(pieterse);
    EXPECT_EQ(pieterse->ACCOUNTTYPE, Decimal::of("11.0"));
    auto smit = read<PQXC11>(till, PC11::ClientNoKey, [](PQXC11& r) { r.CLIENTNO = 2; });
    EXPECT_EQ(smit->NAME, "Smit familie");
    EXPECT_EQ(smit->DOCNO, 55u);
    EXPECT_EQ(read<PQXC11>(till, PC11::ClientNoKey, [](PQXC11& r) { r.CLIENTNO = 3; })->NAME, "Counter tab");
    // The row the till had read is still the same record: its update goes through.
    a10.rec.ACCNUMBER = 8200;
    ASSERT_EQ(a10.get(PA10::AccNumberKey), ErrNone);
    a10.rec.DOCNO = 0;
    EXPECT_EQ(a10.put(), ErrNone);
    // Files in the data folder: the same names as before.
    for (const auto& [name, bytes] : dataFiles()) EXPECT_TRUE(fs::exists(books() / name)) << name;
}

TEST_F(Import, ABlankSourceCancelOrAFolderWithDotsChangeNothing) {
    const auto before = dataFiles();
    {
        POSRestore p;
        auto w = open(p);
        w.press("Restore");  // blank: the window closes, nothing shown
        EXPECT_FALSE(w.isOpen());
    }
    {
        POSRestore p;
        auto w = open(p);
        w.type("BackupToDrive", media().string());
        w.press("Cancel");
        EXPECT_FALSE(w.isOpen());
    }
    EXPECT_TRUE(rt_.messages.empty());
    {
        POSRestore p;
        auto w = open(p);
        w.type("BackupToDrive", (media() / ".." / "media").string());
        w.press("Restore");
        EXPECT_TRUE(w.isOpen());
        ASSERT_EQ(rt_.messages.size(), 1u);
        EXPECT_EQ(rt_.messages[0].title, "Warning");
        EXPECT_NE(rt_.messages[0].text.find("\"..\""), std::string::npos);
        rt_.finish(w);
    }
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(dataFiles(), before);
}

TEST_F(Import, RefusedArchivesLeaveTheDataFolderAsItWas) {
    const std::string zeros(1 << 20, '\0');
    const auto [packed, crc] = testzip::deflated(zeros);
    struct Case {
        std::string label;
        std::function<void()> make;
        std::string says;  // part of the failure message; "" for the archiver's own refusal
    };
    auto copyAs = [&](const std::string& from, const std::string& to) {
        fs::copy_file(books() / from, books() / to, fs::copy_options::overwrite_existing);
    };
    const std::vector<Case> cases = {
        {"the till's own tables", [&] { pack({"PQxA301.tps", "PQxT20.tps", "PQxH21.tps"}); },
         "The archive would replace the till's own tables: PQxH21.tps, PQxT20.tps"},
        {"a till table in other letter case", [&] { copyAs("PQxV60.tps", "pqxv60.TPS"); pack({"pqxv60.TPS"}); },
         "the till's own tables: pqxv60.TPS"},
        {"a table under two names", [&] { copyAs("PQxA301.tps", "pqxA301.tps"); pack({"PQxA301.tps", "pqxA301.tps"}); },
         "one table under two names: PQxA301.tps, pqxA301.tps"},
        {"another file", [&] { testzip::writeFile(books() / "readme.txt", "hi"); pack({"PQxA301.tps", "readme.txt"}); },
         "not tables of the till: readme.txt"},
        {"another table's layout", [&] { copyAs("PQxA30.tps", "x/PQxA301.tps"); }, "PQxA301.tps is not a table of the expected layout"},
        {"not a table file", [&] { testzip::writeFile(books() / "x" / "PQxA301.tps", "text"); }, "is not a table of the expected layout"},
        {"text too long for its field",
         [&] { sql("PQxA301.tps", "DROP INDEX \"PQXA301_ItemCodeKey\"");
               sql("PQxA301.tps", "UPDATE PQXA301 SET ITEMCODE = 'COKE-IN-A-VERY-LONG-CODE' WHERE ITEMCODE = 'COKE'");
               pack({"PQxA301.tps"}); },
         "field ITEMCODE"},
        {"two items one code", [&] { sql("PQxA301.tps", "DROP INDEX \"PQXA301_ItemCodeKey\"");
               sql("PQxA301.tps", "UPDATE PQXA301 SET ITEMCODE = 'coke' WHERE ITEMCODE = 'BREAD'");
               pack({"PQxA10.tps", "PQxA301.tps"}); },
         "The data could not be merged (PQxA301.tps)"},
        {"a parent folder entry", [&] { testzip::write(media() / "POS.zip", {{"../PQxA301.tps", "x"}}); }, ""},
        {"an absolute name", [&] { testzip::write(media() / "POS.zip", {{(data() / "PQxA301.tps").string(), "x"}}); }, ""},
        {"a link", [&] { testzip::write(media() / "POS.zip", {{"PQxA301.tps", (data() / "PQxO10.tps").string(), S_IFLNK | 0777}}); }, ""},
        {"10 GB of zeros", [&] { testzip::write(media() / "POS.zip", {{"PQxA301.tps", packed, {}, true, std::uint64_t{10} << 30, crc}}); }, ""},
        {"a truncated archive", [&] { pack({"PQxA301.tps", "PQxA10.tps"});
               auto bytes = testzip::readFile(media() / "POS.zip");
               testzip::writeFile(media() / "POS.zip", bytes.substr(0, bytes.size() * 2 / 3)); }, ""},
        {"not an archive", [&] { testzip::writeFile(media() / "POS.zip", "PK but not really"); }, ""},
        {"no archive", [] {}, ""},
    };
    const auto before = dataFiles();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(books());
        std::string error;
        ASSERT_TRUE(fillDemoData(books(), &error)) << error;
        fs::create_directories(books() / "x");
        fs::remove(media() / "POS.zip");
        c.make();
        if (fs::exists(books() / "x" / "PQxA301.tps")) {
            ASSERT_TRUE(archive::addFiles(media() / "POS.zip", {"PQxA301.tps"}, books() / "x").ok());
        }
        rt_.messages.clear();
        restore(media().string() + "/");
        ASSERT_EQ(rt_.messages.size(), 2u);
        EXPECT_EQ(rt_.messages[1].title, "");
        EXPECT_EQ(rt_.messages[1].text.rfind("Restore failed please contact Varnik Labs", 0), 0u) << rt_.messages[1].text;
        if (!c.says.empty()) {
            EXPECT_NE(rt_.messages[1].text.find(c.says), std::string::npos) << rt_.messages[1].text;
        }
        EXPECT_EQ(dataFiles(), before);
    }
    EXPECT_EQ(commands().size(), cases.size());
}

TEST_F(Import, AfrikaansTexts) {
    GLO.LANGUAGENO = kAfrikaans;
    pack({"PQxT21.tps"});
    restore(media().string());
    ASSERT_EQ(rt_.messages.size(), 2u);
    EXPECT_EQ(rt_.messages[0].text, "Indien eksterne aandrywer, plaas skyfie/CD in aandrywer " + media().string() + " ...");
    EXPECT_EQ(rt_.messages[1].text, "Herstel was onsuksesvol, kontak Varnik Labs|"
                                    "Die argief sou die kasregister se eie tabelle vervang: PQxT21.tps");
    fs::remove(media() / "POS.zip");
    pack({"PQxV01.tps"});
    rt_.messages.clear();
    restore(media().string());
    ASSERT_EQ(rt_.messages.size(), 2u);
    EXPECT_EQ(rt_.messages[1].title, "Herstel");
    EXPECT_EQ(rt_.messages[1].text, "Data herstel was suksesvol");
}

}  // namespace
}  // namespace tavlo
