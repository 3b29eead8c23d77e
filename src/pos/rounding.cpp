// The rounding document: cash change rounded up to 5 cents is a discount, posted from the
// rounding account against the till's cash control account, sides reversed against a sale.
#include "framework/message.h"
#include "pos/posting_internal.h"
#include "pos/posting_texts.h"
#include "util/date.h"

namespace tavlo {

Outcome TillState::PostRounding() {
    if (LOC.VERSKIL.isZero()) return {};
    Scope scope(*this, {&PQXV60::table(), &PQXT20::table(), &PQXT21::table(), &PACS10::table()});
    const TillLocals savedLoc = LOC;
    const PACS10 savedCs10 = CS10;
    // A joined routine hands its failure to the owner of the transaction, which tells it.
    auto fail = [&](Outcome failure) {
        if (scope.joined()) return failure;
        scope.rollback();
        LOC = savedLoc;
        CS10 = savedCs10;
        return reportFailure(std::move(failure));
    };
    if (!scope.ok()) return fail(scope.opened());

    std::string classCode = classCodeOf(S10.POSDISCACC);
    auto& v60 = ctx_.access<PQXV60>();
    v60.clearBuffer();
    PQXV60& line = v60.rec;
    line.SALESNUMBER = LOC.SALESNUMBER;
    line.TRANSDATE = today();
    line.CLASSCODE = classCode;
    line.ACCNUMBER = S10.POSDISCACC;
    line.DEBIT = LOC.VERSKIL;
    line.RECORDSTATUS = LOC.RECORDSTATUS;
    line.ASSETTRANSACTION = 0;
    line.ITEMSTATUS = 0;
    // The sale's operator: the cash-up finds a document by the operator on its rows.
    line.OPERATORNO = !clip(controlOperator_).empty() ? controlOperator_ : ctx_.OPERATOR.str();
    if (int rc = write(v60, WriteOp::Add); rc != ErrNone) return fail(Outcome::failure(v60, rc));
    // Posts the line, takes it out of the working table and raises the counter, all in this
    // transaction.
    if (Outcome r = UpdateDiscTransaction(); !r) return fail(std::move(r));
    Outcome committed = scope.commit();
    return committed ? committed : fail(std::move(committed));
}

Outcome TillState::UpdateDiscTransaction() { return postDocument(DocKind::Rounding); }

Outcome TillState::GetDiscDocumentNo() { return addHeader(DocKind::Rounding); }

Outcome TillState::PostDiscDetail() {
    const PQXV60& line = ctx_.access<PQXV60>().rec;
    if (Outcome r = NextDetailNumber(); !r) return r;
    std::string classCode = classCodeOf(line.ACCNUMBER);
    auto& t21 = ctx_.access<PQXT21>();
    t21.clearBuffer();
    PQXT21& r = t21.rec;
    r.DOCUMENTNO = header_.DOCUMENTNO;
    r.TRANSDATE = header_.TRANSDATE;
    r.CLASSCODE = classCode;
    r.ACCNUMBER = line.ACCNUMBER;
    r.REFERENCE1 = header_.REFERENCE1;
    r.REFERENCE2 = line.OPERATORNO;
    r.QTY = line.QTY;
    r.DESCRIPTION = fitField(header_.TRANDESC, PQXT21::Size::DESCRIPTION);
    (rowsOnCredit(true, LOC.CREDITNOTE == 1) ? r.CREDIT : r.DEBIT) = line.DEBIT;
    r.RECORDSTATUS = line.RECORDSTATUS;
    r.DETAILNUMBER = LOC.DETAILNUMBER;
    if (int rc = write(t21, WriteOp::Add); rc != ErrNone) {
        // Told here and, not marked, once more by the routine that rolls the posting back.
        Outcome failure = Outcome::failure(t21, rc);
        MessageRequest box;
        box.title = "Warning!";
        box.text = posting_texts::detailAddFailed(failure.text());
        box.icon = Icon::Information;
        showMessage(box);
        return failure;
    }
    return {};
}

Outcome TillState::UpdateDiscControl() { return completeHeaders(DocKind::Rounding); }

}  // namespace tavlo
