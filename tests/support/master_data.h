#pragma once
// Master data for tests and benchmarks: accounts, VAT codes, items, the till's specification,
// the company, operators and cash clients, stored through the storage in one transaction. Each
// adder fills what a till reads and returns the record for whatever else a test needs.
#include <deque>
#include <string>

#include "data/file_manager.h"

namespace tavlo::support {

class MasterData {
public:
    PQXA10& account(std::uint16_t number, const std::string& classCode, const std::string& description, int type = 0);
    // rate as written: "15.0"
    PQXV01& vat(const std::string& code, const std::string& rate, std::uint16_t account);
    // A non-stock item sold on salesAccount; vatStatus "I" when the price includes VAT, "E" when not.
    PQXA301& item(const std::string& code, const std::string& description, const std::string& price,
                  const std::string& vatCode, const std::string& vatStatus, std::uint16_t salesAccount);
    // The specification record: the till's cash, card and discount accounts.
    PQXS10& till(std::uint16_t cashAccount, std::uint16_t cardAccount, std::uint16_t discountAccount = 0);
    PACS10& company(const std::string& name, const std::string& prefix, std::uint32_t lastDocNr);
    PQXO10& cashier(const std::string& number, const std::string& name, const std::string& password);
    PQXC11& cashClient(std::uint32_t number, const std::string& name);

    // Stores every record in one transaction; "" when all were stored, else what was not.
    std::string store(Context& ctx) const;

private:
    std::deque<PQXA10> accounts_;
    std::deque<PQXV01> vatCodes_;
    std::deque<PQXA301> items_;
    std::deque<PQXS10> specs_;
    std::deque<PACS10> companies_;
    std::deque<PQXO10> cashiers_;
    std::deque<PQXC11> clients_;
};

}  // namespace tavlo::support
