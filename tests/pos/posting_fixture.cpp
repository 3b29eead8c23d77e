#include "posting_fixture.h"

#include "data/storage.h"

#include <algorithm>
#include <chrono>

namespace tavlo::posting_test {

using namespace std::chrono_literals;

void useAllTables(Context& ctx) {
    for (const TableDef* t : dictionaryTables()) ctx.access(*t).UseFile();
}

namespace {

void addAccount(Context& ctx, std::uint16_t number, const std::string& cls, const std::string& desc, int type = 0) {
    auto& a10 = ctx.access<PQXA10>();
    a10.clearBuffer();
    a10.rec.ACCNUMBER = number;
    a10.rec.CLASSCODE = cls;
    a10.rec.ACCCODE = number;
    a10.rec.ACCDESC = desc;
    a10.rec.ACCOUNTTYPE = Decimal(type);
    ASSERT_EQ(a10.add(), ErrNone) << a10.errorText();
}

void addVat(Context& ctx, const std::string& code, const char* rate, std::uint16_t acc, bool rebate = false) {
    auto& v01 = ctx.access<PQXV01>();
    v01.clearBuffer();
    v01.rec.VATCODE = code;
    v01.rec.VATRATE = Decimal::of(rate);
    v01.rec.ACCNUMBER = acc;
    v01.rec.VATDESCRIPTION = "VAT " + code;
    if (rebate) {
        v01.rec.REBATE = 1;
        v01.rec.PERCENTAGE = Decimal::of("40");
        v01.rec.TARRIFF = Decimal::of("0.3750");
    }
    ASSERT_EQ(v01.add(), ErrNone) << v01.errorText();
}

void addItem(Context& ctx, const std::string& code, const std::string& desc, const char* price,
             const std::string& vatCode, const std::string& vatStatus, std::uint16_t ent, std::uint16_t salesAcc) {
    auto& a301 = ctx.access<PQXA301>();
    a301.clearBuffer();
    a301.rec.ITEMCODE = code;
    a301.rec.ITEMDESC = desc;
    a301.rec.ACCNUMBER = 3000;
    a301.rec.POSSELLINGPRICE = Decimal::of(price);
    a301.rec.VATCODE = vatCode;
    a301.rec.VATSTATUS = vatStatus;
    a301.rec.ENTNUMBER = ent;
    a301.rec.NOTSTOCKITEM = 1;
    a301.rec.SALESACCOUNT = salesAcc;
    ASSERT_EQ(a301.add(), ErrNone) << a301.errorText();
}

}  // namespace

void seedMasterData(Context& ctx, std::uint32_t lastDocNr, const std::string& prefix) {
    auto tx = ctx.transaction<PQXA10, PQXV01, PQXA301, PQXC11, PQXS10, PACS10>(5s);
    ASSERT_TRUE(tx.active()) << tx.errorText();
    addAccount(ctx, kSalesAcc, "A", "Sales");
    addAccount(ctx, kSalesAcc2, "B", "Sales kitchen");
    addAccount(ctx, kCashAcc, "K", "Cash till");
    addAccount(ctx, kCardAcc, "K", "Card till");
    addAccount(ctx, kDiscAcc, "E", "Discount allowed");
    addAccount(ctx, kVatAcc, "L", "VAT output");
    addAccount(ctx, kRebateVatAcc, "L", "Fuel rebate");
    addAccount(ctx, kDebtor, "D", "Debtor one", 11);
    addAccount(ctx, kDebtor2, "D", "Debtor two", 11);
    addVat(ctx, "01", "15.0", kVatAcc);
    addVat(ctx, "R1", "0.0", kRebateVatAcc, true);
    addItem(ctx, "COKE", "Cola 330ml", "11.50", "01", "I", 3, kSalesAcc);
    addItem(ctx, "BREAD", "Brown bread", "20.00", "01", "E", 4, kSalesAcc);
    addItem(ctx, "MILK", "Fresh milk 1 litre", "9.99", "", "", 5, kSalesAcc);
    addItem(ctx, "DIESEL", "Diesel per litre", "15.00", "R1", "E", 6, kSalesAcc);
    addItem(ctx, "CAKE", "Chocolate cake slice", "7.25", "01", "I", 7, kSalesAcc2);

    auto& c11 = ctx.access<PQXC11>();
    c11.clearBuffer();
    c11.rec.CLIENTNO = kCashClient;
    c11.rec.NAME = "Table seven";
    ASSERT_EQ(c11.add(), ErrNone);

    auto& s10 = ctx.access<PQXS10>();
    s10.clearBuffer();
    s10.rec.SPECNUMBER = 1;
    s10.rec.POSACCNUMBER = kCashAcc;
    s10.rec.POSDIRECTACC = kCardAcc;
    s10.rec.POSDISCACC = kDiscAcc;
    ASSERT_EQ(s10.add(), ErrNone);

    auto& cs10 = ctx.access<PACS10>();
    cs10.clearBuffer();
    cs10.rec.USERNUMBER = 1;
    cs10.rec.USERNAME = "Corner Cafe";
    cs10.rec.PREFIX = prefix;
    cs10.rec.LASTDOCNR = lastDocNr;
    cs10.rec.SALESNUMBER = 10;
    ASSERT_EQ(cs10.add(), ErrNone);
    ASSERT_TRUE(tx.commit()) << tx.errorText();
}

PQXV60 computeLine(Context& ctx, const LineSpec& spec, std::uint16_t salesNumber) {
    auto& a301 = ctx.access<PQXA301>();
    a301.clearBuffer();
    a301.rec.ITEMCODE = spec.itemCode;
    EXPECT_EQ(a301.get(PA301::ItemCodeKey), ErrNone) << spec.itemCode;
    const PQXA301 item = a301.rec;

    PQXV60 line;
    line.SALESNUMBER = salesNumber;
    line.TRANSDATE = today();
    line.ITEMCODE = item.ITEMCODE;
    line.DESCRIPTION = spec.description.empty() ? item.ITEMDESC : spec.description;
    line.QTY = storeDecimal(spec.qty, 7, 3);
    Decimal price = item.POSSELLINGPRICE;
    if (!spec.happyHour.isZero()) price = (Decimal(100) - spec.happyHour) / Decimal(100) * price;
    line.SELLINGPRICE = storeDecimal(price, 6, 3);
    line.DISCOUNT = storeDecimal(spec.discount, 3, 2);
    Decimal debit = line.SELLINGPRICE * line.QTY;
    if (spec.happyHour.isZero() && !spec.discount.isZero())
        debit = (Decimal(100) - spec.discount) / Decimal(100) * line.SELLINGPRICE * line.QTY;
    line.DEBIT = storeDecimal(debit, 7, 2);

    std::string status = item.VATSTATUS;
    auto& v01 = ctx.access<PQXV01>();
    v01.clearBuffer();
    v01.rec.VATCODE = item.VATCODE;
    const bool found = !clip(item.VATCODE).empty() && v01.get(PV01::VatCodeKey) == ErrNone;
    const PQXV01 vat = found ? v01.rec : PQXV01{};
    if (vat.REBATE != 0) status = "I";
    if (vat.REBATE != 0) {
        line.VATAMOUNT = storeDecimal(vat.PERCENTAGE / Decimal(100) * line.QTY * vat.TARRIFF, 7, 2);
        line.DEBIT = storeDecimal(line.DEBIT - line.VATAMOUNT, 7, 2);
    } else if (status == "I") {
        line.VATAMOUNT = storeDecimal(line.DEBIT * vat.VATRATE / (Decimal(100) + vat.VATRATE), 7, 2);
        line.DEBIT = storeDecimal(line.DEBIT - line.VATAMOUNT, 7, 2);
    } else {
        line.VATAMOUNT = storeDecimal(vat.VATRATE / Decimal(100) * line.DEBIT, 7, 2);
    }
    line.NETTAMOUNT = storeDecimal(line.DEBIT + line.VATAMOUNT, 6, 2);

    auto& a10 = ctx.access<PQXA10>();
    a10.clearBuffer();
    a10.rec.ACCNUMBER = item.SALESACCOUNT;
    (void)a10.get(PA10::AccNumberKey);  // an account not on file leaves its class code blank
    line.CLASSCODE = a10.rec.CLASSCODE;
    line.ACCNUMBER = item.SALESACCOUNT;
    line.ASSETACCNUMBER = item.ACCNUMBER;
    line.VATCODE = item.VATCODE;
    line.VATSTATUS = status;
    line.VATDATE = today();
    line.RECORDSTATUS = 0;
    line.ASSETTRANSACTION = 2;
    line.ITEMSTATUS = 2;
    line.OPERATORNO = spec.operatorNo;
    return line;
}

Decimal addLines(Context& ctx, const std::vector<PQXV60>& lines) {
    auto tx = ctx.transaction<PQXV60>(5s);
    EXPECT_TRUE(tx.active()) << tx.errorText();
    auto& v60 = ctx.access<PQXV60>();
    Decimal total;
    for (const PQXV60& line : lines) {
        v60.rec = line;
        EXPECT_EQ(v60.add(), ErrNone) << v60.errorText();
        total += line.NETTAMOUNT;
    }
    EXPECT_TRUE(tx.commit()) << tx.errorText();
    return total;
}

template <class T>
std::vector<T> rowsByDocument(Context& ctx, std::uint32_t documentNo) {
    auto& f = ctx.access<T>();
    f.clearBuffer();
    f.rec.DOCUMENTNO = documentNo;
    f.SetFrom(T::DocumentNoKey);
    std::vector<T> out;
    while (f.next() == ErrNone && f.rec.DOCUMENTNO == documentNo) out.push_back(f.rec);
    std::stable_sort(out.begin(), out.end(), [](const T& a, const T& b) { return a.DETAILNUMBER < b.DETAILNUMBER; });
    return out;
}

std::vector<PQXT21> rowsOf(Context& ctx, std::uint32_t documentNo) { return rowsByDocument<PQXT21>(ctx, documentNo); }

std::vector<PQXH21> historyRowsOf(Context& ctx, std::uint32_t documentNo) {
    return rowsByDocument<PQXH21>(ctx, documentNo);
}

std::optional<PQXT20> headerOf(Context& ctx, std::uint32_t documentNo) {
    auto& t20 = ctx.access<PQXT20>();
    t20.clearBuffer();
    t20.rec.DOCUMENTNO = documentNo;
    if (t20.get(PT20::DocumentNoKey) != ErrNone) return std::nullopt;
    return t20.rec;
}

std::optional<PQXH20> historyOf(Context& ctx, std::uint32_t documentNo) {
    auto& h20 = ctx.access<PQXH20>();
    h20.clearBuffer();
    h20.rec.DOCUMENTNO = documentNo;
    if (h20.get(PH20::DocumentNoKey) != ErrNone) return std::nullopt;
    return h20.rec;
}

PACS10 company(Context& ctx) {
    auto all = allRecords<PACS10>(ctx);
    return all.empty() ? PACS10{} : all.front();
}

Decimal sumDebit(const std::vector<PQXT21>& rows) {
    Decimal s;
    for (const auto& r : rows) s += r.DEBIT;
    return s;
}

Decimal sumCredit(const std::vector<PQXT21>& rows) {
    Decimal s;
    for (const auto& r : rows) s += r.CREDIT;
    return s;
}

void expectSoundDocuments(Context& ctx) {
    for (const PQXT20& h : allRecords<PQXT20>(ctx)) {
        SCOPED_TRACE("document " + std::to_string(h.DOCUMENTNO));
        std::vector<PQXT21> rows = rowsOf(ctx, h.DOCUMENTNO);
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(sumDebit(rows), sumCredit(rows));
        EXPECT_EQ(h.NOOFENTRIES, rows.size());
        // The control row is the last one and sits on the header's account.
        const PQXT21& control = rows.back();
        EXPECT_EQ(control.ACCNUMBER, h.ACCNUMBER);
        const bool controlDebit = !control.DEBIT.isZero() || control.CREDIT.isZero();
        Decimal others, vat;
        for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
            others += controlDebit ? rows[i].CREDIT : rows[i].DEBIT;
            if (!clip(rows[i].VATCODE).empty()) vat += rows[i].VATAMOUNT;
        }
        EXPECT_EQ(h.AMOUNT, others);
        EXPECT_EQ(h.VAT, vat);
        if (auto hist = historyOf(ctx, h.DOCUMENTNO)) {
            PQXT20 copy;
            copyFields(copy, *hist);
            EXPECT_TRUE(copy == h) << "history header differs";
            std::vector<PQXH21> hrows = historyRowsOf(ctx, h.DOCUMENTNO);
            ASSERT_EQ(hrows.size(), rows.size());
            for (std::size_t i = 0; i < rows.size(); ++i) {
                PQXT21 r;
                copyFields(r, hrows[i]);
                EXPECT_TRUE(r == rows[i]) << "history row " << i << " differs";
            }
        }
    }
}

void PostingTest::SetUp() {
    // These tests need no protection against power loss; the killed-process test keeps it.
    setSyncWrites(false);
    GLO.reset();
    setClock(&clock_);
    ctx_ = std::make_unique<Context>(folder_.path());
    ctx_->OPERATOR = "OP1";
    useAllTables(*ctx_);
    seedMasterData(*ctx_);
    till_ = std::make_unique<TillState>(*ctx_);
    till_->Open();
}

void PostingTest::TearDown() {
    till_.reset();
    ctx_.reset();
    setClock(nullptr);
    GLO.reset();
    setSyncWrites(true);
}

Decimal PostingTest::ring(const std::vector<LineSpec>& specs) {
    std::vector<PQXV60> lines;
    for (const LineSpec& s : specs) lines.push_back(computeLine(*ctx_, s, till_->LOC.SALESNUMBER));
    Decimal total = addLines(*ctx_, lines);
    till_->LOC.TOTALAMOUNT += total;
    till_->LOC.PAID += total;
    return total;
}

void PostingTest::tender(std::uint8_t payment, const Decimal& paid) { settle(till_->LOC, payment, paid); }

void settle(TillLocals& L, std::uint8_t payment, const Decimal& paid) {
    L.PAYMENT = payment;
    L.PAID = paid;
    L.VERSKIL = Decimal();
    L.CHANGE = L.PAID - L.TOTALAMOUNT;
    if (payment == 1) {
        long long cents = (L.CHANGE * Decimal(100)).rounded(0).toLongLong();
        long long d = cents % 10;
        if (d < 0) d = 0;
        if (d >= 1 && d <= 4) L.VERSKIL = Decimal(static_cast<long long>(5 - d));
        if (d >= 6) L.VERSKIL = Decimal(static_cast<long long>(10 - d));
        L.CHANGE += L.VERSKIL / Decimal(100);
    }
}

bool PostingTest::finish() {
    return till_->Finished([this](const SlipArgs& s) { slips_.push_back(s); });
}

}  // namespace tavlo::posting_test
