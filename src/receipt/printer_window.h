#pragma once
// "Receipt Printer": the [Receipt] settings of this data folder, with a test page and a drawer
// test that use the settings as typed, so a shop can try a set-up before keeping it.
#include <string>

#include "framework/procedure.h"
#include "receipt/receipt_settings.h"

namespace tavlo::receipt {

class ReceiptPrinterSetup : public Procedure {
public:
    ReceiptPrinterSetup();
    std::string structureName() const override { return "QuickWindow"; }

protected:
    bool OpenTables() override;
    void DefineWindow(Window& window) override;
    void TakeAccepted(int control) override;

private:
    // The settings as typed; false (the operator was told) when the printer text is not understood.
    bool typed(ReceiptSettings& out);

    std::string printer_;
    std::int32_t width_ = 48, codePage_ = 850, pin_ = 2, pulseOn_ = 100, pulseOff_ = 200;
    bool drawer_ = false, cut_ = true;
    int printerEntry_ = 0, testPage_ = 0, drawerTest_ = 0, ok_ = 0;
};

}  // namespace tavlo::receipt
