// Tabs: a client's items stored in PQXV61 over several visits and paid later as one sale. A tab
// is taken up by one screen at a time (a claim on its number in .tavlo-tabs); its lines are
// found by both parts of their key, owner and tab number, since a cash client and a debtor may
// have the same number.
#include <optional>

#include "data/company_record.h"
#include "framework/message.h"
#include "framework/runtime.h"
#include "pos/posting_internal.h"
#include "pos/posting_texts.h"

namespace tavlo {

namespace {

void tell(const std::string& text) {
    MessageRequest box;
    box.title = posting_texts::warningTitle();
    box.text = text;
    box.icon = Icon::Exclamation;
    showMessage(box);
}

}  // namespace

// The owner's record in its buffer (PQXC11 in cash mode, PQXA10 in credit mode).
bool TillState::ownerTabFile(FileManagerBase*& file) {
    const std::uint32_t owner = tabOwner();
    int rc;
    if (LOC.CASH == 1) {
        auto& c11 = ctx_.access<PQXC11>();
        c11.clearBuffer();
        c11.rec.CLIENTNO = owner;
        rc = c11.get(PC11::ClientNoKey);
        file = &c11;
    } else {
        auto& a10 = ctx_.access<PQXA10>();
        a10.clearBuffer();
        a10.rec.ACCNUMBER = static_cast<std::uint16_t>(owner);
        rc = owner > 0xFFFF ? ErrNoRecord : a10.get(PA10::AccNumberKey);
        file = &a10;
    }
    if (rc != ErrNone) failed(*file, rc);
    return rc == ErrNone;
}

std::optional<std::uint32_t> TillState::openTabOf(std::uint32_t owner) {
    if (owner == 0) return 0u;
    FileManagerBase* file = nullptr;
    if (!ownerTabFile(file)) return std::nullopt;
    return LOC.CASH == 1 ? ctx_.access<PQXC11>().rec.DOCNO : ctx_.access<PQXA10>().rec.DOCNO;
}

bool TillState::TakeUpTab() {
    const std::uint32_t owner = tabOwner();
    failCode_ = 0;
    failText_.clear();
    std::optional<std::uint32_t> tab = openTabOf(owner);
    if (!tab) {
        tell(posting_texts::notPosted(failText_));
        return false;
    }
    if (*tab == 0 || (*tab == takenTab_ && tabClaim_.held())) return true;  // no open tab, or already here
    if (takenTab_ != 0 && !DropTab()) return false;

    SlotClaim claim;
    std::string error;
    if (!claim.tryClaim(ctx_.folder() / ".tavlo-tabs", *tab, &error)) {
        tell(error.empty() ? posting_texts::tabOpenElsewhere() : error);
        return false;
    }
    std::vector<std::int64_t> places;
    Decimal total;
    unsigned count = 0;
    {
        Scope scope(*this, {&PQXV60::table()});
        bool ok = scope.ok();
        auto& v61 = ctx_.access<PQXV61>();
        auto& v60 = ctx_.access<PQXV60>();
        std::vector<PQXV61> stored;
        v61.clearBuffer();
        v61.rec.CLIENTNO = owner;
        v61.rec.DOCUMENTNO = *tab;
        v61.SetFrom(PV61::ClientDocKey);
        int rc;
        while (ok && (rc = v61.next()) == ErrNone && v61.rec.CLIENTNO == owner && v61.rec.DOCUMENTNO == *tab) {
            stored.push_back(v61.rec);
            places.push_back(v61.position());
        }
        for (const PQXV61& line : stored) {
            if (!ok) break;
            v60.clearBuffer();
            copyFields(v60.rec, line);
            v60.rec.SALESNUMBER = LOC.SALESNUMBER;  // on this screen, as its own lines
            if (int e = write(v60, WriteOp::Add); e != ErrNone) {
                failed(v60, e);
                ok = false;
            }
            total += line.DEBIT + line.VATAMOUNT;
            ++count;
        }
        ok = ok && scope.commit();
        if (!ok) {
            scope.rollback();
            tell(posting_texts::notPosted(failText_));
            return false;
        }
    }
    tabClaim_ = std::move(claim);
    takenTab_ = *tab;
    tabLines_ = std::move(places);
    LOC.TOTALAMOUNT += total;
    LOC.COUNT = static_cast<std::uint8_t>(std::min<unsigned>(255, LOC.COUNT + count));
    return true;
}

bool TillState::DropTab() {
    if (takenTab_ == 0) return true;
    const std::uint32_t owner = tabOwner();
    Scope scope(*this, {&PQXV60::table()});
    bool ok = scope.ok();
    auto& v60 = ctx_.access<PQXV60>();
    v60.clearBuffer();
    v60.SetFileOrder();
    int rc;
    while (ok && (rc = v60.next()) == ErrNone) {
        const PQXV60& l = v60.rec;
        if (l.SALESNUMBER != LOC.SALESNUMBER || l.DOCUMENTNO != takenTab_ || l.CLIENTNO != owner) continue;
        if (int e = write(v60, WriteOp::Erase); e != ErrNone) {
            failed(v60, e);
            ok = false;
        }
    }
    ok = ok && scope.commit();
    if (!ok) {
        scope.rollback();
        ErrHandler(v60);
        return false;
    }
    tabClaim_.release();
    takenTab_ = 0;
    tabLines_.clear();
    return true;
}

bool TillState::UpdateTag() {
    const std::uint32_t owner = tabOwner();
    if (owner == 0) {
        tell(posting_texts::tabWithoutOwner());
        return false;
    }
    std::optional<WaitCursor> wait;
    if (runtime_) wait.emplace(*runtime_);
    const TillLocals savedLoc = LOC;
    const PACS10 savedCs10 = CS10;
    SlotClaim nextClaim;
    bool ok;
    {
        Scope scope(*this, {&PQXV60::table(), &PQXV61::table(), &PACS10::table(),
                            LOC.CASH == 1 ? &PQXC11::table() : &PQXA10::table()});
        ok = scope.ok();
        std::vector<PQXV60> lines;
        ok = ok && saleLines(false, lines);
        // The owner and its open tab, numbered from the counter as stored now when it is the first.
        FileManagerBase* ownerFile = nullptr;
        ok = ok && ownerTabFile(ownerFile);
        std::uint32_t tab = 0;
        if (ok) {
            std::uint32_t& marker =
                LOC.CASH == 1 ? ctx_.access<PQXC11>().rec.DOCNO : ctx_.access<PQXA10>().rec.DOCNO;
            tab = marker;
            if (tab == 0) {
                tab = counterNow() + 1;
                marker = tab;
                if (int e = write(*ownerFile, WriteOp::Put); e != ErrNone) {
                    failed(*ownerFile, e);
                    ok = false;
                }
                ok = ok && raiseLastDocNr(tab);
            }
        }
        // This visit's lines go onto the tab; lines taken up from it are stored there already.
        auto& v61 = ctx_.access<PQXV61>();
        for (const PQXV60& line : lines) {
            if (!ok) break;
            if (line.DOCUMENTNO != 0) continue;
            v61.clearBuffer();
            copyFields(v61.rec, line);
            v61.rec.CLIENTNO = owner;
            v61.rec.DOCUMENTNO = tab;
            if (int e = write(v61, WriteOp::Add); e != ErrNone) {
                failed(v61, e);
                ok = false;
            }
        }
        storedVisit_ = LOC.SALESNUMBER;
        LOC.TAGDOCUMENTNO = tab;
        ok = ok && eraseSaleLines(false);
        ok = ok && claimSalesNumber(false, nextClaim, LOC.SALESNUMBER);
        ok = ok && scope.commit();
        if (!ok) scope.rollback();
    }
    if (!ok) {
        LOC = savedLoc;
        CS10 = savedCs10;
        reportFailure();
        return false;
    }
    claim_ = std::move(nextClaim);
    tabClaim_.release();
    takenTab_ = 0;
    tabLines_.clear();
    return true;
}

}  // namespace tavlo
