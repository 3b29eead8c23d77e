#include "gui/window_host.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFontMetricsF>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

#include "framework/language.h"
#include "framework/list.h"
#include "gui/guide_viewer.h"
#include "gui/qt_runtime.h"
#include "util/platform.h"
#include "shell/user_guide.h"

namespace tavlo::gui {

namespace {

QString qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QFont fontOf(const Font& f) {
    QFont font(qs(f.name));
    font.setPointSizeF(f.size > 0 ? f.size : 8);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    return font;
}

// The key as the program sees it; None for keys it does not name.
Key keyOf(const QKeyEvent* e) {
    Key k;
    k.shift = e->modifiers() & Qt::ShiftModifier;
    k.ctrl = e->modifiers() & Qt::ControlModifier;
    k.alt = e->modifiers() & Qt::AltModifier;
    switch (e->key()) {
        case Qt::Key_Tab: k.code = Key::Tab; break;
        case Qt::Key_Backtab: k.code = Key::Tab; k.shift = true; break;
        case Qt::Key_Return: case Qt::Key_Enter: k.code = Key::Enter; break;
        case Qt::Key_Escape: k.code = Key::Esc; break;
        case Qt::Key_Up: k.code = Key::Up; break;
        case Qt::Key_Down: k.code = Key::Down; break;
        case Qt::Key_Left: k.code = Key::Left; break;
        case Qt::Key_Right: k.code = Key::Right; break;
        case Qt::Key_PageUp: k.code = Key::PageUp; break;
        case Qt::Key_PageDown: k.code = Key::PageDown; break;
        case Qt::Key_Home: k.code = Key::Home; break;
        case Qt::Key_End: k.code = Key::End; break;
        case Qt::Key_Backspace: k.code = Key::Backspace; break;
        case Qt::Key_Delete: k.code = Key::Delete; break;
        case Qt::Key_Insert: k.code = Key::Insert; break;
        case Qt::Key_Space: k.code = Key::Space; break;
        default:
            if (e->key() >= Qt::Key_F1 && e->key() <= Qt::Key_F12) {
                k.code = static_cast<Key::Code>(Key::F1 + (e->key() - Qt::Key_F1));
            } else if (!e->text().isEmpty() && e->text()[0].isPrint()) {
                k.code = Key::Character;
                k.character = e->text().toUcs4().value(0);
                k.shift = false;
            }
    }
    return k;
}

QKeySequence sequenceOf(const Key& k) {
    int code = 0;
    if (k.code >= Key::F1 && k.code <= Key::F12) code = Qt::Key_F1 + (k.code - Key::F1);
    else if (k.code == Key::Enter) code = Qt::Key_Return;
    else if (k.code == Key::Esc) code = Qt::Key_Escape;
    else if (k.code == Key::Character) code = static_cast<int>(QChar::toUpper(k.character));
    else return {};
    int mods = 0;
    if (k.ctrl) mods |= Qt::CTRL;
    if (k.shift) mods |= Qt::SHIFT;
    if (k.alt) mods |= Qt::ALT;
    return QKeySequence(code | mods);
}

Qt::Alignment alignOf(char a) {
    switch (a) {
        case 'R': case 'D': return Qt::AlignRight | Qt::AlignVCenter;
        case 'C': return Qt::AlignHCenter | Qt::AlignVCenter;
        default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

}  // namespace

// ---- ListTable --------------------------------------------------------------------------------

void ListTable::load(const ListControl& list) {
    beginResetModel();
    headings_.clear();
    align_.clear();
    for (const auto& c : list.columns) {
        headings_.push_back(qs(c.heading));
        align_.push_back(alignOf(c.align));
    }
    cells_.clear();
    auto addRow = [&](const Row& r) {
        std::vector<QString> row;
        for (std::size_t i = 0; i < list.columns.size(); ++i)
            row.push_back(i < r.cells.size() ? qs(formatValue(r.cells[i], list.columns[i].picture)).trimmed() : QString());
        cells_.push_back(std::move(row));
    };
    for (std::size_t i = 0; i < list.rows().size(); ++i) {
        if (list.editing() && !list.inserting() && static_cast<int>(i) == list.editIndex()) addRow(const_cast<ListControl&>(list).editRow());
        else addRow(list.rows()[i]);
    }
    if (list.editing() && list.inserting()) addRow(const_cast<ListControl&>(list).editRow());
    sortColumn_ = list.sortColumn();
    descending_ = list.descending();
    endResetModel();
}

int ListTable::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : static_cast<int>(cells_.size()); }
int ListTable::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : static_cast<int>(headings_.size()); }

QVariant ListTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    auto r = static_cast<std::size_t>(index.row());
    auto c = static_cast<std::size_t>(index.column());
    if (role == Qt::DisplayRole && r < cells_.size() && c < cells_[r].size()) return cells_[r][c];
    if (role == Qt::TextAlignmentRole && c < align_.size()) return QVariant::fromValue(align_[c]);
    return {};
}

QVariant ListTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || static_cast<std::size_t>(section) >= headings_.size()) return {};
    if (role == Qt::DisplayRole) {
        QString h = headings_[static_cast<std::size_t>(section)];
        if (section == sortColumn_) h += descending_ ? QStringLiteral(" \u25BC") : QStringLiteral(" \u25B2");
        return h;
    }
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(align_[static_cast<std::size_t>(section)]);
    return {};
}

int ListTable::widestText(int column, const QFontMetricsF& metrics, int rows) const {
    qreal widest = 0;
    auto c = static_cast<std::size_t>(column);
    for (std::size_t r = 0; r < cells_.size() && r < static_cast<std::size_t>(rows); ++r)
        if (c < cells_[r].size()) widest = std::max(widest, metrics.horizontalAdvance(cells_[r][c]));
    return static_cast<int>(std::ceil(widest));
}

// ---- ListView ---------------------------------------------------------------------------------

ListView::ListView(WindowHost& host, int control, QWidget* parent)
    : QTableView(parent), host_(host), control_(control), table_(this), editor_(new QLineEdit(viewport())) {
    setModel(&table_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (host_.rendering()) return;
        Event e{EventKind::HeaderClicked, control_};
        e.column = section;
        host_.send(e);
    });
    // A list that shows a window of a large view reads on when the mouse scrolls it to an end.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (host_.rendering() || editing_) return;
        QScrollBar* bar = verticalScrollBar();
        const bool atEnd = value == bar->maximum() && canReadOn_;
        const bool atStart = value == bar->minimum() && canReadBack_;
        if (!atEnd && !atStart) return;
        const int top = rowAt(0);
        keepTopId_ = top >= 0 && static_cast<std::size_t>(top) < shownIds_.size() ? shownIds_[static_cast<std::size_t>(top)] : 0;
        Event e{EventKind::ListReadOn, control_};
        e.row = atEnd ? 1 : -1;
        host_.send(e);
    });
    editor_->hide();
    editor_->setObjectName(QStringLiteral("ListEditor"));
    editor_->installEventFilter(this);
}

void ListView::render(ListControl& list, double unitX) {
    if (list.version() != shownVersion_ || editing_ != list.editing()) {
        table_.load(list);
        // A column is as wide as designed, or wider when its texts would be cut otherwise (the
        // design's widths assume a narrower font's digits).
        int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 2;
        // The last one only stretches to the list's edge: it starts from what its texts need, not
        // from its design or the header's default (either would make the list scroll sideways).
        for (std::size_t i = 0; i < list.columns.size(); ++i) {
            int designed = static_cast<int>(list.columns[i].width * unitX);
            int needed = table_.widestText(static_cast<int>(i), QFontMetricsF(font())) + margins;
            bool last = i + 1 == list.columns.size();
            setColumnWidth(static_cast<int>(i), last ? needed : std::max(designed, needed));
        }
        shownVersion_ = list.version();
        shownIds_.clear();
        for (const Row& r : list.rows()) shownIds_.push_back(r.id);
    }
    canReadBack_ = !list.windowAtStart();
    canReadOn_ = !list.windowAtEnd();
    const std::int64_t keepTop = std::exchange(keepTopId_, 0);
    int row = list.editing() ? list.editIndex() : list.selected();
    if (row >= 0 && row < table_.rowCount()) {
        selectRow(row);
        if (keepTop == 0) scrollTo(table_.index(row, 0));
    } else {
        clearSelection();
    }
    if (keepTop != 0) {
        // After reading on: the row that was at the top stays there (the selection may be out of view).
        auto it = std::find(shownIds_.begin(), shownIds_.end(), keepTop);
        if (it != shownIds_.end()) scrollTo(table_.index(static_cast<int>(it - shownIds_.begin()), 0), QAbstractItemView::PositionAtTop);
    }
    bool wasEditing = editing_;
    editing_ = list.editing();
    if (!editing_) {
        if (editor_->isVisible()) {
            editor_->hide();
            if (editor_->hasFocus()) setFocus(Qt::OtherFocusReason);
        }
        return;
    }
    bool moved = !wasEditing || editRow_ != list.editIndex() || editColumn_ != list.editColumn();
    editRow_ = list.editIndex();
    editColumn_ = list.editColumn();
    QRect cell = visualRect(table_.index(editRow_, editColumn_));
    editor_->setGeometry(cell.adjusted(0, -1, 0, 1));
    editor_->setAlignment(alignOf(list.columns[static_cast<std::size_t>(editColumn_)].align));
    // A new cell, or the procedure changed the cell (a picked item): show the cell's value.
    // Otherwise what the operator is typing stays.
    QString cellText = qs(list.editorText());
    if (moved || !editor_->isVisible() || cellText != editorShown_) {
        editor_->setText(cellText);
        editor_->selectAll();
        editorShown_ = cellText;
    }
    editor_->show();
    editor_->raise();
    if (host_.isActiveWindow() || QApplication::activeWindow() == nullptr) editor_->setFocus(Qt::OtherFocusReason);
}

bool ListView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_ && !host_.rendering()) {
        if (event->type() == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(event);
            Key k = keyOf(ke);
            if (actionForKey(k) != EditAction::None) {
                Event e{EventKind::EditorKey, control_};
                e.key = k;
                e.text = editor_->text().toStdString();
                host_.send(e);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            auto* fe = static_cast<QFocusEvent*>(event);
            if (fe->reason() != Qt::ActiveWindowFocusReason && fe->reason() != Qt::PopupFocusReason && editing_)
                host_.send(Event{EventKind::EditorFocusLost, control_});
        }
    }
    return QTableView::eventFilter(watched, event);
}

void ListView::keyPressEvent(QKeyEvent* event) {
    Key k = keyOf(event);
    if (k.code == Key::Esc && !editing_) {
        event->ignore();  // the window's Cancel
        return;
    }
    if (k.code == Key::Tab || k.code == Key::None || k.ctrl || k.alt) {
        QTableView::keyPressEvent(event);
        return;
    }
    Event e{EventKind::ListKey, control_};
    e.key = k;
    host_.send(e);
}

void ListView::mousePressEvent(QMouseEvent* event) {
    QModelIndex at = indexAt(event->pos());
    setFocus(Qt::MouseFocusReason);
    if (at.isValid() && !editing_) {
        Event e{EventKind::NewSelection, control_};
        e.row = at.row();
        host_.send(e);
    }
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (indexAt(event->pos()).isValid() && !editing_) {
        Event e{EventKind::ListKey, control_};
        e.key = Key::of(Key::Enter);
        host_.send(e);
    }
}

void ListView::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
}

// ---- WindowHost -------------------------------------------------------------------------------

WindowHost::WindowHost(Procedure& procedure, std::shared_ptr<EventQueue> queue, QWidget* parent)
    : QMainWindow(parent, Qt::Window), procedure_(procedure), queue_(std::move(queue)) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    client_ = new QWidget(this);
    setCentralWidget(client_);
}

WindowHost::~WindowHost() = default;

void WindowHost::send(Event event) {
    if (rendering_ || closing_) return;
    queue_->push(this, std::move(event));
}

QWidget* WindowHost::widget(int control) const {
    auto it = widgets_.find(control);
    return it == widgets_.end() ? nullptr : it->second.data();
}

QAction* WindowHost::action(int control) const {
    auto it = actions_.find(control);
    return it == actions_.end() ? nullptr : it->second.data();
}

QRect WindowHost::pixels(const Rect& r, QWidget* w) const {
    QSize hint = w ? w->sizeHint() : QSize(80, 20);
    int width = r.w > 0 ? static_cast<int>(r.w * unitX_) : hint.width();
    int height = r.h > 0 ? static_cast<int>(r.h * unitY_) : hint.height();
    return QRect(static_cast<int>(r.x * unitX_), static_cast<int>(r.y * unitY_), width, height);
}

void WindowHost::build() {
    rendering_ = true;
    const Window& win = procedure_.window();
    QFont font = fontOf(win.font);
    setFont(font);
    QFontMetricsF fm(font);
    unitX_ = fm.averageCharWidth() / 4.0;
    unitY_ = fm.height() / 8.0;
    setObjectName(qs(procedure_.name()));
    if (!win.icon.empty() && QFile::exists(qs(win.icon))) setWindowIcon(QIcon(qs(win.icon)));
    if (!win.wallpaper.empty() && QFile::exists(qs(win.wallpaper))) {
        client_->setStyleSheet(QStringLiteral("QWidget#client { border-image: url(%1); }").arg(qs(win.wallpaper)));
        client_->setObjectName(QStringLiteral("client"));
    }
    QSize size(static_cast<int>(win.width * unitX_), static_cast<int>(win.height * unitY_));
    for (const auto& c : win.controls()) createControl(c);
    if (!win.status.empty()) statusBar()->show();
    if (win.kind == ControlKind::Frame) size = size.expandedTo(QSize(800, 560));
    // F1: this window's page of the user guide, unless the window takes F1 for itself.
    if (!procedure_.alerted(Key::of(Key::F1))) {
        auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
        help->setContext(Qt::WindowShortcut);
        connect(help, &QShortcut::activated, this, &WindowHost::openHelp);
    }
    int extra = (menuBar_ ? menuBar_->sizeHint().height() : 0) + (win.status.empty() ? 0 : statusBar()->sizeHint().height());
    resize(size.width(), size.height() + extra);
    place(true);
    if (win.timer > 0) {
        timer_ = new QTimer(this);
        timer_->setInterval(win.timer * 10);
        connect(timer_, &QTimer::timeout, this, [this] {
            std::lock_guard guard(queue_->lock);
            bool idle = queue_->events.empty();
            if (idle) {
                queue_->events.emplace_back(this, Event{EventKind::Timer, 0});
                queue_->ready.notify_all();
            }
        });
        timer_->start();
    }
    rendering_ = false;
    render();
}

void WindowHost::place(bool centre) {
    const Window& win = procedure_.window();
    QWidget* anchor = parentWidget() ? parentWidget()->window() : QApplication::activeWindow();
    if (anchor && !anchor->isVisible()) anchor = nullptr;
    QScreen* screen = anchor ? anchor->screen() : QGuiApplication::primaryScreen();
    QRect area = screen ? screen->availableGeometry() : QRect();
    // Room for the title bar the window manager puts above the window.
    if (area.isValid()) area.setTop(area.top() + style()->pixelMetric(QStyle::PM_TitleBarHeight));
    QRect placed;
    if (win.geometry && win.geometry->width > 0 && win.geometry->height > 0) {
        placed = QRect(win.geometry->x, win.geometry->y, win.geometry->width, win.geometry->height);
    } else if (!centre) {
        return;
    } else {
        placed = QRect(QPoint(), this->size());
        placed.moveCenter(anchor ? anchor->geometry().center() : area.center());
    }
    if (area.isValid()) {
        placed.setSize(placed.size().boundedTo(area.size()));
        placed.moveLeft(std::clamp(placed.left(), area.left(), area.right() + 1 - placed.width()));
        placed.moveTop(std::clamp(placed.top(), area.top(), area.bottom() + 1 - placed.height()));
    }
    setGeometry(placed);
    if (win.geometry && win.geometry->maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

QMenu* WindowHost::menuFor(int parent) {
    auto it = menus_.find(parent);
    return it == menus_.end() ? nullptr : it->second.data();
}

void WindowHost::createControl(const Control& c) {
    kinds_[c.number] = c.kind;
    QWidget* w = nullptr;
    int n = c.number;
    switch (c.kind) {
        case ControlKind::None:
            return;
        case ControlKind::MenuBar:
            menuBar_ = menuBar();
            menuBar_->setNativeMenuBar(false);
            return;
        case ControlKind::Menu: {
            QMenu* m = nullptr;
            if (QMenu* parentMenu = menuFor(c.parent)) m = parentMenu->addMenu(qs(c.text));
            else if (menuBar_) m = menuBar_->addMenu(qs(c.text));
            if (!m) return;
            m->setObjectName(qs(c.name.empty() ? plainCaption(c.text) : c.name));
            menus_[n] = m;
            actions_[n] = m->menuAction();
            return;
        }
        case ControlKind::Item: {
            QMenu* parentMenu = menuFor(c.parent);
            QAction* a = nullptr;
            if (parentMenu) a = c.separator ? parentMenu->addSeparator() : parentMenu->addAction(qs(c.text));
            else if (menuBar_) a = c.separator ? menuBar_->addSeparator() : menuBar_->addAction(qs(c.text));
            if (!a) return;
            a->setObjectName(qs(c.name.empty() ? plainCaption(c.text) : c.name));
            if (!c.msg.empty()) a->setStatusTip(qs(c.msg));
            connect(a, &QAction::triggered, this, [this, n] { send(Event{EventKind::Accepted, n}); });
            actions_[n] = a;
            return;
        }
        case ControlKind::Display:
        case ControlKind::Prompt: {
            auto* l = new QLabel(client_);
            l->setTextFormat(Qt::PlainText);
            w = l;
            break;
        }
        case ControlKind::Image: {
            auto* l = new QLabel(client_);
            if (QFile::exists(qs(c.text))) l->setPixmap(QPixmap(qs(c.text)));
            w = l;
            break;
        }
        case ControlKind::Entry:
        case ControlKind::Spin:
        case ControlKind::Combo:
        case ControlKind::DropCombo: {
            auto* e = new QLineEdit(client_);
            if (c.password) e->setEchoMode(QLineEdit::Password);
            e->setReadOnly(c.readOnly);
            // Enter accepts the entry as it stands; leaving it accepts it only when it was
            // changed. A window losing the focus to a dialog (the slip's preview) changes nothing.
            connect(e, &QLineEdit::returnPressed, this, [e] { e->setProperty("tavloReturn", true); });
            connect(e, &QLineEdit::editingFinished, this, [this, n, e] {
                bool byReturn = e->property("tavloReturn").toBool();
                e->setProperty("tavloReturn", false);
                auto last = lastText_.find(n);
                if (!byReturn && last != lastText_.end() && last->second == e->text()) return;
                Event ev{EventKind::Accepted, n};
                ev.text = e->text().toStdString();
                // Enter goes on to the next entry or the default button once this one is taken.
                if (byReturn) ev.key = Key::of(Key::Enter);
                lastText_[n] = e->text();
                send(ev);
            });
            w = e;
            break;
        }
        case ControlKind::Text: {
            auto* t = new QPlainTextEdit(client_);
            t->installEventFilter(this);
            w = t;
            break;
        }
        case ControlKind::Button: {
            auto* b = new QPushButton(qs(c.text), client_);
            if (!c.icon.empty() && QFile::exists(qs(c.icon))) b->setIcon(QIcon(qs(c.icon)));
            // Enter presses the button that has the focus, as Space does.
            b->setAutoDefault(true);
            b->setDefault(c.defaultButton);
            connect(b, &QPushButton::clicked, this, [this, n] { send(Event{EventKind::Accepted, n}); });
            w = b;
            break;
        }
        case ControlKind::Check: {
            auto* b = new QCheckBox(qs(c.text), client_);
            connect(b, &QCheckBox::clicked, this, [this, n](bool on) {
                Event ev{EventKind::Accepted, n};
                ev.checked = on;
                send(ev);
            });
            w = b;
            break;
        }
        case ControlKind::Radio: {
            auto* b = new QRadioButton(qs(c.text), client_);
            b->setAutoExclusive(false);
            connect(b, &QRadioButton::clicked, this, [this, n](bool on) {
                Event ev{EventKind::Accepted, n};
                ev.checked = on;
                send(ev);
            });
            w = b;
            break;
        }
        case ControlKind::Group:
        case ControlKind::Option:
        case ControlKind::Sheet:
        case ControlKind::Tab: {
            auto* g = new QGroupBox(qs(c.text), client_);
            w = g;
            break;
        }
        case ControlKind::Panel:
        case ControlKind::Box: {
            auto* f = new QFrame(client_);
            f->setFrameShape(QFrame::StyledPanel);
            f->setFrameShadow(QFrame::Sunken);
            w = f;
            break;
        }
        case ControlKind::Line: {
            auto* f = new QFrame(client_);
            f->setFrameShape(QFrame::HLine);
            w = f;
            break;
        }
        case ControlKind::Progress: {
            auto* p = new QProgressBar(client_);
            p->setRange(0, 100);
            w = p;
            break;
        }
        case ControlKind::List:
        case ControlKind::DropList:
            w = new ListView(*this, n, client_);
            break;
        default:
            w = new QWidget(client_);
            break;
    }
    if (c.font) w->setFont(fontOf(*c.font));
    w->setObjectName(qs(c.name.empty() ? plainCaption(c.text) : c.name));
    w->setProperty("tavloControl", n);
    w->setGeometry(pixels(c.at, w));
    if (w->focusPolicy() != Qt::NoFocus) w->installEventFilter(this);
    w->show();
    widgets_[n] = w;
}

void WindowHost::destroyControl(int number) {
    if (auto it = menus_.find(number); it != menus_.end()) {
        if (it->second) {
            QAction* a = it->second->menuAction();
            for (QObject* owner : a->associatedObjects())
                if (auto* w = qobject_cast<QWidget*>(owner)) w->removeAction(a);
            it->second->deleteLater();
        }
        menus_.erase(it);
        actions_.erase(number);
    }
    if (auto it = actions_.find(number); it != actions_.end()) {
        if (it->second) {
            for (QObject* owner : it->second->associatedObjects())
                if (auto* w = qobject_cast<QWidget*>(owner)) w->removeAction(it->second);
            it->second->deleteLater();
        }
        actions_.erase(it);
    }
    if (auto it = widgets_.find(number); it != widgets_.end()) {
        if (it->second) it->second->deleteLater();
        widgets_.erase(it);
    }
    kinds_.erase(number);
    lastText_.erase(number);
}

void WindowHost::renderControl(const Control& c) {
    int n = c.number;
    const Window& win = procedure_.window();
    if (QAction* a = action(n)) {
        QString text = qs(c.text);
        if (a->text() != text && !c.separator) a->setText(text);
        a->setStatusTip(qs(c.msg));
        a->setToolTip(qs(c.tip));
        a->setEnabled(!c.disabled);
        a->setVisible(!c.hidden);
        if (c.kind == ControlKind::Item) {
            a->setCheckable(c.checkable);
            if (c.checkable) a->setChecked(win.isChecked(n));
        }
        return;
    }
    QWidget* w = widget(n);
    if (!w) return;
    w->setVisible(!c.hidden);
    w->setEnabled(!c.disabled);
    w->setToolTip(qs(c.tip));
    w->setStatusTip(qs(c.msg));
    switch (c.kind) {
        case ControlKind::Display:
        case ControlKind::Prompt:
            if (auto* l = qobject_cast<QLabel*>(w)) l->setText(qs(c.kind == ControlKind::Prompt ? plainCaption(c.text) : win.displayText(n)));
            break;
        case ControlKind::Entry:
        case ControlKind::Spin:
        case ControlKind::Combo:
        case ControlKind::DropCombo:
            if (auto* e = qobject_cast<QLineEdit*>(w)) {
                QString text = qs(win.displayText(n));
                if (c.kind == ControlKind::Entry && !c.picture.empty()) text = text.trimmed();
                auto last = lastText_.find(n);
                // What the operator is typing stays until the value itself changes.
                if (last == lastText_.end() || last->second != text || !e->hasFocus()) {
                    if (e->text() != text) e->setText(text);
                    lastText_[n] = text;
                }
            }
            break;
        case ControlKind::Text:
            if (auto* t = qobject_cast<QPlainTextEdit*>(w)) {
                QString text = qs(win.displayText(n));
                if (t->toPlainText() != text && !t->hasFocus()) t->setPlainText(text);
            }
            break;
        case ControlKind::Button:
            if (auto* b = qobject_cast<QPushButton*>(w)) b->setText(qs(c.text));
            break;
        case ControlKind::Check:
        case ControlKind::Radio:
            if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                b->setText(qs(c.text));
                b->setChecked(win.isChecked(n));
            }
            break;
        case ControlKind::Group:
        case ControlKind::Option:
            if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(qs(c.text));
            break;
        case ControlKind::Progress:
            if (auto* p = qobject_cast<QProgressBar*>(w)) p->setValue(static_cast<int>(valueNumber(c.use.get()).toLongLong()));
            break;
        case ControlKind::List:
        case ControlKind::DropList:
            if (auto* l = qobject_cast<ListView*>(w); l && c.list) l->render(*c.list, unitX_);
            break;
        default:
            break;
    }
    // A control placed without a width or height takes the size of what it shows, known only
    // once its text is set.
    if (c.at.w <= 0 || c.at.h <= 0) {
        QRect r = pixels(c.at, w);
        if (r != w->geometry()) w->setGeometry(r);
    }
}

void WindowHost::render() {
    rendering_ = true;
    Window& win = procedure_.window();
    if (windowTitle() != qs(win.title)) setWindowTitle(qs(win.title));
    defaultButton_ = cancelButton_ = 0;
    for (const auto& c : win.controls()) {
        if (c.kind != ControlKind::Button || c.hidden || c.disabled) continue;
        if (c.defaultButton && !defaultButton_) defaultButton_ = c.number;
        if (c.closes && !cancelButton_) cancelButton_ = c.number;
    }
    // Controls made or taken away at run time (the Language menu).
    for (auto it = kinds_.begin(); it != kinds_.end();) {
        int n = it->first;
        ++it;
        if (!win.has(n) || win[n].kind != kinds_[n]) destroyControl(n);
    }
    for (const auto& c : win.controls())
        if (c.kind != ControlKind::None && !kinds_.count(c.number)) createControl(c);
    for (const auto& c : win.controls()) renderControl(c);
    if (!win.status.empty()) {
        QString status = qs(win.statusText(0));
        if (statusBar()->currentMessage() != status) statusBar()->showMessage(status);
    }
    const auto& alerts = procedure_.alerts;
    for (; alertsShown_ < alerts.size(); ++alertsShown_) {
        Key k = alerts[alertsShown_];
        QKeySequence seq = sequenceOf(k);
        if (seq.isEmpty()) continue;
        auto* s = new QShortcut(seq, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, [this, k] {
            Event e{EventKind::AlertKey, 0};
            e.key = k;
            if (QWidget* f = QApplication::focusWidget()) e.control = f->property("tavloControl").toInt();
            send(e);
        });
        shortcuts_.push_back(s);
    }
    if (win.focusRequest) {
        if (QWidget* w = widget(win.focusRequest); w && w->isEnabled()) {
            // The focus sent to a list's Insert button while its new row is open goes to the row,
            // so that what is typed next lands there (the till after Finished).
            for (const auto& c : win.controls())
                if (c.list && c.list->editing() && c.list->insertButton == win.focusRequest)
                    if (auto* l = qobject_cast<ListView*>(widget(c.number)); l && l->editor()->isVisible())
                        w = l->editor();
            auto* list = qobject_cast<ListView*>(w);
            if (!(list && list->editor()->isVisible())) w->setFocus(Qt::OtherFocusReason);
            // An entry the procedure puts the focus on is selected, so what is typed replaces it.
            if (auto* e = qobject_cast<QLineEdit*>(w)) e->selectAll();
        }
        win.focusRequest = 0;
    }
    rendering_ = false;
}

void WindowHost::openHelp() {
    if (auto page = findGuidePage(systemPlatform(), guidePageOf(procedure_.name()), uiLanguage())) {
        GuideViewer::open(qs(page->string()));
        return;
    }
    // Not a modal box: the window's own thread may be waiting on the face.
    auto* box = new QMessageBox(QMessageBox::Information, uiLanguage() == 2 ? QStringLiteral("Hulp") : QStringLiteral("Help"),
                                qs(guideMissingText(systemPlatform())).replace(QLatin1Char('|'), QLatin1Char('\n')),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void WindowHost::finish() {
    closing_ = true;
    WindowGeometry g;
    QRect r = normalGeometry().isValid() ? normalGeometry() : geometry();
    g.x = r.x();
    g.y = r.y();
    g.width = r.width();
    g.height = r.height();
    g.maximized = isMaximized();
    g.minimized = isMinimized();
    procedure_.window().geometry = g;
    hide();
}

void WindowHost::keyPressEvent(QKeyEvent* event) {
    Key k = keyOf(event);
    int button = 0;
    bool fromEntry = entryEnter_;
    entryEnter_ = false;
    if (k.code == Key::Enter && !k.ctrl && !k.alt) {
        // An entry's Enter is handled with its acceptance (it may go on to the next entry first).
        if (!fromEntry) button = defaultButton_;
    } else if (k.code == Key::Esc && !k.ctrl && !k.alt && !k.shift) {
        button = cancelButton_;
    }
    QWidget* w = widget(button);
    if (!button || !w || !w->isVisible() || !w->isEnabled() || rendering_) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    event->accept();
    send(Event{EventKind::Accepted, button});
}

void WindowHost::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    event->ignore();
    send(Event{EventKind::CloseWindow, 0});
}

bool WindowHost::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        // Alt and a button's underlined letter press it at once; Qt would first show it held
        // down for 100 ms. A letter that several buttons share still moves between them.
        auto* b = qobject_cast<QAbstractButton*>(watched);
        if (b && !static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
            if (b->isEnabled()) b->click();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        // Which control a key that comes up to the window started in.
        auto* ke = static_cast<QKeyEvent*>(event);
        entryEnter_ = (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) && qobject_cast<QLineEdit*>(watched) &&
                      watched->property("tavloControl").toInt() > 0;
    }
    if (!rendering_ && event->type() == QEvent::FocusIn) {
        auto* fe = static_cast<QFocusEvent*>(event);
        int n = watched->property("tavloControl").toInt();
        if (n > 0 && fe->reason() != Qt::ActiveWindowFocusReason && fe->reason() != Qt::PopupFocusReason &&
            fe->reason() != Qt::OtherFocusReason)
            send(Event{EventKind::Selected, n});
    }
    if (!rendering_ && event->type() == QEvent::FocusOut) {
        if (auto* t = qobject_cast<QPlainTextEdit*>(watched)) {
            Event e{EventKind::Accepted, t->property("tavloControl").toInt()};
            e.text = t->toPlainText().toStdString();
            send(e);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace tavlo::gui
