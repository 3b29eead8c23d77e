#include "receipt/printer_window.h"

#include <algorithm>

#include "data/file_manager.h"
#include "framework/message.h"
#include "framework/runtime.h"
#include "receipt/receipt_printer.h"
#include "state/globals.h"
#include "state/settings.h"

namespace tavlo::receipt {

ReceiptPrinterSetup::ReceiptPrinterSetup() : Procedure("ReceiptPrinterSetup") {}

bool ReceiptPrinterSetup::OpenTables() {
    ReceiptSettings s = settingsOf(context());
    printer_ = s.valid ? s.printer.text() : readSetting(receiptSettingsFile(context().folder()), kReceiptSection, "Printer");
    width_ = s.format.width;
    codePage_ = s.format.codePage == CodePage::CP1252 ? 1252 : 850;
    cut_ = s.format.cut;
    drawer_ = s.drawer;
    pin_ = s.format.drawerPin;
    pulseOn_ = s.format.pulseOnMs;
    pulseOff_ = s.format.pulseOffMs;
    return true;
}

void ReceiptPrinterSetup::DefineWindow(Window& w) {
    w = Window("Receipt Printer", 250, 170);
    w.panel().at(4, 4, 242, 140);
    int y = 10;
    auto row = [&](const char* prompt, Binding use, const char* picture, const char* name, int width = 50) {
        w.prompt(prompt).at(10, y, 100, 10);
        int n = w.entry(std::move(use), picture).at(114, y, width, 10).name(name);
        y += 14;
        return n;
    };
    printerEntry_ = row("Printer .:", Binding(&printer_, 120), "@s120", "Printer", 126);
    w[printerEntry_].tip = "none, device:/dev/usb/lp0, net:192.168.1.50:9100 or cups:queue";
    row("Characters per line .:", Binding(&width_), "@n2", "Width");
    row("Code page .:", Binding(&codePage_), "@n_4", "CodePage");
    w.check("Cut the paper", Binding(&cut_)).at(10, y, 120, 10).name("Cut");
    y += 14;
    w.check("Open the drawer after a cash sale", Binding(&drawer_)).at(10, y, 200, 10).name("Drawer");
    y += 14;
    row("Drawer pin (2 or 5) .:", Binding(&pin_), "@n1", "DrawerPin");
    row("Pulse on (ms) .:", Binding(&pulseOn_), "@n3", "PulseOn");
    row("Pulse off (ms) .:", Binding(&pulseOff_), "@n3", "PulseOff");
    testPage_ = w.button("&Test Page").at(4, 150, 50, 14).name("TestPage");
    drawerTest_ = w.button("&Drawer Test").at(58, 150, 50, 14).name("DrawerTest");
    ok_ = w.button("&OK").at(158, 150, 42, 14).name("OK").defaultButton();
    w.button("&Cancel").at(204, 150, 42, 14).name("Cancel").closes();
}

bool ReceiptPrinterSetup::typed(ReceiptSettings& s) {
    auto target = PrinterTarget::parse(printer_);
    if (!target) {
        MessageRequest box;
        box.title = std::string(byLanguage("Strokiesdrukker", "Receipt printer"));
        box.text = std::string(byLanguage("Tik none, device:/dev/usb/lp0, net:gasheer:9100 of cups:ry.",
                                          "Type none, device:/dev/usb/lp0, net:host:9100 or cups:queue."));
        box.icon = Icon::Information;
        showMessage(box);
        select(printerEntry_);
        return false;
    }
    s.printer = *target;
    s.format.width = width_ <= 32 ? 32 : 48;
    s.format.codePage = codePage_ == 1252 ? CodePage::CP1252 : CodePage::CP850;
    s.format.cut = cut_;
    s.drawer = drawer_;
    s.format.drawerPin = pin_ == 5 ? 5 : 2;
    s.format.pulseOnMs = std::clamp<int>(pulseOn_, 2, 510);
    s.format.pulseOffMs = std::clamp<int>(pulseOff_, 2, 510);
    return true;
}

void ReceiptPrinterSetup::TakeAccepted(int control) {
    if (control != testPage_ && control != drawerTest_ && control != ok_) return;
    ReceiptSettings s = settingsOf(context());
    if (!typed(s)) return;
    if (control == ok_) {
        if (writeReceiptSettings(receiptSettingsFile(context().folder()), s)) close(Response::Completed);
        return;
    }
    if (!s.active()) {
        MessageRequest box;
        box.title = std::string(byLanguage("Strokiesdrukker", "Receipt printer"));
        box.text = std::string(byLanguage("Geen strokiesdrukker is gekies nie.", "No receipt printer is set."));
        box.icon = Icon::Information;
        showMessage(box);
        select(printerEntry_);
        return;
    }
    if (control == testPage_) printReceipt(runtime(), s, testPageReceipt(context()), false);
    else kickDrawer(runtime(), s);
}

}  // namespace tavlo::receipt
