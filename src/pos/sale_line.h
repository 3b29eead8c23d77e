#pragma once
// The arithmetic of one sale line and of the cash change, apart from any window, so that the
// till screen, its tests and its benchmark share one computation.
#include <string>

#include "data/tables.h"
#include "util/decimal.h"

namespace tavlo {

// The price the Selling Price column shows in happy hour: (100 - percent) / 100 x price,
// kept with the column's 3 places.
Decimal happyHourPrice(const Decimal& price, const Decimal& percent);

struct LineAmounts {
    Decimal debit;          // PV60:DEBIT, VAT excluded
    Decimal vat;            // PV60:VATAMOUNT
    Decimal nett;           // PV60:NETTAMOUNT = debit + vat
    std::string vatStatus;  // the item's VAT status after the rebate rule
    bool fits = true;       // false: an amount is too large for its field; nothing else is set
};

// One line: price x quantity, less the line discount; in happy hour the price is the reduced
// one already and the line discount does not apply. Then VAT by the item's VAT code: a rebate
// code takes percentage x quantity x tariff out of the amount; status "I" means the price
// includes VAT; any other status adds it. `vat` is the PQXV01 record of the item's VAT code,
// cleared when there is none. Every result is rounded to the places of its field.
LineAmounts computeLine(const Decimal& qty, const Decimal& price, const Decimal& discount, bool happyHour,
                        const PQXV01& vat, const std::string& itemVatStatus);

// Whole cents (0 to 4) that round cash change up to a multiple of 5 cents: 2.68 needs 2, 2.61
// needs 4, 2.65 and 2.60 need none.
int cashRoundingCents(const Decimal& change);

// The sales number after `current`: 16 bits, and 0 is never a sales number.
std::uint16_t nextSalesNumber(std::uint16_t current);

}  // namespace tavlo
