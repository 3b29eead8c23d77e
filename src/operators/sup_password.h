#pragma once
// The supervisor password prompt that unlocks what only a supervisor may do: at the till (credit
// notes, price changes, No Sale), in the Operators window and in User Details.
#include <cstdint>
#include <string>

#include "framework/procedure.h"

namespace tavlo {

// "SUP Password": the supervisor password of the specification record, or the master
// password. OK stores 1 when a correct password was accepted, else 0; Cancel leaves the
// argument as it was.
class SupPassword : public Procedure {
public:
    SupPassword(std::uint8_t& ok, std::string storedPassword);

    bool passwordOk() const { return passwordOk_; }
    // Accepted through the master password rather than the stored one (for the audit trail).
    bool masterUsed() const { return masterUsed_; }

protected:
    void DefineWindow(Window& w) override;
    void TakeAccepted(int control) override;

private:
    bool check(bool tell);

    std::uint8_t& ok_;
    std::string stored_;
    std::string password_;  // LOC:PASSWORD, STRING(25)
    bool passwordOk_ = false;
    bool masterUsed_ = false;
    bool checked_ = false;
    int entry_ = 0, okButton_ = 0;
};

}  // namespace tavlo
