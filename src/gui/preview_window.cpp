#include "gui/preview_window.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

#include "framework/message.h"
#include "framework/runtime.h"
#include "gui/preview_page_view.h"
#include "gui/preview_paint.h"
#include "gui/ui_text.h"
#include "reports/print_options.h"

namespace tavlo::gui {

int selectOutput(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName("SelectOutput");
    dialog.setWindowTitle(uiText("Kies 'n uitvoer", "Select an Output"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* list = new QListWidget(&dialog);
    list->setObjectName("OutputList");
    list->addItems({uiText("Drukker", "Printer"), QStringLiteral("PDF")});
    list->setCurrentRow(0);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted ? list->currentRow() : -1;
}

const std::vector<PrintPreviewWindow::ZoomChoice>& PrintPreviewWindow::zoomChoices() {
    static const std::vector<ZoomChoice> choices = {
        {"Tile pages", "Zoom: Tile Pages", 0}, {"Page Width", "Zoom: Page Width", -1}, {"50% Zoom", "Zoom: 50%", 50},
        {"75% Zoom", "Zoom: 75%", 75},         {"100% Zoom", "Zoom: 100%", 100},       {"200% Zoom", "Zoom: 200%", 200},
        {"300% Zoom", "Zoom: 300%", 300},
    };
    return choices;
}

PrintPreviewWindow::PrintPreviewWindow(Runtime& runtime, report::ReportOutput& output, QWidget* parent)
    : QDialog(parent), runtime_(runtime), output_(output) {
    setObjectName("ReportPreview");
    setWindowTitle(uiText("Verslagvoorskou", "Report Preview"));
    preparePrinter(printer_);
    for (int p = 0; p < static_cast<int>(output_.pages.size()); ++p) chosen_.push_back(p);
    build();
    if (WindowPositions* positions = windowPositions())
        if (auto g = positions->load("ReportPreview")) setGeometry(g->x, g->y, g->width, g->height);
}

PrintPreviewWindow::~PrintPreviewWindow() {
    if (WindowPositions* positions = windowPositions())
        positions->save("ReportPreview", WindowGeometry{x(), y(), width(), height(), isMaximized(), false});
}

void PrintPreviewWindow::build() {
    resize(900, 700);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* menuBar = new QMenuBar(this);
    layout->setMenuBar(menuBar);

    fileMenu_ = menuBar->addMenu(uiText("&Lêer", "&File"));
    fileMenu_->addAction(uiText("&Bladsye om te druk...", "Pa&ges to Print..."), this, [this] { askPagesToPrint(); });
    QAction* printAction = fileMenu_->addAction(uiText("&Druk", "&Print"), this, [this] { printChosen(); });
    fileMenu_->addAction(uiText("Druk &huidige bladsy", "Print C&urrent Page"), this, [this] { printCurrent(); });
    fileMenu_->addAction(uiText("&Stoor as...", "&Save As..."), this, [this] { saveAs(); });
    fileMenu_->addSeparator();
    QAction* exitAction = fileMenu_->addAction(uiText("&Verlaat", "E&xit"), this, [this] { reject(); });

    viewMenu_ = menuBar->addMenu(uiText("&Aansig", "&View"));
    viewMenu_->addAction(uiText("&Volgende bladsy(e)", "&Next Page(s)"), this, [this] { nextPages(); });
    viewMenu_->addAction(uiText("V&orige bladsy(e)", "&Previous Page(s)"), this, [this] { previousPages(); });
    viewMenu_->addAction(uiText("&Spring na 'n bladsy", "&Jump to a page"), this, [this] { askJump(); });
    viewMenu_->addAction(uiText("Verander &vertoning", "&Change Display"), this, [this] { askDisplay(); });
    QMenu* zoomMenu = viewMenu_->addMenu(uiText("&Zoem", "&Zoom"));
    for (std::size_t i = 0; i < zoomChoices().size(); ++i) {
        QAction* a = zoomMenu->addAction(zoomText(zoomChoices()[i].menuText), this,
                                         [this, i] { setZoom(static_cast<int>(i)); });
        a->setCheckable(true);
        zoomActions_.push_back(a);
    }

    auto* toolbar = new QToolBar(this);
    toolbar->addAction(printAction);
    toolbar->addAction(exitAction);
    QAction* zoomButton = toolbar->addAction(uiText("Zoem", "Zoom"), this, [this] {
        setZoom(zoom_ == 1 ? 4 : 1);  // between page width and actual size
    });
    zoomButton->setToolTip(uiText("Zoem", "Zoom"));
    toolbar->addSeparator();
    auto* zoomLabel = new QLabel(uiText("Z&oem:", "Z&oom:"), toolbar);
    zoomBox_ = new QComboBox(toolbar);
    zoomBox_->setObjectName("ZoomBox");
    for (const ZoomChoice& c : zoomChoices()) zoomBox_->addItem(zoomText(c.menuText));
    zoomLabel->setBuddy(zoomBox_);
    toolbar->addWidget(zoomLabel);
    toolbar->addWidget(zoomBox_);
    const int pageCount = static_cast<int>(output_.pages.size());
    auto addSpin = [&](const QString& text, const char* name, int max) {
        auto* label = new QLabel(text, toolbar);
        auto* spin = new QSpinBox(toolbar);
        spin->setObjectName(name);
        spin->setRange(1, std::max(1, max));
        label->setBuddy(spin);
        toolbar->addWidget(label);
        toolbar->addWidget(spin);
        return spin;
    };
    pageSpin_ = addSpin(uiText("&Bladsy:", "&Page:"), "PageSpin", pageCount);
    acrossSpin_ = addSpin(uiText("&Oor:", "&Across:"), "AcrossSpin", 10);
    downSpin_ = addSpin(uiText("&Af:", "&Down:"), "DownSpin", 10);
    layout->addWidget(toolbar);

    view_ = new PageView(this);
    view_->setPages(&output_.pages);
    layout->addWidget(view_, 1);
    status_ = new QLabel(this);
    status_->setObjectName("Status");
    layout->addWidget(status_);

    connect(zoomBox_, qOverload<int>(&QComboBox::activated), this, [this](int i) { setZoom(i); });
    connect(pageSpin_, &QSpinBox::valueChanged, this, [this](int v) { jumpTo(v); });
    connect(acrossSpin_, &QSpinBox::valueChanged, this, [this](int v) { setGrid(v, view_->down()); });
    connect(downSpin_, &QSpinBox::valueChanged, this, [this](int v) { setGrid(view_->across(), v); });
    setZoom(1);
}

void PrintPreviewWindow::sync() {
    const QSignalBlocker b1(pageSpin_), b2(acrossSpin_), b3(downSpin_), b4(zoomBox_);
    pageSpin_->setValue(view_->current() + 1);
    acrossSpin_->setValue(view_->across());
    downSpin_->setValue(view_->down());
    zoomBox_->setCurrentIndex(zoom_);
    for (std::size_t i = 0; i < zoomActions_.size(); ++i) zoomActions_[i]->setChecked(static_cast<int>(i) == zoom_);
    status_->setText(zoomText(zoomChoices()[static_cast<std::size_t>(zoom_)].statusText));
}

void PrintPreviewWindow::nextPages() {
    const int next = view_->current() + view_->shown();
    if (next < static_cast<int>(output_.pages.size())) view_->setCurrent(next);
    sync();
}

void PrintPreviewWindow::previousPages() {
    view_->setCurrent(std::max(0, view_->current() - view_->shown()));
    sync();
}

void PrintPreviewWindow::jumpTo(int pageNumber) {
    view_->setCurrent(pageNumber - 1);
    sync();
}

void PrintPreviewWindow::setGrid(int across, int down) {
    view_->setGrid(across, down);
    sync();
}

void PrintPreviewWindow::setZoom(int choice) {
    if (choice < 0 || choice >= static_cast<int>(zoomChoices().size())) return;
    zoom_ = choice;
    const int percent = zoomChoices()[static_cast<std::size_t>(choice)].percent;
    if (percent == 0)
        view_->setZoom(ZoomMode::FitPage);
    else if (percent < 0)
        view_->setZoom(ZoomMode::PageWidth);
    else
        view_->setZoom(ZoomMode::Percent, percent);
    sync();
}

bool PrintPreviewWindow::choosePages(const std::string& text) {
    auto pages = report::parsePageList(text, static_cast<int>(output_.pages.size()));
    if (!pages) return false;
    chosen_ = *pages;
    return true;
}

bool PrintPreviewWindow::print(const std::vector<int>& sequence) {
    std::string error;
    if (printPages(printer_, output_.pages, sequence, &error)) return true;
    MessageRequest box;
    box.title = uiText("Verslagvoorskou", "Report Preview").toStdString();
    box.text = error;
    box.icon = Icon::Exclamation;
    runtime_.message(box);
    return false;
}

bool PrintPreviewWindow::printChosen() {
    if (!print(chosen_)) return false;
    accept();
    return true;
}

bool PrintPreviewWindow::printCurrent() {
    if (output_.pages.empty()) return false;
    return print({view_->current()});
}

void PrintPreviewWindow::saveAs() {
    const int choice = selectOutput(this);
    if (choice == 0) {
        printChosen();
    } else if (choice == 1) {
        if (auto path = report::choosePdfFile(runtime_, output_)) report::savePdf(runtime_, output_, *path);
    }
}

void PrintPreviewWindow::askPagesToPrint() {
    QDialog dialog(this);
    dialog.setObjectName("PagesToPrint");
    dialog.setWindowTitle(uiText("Bladsye om te druk", "Pages to Print"));
    auto* form = new QFormLayout(&dialog);
    auto* entry = new QLineEdit(&dialog);
    entry->setObjectName("PagesEntry");
    entry->setMaxLength(255);
    const QString all = output_.pages.empty() ? QString() : QStringLiteral("1-%1").arg(output_.pages.size());
    entry->setText(all);
    form->addRow(uiText("&Bladsye om te druk:", "&Pages to Print:"), entry);
    auto* row = new QHBoxLayout;
    auto* reset = new QPushButton(uiText("&Herstel", "&Reset"), &dialog);
    auto* ok = new QPushButton(uiText("&OK", "&Ok"), &dialog);
    auto* cancel = new QPushButton(uiText("&Kanselleer", "&Cancel"), &dialog);
    ok->setDefault(true);
    row->addWidget(reset);
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    form->addRow(row);
    connect(reset, &QPushButton::clicked, entry, [entry, all] { entry->setText(all); });
    connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    connect(ok, &QPushButton::clicked, &dialog, [&] {
        if (choosePages(entry->text().toStdString()))
            dialog.accept();
        else
            entry->selectAll();  // not a page list of this report: stay and let it be corrected
    });
    dialog.exec();
}

void PrintPreviewWindow::askJump() {
    bool ok = false;
    const int page = QInputDialog::getInt(this, uiText("Spring na 'n bladsy", "Jump to a page"), uiText("&Bladsy:", "&Page:"), view_->current() + 1,
                                          1, std::max<int>(1, static_cast<int>(output_.pages.size())), 1, &ok);
    if (ok) jumpTo(page);
}

void PrintPreviewWindow::askDisplay() {
    QDialog dialog(this);
    dialog.setWindowTitle(uiText("Verander vertoning", "Change Display"));
    auto* form = new QFormLayout(&dialog);
    auto* across = new QSpinBox(&dialog);
    auto* down = new QSpinBox(&dialog);
    across->setRange(1, 10);
    down->setRange(1, 10);
    across->setValue(view_->across());
    down->setValue(view_->down());
    form->addRow(uiText("&Oor:", "&Across:"), across);
    form->addRow(uiText("&Af:", "&Down:"), down);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() == QDialog::Accepted) setGrid(across->value(), down->value());
}

}  // namespace tavlo::gui
