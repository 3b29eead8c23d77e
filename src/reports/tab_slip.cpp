#include "reports/tab_slip.h"

#include "data/company_record.h"
#include "framework/runtime.h"
#include "util/date.h"
#include "util/picture.h"
#include "util/text.h"

namespace tavlo::report {

TabSlipReport::TabSlipReport(Context& ctx, const TabSlipArguments& args)
    : ReportProcedure("PrintTag"), ctx_(ctx), args_(args) {
    output_.kind = PreviewKind::PrintPreview;
    output_.pdf.title = "PrintTag";
    output_.pdf.subject = "PrintTag";
}

void TabSlipReport::DefineReport(Layout& layout) {
    auto& v61 = ctx_.access<PQXV61>().rec;
    auto& a301 = ctx_.access<PQXA301>().rec;
    layout.title = "Tag";
    layout.font = Font{"MS Sans Serif", 8};
    layout.body = {1000, 1688, 3000, 9313};

    Band header{.name = "PageHeader", .at = {1000, 542, 6927, 1135}};
    Item& name = header.add(field("LOC:USERNAME", 42, -63, 3365, "@s40", [this] { return Value(userName_); }));
    name.font = Font{"MS Sans Serif", 12, true};
    header.add(field("LOC:ADR1", 94, 198, 1635, "@s30", [this] { return Value(adr1_); }));
    header.add(caption("Tag", 2000, 219));
    header.add(field("LOC:ADR2", 94, 344, 1635, "@s30", [this] { return Value(adr2_); }));
    header.add(field("LOC:ADR3", 94, 479, 1635, "@s30", [this] { return Value(adr3_); }));
    header.add(caption("Tel Nr :", 656, 625, 0, Align::Right));
    header.add(field("LOC:TELNR", 1198, 625, 1281, "@s15", [this] { return Value(telNr_); }));
    header.add(caption("Fax Nr :", 656, 792, 0, Align::Right));
    header.add(field("LOC:FAXNR", 1198, 792, 1281, "@s15", [this] { return Value(faxNr_); }));
    layout.pageHeader = header;

    // One group for the whole slip: its footer prints once after the last line.
    Group slip{.name = "LOC:SLIP", .key = [] { return Value(1LL); }};
    slip.header = Band{.name = "GroupHeader", .at = {0, 0, 3000, 198}};
    slip.header->add(caption("Item", 21, 0));
    slip.header->add(caption("Description", 656, 0));
    slip.header->add(caption("Qty", 1729, 0, 271, Align::Right));
    slip.header->add(caption("Price", 2063, 0, 375, Align::Right));
    slip.header->add(caption("Amount", 2510, 0, 438, Align::Right));
    slip.header->add(hline(0, 260, 3000));
    slip.footer = Band{.name = "GroupFooter", .at = {0, 0, 3000, 900}};
    Band& f = *slip.footer;
    f.add(hline(2448, 52, 500));
    f.add(caption("VAT.:", 833, 94, 396, Align::Right));
    f.add(field("LOC:VAT", 1281, 94, 573, "@n-10.2", [this] { return Value(vat_); }, Align::Right));
    f.add(caption("Total.:", 1927, 94, 375, Align::Right));
    f.add(field("LOC:TOTAL", 2344, 94, 583, "@n13.2", [this] { return Value(total_); }, Align::Right));
    f.add(caption("Date.:", 1854, 417, 448, Align::Right));
    f.add(field("PV61:TRANSDATE", 2333, 417, 0, "@d17", [&v61] { return Value(static_cast<long long>(v61.TRANSDATE)); },
                Align::Right));
    f.add(caption("Doc Nr.:", 104, 625, 510));
    f.add(field("LOC:DOCUMENT", 646, 625, 0, "@s20", [this] { return Value(document_); }));
    f.add(caption("Time .:", 1969, 625, 0, Align::Right));
    f.add(field("LOC:TIME", 2365, 625, 563, "@s10", [this] { return Value(time_); }));
    layout.groups.push_back(std::move(slip));

    Band detail{.name = "Detail", .at = {0, 0, 3000, 146}};
    detail.add(field("PV61:ITEMCODE", 21, 0, 625, "@s20", [&v61] { return Value(v61.ITEMCODE); }));
    detail.add(field("PA301:ITEMDESC", 656, 0, 927, "@s40", [&a301] { return Value(a301.ITEMDESC); }));
    detail.add(field("PV61:QTY", 1583, 0, 417, "@n-13.3", [&v61] { return Value(v61.QTY); }, Align::Right));
    detail.add(field("PA301:POSSELLINGPRICE", 2000, 0, 469, "@n15.2", [&a301] { return Value(a301.POSSELLINGPRICE); },
                     Align::Right));
    detail.add(field("LOC:AMOUNT", 2469, 0, 458, "@n15.2", [this] { return Value(amount_); }, Align::Right));
    layout.details.push_back(std::move(detail));
}

bool TabSlipReport::OpenTables() {
    tables_.use<PQXV61, PQXA301, PACS10>();
    return true;
}

void TabSlipReport::CloseTables() { tables_.close(); }

bool TabSlipReport::OpenReport() {
    auto& cs10 = ctx_.access<PACS10>();
    if (readCompanyRecord(cs10) != ErrNone) cs10.clearBuffer();
    userName_ = fitBytes(cs10.rec.USERNAME, 40);
    adr1_ = fitBytes(cs10.rec.ADDRESS1, 30);
    adr2_ = fitBytes(cs10.rec.ADDRESS2, 30);
    adr3_ = fitBytes(cs10.rec.ADDRESS3, 30);
    telNr_ = fitBytes(cs10.rec.TELNUMBER, 15);
    faxNr_ = fitBytes(cs10.rec.FAXNUMBER, 15);
    time_ = formatPicture("@t01", Decimal(timeNow()));
    document_ = fitBytes(clip(cs10.rec.PREFIX) + std::to_string(args_.documentNo), 20);
    total_ = vat_ = Decimal();
    auto& v61 = ctx_.access<PQXV61>();
    v61.clearBuffer();
    v61.rec.CLIENTNO = args_.owner;
    v61.rec.DOCUMENTNO = args_.documentNo;
    v61.SetFrom(PV61::ClientDocKey);
    walking_ = args_.owner != 0 && args_.documentNo != 0;
    return true;
}

bool TabSlipReport::NextRecord() {
    auto& v61 = ctx_.access<PQXV61>();
    while (walking_) {
        if (v61.Next() != LevelBenign || v61.rec.CLIENTNO != args_.owner || v61.rec.DOCUMENTNO != args_.documentNo) {
            walking_ = false;
            break;
        }
        if (v61.rec.SALESNUMBER == args_.salesNumber) return true;
    }
    return false;
}

void TabSlipReport::TakeRecord() {
    const PQXV61& line = ctx_.access<PQXV61>().rec;
    auto& a301 = ctx_.access<PQXA301>();
    a301.clearBuffer();
    a301.rec.ITEMCODE = line.ITEMCODE;
    a301.Fetch(PA301::ItemCodeKey);
    amount_ = line.DEBIT + line.VATAMOUNT;
    total_ += amount_;
    vat_ += line.VATAMOUNT;
    print("Detail");
}

void PrintTag(Runtime& runtime, Context& ctx, std::uint32_t documentNo, std::uint16_t salesNumber, std::uint32_t owner) {
    TabSlipReport report(ctx, {owner, documentNo, salesNumber});
    runtime.run(report);
    if (report.completed()) showReport(runtime, report.output());
}

}  // namespace tavlo::report
