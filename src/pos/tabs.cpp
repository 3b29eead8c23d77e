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
#include "util/invariant.h"

namespace tavlo {

namespace {

void tell(const std::string& text) {
    MessageRequest box;
    box.title = posting_texts::warningTitle();
    box.text = text;
    box.icon = Icon::Exclamation;
    showMessage(box);
}

// The failure, told in the words given.
Outcome told(Outcome failure, const std::string& text) {
    tell(text);
    failure.markTold();
    return failure;
}

}  // namespace

// The owner's record in its buffer (PQXC11 in cash mode, PQXA10 in credit mode).
Outcome TillState::ownerTabFile(FileManagerBase*& file) {
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
    return rc == ErrNone ? Outcome() : Outcome::failure(*file, rc);
}

Outcome TillState::openTabOf(std::uint32_t owner, std::uint32_t& tab) {
    tab = 0;
    if (owner == 0) return {};
    FileManagerBase* file = nullptr;
    if (Outcome r = ownerTabFile(file); !r) return r;
    tab = LOC.CASH == 1 ? ctx_.access<PQXC11>().rec.DOCNO : ctx_.access<PQXA10>().rec.DOCNO;
    return {};
}

Outcome TillState::TakeUpTab() {
    const std::uint32_t owner = tabOwner();
    std::uint32_t tab = 0;
    if (Outcome r = openTabOf(owner, tab); !r) {
        const std::string text = posting_texts::notPosted(r.text());
        return told(std::move(r), text);
    }
    if (tab == 0 || (tab == takenTab_ && tabClaim_.held())) return {};  // no open tab, or already here
    if (takenTab_ != 0)
        if (Outcome r = DropTab(); !r) return r;

    SlotClaim claim;
    std::string error;
    if (!claim.tryClaim(ctx_.folder() / ".tavlo-tabs", tab, &error)) {
        if (!error.empty()) return told(Outcome::failure(ErrEngine, error), error);
        return told(Outcome::failure(kRefused, posting_texts::tabOpenElsewhere()), posting_texts::tabOpenElsewhere());
    }
    std::vector<std::int64_t> places;
    Decimal total;
    unsigned count = 0;
    {
        Scope scope(*this, {&PQXV60::table()});
        Outcome copied = scope.opened();
        auto& v61 = ctx_.access<PQXV61>();
        auto& v60 = ctx_.access<PQXV60>();
        std::vector<PQXV61> stored;
        v61.clearBuffer();
        v61.rec.CLIENTNO = owner;
        v61.rec.DOCUMENTNO = tab;
        v61.SetFrom(PV61::ClientDocKey);
        int rc;
        while (copied && (rc = v61.next()) == ErrNone && v61.rec.CLIENTNO == owner && v61.rec.DOCUMENTNO == tab) {
            stored.push_back(v61.rec);
            places.push_back(v61.position());
        }
        for (const PQXV61& line : stored) {
            if (!copied) break;
            v60.clearBuffer();
            copyFields(v60.rec, line);
            v60.rec.SALESNUMBER = LOC.SALESNUMBER;  // on this screen, as its own lines
            if (int e = write(v60, WriteOp::Add); e != ErrNone) copied = Outcome::failure(v60, e);
            total += line.DEBIT + line.VATAMOUNT;
            ++count;
        }
        if (copied) copied = scope.commit();
        if (!copied) {
            scope.rollback();
            const std::string text = posting_texts::notPosted(copied.text());
            return told(std::move(copied), text);
        }
    }
    tabClaim_ = std::move(claim);
    takenTab_ = tab;
    tabLines_ = std::move(places);
    LOC.TOTALAMOUNT += total;
    LOC.COUNT = static_cast<std::uint8_t>(std::min<unsigned>(255, LOC.COUNT + count));
    return {};
}

Outcome TillState::DropTab() {
    if (takenTab_ == 0) return {};
    const std::uint32_t owner = tabOwner();
    Scope scope(*this, {&PQXV60::table()});
    Outcome dropped = scope.opened();
    auto& v60 = ctx_.access<PQXV60>();
    v60.clearBuffer();
    v60.SetFileOrder();
    int rc;
    while (dropped && (rc = v60.next()) == ErrNone) {
        const PQXV60& l = v60.rec;
        if (l.SALESNUMBER != LOC.SALESNUMBER || l.DOCUMENTNO != takenTab_ || l.CLIENTNO != owner) continue;
        if (int e = write(v60, WriteOp::Erase); e != ErrNone) dropped = Outcome::failure(v60, e);
    }
    if (dropped) dropped = scope.commit();
    if (!dropped) {
        scope.rollback();
        ErrHandler(dropped);
        return dropped;
    }
    tabClaim_.release();
    takenTab_ = 0;
    tabLines_.clear();
    return {};
}

Outcome TillState::UpdateTag() {
    const std::uint32_t owner = tabOwner();
    if (owner == 0) return told(Outcome::failure(kRefused, posting_texts::tabWithoutOwner()), posting_texts::tabWithoutOwner());
    // Invariant 6: the lines stored are the ones this open screen holds the claim on.
    TAVLO_INVARIANT(6, !open_ || claim_.held());
    std::optional<WaitCursor> wait;
    if (runtime_) wait.emplace(*runtime_);
    const TillLocals savedLoc = LOC;
    const PACS10 savedCs10 = CS10;
    SlotClaim nextClaim;
    Outcome stored;
    {
        Scope scope(*this, {&PQXV60::table(), &PQXV61::table(), &PACS10::table(),
                            LOC.CASH == 1 ? &PQXC11::table() : &PQXA10::table()});
        stored = scope.opened();
        std::vector<PQXV60> lines;
        if (stored) stored = saleLines(false, lines);
        // The owner and its open tab, numbered from the counter as stored now when it is the first.
        FileManagerBase* ownerFile = nullptr;
        if (stored) stored = ownerTabFile(ownerFile);
        std::uint32_t tab = 0;
        if (stored) {
            std::uint32_t& marker =
                LOC.CASH == 1 ? ctx_.access<PQXC11>().rec.DOCNO : ctx_.access<PQXA10>().rec.DOCNO;
            tab = marker;
            if (tab == 0) {
                tab = counterNow() + 1;
                marker = tab;
                if (int e = write(*ownerFile, WriteOp::Put); e != ErrNone) stored = Outcome::failure(*ownerFile, e);
                if (stored) stored = raiseLastDocNr(tab);
            }
        }
        // This visit's lines go onto the tab; lines taken up from it are stored there already.
        auto& v61 = ctx_.access<PQXV61>();
        for (const PQXV60& line : lines) {
            if (!stored) break;
            if (line.DOCUMENTNO != 0) continue;
            v61.clearBuffer();
            copyFields(v61.rec, line);
            v61.rec.CLIENTNO = owner;
            v61.rec.DOCUMENTNO = tab;
            if (int e = write(v61, WriteOp::Add); e != ErrNone) stored = Outcome::failure(v61, e);
        }
        storedVisit_ = LOC.SALESNUMBER;
        LOC.TAGDOCUMENTNO = tab;
        if (stored) stored = eraseSaleLines(false);
        if (stored) stored = claimSalesNumber(false, nextClaim, LOC.SALESNUMBER);
        if (stored) stored = scope.commit();
        if (!stored) scope.rollback();
    }
    if (!stored) {
        LOC = savedLoc;
        CS10 = savedCs10;
        return reportFailure(std::move(stored));
    }
    claim_ = std::move(nextClaim);
    tabClaim_.release();
    takenTab_ = 0;
    tabLines_.clear();
    return {};
}

}  // namespace tavlo
