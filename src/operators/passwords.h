#pragma once
// Passwords at the till: how a typed password is compared with a stored one, the master
// password, and the box that refuses a wrong one.
#include <string_view>

namespace tavlo {

// Always accepted where a supervisor password is asked.
inline constexpr std::string_view kMasterPassword = "KVT";

// Blank-padded comparison: the shorter text is extended with blanks, so trailing blanks do not
// count; letter case does. An entry longer than the stored text never matches it.
bool samePassword(std::string_view typed, std::string_view stored);

// "Warning!" / "The password is incorrect ..." with the information icon and OK.
void showWrongPassword();
// No operator has the name or number typed at the log-in.
void showUnknownOperator();

}  // namespace tavlo
