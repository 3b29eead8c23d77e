#pragma once
// The receipt printer's settings, section [Receipt] of the program settings file (Tavlo.Ini in
// the data folder):
//
//   [Receipt]
//   Printer=none | device:/dev/usb/lp0 | net:192.168.1.50:9100 | cups:receipts
//   Width=48            ; 48 for 80 mm paper, 32 for 58 mm
//   CodePage=850        ; 850 or 1252
//   Cut=on
//   Drawer=on           ; kick the drawer after a cash sale
//   DrawerPin=2         ; 2 or 5
//   PulseOn=100         ; milliseconds
//   PulseOff=200
//   Timeout=2000        ; milliseconds a printer may take before the till says it is not there
#include <chrono>
#include <filesystem>

#include "receipt/escpos.h"
#include "receipt/printer_port.h"

namespace tavlo::receipt {

inline constexpr const char* kReceiptSection = "Receipt";

struct ReceiptSettings {
    PrinterTarget printer;  // None: slips go to the page preview as before
    PrintFormat format;
    bool drawer = false;
    std::chrono::milliseconds timeout{2000};
    bool valid = true;  // false when Printer= holds something unreadable (then no printer)

    bool active() const { return printer.kind != PrinterTarget::Kind::None; }
};

// The settings file of a data folder.
std::filesystem::path receiptSettingsFile(const std::filesystem::path& dataFolder);
ReceiptSettings readReceiptSettings(const std::filesystem::path& settingsFile);
bool writeReceiptSettings(const std::filesystem::path& settingsFile, const ReceiptSettings& settings);

}  // namespace tavlo::receipt
