#pragma once
// Passwords at the till: how a typed password is compared with a stored one, the master
// password, and the box that refuses a wrong one.
#include <filesystem>
#include <string_view>

namespace tavlo {

// The master password is accepted wherever a supervisor password is asked. It ships as a fixed
// default, accepted until the owner changes it or switches it off in User Details. The owner's
// choice is kept in the data folder's program settings ([Supervisor] Master=): the salted hash of
// the new password, or "off"; no key means the default.
inline constexpr std::string_view kMasterPassword = "KVT";  // the default
enum class MasterState { Default, Own, Off };
MasterState masterPasswordState(const std::filesystem::path& dataFolder);
// Whether the typed text is the master password of that data folder (trailing blanks do not
// count; letter case does).
bool masterPasswordAccepts(const std::filesystem::path& dataFolder, std::string_view typed);
// A new master password (not blank); false when it could not be stored (nothing changed).
bool setMasterPassword(const std::filesystem::path& dataFolder, std::string_view password);
bool switchOffMasterPassword(const std::filesystem::path& dataFolder);

// Blank-padded comparison: the shorter text is extended with blanks, so trailing blanks do not
// count; letter case does. An entry longer than the stored text never matches it.
bool samePassword(std::string_view typed, std::string_view stored);

// "Warning!" / "The password is incorrect ..." with the information icon and OK.
void showWrongPassword();
// No operator has the name or number typed at the log-in.
void showUnknownOperator();

}  // namespace tavlo
