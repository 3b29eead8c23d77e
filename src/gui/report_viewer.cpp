#include "gui/report_viewer.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

#include "framework/message.h"
#include "framework/runtime.h"
#include "gui/preview_page_view.h"
#include "gui/preview_paint.h"
#include "gui/preview_window.h"
#include "reports/text_writer.h"
#include "util/text.h"

namespace tavlo::gui {
namespace {

// The range choice shared by "Print Options" and "Save All Pages to File...".
struct RangeBox {
    QGroupBox* box;
    QButtonGroup* group;
    QSpinBox* from;
    QSpinBox* to;

    RangeBox(QWidget* parent, int pageCount) {
        box = new QGroupBox(QStringLiteral("Print Range"), parent);
        group = new QButtonGroup(box);
        auto* grid = new QGridLayout(box);
        const char* names[] = {"All Pages", "Marked Pages Only", "Unmarked Pages Only", "Range of Pages"};
        for (int i = 0; i < 4; ++i) {
            auto* radio = new QRadioButton(QString::fromUtf8(names[i]), box);
            group->addButton(radio, i);
            grid->addWidget(radio, i, 0, 1, 4);
        }
        group->button(0)->setChecked(true);
        from = new QSpinBox(box);
        to = new QSpinBox(box);
        from->setRange(1, std::max(1, pageCount));
        to->setRange(1, std::max(1, pageCount));
        to->setValue(std::max(1, pageCount));
        grid->addWidget(new QLabel(QStringLiteral("From:"), box), 4, 0);
        grid->addWidget(from, 4, 1);
        grid->addWidget(new QLabel(QStringLiteral("To:"), box), 4, 2);
        grid->addWidget(to, 4, 3);
    }
    report::PageRange range() const { return static_cast<report::PageRange>(std::max(0, group->checkedId())); }
};

std::optional<report::PrintOptions> askPrintOptions(QWidget* parent, QPrinter& printer, int pageCount) {
    QDialog dialog(parent);
    dialog.setObjectName("PrintOptions");
    dialog.setWindowTitle(QStringLiteral("Print Options"));
    auto* layout = new QVBoxLayout(&dialog);
    RangeBox range(&dialog, pageCount);
    layout->addWidget(range.box);
    auto* copiesRow = new QHBoxLayout;
    auto* copies = new QSpinBox(&dialog);
    copies->setObjectName("Copies");
    copies->setRange(1, 99);
    auto* collate = new QCheckBox(QStringLiteral("Collate"), &dialog);
    collate->setChecked(true);
    copiesRow->addWidget(new QLabel(QStringLiteral("Copies:"), &dialog));
    copiesRow->addWidget(copies);
    copiesRow->addWidget(collate);
    layout->addLayout(copiesRow);
    auto* faceUp = new QCheckBox(QStringLiteral("Printer Ejects Page Face Up"), &dialog);
    layout->addWidget(faceUp);
    auto* printerRow = new QHBoxLayout;
    auto* printerName = new QLabel(printer.printerName().isEmpty() ? printer.outputFileName() : printer.printerName(), &dialog);
    auto* choose = new QPushButton(QStringLiteral("Select Printer..."), &dialog);
    printerRow->addWidget(new QLabel(QStringLiteral("Current Printer:"), &dialog));
    printerRow->addWidget(printerName, 1);
    printerRow->addWidget(choose);
    layout->addLayout(printerRow);
    QObject::connect(choose, &QPushButton::clicked, &dialog, [&] {
        QPrintDialog select(&printer, &dialog);
        if (select.exec() == QDialog::Accepted) printerName->setText(printer.printerName());
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    report::PrintOptions options;
    options.range = range.range();
    options.from = range.from->value();
    options.to = range.to->value();
    options.copies = copies->value();
    options.collate = collate->isChecked();
    options.faceUp = faceUp->isChecked();
    return options;
}

}  // namespace

const std::vector<std::string>& ReportViewerWindow::zoomChoices() {
    static const std::vector<std::string> choices = {"No Zoom",     "Page Width",  "Zoom (50%)", "Zoom (75%)",
                                                     "Zoom (100%)", "Zoom (200%)", "Zoom (300%)"};
    return choices;
}

ReportViewerWindow::ReportViewerWindow(Runtime& runtime, report::ReportOutput& output, QWidget* parent)
    : QDialog(parent), runtime_(runtime), output_(output), marked_(output.pages.size(), false) {
    setObjectName("ReportViewer");
    setWindowTitle(output_.title.empty() ? QStringLiteral("Report Preview") : QString::fromStdString(output_.title));
    preparePrinter(printer_);
    build();
    const auto& choices = zoomChoices();
    const auto it = std::find(choices.begin(), choices.end(), output_.zoom);
    setZoom(it == choices.end() ? 0 : static_cast<int>(it - choices.begin()));
}

ReportViewerWindow::~ReportViewerWindow() = default;

void ReportViewerWindow::build() {
    resize(1000, 760);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* toolbar = new QToolBar(this);
    auto add = [&](const char* text, const char* tip, auto&& handler) {
        auto* b = new QToolButton(toolbar);
        b->setText(QString::fromUtf8(text));
        b->setToolTip(QString::fromUtf8(tip));
        b->setObjectName(QString::fromUtf8(tip));
        connect(b, &QToolButton::clicked, this, handler);
        toolbar->addWidget(b);
        buttons_.push_back(b);
    };
    add("Print", "Print The Report", [this] { askPrint(); });
    add("Exit", "Exit Without Printing Report", [this] { reject(); });
    toolbar->addSeparator();
    add("Page ??", "Jump To Page ??", [this] { askJump(); });
    add("|<", "Go To First Page", [this] { firstPage(); });
    add("<", "Previous Page", [this] { previousPage(); });
    add(">", "Next Page", [this] { nextPage(); });
    add(">|", "Go To Last Page", [this] { lastPage(); });
    toolbar->addSeparator();
    add("Print Page", "Print Current Page Only", [this] { printCurrent(); });
    add("Thumbnails", "Display Thumbnails", [this] { toggleThumbnails(); });
    add("Save Page", "Save Current Page To File", [this] { askSaveCurrentPage(); });
    add("Save Pages", "Save Pages To File", [this] { askSavePages(); });
    zoomBox_ = new QComboBox(toolbar);
    zoomBox_->setObjectName("Zoom Control");
    zoomBox_->setToolTip(QStringLiteral("Zoom Control"));
    for (const std::string& z : zoomChoices()) zoomBox_->addItem(QString::fromStdString(z));
    connect(zoomBox_, qOverload<int>(&QComboBox::activated), this, [this](int i) { setZoom(i); });
    toolbar->addWidget(zoomBox_);
    toolbar->addSeparator();
    add("Delete", "Delete Page", [this] { deletePage(); });
    add("Mark", "Mark / Unmark Page For Printing", [this] { toggleMark(); });
    layout->addWidget(toolbar);

    view_ = new PageView(this);
    view_->setPages(&output_.pages, &marked_);
    layout->addWidget(view_, 1);
    status_ = new QLabel(this);
    status_->setObjectName("Status");
    layout->addWidget(status_);
}

QToolButton* ReportViewerWindow::button(const std::string& tip) const {
    for (QToolButton* b : buttons_)
        if (b->toolTip().toStdString() == tip) return b;
    return nullptr;
}

void ReportViewerWindow::sync() {
    const QSignalBlocker block(zoomBox_);
    zoomBox_->setCurrentIndex(zoom_);
    const int count = pageCount();
    QString text = count == 0 ? QStringLiteral("No pages")
                              : QStringLiteral("Page %1 of %2").arg(view_->current() + 1).arg(count);
    const auto current = static_cast<std::size_t>(view_->current());
    if (current < marked_.size() && marked_[current]) text += QStringLiteral("   Marked");
    const auto markedCount = std::count(marked_.begin(), marked_.end(), true);
    if (markedCount > 0) text += QStringLiteral("   (%1 marked)").arg(markedCount);
    status_->setText(text);
    view_->refresh();
}

void ReportViewerWindow::firstPage() {
    view_->setCurrent(0);
    sync();
}

void ReportViewerWindow::previousPage() {
    view_->setCurrent(view_->current() - (thumbnails_ ? view_->shown() : 1));
    sync();
}

void ReportViewerWindow::nextPage() {
    const int next = view_->current() + (thumbnails_ ? view_->shown() : 1);
    if (next < pageCount()) view_->setCurrent(next);
    sync();
}

void ReportViewerWindow::lastPage() {
    view_->setCurrent(pageCount() - 1);
    sync();
}

void ReportViewerWindow::jumpTo(int pageNumber) {
    view_->setCurrent(pageNumber - 1);
    sync();
}

void ReportViewerWindow::setZoom(int choice) {
    if (choice < 0 || choice >= static_cast<int>(zoomChoices().size())) return;
    zoom_ = choice;
    static const int percents[] = {0, -1, 50, 75, 100, 200, 300};
    const int percent = percents[choice];
    if (percent == 0)
        view_->setZoom(ZoomMode::FitPage);
    else if (percent < 0)
        view_->setZoom(ZoomMode::PageWidth);
    else
        view_->setZoom(ZoomMode::Percent, percent);
    sync();
}

void ReportViewerWindow::toggleThumbnails() {
    thumbnails_ = !thumbnails_;
    if (thumbnails_) {
        view_->setGrid(4, 2);
        view_->setZoom(ZoomMode::FitPage);
    } else {
        view_->setGrid(1, 1);
        setZoom(zoom_);
    }
    sync();
}

void ReportViewerWindow::toggleMark() {
    const auto current = static_cast<std::size_t>(view_->current());
    if (current < marked_.size()) marked_[current] = !marked_[current];
    sync();
}

void ReportViewerWindow::deletePage() {
    const auto current = static_cast<std::size_t>(view_->current());
    if (current >= output_.pages.size()) return;
    output_.pages.erase(output_.pages.begin() + static_cast<std::ptrdiff_t>(current));
    marked_.erase(marked_.begin() + static_cast<std::ptrdiff_t>(current));
    view_->setCurrent(std::min<int>(static_cast<int>(current), pageCount() - 1));
    sync();
}

bool ReportViewerWindow::reportFailure(bool ok, const std::string& error) {
    if (ok) return true;
    MessageRequest box;
    box.title = "Report Preview";
    box.text = error;
    box.icon = Icon::Exclamation;
    runtime_.message(box);
    return false;
}

bool ReportViewerWindow::print(const report::PrintOptions& options) {
    std::string error;
    const bool ok = printPages(printer_, output_.pages, report::printSequence(options, pageCount(), marked_), &error);
    return reportFailure(ok, error);
}

bool ReportViewerWindow::printCurrent() {
    if (output_.pages.empty()) return false;
    std::string error;
    const bool ok = printPages(printer_, output_.pages, {view_->current()}, &error);
    return reportFailure(ok, error);
}

bool ReportViewerWindow::savePages(report::PageRange range, int from, int to, const std::string& path) {
    const std::vector<int> pages = report::choosePages(range, from, to, pageCount(), marked_);
    std::string error;
    return reportFailure(report::writeTextFile(path, report::pagesText(output_.pages, pages), &error), error);
}

bool ReportViewerWindow::saveCurrentPage(const std::string& path) {
    if (output_.pages.empty()) return false;
    const auto index = static_cast<std::size_t>(view_->current());
    const bool vector = tavlo::lower(std::filesystem::path(path).extension().string()) == ".svg";
    const std::string contents =
        vector ? report::pageSvg(output_.pages[index]) : report::pagesText(output_.pages, {static_cast<int>(index)});
    std::string error;
    return reportFailure(report::writeTextFile(path, contents, &error), error);
}

void ReportViewerWindow::askPrint() {
    const int choice = selectOutput(this);
    if (choice == 0) {
        if (auto options = askPrintOptions(this, printer_, pageCount())) print(*options);
    } else if (choice == 1) {
        if (auto path = report::choosePdfFile(runtime_, output_)) report::savePdf(runtime_, output_, *path);
    }
}

void ReportViewerWindow::askJump() {
    bool ok = false;
    const int page = QInputDialog::getInt(this, QStringLiteral("Jump To Page"), QStringLiteral("Page:"), view_->current() + 1, 1,
                                          std::max(1, pageCount()), 1, &ok);
    if (ok) jumpTo(page);
}

void ReportViewerWindow::askSavePages() {
    QDialog dialog(this);
    dialog.setObjectName("SavePages");
    dialog.setWindowTitle(QStringLiteral("Save All Pages to File..."));
    auto* layout = new QVBoxLayout(&dialog);
    RangeBox range(&dialog, pageCount());
    layout->addWidget(range.box);
    auto* fileRow = new QHBoxLayout;
    auto* file = new QLineEdit(QStringLiteral("Save.txt"), &dialog);
    file->setObjectName("File");
    auto* browse = new QPushButton(QStringLiteral("..."), &dialog);
    fileRow->addWidget(new QLabel(QStringLiteral("File:"), &dialog));
    fileRow->addWidget(file, 1);
    fileRow->addWidget(browse);
    layout->addLayout(fileRow);
    connect(browse, &QPushButton::clicked, &dialog, [&] {
        if (auto chosen = runtime_.chooseSaveFile("Save All Pages to File...", file->text().toStdString(),
                                                  {{"Text File", "*.TXT"}, {"All Files", "*.*"}}))
            file->setText(QString::fromStdString(*chosen));
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() == QDialog::Accepted && !file->text().trimmed().isEmpty())
        savePages(range.range(), range.from->value(), range.to->value(), file->text().trimmed().toStdString());
}

void ReportViewerWindow::askSaveCurrentPage() {
    if (auto path = runtime_.chooseSaveFile("Save Current Page To File", "",
                                            {{"Text File", "*.TXT"}, {"Vector Image", "*.SVG"}, {"All Files", "*.*"}}))
        saveCurrentPage(*path);
}

}  // namespace tavlo::gui
