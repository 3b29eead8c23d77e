#include "pos/select_cash_slip.h"

#include <algorithm>

#include "framework/runtime.h"
#include "receipt/receipt_printer.h"
#include "reports/reprint_slip.h"

namespace tavlo::report {
namespace {

// The key a column's order walks: -1 the table's stored order.
int keyOf(int column) {
    switch (column) {
        case 0: return PH20::DocumentNoKey.index;
        case 1: return PH20::TranDateKey.index;
        default: return -1;
    }
}

Row rowOf(const FileManager<PQXH20>& h20) {
    Row r;
    r.id = h20.position();
    r.cells = {Value(static_cast<long long>(h20.rec.DOCUMENTNO)), Value(static_cast<long long>(h20.rec.TRANSDATE)),
               Value(h20.rec.AMOUNT)};
    return r;
}

}  // namespace

// Reads up to `count` rows on from where the walk stands; `reverse` turns them into the order
// shown when the walk ran against it.
std::vector<Row> HistoryDocuments::walk(bool forward, std::size_t count, bool reverse) {
    auto& h20 = ctx_.access<PQXH20>();
    std::vector<Row> rows;
    while (rows.size() < count && (forward ? h20.next() : h20.previous()) == ErrNone) rows.push_back(rowOf(h20));
    if (reverse) std::reverse(rows.begin(), rows.end());
    return rows;
}

std::vector<Row> HistoryDocuments::edge(const Order& order, bool fromEnd, std::size_t count) {
    auto& h20 = ctx_.access<PQXH20>();
    const auto saved = h20.SaveFile();
    const int key = keyOf(order.column);
    // The start of a descending order is the end of the key.
    const bool forward = order.descending == fromEnd;
    if (forward) h20.Set(key);
    else h20.SetEnd(key);
    std::vector<Row> rows = walk(forward, count, fromEnd);
    h20.RestoreFile(saved);
    return rows;
}

std::vector<Row> HistoryDocuments::beside(const Order& order, const Row& row, bool backwards, std::size_t count) {
    auto& h20 = ctx_.access<PQXH20>();
    const auto saved = h20.SaveFile();
    const int key = keyOf(order.column);
    // Stand on the row as the key has it: its key value (from its cells) and its place.
    FilePosition at;
    at.order = key;
    at.state = FilePosition::At;
    if (key >= 0) at.keyValues = {FieldValue(valueNumber(row.cells.at(static_cast<std::size_t>(order.column))).toLongLong())};
    at.pos = at.current = row.id;
    h20.restorePosition(at);
    const bool forward = backwards == order.descending;
    std::vector<Row> rows = walk(forward, count, backwards);
    h20.RestoreFile(saved);
    return rows;
}

bool SelectCashSlip::OpenTables() {
    context().relate<PQXH20>().Open();
    return true;
}

void SelectCashSlip::CloseTables() { context().relate<PQXH20>().Close(); }

void SelectCashSlip::DefineWindow(Window& w) {
    w = Window("Select Cashslip", 160, 206);
    list_ = std::make_shared<ListControl>(
        std::vector<ListColumn>{{"Document No", "@n13", 52, 'R'}, {"Date", "@d17", 32, 'L'}, {"Amount", "@n15.2", 60, 'L'}},
        std::make_shared<HistoryDocuments>(context()));
    listControl_ = w.list(list_).at(5, 5, 150, 170).tip("Browsing Records").name("List");
    int select = w.button("&Select").at(11, 187, 35, 14).name("Select");
    w.button("&Cancel").at(111, 187, 36, 14).name("Cancel").closes();
    list_->selectButton = select;
    list_->onSelect = [this] { reprintHighlighted(); };
}

void SelectCashSlip::TakeOpened() {
    list_->reload();
    select(listControl_);
}

// The slip of the highlighted document, on the receipt printer when one is set, else in the
// preview; the list stays open for the next one.
void SelectCashSlip::reprintHighlighted() {
    const Row* row = list_->selectedRow();
    if (!row) return;
    const auto documentNo = static_cast<std::uint32_t>(valueNumber((*row)[0]).toLongLong());
    if (receipt::reprintOnReceiptPrinter(runtime(), context(), documentNo)) return;
    RePrintCashSlip(runtime(), context(), documentNo);
}

}  // namespace tavlo::report
