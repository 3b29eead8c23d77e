#pragma once
// Shared set-up for the posting tests: a data folder with master data, working lines computed as
// the till screen computes them, and readers and checks for what a posting leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/file_manager.h"
#include "framework/message.h"
#include "pos/till_state.h"
#include "state/globals.h"
#include "support.h"
#include "util/date.h"

namespace tavlo::posting_test {

inline constexpr std::uint16_t kSalesAcc = 1000;     // class "A"
inline constexpr std::uint16_t kSalesAcc2 = 1100;    // class "B"
inline constexpr std::uint16_t kCashAcc = 8400;      // PS10:POSACCNUMBER
inline constexpr std::uint16_t kCardAcc = 8410;      // PS10:POSDIRECTACC
inline constexpr std::uint16_t kDiscAcc = 4900;      // PS10:POSDISCACC
inline constexpr std::uint16_t kVatAcc = 9500;       // VAT code "01" (15.0 %)
inline constexpr std::uint16_t kRebateVatAcc = 9510; // rebate code "R1"
inline constexpr std::uint16_t kDebtor = 8200;       // account type 11
inline constexpr std::uint16_t kDebtor2 = 8201;
inline constexpr std::uint32_t kCashClient = 77;

using support::TempFolder;
using MessageLog = support::MessageScript;

// Registers the use of every table the tests read and write.
void useAllTables(Context& ctx);
// Accounts, VAT codes, items, a cash client, the specification and company records.
void seedMasterData(Context& ctx, std::uint32_t lastDocNr = 1233, const std::string& prefix = "A");

// Item codes of the seeded items: "COKE" 11.50 incl. 15 %, "BREAD" 20.00 excl. 15 %, "MILK" 9.99
// without VAT, "DIESEL" 15.00 with the rebate code, "CAKE" 7.25 incl. 15 % on the second sales account.
struct LineSpec {
    LineSpec() = default;
    LineSpec(std::string code, Decimal quantity = Decimal(1)) : itemCode(std::move(code)), qty(quantity) {}  // NOLINT
    std::string itemCode;
    Decimal qty = Decimal(1);
    Decimal discount;              // percent
    Decimal happyHour;             // percent; 0 when happy hour is off
    std::string description;       // empty: the item's
    std::string operatorNo = "OP1";
};
// The working line as the screen fills it (quantity, discount, VAT and nett steps).
PQXV60 computeLine(Context& ctx, const LineSpec& spec, std::uint16_t salesNumber);
// Adds lines to PQXV60 in one transaction; returns the sum of their nett amounts.
Decimal addLines(Context& ctx, const std::vector<PQXV60>& lines);

// Paid as the screen takes it: the change, and for cash the change rounded up to 5 cents
// (LOC:VERSKIL in whole cents).
void settle(TillLocals& loc, std::uint8_t payment, const Decimal& paid);

template <class T>
std::vector<T> allRecords(Context& ctx) {
    auto& f = ctx.access<T>();
    f.clearBuffer();
    f.SetFileOrder();
    std::vector<T> out;
    while (f.next() == ErrNone) out.push_back(f.rec);
    return out;
}
std::vector<PQXT21> rowsOf(Context& ctx, std::uint32_t documentNo);  // detail-number order
std::vector<PQXH21> historyRowsOf(Context& ctx, std::uint32_t documentNo);
std::optional<PQXT20> headerOf(Context& ctx, std::uint32_t documentNo);
std::optional<PQXH20> historyOf(Context& ctx, std::uint32_t documentNo);
PACS10 company(Context& ctx);

// Checks every document: it balances, its amount and VAT are the sums of its rows, its number
// of entries is its row count, and its history copy (if any) equals it.
void expectSoundDocuments(Context& ctx);
Decimal sumDebit(const std::vector<PQXT21>& rows);
Decimal sumCredit(const std::vector<PQXT21>& rows);

// A posting test: folder, context, master data, till state opened, fixed clock.
class PostingTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Rings up lines under the till's current sales number; returns their nett total.
    Decimal ring(const std::vector<LineSpec>& specs);
    // Cash sale settled with paid and the change rounded as the screen rounds it.
    void tender(std::uint8_t payment, const Decimal& paid);

    TempFolder folder_;
    std::unique_ptr<Context> ctx_;
    std::unique_ptr<TillState> till_;
    MessageLog messages_;
    FixedClock clock_{dayNumber(2024, 3, 15), 14 * 360000 + 5 * 6000};
    // These tests need no protection against power loss; the killed-process test keeps it.
    support::ProgramStateGuard state_{{.clock = &clock_, .syncWrites = false}};
    std::vector<SlipArgs> slips_;
    bool finish();
};

}  // namespace tavlo::posting_test
