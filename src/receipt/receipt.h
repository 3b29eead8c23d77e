#pragma once
// What a slip on the receipt printer says, read from the posted tables the same way the page
// slips read them: the shop's block, the lines, VAT, total, rounding, tender, change, date,
// document number and time. Rendering to the printer's bytes is escpos.h; this part only reads.
#include <cstdint>
#include <string>
#include <vector>

#include "data/file_manager.h"
#include "reports/cash_slip.h"
#include "util/date.h"
#include "util/decimal.h"

namespace tavlo::receipt {

struct ReceiptLine {
    std::string code;
    std::string description;
    Decimal qty;     // 3 places, may be negative
    Decimal price;   // the item's till price
    Decimal amount;  // VAT included
};

enum class ReceiptKind { Cash, Debtor, Reprint, Tab, TestPage };

struct Receipt {
    ReceiptKind kind = ReceiptKind::Cash;
    // The page slip's procedure: its captions are translated under this name.
    std::string procedure = "PrintCashSlip";
    std::string company, address1, address2, address3, telNr, faxNr, vatNr;
    std::string heading;  // "Tax Invoice", "Tax Credit Note", "Tag", ...
    bool copy = false;    // a reprint: "(Copy)"
    std::vector<ReceiptLine> lines;
    Decimal vat, total;
    Decimal rounding;  // as printed: the sale's rounding negated; its line only when not zero
    bool tender = true;  // paid and change lines (not on a tab slip)
    std::string payType;
    Decimal paid, change;
    std::string client;                         // a credit sale: the account's name
    std::vector<std::string> debtorAddress;     // up to three lines
    bool debtorDetails = false;                 // the debtor's VAT number and the order number
    std::string debtorVat, orderNo;
    DayNumber date = 0;
    std::string time;
    std::string document;  // prefix and number: "AB1234"
    std::uint8_t payMethod = 0;
    std::vector<std::string> notes;  // free lines (the test page)

    bool cashSale() const { return payMethod == 1 && kind != ReceiptKind::Reprint; }
};

// The slip of a posted sale (PQXT20 / PQXT21): the cash slip, or with debtorSlip the slip of a
// credit sale with the debtor's address, VAT number and order number. Reads on the caller's
// context and leaves its buffers and positions as they were. An empty receipt (no lines) when
// the document has no printable row.
Receipt saleReceipt(Context& ctx, const report::SlipArguments& args, bool debtorSlip);
// The slip of a document again, from the history tables (PQXH20 / PQXH21), marked "(Copy)".
Receipt reprintReceipt(Context& ctx, std::uint32_t documentNo);
// The tab slip of one visit: the owner's lines on the tab that carry the visit's sales number.
Receipt tabReceipt(Context& ctx, std::uint32_t owner, std::uint32_t documentNo, std::uint16_t salesNumber);
// A page to check the set-up: the shop's block, the letters the shop's language needs, a ruler.
Receipt testPageReceipt(Context& ctx);

}  // namespace tavlo::receipt
