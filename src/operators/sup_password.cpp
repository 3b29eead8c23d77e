#include "operators/sup_password.h"

#include <filesystem>

#include "data/file_manager.h"
#include "operators/passwords.h"

namespace tavlo {

SupPassword::SupPassword(std::uint8_t& ok, std::string storedPassword)
    : Procedure("SupPassword"), ok_(ok), stored_(std::move(storedPassword)) {}

void SupPassword::DefineWindow(Window& w) {
    w = Window("SUP Password", 179, 74);
    w.panel().at(4, 4, 171, 48);
    w.prompt("Password .:").at(13, 19, 57, 10);
    entry_ = w.entry(Binding(&password_, 25), "@s25").at(84, 19, 79, 10).name("Password").password();
    okButton_ = w.button("&OK").at(96, 57, 35, 14).name("OK").defaultButton();
    w.button("&Cancel").at(138, 57, 36, 14).name("Cancel").closes();
}

bool SupPassword::check(bool tell) {
    checked_ = true;
    const bool own = samePassword(password_, stored_);
    masterUsed_ = !own && masterPasswordAccepts(sharedContext() ? context().folder() : std::filesystem::path(), password_);
    passwordOk_ = own || masterUsed_;
    if (!passwordOk_ && tell) {
        showWrongPassword();
        select(entry_);
    }
    return passwordOk_;
}

void SupPassword::TakeAccepted(int control) {
    if (control == entry_) {
        check(true);
    } else if (control == okButton_) {
        // An entry never accepted (OK straight away) is checked as it stands.
        if (!checked_) check(false);
        ok_ = passwordOk_ ? 1 : 0;
        close(Response::Completed);
    }
}

}  // namespace tavlo
