// File managers on real table files: opening, keys, walks, numbering, writes and their failures.
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "storage_fixture.h"

namespace tavlo {
namespace {

using namespace std::chrono_literals;

void rawSql(const std::filesystem::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* err = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
    std::string text = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << text;
}

PQXT21 line(std::uint32_t doc, std::uint32_t detail, const std::string& item = "") {
    PQXT21 r;
    r.DOCUMENTNO = doc;
    r.DETAILNUMBER = detail;
    r.ITEMCODE = item;
    r.TRANSDATE = 80000;
    return r;
}

TEST_F(StorageTest, FirstStartCreatesEveryTableEmptyWithoutAMessage) {
    for (const TableDef* t : dictionaryTables()) {
        FileManagerBase& f = ctx->access(*t);
        f.Open();
        EXPECT_FALSE(f.physicallyOpen()) << "opens lazily";
        EXPECT_EQ(f.records(), 0) << t->label;
        EXPECT_TRUE(f.physicallyOpen());
        EXPECT_TRUE(std::filesystem::exists(folder / t->diskFile())) << t->diskFile();
    }
    EXPECT_TRUE(messages.shown.empty()) << messages.titles();
}

TEST_F(StorageTest, TillsStartingTogetherOnAnEmptyFolderAllKeepTheirRecords) {
    // Each child creates the tables on its first use; none may lose another's file or record.
    constexpr int kTills = 4;
    const std::filesystem::path go = folder / "go";
    std::vector<pid_t> tills;
    for (int i = 0; i < kTills; ++i) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            while (!std::filesystem::exists(go)) usleep(200);
            Context c(folder.path());
            auto& o10 = c.access<PQXO10>();
            o10.Open();
            o10.rec = PQXO10{"T" + std::to_string(i), "Till", "pw"};
            _exit(o10.Insert() == LevelBenign ? 0 : 1);
        }
        tills.push_back(pid);
    }
    std::ofstream(go).put('1');
    for (pid_t pid : tills) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    use<PQXO10>();
    EXPECT_EQ(all<PQXO10>(*ctx).size(), static_cast<std::size_t>(kTills));
}

TEST_F(StorageTest, FetchReadsByKeyAndAMissClearsTheBuffer) {
    auto& o10 = use<PQXO10>();
    o10.rec = PQXO10{"AB1", "Anna", "secret"};
    ASSERT_EQ(o10.Insert(), LevelBenign);
    o10.clearBuffer();
    o10.rec.OPERATORNO = "ab1";
    ASSERT_EQ(o10.Fetch(PO10::OperatorNoKey), LevelBenign);
    EXPECT_EQ(o10.rec.NAME, "Anna");

    o10.rec.OPERATORNO = "ZZZ";
    EXPECT_EQ(o10.Fetch(PO10::OperatorNoKey), LevelNotify);
    EXPECT_EQ(o10.rec, PQXO10{});
    EXPECT_EQ(o10.errorCode(), ErrNoRecord);

    o10.rec = PQXO10{"ZZZ", "kept", ""};
    EXPECT_EQ(o10.get(PO10::OperatorNoKey), ErrNoRecord);
    EXPECT_EQ(o10.rec.NAME, "kept") << "the plain get leaves the buffer";
    EXPECT_TRUE(messages.shown.empty()) << messages.titles();
}

TEST_F(StorageTest, DuplicatesOnUniqueKeysAreRefusedNamingTheKey) {
    auto& t20 = use<PQXT20>();
    t20.rec.DOCUMENTNO = 1234;
    ASSERT_EQ(t20.add(), ErrNone);
    t20.clearBuffer();
    t20.rec.DOCUMENTNO = 1234;
    EXPECT_EQ(t20.add(), ErrDuplicateKey);
    EXPECT_EQ(t20.errorKey(), "PT20:DocumentNoKey");
    EXPECT_EQ(t20.records(), 1);

    auto& items = use<PQXA301>();
    items.rec.ITEMCODE = "COKE";
    items.rec.ITEMDESC = "Cola 340ml";
    ASSERT_EQ(items.Insert(), LevelBenign);
    items.clearBuffer();
    items.rec.ITEMCODE = "coke  ";  // letter case and trailing blanks do not make it another code
    items.rec.ITEMDESC = "Another";
    EXPECT_EQ(items.Insert(), LevelNotify);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Duplicate Key Error");
    EXPECT_NE(messages.shown[0].text.find("PA301:ItemCodeKey"), std::string::npos) << messages.shown[0].text;

    items.clearBuffer();
    items.rec.ITEMCODE = "CAKE";
    items.rec.ITEMDESC = "COLA 340ML";
    EXPECT_EQ(items.TryInsert(), LevelNotify);
    EXPECT_EQ(items.errorKey(), "PA301:ItemDescKey");
    EXPECT_EQ(messages.shown.size(), 1u) << "the Try form shows nothing";
    EXPECT_EQ(items.records(), 1);
}

TEST_F(StorageTest, LatinCapitalsCountAsTheSameText) {
    auto& items = use<PQXA301>();
    items.rec.ITEMCODE = "C1";
    items.rec.ITEMDESC = "Crème brûlée";
    ASSERT_EQ(items.Insert(), LevelBenign);
    items.clearBuffer();
    items.rec.ITEMCODE = "C2";
    items.rec.ITEMDESC = "CRÈME BRÛLÉE";
    EXPECT_EQ(items.TryInsert(), LevelNotify);
    EXPECT_EQ(items.errorKey(), "PA301:ItemDescKey");
    items.clearBuffer();
    items.rec.ITEMDESC = "crème BRÛLÉE";
    EXPECT_EQ(items.Fetch(PA301::ItemDescKey), LevelBenign);
    EXPECT_EQ(items.rec.ITEMCODE, "C1");
}

// Each auto-numbered master key: 1 on an empty table whatever the record carried, then the
// highest number plus 1.
struct AutoCase {
    const TableDef& table;
    const char* field;
    std::function<void(void*, int)> distinct;  // keeps other unique keys apart
};

TEST_F(StorageTest, InsertNumbersAutoNumberedKeys) {
    auto text = [](const TableDef& t, const char* f) {
        return [&t, f](void* r, int i) { setFieldValue(t.fields[t.fieldIndex(f)], r, FieldValue("N" + std::to_string(i))); };
    };
    const AutoCase cases[] = {
        {PQXT20::table(), "DOCUMENTNO", nullptr},
        {PQXA10::table(), "ACCNUMBER",
         [&](void* r, int i) {
             text(PQXA10::table(), "ACCDESC")(r, i);
             setFieldValue(PQXA10::table().fields[PQXA10::table().fieldIndex("ACCCODE")], r, FieldValue(i * 1LL));
         }},
        {PQXA11::table(), "SUBNUMBER", text(PQXA11::table(), "SUBCODE")},
        {PQXA40::table(), "TRADACCNUMBER", text(PQXA40::table(), "TRADDESC")},
        {PQXC10::table(), "ADDNUMBER", nullptr},
        {PQXC11::table(), "CLIENTNO", nullptr},
        {PQXS10::table(), "SPECNUMBER", nullptr},
        {PQXH21::table(), "DETAILNUMBER", nullptr},
    };
    for (const AutoCase& c : cases) {
        SCOPED_TRACE(c.table.label);
        FileManagerBase& f = ctx->access(c.table);
        f.Open();
        const FieldDef& field = c.table.fields[c.table.fieldIndex(c.field)];
        auto insertWith = [&](long long carried, int i) {
            f.clearBuffer();
            setFieldValue(field, f.buffer(), FieldValue(carried));
            if (c.distinct) c.distinct(f.buffer(), i);
            EXPECT_EQ(f.Insert(), LevelBenign);
            return std::get<long long>(fieldValue(field, f.buffer()));
        };
        EXPECT_EQ(insertWith(500, 1), 1);
        EXPECT_EQ(insertWith(0, 2), 2);
        // A record added as it is, with a number of its own, raises the next one.
        f.clearBuffer();
        setFieldValue(field, f.buffer(), FieldValue(40LL));
        if (c.distinct) c.distinct(f.buffer(), 3);
        ASSERT_EQ(f.add(), ErrNone);
        EXPECT_EQ(insertWith(7, 4), 41);
        EXPECT_EQ(f.records(), 4);
    }
    EXPECT_TRUE(messages.shown.empty()) << messages.titles();
}

TEST_F(StorageTest, DetailNumbersAreUniqueInPostedLinesButNotInHistory) {
    auto& t21 = use<PQXT21>();
    t21.rec = line(1, 7);
    ASSERT_EQ(t21.add(), ErrNone);
    t21.rec = line(2, 7);
    EXPECT_EQ(t21.add(), ErrDuplicateKey);
    EXPECT_EQ(t21.errorKey(), "PT21:DetailNumberKey");

    auto& h21 = use<PQXH21>();
    PQXH21 h;
    copyFields(h, line(1, 7));
    h21.rec = h;
    ASSERT_EQ(h21.add(), ErrNone);
    h.DOCUMENTNO = 2;
    h21.rec = h;
    EXPECT_EQ(h21.add(), ErrNone);
    EXPECT_EQ(h21.records(), 2);
    // Detail number 0 is a blank entry, left out of the unique key: any number of them.
    t21.rec = line(3, 0);
    EXPECT_EQ(t21.add(), ErrNone);
    t21.rec = line(4, 0);
    EXPECT_EQ(t21.add(), ErrNone);
}

TEST_F(StorageTest, TextKeysIgnoreLetterCase) {
    auto& v60 = use<PQXV60>();
    v60.rec.ITEMCODE = "coke";
    v60.rec.TRANSDATE = 80000;
    ASSERT_EQ(v60.add(), ErrNone);
    v60.clearBuffer();
    v60.rec.ITEMCODE = "COKE";
    v60.SetFrom(PV60::ItemCodeKey);
    ASSERT_EQ(v60.Next(), LevelBenign);
    EXPECT_EQ(v60.rec.ITEMCODE, "coke");

    v60.clearBuffer();
    v60.rec.ITEMCODE = "Coke";
    v60.rec.TRANSDATE = 80000;
    EXPECT_EQ(v60.Fetch(PV60::ItemCodeKey), LevelBenign);
}

TEST_F(StorageTest, BlankEntriesAreLeftOutOfTheKeyButListedInFileOrder) {
    auto& v60 = use<PQXV60>();
    v60.rec.DESCRIPTION = "screen line";  // CLIENTNO and DOCUMENTNO both 0
    ASSERT_EQ(v60.add(), ErrNone);
    v60.clearBuffer();
    v60.rec.DESCRIPTION = "tab line";
    v60.rec.CLIENTNO = 77;
    v60.rec.DOCUMENTNO = 1200;
    ASSERT_EQ(v60.add(), ErrNone);

    auto byKey = all<PQXV60>(*ctx, PV60::ClientDocKey.index);
    ASSERT_EQ(byKey.size(), 1u);
    EXPECT_EQ(byKey[0].DESCRIPTION, "tab line");
    auto inFile = all<PQXV60>(*ctx);
    ASSERT_EQ(inFile.size(), 2u);
    EXPECT_EQ(inFile[0].DESCRIPTION, "screen line");

    v60.clearBuffer();
    EXPECT_EQ(v60.Fetch(PV60::ClientDocKey), LevelNotify) << "a blank key finds nothing";
    // Keys that keep blank entries list them.
    auto& o10 = use<PQXO10>();
    o10.rec.NAME = "no code";
    ASSERT_EQ(o10.add(), ErrNone);
    EXPECT_EQ(all<PQXO10>(*ctx, PO10::OperatorNoKey.index).size(), 1u);
    EXPECT_EQ(all<PQXO10>(*ctx, PO10::OperatorNameKey.index).size(), 1u);
}

TEST_F(StorageTest, WalksGoBothWaysThroughDuplicatesAndFromAPosition) {
    auto& t21 = use<PQXT21>();
    // Documents 5, 3, 5, 4, 5 in file order, detail numbers 1..5.
    const std::uint32_t docs[] = {5, 3, 5, 4, 5};
    for (std::uint32_t i = 0; i < 5; ++i) {
        t21.rec = line(docs[i], i + 1);
        ASSERT_EQ(t21.add(), ErrNone);
    }
    auto walk = [&](bool forward) {
        std::vector<std::uint32_t> details;
        while ((forward ? t21.Next() : t21.Previous()) == LevelBenign) details.push_back(t21.rec.DETAILNUMBER);
        return details;
    };
    t21.Set(PT21::DocumentNoKey);
    EXPECT_EQ(walk(true), (std::vector<std::uint32_t>{2, 4, 1, 3, 5}));
    EXPECT_EQ(t21.Next(), LevelNotify) << "stays at the end";
    EXPECT_EQ(walk(false), (std::vector<std::uint32_t>{5, 3, 1, 4, 2}));

    t21.clearBuffer();
    t21.rec.DOCUMENTNO = 4;
    t21.SetFrom(PT21::DocumentNoKey);
    EXPECT_EQ(walk(true), (std::vector<std::uint32_t>{4, 1, 3, 5}));
    t21.rec.DOCUMENTNO = 4;
    t21.SetFrom(PT21::DocumentNoKey);
    EXPECT_EQ(walk(false), (std::vector<std::uint32_t>{4, 2}));

    t21.SetEnd(PT21::DetailNumberKey);
    ASSERT_EQ(t21.Previous(), LevelBenign);
    EXPECT_EQ(t21.rec.DETAILNUMBER, 5u);

    // Deleting the record the walk stands on does not lose the walk.
    t21.clearBuffer();
    t21.Set(PT21::DocumentNoKey);
    std::vector<std::uint32_t> removed;
    while (t21.Next() == LevelBenign)
        if (t21.rec.DOCUMENTNO == 5) {
            removed.push_back(t21.rec.DETAILNUMBER);
            ASSERT_EQ(t21.erase(), ErrNone);
        }
    EXPECT_EQ(removed, (std::vector<std::uint32_t>{1, 3, 5}));
    EXPECT_EQ(t21.records(), 2);
}

TEST_F(StorageTest, SaveFileRestoresPositionAndBufferAroundANestedLookup) {
    auto& t21 = use<PQXT21>();
    for (std::uint32_t i = 1; i <= 3; ++i) {
        t21.rec = line(10 + i, i);
        ASSERT_EQ(t21.add(), ErrNone);
    }
    t21.Set(PT21::DocumentNoKey);
    ASSERT_EQ(t21.Next(), LevelBenign);
    auto saved = t21.SaveFile();
    t21.rec.DETAILNUMBER = 3;
    ASSERT_EQ(t21.Fetch(PT21::DetailNumberKey), LevelBenign);
    t21.RestoreFile(saved);
    EXPECT_EQ(t21.rec.DOCUMENTNO, 11u);
    ASSERT_EQ(t21.Next(), LevelBenign);
    EXPECT_EQ(t21.rec.DOCUMENTNO, 12u);
}

TEST_F(StorageTest, TwoContextsOnOneTableKeepSeparateBuffersAndPositions) {
    Context other(folder.path());
    auto& mine = use<PQXC11>();
    auto& theirs = use<PQXC11>(other);
    for (const char* name : {"Ann", "Ben", "Cas"}) {
        mine.clearBuffer();
        mine.rec.NAME = name;
        ASSERT_EQ(mine.Insert(), LevelBenign);
    }
    mine.Set(PC11::ClientNoKey);
    theirs.Set(PC11::ClientNoKey);
    ASSERT_EQ(mine.Next(), LevelBenign);
    ASSERT_EQ(mine.Next(), LevelBenign);
    ASSERT_EQ(theirs.Next(), LevelBenign);
    EXPECT_EQ(mine.rec.NAME, "Ben");
    EXPECT_EQ(theirs.rec.NAME, "Ann");
    EXPECT_NE(&mine.rec, &theirs.rec);
}

TEST_F(StorageTest, AnUpdateOfARecordChangedElsewhereIsNotWritten) {
    Context other(folder.path());
    auto& mine = use<PQXC11>();
    auto& theirs = use<PQXC11>(other);
    mine.rec.NAME = "Ann";
    ASSERT_EQ(mine.Insert(), LevelBenign);
    theirs.rec.CLIENTNO = 1;
    ASSERT_EQ(theirs.Fetch(PC11::ClientNoKey), LevelBenign);
    theirs.rec.DOCNO = 99;
    ASSERT_EQ(theirs.Update(), LevelBenign);

    mine.rec.NAME = "Anna";
    EXPECT_EQ(mine.Update(), LevelNotify);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "This record was changed by another station.");
    EXPECT_EQ(mine.rec.NAME, "Ann") << "read again";
    EXPECT_EQ(mine.rec.DOCNO, 99u);
    // Now that it was read again, the change goes through.
    mine.rec.NAME = "Anna";
    EXPECT_EQ(mine.Update(), LevelBenign);

    theirs.rec.NAME = "Other";
    EXPECT_EQ(theirs.UpdateForm(), LevelNotify);
    EXPECT_NE(messages.shown.back().text.find("Those changes will now be displayed"), std::string::npos);
    EXPECT_EQ(theirs.rec.NAME, "Anna");
}

TEST_F(StorageTest, AnUpdateOfARecordAnotherProcessChangedIsNotWritten) {
    auto& c11 = use<PQXC11>();
    c11.rec.NAME = "Ann";
    ASSERT_EQ(c11.Insert(), LevelBenign);
    const std::filesystem::path dir = folder.path();
    std::string child = support::inChild([dir] {
        Context station(dir);
        auto& f = station.access<PQXC11>();
        f.Open();
        f.rec.CLIENTNO = 1;
        if (f.Fetch(PC11::ClientNoKey) != LevelBenign) return std::string("not found");
        f.rec.NAME = "Changed elsewhere";
        return f.Update() == LevelBenign ? std::string() : "update failed: " + f.errorText();
    });
    ASSERT_EQ(child, "");
    c11.rec.NAME = "Mine";
    EXPECT_EQ(c11.Update(), LevelNotify);
    EXPECT_TRUE(messages.anyTitled("Record Was Not Updated")) << messages.titles();
    EXPECT_EQ(c11.rec.NAME, "Changed elsewhere");
    EXPECT_EQ(c11.put(), ErrNone) << "read again, so the plain put now writes";
}

TEST_F(StorageTest, AReadOnlyFileIsReadButNotWritten) {
    {
        auto& a301 = use<PQXA301>();
        a301.rec.ITEMCODE = "COKE";
        a301.rec.ITEMDESC = "Cola";
        ASSERT_EQ(a301.Insert(), LevelBenign);
        a301.Close();
    }
    ctx.reset();
    // Root writes through file permissions, so the check runs as an unprivileged user.
    std::filesystem::permissions(folder.path(), std::filesystem::perms(0755));
    std::filesystem::permissions(folder / "PQxA301.tps", std::filesystem::perms(0444));
    const std::filesystem::path dir = folder.path();
    std::string result = support::inChild(
        [dir]() -> std::string {
            support::MessageScript seen;
            Context station(dir);
            auto& f = station.access<PQXA301>();
            f.Open();
            f.rec.ITEMCODE = "coke";
            if (f.Fetch(PA301::ItemCodeKey) != LevelBenign) return "read failed";
            if (seen.shown.size() != 1 ||
                seen.shown[0].text != "Could not get write access to PQxA301 so trying read-only.")
                return "expected the read-only notice, saw: " + seen.titles();
            if (!f.readOnly()) return "not marked read-only";
            f.Close();
            f.Open();
            if (f.records() != 1 || seen.shown.size() != 1) return "the notice came again: " + seen.titles();
            f.rec.ITEMDESC = "Changed";
            if (f.Update() == LevelBenign) return "update went through";
            if (!seen.anyTitled("Record was not updated")) return "no update message: " + seen.titles();
            f.clearBuffer();
            f.rec.ITEMCODE = "NEW";
            if (f.Insert() == LevelBenign) return "insert went through";
            if (!seen.anyTitled("Record Insert Error")) return "no insert message: " + seen.titles();
            return "";
        },
        true);
    EXPECT_EQ(result, "");
}

TEST_F(StorageTest, ATableThatCannotBeCreatedEndsTheProgram) {
    ctx.reset();
    std::filesystem::permissions(folder.path(), std::filesystem::perms(0555));
    const std::filesystem::path dir = folder.path();
    std::string result = support::inChild(
        [dir]() -> std::string {
            support::MessageScript seen;
            Context station(dir);
            auto& f = station.access<PQXO10>();
            f.Open();
            try {
                f.records();
                return "no halt";
            } catch (const ProgramHalt&) {
            }
            if (seen.shown.size() != 1 || seen.shown[0].title != "File Creation Error" ||
                seen.shown[0].text.find("creating PQxO10") == std::string::npos)
                return "expected the creation error, saw: " + seen.titles();
            return "";
        },
        true);
    EXPECT_EQ(result, "");
}

TEST_F(StorageTest, AFileOfAnotherLayoutIsInvalid) {
    rawSql(folder / "PQxO10.tps", "CREATE TABLE PQXO10 (\"_pos\" INTEGER PRIMARY KEY, OPERATORNO TEXT, NAME TEXT)");
    auto& o10 = use<PQXO10>();
    EXPECT_THROW(o10.records(), ProgramHalt);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown[0].title, "Invalid File");
    EXPECT_NE(messages.shown[0].text.find("PQxO10"), std::string::npos);
}

TEST_F(StorageTest, AFileThatIsNoTableFileCannotBeOpened) {
    {
        std::ofstream junk(folder / "PQxO10.tps");
        junk << std::string(4096, 'x');
    }
    auto& o10 = use<PQXO10>();
    EXPECT_THROW(o10.records(), ProgramHalt);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown[0].title, "File Access Error");
    EXPECT_NE(messages.shown[0].text.find("File PQxO10 could not be opened."), std::string::npos)
        << messages.shown[0].text;
}

TEST_F(StorageTest, MissingKeysAreRebuiltOnOpen) {
    {
        auto& o10 = use<PQXO10>();
        o10.rec.OPERATORNO = "A";
        ASSERT_EQ(o10.add(), ErrNone);
        o10.Close();
    }
    rawSql(folder / "PQxO10.tps", "DROP INDEX \"PQXO10_OperatorNoKey\"");
    Context fresh(folder.path());
    auto& o10 = use<PQXO10>(fresh);
    o10.rec.OPERATORNO = "a";
    EXPECT_EQ(o10.Fetch(PO10::OperatorNoKey), LevelBenign);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Invalid Key");
    o10.clearBuffer();
    o10.rec.OPERATORNO = "A";
    EXPECT_EQ(o10.add(), ErrDuplicateKey) << "the unique key is back";
}

TEST_F(StorageTest, UsingATableBeforeItWasOpenedIsAProgramError) {
    auto& t20 = ctx->access<PQXT20>();
    EXPECT_THROW(t20.Fetch(PT20::DocumentNoKey), ProgramHalt);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text.rfind("Attempt to use file (PQxT20) before it was opened", 0), 0u);
    EXPECT_EQ(t20.add(), ErrNotOpen) << "plain operations report the error code";

    t20.Open();
    t20.Open();
    t20.Close();
    EXPECT_EQ(t20.records(), 0);
    t20.Close();
    EXPECT_FALSE(t20.physicallyOpen());
    EXPECT_EQ(t20.next(), ErrNotOpen);
}

TEST_F(StorageTest, DecimalsAreStoredExactlyAndOverflowIsRefused) {
    auto& a10 = use<PQXA10>();
    a10.rec.ACCDESC = "Big";
    a10.rec.CURRENTBALANCE = Decimal::of("-99999999999.99");  // 13 digits, the most 7 bytes hold
    a10.rec.ACCOUNTTYPE = Decimal::of("11.04");                 // 1 place: rounded
    a10.rec.QTY = Decimal::of("0.0005");
    ASSERT_EQ(a10.Insert(), LevelBenign);
    a10.clearBuffer();
    a10.rec.ACCNUMBER = 1;
    ASSERT_EQ(a10.Fetch(PA10::AccNumberKey), LevelBenign);
    EXPECT_EQ(a10.rec.CURRENTBALANCE, Decimal::of("-99999999999.99"));
    EXPECT_EQ(a10.rec.ACCOUNTTYPE, Decimal::of("11.0"));
    EXPECT_EQ(a10.rec.QTY, Decimal::of("0.001"));

    a10.clearBuffer();
    a10.rec.ACCDESC = "Too big";
    a10.rec.ACCCODE = 2;
    a10.rec.OPENINGBALANCE = Decimal::of("100000000000.00");
    EXPECT_EQ(a10.Insert(), LevelNotify);
    EXPECT_TRUE(messages.anyTitled("Record Insert Error")) << messages.titles();
    EXPECT_EQ(a10.records(), 1);
}

TEST_F(StorageTest, ATransactionCommitsOrRollsBackAcrossFiles) {
    auto& t20 = use<PQXT20>();
    auto& t21 = use<PQXT21>();
    Context other(folder.path());
    use<PQXT20>(other);
    {
        auto tx = ctx->transaction<PQXT20, PQXT21>(1s);
        ASSERT_TRUE(tx.active()) << tx.errorText();
        t20.rec.DOCUMENTNO = 1;
        ASSERT_EQ(t20.add(), ErrNone);
        t21.rec = line(1, 1);
        ASSERT_EQ(t21.add(), ErrNone);
        EXPECT_EQ(t20.records(), 1) << "the transaction sees its own writes";
        EXPECT_EQ(other.access<PQXT20>().records(), 0) << "others do not";
        tx.rollback();
    }
    EXPECT_EQ(t20.records(), 0);
    EXPECT_EQ(t21.records(), 0);
    {
        auto tx = ctx->transaction<PQXT20, PQXT21>(1s);
        ASSERT_TRUE(tx.active());
        t20.rec.DOCUMENTNO = 1;
        ASSERT_EQ(t20.add(), ErrNone);
        t21.rec = line(1, 1);
        ASSERT_EQ(t21.add(), ErrNone);
        EXPECT_TRUE(tx.commit());
    }
    EXPECT_EQ(other.access<PQXT20>().records(), 1);
    EXPECT_EQ(t21.records(), 1);
    {
        auto tx = ctx->transaction<PQXT20>(1s);
        t20.rec.DOCUMENTNO = 2;
        ASSERT_EQ(t20.add(), ErrNone);
    }  // left without a commit: rolled back
    EXPECT_EQ(t20.records(), 1);
}

TEST_F(StorageTest, ATransactionGivesUpWhenAnotherHoldsTheLockPastTheWait) {
    use<PQXT20>();
    Context other(folder.path());
    use<PQXT20>(other);
    auto held = other.transaction<PQXT20, PQXT21>(1s);
    ASSERT_TRUE(held.active());
    auto tx = ctx->transaction<PQXT20>(100ms);
    EXPECT_FALSE(tx.active());
    EXPECT_EQ(tx.errorCode(), ErrLockedOut);
    // Reading is not blocked by another's transaction.
    EXPECT_EQ(ctx->access<PQXT20>().records(), 0);
    held.rollback();
    auto again = ctx->transaction<PQXT20>(100ms);
    EXPECT_TRUE(again.active());
}

TEST_F(StorageTest, ATransactionHoldsAtMostTenFiles) {
    std::vector<const TableDef*> eleven(dictionaryTables().begin(), dictionaryTables().begin() + 11);
    Transaction tx(*ctx, eleven, 1s);
    EXPECT_FALSE(tx.active());
    EXPECT_EQ(tx.errorCode(), ErrTransaction);
    std::vector<const TableDef*> ten(dictionaryTables().begin(), dictionaryTables().begin() + 10);
    Transaction ok(*ctx, ten, 1s);
    EXPECT_TRUE(ok.active()) << ok.errorText();
}

TEST_F(StorageTest, ATillThatStoppedMidTransactionLeavesNothingBehind) {
    auto& t20 = use<PQXT20>();
    t20.rec.DOCUMENTNO = 1;
    ASSERT_EQ(t20.add(), ErrNone);
    ctx.reset();
    const std::filesystem::path dir = folder.path();
    support::inDyingChild([dir] {
        Context till(dir);
        auto& h = till.access<PQXT20>();
        auto& d = till.access<PQXT21>();
        h.Open();
        d.Open();
        auto tx = till.transaction<PQXT20, PQXT21>(1s);
        // Enough rows that the engine writes pages to the files before the commit.
        for (std::uint32_t i = 2; i < 25000; ++i) {
            h.clearBuffer();
            h.rec.DOCUMENTNO = i;
            h.rec.TRANDESC = std::string(25, 'x');
            (void)h.add();  // the child dies without committing: the results do not matter
            d.rec = line(i, i, std::string(20, 'y'));
            (void)d.add();
        }
        _exit(0);  // no commit, no rollback
    });
    // The child wrote into the files before it died, and left their journals.
    ASSERT_TRUE(std::filesystem::exists(folder / "PQxT21.tps-journal"));
    ASSERT_GT(std::filesystem::file_size(folder / "PQxT21.tps"), 1000000u);
    Context after(folder.path());
    EXPECT_EQ(use<PQXT20>(after).records(), 1);
    EXPECT_EQ(use<PQXT21>(after).records(), 0);
    EXPECT_LT(std::filesystem::file_size(folder / "PQxT21.tps"), 1000000u) << "rolled back";
    auto& d = after.access<PQXT21>();
    d.rec = line(1, 1);
    EXPECT_EQ(d.add(), ErrNone);
    EXPECT_TRUE(messages.shown.empty()) << messages.titles();
}

TEST_F(StorageTest, APrimedRecordHoldsItsNumberUntilCompletedOrCancelled) {
    auto& c11 = use<PQXC11>();
    ASSERT_EQ(c11.PrimeRecord(), LevelBenign);
    EXPECT_EQ(c11.rec.CLIENTNO, 1u);
    EXPECT_EQ(c11.records(), 1) << "the number is reserved by adding at once";

    Context other(folder.path());
    auto& theirs = use<PQXC11>(other);
    theirs.rec.NAME = "Other till";
    ASSERT_EQ(theirs.Insert(), LevelBenign);
    EXPECT_EQ(theirs.rec.CLIENTNO, 2u);

    c11.rec.NAME = "Form";
    ASSERT_EQ(c11.Insert(), LevelBenign);
    EXPECT_EQ(c11.records(), 2);
    c11.rec.CLIENTNO = 1;
    ASSERT_EQ(c11.Fetch(PC11::ClientNoKey), LevelBenign);
    EXPECT_EQ(c11.rec.NAME, "Form");

    ASSERT_EQ(c11.PrimeRecord(), LevelBenign);
    EXPECT_EQ(c11.rec.CLIENTNO, 3u);
    EXPECT_EQ(c11.CancelAutoInc(), LevelBenign);
    EXPECT_EQ(c11.records(), 2);
}

TEST_F(StorageTest, NumberingThatKeepsFailingAsksWhetherToTryAgain) {
    auto& a40 = use<PQXA40>();
    a40.rec.TRADACCNUMBER = 65535;  // the last number a USHORT holds
    a40.rec.TRADDESC = "Last";
    ASSERT_EQ(a40.add(), ErrNone);
    a40.clearBuffer();
    a40.rec.TRADDESC = "One more";
    messages.answer(ButtonYes);
    messages.answer(ButtonNo);
    EXPECT_EQ(a40.Insert(), LevelCancel);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].title, "Auto Increment Error");
    EXPECT_NE(messages.shown[0].text.find("PA40:TradAccNumberKey"), std::string::npos) << messages.shown[0].text;
    EXPECT_EQ(a40.records(), 1);
}

}  // namespace
}  // namespace tavlo
