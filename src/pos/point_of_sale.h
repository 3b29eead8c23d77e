#pragma once
// BrowsePointOfSale: the till. The operator rings up a sale line by line in the list (item
// code, quantity, selling price in supervisor mode, discount), chooses how it is settled,
// enters the amount tendered and presses Finished, which posts the sale, prints the slip and
// clears the screen for the next one.
//
// Invariants the screen keeps:
//  1. With no line being edited, Total is the sum of the nett amounts of the lines shown, and
//     Paid moves by exactly what Total moves (so the change stays Paid - Total). While a line
//     is edited its old amount leaves Total at the item-code step and its new amount joins at
//     the discount step, once; abandoning the row puts Total back.
//  2. The lines shown are the lines Finished posts: the working lines of this sale.
//  3. Every stored working line carries amounts computed from its own item, quantity, price
//     and discount, whichever key saved it.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "data/tables.h"
#include "framework/list.h"
#include "framework/procedure.h"
#include "operators/audit.h"
#include "pos/till_state.h"

namespace tavlo {

class BrowsePointOfSale : public Procedure {
public:
    BrowsePointOfSale();
    ~BrowsePointOfSale() override;
    std::string structureName() const override { return "QuickWindow"; }

    // The state the screen owns (its LOC: variables and the records it read at opening).
    TillState& till() { return *till_; }
    ListControl& list() { return *list_; }

    // List columns.
    enum Column { kItemCode = 0, kDescription, kQty, kSellingPrice, kDiscount, kDebit, kVatAmount, kNettAmount };

protected:
    bool OpenTables() override;
    void CloseTables() override;
    void DefineWindow(Window& w) override;
    void TakeOpened() override;
    void TakeAccepted(int control) override;
    void TakeSelected(int control) override;
    void AfterEvent(const Event& event) override;

private:
    // ---- check boxes and buttons ----
    void applyCash();
    void applyCredit();
    void applyTag();
    void takeCreditNote();
    void takeTag();
    void takePrintTab();
    void takePayTab();
    bool askStorePrice();
    void refuse(std::string_view english, std::string_view afrikaans);
    void chooseDebtor();
    void takeSupervisor();
    void takePaid();
    void takePayment();
    void takeFinished();
    void takeClose();
    bool TakeCloseRequest() override;
    void enterPaid();
    void showSupervisorButtons(bool on);
    // One row of the supervisor audit trail, with how supervisor mode was reached; a row that
    // cannot be stored is said in the status bar (the action itself stands).
    void audit(AuditAction action, SupervisorSource source, std::string document, std::string oldValue = {},
               std::string newValue = {});
    // The supervisor password asked for `what`; how it was given, None when refused.
    SupervisorSource askSupervisor(const char* what);
    // How the supervisor mode on now was reached; None when it is off.
    SupervisorSource supervisorSource() const;

    // ---- the in-list editor ----
    EditAction onEditAction(int column, EditAction action);
    void beginEditSession();
    EditAction itemCodeStep(EditAction action);
    bool quantityStep();
    bool sellingPriceStep();
    bool discountStep();
    // Amounts of the row from its quantity, price and discount; false when they do not fit.
    bool computeRow(Row& row);
    void fillPostingFields(PQXV60& rec);
    void findSalesAccount();
    void setHelp(std::string_view english, std::string_view afrikaans);
    bool saveLine(Row& row, bool inserting);
    bool deleteLine(const Row& row);
    // A row left open when the sale moves on: kept when its amounts were worked out, else dropped.
    void settleEditor();

    // ---- lines and totals ----
    std::vector<Row> loadLines();
    bool isSaleLine(const PQXV60& line) const;
    bool seekLine(std::int64_t position);
    void recomputeTotals();
    bool hasLines() const;
    bool tenderReady();
    void computeChange();

    std::unique_ptr<TillState> till_;
    std::shared_ptr<ListControl> list_;
    std::map<std::int64_t, PQXV60> lines_;  // the stored working lines shown, by position

    // The line being edited.
    bool session_ = false;
    bool helpShown_ = false;  // the status bar shows the editor's help
    PQXV60 editRec_;
    PQXA301 item_;
    Decimal contribution_;  // what the edited row adds to Total now
    Decimal priceOnEntry_;
    SupervisorSource supSource_ = SupervisorSource::None;     // how supervisor mode was reached
    SupervisorSource creditSource_ = SupervisorSource::None;  // how the credit note was authorised
    std::vector<const TableDef*> extraTables_;

    // Controls.
    int cash_ = 0, changeText_ = 0, change_ = 0, credit_ = 0, selectDeb_ = 0, debtorName_ = 0, orderPrompt_ = 0,
        orderNo_ = 0, total_ = 0, tag_ = 0, tagClient_ = 0, creditNote_ = 0, list_ctl_ = 0, insert_ = 0,
        changeButton_ = 0, delete_ = 0, supervisor_ = 0, printTag_ = 0, payTab_ = 0, paid_ = 0, payment_ = 0,
        finished_ = 0, close_ = 0;
    int noSale_ = 0;  // "No Sale / Open Drawer", shown with a receipt printer
};

}  // namespace tavlo
