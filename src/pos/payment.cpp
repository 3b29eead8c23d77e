#include "pos/payment.h"

#include "data/file_manager.h"
#include "operators/passwords.h"

namespace tavlo {

// ---- PaymentMethod ----------------------------------------------------------------------------

PaymentMethod::PaymentMethod(std::uint8_t& payment) : Procedure("PaymentMethod"), payment_(payment) {}

void PaymentMethod::DefineWindow(Window& w) {
    w = Window("Payment Method", 121, 116);
    w.panel().at(4, 4, 113, 86);
    cash_ = w.check("Cash", Binding(&locCash_)).at(32, 24, 77, 10).name("Cash");
    card_ = w.check("Credit Card", Binding(&locCreditCard_)).at(32, 41, 77, 10).name("CreditCard");
    cheque_ = w.check("Cheque", Binding(&locCheque_)).at(32, 58, 77, 10).name("Cheque");
    ok_ = w.button("&OK").at(38, 96, 35, 14).name("OK").defaultButton();
    w.button("&Cancel").at(80, 96, 36, 14).name("Cancel").closes();
    applyTicks();
}

// One tick disables the other two boxes.
void PaymentMethod::applyTicks() {
    Window& w = window();
    const std::uint8_t ticked[] = {locCash_, locCreditCard_, locCheque_};
    const int boxes[] = {cash_, card_, cheque_};
    int on = -1;
    for (int i = 0; i < 3; ++i)
        if (ticked[i]) on = i;
    for (int i = 0; i < 3; ++i) w[boxes[i]].disabled = on >= 0 && on != i;
}

void PaymentMethod::TakeAccepted(int control) {
    if (control == cash_ || control == card_ || control == cheque_) {
        applyTicks();
    } else if (control == ok_) {
        if (locCash_) payment_ = kPayCash;
        else if (locCreditCard_) payment_ = kPayCard;
        else if (locCheque_) payment_ = kPayCheque;
        close(Response::Completed);
    }
}

}  // namespace tavlo
