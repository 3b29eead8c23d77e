#pragma once
// Draws one window model with Qt Widgets and turns what the operator does into the model's
// events. Lives on the Qt thread; reads the model only in build() and render(), which run
// while the procedure's context thread waits.
#include <QAbstractTableModel>
#include <QFontMetricsF>
#include <QMainWindow>
#include <QPointer>
#include <QTableView>

#include <map>
#include <memory>
#include <vector>

#include "framework/procedure.h"

class QAction;
class QLineEdit;
class QMenu;
class QMenuBar;
class QShortcut;
class QTimer;

namespace tavlo::gui {

struct EventQueue;
class WindowHost;

// Rows of a list as shown: formatted cells, taken from the model at each render.
class ListTable : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void load(const ListControl& list);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The width of the column's widest text among its first rows, in pixels.
    int widestText(int column, const QFontMetricsF& metrics, int rows = 200) const;

private:
    std::vector<QString> headings_;
    std::vector<Qt::Alignment> align_;
    std::vector<std::vector<QString>> cells_;
    int sortColumn_ = -1;
    bool descending_ = false;
};

class ListView : public QTableView {
    Q_OBJECT
public:
    ListView(WindowHost& host, int control, QWidget* parent);
    void render(ListControl& list, double unitX);
    int control() const { return control_; }
    QLineEdit* editor() const { return editor_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    WindowHost& host_;
    int control_;
    ListTable table_;
    QLineEdit* editor_;
    bool editing_ = false;
    int editRow_ = -1, editColumn_ = -1;
    QString editorShown_;
    std::uint64_t shownVersion_ = ~std::uint64_t{0};
    // The rows' ids as last shown, and the row at the top of the view when a scroll to an end
    // asked the procedure to read on: that row stays at the top when the rows come back.
    std::vector<std::int64_t> shownIds_;
    std::int64_t keepTopId_ = 0;
    bool canReadBack_ = false, canReadOn_ = false;
};

class WindowHost : public QMainWindow {
    Q_OBJECT
public:
    WindowHost(Procedure& procedure, std::shared_ptr<EventQueue> queue, QWidget* parent);
    ~WindowHost() override;

    Procedure& procedure() const { return procedure_; }
    void build();
    void render();
    // Where the window was last time (kept on the screen); else, with centre, centred over the
    // window it was opened from.
    void place(bool centre);
    // Opens this window's page of the user guide (F1).
    void openHelp();
    // Lets the window close for real and records where it was.
    void finish();

    // Sends an event to the procedure's context thread (not while rendering).
    void send(Event event);
    bool rendering() const { return rendering_; }
    double unitX() const { return unitX_; }
    double unitY() const { return unitY_; }
    QWidget* widget(int control) const;
    QAction* action(int control) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Enter that no control took presses the default button; Esc presses the button that
    // closes the window (Cancel).
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControl(const Control& c);
    void destroyControl(int number);
    void renderControl(const Control& c);
    QRect pixels(const Rect& r, QWidget* w) const;
    QMenu* menuFor(int parent);

    Procedure& procedure_;
    std::shared_ptr<EventQueue> queue_;
    QWidget* client_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    double unitX_ = 1.5, unitY_ = 1.75;
    bool rendering_ = false;
    bool closing_ = false;
    std::map<int, QPointer<QWidget>> widgets_;
    std::map<int, QPointer<QAction>> actions_;
    std::map<int, QPointer<QMenu>> menus_;
    std::map<int, ControlKind> kinds_;
    std::map<int, QString> lastText_;
    std::vector<QShortcut*> shortcuts_;
    std::size_t alertsShown_ = 0;
    int defaultButton_ = 0, cancelButton_ = 0;  // as of the last render
    bool entryEnter_ = false;                   // the Enter coming up started in an entry
    QTimer* timer_ = nullptr;
};

}  // namespace tavlo::gui
