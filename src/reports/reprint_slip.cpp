#include "reports/reprint_slip.h"

#include "data/transaction_types.h"
#include "framework/runtime.h"
#include "util/text.h"

namespace tavlo::report {
namespace {

// The layout's items read the history tables: their names say so.
void nameHistoryFields(Layout& layout) {
    auto rename = [](Band& band) {
        for (Item& item : band.items)
            if (item.name.rfind("PT2", 0) == 0) item.name.replace(0, 3, "PH2");
    };
    if (layout.pageHeader) rename(*layout.pageHeader);
    for (Group& g : layout.groups) {
        if (g.name.rfind("PT2", 0) == 0) g.name.replace(0, 3, "PH2");
        if (g.header) rename(*g.header);
        if (g.footer) rename(*g.footer);
    }
    for (Band& band : layout.details) rename(band);
}

void place(Layout& layout, std::string_view name, int x, int y, int width = -1) {
    Item* item = layout.find(name);
    if (!item) return;
    if (x >= 0) item->x = x;
    if (y >= 0) item->y = y;
    if (width >= 0) item->width = width;
}

}  // namespace

RePrintSlipReport::RePrintSlipReport(Context& ctx, std::uint32_t documentNo)
    : CashSlipReport("RePrintCashSlip", ctx, SlipArguments{.docNumber = documentNo, .rounding = {}, .paid = {}, .change = {}}, Style::Debtor) {
    // The debtor slip's layout, shown in the print preview as the cash slip is.
    output_.kind = PreviewKind::PrintPreview;
    output_.zoom.clear();
    output_.maximized = false;
}

void RePrintSlipReport::DefineReport(Layout& layout) {
    CashSlipReport::DefineReport(layout);
    nameHistoryFields(layout);

    Band& header = *layout.pageHeader;
    header.add(caption("(Copy)", 2000, 417, 729)).name = "CopyCaption";
    place(layout, "LOC:OPSKRIF", 1823, -1, 1531);

    Band& footer = *layout.groups.front().footer;
    footer.at.height = 2083;
    place(layout, "LOC:ADD1", -1, 615);
    place(layout, "LOC:ADD2", -1, 760);
    place(layout, "LOC:ADD3", -1, 896);
    place(layout, "VatNoCaption", -1, 1073);
    place(layout, "PC10:VATREGISTRATIONNUMBER", -1, 1073);
    layout.setPicture("PC10:VATREGISTRATIONNUMBER", "@s20b");
    place(layout, "LOC:DOCUMENT", 594, -1);
    place(layout, "Order No .:", -1, -1, 635);
    place(layout, "PH20:REFERENCE2", 802, -1, 1042);
    // A zero rounding prints as 0.00; only its caption is hidden.
    layout.setPicture("LOC:VERSKIL", "@n-10.2");
}

void RePrintSlipReport::openDocument() {
    tables_.use<PQXH21, PQXH20>();
    ctx_.access<PQXH20>().clearBuffer();
}

void RePrintSlipReport::startLines() {
    auto& h21 = ctx_.access<PQXH21>();
    h21.clearBuffer();
    h21.rec.DOCUMENTNO = docNumber_;
    h21.SetFrom(PH21::DocumentNoKey);
}

bool RePrintSlipReport::readLine(const void*& record) {
    auto& h21 = ctx_.access<PQXH21>();
    if (h21.Next() != LevelBenign) return false;
    line_ = {};
    copyFields(line_, h21.rec);
    record = &h21.rec;
    return true;
}

void RePrintSlipReport::readHeader(std::uint32_t documentNo) {
    auto& h20 = ctx_.access<PQXH20>();
    h20.clearBuffer();
    h20.rec.DOCUMENTNO = documentNo;
    h20.Fetch(PH20::DocumentNoKey);
    head_ = {};
    copyFields(head_, h20.rec);
}

void RePrintSlipReport::takeHeader() {
    const PQXH20& h = ctx_.access<PQXH20>().rec;
    verskil_ = -h.VERSKIL;
    paid_ = h.PAID;
    change_ = h.CHANGE;
    layout().setHidden("VatNoCaption", h.PAYMETHOD != 4);
}

// From the document's transaction type: a row's side says nothing about the document (the
// control row of every sale is a debit).
bool RePrintSlipReport::isCreditNote() const { return trantype::isCreditNote(head_.TRANTYPENUMBER); }

// The reference the document was posted under: the till's prefix may have changed since.
std::string RePrintSlipReport::documentText() const { return clip(head_.REFERENCE1); }

void RePrintCashSlip(Runtime& runtime, Context& ctx, std::uint32_t documentNo) {
    RePrintSlipReport report(ctx, documentNo);
    runtime.run(report);
    if (report.completed()) showReport(runtime, report.output());
}

}  // namespace tavlo::report
