#include "gui/qt_runtime.h"

#include <QApplication>
#include <QCursor>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QThread>

#include <future>
#include <iostream>

#include "framework/errors.h"
#include "framework/language.h"
#include "gui/guide_viewer.h"
#include "gui/ui_text.h"
#include "gui/window_host.h"

namespace tavlo::gui {

void EventQueue::push(const WindowHost* host, Event event) {
    {
        std::lock_guard guard(lock);
        events.emplace_back(host, std::move(event));
    }
    ready.notify_all();
}

struct QtRuntime::ContextState {
    std::shared_ptr<EventQueue> queue = std::make_shared<EventQueue>();
    std::vector<WindowHost*> stack;  // this context's open windows, the modal one last
    Procedure* starting = nullptr;   // the procedure in its Init
};

namespace {
QString qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString filterText(const std::vector<FileFilter>& filters) {
    QStringList parts;
    for (const auto& f : filters) parts << QStringLiteral("%1 (%2)").arg(qs(f.description), qs(f.pattern));
    return parts.join(QStringLiteral(";;"));
}
}  // namespace

QtRuntime::QtRuntime() {
    setMessageHandler([this](const MessageRequest& r) { return message(r); });
}

QtRuntime::~QtRuntime() {
    // Windows still open are closed first, or their threads would wait for ever.
    if (running_ > 0 && QCoreApplication::instance() && QThread::currentThread() == thread()) shutDown();
    setMessageHandler(nullptr);
    for (auto& t : threads_)
        if (t.joinable()) t.join();
}

QtRuntime::ContextState& QtRuntime::current() {
    static thread_local ContextState state;
    return state;
}

void QtRuntime::onGui(const std::function<void()>& work) {
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(this, [&work] { work(); }, Qt::BlockingQueuedConnection);
}

void QtRuntime::launch(std::function<void()> work) {
    ++running_;
    std::lock_guard guard(lock_);
    threads_.emplace_back([this, work = std::move(work)] {
        try {
            work();
        } catch (const ProgramHalt&) {
            // A fatal error was shown: the program ends.
            shuttingDown_ = true;
            QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(3); }, Qt::QueuedConnection);
        } catch (const std::exception& e) {
            // A window's own failures stop at its edge; what is left (a procedure that could not
            // be made) ends this context only, never the program.
            std::cerr << "Tavlo: " << e.what() << std::endl;
        }
        if (--running_ == 0) QMetaObject::invokeMethod(this, [this] { emit allEnded(); }, Qt::QueuedConnection);
    });
}

void QtRuntime::start(ProcedureFactory factory) {
    if (shuttingDown_) return;
    launch([this, factory = std::move(factory)] {
        std::unique_ptr<Procedure> p = factory();
        if (!p) return;
        p->setContext(newContext());
        run(*p);
    });
}

QWidget* QtRuntime::topWidget() {
    auto& s = current();
    return s.stack.empty() ? nullptr : s.stack.back();
}

void QtRuntime::dispatch(Procedure& procedure, const Event& event) {
    procedure.TakeEvent(event);
    Event next;
    while (!procedure.closing() && procedure.takePosted(next)) procedure.TakeEvent(next);
}

// Enter in an entry of a window with a default button: once the entry is taken, the focus goes
// on to the next entry, and from the last one Enter presses the default button. A procedure
// that put the focus somewhere itself (a wrong password) keeps it there.
void QtRuntime::enterGoesOn(Procedure& procedure, int entry) {
    Window& w = procedure.window();
    if (procedure.closing() || w.focusRequest != 0 || !w.has(entry)) return;
    int defaultButton = 0;
    for (const auto& c : w.controls())
        if (c.kind == ControlKind::Button && c.defaultButton && takesFocus(w, c.number)) {
            defaultButton = c.number;
            break;
        }
    if (!defaultButton) return;
    for (int at = nextFocus(w, entry); at > entry; at = nextFocus(w, at)) {
        if (w[at].kind == ControlKind::Entry && !w[at].readOnly) {
            procedure.select(at);
            Event next;
            while (!procedure.closing() && procedure.takePosted(next)) procedure.TakeEvent(next);
            return;
        }
    }
    dispatch(procedure, Event{EventKind::Accepted, defaultButton});
}

WindowHost* QtRuntime::showWindow(Procedure& procedure) {
    ContextState& state = current();
    WindowHost* host = nullptr;
    QWidget* parent = topWidget();
    onGui([&] {
        host = new WindowHost(procedure, state.queue, parent);
        if (parent) host->setWindowModality(Qt::WindowModal);
        host->build();
        host->show();
        host->raise();
        host->activateWindow();
        std::lock_guard guard(lock_);
        hosts_.push_back(host);
    });
    state.stack.push_back(host);
    return host;
}

void QtRuntime::closeWindow(WindowHost* host) {
    ContextState& state = current();
    state.stack.pop_back();
    QWidget* parent = topWidget();
    onGui([&] {
        host->finish();
        {
            std::lock_guard guard(lock_);
            std::erase(hosts_, host);
        }
        delete host;
        // The window it was called from takes the keyboard again, whatever the window manager does.
        if (parent && parent->isVisible()) parent->activateWindow();
    });
}

void QtRuntime::run(Procedure& procedure) {
    ContextState& state = current();
    procedure.attach(*this);
    ContextScope scope(procedure.sharedContext());
    Procedure* outer = state.starting;
    state.starting = &procedure;
    bool started = procedure.guardedInit(*this);
    state.starting = outer;
    // A window shown while its procedure was starting (display() in Init) is up already.
    WindowHost* host = !state.stack.empty() && &state.stack.back()->procedure() == &procedure ? state.stack.back() : nullptr;
    if (!started) {
        if (host) closeWindow(host);
        procedure.guardedKill();
        return;
    }
    if (host) onGui([&] { host->place(false); });  // a position restored after it was shown
    else host = showWindow(procedure);

    dispatch(procedure, Event{EventKind::OpenWindow, 0});
    if (!procedure.closing() && procedure.window().focus == 0) {
        if (int first = nextFocus(procedure.window(), 0)) {
            procedure.select(first);
            Event selected;
            if (procedure.takePosted(selected)) dispatch(procedure, selected);
        }
    }
    while (!procedure.closing()) {
        onGui([&] { host->render(); });
        std::pair<const WindowHost*, Event> item;
        {
            std::unique_lock guard(state.queue->lock);
            state.queue->ready.wait(guard, [&] { return !state.queue->events.empty() || shuttingDown_; });
            if (state.queue->events.empty()) {
                item = {host, Event{EventKind::CloseWindow, 0}};
            } else {
                item = std::move(state.queue->events.front());
                state.queue->events.pop_front();
            }
        }
        if (item.first != host) continue;  // for a window under a modal one: not now
        dispatch(procedure, item.second);
        const Event& done = item.second;
        if (done.kind == EventKind::Accepted && done.key.code == Key::Enter) enterGoesOn(procedure, done.control);
        if (shuttingDown_ && !procedure.closing()) procedure.close();
    }
    closeWindow(host);
    procedure.guardedKill();
}

void QtRuntime::shutDown() {
    shuttingDown_ = true;
    std::vector<WindowHost*> open;
    {
        std::lock_guard guard(lock_);
        open = hosts_;
    }
    for (WindowHost* h : open) h->send(Event{EventKind::CloseWindow, 0});
        // Keep serving the context threads (their last calls to this thread) until all have ended.
    while (running_ > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        // A context waiting for a message box or dialog gets its cancel answer.
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible()) continue;
            if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
            else if (auto* m = qobject_cast<QMenu*>(w)) m->close();
        }
        std::lock_guard guard(lock_);
        for (WindowHost* h : hosts_) h->send(Event{EventKind::CloseWindow, 0});
    }
    std::lock_guard guard(lock_);
    for (auto& t : threads_)
        if (t.joinable()) t.join();
    threads_.clear();
}

QWidget* QtRuntime::widgetOf(const Procedure& procedure) const {
    std::lock_guard guard(lock_);
    for (WindowHost* h : hosts_)
        if (&h->procedure() == &procedure) return h;
    return nullptr;
}

std::vector<QWidget*> QtRuntime::openWidgets() const {
    std::lock_guard guard(lock_);
    return {hosts_.begin(), hosts_.end()};
}

// Asks the Qt thread for an answer without a nested event loop there: the dialog is opened
// window-modal and answers through its signal while the context thread waits.
unsigned QtRuntime::message(const MessageRequest& request) {
    std::promise<unsigned> answer;
    auto future = answer.get_future();
    QWidget* parent = topWidget();
    auto show = [&, parent] {
        auto* box = new QMessageBox(parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowTitle(qs(request.title));
        box->setText(qs(messageLines(request.text)));
        switch (request.icon) {
            case Icon::Information: box->setIcon(QMessageBox::Information); break;
            case Icon::Exclamation: box->setIcon(QMessageBox::Warning); break;
            case Icon::Question: box->setIcon(QMessageBox::Question); break;
            case Icon::Hand: box->setIcon(QMessageBox::Critical); break;
            case Icon::None: box->setIcon(QMessageBox::NoIcon); break;
        }
        static const std::pair<Button, QMessageBox::StandardButton> map[] = {
            {ButtonOk, QMessageBox::Ok},         {ButtonYes, QMessageBox::Yes},     {ButtonNo, QMessageBox::No},
            {ButtonCancel, QMessageBox::Cancel}, {ButtonAbort, QMessageBox::Abort}, {ButtonRetry, QMessageBox::Retry},
            {ButtonIgnore, QMessageBox::Ignore}};
        QMessageBox::StandardButtons buttons;
        for (auto [ours, theirs] : map)
            if (request.buttons & ours) buttons |= theirs;
        if (!buttons) buttons = QMessageBox::Ok;
        box->setStandardButtons(buttons);
        if (uiLanguage() == 2) {  // the standard buttons speak the operator's language too
            static const std::pair<QMessageBox::StandardButton, const char*> afrikaans[] = {
                {QMessageBox::Ok, "OK"},          {QMessageBox::Yes, "&Ja"},       {QMessageBox::No, "&Nee"},
                {QMessageBox::Cancel, "&Kanselleer"}, {QMessageBox::Abort, "&Staak"}, {QMessageBox::Retry, "Probeer &weer"},
                {QMessageBox::Ignore, "&Ignoreer"}};
            for (auto [which, text] : afrikaans)
                if (QAbstractButton* b = box->button(which)) b->setText(QString::fromUtf8(text));
        }
        for (auto [ours, theirs] : map)
            if (request.defaultButton == ours) box->setDefaultButton(theirs);
        auto* promise = &answer;
        auto done = std::make_shared<bool>(false);
        QObject::connect(box, &QMessageBox::finished, box, [box, promise, done, request] {
            if (*done) return;
            *done = true;
            unsigned chosen = request.defaultButton;
            for (auto [ours, theirs] : map)
                if (box->clickedButton() && box->standardButton(box->clickedButton()) == theirs) chosen = ours;
            if (!box->clickedButton() && (request.buttons & ButtonCancel)) chosen = ButtonCancel;
            promise->set_value(chosen);
        });
        box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
        box->setObjectName(QStringLiteral("MessageBox"));
        box->open();
    };
    if (QThread::currentThread() == thread()) {
        // Asked on the Qt thread itself (before any context runs): wait here.
        show();
        while (future.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        return future.get();
    }
    QMetaObject::invokeMethod(this, show, Qt::BlockingQueuedConnection);
    return future.get();
}

int QtRuntime::popupMenu(const std::vector<std::string>& items) {
    std::promise<int> answer;
    auto future = answer.get_future();
    QMetaObject::invokeMethod(
        this,
        [&] {
            auto* menu = new QMenu();
            menu->setObjectName(QStringLiteral("PopupMenu"));
            menu->setAttribute(Qt::WA_DeleteOnClose);
            auto chosen = std::make_shared<int>(0);
            for (std::size_t i = 0; i < items.size(); ++i) {
                QAction* a = menu->addAction(qs(items[i]));
                int number = static_cast<int>(i) + 1;
                QObject::connect(a, &QAction::triggered, menu, [chosen, number] { *chosen = number; });
            }
            auto* promise = &answer;
            QObject::connect(menu, &QMenu::aboutToHide, menu, [menu, chosen, promise] {
                // triggered() comes after aboutToHide: answer once the menu has finished.
                QMetaObject::invokeMethod(menu, [chosen, promise] { promise->set_value(*chosen); }, Qt::QueuedConnection);
            });
            menu->popup(QCursor::pos());
        },
        QThread::currentThread() == thread() ? Qt::DirectConnection : Qt::BlockingQueuedConnection);
    if (QThread::currentThread() == thread())
        while (future.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return future.get();
}

namespace {
std::optional<std::string> runFileDialog(QtRuntime* rt, QWidget* parent, QFileDialog::FileMode mode,
                                         QFileDialog::AcceptMode accept, const std::string& title,
                                         const std::string& start, const std::vector<FileFilter>& filters) {
    std::promise<std::optional<std::string>> answer;
    auto future = answer.get_future();
    QMetaObject::invokeMethod(
        rt,
        [&] {
            auto* d = new QFileDialog(parent, qs(title), qs(start));
            d->setAttribute(Qt::WA_DeleteOnClose);
            d->setFileMode(mode);
            d->setAcceptMode(accept);
            if (mode == QFileDialog::Directory) d->setOption(QFileDialog::ShowDirsOnly);
            if (!filters.empty()) d->setNameFilter(filterText(filters));
            auto* promise = &answer;
            QObject::connect(d, &QFileDialog::finished, d, [d, promise](int result) {
                if (result == QDialog::Accepted && !d->selectedFiles().isEmpty())
                    promise->set_value(d->selectedFiles().first().toStdString());
                else
                    promise->set_value(std::nullopt);
            });
            d->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
            d->open();
        },
        Qt::BlockingQueuedConnection);
    return future.get();
}
}  // namespace

std::optional<std::string> QtRuntime::chooseFolder(const std::string& title, const std::string& start) {
    return runFileDialog(this, topWidget(), QFileDialog::Directory, QFileDialog::AcceptOpen, title, start, {});
}

std::optional<std::string> QtRuntime::chooseOpenFile(const std::string& title, const std::string& start,
                                                     const std::vector<FileFilter>& filters) {
    return runFileDialog(this, topWidget(), QFileDialog::ExistingFile, QFileDialog::AcceptOpen, title, start, filters);
}

std::optional<std::string> QtRuntime::chooseSaveFile(const std::string& title, const std::string& start,
                                                     const std::vector<FileFilter>& filters) {
    return runFileDialog(this, topWidget(), QFileDialog::AnyFile, QFileDialog::AcceptSave, title, start, filters);
}

bool QtRuntime::printerSetup() {
    std::promise<bool> answer;
    auto future = answer.get_future();
    QWidget* parent = topWidget();
    QMetaObject::invokeMethod(
        this,
        [&] {
            static QPrinter printer;
            auto* d = new QPrintDialog(&printer, parent);
            d->setAttribute(Qt::WA_DeleteOnClose);
            d->setObjectName(QStringLiteral("PrinterSetup"));
            // It only chooses the printer: its title and button say so, not "Print".
            d->setWindowTitle(uiText("Drukkeropstelling", "Print Setup"));
            for (auto* box : d->findChildren<QDialogButtonBox*>())
                if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) ok->setText(QStringLiteral("&OK"));
            auto* promise = &answer;
            QObject::connect(d, &QDialog::finished, d, [promise](int result) { promise->set_value(result == QDialog::Accepted); });
            d->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
            d->open();
        },
        Qt::BlockingQueuedConnection);
    return future.get();
}

void QtRuntime::showHelp(const std::string& helpFile) {
    QString file = qs(helpFile);
    QMetaObject::invokeMethod(this, [file] {
        if (QFile::exists(file)) GuideViewer::open(file);
    }, Qt::QueuedConnection);
}

void QtRuntime::setWaitCursor(bool on) {
    QMetaObject::invokeMethod(this, [on] {
        if (on) QApplication::setOverrideCursor(Qt::WaitCursor);
        else QApplication::restoreOverrideCursor();
    }, Qt::QueuedConnection);
}

void QtRuntime::display(Procedure& procedure) {
    bool shown = false;
    onGui([&] {
        std::lock_guard guard(lock_);
        for (WindowHost* h : hosts_)
            if (&h->procedure() == &procedure) {
                h->render();
                shown = true;
            }
    });
    // A window its procedure shows while still starting (the main frame behind the reminder).
    if (!shown && current().starting == &procedure && procedure.opened()) showWindow(procedure);
}

void QtRuntime::onFace(const std::function<void()>& work) { onGui(work); }

}  // namespace tavlo::gui
