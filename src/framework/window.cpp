#include "framework/window.h"

#include <stdexcept>

#include "framework/list.h"

namespace tavlo {

bool isListKind(ControlKind kind) {
    return kind == ControlKind::List || kind == ControlKind::Combo || kind == ControlKind::DropList ||
           kind == ControlKind::DropCombo;
}

std::string keyName(const Key& key) {
    static const char* names[] = {"",   "",   "Tab", "Enter", "Esc", "Up",  "Down", "Left", "Right", "PgUp",
                                  "PgDn", "Home", "End", "Backspace", "Delete", "Insert", "Space",
                                  "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12"};
    std::string out;
    if (key.ctrl) out += "Ctrl+";
    if (key.alt) out += "Alt+";
    if (key.shift) out += "Shift+";
    if (key.code == Key::Character) {
        char32_t c = key.character;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    } else {
        out += names[key.code];
    }
    return out;
}

bool takesFocus(const Window& window, int number) {
    if (!window.has(number)) return false;
    const Control& c = window[number];
    switch (c.kind) {
        case ControlKind::Entry: case ControlKind::Button: case ControlKind::Check: case ControlKind::Radio:
        case ControlKind::List: case ControlKind::Combo: case ControlKind::Spin: case ControlKind::Text:
        case ControlKind::DropList: case ControlKind::DropCombo:
            break;
        default:
            return false;
    }
    for (const Control* p = &c;;) {
        if (p->hidden || p->disabled) return false;
        if (p->parent == 0 || !window.has(p->parent)) break;
        p = &window[p->parent];
    }
    return true;
}

int nextFocus(const Window& window, int from, int step) {
    int n = window.lastControl();
    if (n == 0) return 0;
    int at = from;
    for (int i = 0; i < n; ++i) {
        at += step;
        if (at > n) at = 1;
        if (at < 1) at = n;
        if (takesFocus(window, at)) return at;
    }
    return 0;
}

std::string plainCaption(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

Control& ControlRef::control() const { return (*window_)[number_]; }
ControlRef& ControlRef::name(std::string n) { control().name = std::move(n); return *this; }
ControlRef& ControlRef::at(int x, int y, int w, int h) { control().at = Rect{x, y, w, h}; return *this; }
ControlRef& ControlRef::use(Binding b) { control().use = std::move(b); return *this; }
ControlRef& ControlRef::picture(std::string p) { control().picture = std::move(p); return *this; }
ControlRef& ControlRef::msg(std::string m) { control().msg = std::move(m); return *this; }
ControlRef& ControlRef::tip(std::string t) { control().tip = std::move(t); return *this; }
ControlRef& ControlRef::hidden(bool h) { control().hidden = h; return *this; }
ControlRef& ControlRef::disabled(bool d) { control().disabled = d; return *this; }
ControlRef& ControlRef::checked(bool c) { control().checked = c; return *this; }
ControlRef& ControlRef::values(Value t, Value f) {
    control().trueValue = std::move(t);
    control().falseValue = std::move(f);
    return *this;
}
ControlRef& ControlRef::icon(std::string i) { control().icon = std::move(i); return *this; }
ControlRef& ControlRef::font(Font f) { control().font = std::move(f); return *this; }
ControlRef& ControlRef::readOnly(bool r) { control().readOnly = r; return *this; }
ControlRef& ControlRef::password(bool p) { control().password = p; return *this; }
ControlRef& ControlRef::defaultButton(bool d) { control().defaultButton = d; return *this; }
ControlRef& ControlRef::closes(bool c) { control().closes = c; return *this; }
ControlRef& ControlRef::in(int parentNumber) { control().parent = parentNumber; return *this; }

Window::Window(std::string t, int w, int h, ControlKind k) : title(std::move(t)), width(w), height(h), kind(k) {}

ControlRef Window::add(ControlKind k, std::string text) {
    Control c;
    c.number = lastControl() + 1;
    c.kind = k;
    c.text = std::move(text);
    controls_.push_back(std::move(c));
    return ControlRef(*this, controls_.back().number);
}

ControlRef Window::entry(Binding use, std::string picture) {
    auto ref = add(ControlKind::Entry);
    ref.use(std::move(use)).picture(std::move(picture));
    return ref;
}

ControlRef Window::display(Binding use, std::string picture) {
    auto ref = add(ControlKind::Display);
    ref.use(std::move(use)).picture(std::move(picture));
    return ref;
}

ControlRef Window::check(std::string text, Binding use) {
    auto ref = add(ControlKind::Check, std::move(text));
    ref.use(std::move(use));
    return ref;
}

ControlRef Window::menu(std::string text, int parent) {
    auto ref = add(ControlKind::Menu, std::move(text));
    ref.in(parent);
    return ref;
}

ControlRef Window::item(std::string text, int parent) {
    auto ref = add(ControlKind::Item, std::move(text));
    ref.in(parent);
    return ref;
}

ControlRef Window::separator(int parent) {
    auto ref = add(ControlKind::Item);
    ref.in(parent);
    ref.control().separator = true;
    return ref;
}

ControlRef Window::list(std::shared_ptr<ListControl> model) {
    auto ref = add(ControlKind::List);
    ref.control().list = std::move(model);
    return ref;
}

Control& Window::operator[](int number) {
    if (!has(number)) throw std::out_of_range("no control " + std::to_string(number));
    return controls_[static_cast<std::size_t>(number - 1)];
}

const Control& Window::operator[](int number) const {
    if (!has(number)) throw std::out_of_range("no control " + std::to_string(number));
    return controls_[static_cast<std::size_t>(number - 1)];
}

int Window::find(std::string_view key) const {
    for (const auto& c : controls_)
        if (c.kind != ControlKind::None && !c.name.empty() && c.name == key) return c.number;
    for (const auto& c : controls_)
        if (c.kind != ControlKind::None && !c.text.empty() && plainCaption(c.text) == key) return c.number;
    return 0;
}

ListControl* Window::listOf(int number) const {
    if (!has(number)) return nullptr;
    return (*this)[number].list.get();
}

int Window::typeCode(int number) const {
    if (number == 0) return static_cast<int>(kind);
    if (!has(number)) return 0;
    return static_cast<int>((*this)[number].kind);
}

std::string Window::text(int number) const {
    if (number == 0) return title;
    return has(number) ? (*this)[number].text : std::string();
}

void Window::setText(int number, std::string value) {
    if (number == 0) title = std::move(value);
    else if (has(number) && (*this)[number].kind != ControlKind::None) (*this)[number].text = std::move(value);
}

std::string Window::msg(int number) const { return has(number) ? (*this)[number].msg : std::string(); }
void Window::setMsg(int number, std::string value) {
    if (has(number) && (*this)[number].kind != ControlKind::None) (*this)[number].msg = std::move(value);
}
std::string Window::tip(int number) const { return has(number) ? (*this)[number].tip : std::string(); }
void Window::setTip(int number, std::string value) {
    if (has(number) && (*this)[number].kind != ControlKind::None) (*this)[number].tip = std::move(value);
}

std::string Window::format(int number) const {
    const ListControl* l = listOf(number);
    if (!l) return {};
    std::string out;
    for (const auto& col : l->columns) {
        out += std::to_string(col.width);
        out += col.align;
        out += "(" + std::to_string(col.indent) + ")";
        out += col.resizable ? "|M" : "|";
        out += "~" + col.heading + "~";
        if (!col.picture.empty()) out += col.picture + "@";
    }
    return out;
}

void Window::setFormat(int number, const std::string& value) {
    ListControl* l = listOf(number);
    if (!l) return;
    std::size_t pos = 0;
    for (auto& col : l->columns) {
        std::size_t open = value.find('~', pos);
        if (open == std::string::npos) break;
        std::size_t close = value.find('~', open + 1);
        if (close == std::string::npos) break;
        col.heading = value.substr(open + 1, close - open - 1);
        pos = close + 1;
    }
    l->touched();
}

std::string Window::displayText(int number) const {
    const Control& c = (*this)[number];
    if (c.use.bound() && (c.kind == ControlKind::Entry || c.kind == ControlKind::Display ||
                          c.kind == ControlKind::Text || c.kind == ControlKind::Spin ||
                          c.kind == ControlKind::Combo || c.kind == ControlKind::DropCombo))
        return formatValue(c.use.get(), c.picture);
    return c.text;
}

bool Window::isChecked(int number) const {
    const Control& c = (*this)[number];
    if (c.use.bound() && (c.kind == ControlKind::Check || c.kind == ControlKind::Item))
        return compareValues(c.use.get(), c.trueValue) == 0;
    if (c.kind == ControlKind::Radio && c.parent != 0 && has(c.parent) && (*this)[c.parent].use.bound())
        return compareValues((*this)[c.parent].use.get(), c.trueValue) == 0;
    return c.checked;
}

void Window::remove(int number) {
    if (!has(number)) return;
    Control& c = (*this)[number];
    Control blank;
    blank.number = c.number;
    c = std::move(blank);
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i].parent == number && controls_[i].kind != ControlKind::None) remove(controls_[i].number);
    // Controls made at run time come last; taking them away gives their numbers back, so a
    // menu rebuilt the same way gets the same numbers again.
    while (!controls_.empty() && controls_.back().kind == ControlKind::None) controls_.pop_back();
}

std::string Window::statusText(int zone) const {
    return zone >= 0 && static_cast<std::size_t>(zone) < status.size() ? status[static_cast<std::size_t>(zone)] : std::string();
}

void Window::setStatusText(int zone, std::string text) {
    if (zone < 0) return;
    if (status.size() <= static_cast<std::size_t>(zone)) status.resize(static_cast<std::size_t>(zone) + 1);
    status[static_cast<std::size_t>(zone)] = std::move(text);
}

}  // namespace tavlo
