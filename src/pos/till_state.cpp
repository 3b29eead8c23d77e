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
#include "util/invariant.h"

namespace tavlo {

// ---- Scope ----------------------------------------------------------------------------------

TillState::Scope::Scope(TillState& till, std::vector<const TableDef*> tables) {
    if (till.ctx_.inTransaction()) {
        joined_ = true;
        if (!std::all_of(tables.begin(), tables.end(), [&](const TableDef* t) { return till.ctx_.inTransaction(*t); }))
            opened_ = Outcome::failure(ErrTransaction);
        return;
    }
    till.writeSeq_ = 0;
    till.forgetTransaction();
    // A file this till cannot write is the cause to tell, before the storage opens it read-only.
    for (const TableDef* t : tables)
        if (std::string why = writeRefusal(till.ctx_.folder(), *t); !why.empty()) {
            opened_ = Outcome::failure(ErrAccessDenied, std::move(why));
            return;
        }
    tx_.emplace(till.ctx_, std::move(tables), kLockWait);
    if (!tx_->active()) opened_ = Outcome::failure(tx_->errorCode() ? tx_->errorCode() : ErrLockedOut, tx_->errorText());
}

TillState::Scope::~Scope() {
    if (tx_ && tx_->active()) tx_->rollback();
}

Outcome TillState::Scope::commit() {
    if (joined_) return {};
    if (!opened_) return opened_;
    if (!tx_->active()) return Outcome::failure(ErrTransaction);
    if (tx_->commit()) return {};
    return Outcome::failure(tx_->errorCode() ? tx_->errorCode() : ErrEngine, tx_->errorText());
}

void TillState::Scope::rollback() {
    if (tx_ && tx_->active()) tx_->rollback();
}

// ---- life cycle -----------------------------------------------------------------------------

TillState::TillState(Context& ctx, Runtime* runtime) : ctx_(ctx), runtime_(runtime), writer_(ctx) {
    writer_.setWrite([this](FileManagerBase& file, WriteOp op) { return write(file, op); });
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
    Outcome claimed;
    // Tills busy posting hold the tables a moment at a time: a screen that is opening waits for
    // its turn (bounded) rather than refusing to open.
    const auto deadline = std::chrono::steady_clock::now() + kOpenWait;
    for (;;) {
        {
            Scope scope(*this, {&PQXV60::table(), &PACS10::table()});
            claimed = scope.opened();
            if (claimed) claimed = claimSalesNumber(true, claim, number);
            if (claimed) claimed = scope.commit();
        }
        if (claimed || claimed.code() != ErrLockedOut || std::chrono::steady_clock::now() >= deadline) break;
    }
    if (!claimed) {
        MessageRequest box;
        box.title = posting_texts::warningTitle();
        box.text = posting_texts::tillNotOpened(claimed.code() == ErrLockedOut ? storeErrorText(ErrLockedOut) : claimed.text());
        box.icon = Icon::Exclamation;
        showMessage(box);
        return false;
    }
    claim_ = std::move(claim);
    LOC.SALESNUMBER = number;
    // Invariant 6: the screen holds the claim on the number it took.
    TAVLO_INVARIANT(6, claim_.held() && claim_.slot() == LOC.SALESNUMBER);
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
Outcome TillState::claimSalesNumber(bool takeUpLeftLines, SlotClaim& claim, std::uint16_t& number) {
    const std::filesystem::path file = ctx_.folder() / ".tavlo-sales";
    std::set<std::uint16_t> stored;
    auto& v60 = ctx_.access<PQXV60>();
    v60.clearBuffer();
    v60.SetFileOrder();
    int rc;
    while ((rc = v60.next()) == ErrNone) stored.insert(v60.rec.SALESNUMBER);
    if (rc != ErrNoRecord) return Outcome::failure(v60, rc);
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
                        Outcome failure = Outcome::failure(v60, e);
                        claim.release();
                        return failure;
                    }
                }
                tookUpLeftLines_ = true;
                return {};
            }
            if (!error.empty()) break;
        }
    auto& cs10 = ctx_.access<PACS10>();
    rc = error.empty() ? readCompanyRecord(cs10) : ErrNone;
    if (rc != ErrNone && rc != ErrNoRecord) return Outcome::failure(cs10, rc);
    std::uint16_t n = rc == ErrNone ? cs10.rec.SALESNUMBER : 0;
    bool found = false;
    for (int tries = 0; tries < 65535 && error.empty() && !found; ++tries) {
        n = nextSalesNumber(n);
        found = !stored.count(n) && tryClaim(n);
    }
    if (!found) return Outcome::failure(ErrEngine, error.empty() ? posting_texts::noSalesNumber() : error);
    cs10.rec.SALESNUMBER = n;
    rc = write(cs10, rc == ErrNone ? WriteOp::Put : WriteOp::Add);
    if (rc != ErrNone) {
        Outcome failure = Outcome::failure(cs10, rc);
        claim.release();
        return failure;
    }
    CS10.SALESNUMBER = n;
    // Invariant 6: a number is handed out only with its claim held, and never one with lines.
    TAVLO_INVARIANT(6, claim.held() && claim.slot() == n && !stored.count(n));
    return {};
}

// ---- Finished -------------------------------------------------------------------------------

Outcome TillState::Finished(const std::function<void(const SlipArgs&)>& printSlip) {
    // Invariant 6: the lines posted are the ones this open screen holds the claim on.
    TAVLO_INVARIANT(6, !open_ || claim_.held());
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

    const bool ownTransaction = !ctx_.inTransaction();
    Outcome posted;
    std::uint32_t saleDoc = 0;
    SlotClaim nextClaim;
    {
        // Invariant 1: every step joins this one transaction and stops at the first failure.
        Scope scope(*this, tables);
        posted = scope.opened();
        if (posted) posted = UpdateTransaction();
        saleDoc = LOC.DOCUMENTNO;
        if (posted && LOC.TAG == 1) posted = ClearV61();
        if (posted && LOC.TAG == 1) posted = closeTab();
        // The next sale's number, claimed before this one's is let go.
        if (posted) posted = claimSalesNumber(false, nextClaim, LOC.SALESNUMBER);
        // Whole cents while the sale is open, currency from here on.
        LOC.VERSKIL = (LOC.VERSKIL / Decimal(100)).rounded(2);
        if (posted && saleDoc != 0) posted = WriteHistory();
        if (posted && saleDoc != 0) posted = raiseLastDocNr(saleDoc);
        if (posted && !LOC.VERSKIL.isZero()) posted = PostRounding();
        if (posted) posted = scope.commit();
        if (!posted) scope.rollback();
    }
    // Invariant 1: committed or rolled back as a whole, nothing of it left open.
    TAVLO_INVARIANT(1, !ownTransaction || !ctx_.inTransaction());
    if (!posted) {
        LOC = savedLoc;
        CS10 = savedCs10;
        return reportFailure(std::move(posted));
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
    return {};
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

Outcome TillState::saleLines(bool withTab, std::vector<PQXV60>& lines) {
    lines.clear();
    auto& v60 = ctx_.access<PQXV60>();
    v60.clearBuffer();
    v60.SetFileOrder();
    int rc;
    while ((rc = v60.next()) == ErrNone)
        if (isSaleLine(v60.rec, withTab)) lines.push_back(v60.rec);
    if (rc != ErrNoRecord) return Outcome::failure(v60, rc);
    // Sales-number order, lines of one number in the order they were rung up.
    std::stable_sort(lines.begin(), lines.end(),
                     [](const PQXV60& a, const PQXV60& b) { return a.SALESNUMBER < b.SALESNUMBER; });
    return {};
}

Outcome TillState::eraseSaleLines(bool withTab) {
    auto& v60 = ctx_.access<PQXV60>();
    v60.clearBuffer();
    v60.SetFileOrder();
    int rc;
    while ((rc = v60.next()) == ErrNone) {
        if (!isSaleLine(v60.rec, withTab)) continue;
        if (int e = write(v60, WriteOp::Erase); e != ErrNone) return Outcome::failure(v60, e);
    }
    if (rc != ErrNoRecord) return Outcome::failure(v60, rc);
    return {};
}

std::uint32_t TillState::counterNow() { return writer_.counterNow(CS10.LASTDOCNR); }

Outcome TillState::raiseLastDocNr(std::uint32_t documentNo) { return writer_.raiseLastDocNr(documentNo, CS10.LASTDOCNR); }

Outcome TillState::closeTab() {
    std::uint32_t owner = tabOwner();
    if (owner == 0) return {};
    if (takenTab_ != 0) {
        // Lines another till added to the tab while it was being paid keep it open.
        auto& v61 = ctx_.access<PQXV61>();
        v61.clearBuffer();
        v61.rec.CLIENTNO = owner;
        v61.rec.DOCUMENTNO = takenTab_;
        v61.SetFrom(PV61::ClientDocKey);
        int rc = v61.next();
        if (rc == ErrNone && v61.rec.CLIENTNO == owner && v61.rec.DOCUMENTNO == takenTab_) return {};
        if (rc != ErrNone && rc != ErrNoRecord) return Outcome::failure(v61, rc);
    }
    if (LOC.CASH == 1) {
        auto& c11 = ctx_.access<PQXC11>();
        c11.clearBuffer();
        c11.rec.CLIENTNO = owner;
        int rc = c11.get(PC11::ClientNoKey);
        if (rc == ErrNoRecord) return {};
        if (rc == ErrNone) {
            c11.rec.DOCNO = 0;
            rc = write(c11, WriteOp::Put);
        }
        return rc == ErrNone ? Outcome() : Outcome::failure(c11, rc);
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
    Outcome closed = rc == ErrNone || rc == ErrNoRecord ? Outcome() : Outcome::failure(a10, rc);
    a10.RestoreFile(saved);
    return closed;
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

Outcome TillState::reportFailure(Outcome failure) {
    if (failure.told()) return failure;
    MessageRequest box;
    box.title = posting_texts::warningTitle();
    box.text = failure.code() == ErrLockedOut ? posting_texts::lockedOut() : posting_texts::notPosted(failure.text());
    box.icon = Icon::Exclamation;
    showMessage(box);
    failure.markTold();
    return failure;
}

}  // namespace tavlo
