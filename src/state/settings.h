#pragma once
// Settings files in the private-profile format: "[Section]" lines, then "Key=Value" lines.
// File, section and key names are case-insensitive; values are read and written one at a time,
// and writing one value leaves every other line of the file as it was.
//
// Reading: blanks around names and values are ignored, a value wrapped in double quotes loses
// them, lines starting with ";" are comments, the first of two equal keys counts. A missing
// file, section or key gives the default.
// Writing: the key's line is replaced in place, or added after the section's last entry, or a
// new section is added at the end of the file; the file is created when missing. The new file
// is written beside the old one and renamed over it, so a failure never leaves half a file.
// Reading, changing and renaming hold a lock shared by every process (a lock file beside the
// settings file while the write lasts), so two tills writing at once never lose each other's keys.
// Names and values that would break the format (a line break anywhere, "=" or a leading "[" or
// ";" in a key, "]" in a section) are refused.
#include <filesystem>
#include <string>
#include <string_view>

namespace tavlo {

// The settings files, as the program's texts name them. On this platform "Tavlo.INI" and
// "Tavlo.Ini" are one file: see resolveSettingsFile.
inline constexpr std::string_view kWindowSettingsFile = "Tavlo.INI";   // window positions, in the data folder
inline constexpr std::string_view kProgramSettingsFile = "Tavlo.Ini";  // program settings, the same file
inline constexpr std::string_view kLanguageSettingsFile = "VLabs.ini"; // language per computer and user
inline constexpr std::string_view kAccessSettingsFile = "Secwin.Ini";  // the access-control layer's

// The file a settings path names: the path itself when it exists, else a file in the same
// folder whose name differs only in letter case ("tavlo.ini" for "Tavlo.INI"), else the path
// as given (where a write creates it). "\" in the path counts as "/".
std::filesystem::path resolveSettingsFile(const std::filesystem::path& path);

std::string readSetting(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view defaultValue = "");
// The value's leading whole number ("12abc" gives 12, "abc" 0); the default when the key is missing.
long readSettingNumber(const std::filesystem::path& file, std::string_view section, std::string_view key,
                       long defaultValue);
// False when the names or value are refused or the file cannot be written; the file is then
// unchanged.
bool writeSetting(const std::filesystem::path& file, std::string_view section, std::string_view key,
                  std::string_view value);
bool writeSetting(const std::filesystem::path& file, std::string_view section, std::string_view key, long value);

// One settings file, named once.
class SettingsFile {
public:
    explicit SettingsFile(std::filesystem::path path) : path_(std::move(path)) {}
    const std::filesystem::path& path() const { return path_; }
    std::string read(std::string_view section, std::string_view key, std::string_view defaultValue = "") const {
        return readSetting(path_, section, key, defaultValue);
    }
    long readNumber(std::string_view section, std::string_view key, long defaultValue) const {
        return readSettingNumber(path_, section, key, defaultValue);
    }
    bool write(std::string_view section, std::string_view key, std::string_view value) const {
        return writeSetting(path_, section, key, value);
    }
    bool write(std::string_view section, std::string_view key, long value) const {
        return writeSetting(path_, section, key, value);
    }

private:
    std::filesystem::path path_;
};

// The language settings: section "Language", key "No_" + computer + "_" + user (both without
// trailing blanks) for this computer and user, "No" for everybody else, "Mode" for the
// translation mode.
inline constexpr std::string_view kLanguageSection = "Language";
std::string languageUserKey(std::string_view computerName, std::string_view userName);

}  // namespace tavlo
