#include "test_runtime.h"

#include <stdexcept>

namespace tavlo {

// ---- TestWindow -------------------------------------------------------------------------------

bool TestWindow::isOpen() const { return runtime_->isLive(*procedure_); }

int TestWindow::control(std::string_view key) const {
    int n = window().find(key);
    if (n == 0) {
        // A number written as text ("12") names the control by number.
        bool digits = !key.empty();
        for (char c : key) digits = digits && c >= '0' && c <= '9';
        if (digits) n = std::stoi(std::string(key));
        if (!window().has(n)) throw std::invalid_argument("no control '" + std::string(key) + "' on " + procedure_->name());
    }
    return n;
}

Control& TestWindow::usable(std::string_view ctl) const {
    if (!isOpen()) throw std::logic_error(procedure_->name() + " is not open");
    Control& c = (*this)[ctl];
    for (const Control* p = &c;;) {
        if (p->hidden) throw std::logic_error("'" + std::string(ctl) + "' is hidden");
        if (p->disabled) throw std::logic_error("'" + std::string(ctl) + "' is disabled");
        if (p->parent == 0) break;
        p = &window()[p->parent];
    }
    return c;
}

void TestWindow::send(Event event) {
    if (!isOpen()) throw std::logic_error(procedure_->name() + " is not open");
    runtime_->dispatch(*procedure_, event);
}

void TestWindow::focus(std::string_view ctl) {
    Control& c = usable(ctl);
    if (window().focus == c.number) return;
    // Leaving a list whose editor is open: the editor loses the focus.
    if (ListControl* l = window().listOf(window().focus); l && l->editing())
        send(Event{EventKind::EditorFocusLost, window().focus});
    if (!isOpen()) return;
    send(Event{EventKind::Selected, c.number});
}

void TestWindow::press(std::string_view ctl) {
    Control& c = usable(ctl);
    int n = c.number;
    if (c.kind == ControlKind::Item || c.kind == ControlKind::Menu) throw std::logic_error("use choose() for menus");
    focus(ctl);
    if (isOpen()) send(Event{EventKind::Accepted, n});
}

void TestWindow::type(std::string_view ctl, const std::string& text) {
    Control& c = usable(ctl);
    if (c.readOnly || (c.kind != ControlKind::Entry && c.kind != ControlKind::Text && c.kind != ControlKind::Spin &&
                       c.kind != ControlKind::Combo && c.kind != ControlKind::DropCombo))
        throw std::logic_error("cannot type into '" + std::string(ctl) + "'");
    int n = c.number;
    focus(ctl);
    if (!isOpen()) return;
    Event e{EventKind::Accepted, n};
    e.text = text;
    send(e);
}

void TestWindow::tick(std::string_view ctl, bool on) {
    Control& c = usable(ctl);
    if (c.kind != ControlKind::Check && c.kind != ControlKind::Radio)
        throw std::logic_error("'" + std::string(ctl) + "' is not a check box");
    int n = c.number;
    if (window().isChecked(n) == on && c.kind == ControlKind::Check) return;
    focus(ctl);
    if (!isOpen()) return;
    Event e{EventKind::Accepted, n};
    e.checked = on;
    send(e);
}

void TestWindow::tab(bool backwards) {
    int next = nextFocus(window(), window().focus, backwards ? -1 : 1);
    if (next) focus(std::to_string(next));
}

void TestWindow::key(const Key& k) {
    if (!isOpen()) throw std::logic_error(procedure_->name() + " is not open");
    int f = window().focus;
    if (procedure_->alerted(k)) {
        Event e{EventKind::AlertKey, f};
        e.key = k;
        send(e);
        return;
    }
    if (window().listOf(f)) {
        Event e{EventKind::ListKey, f};
        e.key = k;
        send(e);
    }
}

void TestWindow::choose(std::string_view menuItem) {
    Control& c = usable(menuItem);
    if (c.kind != ControlKind::Item || c.separator) throw std::logic_error("'" + std::string(menuItem) + "' is not a menu item");
    send(Event{EventKind::Accepted, c.number});
}

void TestWindow::closeBox() { send(Event{EventKind::CloseWindow, 0}); }

void TestWindow::selectRow(std::string_view list, int row) {
    Control& c = usable(list);
    int n = c.number;
    focus(list);
    Event e{EventKind::NewSelection, n};
    e.row = row;
    send(e);
}

void TestWindow::clickHeading(std::string_view list, int column) {
    Control& c = usable(list);
    Event e{EventKind::HeaderClicked, c.number};
    e.column = column;
    send(e);
}

void TestWindow::listKey(std::string_view list, const Key& k) {
    Control& c = usable(list);
    int n = c.number;
    focus(list);
    Event e{EventKind::ListKey, n};
    e.key = k;
    send(e);
}

void TestWindow::insert(std::string_view list) {
    ListControl* l = window().listOf(control(list));
    if (!l || !l->insertButton) throw std::logic_error("'" + std::string(list) + "' has no Insert button");
    press(std::to_string(l->insertButton));
}

void TestWindow::edit(std::string_view list, const std::string& text, const Key& k) {
    int n = control(list);
    ListControl* l = window().listOf(n);
    if (!l || !l->editing()) throw std::logic_error("no editor is open on '" + std::string(list) + "'");
    window().focus = n;
    Event e{EventKind::EditorKey, n};
    e.key = k;
    e.text = text;
    send(e);
}

void TestWindow::editorFocusLost(std::string_view list) {
    int n = control(list);
    send(Event{EventKind::EditorFocusLost, n});
}

std::string TestWindow::text(std::string_view ctl) const { return window().displayText(control(ctl)); }

bool TestWindow::visible(std::string_view ctl) const {
    for (const Control* p = &(*this)[ctl];;) {
        if (p->hidden) return false;
        if (p->parent == 0) return true;
        p = &window()[p->parent];
    }
}

bool TestWindow::enabled(std::string_view ctl) const { return !(*this)[ctl].disabled; }
bool TestWindow::checked(std::string_view ctl) const { return window().isChecked(control(ctl)); }

// ---- TestRuntime ------------------------------------------------------------------------------

TestRuntime::TestRuntime() {
    setMessageHandler([this](const MessageRequest& r) { return message(r); });
}

TestRuntime::~TestRuntime() {
    for (auto& p : startedProcedures)
        if (isLive(*p)) {
            live_.erase(p.get());
            p->guardedKill();
        }
    setMessageHandler(nullptr);
}

bool TestRuntime::isLive(const Procedure& p) const { return live_.count(&p) != 0; }

bool TestRuntime::openProcedure(Procedure& procedure) {
    procedure.attach(*this);
    bool ok;
    {
        ContextScope scope(procedure.sharedContext());
        ok = procedure.guardedInit(*this);
        if (!ok) procedure.guardedKill();
    }
    if (!ok) return false;
    live_.insert(&procedure);
    dispatch(procedure, Event{EventKind::OpenWindow, 0});
    if (isLive(procedure) && procedure.window().focus == 0) {
        if (int first = nextFocus(procedure.window(), 0)) {
            procedure.select(first);
            Event e;
            if (procedure.takePosted(e)) dispatch(procedure, e);
        }
    }
    return true;
}

TestWindow TestRuntime::open(Procedure& procedure) {
    openProcedure(procedure);
    return TestWindow(*this, procedure);
}

void TestRuntime::finish(TestWindow& window) {
    Procedure& p = window.procedure();
    if (!isLive(p)) return;
    dispatch(p, Event{EventKind::CloseWindow, 0});
    if (isLive(p)) {
        p.close();
        live_.erase(&p);
        p.guardedKill();
    }
}

void TestRuntime::onOpen(const std::string& procedure, std::function<void(TestWindow&)> script) {
    if (script) scripts_[procedure] = std::move(script);
    else scripts_.erase(procedure);
}

namespace {
constexpr int kMaxTimerTicks = 1000000;
}  // namespace

void TestRuntime::runScript(Procedure& procedure, bool modal) {
    if (!isLive(procedure)) return;
    TestWindow w(*this, procedure);
    auto it = scripts_.find(procedure.name());
    if (it != scripts_.end()) it->second(w);
    // A window that works on its timer (a report's progress window) is given the time it
    // needs, however slow the machine: its timer keeps running out until it closes itself.
    for (int tick = 0; modal && isLive(procedure) && procedure.window().timer > 0 && tick < kMaxTimerTicks; ++tick)
        dispatch(procedure, Event{EventKind::Timer, 0});
    if (modal && isLive(procedure)) {
        // A modal window left open by its script (or without one) is closed with the close box;
        // one that refuses is closed anyway, or the caller would wait for ever.
        finish(w);
    }
}

void TestRuntime::run(Procedure& procedure) {
    ran.push_back(procedure.name());
    if (!openProcedure(procedure)) return;
    runScript(procedure, true);
}

void TestRuntime::start(ProcedureFactory factory) {
    auto p = factory();
    if (!p) return;
    Procedure& ref = *p;
    ref.setContext(newContext());
    startedProcedures.push_back(std::move(p));
    ran.push_back(ref.name());
    if (!openProcedure(ref)) return;
    started.emplace_back(*this, ref);
    runScript(ref, false);
}

void TestRuntime::dispatch(Procedure& procedure, const Event& event) {
    if (!isLive(procedure)) return;
    procedure.TakeEvent(event);
    Event next;
    while (!procedure.closing() && procedure.takePosted(next)) procedure.TakeEvent(next);
    if (procedure.closing()) {
        live_.erase(&procedure);
        procedure.guardedKill();
    }
}

unsigned TestRuntime::message(const MessageRequest& request) {
    messages.push_back(request);
    if (messageAnswers.empty()) return request.defaultButton;
    unsigned answer = messageAnswers.front();
    messageAnswers.pop_front();
    if ((request.buttons & answer) == 0)
        throw std::logic_error("the box \"" + request.title + "\" has no such button");
    return answer;
}

int TestRuntime::popupMenu(const std::vector<std::string>& items) {
    popups.push_back(items);
    if (popupAnswers.empty()) return 0;
    int a = popupAnswers.front();
    popupAnswers.pop_front();
    return a;
}

namespace {
std::optional<std::string> take(std::deque<std::optional<std::string>>& q) {
    if (q.empty()) return std::nullopt;
    auto a = q.front();
    q.pop_front();
    return a;
}
}  // namespace

std::optional<std::string> TestRuntime::chooseFolder(const std::string&, const std::string&) { return take(fileAnswers); }
std::optional<std::string> TestRuntime::chooseOpenFile(const std::string&, const std::string&, const std::vector<FileFilter>&) {
    return take(fileAnswers);
}
std::optional<std::string> TestRuntime::chooseSaveFile(const std::string&, const std::string&, const std::vector<FileFilter>&) {
    return take(fileAnswers);
}

bool TestRuntime::printerSetup() {
    if (printerAnswers.empty()) return false;
    bool a = printerAnswers.front();
    printerAnswers.pop_front();
    return a;
}

void TestRuntime::showHelp(const std::string& helpFile) { helpShown.push_back(helpFile); }
void TestRuntime::setWaitCursor(bool on) { waitCursorDepth += on ? 1 : -1; }
void TestRuntime::display(Procedure&) { ++displays; }

}  // namespace tavlo
