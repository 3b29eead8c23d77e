#include "framework/procedure.h"

#include <iostream>
#include <stdexcept>

#include "framework/errors.h"
#include "framework/language.h"
#include "framework/message.h"
#include "framework/list.h"
#include "framework/runtime.h"

namespace tavlo {

Procedure::Procedure(std::string name) : name_(std::move(name)) {}
Procedure::~Procedure() = default;

Runtime& Procedure::runtime() const {
    if (!runtime_) throw std::logic_error(name_ + " is not running");
    return *runtime_;
}

Context& Procedure::context() const {
    if (!context_) throw std::logic_error(name_ + " has no context");
    return *context_;
}

void Procedure::attach(Runtime& rt) {
    runtime_ = &rt;
    if (!context_) context_ = currentContext();
    if (!context_) context_ = newContext();
}

bool Procedure::Init(Runtime& rt) {
    runtime_ = &rt;
    nameToGlobalErrors();
    if (!OpenTables()) return false;
    tablesOpen_ = true;
    openWindow();
    translateWindow();
    restorePosition();
    return true;
}

void Procedure::Kill() {
    ContextScope scope(context_);
    if (tablesOpen_) {
        CloseTables();
        tablesOpen_ = false;
    }
    if (opened_) savePosition();
    if (named_) {
        GlobalErrors().SetProcedureName(previousProcedure_);
        named_ = false;
    }
    opened_ = false;
}

void Procedure::nameToGlobalErrors() {
    previousProcedure_ = GlobalErrors().procedureName();
    GlobalErrors().SetProcedureName(name_);
    named_ = true;
}

void Procedure::openWindow() {
    if (opened_) return;
    DefineWindow(window_);
    opened_ = true;
}

void Procedure::translateWindow() {
    if (!designKept_) {
        for (int n = 0; n <= window_.lastControl(); ++n)
            designTexts_.push_back({n, window_.text(n), window_.msg(n), window_.tip(n), window_.format(n)});
        designKept_ = true;
    } else {
        for (const DesignText& d : designTexts_) {
            if (d.number != 0 && !window_.has(d.number)) continue;
            window_.setText(d.number, d.text);
            window_.setMsg(d.number, d.msg);
            window_.setTip(d.number, d.tip);
            if (!d.format.empty()) window_.setFormat(d.number, d.format);
        }
    }
    windowTranslator().translateWindow(window_, "Tavlo", name_, structureName());
}

void Procedure::restorePosition() {
    if (WindowPositions* p = windowPositions())
        if (auto g = p->load(name_)) window_.geometry = *g;
}

void Procedure::savePosition() {
    if (WindowPositions* p = windowPositions())
        if (window_.geometry) p->save(name_, *window_.geometry);
}

void Procedure::close(Response response) {
    closing_ = true;
    if (response_ == Response::None || response != Response::Cancelled) response_ = response;
}

void Procedure::select(int control) {
    window_.focusRequest = control;
    window_.focus = control;
    Event e;
    e.kind = EventKind::Selected;
    e.control = control;
    posted_.push_back(e);
}

void Procedure::post(Event event) { posted_.push_back(std::move(event)); }

bool Procedure::takePosted(Event& event) {
    if (posted_.empty()) return false;
    event = std::move(posted_.front());
    posted_.pop_front();
    return true;
}

bool Procedure::alerted(const Key& key) const {
    for (const auto& k : alerts)
        if (k == key) return true;
    return false;
}

void Procedure::TakeEvent(const Event& event) {
    ContextScope scope(context_);
    try {
        handleEvent(event);
    } catch (const ProgramHalt&) {
        throw;  // a fatal error was shown: the program ends
    } catch (const std::exception& e) {
        failed(e);
    }
}

bool Procedure::guardedInit(Runtime& rt) {
    try {
        return Init(rt);
    } catch (const ProgramHalt&) {
        throw;
    } catch (const std::exception& e) {
        failed(e);
        return false;
    }
}

void Procedure::guardedKill() {
    try {
        Kill();
    } catch (const ProgramHalt&) {
        throw;
    } catch (const std::exception& e) {
        failed(e);
    }
}

void Procedure::failed(const std::exception& error) {
    std::cerr << "Tavlo: " << name_ << ": " << error.what() << std::endl;
    MessageRequest box;
    box.icon = Icon::Hand;
    box.buttons = box.defaultButton = ButtonOk;
    if (uiLanguage() == 2) {
        box.title = "Programfout";
        box.text = name_ + " kon nie voortgaan nie: " + error.what() +
                   "|Wat nie klaar was nie, is teruggerol en die venster word gesluit.";
    } else {
        box.title = "Program Error";
        box.text = name_ + " could not go on: " + error.what() +
                   "|What was not finished has been rolled back and the window closes.";
    }
    showMessage(box);
    close(Response::Cancelled);
}

void Procedure::handleEvent(const Event& event) {
    if (BeforeEvent(event) == Reply::Consumed) {
        AfterEvent(event);
        return;
    }
    switch (event.kind) {
        case EventKind::OpenWindow:
            TakeOpened();
            break;
        case EventKind::Accepted: {
            bool passOn = true;
            standardAccepted(event, passOn);
            if (passOn) TakeAccepted(event.control);
            break;
        }
        case EventKind::Selected:
            window_.focus = event.control;
            TakeSelected(event.control);
            break;
        case EventKind::NewSelection:
            if (ListControl* l = window_.listOf(event.control)) {
                if (event.row >= 0) l->select(event.row);
            }
            TakeNewSelection(event.control);
            break;
        case EventKind::AlertKey:
            TakeAlertKey(event.control, event.key);
            break;
        case EventKind::CloseWindow:
            if (TakeCloseRequest()) close(Response::Cancelled);
            break;
        case EventKind::Timer:
            TakeTimer();
            break;
        case EventKind::HeaderClicked:
        case EventKind::ListKey:
        case EventKind::EditorKey:
        case EventKind::EditorFocusLost:
        case EventKind::ListReadOn:
            standardList(event);
            break;
    }
    AfterEvent(event);
}

void Procedure::standardAccepted(const Event& event, bool& passOn) {
    if (!window_.has(event.control)) {
        passOn = false;
        return;
    }
    Control& c = window_[event.control];
    if (c.hidden || c.disabled) {
        passOn = false;
        return;
    }
    switch (c.kind) {
        case ControlKind::Entry:
        case ControlKind::Text:
        case ControlKind::Spin:
        case ControlKind::Combo:
        case ControlKind::DropCombo: {
            if (c.readOnly || !c.use.bound()) break;
            auto v = parseValue(event.text, c.picture);
            if (!v || !c.use.set(*v)) {
                // Not a value this field can hold: the operator stays in the field.
                passOn = false;
                window_.focusRequest = c.number;
            }
            break;
        }
        case ControlKind::Check:
            c.checked = event.checked;
            if (c.use.bound()) c.use.set(event.checked ? c.trueValue : c.falseValue);
            break;
        case ControlKind::Radio:
            if (c.parent && window_.has(c.parent) && window_[c.parent].use.bound())
                window_[c.parent].use.set(c.trueValue);
            c.checked = true;
            break;
        case ControlKind::Item:
            if (c.checkable) {
                c.checked = !c.checked;
                if (c.use.bound()) c.use.set(c.checked ? c.trueValue : c.falseValue);
            }
            break;
        case ControlKind::Button: {
            // The lists first: a list's handler may add controls to the window.
            std::vector<std::shared_ptr<ListControl>> lists;
            for (const auto& other : window_.controls())
                if (other.list) lists.push_back(other.list);
            int number = c.number;
            bool closes = c.closes;
            for (const auto& shared : lists) {
                ListControl* l = shared.get();
                if (l->insertButton == number) {
                    if (l->editInPlace) l->beginInsert();
                    else if (l->onInsert) l->onInsert();
                } else if (l->changeButton == number) {
                    if (l->editInPlace) l->beginChange();
                    else if (l->onChange) l->onChange();
                } else if (l->deleteButton == number) {
                    l->deleteSelected();
                } else if (l->selectButton == number) {
                    if (l->onSelect) l->onSelect();
                }
            }
            if (closes) close(Response::Cancelled);
            break;
        }
        default:
            break;
    }
}

void Procedure::standardList(const Event& event) {
    ListControl* l = window_.listOf(event.control);
    if (!l) return;
    switch (event.kind) {
        case EventKind::HeaderClicked:
            l->clickHeading(event.column);
            TakeNewSelection(event.control);
            break;
        case EventKind::ListKey: {
            int before = l->selected();
            if (event.key.code == Key::Enter && !event.key.ctrl) {
                // Enter on a row chooses it: select in a pick list, else change.
                int button = l->selectButton ? l->selectButton : l->changeButton;
                if (button && window_.has(button) && !window_[button].hidden && !window_[button].disabled) {
                    Event press;
                    press.kind = EventKind::Accepted;
                    press.control = button;
                    post(press);
                }
                break;
            }
            if (event.key.code == Key::Insert && l->insertButton) {
                post(Event{EventKind::Accepted, l->insertButton});
                break;
            }
            if (event.key.code == Key::Delete && l->deleteButton) {
                post(Event{EventKind::Accepted, l->deleteButton});
                break;
            }
            l->takeKey(event.key);
            if (l->selected() != before) TakeNewSelection(event.control);
            break;
        }
        case EventKind::EditorKey:
            l->editorKey(event.key, event.text);
            break;
        case EventKind::EditorFocusLost:
            l->editorFocusLost();
            break;
        case EventKind::ListReadOn: {
            const Row* was = l->selectedRow();
            const std::int64_t before = was ? was->id : 0;
            l->readOn(event.row < 0);
            if (const Row* now = l->selectedRow(); now && now->id != before) TakeNewSelection(event.control);
            break;
        }
        default:
            break;
    }
}

}  // namespace tavlo
