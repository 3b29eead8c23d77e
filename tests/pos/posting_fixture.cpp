#include "posting_fixture.h"

#include <algorithm>
#include <chrono>

#include "data/master_data.h"
#include "data/storage.h"

namespace tavlo::posting_test {

using namespace std::chrono_literals;

void useAllTables(Context& ctx) {
    for (const TableDef* t : dictionaryTables()) ctx.access(*t).UseFile();
}

void seedMasterData(Context& ctx, std::uint32_t lastDocNr, const std::string& prefix) {
    MasterData data;
    data.account(kSalesAcc, "A", "Sales");
    data.account(kSalesAcc2, "B", "Sales kitchen");
    data.account(kCashAcc, "K", "Cash till");
    data.account(kCardAcc, "K", "Card till");
    data.account(kDiscAcc, "E", "Discount allowed");
    data.account(kVatAcc, "L", "VAT output");
    data.account(kRebateVatAcc, "L", "Fuel rebate");
    data.account(kDebtor, "D", "Debtor one", 11);
    data.account(kDebtor2, "D", "Debtor two", 11);
    data.vat("01", "15.0", kVatAcc);
    PQXV01& rebate = data.vat("R1", "0.0", kRebateVatAcc);
    rebate.REBATE = 1;
    rebate.PERCENTAGE = Decimal::of("40");
    rebate.TARRIFF = Decimal::of("0.3750");
    auto item = [&](const char* code, const char* desc, const char* price, const char* vatCode, const char* vatStatus,
                    std::uint16_t ent, std::uint16_t salesAcc) {
        PQXA301& i = data.item(code, desc, price, vatCode, vatStatus, salesAcc);
        i.ACCNUMBER = 3000;
        i.ENTNUMBER = ent;
    };
    item("COKE", "Cola 330ml", "11.50", "01", "I", 3, kSalesAcc);
    item("BREAD", "Brown bread", "20.00", "01", "E", 4, kSalesAcc);
    item("MILK", "Fresh milk 1 litre", "9.99", "", "", 5, kSalesAcc);
    item("DIESEL", "Diesel per litre", "15.00", "R1", "E", 6, kSalesAcc);
    item("CAKE", "Chocolate cake slice", "7.25", "01", "I", 7, kSalesAcc2);
    data.cashClient(kCashClient, "Table seven");
    data.till(kCashAcc, kCardAcc, kDiscAcc);
    data.company("Corner Cafe", prefix, lastDocNr).SALESNUMBER = 10;
    ASSERT_EQ(data.store(ctx), "");
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
    return static_cast<bool>(till_->Finished([this](const SlipArgs& s) { slips_.push_back(s); }));
}

}  // namespace tavlo::posting_test
