#include "reports/report_procedure.h"

#include <algorithm>

#include "framework/runtime.h"
#include "state/globals.h"

namespace tavlo::report {
namespace {

constexpr auto kRefresh = std::chrono::milliseconds(100);  // the progress window's tick

}  // namespace

void translateLayout(Layout& layout, const std::string& procedure, const std::string& structure) {
    layout.numberControls();
    std::vector<Item*> items = layout.controls();
    Window window(layout.title, 0, 0);
    for (Item* item : items) {
        const ControlKind kind = item->kind == ItemKind::Line ? ControlKind::Line : ControlKind::Display;
        window.add(kind, item->kind == ItemKind::Caption ? item->text : std::string());
    }
    windowTranslator().translateWindow(window, "Tavlo", procedure, structure);
    layout.title = window.title;
    for (Item* item : items)
        if (item->kind == ItemKind::Caption) item->text = window.text(item->number);
}

ReportProcedure::ReportProcedure(std::string name) : Procedure(std::move(name)) {
    output_.procedure = this->name();
}

bool ReportProcedure::Init(Runtime& runtime) {
    DefineReport(layout_);
    if (!Procedure::Init(runtime)) return false;
    translateReport();
    return true;
}

void ReportProcedure::Kill() {
    renderer_.reset();
    Procedure::Kill();
}

void ReportProcedure::translateReport() {
    translateLayout(layout_, name(), reportStructure());
    if (output_.title.empty()) output_.title = layout_.title;
}

void ReportProcedure::DefineWindow(Window& window) {
    window.title = "Progress...";
    window.width = 142;
    window.height = 59;
    window.timer = 10;
    userString_ = window.display(Binding(&userText_), "@s40").at(0, 3, 141, 10);
    bar_ = window.add(ControlKind::Progress).use(Binding(&percent_)).at(15, 15, 111, 12);
    pctString_ = window.display(Binding(&percentText_), "@s40").at(0, 30, 141, 10);
    cancel_ = window.button("Cancel").at(45, 42, 50, 15);
}

void ReportProcedure::TakeOpened() {
    if (started_) return;
    started_ = true;
    userText_.clear();
    percentText_.clear();
    percent_ = 0;
    renderer_ = std::make_unique<Renderer>(layout_);
    if (!OpenReport()) {
        finishReport();
        return;
    }
    total_ = std::max(0LL, RecordCount());
    processBatch();
}

void ReportProcedure::TakeTimer() {
    if (started_ && !finished_) processBatch();
}

void ReportProcedure::TakeAccepted(int control) {
    if (control == cancel_) abandon();
}

bool ReportProcedure::TakeCloseRequest() {
    if (!finished_) abandon();
    return true;
}

void ReportProcedure::print(std::string_view detail) {
    if (renderer_) renderer_->print(detail);
}

void ReportProcedure::processBatch() {
    const auto sliceStart = std::chrono::steady_clock::now();
    int rows = 0;
    while (!finished_) {
        if (!NextRecord()) {
            finishReport();
            return;
        }
        ++rowsRead_;
        TakeRecord();
        if (++rows >= batch_ || std::chrono::steady_clock::now() - sliceStart >= kRefresh) break;
    }
    // The window's timer brings the next batch, after the face has had its turn (Cancel).
    refreshProgress();
}

void ReportProcedure::refreshProgress() {
    const int pct = finished_ ? 100 : total_ > 0 ? static_cast<int>(std::min<long long>(100, rowsRead_ * 100 / total_)) : 0;
    percent_ = pct;
    percentText_ = std::to_string(pct) + std::string(byLanguage("% voltooi", "% Complete"));
    runtime().display(*this);
}

void ReportProcedure::finishReport() {
    if (finished_) return;
    finished_ = true;
    EndReport();
    renderer_->finish();
    output_.pages = renderer_->takePages();
    refreshProgress();
    completed_ = true;
    close(Response::Completed);
}

void ReportProcedure::abandon() {
    if (finished_) return;
    finished_ = true;
    cancelled_ = true;
    output_.pages.clear();
    close(Response::Cancelled);
}

}  // namespace tavlo::report
