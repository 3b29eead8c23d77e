#pragma once
// A shop's master data built in memory and stored in one transaction: accounts, trading accounts
// and assets, VAT codes, items, debtors and cash clients, the till's specification, the company
// and the operators. Each adder fills what the till reads and returns the record for whatever
// else its caller sets. The demo shop, the test fixtures and the benchmarks are built with it.
#include <deque>
#include <string>

#include "data/file_manager.h"

namespace tavlo {

class MasterData {
public:
    PQXA10& account(std::uint16_t number, const std::string& classCode, const std::string& description, int type = 0);
    PQXA40& tradingAccount(std::uint16_t number, const std::string& description);
    // A stock asset whose items sell through the trading account's income account.
    PQXA30& asset(std::uint16_t account, const std::string& description, std::uint16_t tradingAccount);
    // rate as written: "15.0"
    PQXV01& vat(const std::string& code, const std::string& rate, std::uint16_t account);
    // A non-stock item sold on salesAccount; vatStatus "I" when the price includes VAT, "E" when not.
    PQXA301& item(const std::string& code, const std::string& description, const std::string& price,
                  const std::string& vatCode, const std::string& vatStatus, std::uint16_t salesAccount);
    // A stock item held on an asset account (its sales account is found through the asset).
    PQXA301& stockItem(const std::string& code, const std::string& description, const std::string& price,
                       const std::string& vatCode, const std::string& vatStatus, std::uint16_t asset);
    // The details of a debtor's account (account type 11); the address number is given on storing.
    PQXC10& debtor(std::uint16_t account, const std::string& name);
    PQXC11& cashClient(std::uint32_t number, const std::string& name);
    // The specification record: the till's cash, card and discount accounts.
    PQXS10& till(std::uint16_t cashAccount, std::uint16_t cardAccount, std::uint16_t discountAccount = 0);
    PACS10& company(const std::string& name, const std::string& prefix, std::uint32_t lastDocNr);
    PQXO10& cashier(const std::string& number, const std::string& name, const std::string& password);

    // Stores every record, each table's in the order added, in one transaction; "" when all were
    // stored, else what was not (and nothing is).
    std::string store(Context& ctx) const;

private:
    std::deque<PQXA10> accounts_;
    std::deque<PQXA40> tradingAccounts_;
    std::deque<PQXA30> assets_;
    std::deque<PQXV01> vatCodes_;
    std::deque<PQXA301> items_;
    std::deque<PQXC10> debtors_;
    std::deque<PQXC11> clients_;
    std::deque<PQXS10> specs_;
    std::deque<PACS10> companies_;
    std::deque<PQXO10> cashiers_;
};

}  // namespace tavlo
