// Four till processes started at the same moment on one data folder, none given its numbers by
// hand: each rings up random sales through TillState and logs what its screen showed. Every
// posted document must be exactly one screen's sale.
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "data/storage.h"
#include "posting_fixture.h"

namespace tavlo::posting_test {
namespace {

constexpr int kTills = 4;
constexpr int kSalesPerTill = 200;

// What one screen showed for one sale, as a line of its log.
struct Shown {
    std::uint32_t documentNo = 0;
    Decimal total, vat, paid, change;
    int items = 0, vatRows = 0;
    int payment = 0, creditNote = 0;
    long long roundingCents = 0;
    std::string operatorNo;

    std::string line() const {
        std::ostringstream o;
        o << documentNo << ' ' << total.toString() << ' ' << vat.toString() << ' ' << paid.toString() << ' '
          << change.toString() << ' ' << items << ' ' << vatRows << ' ' << payment << ' ' << creditNote << ' '
          << roundingCents << ' ' << operatorNo;
        return o.str();
    }
    static Shown parse(const std::string& text) {
        std::istringstream in(text);
        Shown s;
        std::string total, vat, paid, change;
        in >> s.documentNo >> total >> vat >> paid >> change >> s.items >> s.vatRows >> s.payment >> s.creditNote >>
            s.roundingCents >> s.operatorNo;
        s.total = Decimal::of(total);
        s.vat = Decimal::of(vat);
        s.paid = Decimal::of(paid);
        s.change = Decimal::of(change);
        return s;
    }
};

// One till: opens when the others do, rings up random sales and finishes each, pressing Finished
// again when the tables were busy, as the operator would. Exit 0 when every sale was finished.
[[noreturn]] void runTill(const std::filesystem::path& folder, int tillNo, int startFd) {
    setSyncWrites(false);
    int refused = 0;
    setMessageHandler([&](const MessageRequest& r) {
        ++refused;
        return r.defaultButton;
    });
    char go;
    if (::read(startFd, &go, 1) != 1) ::_exit(3);
    Context ctx(folder);
    ctx.OPERATOR = "OP" + std::to_string(tillNo + 1);
    useAllTables(ctx);
    TillState till(ctx);
    if (!till.Open()) ::_exit(4);
    std::ofstream log(folder / ("till" + std::to_string(tillNo) + ".log"));
    std::mt19937 rng(static_cast<unsigned>(tillNo * 7919 + 17));
    static const char* items[] = {"COKE", "BREAD", "MILK", "DIESEL", "CAKE"};
    for (int i = 0; i < kSalesPerTill; ++i) {
        TillLocals& L = till.LOC;
        Shown shown;
        shown.operatorNo = ctx.OPERATOR.str();
        std::vector<PQXV60> lines;
        for (int n = 1 + static_cast<int>(rng() % 5); n > 0; --n) {
            LineSpec spec(items[rng() % 5], Decimal(static_cast<long long>(1 + rng() % 4)));
            if (rng() % 4 == 0) spec.discount = Decimal(static_cast<long long>(5 * (1 + rng() % 3)));
            spec.operatorNo = shown.operatorNo;
            lines.push_back(computeLine(ctx, spec, L.SALESNUMBER));
            shown.vat += lines.back().VATAMOUNT;
            shown.vatRows += clip(lines.back().VATCODE).empty() ? 0 : 1;
        }
        shown.items = static_cast<int>(lines.size());
        shown.total = addLines(ctx, lines);
        L.TOTALAMOUNT = shown.total;
        L.CREDITNOTE = rng() % 8 == 0 ? 1 : 0;
        if (rng() % 6 == 0) {
            L.CASH = 0;
            L.CREDIT = 1;
            L.DEBTOR = kDebtor;
            settle(L, 4, shown.total);
        } else {
            L.CASH = 1;
            L.CREDIT = 0;
            const auto payment = static_cast<std::uint8_t>(1 + rng() % 3);
            settle(L, payment, payment == 1 ? shown.total + Decimal::fromScaled(static_cast<long long>(rng() % 900), 2)
                                            : shown.total);
        }
        shown.paid = L.PAID;
        shown.change = L.CHANGE;
        shown.payment = L.PAYMENT;
        shown.creditNote = L.CREDITNOTE;
        shown.roundingCents = L.VERSKIL.rounded(0).toLongLong();
        int presses = 0;
        while (!till.Finished())
            if (++presses == 200) ::_exit(2);
        shown.documentNo = L.DOCUMENTNO;
        // With a rounding the last document is the rounding's: the sale's came just before it.
        if (shown.roundingCents != 0) --shown.documentNo;
        log << shown.line() << '\n' << std::flush;
    }
    log << "refused " << refused << '\n';
    ::_exit(0);
}

std::uint16_t expectedType(const Shown& s) {
    if (s.payment == 4) return s.creditNote ? 39 : 35;
    if (s.creditNote) return 7;
    return s.payment == 2 ? 4 : 5;
}

TEST(FourTills, EveryPostedDocumentIsExactlyWhatOneScreenShowed) {
    MessageLog messages;
    FixedClock clock(dayNumber(2024, 3, 15), 0);
    support::ProgramStateGuard state({.clock = &clock});
    TempFolder folder;
    {
        // Only the master data exists: the tills create the working and transaction tables
        // themselves, all at the same moment.
        Context ctx(folder.path());
        useAllTables(ctx);
        seedMasterData(ctx);
    }
    for (const char* f : {"PQxV60.tps", "PQxT20.tps", "PQxT21.tps", "PQxH20.tps", "PQxH21.tps"})
        std::filesystem::remove(folder.path() / f);
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    pid_t tills[kTills];
    for (int t = 0; t < kTills; ++t) {
        tills[t] = ::fork();
        ASSERT_GE(tills[t], 0);
        if (tills[t] == 0) {
            ::close(start[1]);
            runTill(folder.path(), t, start[0]);
        }
    }
    ::close(start[0]);
    ASSERT_EQ(::write(start[1], std::string(kTills, 'g').data(), kTills), kTills);
    ::close(start[1]);
    for (pid_t p : tills) {
        int status = 0;
        ::waitpid(p, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << "a till ended early";
        EXPECT_EQ(WEXITSTATUS(status), 0) << "a till ended early";
    }

    std::map<std::uint32_t, Shown> shownByDocument;
    int refused = 0;
    for (int t = 0; t < kTills; ++t) {
        std::ifstream log(folder.path() / ("till" + std::to_string(t) + ".log"));
        std::string line;
        int sales = 0;
        while (std::getline(log, line)) {
            if (line.rfind("refused ", 0) == 0) {
                refused += std::stoi(line.substr(8));
                continue;
            }
            Shown s = Shown::parse(line);
            EXPECT_TRUE(shownByDocument.emplace(s.documentNo, s).second) << "two screens got document " << s.documentNo;
            ++sales;
        }
        EXPECT_EQ(sales, kSalesPerTill) << "till " << t;
    }
    RecordProperty("finished_presses_refused", refused);

    Context ctx(folder.path());
    useAllTables(ctx);
    expectSoundDocuments(ctx);
    EXPECT_TRUE(allRecords<PQXV60>(ctx).empty()) << "only unfinished sales stay in the working table";
    int sales = 0, roundings = 0, expectedRoundings = 0;
    for (const auto& [doc, s] : shownByDocument) expectedRoundings += s.roundingCents != 0;
    for (const PQXT20& h : allRecords<PQXT20>(ctx)) {
        if (clip(h.TRANDESC) == "Rounding") {
            ++roundings;
            continue;
        }
        ++sales;
        auto it = shownByDocument.find(h.DOCUMENTNO);
        ASSERT_NE(it, shownByDocument.end()) << "document " << h.DOCUMENTNO << " is no screen's sale";
        const Shown& s = it->second;
        SCOPED_TRACE("document " + std::to_string(h.DOCUMENTNO) + ": " + s.line());
        EXPECT_EQ(h.AMOUNT, s.total);
        EXPECT_EQ(h.VAT, s.vat);
        EXPECT_EQ(h.NOOFENTRIES, s.items + s.vatRows + 1);
        EXPECT_EQ(h.PAYMETHOD, s.payment);
        EXPECT_EQ(h.TRANTYPENUMBER, expectedType(s));
        auto rows = rowsOf(ctx, h.DOCUMENTNO);
        ASSERT_FALSE(rows.empty());
        for (const PQXT21& r : rows)  // VAT rows carry no operator
            EXPECT_TRUE(clip(r.REFERENCE2) == s.operatorNo || (r.RECORDSTATUS == 1 && clip(r.CLASSCODE) == "I"))
                << "row of another operator";
        auto hist = historyOf(ctx, h.DOCUMENTNO);
        ASSERT_TRUE(hist);
        EXPECT_EQ(hist->PAID, s.paid);
        EXPECT_EQ(hist->CHANGE, s.change);
        if (s.roundingCents != 0) {
            auto rounding = headerOf(ctx, h.DOCUMENTNO + 1);
            ASSERT_TRUE(rounding && clip(rounding->TRANDESC) == "Rounding");
            EXPECT_EQ(rounding->AMOUNT, Decimal(s.roundingCents) / Decimal(100));
            EXPECT_EQ(clip(rowsOf(ctx, rounding->DOCUMENTNO).front().REFERENCE2), s.operatorNo);
        }
    }
    EXPECT_EQ(sales, kTills * kSalesPerTill) << "a sale is missing";
    EXPECT_EQ(roundings, expectedRoundings);
}

}  // namespace
}  // namespace tavlo::posting_test
