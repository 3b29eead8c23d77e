#include "data/demo_data.h"

#include <chrono>

#include "data/file_manager.h"

namespace tavlo {

namespace {

using namespace std::chrono_literals;

struct Account {
    std::uint16_t number;
    const char* classCode;
    const char* description;
    std::uint16_t trading;
    std::uint8_t tradingType;
    const char* accountType;  // PA10:ACCOUNTTYPE; "11" marks a debtor
};

// Sales accounts are class "A" (the slip prints those rows), assets "B", debtors "D", control
// accounts "F", VAT "I".
const Account kAccounts[] = {
    {1000, "A", "Sales - Groceries", 1, 4, "0"},
    {1100, "A", "Sales - Hardware", 2, 4, "0"},
    {1200, "A", "Sales - Services", 0, 0, "0"},
    {2000, "B", "Stock - Groceries", 1, 1, "0"},
    {2100, "B", "Stock - Hardware", 2, 1, "0"},
    {4900, "F", "Rounding discount", 0, 0, "0"},
    {8200, "D", "J. Botha", 0, 0, "11"},
    {8201, "D", "Mokoena Builders", 0, 0, "11"},
    {8400, "F", "Cash control", 0, 0, "0"},
    {8410, "F", "Card control", 0, 0, "0"},
    {9500, "I", "VAT control", 0, 0, "0"},
    {9510, "I", "VAT rebate control", 0, 0, "0"},
};

struct Item {
    const char* code;
    const char* description;
    std::uint16_t asset;  // 0 for a non-stock item
    std::uint16_t salesAccount;
    const char* vatCode;
    const char* vatStatus;  // "I" price includes VAT
    const char* price;
    const char* unit;
};

const Item kItems[] = {
    {"COKE", "Cola 340ml can", 2000, 0, "01", "I", "11.50", "can"},
    {"BREAD", "White bread 700g", 2000, 0, "01", "E", "20.00", "loaf"},
    {"MILK", "Fresh milk 1l", 2000, 0, "00", "I", "9.99", "bottle"},
    {"EGGS", "Eggs large x6", 2000, 0, "00", "I", "24.95", "box"},
    {"COFFEE", "Filter coffee 250g", 2000, 0, "01", "I", "64.99", "pack"},
    {"HAMMER", "Claw hammer 450g", 2100, 0, "01", "I", "189.00", "each"},
    {"NAILS", "Wire nails 75mm 1kg", 2100, 0, "01", "E", "45.50", "kg"},
    {"DIESEL", "Diesel per litre", 2100, 0, "R1", "I", "21.30", "litre"},
    {"DELIVERY", "Delivery fee", 0, 1200, "01", "I", "50.00", "trip"},
    {"SERVICE", "Workshop labour per hour", 0, 1200, "01", "E", "350.00", "hour"},
};

template <class T, class F>
bool put(Context& ctx, F fill, std::string* error) {
    auto& f = ctx.access<T>();
    f.clearBuffer();
    fill(f.rec);
    if (f.add() == ErrNone) return true;
    *error = T::table().label + ": " + f.errorText();
    return false;
}

}  // namespace

bool fillDemoData(const std::filesystem::path& folder, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder)) {
        *error = "cannot make the folder " + folder.string();
        return false;
    }
    for (const TableDef* t : dictionaryTables())
        if (std::filesystem::exists(folder / t->diskFile())) {
            *error = folder.string() + " already holds " + t->diskFile() + "; the demo data goes into an empty folder";
            return false;
        }

    Context ctx(folder);
    for (const TableDef* t : dictionaryTables()) ctx.access(*t).Open();
    bool ok = true;
    auto step = [&](bool b) { ok = ok && b; };

    step(put<PQXA40>(ctx, [](PQXA40& r) { r.TRADACCNUMBER = 1; r.TRADDESC = "Groceries"; }, error));
    step(put<PQXA40>(ctx, [](PQXA40& r) { r.TRADACCNUMBER = 2; r.TRADDESC = "Hardware"; }, error));
    for (const Account& a : kAccounts)
        step(put<PQXA10>(ctx, [&](PQXA10& r) {
            r.ACCNUMBER = a.number;
            r.ACCCODE = a.number;
            r.CLASSCODE = a.classCode;
            r.ACCDESC = a.description;
            r.TRADACCNUMBER = a.trading;
            r.TRADTYPENUMBER = a.tradingType;
            r.ACCOUNTTYPE = Decimal::of(a.accountType);
        }, error));
    step(put<PQXC10>(ctx, [](PQXC10& r) {
        r.ACCNUMBER = 8200;
        r.ADDNUMBER = 1;
        r.ACCOUNTTYPE = 11;
        r.DEBCREDNAME = "Johan Botha";
        r.ADD1 = "12 Kerkstraat";
        r.ADD2 = "Stellenbosch";
        r.POSTCODE = "7600";
        r.TELENUMBER = "021 555 0101";
        r.CREDITLIMIT = Decimal::of("5000.00");
        r.PRINTLANGUAGE = "A";
    }, error));
    step(put<PQXC10>(ctx, [](PQXC10& r) {
        r.ACCNUMBER = 8201;
        r.ADDNUMBER = 2;
        r.ACCOUNTTYPE = 11;
        r.DEBCREDNAME = "Mokoena Builders (Pty) Ltd";
        r.ADD1 = "4 Industrial Road";
        r.ADD2 = "Paarl";
        r.POSTCODE = "7646";
        r.CONTACTPERSON = "T. Mokoena";
        r.CREDITLIMIT = Decimal::of("20000.00");
        r.HOLDACCOUNT = 1;  // on hold: the till shows it
        r.PRINTLANGUAGE = "E";
    }, error));
    step(put<PQXV01>(ctx, [](PQXV01& r) {
        r.VATCODE = "01";
        r.VATDESCRIPTION = "Standard rate";
        r.ACCNUMBER = 9500;
        r.VATRATE = Decimal::of("15.0");
        r.LASTVATRATE = Decimal::of("15.0");
    }, error));
    step(put<PQXV01>(ctx, [](PQXV01& r) {
        r.VATCODE = "00";
        r.VATDESCRIPTION = "Zero rated";
        r.ACCNUMBER = 9500;
    }, error));
    step(put<PQXV01>(ctx, [](PQXV01& r) {
        r.VATCODE = "R1";
        r.REBATE = 1;
        r.VATDESCRIPTION = "Fuel rebate";
        r.ACCNUMBER = 9510;
        r.VATRATE = Decimal::of("15.0");
        r.LASTVATRATE = Decimal::of("15.0");
    }, error));
    step(put<PQXA30>(ctx, [](PQXA30& r) { r.ACCNUMBER = 2000; r.ASSETDESC = "Groceries stock"; r.TRADACCNUMBER = 1; }, error));
    step(put<PQXA30>(ctx, [](PQXA30& r) { r.ACCNUMBER = 2100; r.ASSETDESC = "Hardware stock"; r.TRADACCNUMBER = 2; }, error));
    for (const Item& i : kItems)
        step(put<PQXA301>(ctx, [&](PQXA301& r) {
            r.ACCNUMBER = i.asset;
            r.ITEMCODE = i.code;
            r.ITEMDESC = i.description;
            r.NOTSTOCKITEM = i.asset == 0 ? 1 : 0;
            r.SALESACCOUNT = i.salesAccount;
            r.VATCODE = i.vatCode;
            r.VATSTATUS = i.vatStatus;
            r.SELLINGPRICE = Decimal::of(i.price);
            r.POSSELLINGPRICE = Decimal::of(i.price);
            r.UNITDESC = i.unit;
            r.STOCKONHAND = i.asset == 0 ? 0.0f : 100.0f;
        }, error));
    step(put<PQXC11>(ctx, [](PQXC11& r) { r.CLIENTNO = 1; r.NAME = "Walk-in tab"; }, error));
    step(put<PQXC11>(ctx, [](PQXC11& r) { r.CLIENTNO = 2; r.NAME = "Smit family"; }, error));
    step(put<PQXS10>(ctx, [](PQXS10& r) {
        r.SPECNUMBER = 1;
        r.USERNAME = "Kwikstop Kafee";
        r.INVOICEPREFIX = "INV";
        r.CREDITNOTEPREFIX = "CRN";
        r.RECEIPTPREFIX = "REC";
        r.DATEPASS = DemoPasswords::supervisor;
        r.POSACCNUMBER = 8400;
        r.POSDIRECTACC = 8410;
        r.POSDISCACC = 4900;
    }, error));
    step(put<PQXO10>(ctx, [](PQXO10& r) { r.OPERATORNO = "001"; r.NAME = "Anna Venter"; r.PASSWORD = DemoPasswords::operator1; }, error));
    step(put<PQXO10>(ctx, [](PQXO10& r) { r.OPERATORNO = "002"; r.NAME = "Ben Dlamini"; r.PASSWORD = DemoPasswords::operator2; }, error));
    step(put<PACS10>(ctx, [](PACS10& r) {
        r.USERNUMBER = 1;
        r.USERNAME = "Kwikstop Kafee";
        r.ADDRESS1 = "8 Dorpstraat";
        r.ADDRESS2 = "Stellenbosch";
        r.ADDRESS3 = "7600";
        r.COMPREGNO = "2019/123456/07";
        r.VATREGISTRATIONNO = "4123456789";
        r.TELNUMBER = "021 555 0100";
        r.FAXNUMBER = "021 555 0199";
        r.SMALLCOIN = Decimal::of("0.05");
        r.CASHFLOAT = Decimal::of("500.00");
        r.PREFIX = "A";
        r.DISCOUNT = Decimal::of("10.00");
        r.DEFAULTEMAIL = "till@kwikstop.example";
    }, error));
    // The working and posted tables start empty.
    for (const TableDef* t : dictionaryTables()) ctx.access(*t).records();
    return ok;
}

}  // namespace tavlo
