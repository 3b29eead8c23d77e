#include "debtors/debtor_posting.h"

#include <chrono>
#include <vector>

#include "data/company_record.h"
#include "data/file_manager.h"
#include "data/transaction_types.h"
#include "state/globals.h"
#include "util/date.h"
#include "util/picture.h"
#include "util/text.h"

namespace tavlo {

namespace {

using namespace std::chrono_literals;

constexpr auto kLockWait = 1000ms;

// Registers the use of the tables a payment reads and writes while it lives.
class Uses {
public:
    explicit Uses(Context& ctx) : ctx_(ctx) {
        for (const TableDef* t : tables()) ctx_.access(*t).UseFile();
    }
    ~Uses() {
        for (const TableDef* t : tables()) ctx_.access(*t).Close();
    }
    Uses(const Uses&) = delete;
    Uses& operator=(const Uses&) = delete;

private:
    static std::vector<const TableDef*> tables() {
        return {&PACS10::table(), &PQXA10::table(), &PQXS10::table(), &PQXT20::table(), &PQXT21::table()};
    }
    Context& ctx_;
};

PQXS10 settingsRecord(Context& ctx) {
    auto& s10 = ctx.access<PQXS10>();
    s10.clearBuffer();
    s10.SetFileOrder();
    return s10.next() == ErrNone ? s10.rec : PQXS10{};
}

}  // namespace

DebtorPaymentPosted postDebtorPayment(Context& ctx, const DebtorPaymentEntry& entry, DocumentWriter::WriteFn write) {
    using Failure = DebtorPaymentPosted::Failure;
    DebtorPaymentPosted posted;
    auto refuse = [&](Failure failure) {
        posted.failure = failure;
        return posted;
    };
    if (entry.debtor == 0) return refuse(Failure::NoDebtor);
    if (entry.payment < 1 || entry.payment > 3) return refuse(Failure::NoTender);
    if (entry.amount <= Decimal(0)) return refuse(Failure::NoAmount);

    Uses uses(ctx);
    // The window shows the debtor from the PQXA10 buffer; the lookups here leave it as it was.
    struct KeepBuffer {
        FileManager<PQXA10>& file;
        FileManager<PQXA10>::Saved saved;
        ~KeepBuffer() { file.RestoreFile(saved); }
    } keep{ctx.access<PQXA10>(), ctx.access<PQXA10>().SaveFile()};

    auto& a10 = ctx.access<PQXA10>();
    a10.clearBuffer();
    a10.rec.ACCNUMBER = entry.debtor;
    if (a10.get(PA10::AccNumberKey) != ErrNone) return refuse(Failure::NoDebtor);
    const PQXA10 debtor = a10.rec;
    const PQXS10 settings = settingsRecord(ctx);
    auto& cs10 = ctx.access<PACS10>();
    const PACS10 company = readCompanyRecord(cs10) == ErrNone ? cs10.rec : PACS10{};

    DocumentWriter writer(ctx);
    if (write) writer.setWrite(std::move(write));
    // Each step returns its outcome; the first failure ends the posting and is the one told.
    auto fail = [&](Failure failure, Outcome why) {
        if (why) why = Outcome::failure(ErrEngine);  // a step that failed without saying why
        posted.failure = why.code() == ErrLockedOut ? Failure::LockedOut : failure;
        posted.error = why.text();
        posted.documentNo = 0;
        return posted;
    };

    Transaction tx(ctx, {&PACS10::table(), &PQXT20::table(), &PQXT21::table()}, kLockWait);
    if (!tx.active()) return fail(Failure::LockedOut, Outcome::failure(tx.errorCode() ? tx.errorCode() : ErrLockedOut, tx.errorText()));
    writer.forget();
    std::uint32_t known = 0;
    Outcome why;
    const std::optional<std::uint32_t> number = writer.freeDocumentNo(writer.counterNow(known) + 1, known, &why);
    if (!number) return fail(Failure::Storage, why);
    posted.documentNo = *number;

    auto& t20 = ctx.access<PQXT20>();
    t20.clearBuffer();
    PQXT20& h = t20.rec;
    h.DOCUMENTNO = *number;
    h.TRANTYPENUMBER = trantype::kDebtorPayment;
    h.ACCNUMBER = entry.payment == 2 ? settings.POSDIRECTACC : settings.POSACCNUMBER;
    // The prefix as stored, its trailing blanks kept.
    h.REFERENCE1 = fitField(padToBytes(company.PREFIX, PACS10::Size::PREFIX.bytes) + std::to_string(*number), PQXT20::Size::REFERENCE1);
    h.TRANSDATE = today();
    h.TRANDESC = debtor.ACCDESC;
    h.NOOFENTRIES = 0;
    h.LOOKUPDATE = formatPicture("@d12", Decimal(static_cast<long long>(h.TRANSDATE)));
    h.PAYMETHOD = entry.payment;
    if (Outcome r = writer.addHeader(t20); !r) return fail(Failure::Storage, r);
    const PQXT20 header = t20.rec;

    std::uint32_t detail = 0;
    if (Outcome r = writer.nextDetailNumber(detail); !r) return fail(Failure::Storage, r);
    auto& t21 = ctx.access<PQXT21>();
    t21.clearBuffer();
    PQXT21& r = t21.rec;
    r.DOCUMENTNO = header.DOCUMENTNO;
    r.TRANSDATE = header.TRANSDATE;
    r.CLASSCODE = debtor.CLASSCODE;
    r.ACCNUMBER = debtor.ACCNUMBER;
    r.REFERENCE1 = header.REFERENCE1;
    r.DESCRIPTION = std::string(byLanguage("Betaling", "Payment"));
    r.CREDIT = entry.amount;
    r.DETAILNUMBER = detail;
    if (int rc = writer.write(t21, WriteOp::Add); rc != ErrNone) return fail(Failure::DebtorRow, Outcome::failure(t21, rc));

    if (Outcome r = writer.completeHeaders(/*rowsCredit=*/true, header.REFERENCE2, detail); !r) return fail(Failure::Storage, r);
    if (Outcome r = writer.raiseLastDocNr(*number, known); !r) return fail(Failure::Storage, r);
    if (Outcome r = writer.checkDocuments(); !r) return fail(Failure::Storage, r);
    if (!tx.commit()) return fail(Failure::Storage, Outcome::failure(tx.errorCode() ? tx.errorCode() : ErrEngine, tx.errorText()));
    return posted;
}

}  // namespace tavlo
