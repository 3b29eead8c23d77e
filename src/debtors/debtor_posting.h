#pragma once
// Posting a payment received from a debtor: one document of transaction type 10 whatever the
// tender, its header on the till's control account for the tender, a row crediting the debtor
// and the control row debiting the till. Written all or nothing, numbered inside the transaction
// from the counter as stored, so it never takes a number a till or another payment used.
#include <cstdint>
#include <string>

#include "pos/document_writer.h"
#include "util/decimal.h"

namespace tavlo {

struct DebtorPaymentEntry {
    std::uint16_t debtor = 0;  // PA10:ACCNUMBER of the debtor's account
    std::uint8_t payment = 0;  // 1 cash, 2 credit card, 3 cheque
    Decimal amount;            // more than 0
};

struct DebtorPaymentPosted {
    enum class Failure { None, NoDebtor, NoTender, NoAmount, LockedOut, DebtorRow, Storage };
    Failure failure = Failure::None;
    std::uint32_t documentNo = 0;  // the document posted
    std::string error;             // the storage's text of a failed write
    bool ok() const { return failure == Failure::None; }
};

// Checks the entry and posts it in one transaction (1-second lock wait). Nothing is written
// unless everything is. `write`, when given, makes the writes (tests inject failures there).
// The PQXA10 buffer is left as it was.
DebtorPaymentPosted postDebtorPayment(Context& ctx, const DebtorPaymentEntry& entry,
                                      DocumentWriter::WriteFn write = {});

}  // namespace tavlo
