#include "pos/sale_line.h"

#include "util/text.h"

namespace tavlo {

namespace {
const Decimal kHundred(100);
}

Decimal happyHourPrice(const Decimal& price, const Decimal& percent) {
    return storeDecimal((kHundred - percent) / kHundred * price, 6, 3);
}

LineAmounts computeLine(const Decimal& qty, const Decimal& price, const Decimal& discount, bool happyHour,
                        const PQXV01& vat, const std::string& itemVatStatus) {
    LineAmounts out;
    try {
        Decimal gross = price * qty;
        if (!happyHour && !discount.isZero()) gross = (kHundred - discount) / kHundred * price * qty;
        Decimal debit = storeDecimal(gross, 7, 2);
        Decimal tax;
        std::string status = itemVatStatus;
        if (vat.REBATE != 0) {
            status.assign(1, 'I');
            tax = storeDecimal(vat.PERCENTAGE / kHundred * qty * vat.TARRIFF, 7, 2);
            debit = storeDecimal(debit - tax, 7, 2);
        } else if (clip(status) == "I") {
            tax = storeDecimal(debit * vat.VATRATE / (kHundred + vat.VATRATE), 7, 2);
            debit = storeDecimal(debit - tax, 7, 2);
        } else {
            tax = storeDecimal(vat.VATRATE / kHundred * debit, 7, 2);
        }
        out.nett = storeDecimal(debit + tax, 6, 2);
        out.debit = debit;
        out.vat = tax;
        out.vatStatus = status;
    } catch (const DecimalOverflow&) {
        out = LineAmounts{};
        out.fits = false;
    }
    return out;
}

int cashRoundingCents(const Decimal& change) {
    // The digit two places after the point of the change written out.
    long long cents = static_cast<long long>(change.abs().scaled(2) % 10);
    if (cents >= 1 && cents <= 4) return static_cast<int>(5 - cents);
    if (cents >= 6) return static_cast<int>(10 - cents);
    return 0;
}

std::uint16_t nextSalesNumber(std::uint16_t current) {
    return current == 0xFFFF ? 1 : static_cast<std::uint16_t>(current + 1);
}

}  // namespace tavlo
