#include "pos/point_of_sale.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "data/file_manager.h"
#include "framework/runtime.h"
#include "pos/lookups.h"
#include "operators/sup_password.h"
#include "pos/payment.h"
#include "pos/posting_texts.h"
#include "framework/message.h"
#include "pos/sale_line.h"
#include "receipt/receipt_printer.h"
#include "reports/cash_slip.h"
#include "reports/daily_cashup.h"
#include "reports/tab_slip.h"
#include "state/globals.h"
#include "util/date.h"
#include "util/invariant.h"
#include "util/picture.h"
#include "util/text.h"

namespace tavlo {

namespace {

template <std::size_t N>
Binding fixedBinding(FixedString<N>& s) {
    return Binding([&s] { return Value(s.str()); },
                   [&s](const Value& v) {
                       s = FixedString<N>(valueText(v));
                       return true;
                   });
}

Decimal cellNumber(const Row& row, int column) { return valueNumber(row[static_cast<std::size_t>(column)]); }

// The nett amounts of the lines shown, added up (for the invariant checks).
Decimal shownNett(const std::vector<Row>& rows) {
    Decimal sum;
    for (const Row& row : rows) sum += cellNumber(row, BrowsePointOfSale::kNettAmount);
    return sum;
}

const Font kLargeFont{"MS Sans Serif", 20, true};

// How long saving a working line waits for other tills beyond the storage's own wait.
constexpr std::chrono::seconds kLineSaveWait{5};

}  // namespace

BrowsePointOfSale::BrowsePointOfSale() : Procedure("BrowsePointOfSale") {}
BrowsePointOfSale::~BrowsePointOfSale() = default;

// ---- opening and closing ----------------------------------------------------------------------

bool BrowsePointOfSale::OpenTables() {
    till_ = std::make_unique<TillState>(context(), &runtime());
    if (!till_->Open()) {
        till_.reset();
        return false;
    }
    // Beyond what the posting uses: the item's asset and trading accounts, operators, addresses.
    extraTables_ = {&PQXA30::table(), &PQXA40::table(), &PQXO10::table(), &PQXC10::table()};
    for (const TableDef* t : extraTables_) context().access(*t).UseFile();
    if (till_->LOC.SALESNUMBER == 0) till_->LOC.SALESNUMBER = 1;
    return true;
}

void BrowsePointOfSale::CloseTables() {
    if (!till_) return;
    till_->StoreSalesNumber();
    for (const TableDef* t : extraTables_) context().access(*t).Close();
    extraTables_.clear();
    till_->Close();
}

void BrowsePointOfSale::DefineWindow(Window& w) {
    TillLocals& L = till_->LOC;
    w = Window("Point Of Sale", 596, 323);
    w.status = {"", ""};
    w.panel().at(3, 2, 587, 296);
    w.panel().at(12, 9, 185, 116);
    w.panel().at(201, 9, 379, 116);
    cash_ = w.check("Cash Sales", Binding(&L.CASH)).at(29, 20, 99, 10).name("Cash");
    changeText_ = w.add(ControlKind::Display, "Change .:").at(211, 23, 165, 32).font(kLargeFont).name("ChangeText");
    change_ = w.display(Binding(&L.CHANGE, 4, 2), "@n9.2").at(399, 23, 170, 32).font(kLargeFont).name("ChangeAmount");
    credit_ = w.check("Credit Sales", Binding(&L.CREDIT)).at(29, 33, 99, 10).name("Credit");
    selectDeb_ = w.button("...").at(29, 52, 12, 10).icon("FINDL.ICO").disabled().name("SelectDebButton");
    debtorName_ = w.display(fixedBinding(L.DEBTORDESC), "@s25").at(47, 52, 124, 10).disabled().name("DebtorName");
    orderPrompt_ = w.prompt("Order # :").at(29, 65, 32, 10).hidden().name("OrderPrompt");
    orderNo_ = w.entry(fixedBinding(L.ORDERNO), "@s15").at(63, 66, 80, 10).hidden().name("OrderNo");
    total_ = w.display(Binding(&L.TOTALAMOUNT, 7, 2), "@n15.2").at(207, 71, 260, 36).font(kLargeFont).name("Total");
    tag_ = w.check("Tag", Binding(&L.TAG)).at(29, 76, 99, 10).name("Tag");
    tagClient_ = w.display(fixedBinding(L.TAGCLIENT), "@s25").at(29, 90, 124, 10).hidden().name("TagClient");
    creditNote_ = w.check("Credit Note", Binding(&L.CREDITNOTE)).at(29, 107, 99, 10).name("CreditNote");

    ListColumn item{"Item Code", "@s20", 84, 'L'};
    item.editable = true;
    item.help = "Enter an Item Code, or ?{tab} to Select";
    ListColumn description{"Description", "@s40", 165, 'L'};
    ListColumn qty{"Qty", "@n-13.3", 52, 'R'};
    qty.editable = true;
    qty.help = "The quantity";
    ListColumn price{"Selling Price", "@n13.3", 52, 'R'};
    price.editable = true;
    ListColumn discount{"Discount", "@n-7.2", 32, 'D'};
    discount.editable = true;
    ListColumn debit{"Amount", "@n15.2", 60, 'R'};
    ListColumn vat{"Vat Amount", "@n15.2", 60, 'R'};
    ListColumn nett{"Nett Amount", "@n13.2", 52, 'R'};
    list_ = std::make_shared<ListControl>(std::vector<ListColumn>{item, description, qty, price, discount, debit, vat, nett},
                                          std::make_shared<FunctionRows>([this] { return loadLines(); }));
    list_->sortable = false;  // file order: the order the lines were rung up
    list_->editInPlace = true;
    list_->onEditAction = [this](int column, EditAction action) { return onEditAction(column, action); };
    list_->saveRow = [this](Row& row, bool inserting) { return saveLine(row, inserting); };
    list_->onDelete = [this](const Row& row) { return deleteLine(row); };
    list_->onEditorFocusLost = [this] { till_->LOC.ESC = 1; };
    list_->onTypedRefused = [this](int column, const std::string&) {
        if (column == kQty) refuse("The quantity must be a number that fits the line (at most 9 999 999.999).",
                                   "Die hoeveelheid moet 'n getal wees wat in die lyn pas (hoogstens 9 999 999.999).");
        else if (column == kDiscount) refuse("The discount must be a percentage from 0 to 100.",
                                             "Die afslag moet 'n persentasie van 0 tot 100 wees.");
        else refuse("This column takes a number.", "Hierdie kolom neem 'n getal.");
    };
    list_ctl_ = w.list(list_).at(12, 127, 567, 92).name("List");

    insert_ = w.button("&Insert").at(14, 229, 42, 12).name("Insert");
    changeButton_ = w.button("&Change").at(59, 229, 42, 12).hidden().name("Change");
    delete_ = w.button("&Delete").at(104, 229, 42, 12).hidden().name("Delete");
    list_->insertButton = insert_;
    list_->changeButton = changeButton_;
    list_->deleteButton = delete_;
    supervisor_ = w.button("&Supervisor").at(158, 227, 128, 15).name("SupButton");
    printTag_ = w.button("Print&Tab").at(305, 227, 125, 15).hidden().name("PrintTagButton");
    payTab_ = w.button("Pa&y Tab").at(445, 227, 125, 15).hidden().name("PayTabButton");
    w.add(ControlKind::Display, "Paid .:").at(22, 254, 103, 32).font(kLargeFont).name("PaidText");
    paid_ = w.entry(Binding(&L.PAID, 6, 2), "@n15.2").at(128, 254, 177, 32).font(kLargeFont).name("Paid");
    payment_ = w.button("&Payment").at(357, 254, 105, 32).name("PaymentButton");
    finished_ = w.button("&Finished").at(479, 254, 105, 32).name("FinishedButton");
    close_ = w.button("&Close").at(19, 302, 89, 17).name("CloseButton");
    noSale_ = w.button("No Sale / Open Drawer").at(120, 302, 120, 17).name("NoSaleButton")
                  .hidden(!receipt::settingsOf(context()).active());
}

void BrowsePointOfSale::TakeOpened() {
    list_->reload();
    if (till_->tookUpLeftLines()) {
        MessageRequest box;
        box.title = std::string(byLanguage("Onvoltooide verkoop", "Unfinished sale"));
        box.text = posting_texts::leftLinesTakenUp();
        box.icon = Icon::Information;
        showMessage(box);
    }
    applyCash();
    applyCredit();
    applyTag();
    window()[finished_].disabled = false;
    window()[payment_].disabled = false;
    recomputeTotals();
    till_->LOC.PAID = till_->LOC.TOTALAMOUNT;
    // Ready to type: the first item code goes straight into a new line.
    if (till_->LOC.CASH == 1 && list_->rows().empty()) {
        select(insert_);
        post(Event{EventKind::Accepted, insert_});
    }
}

// ---- check boxes ------------------------------------------------------------------------------

void BrowsePointOfSale::applyCash() {
    TillLocals& L = till_->LOC;
    Window& w = window();
    if (L.CASH == 1) L.CREDIT = 0;
    else L.CREDIT = 1;
    bool credit = L.CREDIT == 1;
    w[orderPrompt_].hidden = !credit;
    w[orderNo_].hidden = !credit;
    w[selectDeb_].disabled = !credit;
    w[debtorName_].disabled = !credit;
}

void BrowsePointOfSale::applyCredit() {
    TillLocals& L = till_->LOC;
    L.CASH = L.CREDIT == 1 ? 0 : 1;
    applyCash();
}

void BrowsePointOfSale::applyTag() {
    TillLocals& L = till_->LOC;
    Window& w = window();
    bool on = L.TAG == 1;
    w[printTag_].hidden = !on;
    w[payTab_].hidden = !on;
    w[creditNote_].hidden = on;
    w[finished_].disabled = on;
    w[payment_].disabled = on;
    w[tagClient_].hidden = !on;
}

// The Tag box: ticked, the owner is chosen and their open tab taken up onto the screen; cleared,
// the tab's lines leave the screen again (they stay on the tab).
void BrowsePointOfSale::takeTag() {
    TillLocals& L = till_->LOC;
    applyTag();
    settleEditor();
    if (L.TAG == 0) {
        static_cast<void>(till_->DropTab());  // a failure is told by the routine
        L.TAGACCNUMBER = 0;
        L.TAGCLIENT.clear();
        list_->reload();
        select(insert_);
        return;
    }
    std::uint32_t owner = 0;
    L.TAGCLIENT.clear();
    if (L.CASH == 1) {
        SelectCashClient pick(owner);
        runtime().run(pick);
        auto& c11 = context().access<PQXC11>();
        c11.clearBuffer();
        c11.rec.CLIENTNO = owner;
        if (owner != 0 && c11.get(PC11::ClientNoKey) == ErrNone) L.TAGCLIENT = c11.rec.NAME;
    } else {
        SelectA10Debtors pick(owner);
        runtime().run(pick);
        if (owner != 0 && owner != L.DEBTOR) {
            MessageRequest box;
            box.title = std::string(byLanguage("Waarskuwing", "Warning"));
            box.text = std::string(byLanguage("Debiteur is nie dieselfde as debiteur vir kredietaankope",
                                              "Debtor is not the same as the debtor for credit purchases"));
            box.icon = Icon::Exclamation;
            showMessage(box);
            owner = 0;  // another debtor's tab is not loaded
            select(tag_);
        } else if (owner != 0) {
            auto& a10 = context().access<PQXA10>();
            a10.clearBuffer();
            a10.rec.ACCNUMBER = static_cast<std::uint16_t>(owner);
            if (a10.get(PA10::AccNumberKey) == ErrNone) L.TAGCLIENT = a10.rec.ACCDESC;
        }
    }
    if (owner != till_->LOC.TAGACCNUMBER) static_cast<void>(till_->DropTab());
    L.TAGACCNUMBER = owner;
    if (owner != 0 && !till_->TakeUpTab()) {
        L.TAGACCNUMBER = 0;
        L.TAGCLIENT.clear();
    }
    list_->reload();
    recomputeTotals();
}

// Print Tab: this visit's lines stored on the owner's tab and their slip printed; the screen
// starts afresh.
void BrowsePointOfSale::takePrintTab() {
    TillLocals& L = till_->LOC;
    Window& w = window();
    settleEditor();
    if (!till_->UpdateTag()) {
        list_->reload();
        return;
    }
    if (!receipt::printTabOnReceiptPrinter(runtime(), context(), L.TAGACCNUMBER, till_->storedTab(), till_->storedVisit()))
        report::PrintTag(runtime(), context(), till_->storedTab(), till_->storedVisit(), L.TAGACCNUMBER);
    L.TAG = 0;
    list_->reload();
    L.TOTALAMOUNT = Decimal();
    L.PAID = Decimal();
    L.CHANGE = Decimal();
    L.VERSKIL = Decimal();
    L.PAYSELECT = 0;
    L.COUNT = 0;
    L.TAGACCNUMBER = 0;
    L.TAGCLIENT.clear();
    w[finished_].disabled = true;
    w[printTag_].hidden = true;
    w[payTab_].hidden = true;
    w[tagClient_].hidden = true;
    w[payment_].hidden = false;
    w[payment_].disabled = false;
    select(insert_);
}

// Pay Tab: the whole tab is what is to be paid; the operator may overtype Paid.
void BrowsePointOfSale::takePayTab() {
    TillLocals& L = till_->LOC;
    settleEditor();
    L.COUNT = 0;
    L.PAID = L.TOTALAMOUNT;
    select(paid_);
}

// A supervisor's price is stored on the item only when the supervisor says so.
bool BrowsePointOfSale::askStorePrice() {
    MessageRequest box;
    box.title = std::string(byLanguage("Prys", "Price"));
    box.text = std::string(byLanguage("Stoor hierdie prys op die item vir elke volgende verkoop?|Nee: net op hierdie lyn.",
                                      "Store this price on the item for every later sale?|No: on this line only."));
    box.icon = Icon::Question;
    box.buttons = ButtonYes | ButtonNo;
    box.defaultButton = ButtonNo;
    return showMessage(box) == ButtonYes;
}

void BrowsePointOfSale::takeCreditNote() {
    TillLocals& L = till_->LOC;
    if (L.CREDITNOTE != 1) return;
    creditSource_ = askSupervisor("Credit Note");
    if (creditSource_ != SupervisorSource::None) {
        L.CREDITNOTE = 1;
        // The credit note uses up supervisor mode, and with it what only a supervisor may do.
        L.OK = 0;
        showSupervisorButtons(false);
    } else {
        L.CREDITNOTE = 0;
    }
}

void BrowsePointOfSale::chooseDebtor() {
    TillLocals& L = till_->LOC;
    SelectA10Debtors pick;
    runtime().run(pick);
    if (pick.response() == Response::Completed) {
        const PQXA10& a10 = context().access<PQXA10>().rec;
        L.DEBTOR = a10.ACCNUMBER;
        L.DEBTORDESC = a10.ACCDESC;
    } else {
        select(selectDeb_);
    }
}

void BrowsePointOfSale::showSupervisorButtons(bool on) {
    window()[changeButton_].hidden = !on;
    window()[delete_].hidden = !on;
}

void BrowsePointOfSale::takeSupervisor() {
    TillLocals& L = till_->LOC;
    if (L.OK == 1) {
        showSupervisorButtons(false);
        L.OK = 0;
        return;
    }
    supSource_ = askSupervisor("Supervisor");
    L.OK = supSource_ != SupervisorSource::None ? 1 : 0;
    if (L.OK == 1) showSupervisorButtons(true);
}

SupervisorSource BrowsePointOfSale::askSupervisor(const char* what) {
    std::uint8_t ok = 0;
    SupPassword prompt(ok, till_->S10.DATEPASS);
    runtime().run(prompt);
    if (ok != 1) return SupervisorSource::None;
    if (!prompt.masterUsed()) return SupervisorSource::OwnPassword;
    audit(AuditAction::MasterPassword, SupervisorSource::MasterPassword, what);
    return SupervisorSource::MasterPassword;
}

SupervisorSource BrowsePointOfSale::supervisorSource() const {
    return till_->LOC.OK == 1 ? supSource_ : SupervisorSource::None;
}

void BrowsePointOfSale::audit(AuditAction action, SupervisorSource source, std::string document, std::string oldValue,
                              std::string newValue) {
    AuditEntry entry{.action = action, .source = source, .document = std::move(document),
                     .oldValue = std::move(oldValue), .newValue = std::move(newValue)};
    if (!writeAudit(context(), entry))
        refuse("The audit entry could not be stored.", "Die ouditinskrywing kon nie gestoor word nie.");
}

// ---- events -----------------------------------------------------------------------------------

void BrowsePointOfSale::TakeSelected(int control) {
    if (control == insert_) {
        window()[finished_].disabled = true;
    } else if (control == finished_) {
        window()[payment_].disabled = false;
    } else if (control == paid_) {
        enterPaid();
    }
}

void BrowsePointOfSale::enterPaid() {
    TillLocals& L = till_->LOC;
    settleEditor();
    runtime().display(*this);  // the row left open is gone before the pay method is asked
    // Finished waits while less than the total is tendered.
    window()[finished_].disabled = L.PAID < L.TOTALAMOUNT;
    window()[payment_].disabled = true;
    if (L.PAYSELECT == 0 && L.CREDIT == 0) {
        PaymentMethod ask(L.PAYMENT);
        runtime().run(ask);
        L.PAYSELECT = 1;
    }
    if (L.CREDIT == 1) L.PAYMENT = kPayAccount;
}

void BrowsePointOfSale::TakeAccepted(int control) {
    if (control == cash_) applyCash();
    else if (control == credit_) applyCredit();
    else if (control == tag_) takeTag();
    else if (control == printTag_) takePrintTab();
    else if (control == payTab_) takePayTab();
    else if (control == creditNote_) takeCreditNote();
    else if (control == selectDeb_) chooseDebtor();
    else if (control == supervisor_) takeSupervisor();
    else if (control == paid_) takePaid();
    else if (control == payment_) takePayment();
    else if (control == finished_) takeFinished();
    else if (control == close_) takeClose();
    else if (control == noSale_) receipt::noSale(runtime(), context(), till_->S10.DATEPASS);
}

void BrowsePointOfSale::AfterEvent(const Event&) {
    if (!list_ || !till_) return;
    if (!list_->editing()) {
        session_ = false;
        if (helpShown_) window().setStatusText(0, "");  // the editor's help goes with the editor
        helpShown_ = false;
    }
    recomputeTotals();
}

// ---- tender -----------------------------------------------------------------------------------

void BrowsePointOfSale::computeChange() {
    TillLocals& L = till_->LOC;
    L.VERSKIL = Decimal();
    Decimal change = L.PAID - L.TOTALAMOUNT;
    int cents = 0;
    if (L.PAYMENT == kPayCash) cents = cashRoundingCents(change);
    L.VERSKIL = Decimal(cents);
    L.CHANGE = change + Decimal(cents) / Decimal(100);
}

void BrowsePointOfSale::takePaid() {
    TillLocals& L = till_->LOC;
    Window& w = window();
    if (L.PAID < L.TOTALAMOUNT || !fitsDecimal(L.PAID - L.TOTALAMOUNT + Decimal::of("0.04"), 4, 2)) {
        if (L.PAID < L.TOTALAMOUNT)
            refuse("Paid is less than the total: type at least " + formatPicture("@n15.2", L.TOTALAMOUNT) + ".",
                   "Betaal is minder as die totaal: tik ten minste " + formatPicture("@n15.2", L.TOTALAMOUNT) + ".");
        else
            refuse("The change would be too large: check the amount paid.",
                   "Die kleingeld sou te groot wees: kyk weer na die bedrag betaal.");
        w[finished_].disabled = true;
        select(paid_);
        return;
    }
    w[finished_].disabled = false;
    computeChange();
}

void BrowsePointOfSale::takePayment() {
    TillLocals& L = till_->LOC;
    if (L.COUNT > 0) {
        // Lines were rung up: on to the amount tendered.
        L.ESC = 0;
        L.COUNT = 0;
        select(paid_);
    } else if (L.ESC == 1) {
        // Nothing worked out since the last payment: Esc leaves the row being typed.
        if (list_->editing()) list_->endEditing(EditAction::Cancel);
        L.ESC = 0;
    }
}

bool BrowsePointOfSale::hasLines() const { return !list_->rows().empty(); }

// Whether the sale can be settled as it stands; otherwise the focus goes where it is missing.
bool BrowsePointOfSale::tenderReady() {
    TillLocals& L = till_->LOC;
    if (L.CREDIT == 1) {
        L.PAYMENT = kPayAccount;
        if (L.DEBTOR == 0) {
            select(selectDeb_);
            return false;
        }
    } else if (L.PAYMENT < kPayCash || L.PAYMENT > kPayCheque) {
        PaymentMethod ask(L.PAYMENT);
        runtime().run(ask);
        L.PAYSELECT = 1;
        if (L.PAYMENT < kPayCash || L.PAYMENT > kPayCheque) {
            select(paid_);
            return false;
        }
    }
    if (L.PAID < L.TOTALAMOUNT) {
        window()[finished_].disabled = true;
        select(paid_);
        return false;
    }
    return true;
}

void BrowsePointOfSale::takeFinished() {
    TillLocals& L = till_->LOC;
    Window& w = window();
    settleEditor();
    recomputeTotals();
    // Invariant 1: with no line being edited, Total is the sum of the lines shown.
    TAVLO_INVARIANT(1, !list_->editing() && L.TOTALAMOUNT == shownNett(list_->rows()));
    if (!hasLines()) {
        // Nothing rung up: nothing to post or print; the screen starts the sale afresh.
        L.PAID = L.TOTALAMOUNT;
        L.CHANGE = Decimal();
        L.VERSKIL = Decimal();
        L.COUNT = 0;
        w[finished_].disabled = true;
        if (L.CASH == 1) {
            select(insert_);
            post(Event{EventKind::Accepted, insert_});
        } else {
            select(cash_);
        }
        return;
    }
    if (!tenderReady()) return;
    computeChange();

    bool wasTab = L.TAG == 1;
    const bool creditNote = L.CREDITNOTE == 1;
    const Decimal total = L.TOTALAMOUNT;
    std::uint32_t posted = 0;
    auto printSlip = [this, &posted](const SlipArgs& a) {
        posted = a.documentNo;
        if (receipt::printSaleOnReceiptPrinter(runtime(), context(), a)) return;  // no preview at the counter
        if (a.cashSale)
            report::PrintCashSlip(runtime(), context(), a.documentNo, a.verskil, a.paid, a.change, a.creditNote);
        else
            report::PrintDebCashSlip(runtime(), context(), a.documentNo, a.verskil, a.paid, a.change, a.creditNote);
    };
    if (!till_->Finished(printSlip)) {
        // Nothing was posted and the operator was told why; the sale stays on the screen.
        list_->reload();
        return;
    }
    if (creditNote)
        audit(AuditAction::CreditNote, creditSource_, std::to_string(posted != 0 ? posted : L.DOCUMENTNO), {},
              total.toString(2));
    if (L.SALESNUMBER == 0) L.SALESNUMBER = 1;
    list_->reload();
    session_ = false;
    L.TOTALAMOUNT = Decimal();
    recomputeTotals();
    L.PAID = L.TOTALAMOUNT;
    if (wasTab) applyTag();
    w[finished_].disabled = true;
    w[payment_].disabled = false;  // however Finished was reached, the next sale can go to payment
    if (L.CASH == 1) {
        select(insert_);
        post(Event{EventKind::Accepted, insert_});  // a new line opens at once
    } else {
        select(cash_);
    }
}

bool BrowsePointOfSale::TakeCloseRequest() {
    takeClose();
    return false;  // takeClose closes the window itself, or keeps it when the sale stays
}

void BrowsePointOfSale::takeClose() {
    if (list_->editing()) list_->endEditing(EditAction::Cancel);
    // An Enter on Close must not throw away a sale without a word.
    if (!list_->rows().empty()) {
        MessageRequest box;
        box.title = posting_texts::warningTitle();
        box.text = posting_texts::discardSaleQuestion();
        box.icon = Icon::Question;
        box.buttons = ButtonYes | ButtonNo;
        box.defaultButton = ButtonNo;
        if (showMessage(box) != ButtonYes) {
            select(insert_);
            return;
        }
        const TillLocals& L = till_->LOC;
        audit(AuditAction::SaleDiscarded, supervisorSource(), std::to_string(L.SALESNUMBER), L.TOTALAMOUNT.toString(2));
    }
    report::AskDailyCashup(runtime(), context());
    static_cast<void>(till_->ClearV60());  // a failure is told by the routine
    list_->reload();
    close(Response::Completed);
}

// ---- lines ------------------------------------------------------------------------------------

// The lines shown are exactly the lines Finished would post.
bool BrowsePointOfSale::isSaleLine(const PQXV60& line) const { return till_->IsSaleLine(line); }

std::vector<Row> BrowsePointOfSale::loadLines() {
    auto& v60 = context().access<PQXV60>();
    lines_.clear();
    std::vector<Row> rows;
    v60.clearBuffer();
    v60.SetFileOrder();
    while (v60.next() == ErrNone) {
        if (!isSaleLine(v60.rec)) continue;
        const PQXV60& r = v60.rec;
        Row row;
        row.id = v60.position();
        row.cells = {Value(r.ITEMCODE), Value(r.DESCRIPTION), Value(r.QTY),       Value(r.SELLINGPRICE),
                     Value(r.DISCOUNT), Value(r.DEBIT),       Value(r.VATAMOUNT), Value(r.NETTAMOUNT)};
        lines_[row.id] = r;
        rows.push_back(std::move(row));
    }
    return rows;
}

bool BrowsePointOfSale::seekLine(std::int64_t position) {
    auto& v60 = context().access<PQXV60>();
    v60.clearBuffer();
    v60.SetFileOrder();
    while (v60.next() == ErrNone)
        if (v60.position() == position) return true;
    return false;
}

void BrowsePointOfSale::recomputeTotals() {
    TillLocals& L = till_->LOC;
    bool editing = list_->editing() && session_;
    Decimal sum;
    const auto& rows = list_->rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (editing && !list_->inserting() && static_cast<int>(i) == list_->editIndex()) continue;
        sum += cellNumber(rows[i], kNettAmount);
    }
    if (editing) sum += contribution_;
    Decimal moved = sum - L.TOTALAMOUNT;
    if (moved.isZero()) return;
    const Decimal change = L.PAID - L.TOTALAMOUNT;
    L.TOTALAMOUNT = sum;
    L.PAID += moved;
    // Invariant 1: Paid moved by exactly what Total moved.
    TAVLO_INVARIANT(1, L.PAID - L.TOTALAMOUNT == change);
}

void BrowsePointOfSale::settleEditor() {
    if (!list_->editing()) return;
    Row row = list_->editRow();
    // A row whose item was looked up is kept as it stands; a row still being typed is dropped.
    const std::string code = clip(valueText(row[kItemCode]));
    bool keep = session_ && !code.empty() && sameText(code, item_.ITEMCODE) && !cellNumber(row, kQty).isZero();
    bool inserting = list_->inserting();
    bool saved = keep && saveLine(row, inserting);
    list_->endEditing(EditAction::Cancel);
    if (saved) list_->reload();
    session_ = false;
}

bool BrowsePointOfSale::saveLine(Row& row, bool inserting) {
    // A line needs an item and a quantity, and amounts worked out from them.
    if (clip(valueText(row[kItemCode])).empty() || cellNumber(row, kQty).isZero()) {
        refuse("A line needs an item and a quantity other than 0 (Esc drops the line).",
               "'n Lyn het 'n item en 'n hoeveelheid anders as 0 nodig (Esc laat die lyn val).");
        return false;
    }
    if (!computeRow(row)) {
        refuse("The line's amount is too large.", "Die lyn se bedrag is te groot.");
        return false;
    }
    PQXV60 rec = editRec_;
    fillPostingFields(rec);
    rec.ITEMCODE = valueText(row[kItemCode]);
    rec.DESCRIPTION = valueText(row[kDescription]);
    rec.QTY = cellNumber(row, kQty);
    rec.SELLINGPRICE = cellNumber(row, kSellingPrice);
    rec.DISCOUNT = cellNumber(row, kDiscount);
    rec.DEBIT = cellNumber(row, kDebit);
    rec.VATAMOUNT = cellNumber(row, kVatAmount);
    rec.NETTAMOUNT = cellNumber(row, kNettAmount);
    // Invariant 3: the amounts stored are the ones just worked out for the line.
    TAVLO_INVARIANT(3, rec.NETTAMOUNT == fitField(rec.DEBIT + rec.VATAMOUNT, PQXV60::Size::NETTAMOUNT));
    auto& v60 = context().access<PQXV60>();
    // Another till's posting holds the working table for a moment: the line waits for it, as
    // Finished does, before the operator is told (and the line is kept on the screen).
    const auto deadline = std::chrono::steady_clock::now() + kLineSaveWait;
    auto store = [&](bool managed) -> Level {
        if (inserting) {
            v60.clearBuffer();
            v60.rec = rec;
            return managed ? v60.Insert() : v60.TryInsert();
        }
        if (!seekLine(row.id)) return LevelNotify;
        v60.rec = rec;
        return managed ? v60.Update() : v60.TryUpdate();
    };
    Level level = store(false);
    while (level != LevelBenign && v60.errorCode() == ErrLockedOut && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        level = store(false);
    }
    if (level != LevelBenign && v60.errorCode() == ErrLockedOut) level = store(true);  // tells the operator
    if (level != LevelBenign) return false;
    if (inserting) row.id = v60.position();
    session_ = false;
    return true;
}

bool BrowsePointOfSale::deleteLine(const Row& row) {
    if (!seekLine(row.id)) return false;
    const PQXV60 line = context().access<PQXV60>().rec;
    if (context().relate<PQXV60>().Delete(false) != LevelBenign) return false;
    audit(AuditAction::LineDeleted, supervisorSource(), clip(line.ITEMCODE),
          line.QTY.toString() + " x " + line.NETTAMOUNT.toString(2));
    return true;
}

// ---- the in-list editor -----------------------------------------------------------------------

void BrowsePointOfSale::beginEditSession() {
    session_ = true;
    auto& a301 = context().access<PQXA301>();
    if (list_->inserting()) {
        editRec_ = PQXV60{};
        item_ = PQXA301{};
        contribution_ = Decimal();
        return;
    }
    const Row* row = list_->editIndex() >= 0 && list_->editIndex() < static_cast<int>(list_->rows().size())
                         ? &list_->rows()[static_cast<std::size_t>(list_->editIndex())]
                         : nullptr;
    auto it = row ? lines_.find(row->id) : lines_.end();
    editRec_ = it != lines_.end() ? it->second : PQXV60{};
    contribution_ = editRec_.NETTAMOUNT;
    // The line's own item and sales account, not whatever the buffers last held.
    a301.clearBuffer();
    a301.rec.ITEMCODE = editRec_.ITEMCODE;
    item_ = a301.get(PA301::ItemCodeKey) == ErrNone ? a301.rec : PQXA301{};
    till_->LOC.SALESACC = editRec_.ACCNUMBER;
}

void BrowsePointOfSale::setHelp(std::string_view english, std::string_view afrikaans) {
    TillLocals& L = till_->LOC;
    L.HELP = std::string(byLanguage(afrikaans, english));
    helpShown_ = true;
    window().setStatusText(0, clip(L.HELP) + std::string(byLanguage(", {Esc} om te kanselleer", ", {Esc} to cancel the entry")));
}

// Input refused: the status bar says why, in the operator's language; the cursor stays where the
// fix is typed.
void BrowsePointOfSale::refuse(std::string_view english, std::string_view afrikaans) {
    window().setStatusText(0, std::string(byLanguage(afrikaans, english)));
    helpShown_ = false;
}

EditAction BrowsePointOfSale::onEditAction(int column, EditAction action) {
    if (!session_) beginEditSession();
    const bool act = action != EditAction::None && action != EditAction::Cancel;
    switch (column) {
        case kItemCode:
            setHelp("Enter an Item Code, or ?{tab} to Select", "'n Itemkode asb., of ?{tab} om te Kies");
            return act ? itemCodeStep(action) : action;
        case kQty:
            setHelp("The quantity", "Die hoeveelheid");
            if (act && !quantityStep()) return EditAction::None;
            return action;
        case kSellingPrice:
            // Only a supervisor sets the price; otherwise the editor passes on at once.
            if (till_->LOC.OK == 0) return EditAction::Forward;
            if (action == EditAction::None) priceOnEntry_ = cellNumber(list_->editRow(), kSellingPrice);
            if (act && !sellingPriceStep()) return EditAction::None;
            return action;
        case kDiscount:
            if (act && !discountStep()) return EditAction::None;
            return action;
        default:
            return action;
    }
}

EditAction BrowsePointOfSale::itemCodeStep(EditAction action) {
    TillLocals& L = till_->LOC;
    Row& row = list_->editRow();
    // The row's previous amount leaves the totals.
    contribution_ = Decimal();

    auto& a301 = context().access<PQXA301>();
    const std::string typed = clip(valueText(row[kItemCode]));
    a301.clearBuffer();
    a301.rec.ITEMCODE = typed;
    bool stay = false;
    const bool known = !typed.empty() && a301.get(PA301::ItemCodeKey) == ErrNone;
    if (!known && action == EditAction::Complete && !typed.empty() && typed != "?") {
        // A scanner's code and Enter: an unknown code is said at once, the cursor stays in it.
        refuse("Item code " + typed + " is not known. Type it again or press Tab to choose it.",
               "Itemkode " + typed + " is onbekend. Tik dit weer of druk Tab om dit te kies.");
        return EditAction::None;
    }
    if (!known) {
        if (!typed.empty() && typed != "?")
            refuse("Item code " + typed + " was not found: choose the item from the list.",
                   "Itemkode " + typed + " is nie gevind nie: kies die item uit die lys.");
        SelectInventory pick(typed == "?" ? std::string() : typed);
        runtime().run(pick);
        if (pick.response() != Response::Completed) {
            a301.clearBuffer();
            stay = true;
        }
    }
    if (!stay || !clip(a301.rec.ITEMCODE).empty()) {
        // Read again by the code chosen.
        std::string code = a301.rec.ITEMCODE;
        a301.clearBuffer();
        a301.rec.ITEMCODE = code;
        if (a301.get(PA301::ItemCodeKey) != ErrNone) a301.clearBuffer();
    }
    item_ = a301.rec;
    row[kItemCode] = Value(item_.ITEMCODE);
    if (!clip(item_.ITEMCODE).empty()) L.RECORDSTATUS = 0;
    row[kQty] = Value(Decimal(1));
    Decimal price = item_.POSSELLINGPRICE;
    if (till_->CS10.HAPPYHOUR != 0) price = happyHourPrice(price, till_->CS10.DISCOUNT);
    row[kSellingPrice] = Value(fitField(price, PQXV60::Size::SELLINGPRICE));
    row[kDescription] = Value(item_.ITEMDESC);
    if (!clip(item_.ITEMCODE).empty()) findSalesAccount();
    if (stay) return EditAction::None;
    if (action == EditAction::Complete && known) {
        // Scanned: the line is one of the item, saved at once, and the next line opens.
        if (!quantityStep()) return EditAction::None;
        contribution_ = cellNumber(row, kNettAmount);
        return EditAction::Next;
    }
    return action;
}

// Sales account of the item: a stock item's through its asset, trading account and the
// accounts of that trading account (the last income account in key order); a non-stock item
// names its own.
void BrowsePointOfSale::findSalesAccount() {
    TillLocals& L = till_->LOC;
    if (item_.NOTSTOCKITEM != 0) {
        L.SALESACC = item_.SALESACCOUNT;
        return;
    }
    Context& ctx = context();
    auto& a30 = ctx.access<PQXA30>();
    a30.clearBuffer();
    a30.rec.ACCNUMBER = item_.ACCNUMBER;
    if (a30.get(PA30::AccNumberKey) != ErrNone) return;
    auto& a40 = ctx.access<PQXA40>();
    a40.clearBuffer();
    a40.rec.TRADACCNUMBER = a30.rec.TRADACCNUMBER;
    if (a40.get(PA40::TradAccNumberKey) != ErrNone) return;
    const std::uint16_t trading = a40.rec.TRADACCNUMBER;
    auto& a10 = ctx.access<PQXA10>();
    a10.clearBuffer();
    a10.rec.TRADACCNUMBER = trading;
    a10.SetFrom(PA10::TradAccNumberKey);
    while (a10.next() == ErrNone && a10.rec.TRADACCNUMBER == trading)
        if (a10.rec.TRADTYPENUMBER == 4) L.SALESACC = a10.rec.ACCNUMBER;
}

bool BrowsePointOfSale::computeRow(Row& row) {
    Decimal qty = cellNumber(row, kQty);
    Decimal price = cellNumber(row, kSellingPrice);
    Decimal discount = cellNumber(row, kDiscount);
    if (!fitsDecimal(qty, 7, 3) || !fitsDecimal(price, 6, 3) || !fitsDecimal(discount, 3, 2)) return false;
    // A discount above the whole price would turn the sale into a refund.
    if (discount > Decimal(100)) return false;
    auto& v01 = context().access<PQXV01>();
    v01.clearBuffer();
    v01.rec.VATCODE = item_.VATCODE;
    if (clip(item_.VATCODE).empty() || v01.get(PV01::VatCodeKey) != ErrNone) v01.clearBuffer();
    LineAmounts a = computeLine(fitField(qty, PQXV60::Size::QTY), fitField(price, PQXV60::Size::SELLINGPRICE), fitField(discount, PQXV60::Size::DISCOUNT),
                                till_->CS10.HAPPYHOUR != 0, v01.rec, item_.VATSTATUS);
    if (!a.fits) return false;
    row[kQty] = Value(fitField(qty, PQXV60::Size::QTY));
    row[kSellingPrice] = Value(fitField(price, PQXV60::Size::SELLINGPRICE));
    row[kDiscount] = Value(fitField(discount, PQXV60::Size::DISCOUNT));
    row[kDebit] = Value(a.debit);
    row[kVatAmount] = Value(a.vat);
    row[kNettAmount] = Value(a.nett);
    editRec_.VATSTATUS = a.vatStatus;
    return true;
}

void BrowsePointOfSale::fillPostingFields(PQXV60& rec) {
    TillLocals& L = till_->LOC;
    auto& a10 = context().access<PQXA10>();
    a10.clearBuffer();
    a10.rec.ACCNUMBER = L.SALESACC;
    if (a10.get(PA10::AccNumberKey) != ErrNone) a10.clearBuffer();
    // A line rung up now carries this sale's number; a stored line keeps its own.
    if (rec.SALESNUMBER == 0) rec.SALESNUMBER = L.SALESNUMBER;
    rec.TRANSDATE = today();
    rec.CLASSCODE = a10.rec.CLASSCODE;
    rec.ACCNUMBER = L.SALESACC;
    rec.ASSETACCNUMBER = item_.ACCNUMBER;
    rec.VATCODE = item_.VATCODE;
    rec.VATSTATUS = editRec_.VATSTATUS;
    rec.VATDATE = today();
    rec.RECORDSTATUS = L.RECORDSTATUS;
    rec.ASSETTRANSACTION = 2;
    rec.ITEMSTATUS = 2;
    rec.OPERATORNO = context().OPERATOR.str();
}

bool BrowsePointOfSale::quantityStep() {
    TillLocals& L = till_->LOC;
    Row& row = list_->editRow();
    if (cellNumber(row, kQty).isZero()) return true;
    if (!computeRow(row)) {
        refuse("The quantity is too large: the line's amount does not fit.",
               "Die hoeveelheid is te groot: die lyn se bedrag pas nie.");
        return false;
    }
    if (L.COUNT < 255) ++L.COUNT;
    fillPostingFields(editRec_);
    return true;
}

bool BrowsePointOfSale::sellingPriceStep() {
    Row& row = list_->editRow();
    Decimal price = cellNumber(row, kSellingPrice);
    if (cellNumber(row, kQty).isZero() || price.isZero()) return true;
    if ((price.sign() < 0)) {
        // A negative till price would make every later sale of the item a refund.
        refuse("A selling price cannot be negative; returns go through Credit Note.",
               "'n Verkoopprys kan nie negatief wees nie; terugsendings gaan deur Kredietnota.");
        return false;
    }
    if (!fitsDecimal(price, 6, 3) || !fitsDecimal(price, 7, 2)) {
        refuse("The selling price is too large.", "Die verkoopprys is te groot.");
        return false;
    }
    if (fitField(price, PQXV60::Size::SELLINGPRICE) != fitField(priceOnEntry_, PQXV60::Size::SELLINGPRICE) && !clip(item_.ITEMCODE).empty() &&
        askStorePrice()) {
        // A price typed here becomes the item's till price. Only the price is written: the
        // item as stored now, not the screen's copy.
        auto& a301 = context().access<PQXA301>();
        a301.clearBuffer();
        a301.rec.ITEMCODE = item_.ITEMCODE;
        if (a301.get(PA301::ItemCodeKey) == ErrNone) {
            const Decimal oldPrice = a301.rec.POSSELLINGPRICE;
            a301.rec.POSSELLINGPRICE = fitField(price, PQXA301::Size::POSSELLINGPRICE);
            if (a301.Update() != LevelBenign) return false;
            item_ = a301.rec;
            audit(AuditAction::PriceChanged, supervisorSource(), clip(item_.ITEMCODE), oldPrice.toString(2),
                  item_.POSSELLINGPRICE.toString(2));
        }
        // In happy hour the column shows the reduced price of the new till price.
        if (till_->CS10.HAPPYHOUR != 0) row[kSellingPrice] = Value(happyHourPrice(item_.POSSELLINGPRICE, till_->CS10.DISCOUNT));
        priceOnEntry_ = cellNumber(row, kSellingPrice);
    }
    if (!computeRow(row)) {
        refuse("The line's amount is too large.", "Die lyn se bedrag is te groot.");
        return false;
    }
    fillPostingFields(editRec_);
    return true;
}

bool BrowsePointOfSale::discountStep() {
    Row& row = list_->editRow();
    if (cellNumber(row, kQty).isZero() || cellNumber(row, kSellingPrice).isZero()) return true;
    const Decimal discount = cellNumber(row, kDiscount);
    if (discount.sign() < 0 || discount > Decimal(100)) {
        refuse("The discount must be a percentage from 0 to 100.", "Die afslag moet 'n persentasie van 0 tot 100 wees.");
        return false;
    }
    if (!computeRow(row)) {
        refuse("The line's amount is too large.", "Die lyn se bedrag is te groot.");
        return false;
    }
    contribution_ = cellNumber(row, kNettAmount);
    fillPostingFields(editRec_);
    return true;
}

}  // namespace tavlo
