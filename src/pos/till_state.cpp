#include "pos/till_state.h"

#include "pos/sale_line.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <set>

#include "data/company_record.h"
#include "data/storage.h"

#include "framework/message.h"
#include "framework/runtime.h"
#include "pos/posting_internal.h"
#include "pos/posting_texts.h"

namespace tavlo {

// ---- Scope ----------------------------------------------------------------------------------

TillState::Scope::Scope(TillState& till, std::vector<const TableDef*> tables) : till_(till) {
    if (till.ctx_.inTransaction()) {
        joined_ = true;
        ok_ = std::all_of(tables.begin(), tables.end(),
                          [&](const TableDef* t) { return till.ctx_.inTransaction(*t); });
        if (!ok_) till.failed(ErrTransaction, storeErrorText(ErrTransaction));
        return;
    }
    till.failCode_ = 0;
    till.failText_.clear();
    till.failShown_ = false;
    till.writeSeq_ = 0;
    till.forgetTransaction();
    // A file this till cannot write is the cause to tell, before the storage opens it read-only.
    for (const TableDef* t : tables)
        if (std::string why = writeRefusal(till.ctx_.folder(), *t); !why.empty()) {
            till.failed(ErrAccessDenied, std::move(why));
            return;
        }
    tx_.emplace(till.ctx_, std::move(tables), kLockWait);
    ok_ = tx_->active();
    if (!ok_) till.failed(tx_->errorCode() ? tx_->errorCode() : ErrLockedOut, tx_->errorText());
}

TillState::Scope::~Scope() {
    if (tx_ && tx_->active()) tx_->rollback();
}

bool TillState::Scope::commit() {
    if (joined_) return true;
    if (!tx_ || !tx_->active()) return false;
    if (tx_->commit()) return true;
    till_.failed(tx_->errorCode() ? tx_->errorCode() : ErrEngine, tx_->errorText());
    return false;
}

void TillState::Scope::rollback() {
    if (tx_ && tx_->active()) tx_->rollback();
}

// ---- life cycle -----------------------------------------------------------------------------

TillState::TillState(Context& ctx, Runtime* runtime) : ctx_(ctx), runtime_(runtime), writer_(ctx) {
    writer_.setWrite([this](FileManagerBase& file, WriteOp op) { return write(file, op); });
    writer_.setFailed([this](int code, std::string text) { failed(code, std::move(text)); });
}

TillState::~TillState() { Close(); }

bool TillState::Open() {
    if (open_) return true;
    used_ = {&PQXV60::table(),  &PQXV61::table(), &PQXT20::table(),  &PQXT21::table(),
             &PQXH20::table(),  &PQXH21::table(), &PQXA10::table(),  &PQXA301::table(),
             &PQXV01::table(),  &PQXC11::table(), &PQXS10::table(),  &PACS10::table()};
    for (const TableDef* t : used_) ctx_.access(*t).UseFile();
    open_ = true;

    auto& s10 = ctx_.access<PQXS10>();
    s10.clearBuffer();
    s10.SetFileOrder();
    S10 = s10.next() == ErrNone ? s10.rec : PQXS10{};
    auto& cs10 = ctx_.access<PACS10>();
    CS10 = readCompanyRecord(cs10) == ErrNone ? cs10.rec : PACS10{};

    LOC.CASH = 1;
    std::uint16_t number = 0;
    SlotClaim claim;
    bool claimed = false;
    // Tills busy posting hold the tables a moment at a time: a screen that is opening waits for
    // its turn (bounded) rather than refusing to open.
    const auto deadline = std::chrono::steady_clock::now() + kOpenWait;
    for (;;) {
        {
            Scope scope(*this, {&PQXV60::table(), &PACS10::table()});
            claimed = scope.ok() && claimSalesNumber(true, claim, number) && scope.commit();
        }
        if (claimed || failCode_ != ErrLockedOut || std::chrono::steady_clock::now() >= deadline) break;
    }
    if (!claimed) {
        MessageRequest box;
        box.title = posting_texts::warningTitle();
        box.text = posting_texts::tillNotOpened(failCode_ == ErrLockedOut ? storeErrorText(ErrLockedOut) : failText_);
        box.icon = Icon::Exclamation;
        showMessage(box);
        failShown_ = true;
        return false;
    }
    claim_ = std::move(claim);
    LOC.SALESNUMBER = number;
    return true;
}

void TillState::Close() {
    if (!open_) return;
    for (const TableDef* t : used_) ctx_.access(*t).Close();
    used_.clear();
    open_ = false;
    claim_.release();
    tabClaim_.release();
}

bool TillState::StoreSalesNumber() { return true; }

// Inside the caller's transaction over PQXV60 and PACS10.
bool TillState::claimSalesNumber(bool takeUpLeftLines, SlotClaim& claim, std::uint16_t& number) {
    const std::filesystem::path file = ctx_.folder() / ".tavlo-sales";
    std::set<std::uint16_t> stored;
    auto& v60 = ctx_.access<PQXV60>();
    v60.clearBuffer();
    v60.SetFileOrder();
    int rc;
    while ((rc = v60.next()) == ErrNone) stored.insert(v60.rec.SALESNUMBER);
    if (rc != ErrNoRecord) {
        failed(v60, rc);
        return false;
    }
    std::string error;
    auto tryClaim = [&](std::uint16_t n) {
        if (n == 0 || !claim.tryClaim(file, n, &error)) return false;
        number = n;
        return true;
    };
    // Lines nobody holds were left by a till that died: they become this screen's sale.
    if (takeUpLeftLines)
        for (std::uint16_t n : stored) {
            if (tryClaim(n)) {
                // Copies of a tab's lines are still on the tab: only the lines rung up come back.
                v60.clearBuffer();
                v60.SetFileOrder();
                while ((rc = v60.next()) == ErrNone) {
                    if (v60.rec.SALESNUMBER != n || v60.rec.DOCUMENTNO == 0) continue;
                    if (int e = write(v60, WriteOp::Erase); e != ErrNone) {
                        failed(v60, e);
                        claim.release();
                        return false;
                    }
                }
                tookUpLeftLines_ = true;
                return true;
            }
            if (!error.empty()) break;
        }
    auto& cs10 = ctx_.access<PACS10>();
    rc = error.empty() ? readCompanyRecord(cs10) : ErrNone;
    if (rc != ErrNone && rc != ErrNoRecord) {
        failed(cs10, rc);
        return false;
    }
    std::uint16_t n = rc == ErrNone ? cs10.rec.SALESNUMBER : 0;
    bool found = false;
    for (int tries = 0; tries < 65535 && error.empty() && !found; ++tries) {
        n = nextSalesNumber(n);
        found = !stored.count(n) && tryClaim(n);
    }
    if (!found) {
        failed(ErrEngine, error.empty() ? posting_texts::noSalesNumber() : error);
        return false;
    }
    cs10.rec.SALESNUMBER = n;
    rc = write(cs10, rc == ErrNone ? WriteOp::Put : WriteOp::Add);
    if (rc != ErrNone) {
        failed(cs10, rc);
        claim.release();
        return false;
    }
    CS10.SALESNUMBER = n;
    return true;
}

// ---- Finished -------------------------------------------------------------------------------

bool TillState::Finished(const std::function<void(const SlipArgs&)>& printSlip) {
    std::optional<WaitCursor> wait;
    if (runtime_) wait.emplace(*runtime_);

    std::vector<const TableDef*> tables = {&PQXV60::table(), &PQXT20::table(), &PQXT21::table(),
                                           &PQXH20::table(), &PQXH21::table(), &PACS10::table()};
    if (LOC.TAG == 1) {
        tables.push_back(&PQXV61::table());
        tables.push_back(LOC.CASH == 1 ? &PQXC11::table() : &PQXA10::table());
    }
    const TillLocals savedLoc = LOC;
    const PACS10 savedCs10 = CS10;
    controlOperator_.clear();

    bool ok;
    std::uint32_t saleDoc = 0;
    SlotClaim nextClaim;
    {
        Scope scope(*this, tables);
        ok = scope.ok() && UpdateTransaction();
        saleDoc = LOC.DOCUMENTNO;
        if (ok && LOC.TAG == 1) ok = ClearV61() && closeTab();
        // The next sale's number, claimed before this one's is let go.
        if (ok) ok = claimSalesNumber(false, nextClaim, LOC.SALESNUMBER);
        // Whole cents while the sale is open, currency from here on.
        LOC.VERSKIL = (LOC.VERSKIL / Decimal(100)).rounded(2);
        if (ok && saleDoc != 0) ok = WriteHistory() && raiseLastDocNr(saleDoc);
        if (ok && !LOC.VERSKIL.isZero()) ok = PostRounding();
        if (ok) ok = scope.commit();
        if (!ok) scope.rollback();
    }
    if (!ok) {
        LOC = savedLoc;
        CS10 = savedCs10;
        reportFailure();
        return false;
    }
    claim_ = std::move(nextClaim);
    if (savedLoc.TAG == 1) {
        tabClaim_.release();
        takenTab_ = 0;
        tabLines_.clear();
    }
    if (printSlip && saleDoc != 0)
        printSlip(SlipArgs{saleDoc, LOC.VERSKIL, LOC.PAID, LOC.CHANGE, LOC.CREDITNOTE, LOC.CASH == 1});
    ResetSale();
    return true;
}

void TillState::ResetSale() {
    LOC.TAG = 0;
    LOC.TAGCLIENT.clear();
    LOC.CREDITNOTE = 0;
    LOC.TOTALAMOUNT = Decimal();
    LOC.PAID = Decimal();
    LOC.CHANGE = Decimal();
    // A rounding left over would be posted again by a Finished that never passed through Paid.
    LOC.VERSKIL = Decimal();
    LOC.PAYSELECT = 0;
    LOC.COUNT = 0;
}

// ---- shared steps ---------------------------------------------------------------------------

std::uint32_t TillState::tabOwner() const { return LOC.TAGACCNUMBER; }

bool TillState::isSaleLine(const PQXV60& line, bool) const { return line.SALESNUMBER == LOC.SALESNUMBER; }

bool TillState::saleLines(bool withTab, std::vector<PQXV60>& lines) {
    lines.clear();
    auto& v60 = ctx_.access<PQXV60>();
    v60.clearBuffer();
    v60.SetFileOrder();
    int rc;
    while ((rc = v60.next()) == ErrNone)
        if (isSaleLine(v60.rec, withTab)) lines.push_back(v60.rec);
    if (rc != ErrNoRecord) {
        failed(v60, rc);
        return false;
    }
    // Sales-number order, lines of one number in the order they were rung up.
    std::stable_sort(lines.begin(), lines.end(),
                     [](const PQXV60& a, const PQXV60& b) { return a.SALESNUMBER < b.SALESNUMBER; });
    return true;
}

bool TillState::eraseSaleLines(bool withTab) {
    auto& v60 = ctx_.access<PQXV60>();
    v60.clearBuffer();
    v60.SetFileOrder();
    int rc;
    while ((rc = v60.next()) == ErrNone) {
        if (!isSaleLine(v60.rec, withTab)) continue;
        if (int e = write(v60, WriteOp::Erase); e != ErrNone) {
            failed(v60, e);
            return false;
        }
    }
    if (rc != ErrNoRecord) {
        failed(v60, rc);
        return false;
    }
    return true;
}

std::uint32_t TillState::counterNow() { return writer_.counterNow(CS10.LASTDOCNR); }

std::optional<std::uint32_t> TillState::freeDocumentNo(std::uint32_t wanted) {
    return writer_.freeDocumentNo(wanted, CS10.LASTDOCNR);
}

bool TillState::raiseLastDocNr(std::uint32_t documentNo) { return writer_.raiseLastDocNr(documentNo, CS10.LASTDOCNR); }

bool TillState::closeTab() {
    std::uint32_t owner = tabOwner();
    if (owner == 0) return true;
    if (takenTab_ != 0) {
        // Lines another till added to the tab while it was being paid keep it open.
        auto& v61 = ctx_.access<PQXV61>();
        v61.clearBuffer();
        v61.rec.CLIENTNO = owner;
        v61.rec.DOCUMENTNO = takenTab_;
        v61.SetFrom(PV61::ClientDocKey);
        int rc = v61.next();
        if (rc == ErrNone && v61.rec.CLIENTNO == owner && v61.rec.DOCUMENTNO == takenTab_) return true;
        if (rc != ErrNone && rc != ErrNoRecord) {
            failed(v61, rc);
            return false;
        }
    }
    if (LOC.CASH == 1) {
        auto& c11 = ctx_.access<PQXC11>();
        c11.clearBuffer();
        c11.rec.CLIENTNO = owner;
        int rc = c11.get(PC11::ClientNoKey);
        if (rc == ErrNoRecord) return true;
        if (rc == ErrNone) {
            c11.rec.DOCNO = 0;
            rc = write(c11, WriteOp::Put);
        }
        if (rc != ErrNone) failed(c11, rc);
        return rc == ErrNone;
    }
    auto& a10 = ctx_.access<PQXA10>();
    auto saved = a10.SaveFile();
    a10.clearBuffer();
    a10.rec.ACCNUMBER = static_cast<std::uint16_t>(owner);
    int rc = a10.get(PA10::AccNumberKey);
    if (rc == ErrNone) {
        a10.rec.DOCNO = 0;
        rc = write(a10, WriteOp::Put);
    }
    if (rc != ErrNone && rc != ErrNoRecord) failed(a10, rc);
    a10.RestoreFile(saved);
    return rc == ErrNone || rc == ErrNoRecord;
}

std::string TillState::classCodeOf(std::uint16_t accNumber) { return writer_.classCodeOf(accNumber); }

void TillState::forgetTransaction() {
    writer_.forget();
    entNumbers_.clear();
    vatAccounts_.clear();
}

// ---- writes and failures --------------------------------------------------------------------

int TillState::write(FileManagerBase& file, WriteOp op) {
    ++writeSeq_;
    if (writeFault_) {
        if (int code = writeFault_(WriteSite{&file.table(), op, writeSeq_}); code != ErrNone) return code;
    }
    switch (op) {
        case WriteOp::Add: return file.add();
        case WriteOp::Put: return file.put();
        case WriteOp::Erase: return file.erase();
    }
    return ErrEngine;
}

void TillState::failed(FileManagerBase& file, int code) {
    failed(code, file.errorCode() == code ? file.errorText() : storeErrorText(code));
}

void TillState::failed(int code, std::string text) {
    if (failCode_ != 0) return;  // the first failure is the one to tell
    failCode_ = code;
    failText_ = text.empty() ? storeErrorText(code) : std::move(text);
}

void TillState::reportFailure() {
    if (failShown_) return;
    failShown_ = true;
    MessageRequest box;
    box.title = posting_texts::warningTitle();
    box.text = failCode_ == ErrLockedOut ? posting_texts::lockedOut() : posting_texts::notPosted(failText_);
    box.icon = Icon::Exclamation;
    showMessage(box);
}

}  // namespace tavlo
