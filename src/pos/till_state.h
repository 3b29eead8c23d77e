#pragma once
// The till screen's working state: its LOC: variables, the PQXS10 and PACS10 records it read when
// it opened, and the routines that post what it took. The routines need no window: the screen
// owns one TillState and calls them from its buttons; tests drive them directly.
//
// Each posting routine returns an Outcome (pos/outcome.h): success, or the first failure it met.
// A routine called inside another one's transaction hands its failure up; the routine that owns
// the transaction rolls back and tells the operator, once ("not posted, the lines are kept").
// A routine that tells a failure in a box of its own (a failed row add) marks it told.
//
// Invariants of the posting (each one is tested):
//  1. Finished is one storage transaction: the document, its history copy, the counter, the
//     rounding document, the tab's stored lines and marker and the removal of the posted working
//     lines commit together or not at all. After any failure the lines are still in PQXV60 and
//     the operator can press Finished again; a sale is never posted twice.
//  2. A document number is taken inside that transaction from the counter as stored now (not as
//     the screen read it) and never one already in PQXT20.
//  3. Every document balances: the control row carries the sum of the other rows' side, and
//     DocumentWriter::checkDocuments() reads each document back before the commit (a document
//     that does not add up rolls the posting back as a program error).
//  4. Detail numbers are 32-bit and come from the highest stored one, read under the lock.
//  5. Only the headers this posting added are completed: the cost of a sale does not depend on
//     how many documents PQXT20 already holds.
//  6. A screen's working lines are its own: every open screen, in any process on the folder,
//     holds a claim on its sales number (a lock the operating system drops when the till dies),
//     numbers are handed out from PACS10 inside a write transaction, and no number is handed out
//     while another screen holds it or lines are still stored under it. Lines whose claim is free
//     were left by a till that died: the next screen to open takes them up as its sale.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "data/file_manager.h"
#include "data/slot_claim.h"
#include "data/tables.h"
#include "pos/document_writer.h"
#include "pos/outcome.h"
#include "util/decimal.h"
#include "util/text.h"

namespace tavlo {

class Runtime;

// The screen's LOC: variables (names and types as the screen bears them).
struct TillLocals {
    std::uint8_t CASH = 1;           // "Cash Sales" ticked
    std::uint8_t CREDIT = 0;         // "Credit Sales" ticked
    std::uint8_t TAG = 0;            // the lines belong to a tab
    std::int32_t CREDITNOTE = 0;     // "Credit Note" ticked
    std::uint16_t DEBTOR = 0;        // debtor account of a credit sale
    FixedString<25> DEBTORDESC;
    std::uint32_t TAGACCNUMBER = 0;  // cash client or debtor that owns the tab, passed whole
    FixedString<25> TAGCLIENT;
    FixedString<15> ORDERNO;         // order number of a credit sale
    Decimal TOTALAMOUNT;             // DECIMAL(7,2)
    Decimal PAID;                    // DECIMAL(6,2)
    Decimal CHANGE;                  // DECIMAL(4,2)
    Decimal VERSKIL;                 // cash rounding: whole cents while open, currency once finished
    std::uint8_t PAYMENT = 0;        // 0 none, 1 cash, 2 card, 3 cheque, 4 debtor account
    std::uint8_t PAYSELECT = 0;
    std::uint16_t SALESNUMBER = 0;
    std::uint32_t DOCUMENTNO = 0;    // document given to the last posted sale (or rounding)
    std::uint32_t TAGDOCUMENTNO = 0;
    std::uint16_t SALESACC = 0;
    std::uint8_t RECORDSTATUS = 0;
    std::uint8_t OK = 0;             // supervisor mode
    std::uint8_t COUNT = 0;
    std::uint8_t ESC = 0;
    std::string HELP;
    FixedString<20> TOETS;
    std::uint32_t DETAILNUMBER = 0;  // ULONG like the field it numbers
    std::uint16_t PREVSALESNUMBER = 0;
};

// What the slip is printed with once a sale has been posted.
struct SlipArgs {
    std::uint32_t documentNo = 0;
    Decimal verskil;  // currency units
    Decimal paid;
    Decimal change;
    std::int32_t creditNote = 0;
    bool cashSale = true;  // PrintCashSlip, else PrintDebCashSlip
};

// A write the posting is about to make (WriteOp in pos/document_writer.h), for injecting
// storage failures in tests.
struct WriteSite {
    const TableDef* table;
    WriteOp op;
    int sequence;  // 1 for the first write of the current Finished / routine
};

class TillState {
public:
    static constexpr std::chrono::milliseconds kLockWait{1000};
    static constexpr std::chrono::milliseconds kOpenWait{15000};  // opening the screen, in turns of kLockWait

    explicit TillState(Context& ctx, Runtime* runtime = nullptr);
    ~TillState();
    TillState(const TillState&) = delete;
    TillState& operator=(const TillState&) = delete;

    TillLocals LOC;
    PQXS10 S10;   // the specification record read at opening (PS10:...)
    PACS10 CS10;  // the company record read at opening (PCS10:...)

    Context& context() { return ctx_; }

    // Registers the use of the tables the routines touch, reads the first PQXS10 record and the
    // company record, and claims a sales number: the one of lines a dead till left behind, else
    // the next free one after PCS10:SALESNUMBER (stored there at once). LOC:CASH = 1. False when
    // no number could be claimed (the operator was told why). Close releases the uses and claim.
    bool Open();
    void Close();
    // Whether Open took up lines a till left behind as this screen's sale.
    bool tookUpLeftLines() const { return tookUpLeftLines_; }
    // Closing the screen. The counter already holds the last number handed out (numbers are
    // stored when they are claimed), so nothing is written back over another till's numbers.
    bool StoreSalesNumber();

    // ---- Finished: post, tab, history, counter, rounding as one outcome, then the slip ----
    // A failure when nothing was posted (the operator was told why); the lines are then untouched.
    Outcome Finished(const std::function<void(const SlipArgs&)>& printSlip = {});

    // ---- posting a sale ----
    Outcome UpdateTransaction();  // posts this sale's working lines as one document
    Outcome GetDocumentNo();      // numbers the document and adds its header
    Outcome PostDetail();         // item row and VAT row of the working line in the PQXV60 buffer
    Outcome NextDetailNumber();   // LOC:DETAILNUMBER; a failure when the numbers are exhausted
    Outcome UpdateControl();      // control rows and totals of the headers this posting added
    Outcome WriteHistory();       // copies LOC:DOCUMENTNO to PQXH20 / PQXH21
    Outcome ClearV60();           // deletes this screen's working lines, all or none
    Outcome ClearV61();           // deletes the stored lines of the tab taken up here, all or none
    // Reports a failed delete (after the roll-back): "Delete Error - " and the failure's text.
    // The failure is not marked told: a posting it stopped still says that it was not posted.
    void ErrHandler(const Outcome& failure);

    // ---- the rounding document ----
    Outcome PostRounding();           // the rounding at Finished, when LOC:VERSKIL is not 0
    Outcome UpdateDiscTransaction();  // posts the rounding line as a rounding document
    Outcome GetDiscDocumentNo();
    Outcome PostDiscDetail();
    Outcome UpdateDiscControl();

    // ---- tabs (tabs.cpp) ----
    // The owner's open tab (LOC:TAGACCNUMBER, a cash client in cash mode, else a debtor) taken up
    // onto this screen: its stored lines are copied in under this screen's sales number, once.
    // A failure when another till has the tab open or the copy failed (the operator was told).
    Outcome TakeUpTab();
    // Print Tab's storing, one outcome: this visit's lines onto the owner's tab (a first tab
    // numbered from the counter as stored now and marked on the owner), the screen's lines out of
    // PQXV60, and the next sales number claimed. A failure when nothing was stored (told why).
    Outcome UpdateTag();
    // The Tag box cleared: lines taken up from a tab leave the screen (they stay on the tab) and
    // the tab is let go.
    Outcome DropTab();
    // The tab number and the sales number of the visit the last UpdateTag stored.
    std::uint32_t storedTab() const { return LOC.TAGDOCUMENTNO; }
    std::uint16_t storedVisit() const { return storedVisit_; }
    // The tab taken up on this screen, 0 none.
    std::uint32_t takenTab() const { return takenTab_; }

    // Whether a working line belongs to the sale Finished would post: the lines under this
    // screen's sales number (lines taken up from a tab are copied in under it).
    bool IsSaleLine(const PQXV60& line) const { return isSaleLine(line, LOC.TAG == 1); }

    // Resets the sale variables after Finished (step 9 of the screen, without the window).
    void ResetSale();

    // Tests: called before each write; a non-zero driver error code makes that write fail.
    void setWriteFault(std::function<int(const WriteSite&)> fault) { writeFault_ = std::move(fault); }

private:
    class Scope;
    enum class DocKind { Sale, Rounding };

    Outcome postDocument(DocKind kind);
    Outcome addHeader(DocKind kind);
    Outcome completeHeaders(DocKind kind);
    Outcome saleLines(bool withTab, std::vector<PQXV60>& lines);
    Outcome eraseSaleLines(bool withTab);
    bool isSaleLine(const PQXV60& line, bool withTab) const;
    Outcome claimSalesNumber(bool takeUpLeftLines, SlotClaim& claim, std::uint16_t& number);
    std::uint32_t tabOwner() const;
    Outcome raiseLastDocNr(std::uint32_t documentNo);
    Outcome closeTab();
    std::uint32_t counterNow();
    std::string classCodeOf(std::uint16_t accNumber);

    int write(FileManagerBase& file, WriteOp op);
    // Tells a failure the posting stopped at, unless it was told already; returns it marked told.
    Outcome reportFailure(Outcome failure);

    Context& ctx_;
    Runtime* runtime_;
    bool open_ = false;
    SlotClaim claim_;  // on LOC:SALESNUMBER while the screen holds it
    SlotClaim tabClaim_;  // on the tab taken up here: one till at a time adds to or pays a tab
    std::uint32_t takenTab_ = 0;
    std::vector<std::int64_t> tabLines_;  // places in PQXV61 of the lines taken up
    std::uint16_t storedVisit_ = 0;
    Outcome openTabOf(std::uint32_t owner, std::uint32_t& tab);
    Outcome ownerTabFile(FileManagerBase*& file);
    bool tookUpLeftLines_ = false;
    std::vector<const TableDef*> used_;
    std::function<int(const WriteSite&)> writeFault_;
    int writeSeq_ = 0;
    // The current posting's documents.
    DocumentWriter writer_;
    PQXT20 header_;                 // the header the rows go to
    std::uint32_t tabDocumentNo_ = 0;
    std::string controlOperator_;   // PT21:REFERENCE2 of the control row
    // Within one transaction: master records already looked up.
    std::map<std::string, std::uint16_t> entNumbers_;
    std::map<std::string, std::uint16_t> vatAccounts_;
    void forgetTransaction();
};

}  // namespace tavlo
