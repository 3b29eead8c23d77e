#include "reports/audit_report.h"

#include "framework/message.h"
#include "framework/runtime.h"
#include "operators/audit.h"
#include "state/globals.h"

namespace tavlo::report {

AuditTrailReport::AuditTrailReport(Context& ctx, DayNumber from, DayNumber to)
    : ReportProcedure("PrintAuditTrail"), ctx_(ctx), from_(from), to_(to) {
    output_.kind = PreviewKind::ReportViewer;
    output_.pdf = {"PrintAuditTrail", "PrintAuditTrail"};
}

void AuditTrailReport::DefineReport(Layout& layout) {
    auto& a = ctx_.access<PQXAUDIT>().rec;
    // Titles are set in the language in use: the trail is read by the owner, not a translator.
    auto text = [](std::string_view af, std::string_view en) { return std::string(byLanguage(af, en)); };
    layout.title = text("Ouditspoor", "Audit Trail");
    layout.font = Font{"Arial", 8};
    layout.body = {500, 1500, 7500, 8900};

    Band header{.name = "PageHeader", .at = {500, 500, 7500, 950}};
    header.add(caption(text("Ouditspoor van toesighouers", "Supervisor Audit Trail"), 0, 0, 7500, Align::Center));
    header.add(pageNumber("PageCount", 6427, 250, 875, "@pPage <<<#p"));
    header.add(field("LOC:FROM", 0, 250, 0, "@d17", [this] { return Value(static_cast<long long>(from_)); }));
    header.add(caption("-", 800, 250));
    header.add(field("LOC:TO", 900, 250, 0, "@d17", [this] { return Value(static_cast<long long>(to_)); }));
    header.add(hline(0, 560, 7500));
    header.add(caption(text("Datum", "Date"), 0, 620, 700));
    header.add(caption(text("Tyd", "Time"), 720, 620, 450));
    header.add(caption(text("Op.", "Op."), 1190, 620, 300));
    header.add(caption(text("Gemagtig deur", "Authorised by"), 1500, 620, 1000));
    header.add(caption(text("Wat gebeur het", "What happened"), 2520, 620, 1700));
    header.add(caption(text("Dokument / item", "Document / item"), 4240, 620, 1100));
    header.add(caption(text("Oud", "Old"), 5360, 620, 1050));
    header.add(caption(text("Nuut", "New"), 6430, 620, 1070));
    header.add(hline(0, 850, 7500));
    layout.pageHeader = header;

    Band detail{.name = "Detail", .at = {0, 0, 7500, 167}};
    detail.add(field("PAUD:AUDITDATE", 0, 0, 700, "@d17", [&a] { return Value(static_cast<long long>(a.AUDITDATE)); }));
    detail.add(field("PAUD:AUDITTIME", 720, 0, 450, "@t4", [&a] { return Value(static_cast<long long>(a.AUDITTIME)); }));
    detail.add(field("PAUD:OPERATORNO", 1190, 0, 300, "@s3", [&a] { return Value(a.OPERATORNO); }));
    detail.add(field("LOC:SOURCE", 1500, 0, 1000, "@s20", [this] { return Value(source_); }));
    detail.add(field("LOC:ACTION", 2520, 0, 1700, "@s30", [this] { return Value(action_); }));
    detail.add(field("PAUD:DOCUMENT", 4240, 0, 1100, "@s20", [&a] { return Value(a.DOCUMENT); }));
    detail.add(field("PAUD:OLDVALUE", 5360, 0, 1050, "@s20", [&a] { return Value(a.OLDVALUE); }));
    detail.add(field("PAUD:NEWVALUE", 6430, 0, 1070, "@s20", [&a] { return Value(a.NEWVALUE); }));
    layout.details.push_back(std::move(detail));
}

bool AuditTrailReport::OpenTables() {
    ctx_.access<PQXAUDIT>().UseFile();
    return true;
}

void AuditTrailReport::CloseTables() { ctx_.access<PQXAUDIT>().Close(); }

bool AuditTrailReport::OpenReport() {
    if (GLO.afrikaans()) layout().setPicture("PageCount", "@pBls. <<#p");
    auto& a = ctx_.access<PQXAUDIT>();
    a.clearBuffer();
    a.rec.AUDITDATE = from_;
    a.SetFrom(PAUD::DateKey);
    walking_ = true;
    return true;
}

bool AuditTrailReport::NextRecord() {
    auto& a = ctx_.access<PQXAUDIT>();
    if (!walking_) return false;
    if (a.TryNext() != LevelBenign || a.rec.AUDITDATE > to_) walking_ = false;
    return walking_;
}

void AuditTrailReport::TakeRecord() {
    auto& a = ctx_.access<PQXAUDIT>().rec;
    action_ = auditActionText(a.ACTION);
    source_ = supervisorSourceText(a.SOURCE);
    ++entries_;
    print("Detail");
}

void PrintAuditTrail(Runtime& runtime, Context& ctx, DayNumber from, DayNumber to) {
    AuditTrailReport report(ctx, from, to);
    runtime.run(report);
    if (!report.completed()) return;
    if (report.entries() > 0) {
        showReport(runtime, report.output());
        return;
    }
    // An empty preview would leave the owner guessing whether the report ran.
    MessageRequest box;
    box.title = std::string(byLanguage("Ouditspoor", "Audit Trail"));
    box.text = std::string(byLanguage("Daar is geen inskrywings op hierdie dae nie.", "There are no entries on these days."));
    box.icon = Icon::Information;
    runtime.message(box);
}

AuditTrail::AuditTrail() : Procedure("AuditTrail") {}

void AuditTrail::DefineWindow(Window& w) {
    from_ = to_ = today();
    w = Window("Audit Trail", 170, 74);
    w.panel().at(4, 4, 162, 48);
    w.prompt("&From .:").at(12, 14, 50, 10);
    fromEntry_ = w.entry(Binding(&from_), "@d6").at(70, 14, 60, 10).name("From");
    w.prompt("&To .:").at(12, 32, 50, 10);
    toEntry_ = w.entry(Binding(&to_), "@d6").at(70, 32, 60, 10).name("To");
    print_ = w.button("&Print").at(84, 56, 38, 14).name("Print").defaultButton();
    w.button("&Cancel").at(126, 56, 38, 14).name("Cancel").closes();
}

void AuditTrail::TakeAccepted(int control) {
    if (control != print_) return;
    if (to_ < from_) {
        MessageRequest box;
        box.title = std::string(byLanguage("Waarskuwing", "Warning"));
        box.text = std::string(byLanguage("Die tot-datum is voor die van-datum.", "The To date is before the From date."));
        box.icon = Icon::Information;
        showMessage(box);
        select(toEntry_);
        return;
    }
    PrintAuditTrail(runtime(), context(), from_, to_);
}

}  // namespace tavlo::report
