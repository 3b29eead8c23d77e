#pragma once
// Sample data for the slip and cash-up tests: a company, items, accounts, a debtor, operators,
// and sales and debtor payments posted through the till's and the payment's own routines.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/file_manager.h"
#include "data/master_data.h"
#include "debtors/debtor_posting.h"
#include "pos/sale_line.h"
#include "pos/till_state.h"
#include "test_runtime.h"
#include "report_tools.h"
#include "reports/report_output.h"
#include "state/globals.h"
#include "util/date.h"

namespace tavlo::report::testing {

using support::RecordingPreviewer;

constexpr std::uint16_t kSalesAccount = 1000;
constexpr std::uint16_t kVatAccount = 9500;
constexpr std::uint16_t kTillAccount = 8400;
constexpr std::uint16_t kCardAccount = 8410;
constexpr std::uint16_t kDebtorAccount = 6001;

struct SaleLine {
    std::string itemCode;
    std::string qty;     // "2"
    std::string amount;  // line amount without VAT ("20.00")
    std::string vat;     // "3.00"; "0" or "" for a line without a VAT code
    std::uint16_t account = kSalesAccount;  // the sales account, whose class code the row takes
};

struct Sale {
    std::uint32_t docNumber = 1234;
    int tranType = 5;  // what the till makes of the tender and credit note, checked on posting
    int payMethod = 1;
    bool creditNote = false;
    std::string operatorNo = "OP1";
    std::uint16_t account = 0;  // control account; 0: the till's account for the tender
    std::string orderNo;
    DayNumber date = dayNumber(2024, 3, 15);  // the time is the fixture clock's, 14:32
    // What it was settled with: the cash rounding (which the till posts as a document of its own
    // under the next number), paid and change, as kept in the history.
    std::string rounding = "0", paid = "0", change = "0";
    std::vector<SaleLine> lines;
};

class SlipFixture : public ::testing::Test {
protected:
    void SetUp() override {
        // A fresh data folder each time, so a test may start over with SetUp.
        data_ = folder_ / ("data" + std::to_string(++runs_));
        std::filesystem::create_directories(data_);
        ctx_ = std::make_unique<Context>(data_);
        ctx_->OPERATOR = "OP1";
        previewer_.shown.clear();
        previewer_.failure.reset();
        for (const TableDef* t : {&PACS10::table(), &PQXA301::table(), &PQXA10::table(), &PQXC10::table(), &PQXO10::table(),
                                  &PQXT20::table(), &PQXT21::table()})
            ctx_->access(*t).Open();
        // What the till posts with: its accounts for the tenders and the VAT code of its lines.
        MasterData till;
        till.till(kTillAccount, kCardAccount);
        vat_ = till.vat("01", "15.0", kVatAccount);
        store(till);
    }
    void TearDown() override { ctx_.reset(); }

    void store(const MasterData& data) { ASSERT_EQ(data.store(*ctx_), ""); }
    void company(const std::string& prefix = "AB ") {
        MasterData data;
        PACS10& c = data.company("Corner Cafe & Deli", prefix, 0);
        c.ADDRESS1 = "1 Church Street";
        c.ADDRESS2 = "Central";
        c.ADDRESS3 = "Springs";
        c.TELNUMBER = "011 555 1234";
        c.FAXNUMBER = "011 555 9999";
        c.VATREGISTRATIONNO = "4123456789";
        c.CASHFLOAT = Decimal::of("150.00");
        store(data);
    }
    void account(std::uint16_t number, const std::string& classCode, const std::string& desc, int type = 0) {
        MasterData data;
        data.account(number, classCode, desc, type);
        store(data);
    }
    void debtor(std::uint16_t number, const std::string& add1, const std::string& add2, const std::string& add3,
                const std::string& postCode, const std::string& vatNo) {
        MasterData data;
        PQXC10& d = data.debtor(number, "Smith Traders");
        d.ADD1 = add1;
        d.ADD2 = add2;
        d.ADD3 = add3;
        d.POSTCODE = postCode;
        d.VATREGISTRATIONNUMBER = vatNo;
        store(data);
    }
    void operatorRecord(const std::string& number, const std::string& name) {
        MasterData data;
        data.cashier(number, name, "");
        store(data);
    }

    // The shop every test starts from: company, accounts, items, a debtor, two operators.
    void shop() {
        company();
        MasterData data;
        data.account(kSalesAccount, "A", "Sales");
        data.account(kVatAccount, "I", "VAT Control");
        data.account(kTillAccount, "B", "Till");
        data.account(kCardAccount, "B", "Card Clearing");
        data.account(kDebtorAccount, "D", "Smith Traders", 11);
        data.item("BREAD", "Brown bread", "11.50", "01", "I", kSalesAccount);
        data.item("MILK", "Full cream milk 2l", "28.99", "01", "I", kSalesAccount);
        store(data);
        debtor(kDebtorAccount, "12 Main Road", "", "Springs", "1559", "4999999999");
        operatorRecord("OP1", "Anna Smit");
        operatorRecord("OP2", "Ben Jacobs");
    }

    // Posts the sale through the till: its lines rung up as working lines (each at the price that
    // makes its amount, as a supervisor may set it, VAT-coded 01 when it carries VAT), then
    // Finished under the sale's operator, tender and date, with the company counter set so that
    // the document gets the sale's number.
    void post(const Sale& sale) {
        ASSERT_LE(sale.operatorNo.size(), static_cast<std::size_t>(PQXV60::Size::OPERATORNO.bytes)) << "longer than an operator number";
        const FixedString<3> loggedIn = ctx_->OPERATOR;
        ctx_->OPERATOR = sale.operatorNo;
        clock_.set(sale.date, clock_.now());
        counter(sale.docNumber - 1);
        TillState till(*ctx_);
        if (!till.Open()) FAIL() << "the till did not open";
        TillLocals& L = till.LOC;
        L.PAYMENT = static_cast<std::uint8_t>(sale.payMethod);
        L.CASH = sale.payMethod == 4 ? 0 : 1;
        L.CREDIT = sale.payMethod == 4 ? 1 : 0;
        L.CREDITNOTE = sale.creditNote ? 1 : 0;
        L.DEBTOR = sale.payMethod == 4 ? (sale.account ? sale.account : kDebtorAccount) : 0;
        L.ORDERNO = sale.orderNo;
        if (sale.account && sale.payMethod != 4) (sale.payMethod == 2 ? till.S10.POSDIRECTACC : till.S10.POSACCNUMBER) = sale.account;
        auto& v60 = ctx_->access<PQXV60>();
        auto& a301 = ctx_->access<PQXA301>();
        for (const SaleLine& l : sale.lines) {
            const Decimal qty = Decimal::of(l.qty), amount = Decimal::of(l.amount);
            const bool taxed = !l.vat.empty() && !Decimal::of(l.vat).isZero();
            const LineAmounts a = computeLine(qty, fitField(amount / qty, PQXV60::Size::SELLINGPRICE), Decimal(0), false,
                                              taxed ? vat_ : PQXV01{}, "E");
            ASSERT_EQ(a.debit, amount) << l.itemCode << ": no price makes this amount";
            ASSERT_EQ(a.vat, taxed ? Decimal::of(l.vat) : Decimal(0)) << l.itemCode << ": the till computes other VAT";
            a301.clearBuffer();
            a301.rec.ITEMCODE = l.itemCode;
            if (a301.get(PA301::ItemCodeKey) != ErrNone) a301.clearBuffer();
            v60.clearBuffer();
            PQXV60& r = v60.rec;
            r.SALESNUMBER = L.SALESNUMBER;
            r.TRANSDATE = r.VATDATE = today();
            r.ITEMCODE = l.itemCode;
            r.DESCRIPTION = a301.rec.ITEMDESC;
            r.QTY = qty;
            r.SELLINGPRICE = fitField(amount / qty, PQXV60::Size::SELLINGPRICE);
            r.DEBIT = a.debit;
            r.VATAMOUNT = a.vat;
            r.NETTAMOUNT = a.nett;
            r.ACCNUMBER = l.account;
            r.VATCODE = taxed ? vat_.VATCODE : "";
            r.VATSTATUS = a.vatStatus;
            r.ASSETTRANSACTION = r.ITEMSTATUS = 2;
            r.OPERATORNO = ctx_->OPERATOR.str();
            ASSERT_EQ(v60.add(), ErrNone) << v60.errorText();
            L.TOTALAMOUNT += a.nett;
        }
        L.VERSKIL = Decimal::of(sale.rounding) * Decimal(100);  // whole cents while the sale is open
        L.PAID = Decimal::of(sale.paid);
        L.CHANGE = Decimal::of(sale.change);
        if (!till.Finished()) FAIL() << "the till did not post the sale";
        ctx_->OPERATOR = loggedIn;
        auto& t20 = ctx_->access<PQXT20>();
        t20.clearBuffer();
        t20.rec.DOCUMENTNO = sale.docNumber;
        ASSERT_EQ(t20.get(PT20::DocumentNoKey), ErrNone) << "the sale was not posted as " << sale.docNumber;
        EXPECT_EQ(t20.rec.TRANTYPENUMBER, sale.tranType) << "the till gives this sale another transaction type";
    }

    // A debtor's payment as the Debtor Payment window posts it: its rows carry no operator.
    void debtorPayment(std::uint32_t docNumber, const char* amount, int payMethod = 1) {
        counter(docNumber - 1);
        const DebtorPaymentPosted posted =
            postDebtorPayment(*ctx_, {kDebtorAccount, static_cast<std::uint8_t>(payMethod), Decimal::of(amount)});
        ASSERT_TRUE(posted.ok()) << posted.error;
        EXPECT_EQ(posted.documentNo, docNumber);
    }

    // The company counter: the next document takes the number after it. The till adds a company
    // record when it finds none; so does this.
    void counter(std::uint32_t lastDocNr) {
        auto& cs = ctx_->access<PACS10>();
        cs.clearBuffer();
        cs.SetFileOrder();
        const bool found = cs.next() == ErrNone;
        if (!found) cs.clearBuffer();
        cs.rec.LASTDOCNR = lastDocNr;
        ASSERT_EQ(found ? cs.put() : cs.add(), ErrNone) << cs.errorText();
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
    PQXV01 vat_;  // the VAT code the till's lines carry
};

}  // namespace tavlo::report::testing
