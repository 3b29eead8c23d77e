#pragma once
// The two small dialogs of the till screen: how a sale settled at the till is paid, and the
// supervisor password that unlocks what only a supervisor may do.
#include <cstdint>
#include <string>

#include "framework/procedure.h"

namespace tavlo {

// Pay method codes.
inline constexpr std::uint8_t kPayNone = 0, kPayCash = 1, kPayCard = 2, kPayCheque = 3, kPayAccount = 4;

// "Payment Method": Cash, Credit Card or Cheque, at most one ticked. OK stores 1, 2 or 3 in
// the argument (nothing ticked leaves it); Cancel leaves it as it was.
class PaymentMethod : public Procedure {
public:
    explicit PaymentMethod(std::uint8_t& payment);

    int cashBox() const { return cash_; }
    int cardBox() const { return card_; }
    int chequeBox() const { return cheque_; }

protected:
    void DefineWindow(Window& w) override;
    void TakeAccepted(int control) override;

private:
    void applyTicks();

    std::uint8_t& payment_;
    std::uint8_t locCash_ = 1, locCreditCard_ = 0, locCheque_ = 0;
    int cash_ = 0, card_ = 0, cheque_ = 0, ok_ = 0;
};

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
