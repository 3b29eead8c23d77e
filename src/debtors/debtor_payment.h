#pragma once
// "Debtor Payment": money received from a debtor at the till. The operator picks the debtor's
// account, ticks how the money came in and types the amount; OK posts the payment and closes.
// A payment without a debtor, a tender or an amount above 0 is refused with a message and the
// window stays open; so it does when the posting fails (nothing is then written).
#include <cstdint>
#include <string>

#include "framework/procedure.h"
#include "util/decimal.h"

namespace tavlo {

class DebtorPayment : public Procedure {
public:
    DebtorPayment();
    std::string structureName() const override { return "QuickWindow"; }

    // The document the payment was posted as (0 while none).
    std::uint32_t documentNo() const { return documentNo_; }

protected:
    bool OpenTables() override;
    void CloseTables() override;
    void DefineWindow(Window& w) override;
    void TakeOpened() override;
    void TakeAccepted(int control) override;

private:
    void chooseDebtor();
    // The tender boxes act as one choice: a ticked box disables the other two.
    void applyTenders();
    void post();
    void refuse(std::string_view afrikaans, std::string_view english, int focus);

    // LOC: working values.
    std::uint16_t debtor_ = 0;
    std::uint8_t cash_ = 1, creditCard_ = 0, cheque_ = 0;
    Decimal amount_;
    std::uint8_t payment_ = 0;
    std::uint32_t documentNo_ = 0;

    int choose_ = 0, cashBox_ = 0, cardBox_ = 0, chequeBox_ = 0, amountEntry_ = 0, ok_ = 0;
};

}  // namespace tavlo
