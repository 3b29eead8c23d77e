#pragma once
// How a sale settled at the till is paid. (The supervisor password prompt is
// operators/sup_password.h.)
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

}  // namespace tavlo
