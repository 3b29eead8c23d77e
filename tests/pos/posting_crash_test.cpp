// Crash safety: a storage failure at any write, or the posting process killed at any moment,
// leaves either the whole sale posted with its working lines gone, or nothing posted with the
// lines still there.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <set>
#include <thread>

#include "posting_fixture.h"

namespace tavlo::posting_test {
namespace {

using namespace std::chrono_literals;

// Every record of a table as text, in file order.
std::vector<std::string> dump(Context& ctx, const TableDef& def) {
    auto& f = ctx.access(def);
    f.clearBuffer();
    f.SetFileOrder();
    std::vector<std::string> out;
    while (f.next() == ErrNone) {
        std::string row;
        for (const FieldDef& field : def.fields) {
            FieldValue v = fieldValue(field, f.buffer());
            if (auto* i = std::get_if<long long>(&v)) row += std::to_string(*i);
            else if (auto* d = std::get_if<double>(&v)) row += std::to_string(*d);
            else if (auto* s = std::get_if<std::string>(&v)) row += clip(*s);
            else row += std::get<Decimal>(v).toString();
            row += '|';
        }
        out.push_back(row);
    }
    return out;
}

const std::vector<const TableDef*>& postingTables() {
    static const std::vector<const TableDef*> tables = {
        &PQXV60::table(), &PQXV61::table(), &PQXT20::table(), &PQXT21::table(), &PQXH20::table(),
        &PQXH21::table(), &PQXC11::table(), &PQXA10::table(), &PACS10::table()};
    return tables;
}

std::map<std::string, std::vector<std::string>> snapshot(Context& ctx) {
    std::map<std::string, std::vector<std::string>> s;
    for (const TableDef* t : postingTables()) s[t->label] = dump(ctx, *t);
    return s;
}

// A sale that makes every kind of write: it pays a tab (tab lines and marker), has VAT and
// VAT-less lines, history, the counter and a rounding document.
class FaultAtEachWrite : public PostingTest {
protected:
    void prepare() {
        auto& v61 = ctx_->access<PQXV61>();
        for (const char* code : {"COKE", "MILK"}) {
            PQXV60 line = computeLine(*ctx_, {code}, 4);
            v61.clearBuffer();
            copyFields(v61.rec, line);
            v61.rec.CLIENTNO = kCashClient;
            v61.rec.DOCUMENTNO = 1240;
            ASSERT_EQ(v61.add(), ErrNone);
        }
        auto& c11 = ctx_->access<PQXC11>();
        c11.clearBuffer();
        c11.rec.CLIENTNO = kCashClient;
        ASSERT_EQ(c11.get(PC11::ClientNoKey), ErrNone);
        c11.rec.DOCNO = 1240;
        ASSERT_EQ(c11.put(), ErrNone);
        till_->LOC.TAG = 1;
        till_->LOC.TAGACCNUMBER = kCashClient;
        ASSERT_TRUE(till_->TakeUpTab());
        Decimal total = till_->LOC.TOTALAMOUNT;
        total += ring({{"BREAD"}, {"DIESEL", Decimal(2)}});
        tender(1, total + Decimal::of("0.01"));  // change rounded: 0.04
        ASSERT_FALSE(till_->LOC.VERSKIL.isZero());
    }
};

TEST_F(FaultAtEachWrite, NothingIsWrittenAndTheSaleCanBeFinishedAfterwards) {
    prepare();
    const auto before = snapshot(*ctx_);
    const TillLocals locBefore = till_->LOC;
    int n = 1;
    for (;; ++n) {
        SCOPED_TRACE("failing write " + std::to_string(n));
        bool hit = false;
        till_->setWriteFault([&](const WriteSite& w) {
            if (w.sequence != n) return 0;
            hit = true;
            return static_cast<int>(ErrEngine);
        });
        messages_.shown.clear();
        const bool posted = finish();
        if (!hit) {
            ASSERT_TRUE(posted);
            break;
        }
        ASSERT_FALSE(posted);
        EXPECT_FALSE(messages_.shown.empty());
        EXPECT_TRUE(snapshot(*ctx_) == before);
        EXPECT_EQ(till_->LOC.SALESNUMBER, locBefore.SALESNUMBER);
        EXPECT_EQ(till_->LOC.TAG, 1);
        EXPECT_EQ(till_->LOC.VERSKIL, locBefore.VERSKIL);
        EXPECT_TRUE(slips_.empty());
    }
    // Header, 6 rows, VAT rows, control, header totals, 4 working lines, tab lines, marker,
    // history, counter and the rounding document: every one of them was failed once.
    EXPECT_GT(n, 25);
    EXPECT_EQ(allRecords<PQXT20>(*ctx_).size(), 2u);
    EXPECT_TRUE(allRecords<PQXV60>(*ctx_).empty());
    EXPECT_TRUE(allRecords<PQXV61>(*ctx_).empty());
    EXPECT_EQ(headerOf(*ctx_, 1240)->AMOUNT, locBefore.TOTALAMOUNT);
    expectSoundDocuments(*ctx_);
}

// ---- a posting process killed at an arbitrary moment ---------------------------------------

// The lines of sale i, the same in the process that posts and in the one that checks.
std::vector<LineSpec> saleSpec(int i) {
    static const char* items[] = {"COKE", "BREAD", "MILK", "DIESEL", "CAKE"};
    std::vector<LineSpec> specs;
    for (int n = 0; n < 3 + i % 6; ++n) specs.push_back({items[(i + n) % 5], Decimal(1 + (i * 7 + n) % 4)});
    return specs;
}
constexpr std::uint16_t kFirstSale = 100;

// Runs in the child: rings up and finishes sales until it is killed.
[[noreturn]] void postUntilKilled(const std::filesystem::path& folder, int firstIndex) {
    setMessageHandler([](const MessageRequest& r) { return r.defaultButton; });
    Context ctx(folder);
    useAllTables(ctx);
    TillState till(ctx);
    till.Open();
    for (int i = firstIndex;; ++i) {
        till.LOC.SALESNUMBER = static_cast<std::uint16_t>(kFirstSale + i);
        std::vector<PQXV60> lines;
        for (const LineSpec& s : saleSpec(i)) lines.push_back(computeLine(ctx, s, till.LOC.SALESNUMBER));
        Decimal total = addLines(ctx, lines);
        till.LOC.TOTALAMOUNT = total;
        till.LOC.PAYMENT = 1;
        till.LOC.PAID = total + Decimal::of("0.02");
        till.LOC.VERSKIL = Decimal(3);  // change 0.02 rounded up to 0.05
        till.LOC.CHANGE = Decimal::of("0.05");
        while (!till.Finished()) {
        }
    }
}

Decimal expectedTotal(Context& ctx, int i) {
    Decimal total;
    for (const LineSpec& s : saleSpec(i)) total += computeLine(ctx, s, 0).NETTAMOUNT;
    return total;
}

TEST(PostingKilled, EverySaleIsWhollyPostedOrWhollyWaiting) {
    MessageLog messages;
    FixedClock clock(dayNumber(2024, 3, 15), 0);
    support::ProgramStateGuard state({.clock = &clock});
    TempFolder folder;
    {
        Context ctx(folder.path());
        useAllTables(ctx);
        seedMasterData(ctx);
    }
    std::mt19937 rng(7);
    int nextIndex = 0;
    int killedMidWay = 0;
    for (int round = 0; round < 24; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) postUntilKilled(folder.path(), nextIndex);
        std::this_thread::sleep_for(std::chrono::microseconds(20000 + rng() % 120000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        for (const auto& e : std::filesystem::directory_iterator(folder.path()))
            if (e.path().string().find("journal") != std::string::npos) {
                ++killedMidWay;
                break;
            }

        // Look at what is left, as the next start of the till would.
        Context ctx(folder.path());
        useAllTables(ctx);
        std::map<std::uint16_t, int> waiting;
        for (const PQXV60& line : allRecords<PQXV60>(ctx)) ++waiting[line.SALESNUMBER];
        std::set<std::uint16_t> posted;
        std::map<std::uint32_t, Decimal> roundingAt;  // by document number
        std::set<std::uint32_t> saleDocuments;
        for (const PQXT20& h : allRecords<PQXT20>(ctx)) {
            if (clip(h.TRANDESC) == "Rounding") {
                roundingAt[h.DOCUMENTNO] = h.AMOUNT;
                continue;
            }
            saleDocuments.insert(h.DOCUMENTNO);
            const int index = static_cast<int>(h.TRANNUMBER) - kFirstSale;
            EXPECT_TRUE(posted.insert(static_cast<std::uint16_t>(h.TRANNUMBER)).second) << "posted twice";
            EXPECT_EQ(h.AMOUNT, expectedTotal(ctx, index)) << "sale " << index;
            EXPECT_FALSE(waiting.count(static_cast<std::uint16_t>(h.TRANNUMBER))) << "posted and still waiting";
            auto hist = historyOf(ctx, h.DOCUMENTNO);
            ASSERT_TRUE(hist) << "no history for " << h.DOCUMENTNO;
            EXPECT_EQ(hist->VERSKIL, Decimal::of("0.03"));
        }
        // Each posted sale has its rounding document, numbered right after it in the same commit.
        EXPECT_EQ(roundingAt.size(), posted.size());
        for (std::uint32_t d : saleDocuments) {
            auto it = roundingAt.find(d + 1);
            ASSERT_NE(it, roundingAt.end()) << "no rounding for document " << d;
            EXPECT_EQ(it->second, Decimal::of("0.03"));
        }
        for (const auto& [salesNumber, count] : waiting)
            EXPECT_EQ(count, static_cast<int>(saleSpec(salesNumber - kFirstSale).size())) << "half a sale waiting";
        expectSoundDocuments(ctx);

        // The interrupted sale is finished by the next start; the next child goes on after it.
        TillState till(ctx);
        till.Open();
        for (const auto& [salesNumber, count] : waiting) {
            till.LOC.SALESNUMBER = salesNumber;
            till.LOC.PAYMENT = 1;
            till.LOC.PAID = expectedTotal(ctx, salesNumber - kFirstSale) + Decimal::of("0.02");
            till.LOC.VERSKIL = Decimal(3);
            till.LOC.CHANGE = Decimal::of("0.05");
            ASSERT_TRUE(till.Finished());
        }
        EXPECT_TRUE(allRecords<PQXV60>(ctx).empty());
        std::uint16_t highest = 0;
        for (const PQXT20& h : allRecords<PQXT20>(ctx))
            if (clip(h.TRANDESC) != "Rounding") highest = std::max(highest, static_cast<std::uint16_t>(h.TRANNUMBER));
        nextIndex = highest == 0 ? 0 : highest - kFirstSale + 1;
    }
    RecordProperty("killed_inside_a_transaction", killedMidWay);
    EXPECT_GT(killedMidWay, 0) << "no kill landed inside a transaction";
}

}  // namespace
}  // namespace tavlo::posting_test
