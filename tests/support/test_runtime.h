#pragma once
// A runtime without a face, for procedure tests. A test opens a window and drives it as an
// operator would (press, type, tick, tab, keys in a list); message boxes, pop-up menus and
// dialogs are answered from queues, and everything shown is recorded.
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/list.h"
#include "framework/runtime.h"

namespace tavlo {

class TestRuntime;

// A handle on one open window of the test runtime. Controls are named by number, by name or
// by caption without '&' ("Finished", "FinishedButton", 12).
class TestWindow {
public:
    TestWindow(TestRuntime& runtime, Procedure& procedure) : runtime_(&runtime), procedure_(&procedure) {}

    Procedure& procedure() const { return *procedure_; }
    Window& window() const { return procedure_->window(); }
    bool isOpen() const;  // Init succeeded and the window has not closed yet

    int control(std::string_view nameOrText) const;  // throws std::invalid_argument when absent
    Control& operator[](std::string_view nameOrText) const { return window()[control(nameOrText)]; }

    // Operator actions. Each one refuses (throws std::logic_error) what an operator could not
    // do: pressing a hidden or disabled control, typing into a display.
    void focus(std::string_view ctl);                 // Selected, when the focus moves there
    void press(std::string_view ctl);                 // focus, then Accepted
    void type(std::string_view ctl, const std::string& text);  // focus, then Accepted with the text
    void tick(std::string_view ctl, bool on = true);  // a check box
    void tab(bool backwards = false);                 // the focus to the next control that takes it
    void key(const Key& key);                         // an alerted key, else the focused list's key
    void choose(std::string_view menuItem);           // a menu item by caption or name
    void closeBox();                                  // the close box: CloseWindow

    // Lists.
    void selectRow(std::string_view list, int row);
    void clickHeading(std::string_view list, int column);
    void listKey(std::string_view list, const Key& key);
    void insert(std::string_view list);               // presses the list's Insert button
    // In-list editor: type into the open editor and end with a key (Tab, Enter, Esc, Up, Down).
    void edit(std::string_view list, const std::string& text, const Key& key);
    void editorFocusLost(std::string_view list);

    // What the operator sees.
    std::string text(std::string_view ctl) const;  // displayText
    bool visible(std::string_view ctl) const;
    bool enabled(std::string_view ctl) const;
    bool checked(std::string_view ctl) const;
    int focused() const { return window().focus; }

private:
    void send(Event event);
    Control& usable(std::string_view ctl) const;

    TestRuntime* runtime_;
    Procedure* procedure_;
};

class TestRuntime : public Runtime {
public:
    TestRuntime();
    ~TestRuntime() override;

    // Opens a procedure for the test to drive; the procedure must outlive the window.
    TestWindow open(Procedure& procedure);
    // Closes it as the close box would, if it is still open, and runs Kill.
    void finish(TestWindow& window);

    // A script that drives a procedure when it is run or started under this name. Without
    // one a modal procedure is closed at once with the close box.
    void onOpen(const std::string& procedure, std::function<void(TestWindow&)> script);

    // Answers, taken in order; when a queue is empty the default is used (the box's default
    // button, a dismissed pop-up, a cancelled dialog, a cancelled printer set-up).
    std::deque<unsigned> messageAnswers;
    std::deque<int> popupAnswers;
    std::deque<std::optional<std::string>> fileAnswers;  // folder, open and save dialogs
    std::deque<bool> printerAnswers;

    // What was shown.
    std::vector<MessageRequest> messages;
    std::vector<std::vector<std::string>> popups;
    std::vector<std::string> helpShown;
    std::vector<std::string> ran;                            // procedures run modally, by name
    std::vector<std::unique_ptr<Procedure>> startedProcedures;  // procedures started, still alive
    std::vector<TestWindow> started;                         // their windows, for the test to drive
    int waitCursorDepth = 0;
    int displays = 0;

    void run(Procedure& procedure) override;
    void start(ProcedureFactory factory) override;
    unsigned message(const MessageRequest& request) override;
    int popupMenu(const std::vector<std::string>& items) override;
    std::optional<std::string> chooseFolder(const std::string& title, const std::string& start) override;
    std::optional<std::string> chooseOpenFile(const std::string& title, const std::string& start,
                                              const std::vector<FileFilter>& filters) override;
    std::optional<std::string> chooseSaveFile(const std::string& title, const std::string& start,
                                              const std::vector<FileFilter>& filters) override;
    bool printerSetup() override;
    void showHelp(const std::string& helpFile) override;
    void setWaitCursor(bool on) override;
    void display(Procedure& procedure) override;
    void onFace(const std::function<void()>& work) override { work(); }

    // Feeds one event and everything it posts; runs Kill when the procedure closes.
    void dispatch(Procedure& procedure, const Event& event);
    bool isLive(const Procedure& procedure) const;

private:
    bool openProcedure(Procedure& procedure);
    void runScript(Procedure& procedure, bool modal);

    std::map<std::string, std::function<void(TestWindow&)>> scripts_;
    std::set<const Procedure*> live_;
};

}  // namespace tavlo
