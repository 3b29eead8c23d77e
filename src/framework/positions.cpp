#include "framework/positions.h"

#include "state/settings.h"
#include "util/text.h"

namespace tavlo {

std::optional<WindowGeometry> SettingsWindowPositions::load(const std::string& procedure) {
    std::lock_guard guard(lock_);
    auto file = resolveSettingsFile(file_);
    // A window never saved keeps the place its design gives it.
    if (readSetting(file, procedure, "Width", "").empty()) return std::nullopt;
    WindowGeometry g;
    g.x = static_cast<int>(readSettingNumber(file, procedure, "XPos", 0));
    g.y = static_cast<int>(readSettingNumber(file, procedure, "YPos", 0));
    g.width = static_cast<int>(readSettingNumber(file, procedure, "Width", 0));
    g.height = static_cast<int>(readSettingNumber(file, procedure, "Height", 0));
    g.maximized = equalsNoCase(trim(readSetting(file, procedure, "Maximize", "No")), "Yes");
    g.minimized = equalsNoCase(trim(readSetting(file, procedure, "Minimize", "No")), "Yes");
    if (g.width <= 0 || g.height <= 0) return std::nullopt;
    return g;
}

void SettingsWindowPositions::save(const std::string& procedure, const WindowGeometry& g) {
    std::lock_guard guard(lock_);
    auto file = resolveSettingsFile(file_);
    writeSetting(file, procedure, "Maximize", g.maximized ? "Yes" : "No");
    writeSetting(file, procedure, "Minimize", g.minimized ? "Yes" : "No");
    writeSetting(file, procedure, "XPos", static_cast<long>(g.x));
    writeSetting(file, procedure, "YPos", static_cast<long>(g.y));
    writeSetting(file, procedure, "Width", static_cast<long>(g.width));
    writeSetting(file, procedure, "Height", static_cast<long>(g.height));
}

}  // namespace tavlo
