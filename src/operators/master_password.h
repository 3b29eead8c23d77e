#pragma once
// "Master Password", from User Details once the supervisor password was given: the owner sets a
// master password of their own (typed twice) or switches the master password off.
#include <cstdint>
#include <string>

#include "framework/procedure.h"

namespace tavlo {

class MasterPasswordWindow : public Procedure {
public:
    MasterPasswordWindow();

protected:
    void DefineWindow(Window& w) override;
    void TakeOpened() override;
    void TakeAccepted(int control) override;

private:
    void applyOff();
    bool store();

    std::uint8_t off_ = 0;
    std::string password_, repeat_;  // STRING(25) each
    std::string state_;
    int offBox_ = 0, password_ctl_ = 0, repeat_ctl_ = 0, ok_ = 0;
};

// The button in User Details: asks the supervisor's own password (the master password does not
// change itself), then opens the window.
void changeMasterPassword(Procedure& caller);

}  // namespace tavlo
