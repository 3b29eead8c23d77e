#include "reports/transaction_listing.h"

#include "data/transaction_types.h"
#include "framework/runtime.h"
#include "state/globals.h"
#include "util/text.h"

namespace tavlo::report {
namespace {

constexpr int kCash = 1;
constexpr int kCreditSale = 4;

std::string tenderName(int payMethod) {
    switch (payMethod) {
        case 1: return std::string(byLanguage("Kontant", "Cash"));
        case 2: return std::string(byLanguage("Kredietkaart", "Credit Card"));
        case 3: return std::string(byLanguage("Tjek", "Cheque"));
        case 4: return std::string(byLanguage("Kredietverkope", "Credit Sales"));
        default: return {};
    }
}

}  // namespace

TransactionListing::TransactionListing(Context& ctx, Variant variant, std::string pdfName)
    : ReportProcedure(variant == Variant::Paper ? "PrintTransactions" : "PrintTransactionsPDF"), ctx_(ctx),
      variant_(variant) {
    output_.pdf.title = name();
    output_.pdf.subject = name();
    if (paper()) {
        output_.kind = PreviewKind::ReportViewer;
        output_.zoom = "No Zoom";
        output_.maximized = true;
    } else {
        output_.pdfFile = std::move(pdfName);  // LOC:PDFNAME
    }
}

void TransactionListing::DefineReport(Layout& layout) {
    auto& t20 = ctx_.access<PQXT20>().rec;
    auto& cs10 = ctx_.access<PACS10>().rec;

    layout.title = "List of Transactions";
    layout.font = Font{"Arial", 8};
    layout.body = {500, 1583, 7500, 8667};

    Band header{.name = "PageHeader", .at = {500, 500, 7500, 1042}};
    header.add(caption("List of Transactions", 0, 0, 7469, Align::Center));
    header.add(pageNumber("PageCount", 6427, 250, 875, "@pPage <<<#p"));
    header.add(caption("as at .:", 10, 490));
    header.add(field("LOC:TODAY", 615, 490, 0, "@d17", [this] { return Value(static_cast<long long>(today_)); }));
    header.add(hline(0, 708, 7500));
    header.add(caption("Date", 58, 725, 354));
    header.add(caption("Reference", 969, 729, 552));
    header.add(caption("Reference 2", 2354, 729));
    header.add(caption("Description", 4031, 729, 813));
    header.add(caption("Amount", 6531, 729, 771, Align::Right));
    header.add(hline(10, 958, 7500));
    layout.pageHeader = header;

    Band footer{.name = "PageFooter", .at = {500, 10260, 7500, 323}};
    footer.add(hline(0, 63, 7500));
    layout.pageFooter = footer;

    Group grand{.name = "LOC:GRAND", .key = [this] { return Value(grand_); }};
    Band totals{.name = "GrandFooter", .at = {0, 0, 7500, 1396}};
    auto amount = [](std::string name, int y, std::function<Value()> value) {
        return field(std::move(name), 6417, y, 0, "@n15.2", std::move(value), Align::Right);
    };
    totals.add(caption("Total Sales .:", 4396, 21));
    totals.add(amount("TotalSales", 21, [this] { return Value(totalSales_); }));
    totals.add(hline(5469, 240, 2000));
    totals.add(caption("Total Cash Sales .:", 4396, 333));
    totals.add(amount("LOC:TOTALCASH", 333, [this] { return Value(totalCash_); }));
    if (paper()) {
        totals.add(caption("Debtors Cash .:", 4396, 563));
        totals.add(amount("LOC:DEBCASHPAYMENTS", 563, [this] { return Value(debCashPayments_); }));
    }
    totals.add(caption("Cash Float .:", 4396, 792));
    totals.add(amount("PCS10:CASHFLOAT", 792, [&cs10] { return Value(cs10.CASHFLOAT); }));
    totals.add(hline(5458, 1031, 2031));
    totals.add(caption("Total Cash .:", 4396, 1146));
    totals.add(amount("LOC:TOTAL", 1146, [this] { return Value(total_); }));
    grand.footer = std::move(totals);
    layout.groups.push_back(std::move(grand));

    Group tender{.name = "PT20:PAYMETHOD", .key = [&t20] { return Value(static_cast<long long>(t20.PAYMETHOD)); }};
    tender.header = Band{.name = "TenderHeader", .at = {0, 0, 7500, 302}};
    tender.header->add(field("LOC:PAYMETHOD", 83, 42, 0, "@s30", [this] { return Value(payMethod_); }));
    tender.footer = Band{.name = "TenderFooter", .at = {0, 0, 7500, 406}};
    tender.footer->add(hline(0, 31, 7500));
    tender.footer->add(amount("TenderTotal", 115, [this] { return Value(tenderSum_); }));
    tender.footer->add(hline(10, 333, 7479));
    layout.groups.push_back(std::move(tender));

    Band detail{.name = "Detail", .at = {0, 0, 7500, 167}};
    detail.add(field("PT20:TRANSDATE", 33, 0, 0, "@d17", [&t20] { return Value(static_cast<long long>(t20.TRANSDATE)); },
                     Align::Right));
    detail.add(field("PT20:REFERENCE1", 969, 0, 0, "@s15", [&t20] { return Value(t20.REFERENCE1); }));
    detail.add(field("PT20:REFERENCE2", 2354, 0, 0, "@s15", [&t20] { return Value(t20.REFERENCE2); }));
    detail.add(field("PT20:TRANDESC", 4031, 0, 1500, "@s25", [&t20] { return Value(t20.TRANDESC); }));
    detail.add(field("PT20:AMOUNT", 6417, 0, 0, "@n-15.2", [&t20] { return Value(t20.AMOUNT); }, Align::Right));
    layout.details.push_back(std::move(detail));

    // An empty table still gets its totals: a blank line inside the outer group only.
    layout.details.push_back(Band{.name = "NoTransactions", .at = {0, 0, 7500, 0}, .groupDepth = 1});
}

bool TransactionListing::OpenTables() {
    tables_.use<PQXT20, PQXA10, PACS10>();
    return true;
}

void TransactionListing::CloseTables() { tables_.close(); }

bool TransactionListing::OpenReport() {
    today_ = today();
    auto& cs10 = ctx_.access<PACS10>();
    cs10.clearBuffer();
    cs10.SetFileOrder();
    if (cs10.Next() != LevelBenign) cs10.clearBuffer();
    total_ = cs10.rec.CASHFLOAT;
    if (GLO.afrikaans()) layout().setPicture("PageCount", "@pBls. <<#p");

    auto& t20 = ctx_.access<PQXT20>();
    t20.clearBuffer();
    t20.Set(PT20::PayTypeAccDateKey);
    walking_ = true;
    return true;
}

bool TransactionListing::NextRecord() {
    if (walking_ && ctx_.access<PQXT20>().Next() == LevelBenign) return true;
    walking_ = false;
    return false;
}

long long TransactionListing::RecordCount() { return ctx_.access<PQXT20>().records(); }

void TransactionListing::TakeRecord() {
    PQXT20& t20 = ctx_.access<PQXT20>().rec;
    payMethod_ = tenderName(t20.PAYMETHOD);
    if (paper() && t20.PAYMETHOD == kCreditSale) {
        // The debtor's name in place of the stored description; blank when the account is gone.
        auto& a10 = ctx_.access<PQXA10>();
        a10.clearBuffer();
        a10.rec.ACCNUMBER = t20.ACCNUMBER;
        a10.Fetch(PA10::AccNumberKey);
        t20.TRANDESC = a10.rec.ACCDESC;
    }
    if (trantype::isCreditNote(t20.TRANTYPENUMBER)) t20.AMOUNT = -t20.AMOUNT;
    if (t20.PAYMETHOD == kCash) {
        if (paper() && t20.TRANTYPENUMBER == trantype::kDebtorPayment)
            debCashPayments_ += t20.AMOUNT;
        else
            totalCash_ += t20.AMOUNT;
        total_ += t20.AMOUNT;
    }
    if (t20.PAYMETHOD != tender_) {
        tender_ = t20.PAYMETHOD;
        tenderSum_ = Decimal();
    }
    tenderSum_ += t20.AMOUNT;
    totalSales_ += t20.AMOUNT;
    print("Detail");
    printed_ = true;
}

void TransactionListing::EndReport() {
    if (!printed_) print("NoTransactions");
}

void PrintTransactions(Runtime& runtime, Context& ctx) {
    TransactionListing report(ctx, TransactionListing::Variant::Paper);
    runtime.run(report);
    if (report.completed()) showReport(runtime, report.output());
}

bool PrintTransactionsPDF(Runtime& runtime, Context& ctx, const std::string& pdfName) {
    TransactionListing report(ctx, TransactionListing::Variant::Pdf, pdfName);
    runtime.run(report);
    if (!report.completed()) return false;
    return savePdf(runtime, report.output(), pdfName);
}

}  // namespace tavlo::report
