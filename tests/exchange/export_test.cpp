// The export: the listings and archive of a snapshot, made by the real archiver and checked
// with unzip; exactly the exported documents leave the live tables; history is never lost;
// an export killed at any moment is finished or undone by the next one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <thread>

#include "bench_tables.h"
#include "exchange/export.h"
#include "exchange/pos_backups.h"
#include "exchange/sql.h"
#include "exchange_fixture.h"

namespace tavlo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Docs = std::set<long long>;

std::string run(const std::string& command) {
    std::string out;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    ::pclose(p);
    return out;
}

// The document numbers of a table file.
Docs documents(const fs::path& file, const std::string& table) {
    exchange::SqlConnection c(file, true, false, 5000);
    Docs out;
    if (auto rows = c.rows("SELECT DOCUMENTNO FROM " + table))
        for (const auto& r : *rows) out.insert(std::stoll(r[0]));
    return out;
}

// The documents of an archive's header and detail tables.
std::pair<Docs, Docs> archived(const fs::path& zip, const fs::path& scratch) {
    fs::create_directories(scratch);
    run("cd '" + scratch.string() + "' && unzip -o -q '" + zip.string() + "'");
    auto out = std::pair{documents(scratch / "PQxT20.tps", "PQXT20"), documents(scratch / "PQxT21.tps", "PQXT21")};
    fs::remove_all(scratch);
    return out;
}

// A till posting one document the way the till does: header and rows in one transaction
// that waits a second for the locks. False when it was refused.
bool postSale(Context& ctx, std::uint32_t doc) {
    for (FileManagerBase* f : {static_cast<FileManagerBase*>(&ctx.access<PQXT20>()), static_cast<FileManagerBase*>(&ctx.access<PQXT21>())})
        if (f->useCount() == 0) f->UseFile();
    auto tx = ctx.transaction<PQXT20, PQXT21>(1s);
    if (!tx.active()) return false;
    auto& t20 = ctx.access<PQXT20>();
    t20.clearBuffer();
    t20.rec.DOCUMENTNO = doc;
    t20.rec.TRANTYPENUMBER = 5;
    t20.rec.AMOUNT = Decimal::of("23.00");
    t20.rec.PAYMETHOD = 1;
    if (t20.add() != ErrNone) return false;
    auto& t21 = ctx.access<PQXT21>();
    for (std::uint32_t r = 0; r < 3; ++r) {
        t21.clearBuffer();
        t21.rec.DOCUMENTNO = doc;
        t21.rec.DETAILNUMBER = doc * 10 + r;
        t21.rec.DEBIT = Decimal::of("23.00");
        if (t21.add() != ErrNone) return false;
    }
    return tx.commit();
}

// The archiver run straight, without the runner's window (for exports in a child process).
int runDirectly(const Command& c) {
    return systemPlatform().runAndWait(commandProgram(c.words[0]), {c.words.begin() + 1, c.words.end()}, c.folder).value_or(-1);
}

class Export : public ExchangeTest {
protected:
    void SetUp() override {
        ExchangeTest::SetUp();
        setClock(&clock_);
    }
    void TearDown() override {
        if (p_) {
            TestWindow last(rt_, *p_);
            rt_.finish(last);
        }
        ExchangeTest::TearDown();
    }
    void seed(int documents) {
        support::seedPostedSales(data(), documents);
        fs::remove(data() / ".bench-sql");
    }
    void setPrefix(const std::string& prefix) {
        exchange::SqlConnection c(data() / "PAcS10.tps", false, false, 1000);
        ASSERT_TRUE(c.exec("UPDATE PACS10 SET PREFIX = " + exchange::quoteText(prefix))) << c.error();
    }
    // Presses Backup with the target folder typed as given.
    TestWindow backup(const std::string& folder) {
        if (p_) {
            TestWindow previous(rt_, *p_);
            rt_.finish(previous);
        }
        p_ = std::make_unique<POSBackups>();
        auto w = open(*p_);
        EXPECT_EQ(w.text("UserName"), GLO.afrikaans() ? "Verkooppuntdata vir Rovandi" : "Point of Sale data for Rovandi");
        w.type("BackupToDrive", folder);
        w.press("Backup");
        return w;
    }
    Docs live(const std::string& table = "PQXT20") const {
        return documents(data() / (table == "PQXT20" ? "PQxT20.tps" : "PQxT21.tps"), table);
    }
    std::vector<std::string> words() const {  // the archiver's command lines without their folders
        std::vector<std::string> out;
        for (const auto& c : commands()) out.push_back(c.substr(c.find('|') + 1));
        return out;
    }

    FixedClock clock_{dayNumber(2026, 3, 7), 10 * 360000};
    std::unique_ptr<POSBackups> p_;
};

TEST(ExportNames, DateStampAndHistoryNames) {
    EXPECT_EQ(exportDateStamp(dayNumber(2026, 3, 7)), "070326");
    EXPECT_EQ(exportDateStamp(dayNumber(2009, 12, 31)), "311209");
    EXPECT_EQ(historyFileName("PT20", dayNumber(2026, 3, 7)), "PT20732026.his");
    EXPECT_EQ(historyFileName("PT21", dayNumber(2026, 11, 28)), "PT2128112026.his");
    // 11 January and 1 November share a name.
    EXPECT_EQ(historyFileName("PT20", dayNumber(2026, 1, 11)), historyFileName("PT20", dayNumber(2026, 11, 1)));
    support::TempFolder dir;
    EXPECT_EQ(freeHistoryPath(dir.path(), "PT201112026.his"), dir / "PT201112026.his");
    testzip::writeFile(dir / "PT201112026.his", "11 January");
    testzip::writeFile(dir / "PT201112026-2.his", "");
    EXPECT_EQ(freeHistoryPath(dir.path(), "PT201112026.his"), dir / "PT201112026-3.his");
}

TEST_F(Export, ArchivesTestsAndEmptiesTheTablesKeepingTheHistory) {
    seed(25);
    auto w = backup(media().string());  // no separator at the end: added
    EXPECT_FALSE(w.isOpen());
    const fs::path zip = media() / "A070326.zip";
    EXPECT_EQ(words(), (std::vector<std::string>{"-add " + (media() / "A070326").string() + " PQxT20.tps PQxT21.tps",
                                                 "-test " + zip.string()}));
    const std::string listing = run("unzip -l '" + zip.string() + "'");
    EXPECT_NE(listing.find("PQxT20.tps"), std::string::npos) << listing;
    EXPECT_NE(listing.find("PQxT21.tps"), std::string::npos) << listing;
    EXPECT_NE(run("unzip -t '" + zip.string() + "'").find("No errors detected"), std::string::npos);
    ASSERT_EQ(rt_.messages.size(), 2u);
    EXPECT_EQ(rt_.messages[0].title, "Backup");
    EXPECT_EQ(rt_.messages[0].text, "If not internal drive, insert disk/CD in drive " + media().string() + " ...");
    EXPECT_EQ(rt_.messages[1].title, "Backup");
    EXPECT_EQ(rt_.messages[1].text, "Data backup was successful");

    Docs all;
    for (long long d = 1; d <= 25; ++d) all.insert(d);
    EXPECT_EQ(archived(zip, root_ / "x"), std::pair(all, all));
    EXPECT_TRUE(live().empty());
    EXPECT_TRUE(live("PQXT21").empty());
    EXPECT_EQ(documents(data() / "PT20732026.his", "PQXT20"), all);
    EXPECT_EQ(documents(data() / "PT21732026.his", "PQXT21"), all);
    EXPECT_FALSE(fs::exists(data() / ExportJob::kSnapshotFolder));
    // The listings were made: the PDF beside the archive, then the printed one.
    EXPECT_NE(run("pdftotext -layout '" + (media() / "A070326.PDF").string() + "' -").find("575.00"), std::string::npos);
    EXPECT_NE(std::find(rt_.ran.begin(), rt_.ran.end(), "PrintTransactions"), rt_.ran.end());

    // The till goes on posting into the same tables.
    Context till(data());
    EXPECT_TRUE(postSale(till, 26));
    EXPECT_EQ(live(), Docs{26});
}

// The accounting package's side: the archive's header table read with Python's own sqlite3,
// no code of the till, gives the documents and the total the PDF listing shows.
TEST_F(Export, TheArchiveReadsWithoutTheTillsCodeAndMatchesItsListing) {
    Context till(data());
    for (std::uint32_t doc = 1; doc <= 7; ++doc) ASSERT_TRUE(postSale(till, doc));
    backup(media().string());
    fs::create_directories(root_ / "books");
    run("cd '" + (root_ / "books").string() + "' && unzip -q '" + (media() / "A070326.zip").string() + "'");
    testzip::writeFile(root_ / "read.py",
                       "import sqlite3, sys\n"
                       "c = sqlite3.connect('file:' + sys.argv[1] + '?mode=ro', uri=True)\n"
                       "n, cents = c.execute('SELECT count(*), sum(AMOUNT) FROM PQXT20').fetchone()\n"
                       "docs = [r[0] for r in c.execute('SELECT DOCUMENTNO FROM PQXT20 ORDER BY DOCUMENTNO')]\n"
                       "print(n, '%d.%02d' % divmod(cents, 100), docs)\n");
    const std::string read = run("python3 '" + (root_ / "read.py").string() + "' '" + (root_ / "books" / "PQxT20.tps").string() + "'");
    EXPECT_EQ(read, "7 161.00 [1, 2, 3, 4, 5, 6, 7]\n");
    EXPECT_NE(run("pdftotext -layout '" + (media() / "A070326.PDF").string() + "' -").find("161.00"), std::string::npos);
}

TEST_F(Export, CommandLinesForEveryTargetAndPrefix) {
    struct Case {
        std::string typed, prefix, base;
    } cases[] = {
        {"media/", "T01", "media/T01070326"},
        {"media", "T01", "media/T01070326"},
        {"media", "", "media/070326"},
        {"with blanks/", "A", "with blanks/A070326"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed + " " + c.prefix);
        fs::create_directories(root_ / "with blanks");
        fs::remove(root_ / "commands");
        for (const auto& e : fs::directory_iterator(media())) fs::remove(e.path());
        for (const auto& e : fs::directory_iterator(root_ / "with blanks")) fs::remove(e.path());
        setPrefix(c.prefix);
        rt_.messages.clear();
        backup((root_ / c.typed).string());
        const std::string base = (root_ / c.base).string();
        EXPECT_EQ(words(), (std::vector<std::string>{"-add " + base + " PQxT20.tps PQxT21.tps", "-test " + base + ".zip"}));
        EXPECT_TRUE(fs::exists(base + ".zip"));
        ASSERT_FALSE(rt_.messages.empty());
        EXPECT_EQ(rt_.messages.back().text, "Data backup was successful");
    }
}

TEST_F(Export, AnArchiveStillWaitingKeepsItsListingAndNothingIsExported) {
    seed(3);
    testzip::writeFile(media() / "A070326.zip", "waiting for the books");
    testzip::writeFile(media() / "A070326.PDF", "its listing");
    const auto before = dataFiles();
    GLO.LANGUAGENO = kAfrikaans;
    backup(media().string() + "/");
    EXPECT_TRUE(commands().empty());
    ASSERT_EQ(rt_.messages.size(), 1u);
    EXPECT_EQ(rt_.messages[0].title, "Waarskuwing");
    EXPECT_EQ(rt_.messages[0].text, "Daar is Rovandi transaksies wat nog nie ingevoer is nie! | Voer eers in.");
    EXPECT_EQ(testzip::readFile(media() / "A070326.PDF"), "its listing");
    EXPECT_NE(std::find(rt_.ran.begin(), rt_.ran.end(), "PrintTransactions"), rt_.ran.end());  // printed anyway
    EXPECT_EQ(dataFiles(), before);
}

TEST_F(Export, ASecondExportOnADayWithHistoryNeverReplacesIt) {
    seed(2);
    backup(media().string());
    fs::remove(media() / "A070326.zip");  // the accounting package took it
    Context till(data());
    ASSERT_TRUE(postSale(till, 3));
    backup(media().string());
    EXPECT_EQ(documents(data() / "PT20732026.his", "PQXT20"), (Docs{1, 2}));
    EXPECT_EQ(documents(data() / "PT20732026-2.his", "PQXT20"), Docs{3});
    EXPECT_EQ(documents(data() / "PT21732026-2.his", "PQXT21"), Docs{3});
    // 1 November after 11 January: the history of January stays.
    fs::remove(media() / "A070326.zip");
    clock_.set(dayNumber(2026, 1, 11), 0);
    ASSERT_TRUE(postSale(till, 4));
    backup(media().string());
    fs::remove(media() / "A110126.zip");
    clock_.set(dayNumber(2026, 11, 1), 0);
    ASSERT_TRUE(postSale(till, 5));
    backup(media().string());
    EXPECT_EQ(documents(data() / "PT201112026.his", "PQXT20"), Docs{4});
    EXPECT_EQ(documents(data() / "PT201112026-2.his", "PQXT20"), Docs{5});
}

TEST_F(Export, NothingChangesWhenTheExportDoesNotGoThrough) {
    seed(4);
    auto before = dataFiles();
    const auto check = [&](const std::string& what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(dataFiles(), before);
        EXPECT_FALSE(fs::exists(data() / ExportJob::kSnapshotFolder));
        for (const auto& e : fs::recursive_directory_iterator(root_.path()))
            EXPECT_EQ(e.path().string().find(".part-"), std::string::npos) << e.path();
    };
    {  // Cancel, and a blank target
        POSBackups p;
        auto w = open(p);
        w.type("BackupToDrive", media().string());
        w.press("Cancel");
        POSBackups q;
        auto v = open(q);
        v.press("Backup");
        EXPECT_FALSE(v.isOpen());
        EXPECT_TRUE(rt_.messages.empty());
        check("cancel and blank");
    }
    {  // a target folder that is not there: the archiver fails, and says so now
        backup((root_ / "no such folder").string());  // the PDF listing cannot be written either
        ASSERT_GE(rt_.messages.size(), 2u);
        EXPECT_EQ(rt_.messages.back().title, "");
        EXPECT_EQ(rt_.messages.back().text, "Backup failed please contact Varnik Labs");
        check("add fails");
    }
    {  // the archive fails its test: it is removed with the failure message
        const auto fake = root_ / "failing-test";
        std::ofstream(fake) << "#!/bin/sh\n[ \"$1\" = -test ] && exit 3\nexec '" << builtArchiver().string() << "' \"$@\"\n";
        ::chmod(fake.c_str(), 0755);
        setArchiverProgram(fake);
        rt_.messages.clear();
        backup(media().string());
        ASSERT_EQ(rt_.messages.size(), 2u);
        EXPECT_EQ(rt_.messages[1].text, "Backup failed please contact Varnik Labs");
        EXPECT_FALSE(fs::exists(media() / "A070326.zip"));
        check("test fails");
    }
    {  // a prefix or folder that would lead elsewhere, a name too long for the archiver
        for (const char* prefix : {"../", "a/b", "..", "x\\y"}) {
            setPrefix(prefix);
            rt_.messages.clear();
            auto w = backup(media().string());
            EXPECT_TRUE(w.isOpen());
            ASSERT_EQ(rt_.messages.size(), 1u) << prefix;
            EXPECT_EQ(rt_.messages[0].text.find("The workstation prefix may not contain"), 0u);
        }
        setPrefix("A");
        // A folder picked that its field cannot hold is refused, not cut.
        rt_.messages.clear();
        POSBackups p;
        auto w = open(p);
        rt_.fileAnswers.push_back((media() / std::string(60, 'd')).string());
        w.press("Drive");
        ASSERT_EQ(rt_.messages.size(), 1u);
        EXPECT_EQ(rt_.messages[0].text.find("The folder name is longer than 50 characters"), 0u);
        EXPECT_EQ(w.text("BackupToDrive"), "");
        rt_.fileAnswers.push_back(media().string());
        w.press("Drive");
        EXPECT_EQ(w.text("BackupToDrive"), media().string());
        rt_.finish(w);
        rt_.messages.clear();
        backup((media() / ".." / "media").string());
        ASSERT_EQ(rt_.messages.size(), 1u);
        EXPECT_NE(rt_.messages[0].text.find("\"..\""), std::string::npos);
        before.erase("PAcS10.tps");  // the prefixes were set there
        auto after = dataFiles();
        after.erase("PAcS10.tps");
        EXPECT_EQ(after, before);
    }
    EXPECT_EQ(live(), (Docs{1, 2, 3, 4}));
}

// A second till posts all the while: every sale ends up in exactly one of the archive and the
// live tables, and none is refused.
TEST_F(Export, SalesPostedDuringTheExportStayForTheNext) {
    seed(3000);
    const auto stop = root_ / "stop";
    const auto posted = root_ / "posted";
    pid_t till = ::fork();
    if (till == 0) {
        Context ctx(data());
        std::ofstream out(posted);
        int refused = 0;
        for (std::uint32_t doc = 100000; !fs::exists(stop); ++doc) {
            if (postSale(ctx, doc)) out << doc << std::endl;
            else ++refused;
        }
        out << "refused " << refused << std::endl;
        _exit(0);
    }
    while (testzip::readFile(posted).size() < 30) std::this_thread::yield();  // it is posting
    ExportJob job(data());
    std::string why;
    ASSERT_TRUE(job.begin(&why)) << why;
    ASSERT_TRUE(job.snapshot(&why)) << why;
    const auto outcome = job.archive({(media() / "A070326").string()},
                                     runDirectly,
                                     &why);
    ASSERT_EQ(outcome, ExportJob::Outcome::Done) << why;
    testzip::writeFile(stop, "");
    int status = 0;
    ::waitpid(till, &status, 0);

    Docs all;
    for (long long d = 1; d <= 3000; ++d) all.insert(d);
    std::ifstream in(posted);
    std::string line;
    while (std::getline(in, line) && line.rfind("refused", 0) != 0) all.insert(std::stoll(line));
    EXPECT_EQ(line, "refused 0");
    const auto [headers, details] = archived(media() / "A070326.zip", root_ / "x");
    EXPECT_EQ(headers, details);
    const Docs left = live(), leftDetails = live("PQXT21");
    EXPECT_EQ(left, leftDetails);
    Docs both;
    std::set_intersection(headers.begin(), headers.end(), left.begin(), left.end(), std::inserter(both, both.end()));
    EXPECT_TRUE(both.empty());
    Docs together = headers;
    together.insert(left.begin(), left.end());
    EXPECT_EQ(together, all);
    EXPECT_GT(left.size(), 0u) << "the till posted during the export";
}

// The export killed at random moments, each followed by the next start's recovery: a sale is
// exported exactly once, and none is lost.
TEST_F(Export, KilledAtAnyMomentEverySaleIsExportedExactlyOnce) {
    auto exportInChild = [&](int killAfterMicros) {
        pid_t pid = ::fork();
        if (pid == 0) {
            ::setpgid(0, 0);
            ExportJob job(data());
            std::string why;
            if (job.begin(&why) && job.snapshot(&why))
                job.archive({(media() / "A070326").string()},
                            runDirectly,
                            &why);
            _exit(0);
        }
        ::setpgid(pid, pid);
        if (killAfterMicros >= 0) {
            ::usleep(static_cast<useconds_t>(killAfterMicros));
            ::kill(-pid, SIGKILL);
        }
        // The archiver it ran goes with it: everything of its group is waited for (this process
        // takes the orphans in), so nothing of the dead export holds a file afterwards.
        int status = 0;
        while (::waitpid(-pid, &status, 0) > 0 || errno == EINTR) {
        }
    };
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    Context till(data());
    std::uint32_t next = 1;
    Docs all, exported;
    auto postSome = [&] {
        for (int i = 0; i < 20; ++i, ++next) {
            ASSERT_TRUE(postSale(till, next));
            all.insert(next);
        }
    };
    auto collect = [&] {
        std::string why;
        ASSERT_TRUE(recoverExport(data(), &why)) << why;  // the next start
        const Docs left = live();
        EXPECT_EQ(left, live("PQXT21"));
        const fs::path zip = media() / "A070326.zip";
        if (fs::exists(zip)) {
            const auto [headers, details] = archived(zip, root_ / "x");
            EXPECT_EQ(headers, details);
            for (long long d : headers) {
                EXPECT_TRUE(exported.insert(d).second) << "document " << d << " exported twice";
                EXPECT_FALSE(left.count(d)) << "document " << d << " exported and still live";
            }
            fs::remove(zip);  // the accounting package took it
        }
        Docs together = exported;
        together.insert(left.begin(), left.end());
        EXPECT_EQ(together, all);
        for (const auto& e : fs::directory_iterator(media()))
            EXPECT_EQ(e.path().filename().string().find(".part-"), std::string::npos) << e.path();
    };
    // How long one export takes here, to spread the kills over it.
    postSome();
    const auto start = std::chrono::steady_clock::now();
    exportInChild(-1);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
    collect();
    std::mt19937 random(20260307);
    for (int kill = 0; kill < 50; ++kill) {
        postSome();
        exportInChild(static_cast<int>(std::uniform_int_distribution<long long>(0, took * 12 / 10)(random)));
        collect();
    }
    exportInChild(-1);
    collect();
    EXPECT_EQ(exported, all);
}

}  // namespace
}  // namespace tavlo
