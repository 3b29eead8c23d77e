#pragma once
// Sample data for the slip and cash-up tests: a company, items, accounts, a debtor, operators,
// and documents posted the way the till posts them (header, item and VAT rows, control row).
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/file_manager.h"
#include "test_runtime.h"
#include "report_tools.h"
#include "reports/report_output.h"
#include "state/globals.h"
#include "util/date.h"

namespace tavlo::report::testing {

using support::RecordingPreviewer;

struct SaleLine {
    std::string itemCode;
    std::string qty;     // "2"
    std::string amount;  // line amount without VAT ("20.00")
    std::string vat;     // "3.00"; "0" or "" for a line without a VAT code
    std::string classCode = "A";
};

struct Sale {
    std::uint32_t docNumber = 1234;
    int tranType = 5;
    int payMethod = 1;
    bool creditNote = false;
    std::string operatorNo = "OP1";
    std::uint16_t account = 0;  // control account; 0: the till's account for the tender
    std::string orderNo;
    DayNumber date = dayNumber(2024, 3, 15);
    std::string time = "14:32";
    std::vector<SaleLine> lines;
};

constexpr std::uint16_t kSalesAccount = 1000;
constexpr std::uint16_t kVatAccount = 9500;
constexpr std::uint16_t kTillAccount = 8400;
constexpr std::uint16_t kCardAccount = 8410;
constexpr std::uint16_t kDebtorAccount = 6001;

class SlipFixture : public ::testing::Test {
protected:
    void SetUp() override {
        // A fresh data folder each time, so a test may start over with SetUp.
        data_ = folder_ / ("data" + std::to_string(++runs_));
        std::filesystem::create_directories(data_);
        ctx_ = std::make_unique<Context>(data_);
        ctx_->OPERATOR = "OP1";
        detail_ = 0;
        previewer_.shown.clear();
        previewer_.failure.reset();
        for (const TableDef* t : {&PACS10::table(), &PQXA301::table(), &PQXA10::table(), &PQXC10::table(), &PQXO10::table(),
                                  &PQXT20::table(), &PQXT21::table()})
            ctx_->access(*t).Open();
    }
    void TearDown() override { ctx_.reset(); }

    void company(const std::string& prefix = "AB ") {
        auto& cs = ctx_->access<PACS10>();
        cs.clearBuffer();
        cs.rec.USERNUMBER = 1;
        cs.rec.USERNAME = "Corner Cafe & Deli";
        cs.rec.ADDRESS1 = "1 Church Street";
        cs.rec.ADDRESS2 = "Central";
        cs.rec.ADDRESS3 = "Springs";
        cs.rec.TELNUMBER = "011 555 1234";
        cs.rec.FAXNUMBER = "011 555 9999";
        cs.rec.VATREGISTRATIONNO = "4123456789";
        cs.rec.PREFIX = prefix;
        cs.rec.CASHFLOAT = Decimal::of("150.00");
        ASSERT_EQ(cs.add(), ErrNone) << cs.errorText();
    }

    void item(const std::string& code, const std::string& desc, const char* price) {
        auto& a = ctx_->access<PQXA301>();
        a.clearBuffer();
        a.rec.ITEMCODE = code;
        a.rec.ITEMDESC = desc;
        a.rec.POSSELLINGPRICE = Decimal::of(price);
        a.rec.SALESACCOUNT = kSalesAccount;
        ASSERT_EQ(a.add(), ErrNone) << a.errorText();
    }

    void account(std::uint16_t number, const std::string& classCode, const std::string& desc, int type = 0) {
        auto& a = ctx_->access<PQXA10>();
        a.clearBuffer();
        a.rec.ACCNUMBER = number;
        a.rec.CLASSCODE = classCode;
        a.rec.ACCCODE = number;
        a.rec.ACCDESC = desc;
        a.rec.ACCOUNTTYPE = Decimal(type);
        ASSERT_EQ(a.add(), ErrNone) << a.errorText();
    }

    void debtor(std::uint16_t number, const std::string& add1, const std::string& add2, const std::string& add3,
                const std::string& postCode, const std::string& vatNo) {
        auto& c = ctx_->access<PQXC10>();
        c.clearBuffer();
        c.rec.ACCNUMBER = number;
        c.rec.ADDNUMBER = number;
        c.rec.DEBCREDNAME = "Smith Traders";
        c.rec.ADD1 = add1;
        c.rec.ADD2 = add2;
        c.rec.ADD3 = add3;
        c.rec.POSTCODE = postCode;
        c.rec.VATREGISTRATIONNUMBER = vatNo;
        ASSERT_EQ(c.add(), ErrNone) << c.errorText();
    }

    void operatorRecord(const std::string& number, const std::string& name) {
        auto& o = ctx_->access<PQXO10>();
        o.clearBuffer();
        o.rec.OPERATORNO = number;
        o.rec.NAME = name;
        ASSERT_EQ(o.add(), ErrNone) << o.errorText();
    }

    // The shop every test starts from: company, accounts, items, a debtor, two operators.
    void shop() {
        company();
        account(kSalesAccount, "A", "Sales");
        account(kVatAccount, "I", "VAT Control");
        account(kTillAccount, "B", "Till");
        account(kCardAccount, "B", "Card Clearing");
        account(kDebtorAccount, "D", "Smith Traders", 11);
        item("BREAD", "Brown bread", "11.50");
        item("MILK", "Full cream milk 2l", "28.99");
        debtor(kDebtorAccount, "12 Main Road", "", "Springs", "1559", "4999999999");
        operatorRecord("OP1", "Anna Smit");
        operatorRecord("OP2", "Ben Jacobs");
    }

    // Writes a document as posting does: per line an item row (and a VAT row), then the
    // control row; the header carries the totals.
    void post(const Sale& sale) {
        auto& t20 = ctx_->access<PQXT20>();
        auto& t21 = ctx_->access<PQXT21>();
        const std::uint16_t control =
            sale.account ? sale.account : (sale.payMethod == 2 ? kCardAccount : sale.payMethod == 4 ? kDebtorAccount : kTillAccount);
        Decimal amount, vat;
        auto row = [&](const std::string& classCode, std::uint16_t acc, const std::string& itemCode, const Decimal& qty,
                       const Decimal& value, const Decimal& vatAmount, const std::string& vatCode, int status) {
            t21.clearBuffer();
            t21.rec.DOCUMENTNO = sale.docNumber;
            t21.rec.TRANSDATE = sale.date;
            t21.rec.CLASSCODE = classCode;
            t21.rec.ACCNUMBER = acc;
            t21.rec.REFERENCE1 = "AB" + std::to_string(sale.docNumber);
            t21.rec.REFERENCE2 = status == 1 && classCode == "I" ? "" : sale.operatorNo;
            t21.rec.QTY = qty;
            t21.rec.ITEMCODE = itemCode;
            (sale.creditNote ? t21.rec.DEBIT : t21.rec.CREDIT) = value;
            t21.rec.VATAMOUNT = vatAmount;
            t21.rec.VATCODE = vatCode;
            t21.rec.RECORDSTATUS = static_cast<std::uint8_t>(status);
            t21.rec.DETAILNUMBER = ++detail_;
            ASSERT_EQ(t21.add(), ErrNone) << t21.errorText();
        };
        for (const SaleLine& line : sale.lines) {
            const Decimal value = Decimal::of(line.amount);
            const Decimal lineVat = line.vat.empty() ? Decimal(0) : Decimal::of(line.vat);
            const std::string vatCode = lineVat.isZero() ? "" : "01";
            row(line.classCode, kSalesAccount, line.itemCode, Decimal::of(line.qty), value, lineVat, vatCode, 0);
            amount += value;
            if (!vatCode.empty()) {
                row("I", kVatAccount, "", Decimal(0), lineVat, Decimal(0), "", 1);
                amount += lineVat;
                vat += lineVat;
            }
        }
        // The control row takes the other side of the whole amount.
        t21.clearBuffer();
        t21.rec.DOCUMENTNO = sale.docNumber;
        t21.rec.TRANSDATE = sale.date;
        t21.rec.CLASSCODE = control == kDebtorAccount ? "D" : "B";
        t21.rec.ACCNUMBER = control;
        t21.rec.REFERENCE2 = sale.operatorNo;
        (sale.creditNote ? t21.rec.CREDIT : t21.rec.DEBIT) = amount;
        t21.rec.RECORDSTATUS = 1;
        t21.rec.DETAILNUMBER = ++detail_;
        ASSERT_EQ(t21.add(), ErrNone) << t21.errorText();

        t20.clearBuffer();
        t20.rec.DOCUMENTNO = sale.docNumber;
        t20.rec.TRANTYPENUMBER = static_cast<std::uint16_t>(sale.tranType);
        t20.rec.ACCNUMBER = control;
        t20.rec.TRANSDATE = sale.date;
        t20.rec.REFERENCE1 = "AB" + std::to_string(sale.docNumber);
        t20.rec.REFERENCE2 = sale.orderNo;
        t20.rec.TRANDESC = "Point of Sale";
        t20.rec.AMOUNT = amount;
        t20.rec.VAT = vat;
        t20.rec.NOOFENTRIES = static_cast<std::uint16_t>(sale.lines.size() * 2 + 1);
        t20.rec.PAYMETHOD = static_cast<std::uint8_t>(sale.payMethod);
        t20.rec.TRANTIME = sale.time;
        ASSERT_EQ(t20.add(), ErrNone) << t20.errorText();
    }

    // A debtor's payment: a header of type 10 whose rows carry no operator.
    void debtorPayment(std::uint32_t docNumber, const char* amount, int payMethod = 1) {
        auto& t20 = ctx_->access<PQXT20>();
        auto& t21 = ctx_->access<PQXT21>();
        t21.clearBuffer();
        t21.rec.DOCUMENTNO = docNumber;
        t21.rec.CLASSCODE = "D";
        t21.rec.ACCNUMBER = kDebtorAccount;
        t21.rec.CREDIT = Decimal::of(amount);
        t21.rec.DETAILNUMBER = ++detail_;
        ASSERT_EQ(t21.add(), ErrNone);
        t20.clearBuffer();
        t20.rec.DOCUMENTNO = docNumber;
        t20.rec.TRANTYPENUMBER = 10;
        t20.rec.ACCNUMBER = kTillAccount;
        t20.rec.AMOUNT = Decimal::of(amount);
        t20.rec.PAYMETHOD = static_cast<std::uint8_t>(payMethod);
        ASSERT_EQ(t20.add(), ErrNone);
    }

    // The one slip sale most tests use: two of BREAD at 11.50 with VAT, 23.00 in all.
    static Sale breadSale() {
        Sale s;
        s.lines = {{"BREAD", "2", "20.00", "3.00"}};
        return s;
    }

    const std::vector<std::string> pageTexts(std::size_t output = 0, std::size_t page = 0) const {
        if (output >= previewer_.shown.size() || page >= previewer_.shown[output].pages.size()) return {};
        return previewer_.shown[output].pages[page].texts();
    }
    bool shows(const std::string& text, std::size_t output = 0) const {
        for (const std::string& t : pageTexts(output))
            if (t == text) return true;
        return false;
    }
    // The text on the first page; a missing text fails the test and reads as an empty op.
    const TextOp* find(const std::string& text, std::size_t output = 0) const {
        const TextOp* op = nullptr;
        if (output < previewer_.shown.size() && !previewer_.shown[output].pages.empty())
            op = previewer_.shown[output].pages[0].findText(text);
        if (op) return op;
        ADD_FAILURE() << "no text \"" << text << "\" on the page";
        static const TextOp missing{.x = -1, .y = -1, .width = 0, .height = 0, .text = {}, .font = {}};
        return &missing;
    }

    support::TempFolder folder_;
    std::filesystem::path data_;
    int runs_ = 0;
    FixedClock clock_{dayNumber(2024, 3, 15), 14 * 360000 + 32 * 6000};
    RecordingPreviewer previewer_;
    support::ProgramStateGuard state_{{.clock = &clock_, .previewer = &previewer_}};
    TestRuntime runtime_;
    std::unique_ptr<Context> ctx_;
    std::uint32_t detail_ = 0;
};

}  // namespace tavlo::report::testing
