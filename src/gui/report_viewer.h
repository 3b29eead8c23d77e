#pragma once
// The stand-alone report viewer ("Report Preview", opened maximised): buttons with tips for
// printing with options, paging, thumbnails, saving pages as text or a page as a vector image,
// deleting pages and marking pages for printing.
#include <QDialog>
#include <QPrinter>
#include <string>
#include <vector>

#include "reports/print_options.h"
#include "reports/report_output.h"

class QComboBox;
class QLabel;
class QToolButton;

namespace tavlo {
class Runtime;
}

namespace tavlo::gui {

class PageView;

class ReportViewerWindow : public QDialog {
    Q_OBJECT
public:
    ReportViewerWindow(Runtime& runtime, report::ReportOutput& output, QWidget* parent = nullptr);
    ~ReportViewerWindow() override;

    static const std::vector<std::string>& zoomChoices();  // "No Zoom", "Page Width", "Zoom (50%)", ...

    PageView* view() const { return view_; }
    QLabel* statusLabel() const { return status_; }
    // The button with the given tip ("Next Page"), nullptr when none.
    QToolButton* button(const std::string& tip) const;
    const std::vector<bool>& marked() const { return marked_; }
    int pageCount() const { return static_cast<int>(output_.pages.size()); }
    bool thumbnails() const { return thumbnails_; }

    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();
    void jumpTo(int pageNumber);  // from 1
    void setZoom(int choice);     // index into zoomChoices()
    void toggleThumbnails();
    void toggleMark();
    void deletePage();
    // Printing with the options of "Print Options".
    bool print(const report::PrintOptions& options);
    bool printCurrent();
    // Writes the chosen pages' text.
    bool savePages(report::PageRange range, int from, int to, const std::string& path);
    // Writes the current page as text, or as a vector image when the name ends in ".svg".
    bool saveCurrentPage(const std::string& path);

private:
    void build();
    void sync();
    void askPrint();
    void askJump();
    void askSavePages();
    void askSaveCurrentPage();
    bool reportFailure(bool ok, const std::string& error);

    Runtime& runtime_;
    report::ReportOutput& output_;
    std::vector<bool> marked_;
    PageView* view_ = nullptr;
    QComboBox* zoomBox_ = nullptr;
    QLabel* status_ = nullptr;
    std::vector<QToolButton*> buttons_;
    bool thumbnails_ = false;
    int zoom_ = 0;
    QPrinter printer_;
};

}  // namespace tavlo::gui
