#include "operators/access_dialogs.h"

#include "framework/message.h"
#include "framework/runtime.h"
#include "operators/access.h"
#include "util/text.h"

namespace tavlo {

namespace {
std::string tr(const AccessControl& a, const char* afrikaans, const char* english) {
    return a.afrikaans() ? afrikaans : english;
}

void warn(Runtime& rt, const AccessControl& a, const char* afrikaans, const char* english) {
    MessageRequest m;
    m.title = tr(a, "Gebruikers", "Users");
    m.text = tr(a, afrikaans, english);
    m.icon = Icon::Exclamation;
    rt.message(m);
}
}  // namespace

// ---- Log-in -----------------------------------------------------------------------------------

AccessLogin::AccessLogin(AccessControl& access, std::string title, std::string login)
    : Procedure("AccessLogin"), access_(access), title_(std::move(title)), login_(std::move(login)) {}

void AccessLogin::DefineWindow(Window& w) {
    w = Window(title_, 180, 62);
    w.prompt(tr(access_, "&Gebruiker:", "&User:")).at(8, 10, 50, 10);
    w.entry(Binding(&login_, 30), "@s30").at(62, 10, 108, 10).name("User");
    w.prompt(tr(access_, "&Wagwoord:", "&Password:")).at(8, 24, 50, 10);
    passwordEntry_ = w.entry(Binding(&password_, 64), "@s64").at(62, 24, 108, 10).name("Password").password();
    ok_ = w.button("&OK").at(62, 42, 50, 14).name("OK").defaultButton();
    w.button(tr(access_, "&Kanselleer", "&Cancel")).at(120, 42, 50, 14).name("Cancel").closes();
}

void AccessLogin::TakeOpened() {
    // Asked again after a wrong password: the user name stands, the password is typed again.
    if (!trim(login_).empty()) select(passwordEntry_);
}

void AccessLogin::TakeAccepted(int control) {
    if (control == ok_) close(Response::Completed);
}

// ---- The first user ---------------------------------------------------------------------------

AccessFirstUser::AccessFirstUser(AccessControl& access, std::string title)
    : Procedure("AccessFirstUser"), access_(access), title_(std::move(title)) {}

void AccessFirstUser::DefineWindow(Window& w) {
    w = Window(title_, 220, 110);
    w.add(ControlKind::Display,
          tr(access_, "Daar is nog geen gebruikers nie. Skep die eerste gebruiker; hy kry alle regte.",
             "There are no users yet. Create the first user, who gets every right."))
        .at(8, 6, 204, 18);
    w.prompt(tr(access_, "&Gebruiker:", "&User:")).at(8, 28, 70, 10);
    w.entry(Binding(&login_, 30), "@s30").at(82, 28, 130, 10).name("User");
    w.prompt(tr(access_, "&Naam:", "&Name:")).at(8, 42, 70, 10);
    w.entry(Binding(&name_, 60), "@s60").at(82, 42, 130, 10).name("Name");
    w.prompt(tr(access_, "&Wagwoord:", "&Password:")).at(8, 56, 70, 10);
    w.entry(Binding(&password_, 64), "@s64").at(82, 56, 130, 10).name("Password").password();
    w.prompt(tr(access_, "&Herhaal:", "&Repeat:")).at(8, 70, 70, 10);
    w.entry(Binding(&repeat_, 64), "@s64").at(82, 70, 130, 10).name("Repeat").password();
    ok_ = w.button("&OK").at(104, 90, 50, 14).name("OK").defaultButton();
    w.button(tr(access_, "&Kanselleer", "&Cancel")).at(162, 90, 50, 14).name("Cancel").closes();
}

void AccessFirstUser::TakeAccepted(int control) {
    if (control != ok_) return;
    if (trim(login_).empty()) {
        warn(runtime(), access_, "Tik 'n gebruikersnaam.", "Type a user name.");
        select(window().find("User"));
    } else if (password_.empty()) {
        warn(runtime(), access_, "Tik 'n wagwoord.", "Type a password.");
        select(window().find("Password"));
    } else if (password_ != repeat_) {
        warn(runtime(), access_, "Die twee wagwoorde verskil.", "The two passwords differ.");
        select(window().find("Repeat"));
    } else if (!access_.addFirstUser(login_, name_, password_)) {
        if (access_.usable()) {
            // Two tills of a new shop at once: the other one was first.
            warn(runtime(), access_, "'n Ander kas het pas die eerste gebruiker geskep. Teken aan met daardie gebruiker.",
                 "Another till has just created the first user. Log in with that user.");
            close(Response::Cancelled);
        } else {
            warn(runtime(), access_, "Die gebruiker kon nie gestoor word nie.", "The user could not be stored.");
        }
    } else {
        close(Response::Completed);
    }
}

// ---- A user -----------------------------------------------------------------------------------

AccessUserForm::AccessUserForm(AccessControl& access, std::int64_t user)
    : Procedure("AccessUserForm"), access_(access), user_(user) {}

void AccessUserForm::DefineWindow(Window& w) {
    bool adding = user_ == 0;
    w = Window(adding ? tr(access_, "Nuwe Gebruiker", "New User") : tr(access_, "Wagwoord", "Password"), 220,
               adding ? 110 : 70);
    int y = 8;
    if (adding) {
        w.prompt(tr(access_, "&Gebruiker:", "&User:")).at(8, y, 70, 10);
        w.entry(Binding(&login_, 30), "@s30").at(82, y, 130, 10).name("User");
        y += 14;
        w.prompt(tr(access_, "&Naam:", "&Name:")).at(8, y, 70, 10);
        w.entry(Binding(&name_, 60), "@s60").at(82, y, 130, 10).name("Name");
        y += 14;
    }
    w.prompt(tr(access_, "&Wagwoord:", "&Password:")).at(8, y, 70, 10);
    w.entry(Binding(&password_, 64), "@s64").at(82, y, 130, 10).name("Password").password();
    y += 14;
    w.prompt(tr(access_, "&Herhaal:", "&Repeat:")).at(8, y, 70, 10);
    w.entry(Binding(&repeat_, 64), "@s64").at(82, y, 130, 10).name("Repeat").password();
    y += 14;
    if (adding) {
        w.check(tr(access_, "&Administrateur (alle regte)", "&Administrator (every right)"), Binding(&administrator_))
            .at(82, y, 130, 10)
            .name("Administrator");
        y += 14;
    }
    ok_ = w.button("&OK").at(104, y + 4, 50, 14).name("OK").defaultButton();
    w.button(tr(access_, "&Kanselleer", "&Cancel")).at(162, y + 4, 50, 14).name("Cancel").closes();
}

void AccessUserForm::TakeAccepted(int control) {
    if (control != ok_) return;
    if (user_ == 0 && trim(login_).empty()) {
        warn(runtime(), access_, "Tik 'n gebruikersnaam.", "Type a user name.");
        return;
    }
    if (password_.empty()) {
        warn(runtime(), access_, "Tik 'n wagwoord.", "Type a password.");
        return;
    }
    if (password_ != repeat_) {
        warn(runtime(), access_, "Die twee wagwoorde verskil.", "The two passwords differ.");
        return;
    }
    bool ok = user_ == 0 ? access_.addUser(login_, name_, password_, administrator_) : access_.setPassword(user_, password_);
    if (!ok) {
        warn(runtime(), access_, "Die gebruiker kon nie gestoor word nie (bestaan die naam reeds?).",
             "The user could not be stored (is the name taken?).");
        return;
    }
    close(Response::Completed);
}

// ---- Rights editor ----------------------------------------------------------------------------

AccessRights::AccessRights(AccessControl& access, std::int64_t editor, std::string procedure, std::string accessString)
    : Procedure("AccessRights"),
      access_(access),
      editor_(editor),
      procedure_(trim(procedure)),
      rightNames_(AccessControl::rightNames(accessString)) {}

void AccessRights::DefineWindow(Window& w) {
    w = Window(tr(access_, "Toegangsregte - ", "Access Rights - ") + procedure_, 300, 170);
    std::vector<ListColumn> cols{{tr(access_, "Gebruiker", "User"), "@s30", 70},
                                 {tr(access_, "Naam", "Name"), "@s60", 110},
                                 {tr(access_, "Administrateur", "Administrator"), "@s3", 50}};
    for (const auto& r : rightNames_)
        if (!r.empty()) cols.push_back({r, "@s3", 40});
    users_ = std::make_shared<ListControl>(cols, std::make_shared<FunctionRows>([this] {
        std::vector<Row> rows;
        for (const auto& u : access_.users()) {
            Row row;
            row.id = u.id;
            row.cells = {u.login, u.name, std::string(u.administrator ? tr(access_, "Ja", "Yes") : "")};
            std::string rights = access_.rights(u.id, procedure_);
            for (std::size_t i = 0; i < rightNames_.size(); ++i)
                if (!rightNames_[i].empty())
                    row.cells.push_back(std::string(rights[i] == '1' ? tr(access_, "Ja", "Yes") : tr(access_, "Nee", "No")));
            rows.push_back(std::move(row));
        }
        return rows;
    }));
    users_->confirmDelete = true;
    list_ = w.list(users_).at(6, 6, 288, 110).name("Users");
    rightValues_.assign(rightNames_.size(), 0);
    int x = 6;
    for (std::size_t i = 0; i < rightNames_.size(); ++i) {
        if (rightNames_[i].empty()) {
            rightBoxes_.push_back(0);
            continue;
        }
        rightBoxes_.push_back(w.check(rightNames_[i], Binding(&rightValues_[i])).at(x, 122, 70, 10));
        x += 74;
    }
    add_ = w.button(tr(access_, "&Nuwe Gebruiker", "&Add User")).at(6, 148, 64, 14).name("AddUser");
    password_ = w.button(tr(access_, "&Wagwoord", "&Password")).at(76, 148, 64, 14).name("Password");
    delete_ = w.button(tr(access_, "&Skrap", "&Delete User")).at(146, 148, 64, 14).name("DeleteUser");
    close_ = w.button(tr(access_, "&Sluit", "&Close")).at(230, 148, 64, 14).name("Close").closes();
    users_->deleteButton = delete_;
    users_->onDelete = [this](const Row& row) {
        if (row.id == editor_ || !access_.deleteUser(row.id)) {
            warn(runtime(), access_, "Hierdie gebruiker kan nie geskrap word nie.", "This user cannot be deleted.");
            return false;
        }
        return true;
    };
}

void AccessRights::TakeOpened() {
    users_->reload();
    showRights();
}

std::int64_t AccessRights::selectedUser() const {
    const Row* r = users_->selectedRow();
    return r ? r->id : 0;
}

void AccessRights::showRights() {
    std::int64_t user = selectedUser();
    std::string rights = user ? access_.rights(user, procedure_) : std::string();
    bool admin = false;
    for (const auto& u : access_.users())
        if (u.id == user) admin = u.administrator;
    for (std::size_t i = 0; i < rightBoxes_.size(); ++i) {
        if (!rightBoxes_[i]) continue;
        rightValues_[i] = i < rights.size() && rights[i] == '1';
        // An administrator holds every right whatever is ticked.
        window()[rightBoxes_[i]].disabled = user == 0 || admin;
    }
    window()[password_].disabled = user == 0;
    window()[delete_].disabled = user == 0;
}

void AccessRights::TakeNewSelection(int control) {
    if (control == list_) showRights();
}

void AccessRights::TakeAccepted(int control) {
    for (std::size_t i = 0; i < rightBoxes_.size(); ++i) {
        if (rightBoxes_[i] && control == rightBoxes_[i]) {
            if (std::int64_t user = selectedUser()) access_.setRight(user, procedure_, static_cast<int>(i), rightValues_[i] != 0);
            users_->reload();
            showRights();
            return;
        }
    }
    if (control == add_) {
        AccessUserForm form(access_);
        runtime().run(form);
        users_->reload();
    } else if (control == password_) {
        if (std::int64_t user = selectedUser()) {
            AccessUserForm form(access_, user);
            runtime().run(form);
        }
    } else if (control == delete_) {
        users_->reload();
    }
    showRights();
}

}  // namespace tavlo
