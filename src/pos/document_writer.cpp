#include "pos/document_writer.h"

#include <algorithm>
#include <limits>

#include "data/company_record.h"
#include "util/invariant.h"
#include "util/text.h"

namespace tavlo {

DocumentWriter::DocumentWriter(Context& ctx) : ctx_(ctx) {}

void DocumentWriter::forget() {
    newHeaders_.clear();
    detailNumberRead_ = false;
    classCodes_.clear();
}

int DocumentWriter::write(FileManagerBase& file, WriteOp op) {
    if (write_) return write_(file, op);
    switch (op) {
        case WriteOp::Add: return file.add();
        case WriteOp::Put: return file.put();
        case WriteOp::Erase: return file.erase();
    }
    return ErrEngine;
}

// ---- numbering ------------------------------------------------------------------------------

std::uint32_t DocumentWriter::counterNow(std::uint32_t& known) {
    auto& cs10 = ctx_.access<PACS10>();
    std::uint32_t stored = readCompanyRecord(cs10) == ErrNone ? cs10.rec.LASTDOCNR : 0;
    known = std::max(known, stored);
    return known;
}

std::optional<std::uint32_t> DocumentWriter::freeDocumentNo(std::uint32_t wanted, std::uint32_t& known, Outcome* why) {
    auto& t20 = ctx_.access<PQXT20>();
    auto fail = [&](Outcome r) -> std::optional<std::uint32_t> {
        if (why) *why = std::move(r);
        return std::nullopt;
    };
    Outcome readFailure;
    auto inUse = [&](std::uint32_t n) -> std::optional<bool> {
        if (n == 0) return true;
        t20.clearBuffer();
        t20.rec.DOCUMENTNO = n;
        int rc = t20.get(PT20::DocumentNoKey);
        if (rc == ErrNone) return true;
        if (rc == ErrNoRecord) return false;
        readFailure = Outcome::failure(t20, rc);
        return std::nullopt;
    };
    auto used = inUse(wanted);
    if (!used) return fail(std::move(readFailure));
    if (!*used) return wanted;
    // Taken: the next number of the counter, else one past the highest number in use. Numbers
    // below the counter are left alone, they may belong to open tabs.
    const std::uint32_t next = counterNow(known) + 1;
    if (next != wanted) {
        used = inUse(next);
        if (!used) return fail(std::move(readFailure));
        if (!*used) return next;
    }
    t20.clearBuffer();
    t20.SetEnd(PT20::DocumentNoKey);
    int rc = t20.previous();
    if (rc == ErrNoRecord) return 1u;
    if (rc != ErrNone) return fail(Outcome::failure(t20, rc));
    if (t20.rec.DOCUMENTNO == std::numeric_limits<std::uint32_t>::max())
        return fail(Outcome::failure(ErrValueRange, storeErrorText(ErrValueRange)));
    return std::max(t20.rec.DOCUMENTNO + 1, next);
}

Outcome DocumentWriter::raiseLastDocNr(std::uint32_t documentNo, std::uint32_t& known) {
    auto& cs10 = ctx_.access<PACS10>();
    int rc = readCompanyRecord(cs10);
    known = std::max(known, documentNo);
    if (rc == ErrNoRecord) return {};  // no company record to keep the counter in
    if (rc != ErrNone) return Outcome::failure(cs10, rc);
    if (cs10.rec.LASTDOCNR >= documentNo) {
        known = std::max(known, cs10.rec.LASTDOCNR);
        return {};
    }
    cs10.rec.LASTDOCNR = documentNo;
    if (int e = write(cs10, WriteOp::Put); e != ErrNone) return Outcome::failure(cs10, e);
    return {};
}

// ---- the document ---------------------------------------------------------------------------

Outcome DocumentWriter::addHeader(FileManager<PQXT20>& t20) {
    const std::uint32_t documentNo = t20.rec.DOCUMENTNO;
    if (int rc = write(t20, WriteOp::Add); rc != ErrNone) return Outcome::failure(t20, rc);
    if (int rc = t20.get(PT20::DocumentNoKey); rc != ErrNone) return Outcome::failure(t20, rc);
    newHeaders_.push_back(documentNo);
    return {};
}

std::uint32_t DocumentWriter::highestDetailNumber() {
    auto& t21 = ctx_.access<PQXT21>();
    const PQXT21 kept = t21.rec;
    t21.clearBuffer();
    t21.SetEnd(PT21::DetailNumberKey);
    const std::uint32_t highest = t21.previous() == ErrNone ? t21.rec.DETAILNUMBER : 0;
    t21.rec = kept;
    return highest;
}

Outcome DocumentWriter::nextDetailNumber(std::uint32_t& number) {
    if (detailNumberRead_ && ctx_.inTransaction(PQXT21::table())) {
        if (number == std::numeric_limits<std::uint32_t>::max()) return Outcome::failure(ErrValueRange, storeErrorText(ErrValueRange));
        ++number;
        // Invariant 4 of the posting (pos/till_state.h): nobody wrote PQXT21 since it was read.
        TAVLO_INVARIANT(4, number > highestDetailNumber());
        return {};
    }
    auto& t21 = ctx_.access<PQXT21>();
    t21.clearBuffer();
    t21.SetEnd(PT21::DetailNumberKey);
    int rc = t21.previous();
    if (rc == ErrNoRecord) {
        number = 1;
        detailNumberRead_ = ctx_.inTransaction(PQXT21::table());
        return {};
    }
    if (rc != ErrNone) return Outcome::failure(t21, rc);
    if (t21.rec.DETAILNUMBER == std::numeric_limits<std::uint32_t>::max())
        return Outcome::failure(ErrValueRange, storeErrorText(ErrValueRange));
    number = t21.rec.DETAILNUMBER + 1;
    detailNumberRead_ = ctx_.inTransaction(PQXT21::table());
    return {};
}

std::string DocumentWriter::classCodeOf(std::uint16_t accNumber) {
    if (auto it = classCodes_.find(accNumber); it != classCodes_.end()) return it->second;
    auto& a10 = ctx_.access<PQXA10>();
    a10.clearBuffer();
    a10.rec.ACCNUMBER = accNumber;
    std::string code = a10.get(PA10::AccNumberKey) == ErrNone ? a10.rec.CLASSCODE : std::string();
    classCodes_.emplace(accNumber, code);
    return code;
}

Outcome DocumentWriter::completeHeaders(bool rowsCredit, const std::string& controlOperator, std::uint32_t& detailNumber) {
    auto& t20 = ctx_.access<PQXT20>();
    auto& t21 = ctx_.access<PQXT21>();
    for (std::uint32_t documentNo : newHeaders_) {
        t20.clearBuffer();
        t20.rec.DOCUMENTNO = documentNo;
        if (int rc = t20.get(PT20::DocumentNoKey); rc != ErrNone) return Outcome::failure(t20, rc);
        PQXT20 h = t20.rec;
        if (h.NOOFENTRIES != 0) continue;

        // Totals over the rows written so far: all of them lie on the rows' side.
        Decimal amount, vat;
        unsigned entries = 0;
        t21.clearBuffer();
        t21.rec.DOCUMENTNO = documentNo;
        t21.SetFrom(PT21::DocumentNoKey);
        int rc;
        while ((rc = t21.next()) == ErrNone && t21.rec.DOCUMENTNO == documentNo) {
            ++entries;
            amount += rowsCredit ? t21.rec.CREDIT : t21.rec.DEBIT;
            if (!clip(t21.rec.VATCODE).empty()) vat += t21.rec.VATAMOUNT;
        }
        if (rc != ErrNone && rc != ErrNoRecord) return Outcome::failure(t21, rc);

        std::string classCode = classCodeOf(h.ACCNUMBER);
        if (Outcome r = nextDetailNumber(detailNumber); !r) return r;
        t21.clearBuffer();
        PQXT21& r = t21.rec;
        r.DOCUMENTNO = h.DOCUMENTNO;
        r.TRANSDATE = h.TRANSDATE;
        r.CLASSCODE = classCode;
        r.ACCNUMBER = h.ACCNUMBER;
        r.SUBNUMBER = h.SUBNUMBER;
        r.ENTNUMBER = h.ENTNUMBER;
        r.REFERENCE1 = h.REFERENCE1;
        r.REFERENCE2 = controlOperator;
        r.DESCRIPTION = fitField(h.TRANDESC, PQXT21::Size::DESCRIPTION);
        r.RECORDSTATUS = 1;
        r.DETAILNUMBER = detailNumber;
        (rowsCredit ? r.DEBIT : r.CREDIT) = amount;
        if (rc = write(t21, WriteOp::Add); rc != ErrNone) return Outcome::failure(t21, rc);

        t20.clearBuffer();
        t20.rec.DOCUMENTNO = documentNo;
        if (rc = t20.get(PT20::DocumentNoKey); rc == ErrNone) {
            t20.rec.AMOUNT = amount;
            t20.rec.VAT = vat;
            t20.rec.NOOFENTRIES = static_cast<std::uint16_t>(entries + 1);
            if (entries + 1 > std::numeric_limits<std::uint16_t>::max()) rc = ErrValueRange;
            else rc = write(t20, WriteOp::Put);
        }
        if (rc != ErrNone) return Outcome::failure(t20, rc);
    }
    return {};
}

// ---- the check before commit ----------------------------------------------------------------

std::string DocumentWriter::checkDocument(std::uint32_t documentNo) {
    auto& t20 = ctx_.access<PQXT20>();
    auto& t21 = ctx_.access<PQXT21>();
    t20.clearBuffer();
    t20.rec.DOCUMENTNO = documentNo;
    if (int rc = t20.get(PT20::DocumentNoKey); rc != ErrNone) return "its header cannot be read back (" + storeErrorText(rc) + ")";
    const PQXT20 h = t20.rec;
    std::vector<PQXT21> rows;
    t21.clearBuffer();
    t21.rec.DOCUMENTNO = documentNo;
    t21.SetFrom(PT21::DocumentNoKey);
    int rc;
    while ((rc = t21.next()) == ErrNone && t21.rec.DOCUMENTNO == documentNo) rows.push_back(t21.rec);
    if (rc != ErrNone && rc != ErrNoRecord) return "its rows cannot be read back (" + storeErrorText(rc) + ")";
    if (rows.empty()) return "it has no rows";
    if (h.NOOFENTRIES != rows.size())
        return "the header counts " + std::to_string(h.NOOFENTRIES) + " entries, the document has " + std::to_string(rows.size());
    Decimal debit, credit;
    for (const PQXT21& r : rows) {
        debit += r.DEBIT;
        credit += r.CREDIT;
    }
    if (debit != credit) return "debits " + debit.toString() + " and credits " + credit.toString() + " differ";
    // The control row is the last one, on the header's account; the others make the header's totals.
    const PQXT21& control = rows.back();
    if (control.ACCNUMBER != h.ACCNUMBER) return "its last row is not on the header's account";
    const bool controlDebit = !control.DEBIT.isZero() || control.CREDIT.isZero();
    Decimal amount, vat;
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
        amount += controlDebit ? rows[i].CREDIT : rows[i].DEBIT;
        if (!clip(rows[i].VATCODE).empty()) vat += rows[i].VATAMOUNT;
    }
    if (h.AMOUNT != amount) return "the header's amount " + h.AMOUNT.toString() + " is not its rows' " + amount.toString();
    if (h.VAT != vat) return "the header's VAT " + h.VAT.toString() + " is not its rows' " + vat.toString();
    return std::string();
}

Outcome DocumentWriter::checkDocuments() {
    for (std::uint32_t documentNo : newHeaders_) {
        std::string fault = checkDocument(documentNo);
        if (fault.empty()) continue;
        return Outcome::failure(kDocumentNotSound, "Program error: document " + std::to_string(documentNo) + " was not posted, " + fault + ".");
    }
    return {};
}

}  // namespace tavlo
