#pragma once
// The pages of a report on screen: one page or a grid of pages (across and down) from the
// current one, at a zoom, inside a scroll area.
#include <QScrollArea>
#include <QWidget>
#include <vector>

#include "reports/page.h"

namespace tavlo::gui {

enum class ZoomMode { FitPage, PageWidth, Percent };

class PageCanvas;

class PageView : public QScrollArea {
    Q_OBJECT
public:
    explicit PageView(QWidget* parent = nullptr);

    void setPages(const report::Pages* pages, const std::vector<bool>* marked = nullptr);
    int current() const { return current_; }  // index from 0
    void setCurrent(int index);
    void setGrid(int across, int down);
    int across() const { return across_; }
    int down() const { return down_; }
    void setZoom(ZoomMode mode, int percent = 100);
    ZoomMode zoomMode() const { return mode_; }
    int zoomPercent() const { return percent_; }
    // Pages shown at once.
    int shown() const { return across_ * down_; }
    // Pixels per thousandth of an inch at the current zoom.
    double scale() const;
    void refresh();

signals:
    void currentChanged(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class PageCanvas;
    const report::Pages* pages_ = nullptr;
    const std::vector<bool>* marked_ = nullptr;
    PageCanvas* canvas_;
    int current_ = 0;
    int across_ = 1, down_ = 1;
    ZoomMode mode_ = ZoomMode::FitPage;
    int percent_ = 100;
};

}  // namespace tavlo::gui
