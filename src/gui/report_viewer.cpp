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
#include "gui/ui_text.h"
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
        box = new QGroupBox(uiText("Drukbereik", "Print Range"), parent);
        group = new QButtonGroup(box);
        auto* grid = new QGridLayout(box);
        const QString names[] = {uiText("Alle bladsye", "All Pages"), uiText("Net gemerkte bladsye", "Marked Pages Only"),
                                 uiText("Net ongemerkte bladsye", "Unmarked Pages Only"),
                                 uiText("Reeks bladsye", "Range of Pages")};
        for (int i = 0; i < 4; ++i) {
            auto* radio = new QRadioButton(names[i], box);
            group->addButton(radio, i);
            grid->addWidget(radio, i, 0, 1, 4);
        }
        group->button(0)->setChecked(true);
        from = new QSpinBox(box);
        to = new QSpinBox(box);
        from->setRange(1, std::max(1, pageCount));
        to->setRange(1, std::max(1, pageCount));
        to->setValue(std::max(1, pageCount));
        grid->addWidget(new QLabel(uiText("Van:", "From:"), box), 4, 0);
        grid->addWidget(from, 4, 1);
        grid->addWidget(new QLabel(uiText("Tot:", "To:"), box), 4, 2);
        grid->addWidget(to, 4, 3);
    }
    report::PageRange range() const { return static_cast<report::PageRange>(std::max(0, group->checkedId())); }
};

std::optional<report::PrintOptions> askPrintOptions(QWidget* parent, QPrinter& printer, int pageCount) {
    QDialog dialog(parent);
    dialog.setObjectName("PrintOptions");
    dialog.setWindowTitle(uiText("Drukopsies", "Print Options"));
    auto* layout = new QVBoxLayout(&dialog);
    RangeBox range(&dialog, pageCount);
    layout->addWidget(range.box);
    auto* copiesRow = new QHBoxLayout;
    auto* copies = new QSpinBox(&dialog);
    copies->setObjectName("Copies");
    copies->setRange(1, 99);
    auto* collate = new QCheckBox(uiText("Sorteer", "Collate"), &dialog);
    collate->setChecked(true);
    copiesRow->addWidget(new QLabel(uiText("Afskrifte:", "Copies:"), &dialog));
    copiesRow->addWidget(copies);
    copiesRow->addWidget(collate);
    layout->addLayout(copiesRow);
    auto* faceUp = new QCheckBox(uiText("Drukker lewer bladsye met die voorkant op", "Printer Ejects Page Face Up"), &dialog);
    layout->addWidget(faceUp);
    auto* printerRow = new QHBoxLayout;
    auto* printerName = new QLabel(printer.printerName().isEmpty() ? printer.outputFileName() : printer.printerName(), &dialog);
    auto* choose = new QPushButton(uiText("Kies drukker...", "Select Printer..."), &dialog);
    printerRow->addWidget(new QLabel(uiText("Huidige drukker:", "Current Printer:"), &dialog));
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
    setWindowTitle(output_.title.empty() ? uiText("Verslagvoorskou", "Report Preview") : QString::fromStdString(output_.title));
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
    // Each button is named by its English tip, whatever the language shows.
    auto add = [&](const QString& text, const char* name, const QString& tip, auto&& handler) {
        auto* b = new QToolButton(toolbar);
        b->setText(text);
        b->setToolTip(tip);
        b->setObjectName(QString::fromUtf8(name));
        connect(b, &QToolButton::clicked, this, handler);
        toolbar->addWidget(b);
        buttons_.push_back(b);
    };
    add(uiText("Druk", "Print"), "Print The Report", uiText("Druk die verslag", "Print The Report"), [this] { askPrint(); });
    add(uiText("Verlaat", "Exit"), "Exit Without Printing Report", uiText("Verlaat sonder om die verslag te druk", "Exit Without Printing Report"), [this] { reject(); });
    toolbar->addSeparator();
    add(uiText("Bladsy ??", "Page ??"), "Jump To Page ??", uiText("Spring na bladsy ??", "Jump To Page ??"), [this] { askJump(); });
    add(QStringLiteral("|<"), "Go To First Page", uiText("Gaan na die eerste bladsy", "Go To First Page"), [this] { firstPage(); });
    add(QStringLiteral("<"), "Previous Page", uiText("Vorige bladsy", "Previous Page"), [this] { previousPage(); });
    add(QStringLiteral(">"), "Next Page", uiText("Volgende bladsy", "Next Page"), [this] { nextPage(); });
    add(QStringLiteral(">|"), "Go To Last Page", uiText("Gaan na die laaste bladsy", "Go To Last Page"), [this] { lastPage(); });
    toolbar->addSeparator();
    add(uiText("Druk bladsy", "Print Page"), "Print Current Page Only", uiText("Druk net die huidige bladsy", "Print Current Page Only"), [this] { printCurrent(); });
    add(uiText("Duimnaels", "Thumbnails"), "Display Thumbnails", uiText("Wys duimnaels", "Display Thumbnails"), [this] { toggleThumbnails(); });
    add(uiText("Stoor bladsy", "Save Page"), "Save Current Page To File", uiText("Stoor die huidige bladsy na 'n lêer", "Save Current Page To File"), [this] { askSaveCurrentPage(); });
    add(uiText("Stoor bladsye", "Save Pages"), "Save Pages To File", uiText("Stoor bladsye na 'n lêer", "Save Pages To File"), [this] { askSavePages(); });
    zoomBox_ = new QComboBox(toolbar);
    zoomBox_->setObjectName("Zoom Control");
    zoomBox_->setToolTip(uiText("Zoembeheer", "Zoom Control"));
    for (const std::string& z : zoomChoices()) zoomBox_->addItem(zoomText(z));
    connect(zoomBox_, qOverload<int>(&QComboBox::activated), this, [this](int i) { setZoom(i); });
    toolbar->addWidget(zoomBox_);
    toolbar->addSeparator();
    add(uiText("Skrap", "Delete"), "Delete Page", uiText("Skrap bladsy", "Delete Page"), [this] { deletePage(); });
    add(uiText("Merk", "Mark"), "Mark / Unmark Page For Printing", uiText("Merk / ontmerk bladsy vir drukwerk", "Mark / Unmark Page For Printing"), [this] { toggleMark(); });
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
        if (b->objectName().toStdString() == tip) return b;
    return nullptr;
}

void ReportViewerWindow::sync() {
    const QSignalBlocker block(zoomBox_);
    zoomBox_->setCurrentIndex(zoom_);
    const int count = pageCount();
    QString text = count == 0 ? uiText("Geen bladsye", "No pages")
                              : uiText("Bladsy %1 van %2", "Page %1 of %2").arg(view_->current() + 1).arg(count);
    const auto current = static_cast<std::size_t>(view_->current());
    if (current < marked_.size() && marked_[current]) text += uiText("   Gemerk", "   Marked");
    const auto markedCount = std::count(marked_.begin(), marked_.end(), true);
    if (markedCount > 0) text += uiText("   (%1 gemerk)", "   (%1 marked)").arg(markedCount);
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
    box.title = uiText("Verslagvoorskou", "Report Preview").toStdString();
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
    const int page = QInputDialog::getInt(this, uiText("Spring na bladsy", "Jump To Page"), uiText("Bladsy:", "Page:"), view_->current() + 1, 1,
                                          std::max(1, pageCount()), 1, &ok);
    if (ok) jumpTo(page);
}

void ReportViewerWindow::askSavePages() {
    QDialog dialog(this);
    dialog.setObjectName("SavePages");
    dialog.setWindowTitle(uiText("Stoor alle bladsye na lêer...", "Save All Pages to File..."));
    auto* layout = new QVBoxLayout(&dialog);
    RangeBox range(&dialog, pageCount());
    layout->addWidget(range.box);
    auto* fileRow = new QHBoxLayout;
    auto* file = new QLineEdit(QStringLiteral("Save.txt"), &dialog);
    file->setObjectName("File");
    auto* browse = new QPushButton(QStringLiteral("..."), &dialog);
    fileRow->addWidget(new QLabel(uiText("Lêer:", "File:"), &dialog));
    fileRow->addWidget(file, 1);
    fileRow->addWidget(browse);
    layout->addLayout(fileRow);
    connect(browse, &QPushButton::clicked, &dialog, [&] {
        if (auto chosen = runtime_.chooseSaveFile(uiText("Stoor alle bladsye na lêer...", "Save All Pages to File...").toStdString(),
                                                  file->text().toStdString(),
                                                  {{uiText("Tekslêer", "Text File").toStdString(), "*.TXT"},
                                                   {uiText("Alle lêers", "All Files").toStdString(), "*.*"}}))
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
    if (auto path = runtime_.chooseSaveFile(uiText("Stoor die huidige bladsy na 'n lêer", "Save Current Page To File").toStdString(), "",
                                            {{uiText("Tekslêer", "Text File").toStdString(), "*.TXT"},
                                             {uiText("Vektorbeeld", "Vector Image").toStdString(), "*.SVG"},
                                             {uiText("Alle lêers", "All Files").toStdString(), "*.*"}}))
        saveCurrentPage(*path);
}

}  // namespace tavlo::gui
