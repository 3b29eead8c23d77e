#pragma once
// The user guide's own window. A till often has no web browser, so Help > Contents and F1 show
// the guide here: a page with its pictures, its links followed (to the other language too),
// Back, Forward and Contents. There is one viewer; each page asked for is shown in it, raised.
#include <QMainWindow>
#include <QUrl>

class QAction;
class QTextBrowser;

namespace tavlo::gui {

class GuideViewer : public QMainWindow {
    Q_OBJECT
public:
    // Shows the page (an HTML file of the guide) in the viewer, made on first use, and brings
    // the viewer to the front, titled in the language in use. Call on the face's thread.
    static GuideViewer* open(const QString& file);
    // The viewer while it is open, else nullptr.
    static GuideViewer* current();
    // Its size and place are kept under this name with the windows' positions.
    static constexpr const char* kPositionName = "GuideViewer";
    ~GuideViewer() override;

    QTextBrowser* browser() const { return browser_; }
    // The page shown.
    QUrl page() const;

private:
    GuideViewer();
    void showPage(const QUrl& url);
    void retitle();

    QTextBrowser* browser_ = nullptr;
    QAction* back_ = nullptr;
    QAction* forward_ = nullptr;
    QAction* contents_ = nullptr;
    QAction* close_ = nullptr;
};

}  // namespace tavlo::gui
