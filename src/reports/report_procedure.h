#pragma once
// A report procedure: its window is the progress window ("Progress...", a bar, two lines of
// text and "Cancel"); while it is open the rows are read and the procedure decides per row what
// to print. When the rows are done the window closes and the pages are ready for the preview.
//
//   class MyReport : public ReportProcedure {
//       void DefineReport(Layout& layout) override;   // bands and items
//       bool OpenReport() override;                   // open tables, set the view
//       bool NextRecord() override;                   // next row of the view, false at the end
//       void TakeRecord() override;                   // decide, then print(...) a detail
//   };
//   MyReport report(ctx);
//   runtime.run(report);
//   if (report.completed()) showReport(runtime, report.output());
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/procedure.h"
#include "reports/layout.h"
#include "reports/renderer.h"
#include "reports/report_output.h"

namespace tavlo::report {

class ReportProcedure : public Procedure {
public:
    explicit ReportProcedure(std::string name);

    // True when every row was read and the pages are complete (not cancelled, Init succeeded).
    bool completed() const { return completed_; }
    bool cancelled() const { return cancelled_; }
    Layout& layout() { return layout_; }
    ReportOutput& output() { return output_; }
    const Pages& pages() const { return output_.pages; }

    // Rows read per timer tick at most; a tick also ends after a tenth of a second of reading,
    // so the window is refreshed and Cancel is heard. Tests lower it to see the refreshes.
    void setBatch(int rows) { batch_ = rows; }

    // Progress window controls.
    int progressBar() const { return bar_; }
    int userText() const { return userString_; }
    int percentText() const { return pctString_; }
    int cancelButton() const { return cancel_; }

    std::string structureName() const override { return "ProgressWindow"; }

    bool Init(Runtime& runtime) override;
    void Kill() override;

protected:
    virtual void DefineReport(Layout& layout) = 0;
    // The structure name the report's layout is translated under.
    virtual std::string reportStructure() const { return "Report"; }
    // Before the first row: read what the report needs; false ends the report with no rows.
    virtual bool OpenReport() { return true; }
    // Reads the next row of the view into the record buffers; false at the end.
    virtual bool NextRecord() = 0;
    // The rows the progress bar counts towards (0 when unknown).
    virtual long long RecordCount() { return 0; }
    virtual void TakeRecord() = 0;
    // After the last row, before the pages are finished.
    virtual void EndReport() {}

    // Prints a detail band of the layout.
    void print(std::string_view detail);

    void DefineWindow(Window& window) override;
    void TakeOpened() override;
    void TakeTimer() override;
    void TakeAccepted(int control) override;
    bool TakeCloseRequest() override;

    ReportOutput output_;

private:
    void translateReport();
    void processBatch();
    void finishReport();
    void abandon();
    void refreshProgress();

    Layout layout_;
    std::unique_ptr<Renderer> renderer_;
    bool started_ = false;
    bool finished_ = false;
    bool completed_ = false;
    bool cancelled_ = false;
    long long rowsRead_ = 0;
    long long total_ = 0;
    int batch_ = 1 << 30;

    // Progress window variables and controls.
    int percent_ = 0;
    std::string userText_;
    std::string percentText_;
    int bar_ = 0, userString_ = 0, pctString_ = 0, cancel_ = 0;
};

// The layout as a window of numbered controls (control 0 its title), for the translator; texts
// it changed are copied back into the layout's captions.
void translateLayout(Layout& layout, const std::string& procedure, const std::string& structure);

}  // namespace tavlo::report
