#pragma once
// Master data a shop can sell from at once: VAT codes, the accounts the till posts to, trading
// accounts and assets, stock and non-stock items, debtors, cash clients, the specification and
// company records, and two operators.
#include <filesystem>
#include <string>

namespace tavlo {

struct DemoPasswords {
    static constexpr const char* supervisor = "super";  // PS10:DATEPASS
    static constexpr const char* operator1 = "anna";    // operator 001
    static constexpr const char* operator2 = "ben";     // operator 002
};

// Fills folder (created when missing) with the demo data. Refuses, with a reason in *error, a
// folder that already holds a table file, so that no shop's data is ever overwritten.
bool fillDemoData(const std::filesystem::path& folder, std::string* error);

}  // namespace tavlo
