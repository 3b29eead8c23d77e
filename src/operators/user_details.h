#pragma once
// UserDetails: the company record (user number 1) of PACS10: the name and addresses on the
// slips, registration numbers, smallest coin and float, happy hour, the document counter and
// the workstation prefix, without which the record is not stored.
#include <string>

#include "framework/procedure.h"

namespace tavlo {

class UserDetails : public Procedure {
public:
    UserDetails();
    std::string structureName() const override { return "QuickWindow"; }
    bool found() const { return found_; }

protected:
    bool OpenTables() override;
    void CloseTables() override;
    void DefineWindow(Window& w) override;
    void TakeOpened() override;
    void TakeAccepted(int control) override;

private:
    void applyHappyHour();
    bool store();

    bool found_ = false;
    int happyHour_ = 0, discountPrompt_ = 0, discount_ = 0, prefix_ = 0, ok_ = 0;
    int receiptPrinter_ = 0;  // the receipt printer's settings, test page and drawer test
    int masterPassword_ = 0;  // the master password changed or switched off
};

}  // namespace tavlo
