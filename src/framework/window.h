#pragma once
// A window is data: a title, a size in dialog units, a font and numbered controls. The face
// draws it; the procedure changes it. Controls are numbered from 1 in the order they are
// added, and the numbers never change: the translator reads and writes controls by number.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/value.h"

namespace tavlo {

class ListControl;

// Stable type codes of the control kinds, as the language store records them. Never renumber.
enum class ControlKind : int {
    None = 0,         // a number without a control
    Display = 2,      // a text that shows a variable or a caption; "large text" is a Display with a big font
    Image = 3,
    Line = 5,
    Box = 6,
    Entry = 8,        // one-line entry with a picture
    Button = 9,
    Prompt = 10,      // the caption in front of an entry
    Option = 11,      // a group of radio buttons bound to one variable
    Check = 12,
    Group = 13,
    List = 14,
    Combo = 15,
    Spin = 16,
    Text = 17,        // multi-line entry
    Menu = 19,
    Item = 20,        // a menu item (separator when its text is blank and it is marked so)
    Radio = 21,
    MenuBar = 22,
    Frame = 24,       // the application frame (control 0 of Main)
    Window = 25,      // control 0 of an ordinary window
    DropList = 33,
    DropCombo = 34,
    Progress = 35,
    Sheet = 36,
    Tab = 37,
    Panel = 38,
    Toolbar = 41,
};
bool isListKind(ControlKind kind);  // 14, 15, 33, 34

struct Font {
    std::string name = "MS Sans Serif";
    int size = 8;  // points
    bool bold = false;
    bool italic = false;
    friend bool operator==(const Font&, const Font&) = default;
};

// Dialog units: x and width in quarters of the font's average character width, y and height
// in eighths of its height. A width or height of 0 means "as the content needs".
struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A key as the program sees it. Characters carry their code point; other keys a code.
struct Key {
    enum Code : int {
        None = 0, Character, Tab, Enter, Esc, Up, Down, Left, Right, PageUp, PageDown, Home, End,
        Backspace, Delete, Insert, Space,
        F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
    };
    Code code = None;
    char32_t character = 0;
    bool shift = false, ctrl = false, alt = false;

    static Key of(Code c) { return Key{c}; }
    static Key ch(char32_t c) { return Key{Character, c}; }
    static Key ctrlOf(Code c) { Key k{c}; k.ctrl = true; return k; }
    static Key shiftOf(Code c) { Key k{c}; k.shift = true; return k; }
    friend bool operator==(const Key&, const Key&) = default;
};
std::string keyName(const Key& key);  // "Ctrl+F8", "Shift+Tab", "a"

struct Control {
    int number = 0;
    ControlKind kind = ControlKind::None;
    std::string name;     // the control's handle in code ("FinishedButton"); may be empty
    std::string text;     // caption; '&' marks the access key
    std::string msg;      // status-bar message while the control has the focus
    std::string tip;      // tool tip
    Rect at;
    Binding use;          // the variable shown and edited
    std::string picture;  // how the variable is shown ("@n15.2")
    Value trueValue = 1LL, falseValue = 0LL;  // a check box's two values; a radio's value is trueValue
    bool hidden = false;
    bool disabled = false;
    bool checked = false;       // menu items and check boxes
    bool checkable = false;     // a menu item that shows a tick
    bool separator = false;     // a menu item drawn as a line
    bool readOnly = false;      // an entry that shows but does not take typing
    bool password = false;      // an entry that shows what is typed as stars
    bool defaultButton = false; // Enter presses it
    bool closes = false;        // a button that closes the window (Cancel, Close) without other handling
    std::string icon;           // file name of a button's or the window's icon
    std::optional<Font> font;   // when not the window's font
    int parent = 0;             // the menu, menu bar, group, option or sheet that holds it; 0 = window
    std::shared_ptr<ListControl> list;  // for the list kinds

    bool visible() const { return !hidden; }
};

class Window;

// Fluent setters returned by Window::add and its shorthands; converts to the control's number.
class ControlRef {
public:
    ControlRef(Window& window, int number) : window_(&window), number_(number) {}
    operator int() const { return number_; }  // NOLINT: the number is what callers keep
    int number() const { return number_; }
    Control& control() const;

    ControlRef& name(std::string n);
    ControlRef& at(int x, int y, int w = 0, int h = 0);
    ControlRef& use(Binding b);
    ControlRef& picture(std::string p);
    ControlRef& msg(std::string m);
    ControlRef& tip(std::string t);
    ControlRef& hidden(bool h = true);
    ControlRef& disabled(bool d = true);
    ControlRef& checked(bool c = true);
    ControlRef& values(Value whenTrue, Value whenFalse);
    ControlRef& icon(std::string i);
    ControlRef& font(Font f);
    ControlRef& readOnly(bool r = true);
    ControlRef& password(bool p = true);
    ControlRef& defaultButton(bool d = true);
    ControlRef& closes(bool c = true);
    ControlRef& in(int parentNumber);

private:
    Window* window_;
    int number_;
};

struct WindowGeometry {
    int x = 0, y = 0, width = 0, height = 0;  // pixels on the screen
    bool maximized = false, minimized = false;
    friend bool operator==(const WindowGeometry&, const WindowGeometry&) = default;
};

class Window {
public:
    Window() = default;
    Window(std::string title, int width, int height, ControlKind kind = ControlKind::Window);

    // Control 0 is the window itself: its text is the title.
    std::string title;
    int width = 0, height = 0;  // dialog units
    Font font;
    std::string icon;
    std::string wallpaper;
    ControlKind kind = ControlKind::Window;  // Window, or Frame for the application frame
    std::vector<std::string> status;         // status-bar zones; empty = no status bar
    int timer = 0;                           // hundredths of a second between timer events; 0 = none
    std::optional<WindowGeometry> geometry;  // where it is on the screen, when known

    ControlRef add(ControlKind kind, std::string text = "");
    // Shorthands for the common kinds.
    ControlRef button(std::string text) { return add(ControlKind::Button, std::move(text)); }
    ControlRef entry(Binding use, std::string picture);
    ControlRef display(Binding use, std::string picture);
    ControlRef prompt(std::string text) { return add(ControlKind::Prompt, std::move(text)); }
    ControlRef check(std::string text, Binding use);
    ControlRef panel() { return add(ControlKind::Panel); }
    ControlRef menuBar() { return add(ControlKind::MenuBar); }
    ControlRef menu(std::string text, int parent);
    ControlRef item(std::string text, int parent);
    ControlRef separator(int parent);
    // A list with its model; the ListControl is shared between the window and the procedure.
    ControlRef list(std::shared_ptr<ListControl> model);

    // Controls by number: 1..lastControl(). Throws std::out_of_range for a number without one.
    Control& operator[](int number);
    const Control& operator[](int number) const;
    bool has(int number) const { return number >= 1 && number <= lastControl(); }
    int lastControl() const { return static_cast<int>(controls_.size()); }
    const std::vector<Control>& controls() const { return controls_; }
    // By name, else by caption without '&' (first match); 0 when none.
    int find(std::string_view nameOrText) const;
    // The list behind a list control (nullptr for other kinds).
    ListControl* listOf(int number) const;

    // Properties by number as the translator needs them; number 0 is the window (its title).
    // Numbers without a control read as type 0 and blank texts, and writes to them are ignored.
    int typeCode(int number) const;
    std::string text(int number) const;
    void setText(int number, std::string value);
    std::string msg(int number) const;
    void setMsg(int number, std::string value);
    std::string tip(int number) const;
    void setTip(int number, std::string value);
    // A list's column description, each heading between '~' characters:
    // "84L(2)|M~Item Code~@s20@165L(2)|M~Description~@s40@". Setting it replaces the headings.
    std::string format(int number) const;
    void setFormat(int number, const std::string& value);

    // What a control shows now: the bound value through its picture, else its text.
    std::string displayText(int number) const;
    // Whether a check box, radio or menu item shows its tick: from the bound variable when
    // there is one, else from its checked flag.
    bool isChecked(int number) const;

    // Focus: the control that has it (0 none) and the one the procedure asked for.
    int focus = 0;
    int focusRequest = 0;
    // Removes a control made at run time (the Language menu) with what it holds. The numbers of
    // other controls stay; numbers freed at the end are given out again.
    void remove(int number);

    std::string statusText(int zone = 0) const;
    void setStatusText(int zone, std::string text);

private:
    std::vector<Control> controls_;
};

// Whether the operator can put the focus on a control now (shown, enabled, a kind that takes
// the focus, inside containers that are shown).
bool takesFocus(const Window& window, int number);
// The next control in declaration order after `from` that takes the focus (wrapping round);
// 0 when none does. step -1 goes backwards.
int nextFocus(const Window& window, int from, int step = 1);

// The caption with its '&' access marker removed ("E&xit" -> "Exit"; "&&" is a literal '&').
std::string plainCaption(std::string_view text);

}  // namespace tavlo
