#include "data/master_data.h"

#include <chrono>
#include <tuple>
#include <type_traits>
#include <vector>

namespace tavlo {

using namespace std::chrono_literals;

PQXA10& MasterData::account(std::uint16_t number, const std::string& classCode, const std::string& description, int type) {
    PQXA10& a = accounts_.emplace_back();
    a.ACCNUMBER = number;
    a.ACCCODE = number;
    a.CLASSCODE = classCode;
    a.ACCDESC = description;
    a.ACCOUNTTYPE = Decimal(type);
    return a;
}

PQXA40& MasterData::tradingAccount(std::uint16_t number, const std::string& description) {
    PQXA40& t = tradingAccounts_.emplace_back();
    t.TRADACCNUMBER = number;
    t.TRADDESC = description;
    return t;
}

PQXA30& MasterData::asset(std::uint16_t account, const std::string& description, std::uint16_t tradingAccount) {
    PQXA30& a = assets_.emplace_back();
    a.ACCNUMBER = account;
    a.ASSETDESC = description;
    a.TRADACCNUMBER = tradingAccount;
    return a;
}

PQXV01& MasterData::vat(const std::string& code, const std::string& rate, std::uint16_t account) {
    PQXV01& v = vatCodes_.emplace_back();
    v.VATCODE = code;
    v.VATRATE = Decimal::of(rate);
    v.ACCNUMBER = account;
    v.VATDESCRIPTION = "VAT " + code;
    return v;
}

PQXA301& MasterData::item(const std::string& code, const std::string& description, const std::string& price,
                          const std::string& vatCode, const std::string& vatStatus, std::uint16_t salesAccount) {
    PQXA301& i = items_.emplace_back();
    i.ITEMCODE = code;
    i.ITEMDESC = description;
    i.POSSELLINGPRICE = Decimal::of(price);
    i.VATCODE = vatCode;
    i.VATSTATUS = vatStatus;
    i.NOTSTOCKITEM = 1;
    i.SALESACCOUNT = salesAccount;
    return i;
}

PQXA301& MasterData::stockItem(const std::string& code, const std::string& description, const std::string& price,
                               const std::string& vatCode, const std::string& vatStatus, std::uint16_t asset) {
    PQXA301& i = item(code, description, price, vatCode, vatStatus, 0);
    i.NOTSTOCKITEM = 0;
    i.ACCNUMBER = asset;
    return i;
}

PQXC10& MasterData::debtor(std::uint16_t account, const std::string& name) {
    PQXC10& d = debtors_.emplace_back();
    d.ACCNUMBER = account;
    d.ACCOUNTTYPE = 11;
    d.DEBCREDNAME = name;
    return d;
}

PQXC11& MasterData::cashClient(std::uint32_t number, const std::string& name) {
    PQXC11& c = clients_.emplace_back();
    c.CLIENTNO = number;
    c.NAME = name;
    return c;
}

PQXS10& MasterData::till(std::uint16_t cashAccount, std::uint16_t cardAccount, std::uint16_t discountAccount) {
    PQXS10& s = specs_.emplace_back();
    s.SPECNUMBER = 1;
    s.POSACCNUMBER = cashAccount;
    s.POSDIRECTACC = cardAccount;
    s.POSDISCACC = discountAccount;
    return s;
}

PACS10& MasterData::company(const std::string& name, const std::string& prefix, std::uint32_t lastDocNr) {
    PACS10& c = companies_.emplace_back();
    c.USERNUMBER = 1;
    c.USERNAME = name;
    c.PREFIX = prefix;
    c.LASTDOCNR = lastDocNr;
    return c;
}

PQXO10& MasterData::cashier(const std::string& number, const std::string& name, const std::string& password) {
    PQXO10& o = cashiers_.emplace_back();
    o.OPERATORNO = number;
    o.NAME = name;
    o.PASSWORD = password;
    return o;
}

namespace {

template <class T>
std::string storeAll(Context& ctx, const std::deque<T>& records) {
    auto& file = ctx.access<T>();
    if (!records.empty() && file.useCount() == 0) file.UseFile();
    for (const T& record : records) {
        file.rec = record;
        if (file.add() != ErrNone) return file.table().label + ": " + file.errorText();
    }
    return {};
}

}  // namespace

std::string MasterData::store(Context& ctx) const {
    const auto all = std::tie(accounts_, tradingAccounts_, assets_, vatCodes_, items_, debtors_, clients_, specs_, companies_,
                              cashiers_);
    std::vector<const TableDef*> tables;
    std::apply([&](const auto&... records) {
        ((records.empty() ? void() : tables.push_back(&std::decay_t<decltype(records)>::value_type::table())), ...);
    }, all);
    if (tables.empty()) return {};
    Transaction tx(ctx, tables, 5s);
    if (!tx.active()) return "no transaction: " + tx.errorText();
    std::string error;
    std::apply([&](const auto&... records) { ((error = error.empty() ? storeAll(ctx, records) : error), ...); }, all);
    if (!error.empty()) return error;  // the transaction rolls back
    return tx.commit() ? std::string() : "commit: " + tx.errorText();
}

}  // namespace tavlo
