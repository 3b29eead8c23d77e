// Posting a sale: one header, an item row and a VAT row per line, a control row; the history
// copy; clearing the working and tab lines. The rounding document (rounding.cpp) shares the
// document steps here with the sides reversed.
#include <cstdio>
#include <limits>

#include "data/transaction_types.h"
#include "framework/message.h"
#include "pos/posting_internal.h"
#include "pos/posting_texts.h"
#include "util/date.h"
#include "util/invariant.h"
#include "util/picture.h"

namespace tavlo {

namespace {

std::string documentReference(const PACS10& company, std::uint32_t documentNo) {
    return clip(company.PREFIX) + std::to_string(documentNo);
}

std::string lookupDate(DayNumber day) {
    std::int32_t digits = eightDigitDate(day);
    if (digits == 0) return std::string();
    char text[16];
    std::snprintf(text, sizeof text, "%08d", static_cast<int>(digits));
    return text;
}

void showWarning(const std::string& text) {
    MessageRequest box;
    box.title = "Warning!";
    box.text = text;
    box.icon = Icon::Information;
    showMessage(box);
}

void setSide(PQXT21& row, bool credit, const Decimal& amount) {
    (credit ? row.CREDIT : row.DEBIT) = amount;
}

// No header in PQXT20 has this number yet (a keyed read; for the invariant check only).
bool documentNoFree(FileManager<PQXT20>& t20, std::uint32_t documentNo) {
    t20.clearBuffer();
    t20.rec.DOCUMENTNO = documentNo;
    return t20.get(PT20::DocumentNoKey) != ErrNone || t20.rec.DOCUMENTNO != documentNo;
}

}  // namespace

// ---- the document ---------------------------------------------------------------------------

Outcome TillState::UpdateTransaction() { return postDocument(DocKind::Sale); }

Outcome TillState::postDocument(DocKind kind) {
    Scope scope(*this, {&PQXV60::table(), &PQXT20::table(), &PQXT21::table(), &PACS10::table()});
    const std::uint32_t savedDocumentNo = LOC.DOCUMENTNO;
    const PACS10 savedCs10 = CS10;
    // A joined routine hands its failure to the owner of the transaction, which tells it.
    auto fail = [&](Outcome failure) {
        if (scope.joined()) return failure;
        scope.rollback();
        LOC.DOCUMENTNO = savedDocumentNo;
        CS10 = savedCs10;
        return reportFailure(std::move(failure));
    };
    auto finish = [&] {
        Outcome committed = scope.commit();
        return committed ? committed : fail(std::move(committed));
    };
    if (!scope.ok()) return fail(scope.opened());
    forgetTransaction();  // the caller's transaction may be older than what was remembered

    const bool withTab = kind == DocKind::Sale && LOC.TAG == 1;
    std::vector<PQXV60> lines;
    if (Outcome r = saleLines(withTab, lines); !r) return fail(std::move(r));
    writer_.clearNewHeaders();
    if (lines.empty()) {
        // Nothing rung up: no document, and no slip or history under an earlier number.
        LOC.DOCUMENTNO = 0;
        return finish();
    }

    tabDocumentNo_ = 0;
    if (withTab)
        for (const PQXV60& line : lines)
            if (line.DOCUMENTNO != 0 && line.CLIENTNO == tabOwner()) {
                tabDocumentNo_ = line.DOCUMENTNO;
                break;
            }

    auto& v60 = ctx_.access<PQXV60>();
    // Headers: one document for the whole sale, dated by its first line.
    LOC.PREVSALESNUMBER = lines.front().SALESNUMBER;
    v60.rec = lines.front();
    controlOperator_ = lines.front().OPERATORNO;
    if (Outcome r = kind == DocKind::Sale ? GetDocumentNo() : GetDiscDocumentNo(); !r) return fail(std::move(r));
    // Rows.
    for (const PQXV60& line : lines) {
        v60.rec = line;
        if (Outcome r = kind == DocKind::Sale ? PostDetail() : PostDiscDetail(); !r) return fail(std::move(r));
    }
    // Control rows and totals.
    LOC.PREVSALESNUMBER = 0;
    // Invariant 5: this posting completes the one header it added, none other.
    TAVLO_INVARIANT(5, writer_.newHeaderCount() == 1);
    if (Outcome r = kind == DocKind::Sale ? UpdateControl() : UpdateDiscControl(); !r) return fail(std::move(r));
    // The posted lines leave the working table with the document, never apart from it.
    if (Outcome r = eraseSaleLines(withTab); !r) return fail(std::move(r));
    if (Outcome r = raiseLastDocNr(LOC.DOCUMENTNO); !r) return fail(std::move(r));
    if (Outcome r = writer_.checkDocuments(); !r) return fail(std::move(r));
    return finish();
}

Outcome TillState::GetDocumentNo() { return addHeader(DocKind::Sale); }

Outcome TillState::addHeader(DocKind kind) {
    const PQXV60& line = ctx_.access<PQXV60>().rec;
    // The counter as stored now, whoever raised it; a number in use is stepped past.
    std::uint32_t wanted = counterNow() + 1;
    if (kind == DocKind::Sale && tabDocumentNo_ != 0) wanted = tabDocumentNo_;
    Outcome why;
    std::optional<std::uint32_t> documentNo = writer_.freeDocumentNo(wanted, CS10.LASTDOCNR, &why);
    if (!documentNo) return why;
    LOC.DOCUMENTNO = *documentNo;

    auto& t20 = ctx_.access<PQXT20>();
    // Invariant 2: never a number already in PQXT20.
    TAVLO_INVARIANT(2, documentNoFree(t20, LOC.DOCUMENTNO));
    t20.clearBuffer();
    PQXT20& h = t20.rec;
    h.DOCUMENTNO = LOC.DOCUMENTNO;
    if (kind == DocKind::Sale) {
        const bool cn = LOC.CREDITNOTE == 1;
        switch (LOC.PAYMENT) {
            case 1:
            case 3:
                h.TRANTYPENUMBER = cn ? trantype::kCashCreditNote : trantype::kCashSale;
                h.ACCNUMBER = S10.POSACCNUMBER;
                break;
            case 2:
                h.TRANTYPENUMBER = cn ? trantype::kCashCreditNote : trantype::kCardSale;
                h.ACCNUMBER = S10.POSDIRECTACC;
                break;
            case 4:
                h.TRANTYPENUMBER = cn ? trantype::kDebtorCreditNote : trantype::kDebtorSale;
                h.ACCNUMBER = LOC.DEBTOR;
                h.REFERENCE2 = LOC.ORDERNO.str();
                break;
            default:
                break;
        }
        h.TRANTIME = fitField(formatPicture("@t01", Decimal(timeNow())), PQXT20::Size::TRANTIME);
        h.TRANDESC = std::string(posting_texts::saleDescription());
    } else {
        h.TRANTYPENUMBER = trantype::kCashCreditNote;
        h.ACCNUMBER = S10.POSACCNUMBER;
        h.TRANDESC = std::string(posting_texts::roundingDescription());
    }
    h.REFERENCE1 = fitField(documentReference(CS10, LOC.DOCUMENTNO), PQXT20::Size::REFERENCE1);
    h.TRANSDATE = line.TRANSDATE;
    h.NOOFENTRIES = 0;
    h.LOOKUPDATE = lookupDate(h.TRANSDATE);
    h.TRANNUMBER = LOC.SALESNUMBER;
    h.PAYMETHOD = LOC.PAYMENT;
    if (Outcome r = writer_.addHeader(t20); !r) return r;  // told once, by the routine that rolls back
    header_ = t20.rec;
    return {};
}

Outcome TillState::PostDetail() {
    const PQXV60& line = ctx_.access<PQXV60>().rec;
    const bool credit = rowsOnCredit(false, LOC.CREDITNOTE == 1);
    if (Outcome r = NextDetailNumber(); !r) return r;

    auto& t21 = ctx_.access<PQXT21>();
    std::string classCode = classCodeOf(line.ACCNUMBER);
    std::uint16_t entNumber = 0;
    if (const std::string code = upper(clip(line.ITEMCODE)); !code.empty()) {
        // Each row carries its own item's enterprise number.
        if (auto it = entNumbers_.find(code); it != entNumbers_.end()) {
            entNumber = it->second;
        } else {
            auto& a301 = ctx_.access<PQXA301>();
            a301.clearBuffer();
            a301.rec.ITEMCODE = line.ITEMCODE;
            if (a301.get(PA301::ItemCodeKey) == ErrNone) entNumber = a301.rec.ENTNUMBER;
            entNumbers_.emplace(code, entNumber);
        }
    }
    t21.clearBuffer();
    PQXT21& r = t21.rec;
    r.DOCUMENTNO = header_.DOCUMENTNO;
    r.TRANSDATE = header_.TRANSDATE;
    r.CLASSCODE = classCode;
    r.ACCNUMBER = line.ACCNUMBER;
    r.SUBNUMBER = 0;
    r.ENTNUMBER = entNumber;
    r.REFERENCE1 = header_.REFERENCE1;
    r.REFERENCE2 = line.OPERATORNO;
    r.QTY = line.QTY;
    r.DESCRIPTION = fitField(line.DESCRIPTION, PQXT21::Size::DESCRIPTION);
    setSide(r, credit, line.DEBIT);
    r.VATAMOUNT = line.VATAMOUNT;
    r.VATCODE = line.VATCODE;
    r.VATSTATUS = line.VATSTATUS;
    const bool hasVat = !clip(line.VATCODE).empty();
    r.VATDATE = hasVat ? r.TRANSDATE : 0;
    r.RECORDSTATUS = line.RECORDSTATUS;
    r.DETAILNUMBER = LOC.DETAILNUMBER;
    r.ASSETNUMBER = line.ASSETACCNUMBER;
    r.ASSETTRANSACTION = 2;
    r.UNITCODE = 0;
    r.ITEMCODE = line.ITEMCODE;
    r.ITEMSTATUS = line.ITEMSTATUS;
    if (int rc = write(t21, WriteOp::Add); rc != ErrNone) {
        Outcome failure = Outcome::failure(t21, rc);
        showWarning(posting_texts::detailAddFailed(failure.text()));
        failure.markTold();  // one box for one failure: the roll-back that follows tells no more
        return failure;
    }
    if (!hasVat) return {};

    if (Outcome r = NextDetailNumber(); !r) return r;
    std::uint16_t vatAccount = 0;
    const std::string vatCode = upper(clip(line.VATCODE));
    if (auto it = vatAccounts_.find(vatCode); it != vatAccounts_.end()) {
        vatAccount = it->second;
    } else {
        auto& v01 = ctx_.access<PQXV01>();
        v01.clearBuffer();
        v01.rec.VATCODE = line.VATCODE;
        vatAccount = v01.get(PV01::VatCodeKey) == ErrNone ? v01.rec.ACCNUMBER : 0;
        vatAccounts_.emplace(vatCode, vatAccount);
    }
    t21.clearBuffer();
    r.DOCUMENTNO = header_.DOCUMENTNO;
    r.TRANSDATE = header_.TRANSDATE;
    r.CLASSCODE = "I";
    r.ACCNUMBER = vatAccount;
    r.REFERENCE1 = header_.REFERENCE1;
    r.DESCRIPTION = fitField(line.DESCRIPTION, PQXT21::Size::DESCRIPTION);
    setSide(r, credit, line.VATAMOUNT);
    r.RECORDSTATUS = 1;
    r.DETAILNUMBER = LOC.DETAILNUMBER;
    if (int rc = write(t21, WriteOp::Add); rc != ErrNone) return Outcome::failure(t21, rc);
    return {};
}

Outcome TillState::NextDetailNumber() { return writer_.nextDetailNumber(LOC.DETAILNUMBER); }

Outcome TillState::UpdateControl() { return completeHeaders(DocKind::Sale); }

Outcome TillState::completeHeaders(DocKind kind) {
    return writer_.completeHeaders(rowsOnCredit(kind == DocKind::Rounding, LOC.CREDITNOTE == 1), controlOperator_,
                                   LOC.DETAILNUMBER);
}

// ---- history --------------------------------------------------------------------------------

Outcome TillState::WriteHistory() {
    Scope scope(*this, {&PQXT20::table(), &PQXT21::table(), &PQXH20::table(), &PQXH21::table()});
    auto fail = [&](Outcome failure) {
        if (scope.joined()) return failure;
        scope.rollback();
        return reportFailure(std::move(failure));
    };
    auto finish = [&] {
        Outcome committed = scope.commit();
        return committed ? committed : fail(std::move(committed));
    };
    if (!scope.ok()) return fail(scope.opened());
    const std::uint32_t documentNo = LOC.DOCUMENTNO;
    auto& t20 = ctx_.access<PQXT20>();
    auto& t21 = ctx_.access<PQXT21>();
    auto& h20 = ctx_.access<PQXH20>();
    auto& h21 = ctx_.access<PQXH21>();

    t20.clearBuffer();
    t20.rec.DOCUMENTNO = documentNo;
    int rc = t20.get(PT20::DocumentNoKey);
    if (rc == ErrNoRecord) return finish();  // nothing posted under that number
    if (rc != ErrNone) return fail(Outcome::failure(t20, rc));

    h20.clearBuffer();
    h20.rec.DOCUMENTNO = documentNo;
    rc = h20.get(PH20::DocumentNoKey);
    const bool exists = rc == ErrNone;
    if (!exists && rc != ErrNoRecord) return fail(Outcome::failure(h20, rc));
    const std::string keptTime = exists ? h20.rec.TRANTIME : std::string();
    if (!exists) h20.clearBuffer();
    copyFields(h20.rec, t20.rec);
    if (exists) h20.rec.TRANTIME = keptTime;
    h20.rec.VERSKIL = LOC.VERSKIL;
    h20.rec.PAID = LOC.PAID;
    h20.rec.CHANGE = LOC.CHANGE;
    if (rc = write(h20, exists ? WriteOp::Put : WriteOp::Add); rc != ErrNone) return fail(Outcome::failure(h20, rc));

    if (exists) {
        // The old copy's rows go; the document's rows replace them. No other row is touched.
        for (;;) {
            h21.clearBuffer();
            h21.rec.DOCUMENTNO = documentNo;
            h21.SetFrom(PH21::DocumentNoKey);
            rc = h21.next();
            if (rc == ErrNoRecord || (rc == ErrNone && h21.rec.DOCUMENTNO != documentNo)) break;
            if (rc == ErrNone) rc = write(h21, WriteOp::Erase);
            if (rc != ErrNone) return fail(Outcome::failure(h21, rc));
        }
    }

    t21.clearBuffer();
    t21.rec.DOCUMENTNO = documentNo;
    t21.SetFrom(PT21::DocumentNoKey);
    while ((rc = t21.next()) == ErrNone && t21.rec.DOCUMENTNO == documentNo) {
        h21.clearBuffer();
        copyFields(h21.rec, t21.rec);
        if (int e = write(h21, WriteOp::Add); e != ErrNone) return fail(Outcome::failure(h21, e));
    }
    if (rc != ErrNone && rc != ErrNoRecord) return fail(Outcome::failure(t21, rc));
    return finish();
}

// ---- clearing -------------------------------------------------------------------------------

Outcome TillState::ClearV60() {
    Scope scope(*this, {&PQXV60::table()});
    auto& v60 = ctx_.access<PQXV60>();
    if (!scope.ok()) {
        ErrHandler(scope.opened());
        return scope.opened();
    }
    // Only this screen's lines: the other tills' sales on the folder are theirs.
    const std::uint16_t own = LOC.SALESNUMBER;
    for (;;) {
        v60.clearBuffer();
        v60.rec.SALESNUMBER = own;
        v60.SetFrom(PV60::SalesNumberKey);
        int rc = v60.next();
        if (rc == ErrNoRecord || (rc == ErrNone && v60.rec.SALESNUMBER != own)) break;
        if (rc == ErrNone) rc = write(v60, WriteOp::Erase);
        if (rc != ErrNone) {
            Outcome failure = Outcome::failure(v60, rc);
            // All or none: the lines deleted so far come back with the roll-back.
            scope.rollback();
            ErrHandler(failure);
            return failure;
        }
    }
    Outcome committed = scope.commit();
    if (!committed) ErrHandler(committed);
    return committed;
}

Outcome TillState::ClearV61() {
    Scope scope(*this, {&PQXV61::table()});
    auto& v61 = ctx_.access<PQXV61>();
    if (!scope.ok()) {
        ErrHandler(scope.opened());
        return scope.opened();
    }
    // Exactly the lines taken up onto this screen (and so posted with it): the owner and tab
    // number are both checked, since a cash client and a debtor may share a number, and lines
    // another till added meanwhile stay on the tab.
    const std::uint32_t owner = tabOwner();
    for (std::int64_t place : tabLines_) {
        v61.clearBuffer();
        v61.rec.CLIENTNO = owner;
        v61.rec.DOCUMENTNO = takenTab_;
        v61.SetFrom(PV61::ClientDocKey);
        int rc;
        while ((rc = v61.next()) == ErrNone && v61.rec.CLIENTNO == owner && v61.rec.DOCUMENTNO == takenTab_ &&
               v61.position() != place) {
        }
        if (rc == ErrNone && v61.position() == place && v61.rec.CLIENTNO == owner && v61.rec.DOCUMENTNO == takenTab_)
            rc = write(v61, WriteOp::Erase);
        else if (rc == ErrNone)
            rc = ErrNoRecord;
        if (rc != ErrNone && rc != ErrNoRecord) {
            Outcome failure = Outcome::failure(v61, rc);
            scope.rollback();
            ErrHandler(failure);
            return failure;
        }
    }
    Outcome committed = scope.commit();
    if (!committed) ErrHandler(committed);
    return committed;
}

void TillState::ErrHandler(const Outcome& failure) {
    MessageRequest box;
    box.title = posting_texts::warningTitle();
    box.text = posting_texts::deleteError(fitBytes(failure.text(), 32));
    box.icon = Icon::Information;
    showMessage(box);
}

}  // namespace tavlo
