// The print preview and the report viewer as real windows on the offscreen platform: paging,
// zoom, marking, deleting, printing to a file and saving pages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "gui_test_support.h"
#include "test_runtime.h"
#include "gui/preview_page_view.h"
#include "gui/preview_paint.h"
#include "gui/preview_previewer.h"
#include "gui/preview_window.h"
#include "gui/report_viewer.h"
#include "reports/layout.h"
#include "reports/renderer.h"
#include "support.h"

namespace tavlo::gui {
namespace {

std::string shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Five pages, each with a header naming its page and one line of text.
report::Pages samplePages() {
    report::Layout layout;
    layout.body = {1000, 1500, 6000, 300};
    report::Band header{.name = "header", .at = {1000, 1000, 6000, 300}};
    header.add(report::pageNumber("page", 0, 0, 2000, "@pPage <<<#p", report::Align::Left));
    layout.pageHeader = header;
    int row = 0;
    report::Band detail{.name = "detail", .at = {0, 0, 6000, 200}};
    detail.add(report::field("row", 0, 0, 3000, "@s20", [&row] { return Value("Row " + std::to_string(row)); }));
    layout.details.push_back(detail);
    report::Renderer renderer(layout);
    for (row = 1; row <= 5; ++row) renderer.print("detail");
    renderer.finish();
    return renderer.takePages();
}

class ReportPreviewGui : public ::testing::Test {
protected:
    void SetUp() override {
        application();
        output_.procedure = "PrintDailyCashup";
        output_.title = "Daily Cash Up";
        output_.pdf = {"PrintTransactions", "PrintTransactions", "Tavlo"};
        output_.pages = samplePages();
        setPrintToFile((folder_ / "printed.pdf").string());
    }
    void TearDown() override { setPrintToFile(""); }
    int printedPages() {
        const std::string info = shell("pdfinfo '" + (folder_ / "printed.pdf").string() + "'");
        const auto at = info.find("Pages:");
        return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
    }

    support::TempFolder folder_;
    TestRuntime runtime_;
    report::ReportOutput output_;
};

TEST_F(ReportPreviewGui, ThePrintPreviewPagesZoomsAndPrintsTheChosenPages) {
    ASSERT_EQ(output_.pages.size(), 5u);
    output_.kind = report::PreviewKind::PrintPreview;
    PrintPreviewWindow window(runtime_, output_);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.windowTitle(), "Report Preview");
    if (const char* dir = std::getenv("TAVLO_SCREENSHOT_DIR"))
        window.grab().save(QString::fromUtf8(dir) + "/print_preview.png");
    auto* page = window.findChild<QSpinBox*>("PageSpin");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->value(), 1);

    window.nextPages();
    EXPECT_EQ(page->value(), 2);
    window.setGrid(2, 1);  // two pages across: paging moves by two
    window.nextPages();
    EXPECT_EQ(page->value(), 4);
    window.nextPages();  // pages 4 and 5 are the last ones shown
    EXPECT_EQ(page->value(), 4);
    window.previousPages();
    EXPECT_EQ(page->value(), 2);
    page->setValue(5);
    EXPECT_EQ(window.view()->current(), 4);

    for (int zoom = 0; zoom < static_cast<int>(PrintPreviewWindow::zoomChoices().size()); ++zoom) {
        window.setZoom(zoom);
        EXPECT_EQ(window.statusLabel()->text().toStdString(), PrintPreviewWindow::zoomChoices()[zoom].statusText);
    }
    window.setZoom(4);  // 100%: the page as wide as on paper
    EXPECT_NEAR(window.view()->widget()->width(), 2 * 8268 * window.logicalDpiX() / 1000.0 + 36, 4);

    EXPECT_FALSE(window.choosePages("7"));
    EXPECT_FALSE(window.choosePages("2,x"));
    ASSERT_TRUE(window.choosePages("2-3, 5"));
    EXPECT_EQ(window.chosenPages(), (std::vector<int>{1, 2, 4}));
    ASSERT_TRUE(window.printChosen());
    EXPECT_EQ(printedPages(), 3);
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(ReportPreviewGui, PagesToPrintIsAskedInItsOwnWindow) {
    PrintPreviewWindow window(runtime_, output_);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Pages to Print");
        auto* entry = dialog->findChild<QLineEdit*>("PagesEntry");
        EXPECT_EQ(entry->text(), "1-5");
        entry->setText("4-");
        for (auto* b : dialog->findChildren<QPushButton*>())
            if (b->text() == "&Ok") b->click();
    });
    window.fileMenu()->actions().at(0)->trigger();
    EXPECT_EQ(window.chosenPages(), (std::vector<int>{3, 4}));
}

TEST_F(ReportPreviewGui, TheReportViewerPagesMarksDeletesAndPrintsWithOptions) {
    output_.kind = report::PreviewKind::ReportViewer;
    output_.zoom = "No Zoom";
    ReportViewerWindow window(runtime_, output_);
    window.showMaximized();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.windowTitle(), "Daily Cash Up");
    if (const char* dir = std::getenv("TAVLO_SCREENSHOT_DIR"))  // to look at the window when asked
        window.grab().save(QString::fromUtf8(dir) + "/report_viewer.png");
    for (const char* tip : {"Print The Report", "Exit Without Printing Report", "Jump To Page ??", "Go To First Page",
                            "Previous Page", "Next Page", "Go To Last Page", "Print Current Page Only", "Display Thumbnails",
                            "Save Current Page To File", "Save Pages To File", "Delete Page",
                            "Mark / Unmark Page For Printing"})
        EXPECT_NE(window.button(tip), nullptr) << tip;
    auto* zoom = window.findChild<QComboBox*>("Zoom Control");
    ASSERT_NE(zoom, nullptr);
    EXPECT_EQ(zoom->currentText(), "No Zoom");
    EXPECT_EQ(window.statusLabel()->text(), "Page 1 of 5");

    QTest::mouseClick(window.button("Next Page"), Qt::LeftButton);
    QTest::mouseClick(window.button("Next Page"), Qt::LeftButton);
    EXPECT_EQ(window.statusLabel()->text(), "Page 3 of 5");
    QTest::mouseClick(window.button("Go To Last Page"), Qt::LeftButton);
    QTest::mouseClick(window.button("Next Page"), Qt::LeftButton);
    EXPECT_EQ(window.statusLabel()->text(), "Page 5 of 5");
    QTest::mouseClick(window.button("Go To First Page"), Qt::LeftButton);
    QTest::mouseClick(window.button("Previous Page"), Qt::LeftButton);
    EXPECT_EQ(window.statusLabel()->text(), "Page 1 of 5");

    // Mark pages 1 and 3, delete page 2: the marks stay with their pages.
    QTest::mouseClick(window.button("Mark / Unmark Page For Printing"), Qt::LeftButton);
    EXPECT_TRUE(window.statusLabel()->text().contains("Marked"));
    window.jumpTo(3);
    QTest::mouseClick(window.button("Mark / Unmark Page For Printing"), Qt::LeftButton);
    window.jumpTo(2);
    QTest::mouseClick(window.button("Delete Page"), Qt::LeftButton);
    EXPECT_EQ(window.pageCount(), 4);
    EXPECT_EQ(window.marked(), (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(window.statusLabel()->text(), "Page 2 of 4   Marked   (2 marked)");

    QTest::mouseClick(window.button("Display Thumbnails"), Qt::LeftButton);
    EXPECT_TRUE(window.thumbnails());
    EXPECT_EQ(window.view()->shown(), 8);
    QTest::mouseClick(window.button("Display Thumbnails"), Qt::LeftButton);
    EXPECT_EQ(window.view()->shown(), 1);

    for (int z = 0; z < zoom->count(); ++z) {
        window.setZoom(z);
        EXPECT_EQ(zoom->currentIndex(), z);
    }

    // Two uncollated copies of the unmarked pages: four sheets.
    report::PrintOptions options;
    options.range = report::PageRange::Unmarked;
    options.copies = 2;
    options.collate = false;
    ASSERT_TRUE(window.print(options));
    EXPECT_EQ(printedPages(), 4);
    ASSERT_TRUE(window.printCurrent());
    EXPECT_EQ(printedPages(), 1);
}

TEST_F(ReportPreviewGui, TheReportViewerSavesPagesAsTextAndAPageAsAVectorImage) {
    ReportViewerWindow window(runtime_, output_);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto text = folder_ / "pages.txt";
    ASSERT_TRUE(window.savePages(report::PageRange::Range, 2, 3, text.string()));
    const std::string saved = readFile(text);
    EXPECT_EQ(saved.find("Row 1"), std::string::npos);
    EXPECT_LT(saved.find("Row 2"), saved.find("Row 3"));
    EXPECT_EQ(saved.find("Row 4"), std::string::npos);

    // The dialog's file defaults to Save.txt; the operator picks another through the file dialog.
    runtime_.fileAnswers.push_back((folder_ / "all.txt").string());
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Save All Pages to File...");
        auto* file = dialog->findChild<QLineEdit*>("File");
        EXPECT_EQ(file->text(), "Save.txt");
        for (auto* b : dialog->findChildren<QPushButton*>())
            if (b->text() == "...") b->click();
        for (auto* b : dialog->findChildren<QPushButton*>())
            if (b->text() == "OK" || b->text() == "&OK") b->click();
    });
    QTest::mouseClick(window.button("Save Pages To File"), Qt::LeftButton);
    const std::string all = readFile(folder_ / "all.txt");
    EXPECT_NE(all.find("Row 1"), std::string::npos);
    EXPECT_NE(all.find("Row 5"), std::string::npos);

    window.jumpTo(4);
    runtime_.fileAnswers.push_back((folder_ / "page.svg").string());
    QTest::mouseClick(window.button("Save Current Page To File"), Qt::LeftButton);
    const std::string svg = readFile(folder_ / "page.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("Row 4"), std::string::npos);

    // A file that cannot be written is reported, not passed over.
    EXPECT_FALSE(window.savePages(report::PageRange::All, 1, 1, (folder_ / "no" / "such.txt").string()));
    ASSERT_FALSE(runtime_.messages.empty());
    EXPECT_NE(runtime_.messages.back().text.find("such.txt"), std::string::npos);
}

TEST_F(ReportPreviewGui, ThePreviewerShowsTheRightWindowUntilItIsClosed) {
    QtReportPreviewer previewer;
    for (auto kind : {report::PreviewKind::PrintPreview, report::PreviewKind::ReportViewer}) {
        output_.kind = kind;
        output_.maximized = kind == report::PreviewKind::ReportViewer;
        QString seen;
        bool maximized = false;
        QTimer::singleShot(0, [&] {
            QWidget* w = QApplication::activeModalWidget();
            ASSERT_NE(w, nullptr);
            seen = w->objectName();
            maximized = w->isMaximized();
            w->close();
        });
        EXPECT_EQ(previewer.show(runtime_, output_), std::nullopt);
        EXPECT_EQ(seen, kind == report::PreviewKind::PrintPreview ? "ReportPreview" : "ReportViewer");
        EXPECT_EQ(maximized, output_.maximized);
    }
}

}  // namespace
}  // namespace tavlo::gui
