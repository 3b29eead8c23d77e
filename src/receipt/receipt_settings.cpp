#include "receipt/receipt_settings.h"

#include <algorithm>

#include "state/settings.h"
#include "util/text.h"

namespace tavlo::receipt {
namespace {

bool onOff(const std::string& value, bool fallback) {
    const std::string v = lower(trim(value));
    if (v == "on" || v == "yes" || v == "1" || v == "true") return true;
    if (v == "off" || v == "no" || v == "0" || v == "false") return false;
    return fallback;
}

}  // namespace

std::filesystem::path receiptSettingsFile(const std::filesystem::path& dataFolder) {
    return resolveSettingsFile(dataFolder / std::string(kProgramSettingsFile));
}

ReceiptSettings readReceiptSettings(const std::filesystem::path& file) {
    SettingsFile ini(file);
    ReceiptSettings s;
    if (auto target = PrinterTarget::parse(ini.read(kReceiptSection, "Printer", "none"))) s.printer = *target;
    else s.valid = false;
    s.format.width = ini.readNumber(kReceiptSection, "Width", 48) <= 32 ? 32 : 48;
    s.format.codePage = ini.readNumber(kReceiptSection, "CodePage", 850) == 1252 ? CodePage::CP1252 : CodePage::CP850;
    s.format.cut = onOff(ini.read(kReceiptSection, "Cut", "on"), true);
    s.drawer = onOff(ini.read(kReceiptSection, "Drawer", "off"), false);
    s.format.drawerPin = ini.readNumber(kReceiptSection, "DrawerPin", 2) == 5 ? 5 : 2;
    s.format.pulseOnMs = static_cast<int>(std::clamp(ini.readNumber(kReceiptSection, "PulseOn", 100), 2L, 510L));
    s.format.pulseOffMs = static_cast<int>(std::clamp(ini.readNumber(kReceiptSection, "PulseOff", 200), 2L, 510L));
    s.timeout = std::chrono::milliseconds(std::clamp(ini.readNumber(kReceiptSection, "Timeout", 2000), 200L, 2000L));
    return s;
}

bool writeReceiptSettings(const std::filesystem::path& file, const ReceiptSettings& s) {
    SettingsFile ini(file);
    return ini.write(kReceiptSection, "Printer", s.printer.text()) &&
           ini.write(kReceiptSection, "Width", static_cast<long>(s.format.width)) &&
           ini.write(kReceiptSection, "CodePage", s.format.codePage == CodePage::CP1252 ? 1252L : 850L) &&
           ini.write(kReceiptSection, "Cut", s.format.cut ? "on" : "off") &&
           ini.write(kReceiptSection, "Drawer", s.drawer ? "on" : "off") &&
           ini.write(kReceiptSection, "DrawerPin", static_cast<long>(s.format.drawerPin)) &&
           ini.write(kReceiptSection, "PulseOn", static_cast<long>(s.format.pulseOnMs)) &&
           ini.write(kReceiptSection, "PulseOff", static_cast<long>(s.format.pulseOffMs)) &&
           ini.write(kReceiptSection, "Timeout", static_cast<long>(s.timeout.count()));
}

}  // namespace tavlo::receipt
