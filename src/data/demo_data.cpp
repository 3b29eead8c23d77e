#include "data/demo_data.h"

#include "data/master_data.h"

namespace tavlo {

namespace {

struct Account {
    std::uint16_t number;
    const char* classCode;
    const char* description;
    std::uint16_t trading;
    std::uint8_t tradingType;
    int type;  // PA10:ACCOUNTTYPE; 11 marks a debtor
};

// Sales accounts are class "A" (the slip prints those rows), assets "B", debtors "D", control
// accounts "F", VAT "I".
const Account kAccounts[] = {
    {1000, "A", "Sales - Groceries", 1, 4, 0},
    {1100, "A", "Sales - Hardware", 2, 4, 0},
    {1200, "A", "Sales - Services", 0, 0, 0},
    {2000, "B", "Stock - Groceries", 1, 1, 0},
    {2100, "B", "Stock - Hardware", 2, 1, 0},
    {4900, "F", "Rounding discount", 0, 0, 0},
    {8200, "D", "J. Botha", 0, 0, 11},
    {8201, "D", "Mokoena Builders", 0, 0, 11},
    {8400, "F", "Cash control", 0, 0, 0},
    {8410, "F", "Card control", 0, 0, 0},
    {9500, "I", "VAT control", 0, 0, 0},
    {9510, "I", "VAT rebate control", 0, 0, 0},
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

    MasterData data;
    data.tradingAccount(1, "Groceries");
    data.tradingAccount(2, "Hardware");
    for (const Account& a : kAccounts) {
        PQXA10& r = data.account(a.number, a.classCode, a.description, a.type);
        r.TRADACCNUMBER = a.trading;
        r.TRADTYPENUMBER = a.tradingType;
    }
    PQXC10& botha = data.debtor(8200, "Johan Botha");
    botha.ADDNUMBER = 1;
    botha.ADD1 = "12 Kerkstraat";
    botha.ADD2 = "Stellenbosch";
    botha.POSTCODE = "7600";
    botha.TELENUMBER = "021 555 0101";
    botha.CREDITLIMIT = Decimal::of("5000.00");
    botha.PRINTLANGUAGE = "A";
    PQXC10& mokoena = data.debtor(8201, "Mokoena Builders (Pty) Ltd");
    mokoena.ADDNUMBER = 2;
    mokoena.ADD1 = "4 Industrial Road";
    mokoena.ADD2 = "Paarl";
    mokoena.POSTCODE = "7646";
    mokoena.CONTACTPERSON = "T. Mokoena";
    mokoena.CREDITLIMIT = Decimal::of("20000.00");
    mokoena.HOLDACCOUNT = 1;  // on hold: the till shows it
    mokoena.PRINTLANGUAGE = "E";
    PQXV01& standard = data.vat("01", "15.0", 9500);
    standard.VATDESCRIPTION = "Standard rate";
    standard.LASTVATRATE = standard.VATRATE;
    data.vat("00", "0", 9500).VATDESCRIPTION = "Zero rated";
    PQXV01& rebate = data.vat("R1", "15.0", 9510);
    rebate.REBATE = 1;
    rebate.VATDESCRIPTION = "Fuel rebate";
    rebate.LASTVATRATE = rebate.VATRATE;
    data.asset(2000, "Groceries stock", 1);
    data.asset(2100, "Hardware stock", 2);
    for (const Item& i : kItems) {
        PQXA301& r = i.asset ? data.stockItem(i.code, i.description, i.price, i.vatCode, i.vatStatus, i.asset)
                             : data.item(i.code, i.description, i.price, i.vatCode, i.vatStatus, i.salesAccount);
        r.SELLINGPRICE = r.POSSELLINGPRICE;
        r.UNITDESC = i.unit;
        r.STOCKONHAND = i.asset == 0 ? 0.0f : 100.0f;
    }
    data.cashClient(1, "Walk-in tab");
    data.cashClient(2, "Smit family");
    PQXS10& spec = data.till(8400, 8410, 4900);
    spec.USERNAME = "Kwikstop Kafee";
    spec.INVOICEPREFIX = "INV";
    spec.CREDITNOTEPREFIX = "CRN";
    spec.RECEIPTPREFIX = "REC";
    spec.DATEPASS = DemoPasswords::supervisor;
    data.cashier("001", "Anna Venter", DemoPasswords::operator1);
    data.cashier("002", "Ben Dlamini", DemoPasswords::operator2);
    PACS10& company = data.company("Kwikstop Kafee", "A", 0);
    company.ADDRESS1 = "8 Dorpstraat";
    company.ADDRESS2 = "Stellenbosch";
    company.ADDRESS3 = "7600";
    company.COMPREGNO = "2019/123456/07";
    company.VATREGISTRATIONNO = "4123456789";
    company.TELNUMBER = "021 555 0100";
    company.FAXNUMBER = "021 555 0199";
    company.SMALLCOIN = Decimal::of("0.05");
    company.CASHFLOAT = Decimal::of("500.00");
    company.DISCOUNT = Decimal::of("10.00");
    company.DEFAULTEMAIL = "till@kwikstop.example";

    Context ctx(folder);
    for (const TableDef* t : dictionaryTables()) ctx.access(*t).Open();
    if (std::string failed = data.store(ctx); !failed.empty()) {
        *error = failed;
        return false;
    }
    // The working and posted tables start empty.
    for (const TableDef* t : dictionaryTables()) ctx.access(*t).records();
    return true;
}

}  // namespace tavlo
