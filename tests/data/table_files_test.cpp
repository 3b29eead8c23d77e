// Table files as other programs meet them: the stock SQLite shell, files written by an earlier
// version, and files that are damaged, emptied or not files at all.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "data/demo_data.h"
#include <sqlite3.h>

#include "storage_fixture.h"

namespace tavlo {
namespace {

// What the stock shell prints for sql on file, or "" when it could not run.
std::string shell(const std::filesystem::path& file, const std::string& sql) {
    const std::string command = "sqlite3 -readonly '" + file.string() + "' \"" + sql + "\" 2>&1";
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[512];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        ::pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

TEST_F(StorageTest, TheStockShellChecksAndFiltersEveryTableFile) {
    std::string error;
    ASSERT_TRUE(fillDemoData(folder.path(), &error)) << error;
    int files = 0;
    for (const TableDef* def : dictionaryTables()) {
        const auto file = folder.path() / def->diskFile();
        if (!std::filesystem::exists(file)) continue;
        ++files;
        SCOPED_TRACE(def->label);
        EXPECT_EQ(shell(file, "PRAGMA integrity_check;"), "ok");
        // Every key text part can be filtered and sorted by name, with no collation of ours.
        for (std::size_t i = 0; i < def->fields.size(); ++i) {
            if (!foldedInKeys(*def, static_cast<int>(i))) continue;
            const std::string name = def->fields[i].name;
            std::string out = shell(file, "SELECT count(*) FROM " + def->sqlName + " WHERE " + name + " = '' OR _key_" +
                                               name + " >= '' ORDER BY _key_" + name + ";");
            EXPECT_EQ(out.find("Error"), std::string::npos) << out;
        }
    }
    EXPECT_GE(files, 10);
    EXPECT_EQ(shell(folder.path() / "PQxA301.tps", "SELECT ITEMCODE FROM PQXA301 WHERE _key_ITEMCODE = 'coke';"), "COKE");
}

// The form an earlier version wrote: text key parts on its own collation, no generated columns.
void writeOldForm(const std::filesystem::path& file, const TableDef& def, const std::vector<std::string>& inserts) {
    std::string create = tableSchema(def)[0];
    create = create.substr(0, create.find(", \"_fold_")) + ")";
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        if (!foldedInKeys(def, static_cast<int>(i))) continue;
        const std::string head = std::string("\"") + def.fields[i].name + "\" ";
        std::size_t at = create.find(head);
        at = create.find("DEFAULT ''", at) + std::string("DEFAULT ''").size();
        create.insert(at, std::string(" COLLATE ") + kTableCollation);
    }
    std::string error;
    sqlite3* db = openDatabase(file, false, true, 1000, &error);
    ASSERT_NE(db, nullptr) << error;
    auto exec = [&](const std::string& sql) {
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql << ": " << sqlite3_errmsg(db);
    };
    exec(create);
    for (std::string index : tableSchema(def)) {
        if (index.rfind("CREATE TABLE", 0) == 0) continue;
        for (std::size_t at; (at = index.find("\"_key_")) != std::string::npos;) index.erase(at + 1, 5);
        exec(index);
    }
    for (const std::string& sql : inserts) exec(sql);
    sqlite3_close(db);
}

TEST_F(StorageTest, FilesOfTheEarlierFormAreConvertedOnOpenWithTheirRows) {
    const auto file = folder.path() / "PQxO10.tps";
    writeOldForm(file, PQXO10::table(),
                 {"INSERT INTO PQXO10 (_pos, OPERATORNO, NAME) VALUES (7, 'OP1', 'Élise')",
                  "INSERT INTO PQXO10 (_pos, OPERATORNO, NAME) VALUES (9, 'OP2', 'Ben')"});
    EXPECT_NE(shell(file, "PRAGMA integrity_check;"), "ok") << "the stock shell cannot read the old form";

    auto& o10 = use<PQXO10>();
    o10.rec.NAME = "éLISE";
    ASSERT_EQ(o10.Fetch(PO10::OperatorNameKey), LevelBenign);
    EXPECT_EQ(o10.rec.OPERATORNO, "OP1");
    EXPECT_EQ(o10.position(), 7) << "records keep their places";
    EXPECT_TRUE(messages.shown.empty()) << messages.titles();
    EXPECT_EQ(shell(file, "PRAGMA integrity_check;"), "ok");
    EXPECT_EQ(shell(file, "SELECT NAME FROM PQXO10 WHERE _key_NAME = 'élise';"), "Élise");
}

// A file that exists is never replaced by an empty table: the operator hears which file it is.
TEST_F(StorageTest, AnEmptiedDroppedOrLinkedTableFileIsReportedNeverReplaced) {
    struct Case {
        const char* what;
        std::function<void(const std::filesystem::path&)> damage;
        const char* title;
    };
    const std::vector<Case> cases = {
        {"emptied to 0 bytes", [](const auto& f) { std::ofstream(f, std::ios::trunc); }, "Invalid File"},
        {"table dropped",
         [](const auto& f) {
             sqlite3* db = openDatabase(f, false, false, 1000);
             sqlite3_exec(db, "DROP TABLE PQXT20", nullptr, nullptr, nullptr);
             sqlite3_close(db);
         },
         "Invalid File"},
        {"a symbolic link",
         [](const auto& f) {
             std::filesystem::rename(f, f.string() + ".real");
             std::filesystem::create_symlink(f.string() + ".real", f);
         },
         "File Access Error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        support::TempFolder data;
        const auto file = data.path() / "PQxT20.tps";
        {
            Context first(data.path());
            auto& t20 = use<PQXT20>(first);
            t20.rec.DOCUMENTNO = 1;
            ASSERT_EQ(t20.add(), ErrNone);
        }
        c.damage(file);
        const auto sizeBefore = std::filesystem::file_size(std::filesystem::canonical(file));
        messages.shown.clear();
        Context later(data.path());
        auto& t20 = use<PQXT20>(later);
        EXPECT_THROW(t20.records(), ProgramHalt);
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_EQ(messages.shown[0].title, c.title);
        EXPECT_NE(messages.shown[0].text.find("PQxT20"), std::string::npos) << messages.shown[0].text;
        EXPECT_EQ(std::filesystem::file_size(std::filesystem::canonical(file)), sizeBefore) << "left as it was";
    }
}

}  // namespace
}  // namespace tavlo

namespace tavlo {
namespace {

// A transaction spanning files is atomic only on a real main file: when that file cannot be used
// the transaction is refused with the file named, never run without it.
TEST_F(StorageTest, ATransactionWithoutAUsableMainFileIsRefusedNamingIt) {
    use<PQXT20>();
    use<PQXT21>();
    std::filesystem::create_directory(folder.path() / ".tavlo-tx");
    {
        auto tx = ctx->transaction<PQXT20, PQXT21>(std::chrono::milliseconds(200));
        EXPECT_FALSE(tx.active());
        EXPECT_NE(tx.errorText().find(".tavlo-tx"), std::string::npos) << tx.errorText();
    }
    EXPECT_EQ(ctx->access<PQXT20>().records(), 0);

    support::TempFolder fresh;
    Context other(fresh.path());
    use<PQXT20>(other);
    use<PQXT21>(other);
    ::umask(022);
    {
        auto tx = other.transaction<PQXT20, PQXT21>(std::chrono::milliseconds(200));
        ASSERT_TRUE(tx.active()) << tx.errorText();
    }
    struct stat st {};
    ASSERT_EQ(::stat((fresh.path() / ".tavlo-tx").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u) << "every till user of the folder can use it";
}

TEST_F(StorageTest, SuperJournalsNoJournalNeedsAreRemoved) {
    const auto table = folder.path() / "PQxT20.tps";
    auto write = [](const std::filesystem::path& f, const std::string& content) {
        std::ofstream(f, std::ios::binary) << content;
    };
    // The engine lists the journals of the files, not the files.
    write(folder.path() / ".tavlo-tx-mjSETTLED", table.string() + "-journal" + std::string(1, '\0'));
    write(folder.path() / ".tavlo-tx-mjHOT", (folder.path() / "PQxT21.tps-journal").string() + std::string(1, '\0'));
    write(folder.path() / "PQxT21.tps-journal", "hot");
    // A commit under way has made its super-journal and is writing the names into it.
    write(folder.path() / ".tavlo-tx-mjMADE", "");
    write(folder.path() / ".tavlo-tx-mjWRITING", table.string().substr(0, 8));
    removeStaleSuperJournals(folder.path());
    EXPECT_FALSE(std::filesystem::exists(folder.path() / ".tavlo-tx-mjSETTLED"));
    EXPECT_TRUE(std::filesystem::exists(folder.path() / ".tavlo-tx-mjHOT")) << "a hot journal still names it";
    EXPECT_TRUE(std::filesystem::exists(folder.path() / ".tavlo-tx-mjMADE")) << "its commit would fail, or count if killed";
    EXPECT_TRUE(std::filesystem::exists(folder.path() / ".tavlo-tx-mjWRITING"));
}

}  // namespace
}  // namespace tavlo
