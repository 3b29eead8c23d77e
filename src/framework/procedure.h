#pragma once
// A procedure owns one window and reacts to its events. The runtime calls Init, feeds events
// to TakeEvent until the procedure closes, then calls Kill.
#include <deque>
#include <exception>
#include <memory>
#include <string>

#include "framework/window.h"

namespace tavlo {

class Runtime;
class Context;

enum class EventKind {
    OpenWindow,     // the window has opened (sent once, after Init)
    Accepted,       // a button pressed, a menu item chosen, an entry or check box changed
    Selected,       // the focus entered a control
    NewSelection,   // a list's selected row changed
    AlertKey,       // a key the window asked to be told about (Window alerts)
    CloseWindow,    // the operator asked to close the window (close box, Alt+F4)
    Timer,          // the window's timer ran out
    HeaderClicked,  // a list heading was clicked (column in Event::column)
    ListKey,        // a key in a list (locator characters, movement keys)
    EditorKey,      // a key that ends or moves the in-list editor (text in Event::text)
    EditorFocusLost,
    ListReadOn,     // a list was scrolled to an end of the rows it has read (Event::row: -1 start, 1 end)
};

struct Event {
    Event() = default;
    Event(EventKind k, int c = 0) : kind(k), control(c) {}  // NOLINT: Event{EventKind::Accepted, n}
    EventKind kind = EventKind::Accepted;
    int control = 0;
    std::string text;     // an entry's typed text (Accepted), the editor's text (EditorKey)
    bool checked = false; // a check box's new state (Accepted)
    Key key;              // AlertKey, ListKey, EditorKey
    int row = -1;         // NewSelection; ListReadOn: -1 start, 1 end
    int column = -1;      // HeaderClicked
};

// Whether the standard handling of an event should still run.
enum class Reply { Continue, Consumed };

// How a called procedure ended, for callers that need to know (pick lists, password prompts).
enum class Response { None, Completed, Cancelled };

class Procedure {
public:
    explicit Procedure(std::string name);
    virtual ~Procedure();
    Procedure(const Procedure&) = delete;
    Procedure& operator=(const Procedure&) = delete;

    const std::string& name() const { return name_; }
    Window& window() { return window_; }
    const Window& window() const { return window_; }
    // The runtime that runs this procedure; valid from Init to Kill.
    Runtime& runtime() const;
    // The context (record buffers, managers) this procedure works on: its caller's, or a new one
    // for a started procedure. Throws when there is none (no context factory set).
    Context& context() const;
    const std::shared_ptr<Context>& sharedContext() const { return context_; }
    void setContext(std::shared_ptr<Context> context) { context_ = std::move(context); }

    // ---- Life cycle (the runtime calls these) ---------------------------------------------
    // Binds the procedure to its runtime and context before Init: the context is the one set,
    // else the caller's, else a new one.
    void attach(Runtime& runtime);
    // The standard Init names the procedure to GlobalErrors, opens the tables, builds and
    // opens the window, translates it and restores its position. False: the window never
    // opens (Kill is still called, so that what was opened is closed).
    virtual bool Init(Runtime& runtime);
    // The standard Kill closes the tables, saves the position and restores GlobalErrors'
    // procedure name.
    virtual void Kill();
    // Handles one event: BeforeEvent, the standard handling, the Take... handler, AfterEvent.
    // This is the procedure's edge: a failure of its own code (any exception but ProgramHalt)
    // has already unwound, rolling back any transaction it had open, when it is shown here;
    // then this window closes and the program goes on.
    void TakeEvent(const Event& event);
    // Init and Kill at the same edge, for the runtimes: a failing Init is shown and counts as
    // false (the window never opens); a failing Kill is shown and the window is gone anyway.
    bool guardedInit(Runtime& runtime);
    void guardedKill();

    bool opened() const { return opened_; }
    bool closing() const { return closing_; }
    // Asks for the window to close once the current event is handled.
    void close(Response response = Response::Cancelled);
    Response response() const { return response_; }
    void setResponse(Response r) { response_ = r; }

    // ---- What a procedure does to its window ----------------------------------------------
    // Puts the focus on a control; the control then gets a Selected event.
    void select(int control);
    // Queues an event as if it came from the face (a key press sent to the window).
    void post(Event event);
    // Events queued by post() and select(), taken by the runtime after the current event.
    bool takePosted(Event& event);
    // Keys this window wants to hear about as AlertKey events.
    std::vector<Key> alerts;
    void alert(Key key) { alerts.push_back(key); }
    bool alerted(const Key& key) const;

    // The structure name the translator files the window under.
    virtual std::string structureName() const { return "Window"; }

protected:
    // Builds the window's controls; called by openWindow().
    virtual void DefineWindow(Window& window) = 0;
    virtual bool OpenTables() { return true; }
    virtual void CloseTables() {}

    // Steps of the standard Init, for procedures that need their own order.
    void nameToGlobalErrors();
    void openWindow();          // DefineWindow, then the window counts as open
    // The translator, with "Tavlo", name() and structureName(). The design texts are kept the
    // first time; a later call (a window translated again into another language) starts from them.
    void translateWindow();
    void restorePosition();     // from the window-position settings under name()
    void savePosition();        // to the window-position settings under name()

    // ---- Event handlers -------------------------------------------------------------------
    // Before the standard handling: Consumed skips it and the handlers below.
    virtual Reply BeforeEvent(const Event& event) { (void)event; return Reply::Continue; }
    virtual void TakeOpened() {}
    // After the standard acceptance: the bound variable already holds the new value.
    virtual void TakeAccepted(int control) { (void)control; }
    virtual void TakeSelected(int control) { (void)control; }
    virtual void TakeNewSelection(int control) { (void)control; }
    virtual void TakeAlertKey(int control, const Key& key) { (void)control; (void)key; }
    virtual void TakeTimer() {}
    // The operator asked to close: false keeps the window open.
    virtual bool TakeCloseRequest() { return true; }
    // After every event, once everything else has run.
    virtual void AfterEvent(const Event& event) { (void)event; }

private:
    void standardAccepted(const Event& event, bool& passOn);
    void standardList(const Event& event);
    void handleEvent(const Event& event);
    // Shows what failed in this window's code and closes the window.
    void failed(const std::exception& error);

    std::string name_;
    Window window_;
    Runtime* runtime_ = nullptr;
    std::shared_ptr<Context> context_;
    std::string previousProcedure_;
    bool opened_ = false;
    bool tablesOpen_ = false;
    bool named_ = false;
    bool closing_ = false;
    Response response_ = Response::None;
    std::deque<Event> posted_;
    struct DesignText {
        int number;
        std::string text, msg, tip, format;
    };
    std::vector<DesignText> designTexts_;
    bool designKept_ = false;
};

}  // namespace tavlo
