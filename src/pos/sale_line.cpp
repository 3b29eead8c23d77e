#include "pos/sale_line.h"

#include "util/text.h"

namespace tavlo {

namespace {
const Decimal kHundred(100);
}

Decimal happyHourPrice(const Decimal& price, const Decimal& percent) {
    return fitField((kHundred - percent) / kHundred * price, PQXV60::Size::SELLINGPRICE);
}

LineAmounts computeLine(const Decimal& qty, const Decimal& price, const Decimal& discount, bool happyHour,
                        const PQXV01& vat, const std::string& itemVatStatus) {
    LineAmounts out;
    try {
        Decimal gross = price * qty;
        if (!happyHour && !discount.isZero()) gross = (kHundred - discount) / kHundred * price * qty;
        Decimal debit = fitField(gross, PQXV60::Size::DEBIT);
        Decimal tax;
        std::string status = itemVatStatus;
        if (vat.REBATE != 0) {
            status.assign(1, 'I');
            tax = fitField(vat.PERCENTAGE / kHundred * qty * vat.TARRIFF, PQXV60::Size::VATAMOUNT);
            debit = fitField(debit - tax, PQXV60::Size::DEBIT);
        } else if (clip(status) == "I") {
            tax = fitField(debit * vat.VATRATE / (kHundred + vat.VATRATE), PQXV60::Size::VATAMOUNT);
            debit = fitField(debit - tax, PQXV60::Size::DEBIT);
        } else {
            tax = fitField(vat.VATRATE / kHundred * debit, PQXV60::Size::VATAMOUNT);
        }
        out.nett = fitField(debit + tax, PQXV60::Size::NETTAMOUNT);
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
