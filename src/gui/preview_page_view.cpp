#include "gui/preview_page_view.h"

#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

#include "gui/preview_paint.h"

namespace tavlo::gui {

namespace {
constexpr int kGap = 12;  // pixels between and around pages
}

class PageCanvas : public QWidget {
public:
    explicit PageCanvas(PageView* view) : QWidget(view), view_(view) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(128, 128, 128));
        const report::Pages* pages = view_->pages_;
        if (!pages || pages->empty()) return;
        const double scale = view_->scale();
        int index = view_->current_;
        double y = kGap;
        for (int row = 0; row < view_->down_; ++row) {
            double x = kGap, rowHeight = 0;
            for (int col = 0; col < view_->across_; ++col, ++index) {
                if (static_cast<std::size_t>(index) >= pages->size()) return;
                const report::Page& page = (*pages)[static_cast<std::size_t>(index)];
                const QRectF target(x, y, page.width * scale, page.height * scale);
                painter.fillRect(target.translated(3, 3), QColor(60, 60, 60));
                painter.fillRect(target, Qt::white);
                paintPage(painter, page, target);
                const auto* marked = view_->marked_;
                if (marked && static_cast<std::size_t>(index) < marked->size() && (*marked)[static_cast<std::size_t>(index)]) {
                    painter.setPen(Qt::red);
                    painter.drawText(target.adjusted(4, 4, -4, -4), Qt::AlignRight | Qt::AlignTop, QStringLiteral("Marked"));
                }
                x += target.width() + kGap;
                rowHeight = std::max(rowHeight, target.height());
            }
            y += rowHeight + kGap;
        }
    }

private:
    PageView* view_;
};

PageView::PageView(QWidget* parent) : QScrollArea(parent), canvas_(new PageCanvas(this)) {
    setWidget(canvas_);
    setWidgetResizable(false);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // The same grey around the pages whether the canvas fills the view or not.
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, QColor(128, 128, 128));
    viewport()->setPalette(palette);
    viewport()->setAutoFillBackground(true);
}

void PageView::setPages(const report::Pages* pages, const std::vector<bool>* marked) {
    pages_ = pages;
    marked_ = marked;
    current_ = 0;
    refresh();
}

void PageView::setCurrent(int index) {
    const int count = pages_ ? static_cast<int>(pages_->size()) : 0;
    index = std::clamp(index, 0, std::max(0, count - 1));
    const bool changed = index != current_;
    current_ = index;
    refresh();
    if (changed) emit currentChanged(current_);
}

void PageView::setGrid(int across, int down) {
    across_ = std::clamp(across, 1, 10);
    down_ = std::clamp(down, 1, 10);
    refresh();
}

void PageView::setZoom(ZoomMode mode, int percent) {
    mode_ = mode;
    percent_ = std::clamp(percent, 10, 1000);
    refresh();
}

double PageView::scale() const {
    const report::Paper paper;
    const int pageWidth = pages_ && !pages_->empty() ? pages_->front().width : paper.width;
    const int pageHeight = pages_ && !pages_->empty() ? pages_->front().height : paper.height;
    const QSize area = viewport()->size();
    const double availW = std::max(50, area.width() - kGap * (across_ + 1));
    const double availH = std::max(50, area.height() - kGap * (down_ + 1));
    switch (mode_) {
        case ZoomMode::FitPage:
            return std::min(availW / (across_ * pageWidth), availH / (down_ * pageHeight));
        case ZoomMode::PageWidth:
            return availW / (across_ * pageWidth);
        case ZoomMode::Percent:
            return percent_ / 100.0 * logicalDpiX() / 1000.0;
    }
    return 0.1;
}

void PageView::refresh() {
    const report::Paper paper;
    const int pageWidth = pages_ && !pages_->empty() ? pages_->front().width : paper.width;
    const int pageHeight = pages_ && !pages_->empty() ? pages_->front().height : paper.height;
    const double s = scale();
    const int w = static_cast<int>(across_ * pageWidth * s) + kGap * (across_ + 1);
    const int h = static_cast<int>(down_ * pageHeight * s) + kGap * (down_ + 1);
    canvas_->resize(w, h);
    canvas_->update();
}

void PageView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    refresh();
}

}  // namespace tavlo::gui
