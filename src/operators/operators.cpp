#include "operators/operators.h"

#include "data/file_manager.h"
#include "framework/runtime.h"
#include "operators/audit.h"
#include "operators/passwords.h"
#include "framework/commands.h"
#include "state/globals.h"
#include "util/text.h"

namespace tavlo {

namespace {

// Rows of PQXO10 in record order: number, name and (for the maintenance list) password.
constexpr const char* kPasswordMask = "********";

std::vector<Row> operatorRows(Context& ctx, bool withPassword) {
    auto& o10 = ctx.access<PQXO10>();
    auto saved = o10.SaveFile();
    std::vector<Row> rows;
    o10.clearBuffer();
    o10.SetFileOrder();
    while (o10.next() == ErrNone) {
        Row r;
        r.id = o10.position();
        r.cells = {Value(o10.rec.OPERATORNO), Value(o10.rec.NAME)};
        // Never shown in the list: a mask stands for a password that is set.
        if (withPassword) r.cells.push_back(Value(clip(o10.rec.PASSWORD).empty() ? std::string() : std::string(kPasswordMask)));
        rows.push_back(std::move(r));
    }
    o10.RestoreFile(saved);
    return rows;
}

bool seekOperator(Context& ctx, std::int64_t position) {
    auto& o10 = ctx.access<PQXO10>();
    o10.clearBuffer();
    o10.SetFileOrder();
    while (o10.next() == ErrNone)
        if (o10.position() == position) return true;
    return false;
}

}  // namespace

// ---- OperatorsSupPassword ---------------------------------------------------------------------

OperatorsSupPassword::OperatorsSupPassword() : Procedure("OperatorsSupPassword") {}

bool OperatorsSupPassword::OpenTables() {
    context().relate<PQXS10>().Open();
    return true;
}

void OperatorsSupPassword::CloseTables() { context().relate<PQXS10>().Close(); }

void OperatorsSupPassword::DefineWindow(Window& w) {
    w = Window("SUP Password", 179, 74);
    w.panel().at(4, 4, 171, 48);
    w.prompt("Password .:").at(13, 19, 57, 10);
    entry_ = w.entry(Binding(&password_, 25), "@s25").at(84, 19, 79, 10).name("Password").password();
    ok_ = w.button("&OK").at(96, 57, 35, 14).name("OK").defaultButton();
    w.button("&Cancel").at(138, 57, 36, 14).name("CancelButton").closes();
}

void OperatorsSupPassword::TakeAccepted(int control) {
    if (control == entry_) {
        // The supervisor password as stored now.
        auto& s10 = context().access<PQXS10>();
        s10.clearBuffer();
        s10.SetFileOrder();
        std::string stored = s10.next() == ErrNone ? s10.rec.DATEPASS : std::string();
        const bool master = !samePassword(password_, stored) && masterPasswordAccepts(context().folder(), password_);
        passwordOk_ = master || samePassword(password_, stored);
        if (master)
            writeAudit(context(), {.action = AuditAction::MasterPassword, .source = SupervisorSource::MasterPassword,
                                   .document = "Operators"});
        if (!passwordOk_) {
            showWrongPassword();
            select(entry_);
        }
    } else if (control == ok_) {
        if (passwordOk_) {
            CreateOperators list;
            runtime().run(list);
        }
        close(passwordOk_ ? Response::Completed : Response::Cancelled);
    }
}

// ---- CreateOperators --------------------------------------------------------------------------

CreateOperators::CreateOperators() : Procedure("CreateOperators") {}

bool CreateOperators::OpenTables() {
    context().relate<PQXO10>().Open();
    return true;
}

void CreateOperators::CloseTables() { context().relate<PQXO10>().Close(); }

std::vector<Row> CreateOperators::loadRows() { return operatorRows(context(), true); }
bool CreateOperators::seek(std::int64_t position) { return seekOperator(context(), position); }

bool CreateOperators::save(Row& row, bool inserting) {
    auto& o10 = context().access<PQXO10>();
    if (inserting) o10.clearBuffer();
    else if (!seek(row.id)) return false;
    o10.rec.OPERATORNO = valueText(row[0]);
    o10.rec.NAME = valueText(row[1]);
    // The mask left as it was keeps the password; anything typed over it is the new one.
    if (inserting || valueText(row[2]) != kPasswordMask) o10.rec.PASSWORD = valueText(row[2]);
    row[2] = Value(clip(o10.rec.PASSWORD).empty() ? std::string() : std::string(kPasswordMask));
    if (inserting) {
        if (o10.Insert() != LevelBenign) return false;
        row.id = o10.position();
        return true;
    }
    return o10.Update() == LevelBenign;
}

bool CreateOperators::remove(const Row& row) {
    if (!seek(row.id)) return false;
    return context().relate<PQXO10>().Delete(false) == LevelBenign;
}

void CreateOperators::DefineWindow(Window& w) {
    w = Window("Operators", 200, 160);
    std::vector<ListColumn> columns{{"No", "@s3", 16, 'L'}, {"Name", "@s25", 100, 'L'}, {"Password", "@s10", 40, 'L'}};
    for (auto& c : columns) c.editable = true;
    list_ = std::make_shared<ListControl>(columns, std::make_shared<FunctionRows>([this] { return loadRows(); }));
    list_->sortable = false;
    list_->editInPlace = true;
    list_->saveRow = [this](Row& row, bool inserting) { return save(row, inserting); };
    list_->onDelete = [this](const Row& row) { return remove(row); };
    w.list(list_).at(6, 6, 188, 118).name("List");
    list_->insertButton = w.button("&Insert").at(6, 128, 42, 12).name("Insert");
    list_->changeButton = w.button("&Change").at(52, 128, 42, 12).name("Change");
    list_->deleteButton = w.button("&Delete").at(98, 128, 42, 12).name("Delete");
    ok_ = w.button("&OK").at(106, 143, 42, 14).name("OKButton");
    w.button("&Cancel").at(152, 143, 42, 14).name("CancelButton").closes();
}

void CreateOperators::TakeOpened() { list_->reload(); }

void CreateOperators::TakeAccepted(int control) {
    // Every row was stored as it was completed; OK and Cancel only close.
    if (control == ok_) close(Response::Completed);
}

// ---- OperatorPassword -------------------------------------------------------------------------

OperatorPassword::OperatorPassword() : Procedure("OperatorPassword") {}

bool OperatorPassword::OpenTables() {
    context().relate<PQXO10>().Open();
    return true;
}

void OperatorPassword::CloseTables() { context().relate<PQXO10>().Close(); }

void OperatorPassword::DefineWindow(Window& w) {
    auto& o10 = context().access<PQXO10>();
    w = Window("Operator Password", 190, 74);
    w.panel().at(4, 4, 182, 48);
    w.prompt("Name .:").at(10, 14, 50, 10);
    selectButton_ = w.button("...").at(62, 14, 12, 10).icon("FINDL.ICO").name("SelectOperatorButton");
    name_ = w.entry(Binding(&o10.rec.NAME, 25), "@s25").at(78, 14, 100, 10).tip("The operator name").name("Name");
    w.prompt("Password .:").at(10, 30, 50, 10);
    entry_ = w.entry(Binding(&password_, 25), "@s25").at(78, 30, 100, 10).name("Password").password();
    ok_ = w.button("&OK").at(104, 57, 38, 14).name("OK").defaultButton();
    w.button("&Cancel").at(146, 57, 38, 14).name("Cancel").closes();
}

void OperatorPassword::chooseOperator() {
    SelectOperators pick;
    runtime().run(pick);
    // The record again by its key, as the buffer now names it; it is the operator from now on.
    auto& o10 = context().access<PQXO10>();
    // A miss leaves the buffer as picked; the password check then refuses the unknown operator.
    (void)o10.get(PO10::OperatorNoKey);
    context().OPERATOR = o10.rec.OPERATORNO;
    // A password proved for one operator does not open the till for another.
    passwordOk_ = false;
}

// A cashier starts typing her name; the pick list is a click or Tab away.
void OperatorPassword::TakeOpened() { select(name_); }

// A name typed instead of picked chooses the operator of that name, or of that number ("001").
void OperatorPassword::nameTyped() {
    auto& o10 = context().access<PQXO10>();
    std::string typed = o10.rec.NAME;
    bool found = false;
    if (!clip(typed).empty()) {
        o10.clearBuffer();
        o10.rec.NAME = typed;
        found = o10.get(PO10::OperatorNameKey) == ErrNone;
        if (!found) {
            o10.clearBuffer();
            o10.rec.OPERATORNO = clip(typed);
            found = clip(typed).size() <= 3 && o10.get(PO10::OperatorNoKey) == ErrNone;
        }
    }
    if (found) {
        context().OPERATOR = o10.rec.OPERATORNO;
    } else {
        o10.clearBuffer();
        o10.rec.NAME = typed;
        if (!clip(typed).empty()) showUnknownOperator();
    }
    passwordOk_ = false;
}

void OperatorPassword::TakeAccepted(int control) {
    auto& o10 = context().access<PQXO10>();
    if (control == selectButton_) {
        chooseOperator();
        select(entry_);  // the operator is chosen: the password is what comes next
    } else if (control == name_) {
        nameTyped();
    } else if (control == entry_) {
        // Only an operator that exists can log in: a blank buffer is nobody's password.
        PQXO10 chosen = o10.rec;
        bool exists = false;
        if (!(clip(chosen.OPERATORNO).empty() && clip(chosen.NAME).empty())) {
            o10.clearBuffer();
            o10.rec.OPERATORNO = chosen.OPERATORNO;
            exists = o10.get(PO10::OperatorNoKey) == ErrNone;
            if (!exists) o10.rec = chosen;
        }
        passwordOk_ = exists && samePassword(password_, o10.rec.PASSWORD);
        if (!passwordOk_) {
            if (exists) showWrongPassword();
            else showUnknownOperator();
            select(entry_);
        }
    } else if (control == ok_) {
        if (passwordOk_) context().OPERATOR = o10.rec.OPERATORNO;
        // The till opens once this window is gone: nothing of the log-in stays on screen.
        openTill_ = passwordOk_;
        password_.clear();
        close(passwordOk_ ? Response::Completed : Response::Cancelled);
    }
}

void OperatorPassword::Kill() {
    Runtime& rt = runtime();
    Procedure::Kill();
    if (!openTill_) return;
    openTill_ = false;
    // The till is a higher layer: it is started by name from the command table.
    if (ProcedureFactory open = commandFactory(kTillScreen)) {
        std::unique_ptr<Procedure> till = open();
        till->setContext(sharedContext());
        rt.run(*till);
    }
}

// ---- SelectOperators --------------------------------------------------------------------------

SelectOperators::SelectOperators() : Procedure("SelectOperators") {}

bool SelectOperators::OpenTables() {
    context().relate<PQXO10>().Open();
    return true;
}

void SelectOperators::CloseTables() { context().relate<PQXO10>().Close(); }

void SelectOperators::DefineWindow(Window& w) {
    w = Window("Select Operators", 150, 140);
    list_ = std::make_shared<ListControl>(std::vector<ListColumn>{{"No", "@s3", 16, 'L'}, {"Name", "@s25", 100, 'L'}},
                                          std::make_shared<FunctionRows>([this] { return operatorRows(context(), false); }));
    list_->locatorColumn = 1;
    listControl_ = w.list(list_).at(6, 6, 138, 108).name("List");
    list_->selectButton = w.button("&Select").at(54, 120, 42, 14).name("Select");
    w.button("&Cancel").at(100, 120, 42, 14).name("Cancel").closes();
    list_->onSelect = [this] {
        const Row* r = list_->selectedRow();
        if (!r || !seekOperator(context(), r->id)) return;
        close(Response::Completed);
    };
}

void SelectOperators::TakeOpened() {
    list_->reload();
    select(listControl_);
}

}  // namespace tavlo
