#include "operators/master_password.h"

#include "data/file_manager.h"
#include "data/tables.h"
#include "framework/message.h"
#include "framework/runtime.h"
#include "operators/audit.h"
#include "operators/passwords.h"
#include "operators/sup_password.h"
#include "state/globals.h"
#include "util/text.h"

namespace tavlo {

namespace {

void tell(std::string_view afrikaans, std::string_view english) {
    MessageRequest box;
    box.title = std::string(byLanguage("Meesterwagwoord", "Master Password"));
    box.text = std::string(byLanguage(afrikaans, english));
    box.icon = Icon::Exclamation;
    box.buttons = ButtonOk;
    box.defaultButton = ButtonOk;
    showMessage(box);
}

std::string stateText(MasterState state) {
    switch (state) {
        case MasterState::Default:
            return std::string(byLanguage("Die meesterwagwoord is die een waarmee die program gelewer is.",
                                          "The master password is the one the program came with."));
        case MasterState::Own:
            return std::string(byLanguage("Die meesterwagwoord is deur die eienaar gestel.",
                                          "The master password was set by the owner."));
        case MasterState::Off:
            return std::string(byLanguage("Die meesterwagwoord is afgeskakel.", "The master password is switched off."));
    }
    return {};
}

}  // namespace

MasterPasswordWindow::MasterPasswordWindow() : Procedure("MasterPassword") {}

void MasterPasswordWindow::DefineWindow(Window& w) {
    w = Window("Master Password", 220, 104);
    w.panel().at(4, 4, 212, 78);
    w.display(Binding(&state_), "@s60").at(10, 10, 200, 10).name("State");
    offBox_ = w.check("Switch the master password off", Binding(&off_)).at(10, 26, 200, 10).name("Off");
    w.prompt("New password .:").at(10, 44, 70, 10);
    password_ctl_ = w.entry(Binding(&password_, 25), "@s25").at(90, 44, 110, 10).name("Password").password();
    w.prompt("Repeat .:").at(10, 60, 70, 10);
    repeat_ctl_ = w.entry(Binding(&repeat_, 25), "@s25").at(90, 60, 110, 10).name("Repeat").password();
    ok_ = w.button("&OK").at(130, 86, 40, 14).name("OK").defaultButton();
    w.button("&Cancel").at(176, 86, 40, 14).name("Cancel").closes();
}

void MasterPasswordWindow::TakeOpened() {
    state_ = stateText(masterPasswordState(context().folder()));
    applyOff();
}

void MasterPasswordWindow::applyOff() {
    window()[password_ctl_].disabled = off_ != 0;
    window()[repeat_ctl_].disabled = off_ != 0;
}

bool MasterPasswordWindow::store() {
    const auto& folder = context().folder();
    if (off_ != 0) {
        if (!switchOffMasterPassword(folder)) {
            tell("Die meesterwagwoord kon nie afgeskakel word nie.", "The master password could not be switched off.");
            return false;
        }
    } else if (clip(password_).empty()) {
        tell("Tik die nuwe meesterwagwoord twee keer.", "Type the new master password twice.");
        select(password_ctl_);
        return false;
    } else if (clip(password_) != clip(repeat_)) {
        tell("Die twee wagwoorde verskil: tik dit weer.", "The two passwords differ: type them again.");
        repeat_.clear();
        select(repeat_ctl_);
        return false;
    } else if (!setMasterPassword(folder, password_)) {
        tell("Die meesterwagwoord kon nie gestoor word nie.", "The master password could not be stored.");
        return false;
    }
    writeAudit(context(), {.action = AuditAction::MasterChanged, .source = SupervisorSource::OwnPassword,
                           .newValue = off_ != 0 ? "off" : "changed"});
    return true;
}

void MasterPasswordWindow::TakeAccepted(int control) {
    if (control == offBox_) applyOff();
    else if (control == ok_ && store()) close(Response::Completed);
}

void changeMasterPassword(Procedure& caller) {
    Context& ctx = caller.context();
    ctx.relate<PQXS10>().Open();
    auto& s10 = ctx.access<PQXS10>();
    s10.clearBuffer();
    s10.SetFileOrder();
    const std::string stored = s10.next() == ErrNone ? s10.rec.DATEPASS : std::string();
    ctx.relate<PQXS10>().Close();

    std::uint8_t ok = 0;
    SupPassword prompt(ok, stored);
    caller.runtime().run(prompt);
    if (ok != 1) return;
    if (prompt.masterUsed()) {
        tell("Die meesterwagwoord kan homself nie verander nie: tik die toesighouer se wagwoord.",
             "The master password cannot change itself: type the supervisor's password.");
        return;
    }
    MasterPasswordWindow window;
    caller.runtime().run(window);
}

}  // namespace tavlo
