#include "pos/lookups.h"

#include "data/file_manager.h"
#include "data/filter.h"
#include "framework/runtime.h"
#include "util/text.h"

namespace tavlo {

namespace {
constexpr const char* kDebtorFilter = "(PA10:AccountType = 11)";
}

// ---- PickList ---------------------------------------------------------------------------------

bool PickList::OpenTables() {
    context().relate(table()).Open();
    return true;
}

void PickList::CloseTables() { context().relate(table()).Close(); }

void PickList::TakeOpened() {
    list_->reload();
    select(listControl_);
}

bool PickList::fetchHighlighted() {
    const Row* row = list_->selectedRow();
    return row && fetchRow(*row);
}

void PickList::selectHighlighted() {
    if (!fetchHighlighted()) return;
    close(Response::Completed);
}

// ---- SelectA10Debtors -------------------------------------------------------------------------

SelectA10Debtors::SelectA10Debtors() : PickList("SelectA10Debtors") {}
SelectA10Debtors::SelectA10Debtors(std::uint32_t& accNumber) : PickList("SelectA10DebtorsTag"), accNumber_(&accNumber) {}

const TableDef& SelectA10Debtors::table() const { return PQXA10::table(); }

std::vector<Row> SelectA10Debtors::loadRows() {
    auto& a10 = context().access<PQXA10>();
    auto saved = a10.SaveFile();
    static const FilterVariables noVariables;
    static const auto filter = Filter::compile(PQXA10::table(), kDebtorFilter, noVariables);
    std::vector<Row> rows;
    a10.clearBuffer();
    a10.Set(PA10::AccDescKey);
    while (a10.next() == ErrNone) {
        if (filter && !filter->matches(&a10.rec)) continue;
        Row r;
        r.id = a10.rec.ACCNUMBER;  // the hidden column: the account found again by its number
        r.cells = {Value(static_cast<long long>(a10.rec.ACCCODE)), Value(a10.rec.ACCDESC), Value(std::string())};
        rows.push_back(std::move(r));
    }
    a10.RestoreFile(saved);
    return rows;
}

bool SelectA10Debtors::fetchRow(const Row& row) {
    auto& a10 = context().access<PQXA10>();
    a10.clearBuffer();
    a10.rec.ACCNUMBER = static_cast<std::uint16_t>(row.id);
    return a10.get(PA10::AccNumberKey) == ErrNone;
}

void SelectA10Debtors::DefineWindow(Window& w) {
    w = Window("Select a Debtor", accNumber_ ? 161 : 159, 150);
    int sheet = w.add(ControlKind::Sheet).at(4, 4, accNumber_ ? 153 : 151, 124);
    int tab = w.add(ControlKind::Tab).at(4, 4, accNumber_ ? 153 : 151, 124).in(sheet);
    list_ = std::make_shared<ListControl>(
        std::vector<ListColumn>{{"Code", "@n_5", 24, 'R'}, {"Accounts", "@s25", 100, 'L'}, {"X", "@n3", 12, 'L'}},
        std::make_shared<FunctionRows>([this] { return loadRows(); }));
    list_->locatorColumn = 1;
    listControl_ = w.list(list_).at(10, 20, accNumber_ ? 141 : 139, 100).name("List").in(tab);
    select_ = w.button("&Select").at(accNumber_ ? 60 : 58, 132, 45, 14).name("Select");
    w.button("Close").at(accNumber_ ? 110 : 108, 132, 45, 14).name("Close").closes();
    list_->selectButton = select_;
    list_->onSelect = [this] { selectHighlighted(); };
}

void SelectA10Debtors::Kill() {
    if (accNumber_ && opened()) {
        ContextScope scope(sharedContext());
        // Cancel means no owner, never the row that happened to be highlighted.
        if (response() == Response::Cancelled) context().access<PQXA10>().clearBuffer();
        else if (response() != Response::Completed) fetchHighlighted();
        *accNumber_ = response() == Response::Cancelled ? 0 : context().access<PQXA10>().rec.ACCNUMBER;
    }
    PickList::Kill();
}

// ---- SelectInventory --------------------------------------------------------------------------

SelectInventory::SelectInventory(std::string startAt) : PickList("SelectInventory"), startAt_(std::move(startAt)) {}

const TableDef& SelectInventory::table() const { return PQXA301::table(); }

std::vector<Row> SelectInventory::loadRows() {
    auto& a301 = context().access<PQXA301>();
    auto saved = a301.SaveFile();
    std::vector<Row> rows;
    a301.clearBuffer();
    a301.Set(PA301::ItemCodeKey);
    while (a301.next() == ErrNone) {
        Row r;
        r.id = a301.position();
        r.cells = {Value(a301.rec.ITEMCODE), Value(a301.rec.ITEMDESC)};
        rows.push_back(std::move(r));
    }
    a301.RestoreFile(saved);
    return rows;
}

bool SelectInventory::fetchRow(const Row& row) {
    auto& a301 = context().access<PQXA301>();
    a301.clearBuffer();
    a301.rec.ITEMCODE = valueText(row[0]);
    return a301.get(PA301::ItemCodeKey) == ErrNone;
}

void SelectInventory::DefineWindow(Window& w) {
    w = Window("Select Item", 210, 150);
    int sheet = w.add(ControlKind::Sheet).at(4, 4, 202, 124);
    int tab = w.add(ControlKind::Tab).at(4, 4, 202, 124).in(sheet);
    list_ = std::make_shared<ListControl>(
        std::vector<ListColumn>{{"Code", "@s20", 80, 'L'}, {"Description", "@s40", 160, 'L'}},
        std::make_shared<FunctionRows>([this] { return loadRows(); }));
    list_->locatorColumn = 0;
    listControl_ = w.list(list_).at(10, 20, 190, 100).name("List").in(tab);
    select_ = w.button("&Select").at(108, 132, 45, 14).name("Select");
    w.button("Close").at(158, 132, 45, 14).name("Close").closes();
    list_->selectButton = select_;
    list_->onSelect = [this] { selectHighlighted(); };
}

void SelectInventory::TakeOpened() {
    PickList::TakeOpened();
    std::string wanted = clip(startAt_);
    if (wanted.empty()) return;
    // The first code at or after what was typed on the till, in key order.
    const auto& rows = list_->rows();
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (compareNoCase(valueText(rows[i][0]), wanted) >= 0) {
            list_->select(static_cast<int>(i));
            return;
        }
    if (!rows.empty()) list_->select(static_cast<int>(rows.size()) - 1);
}

// ---- SelectCashClient -------------------------------------------------------------------------

SelectCashClient::SelectCashClient(std::uint32_t& clientNo) : PickList("SelectCashClient"), clientNo_(clientNo) {}

const TableDef& SelectCashClient::table() const { return PQXC11::table(); }

std::vector<Row> SelectCashClient::loadRows() {
    auto& c11 = context().access<PQXC11>();
    auto saved = c11.SaveFile();
    std::vector<Row> rows;
    c11.clearBuffer();
    c11.Set(PC11::ClientNoKey);
    while (c11.next() == ErrNone) {
        Row r;
        r.id = c11.position();
        r.cells = {Value(static_cast<long long>(c11.rec.CLIENTNO)), Value(c11.rec.NAME)};
        rows.push_back(std::move(r));
    }
    c11.RestoreFile(saved);
    return rows;
}

bool SelectCashClient::fetchRow(const Row& row) {
    auto& c11 = context().access<PQXC11>();
    c11.clearBuffer();
    c11.rec.CLIENTNO = static_cast<std::uint32_t>(valueNumber(row[0]).toLongLong());
    return c11.get(PC11::ClientNoKey) == ErrNone;
}

bool SelectCashClient::seekPosition(std::int64_t position) {
    auto& c11 = context().access<PQXC11>();
    c11.clearBuffer();
    c11.SetFileOrder();
    while (c11.next() == ErrNone)
        if (c11.position() == position) return true;
    return false;
}

bool SelectCashClient::saveClient(Row& row, bool inserting) {
    auto& c11 = context().access<PQXC11>();
    if (inserting) {
        c11.clearBuffer();
        c11.rec.NAME = valueText(row[1]);
        // The client number is given by the auto-numbered key.
        if (c11.Insert() != LevelBenign) return false;
        row.id = c11.position();
        row[0] = Value(static_cast<long long>(c11.rec.CLIENTNO));
        return true;
    }
    if (!seekPosition(row.id)) return false;
    c11.rec.NAME = valueText(row[1]);
    return c11.Update() == LevelBenign;
}

bool SelectCashClient::deleteClient(const Row& row) {
    if (!seekPosition(row.id)) return false;
    return context().relate<PQXC11>().Delete(false) == LevelBenign;
}

void SelectCashClient::DefineWindow(Window& w) {
    w = Window("Select Cash Client", 206, 219);
    w.panel().at(4, 4, 198, 170);
    ListColumn number{"Client No", "@n13", 52, 'R'};
    ListColumn name{"Name", "@s25", 100, 'L'};
    name.editable = true;
    list_ = std::make_shared<ListControl>(std::vector<ListColumn>{number, name},
                                          std::make_shared<FunctionRows>([this] { return loadRows(); }));
    list_->locatorColumn = 0;
    list_->editInPlace = true;
    listControl_ = w.list(list_).at(10, 10, 186, 140).name("List");
    int insert = w.button("&Insert").at(10, 154, 42, 14).name("Insert");
    int change = w.button("&Change").at(56, 154, 42, 14).name("Change");
    int erase = w.button("&Delete").at(102, 154, 42, 14).name("Delete");
    select_ = w.button("&Select").at(148, 154, 48, 14).name("Select");
    ok_ = w.button("&OK").at(110, 196, 42, 14).name("OK");
    w.button("&Cancel").at(156, 196, 42, 14).name("Cancel").closes();
    list_->insertButton = insert;
    list_->changeButton = change;
    list_->deleteButton = erase;
    list_->selectButton = select_;
    list_->onSelect = [this] { selectHighlighted(); };
    // Tab and Enter save the name without asking; Up and Down save and move on.
    list_->onEditAction = [](int, EditAction a) { return a == EditAction::Forward ? EditAction::Complete : a; };
    list_->askSave = [] { return static_cast<unsigned>(ButtonYes); };
    list_->saveRow = [this](Row& row, bool inserting) { return saveClient(row, inserting); };
    list_->onDelete = [this](const Row& row) { return deleteClient(row); };
}

void SelectCashClient::TakeAccepted(int control) {
    if (control == ok_) close(Response::Completed);
}

void SelectCashClient::Kill() {
    if (opened()) {
        ContextScope scope(sharedContext());
        // Cancel means no owner, never the row that happened to be highlighted.
        if (response() == Response::Cancelled) {
            clientNo_ = 0;
        } else {
            fetchHighlighted();
            clientNo_ = context().access<PQXC11>().rec.CLIENTNO;
        }
    }
    PickList::Kill();
}

}  // namespace tavlo
