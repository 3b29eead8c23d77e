#include "reports/cash_slip.h"

#include "framework/runtime.h"
#include "state/globals.h"
#include "util/text.h"

namespace tavlo::report {
namespace {

Value text(const std::string& s) { return Value(s); }
Value number(long long n) { return Value(n); }

}  // namespace

CashSlipReport::CashSlipReport(Context& ctx, const SlipArguments& args, Style style)
    : CashSlipReport(style == Style::Cash ? "PrintCashSlip" : "PrintDebCashSlip", ctx, args, style) {}

CashSlipReport::CashSlipReport(std::string name, Context& ctx, const SlipArguments& args, Style style)
    : ReportProcedure(std::move(name)), ctx_(ctx), args_(args), style_(style) {
    output_.kind = style == Style::Cash ? PreviewKind::PrintPreview : PreviewKind::ReportViewer;
    if (style == Style::Debtor) {
        output_.zoom = "No Zoom";
        output_.maximized = true;
    }
    output_.pdf.title = "PrintCashSlip";
    output_.pdf.subject = "PrintCashSlip";
}

void CashSlipReport::DefineReport(Layout& layout) {
    auto& t21 = line_;
    auto& a301 = ctx_.access<PQXA301>().rec;

    layout.title = "Cash Slip";
    layout.font = Font{"MS Sans Serif", 8};
    layout.body = {1000, 1688, 3000, 9313};

    Band header{.name = "PageHeader", .at = {1000, 542, 6927, 1135}};
    Item& name = header.add(field("LOC:USERNAME", 42, -63, 3365, "@s40", [this] { return text(userName_); }));
    name.font = Font{"MS Sans Serif", 12, true};
    header.add(field("LOC:ADR1", 94, 198, 1635, "@s30", [this] { return text(adr1_); }));
    header.add(field("LOC:OPSKRIF", 1927, 219, 1521, "@s25", [this] { return text(opskrif_); }));
    header.add(field("LOC:ADR2", 94, 344, 1635, "@s30", [this] { return text(adr2_); }));
    header.add(field("LOC:ADR3", 94, 479, 1635, "@s30", [this] { return text(adr3_); }));
    header.add(caption("Tel Nr :", 656, 625, 0, Align::Right));
    header.add(field("LOC:TELNR", 1198, 625, 1281, "@s15", [this] { return text(telNr_); }));
    header.add(caption("Fax Nr :", 656, 792, 0, Align::Right));
    header.add(field("LOC:FAXNR", 1198, 792, 1281, "@s15", [this] { return text(faxNr_); }));
    header.add(caption("Vat Nr :", 344, 979, 0, Align::Right));
    header.add(field("LOC:VATNR", 979, 979, 1677, "@s20", [this] { return text(vatNr_); }));
    layout.pageHeader = header;

    Group doc{.name = "PT21:DOCUMENTNO", .key = [&t21] { return number(t21.DOCUMENTNO); }};
    doc.header = Band{.name = "GroupHeader", .at = {0, 0, 3000, 198}};
    doc.header->add(caption("Item", 21, 0));
    doc.header->add(caption("Qty", 1729, 0, 271, Align::Right));
    doc.header->add(caption("Price", 2063, 0, 375, Align::Right));
    doc.header->add(caption("Amount", 2510, 0, 438, Align::Right));
    doc.header->add(caption("Description", 656, 10));
    doc.header->add(hline(0, 260, 3000));
    doc.footer = Band{.name = "GroupFooter", .at = {0, 0, 3000, style_ == Style::Cash ? 1781 : 1844}};
    if (style_ == Style::Cash)
        defineCashFooter(*doc.footer);
    else
        defineDebtorFooter(*doc.footer);
    layout.groups.push_back(std::move(doc));

    Band detail{.name = "Detail", .at = {0, 0, 3000, 146}};
    detail.add(field("PT21:ITEMCODE", 0, 0, 646, "@s20", [&t21] { return text(t21.ITEMCODE); }));
    detail.add(field("PA301:ITEMDESC", 656, 0, 948, "@s40", [&a301] { return text(a301.ITEMDESC); }));
    detail.add(field("PT21:QTY", 1625, 10, 365, "@n-13.3", [&t21] { return Value(t21.QTY); }, Align::Right));
    detail.add(field("PA301:POSSELLINGPRICE", 2000, 0, 469, "@n15.2", [&a301] { return Value(a301.POSSELLINGPRICE); },
                     Align::Right));
    detail.add(field("LOC:AMOUNT", 2469, 0, 458, "@n15.2", [this] { return Value(amount_); }, Align::Right));
    layout.details.push_back(std::move(detail));
}

// Totals, rounding, tender, change, date, document and time.
void CashSlipReport::defineCashFooter(Band& f) {
    auto& t20 = head_;
    auto& t21 = line_;
    f.add(hline(2448, 52, 500));
    f.add(caption("VAT.:", 833, 94, 396, Align::Right));
    f.add(field("PT20:VAT", 1281, 94, 573, "@n(13.2)b", [&t20] { return Value(t20.VAT); }, Align::Right));
    f.add(caption("Total.:", 1927, 94, 375, Align::Right));
    f.add(field("PT20:AMOUNT", 2344, 94, 583, "@n15.2", [&t20] { return Value(t20.AMOUNT); }, Align::Right));
    f.add(caption("Rounding .:", 1510, 354, 792, Align::Right)).name = "RoundingCaption";
    f.add(field("LOC:VERSKIL", 2323, 354, 604, "@n-10.2b", [this] { return Value(verskil_); }, Align::Right));
    f.add(field("LOC:PAYTYPE", 104, 563, 0, "@s12", [this] { return text(payType_); }));
    f.add(caption("Paid .:", 1802, 625, 500, Align::Right));
    f.add(field("LOC:PAID", 2313, 625, 615, "@n13.2", [this] { return Value(paid_); }, Align::Right));
    f.add(field("LOC:CLIENT", 125, 792, 0, "@s25b", [this] { return text(client_); }));
    f.add(caption("Change .:", 1708, 865, 594, Align::Right));
    f.add(field("LOC:CHANGE", 2302, 865, 625, "@n14.2", [this] { return Value(change_); }, Align::Right));
    f.add(caption("Date.:", 1854, 1146, 448, Align::Right));
    f.add(field("PT21:TRANSDATE", 2333, 1146, 0, "@d17", [&t21] { return number(t21.TRANSDATE); }, Align::Right));
    f.add(caption("Doc Nr.:", 104, 1354, 510));
    f.add(field("LOC:DOCUMENT", 646, 1354, 0, "@s20", [this] { return text(document_); }));
    f.add(caption("Time .:", 1969, 1354, 0, Align::Right));
    f.add(field("PT20:TRANTIME", 2365, 1354, 563, "@s10", [&t20] { return text(t20.TRANTIME); }));
}

// The cash slip's footer with its left-hand column rearranged for the debtor's details.
void CashSlipReport::defineDebtorFooter(Band& f) {
    auto& t20 = head_;
    auto& t21 = line_;
    auto& c10 = ctx_.access<PQXC10>().rec;
    f.add(hline(2448, 52, 500));
    f.add(caption("VAT.:", 833, 94, 396, Align::Right));
    f.add(field("PT20:VAT", 1281, 94, 573, "@n(13.2)b", [&t20] { return Value(t20.VAT); }, Align::Right));
    f.add(caption("Total.:", 1927, 94, 375, Align::Right));
    f.add(field("PT20:AMOUNT", 2344, 94, 583, "@n15.2", [&t20] { return Value(t20.AMOUNT); }, Align::Right));
    f.add(caption("Rounding .:", 1510, 354, 792, Align::Right)).name = "RoundingCaption";
    f.add(field("LOC:VERSKIL", 2323, 354, 604, "@n-10.2b", [this] { return Value(verskil_); }, Align::Right));
    f.add(field("LOC:PAYTYPE", 104, 281, 0, "@s12", [this] { return text(payType_); }));
    f.add(field("LOC:CLIENT", 104, 469, 0, "@s25b", [this] { return text(client_); }));
    f.add(field("LOC:ADD1", 104, 625, 0, "@s25b", [this] { return text(add1_); }));
    f.add(field("LOC:ADD2", 104, 781, 0, "@s25b", [this] { return text(add2_); }));
    f.add(field("LOC:ADD3", 104, 938, 0, "@s25b", [this] { return text(add3_); }));
    f.add(caption("VAT# :", 104, 1094)).name = "VatNoCaption";
    f.add(field("PC10:VATREGISTRATIONNUMBER", 479, 1094, 0, "@s20", [&c10] { return text(c10.VATREGISTRATIONNUMBER); }));
    f.add(caption("Paid .:", 1802, 625, 500, Align::Right));
    f.add(field("LOC:PAID", 2313, 625, 615, "@n13.2", [this] { return Value(paid_); }, Align::Right));
    f.add(caption("Change .:", 1708, 865, 594, Align::Right));
    f.add(field("LOC:CHANGE", 2302, 865, 625, "@n14.2", [this] { return Value(change_); }, Align::Right));
    f.add(caption("Date.:", 1854, 1146, 448, Align::Right));
    f.add(field("PT21:TRANSDATE", 2333, 1146, 0, "@d17", [&t21] { return number(t21.TRANSDATE); }, Align::Right));
    f.add(caption("Doc Nr.:", 104, 1354, 510));
    f.add(field("LOC:DOCUMENT", 646, 1354, 0, "@s20", [this] { return text(document_); }));
    f.add(caption("Time .:", 1969, 1354, 0, Align::Right));
    f.add(field("PT20:TRANTIME", 2365, 1354, 563, "@s10", [&t20] { return text(t20.TRANTIME); }));
    f.add(caption("Order No .:", 104, 1583, 719));
    f.add(field("PT20:REFERENCE2", 760, 1583, 1083, "@s15", [&t20] { return text(t20.REFERENCE2); }));
}

void CashSlipReport::openDocument() { tables_.use<PQXT21, PQXT20>(); }

bool CashSlipReport::OpenTables() {
    openDocument();
    tables_.use<PQXA301, PQXA10, PACS10>();
    if (style_ == Style::Debtor) tables_.use<PQXC10>();
    // Only what this run fetches may print: nothing carried over from the caller's buffers.
    line_ = {};
    head_ = {};
    ctx_.access<PQXA301>().clearBuffer();
    ctx_.access<PQXA10>().clearBuffer();
    if (style_ == Style::Debtor) ctx_.access<PQXC10>().clearBuffer();
    return true;
}

void CashSlipReport::CloseTables() { tables_.close(); }

bool CashSlipReport::OpenReport() {
    auto& cs10 = ctx_.access<PACS10>();
    cs10.clearBuffer();
    cs10.SetFileOrder();
    if (cs10.Next() != LevelBenign) cs10.clearBuffer();
    userName_ = fitBytes(cs10.rec.USERNAME, 40);
    adr1_ = fitBytes(cs10.rec.ADDRESS1, 30);
    adr2_ = fitBytes(cs10.rec.ADDRESS2, 30);
    adr3_ = fitBytes(cs10.rec.ADDRESS3, 30);
    telNr_ = fitBytes(cs10.rec.TELNUMBER, 15);
    faxNr_ = fitBytes(cs10.rec.FAXNUMBER, 15);
    vatNr_ = fitBytes(cs10.rec.VATREGISTRATIONNO, 20);

    docNumber_ = args_.docNumber;
    verskil_ = (-args_.rounding).rounded(2);
    paid_ = args_.paid.rounded(2);
    change_ = args_.change.rounded(2);
    creditNote_ = args_.creditNote;

    vars_.bind("Loc:DocNumber", &docNumber_);
    std::string error;
    filter_ = Filter::compile(lineTable(), lineFilter(), vars_, &error);
    if (!filter_) return false;
    startLines();
    walking_ = true;
    return true;
}

// The filter names the key's only component, so the walk starts at the document.
void CashSlipReport::startLines() {
    auto& t21 = ctx_.access<PQXT21>();
    t21.clearBuffer();
    t21.rec.DOCUMENTNO = docNumber_;
    t21.SetFrom(PT21::DocumentNoKey);
}

bool CashSlipReport::readLine(const void*& record) {
    auto& t21 = ctx_.access<PQXT21>();
    if (t21.Next() != LevelBenign) return false;
    line_ = t21.rec;
    record = &t21.rec;
    return true;
}

void CashSlipReport::readHeader(std::uint32_t documentNo) {
    auto& t20 = ctx_.access<PQXT20>();
    t20.clearBuffer();
    t20.rec.DOCUMENTNO = documentNo;
    t20.Fetch(PT20::DocumentNoKey);
    head_ = t20.rec;
}

std::string CashSlipReport::documentText() const {
    return clip(ctx_.access<PACS10>().rec.PREFIX) + std::to_string(line_.DOCUMENTNO);
}

bool CashSlipReport::NextRecord() {
    while (walking_) {
        const void* record = nullptr;
        if (!readLine(record) || line_.DOCUMENTNO > docNumber_) {
            walking_ = false;
            break;
        }
        if (filter_->matches(record)) return true;
    }
    return false;
}

// A slip reads a handful of rows by key; counting the whole detail table for the progress bar
// would cost more than the slip once a day's documents are in it.
long long CashSlipReport::RecordCount() { return 0; }

void CashSlipReport::TakeRecord() {
    auto& a301 = ctx_.access<PQXA301>();
    auto& a10 = ctx_.access<PQXA10>();

    const std::string classCode = clip(line_.CLASSCODE);
    print_ = classCode.empty() || classCode == "A";
    if (!print_) return;

    a301.clearBuffer();
    a301.rec.ITEMCODE = line_.ITEMCODE;
    a301.Fetch(PA301::ItemCodeKey);
    readHeader(line_.DOCUMENTNO);
    takeHeader();

    document_ = fitBytes(documentText(), 20);
    const bool credit = isCreditNote();
    if (!credit)
        opskrif_ = std::string(byLanguage("Belastingfaktuur", "Tax Invoice"));
    else
        opskrif_ = std::string(byLanguage("Belasting Kredietnota", "Tax Credit Note"));
    amount_ = (credit ? line_.DEBIT : line_.CREDIT) + line_.VATAMOUNT;

    switch (head_.PAYMETHOD) {
        case 1:
            payType_ = std::string(byLanguage("Kontant", "Cash"));
            client_.clear();
            break;
        case 2:
            payType_ = std::string(byLanguage("Kredietkaart", "Credit card"));
            client_.clear();
            break;
        case 3:
            payType_ = std::string(byLanguage("Tjek", "Cheque"));
            client_.clear();
            break;
        case 4:
            payType_ = std::string(byLanguage("Krediet", "Credit"));
            a10.clearBuffer();
            a10.rec.ACCNUMBER = head_.ACCNUMBER;
            a10.Fetch(PA10::AccNumberKey);
            client_ = fitBytes(a10.rec.ACCDESC, 25);
            if (style_ == Style::Debtor) debtorAddress();
            break;
        default:
            break;
    }
    // The rounding as it stands for this row (a reprint reads it from the row's header).
    layout().setHidden("RoundingCaption", verskil_.isZero());
    print("Detail");
}

// The debtor's postal address: three lines, the postal code on the last line or on the second
// when there is no second line; nothing at all without a first line.
void CashSlipReport::debtorAddress() {
    auto& c10 = ctx_.access<PQXC10>();
    c10.clearBuffer();
    c10.rec.ACCNUMBER = ctx_.access<PQXA10>().rec.ACCNUMBER;
    c10.Fetch(PC10::AccNumberKey);
    if (clip(c10.rec.ADD1).empty()) return;
    add1_ = fitBytes(c10.rec.ADD1, 25);
    add2_ = !clip(c10.rec.ADD2).empty() ? fitBytes(c10.rec.ADD2, 25) : fitBytes(c10.rec.POSTCODE, 4);
    add3_ = !clip(c10.rec.ADD3).empty() ? fitBytes(clip(c10.rec.ADD3) + "   " + c10.rec.POSTCODE, 25) : c10.rec.POSTCODE;
}

namespace {

void runSlip(Runtime& runtime, Context& ctx, const SlipArguments& args, CashSlipReport::Style style) {
    CashSlipReport report(ctx, args, style);
    runtime.run(report);
    if (report.completed()) showReport(runtime, report.output());
}

}  // namespace

void PrintCashSlip(Runtime& runtime, Context& ctx, std::uint32_t docNumber, const Decimal& rounding, const Decimal& paid,
                   const Decimal& change, int creditNote) {
    runSlip(runtime, ctx, {docNumber, rounding, paid, change, creditNote}, CashSlipReport::Style::Cash);
}

void PrintDebCashSlip(Runtime& runtime, Context& ctx, std::uint32_t docNumber, const Decimal& rounding,
                      const Decimal& paid, const Decimal& change, int creditNote) {
    runSlip(runtime, ctx, {docNumber, rounding, paid, change, creditNote}, CashSlipReport::Style::Debtor);
}

}  // namespace tavlo::report
