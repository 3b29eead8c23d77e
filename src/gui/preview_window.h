#pragma once
// The print preview ("Report Preview") of the slips: File and View menus, a toolbar, the page
// grid, pages to print, printing, and "Save As..." to the PDF target.
#include <QDialog>
#include <QPrinter>
#include <string>
#include <vector>

#include "reports/report_output.h"

class QComboBox;
class QLabel;
class QSpinBox;
class QAction;
class QMenu;

namespace tavlo {
class Runtime;
}

namespace tavlo::gui {

class PageView;

// "Select an Output": the printer or the PDF target. The chosen index (0 printer, 1 PDF), -1
// when cancelled.
int selectOutput(QWidget* parent);

class PrintPreviewWindow : public QDialog {
    Q_OBJECT
public:
    PrintPreviewWindow(Runtime& runtime, report::ReportOutput& output, QWidget* parent = nullptr);
    ~PrintPreviewWindow() override;

    struct ZoomChoice {
        const char* menuText;
        const char* statusText;
        int percent;  // 0: tile pages, -1: page width
    };
    static const std::vector<ZoomChoice>& zoomChoices();

    PageView* view() const { return view_; }
    QMenu* fileMenu() const { return fileMenu_; }
    QMenu* viewMenu() const { return viewMenu_; }
    QLabel* statusLabel() const { return status_; }
    const std::vector<int>& chosenPages() const { return chosen_; }

    // What the menus and the toolbar do.
    void nextPages();
    void previousPages();
    void jumpTo(int pageNumber);  // from 1
    void setGrid(int across, int down);
    void setZoom(int choice);     // index into zoomChoices()
    int zoom() const { return zoom_; }
    // "Pages to Print": false when the text is not a page list of this report.
    bool choosePages(const std::string& text);
    bool printChosen();   // prints the chosen pages and closes
    bool printCurrent();  // prints the page on screen
    void saveAs();        // "Select an Output", then the printer or the PDF target

private:
    void build();
    void sync();
    void askPagesToPrint();
    void askJump();
    void askDisplay();
    bool print(const std::vector<int>& sequence);

    Runtime& runtime_;
    report::ReportOutput& output_;
    PageView* view_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QComboBox* zoomBox_ = nullptr;
    QSpinBox* pageSpin_ = nullptr;
    QSpinBox* acrossSpin_ = nullptr;
    QSpinBox* downSpin_ = nullptr;
    QLabel* status_ = nullptr;
    std::vector<QAction*> zoomActions_;
    std::vector<int> chosen_;
    int zoom_ = 1;
    QPrinter printer_;
};

}  // namespace tavlo::gui
