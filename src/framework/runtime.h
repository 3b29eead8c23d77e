#pragma once
// What a procedure asks of the face: run another procedure modally, start one on a context
// of its own, message boxes, dialogs, the printer set-up and the wait cursor. The desktop
// runtime shows real windows; the test runtime answers from a script.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/message.h"
#include "framework/procedure.h"

namespace tavlo {

class Context;
using ProcedureFactory = std::function<std::unique_ptr<Procedure>()>;

struct FileFilter {
    std::string description;  // "PDF files"
    std::string pattern;      // "*.pdf"
};

class Runtime {
public:
    virtual ~Runtime() = default;

    // Runs the procedure modally on the caller's context: Init, events until it closes, Kill.
    // Returns when it has closed. A procedure whose Init fails returns at once.
    virtual void run(Procedure& procedure) = 0;
    // Starts a procedure on a context (thread) of its own and returns at once; the caller's
    // window stays usable. The procedure is made by the factory on the new context.
    virtual void start(ProcedureFactory factory) = 0;

    // A message box; the answer is one of the request's buttons.
    virtual unsigned message(const MessageRequest& request) = 0;
    // A pop-up menu of texts at the mouse: the 1-based choice, 0 when dismissed.
    virtual int popupMenu(const std::vector<std::string>& items) = 0;
    // Folder, open and save dialogs: the chosen path, nullopt when cancelled.
    virtual std::optional<std::string> chooseFolder(const std::string& title, const std::string& start) = 0;
    virtual std::optional<std::string> chooseOpenFile(const std::string& title, const std::string& start,
                                                      const std::vector<FileFilter>& filters) = 0;
    virtual std::optional<std::string> chooseSaveFile(const std::string& title, const std::string& start,
                                                      const std::vector<FileFilter>& filters) = 0;
    // The standard printer set-up; false when cancelled.
    virtual bool printerSetup() = 0;
    // Opens a help file at its contents.
    virtual void showHelp(const std::string& helpFile) = 0;
    // The wait cursor over the whole program while a long job runs; calls nest.
    virtual void setWaitCursor(bool on) = 0;
    // Redraws the running window now (a long job that changes its window between events,
    // such as a progress bar). Events that arrived meanwhile are not taken.
    virtual void display(Procedure& procedure) = 0;
    // Runs code where the face lives (the desktop's interface thread) and waits for it: for
    // face-specific work such as a report preview. The test runtime calls it directly.
    virtual void onFace(const std::function<void()>& work) = 0;
};

// Shows the wait cursor for as long as it lives.
class WaitCursor {
public:
    explicit WaitCursor(Runtime& runtime) : runtime_(runtime) { runtime_.setWaitCursor(true); }
    ~WaitCursor() { runtime_.setWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    Runtime& runtime_;
};

// ---- Program-wide services the window life cycle uses --------------------------------------

// The translator as the windows and the main frame use it: translates a window right after it
// opens (application, procedure and structure name) and single texts built in code, and keeps
// the translation mode and the current language. Until the language store is there the default
// finds nothing, leaves the design texts and knows no languages.
class WindowTranslator {
public:
    virtual ~WindowTranslator() = default;
    // Start-up: the folder keyword of the store ("Program Path"), its file-name prefix, flags.
    virtual void init(const std::string& folderKeyword, const std::string& prefix, int flag1, int flag2,
                      int flag3, int flag4) {
        (void)folderKeyword, (void)prefix, (void)flag1, (void)flag2, (void)flag3, (void)flag4;
    }
    virtual void kill() {}
    virtual void translateWindow(Window& window, const std::string& app, const std::string& procedure,
                                 const std::string& structure) = 0;
    virtual std::string translateString(const std::string& text, const std::string& app,
                                        const std::string& procedure, const std::string& name) = 0;
    // 0 off, 1 translate, 2 capture the design texts.
    virtual void setMode(int mode) = 0;
    virtual int mode() const = 0;
    // Selects a language the store has; any other number leaves the current one.
    virtual void setLanguage(int language) = 0;
    virtual int language() const = 0;  // 0 until one is selected
    // One line per language in number order: two digits, "-", the name ("02-Afrikaans").
    virtual std::vector<std::string> languages() = 0;
};
WindowTranslator& windowTranslator();
void setWindowTranslator(WindowTranslator* translator);  // nullptr: back to the default

// Window sizes and positions kept under the procedure name (the window-position settings).
class WindowPositions {
public:
    virtual ~WindowPositions() = default;
    virtual std::optional<WindowGeometry> load(const std::string& procedure) = 0;
    virtual void save(const std::string& procedure, const WindowGeometry& geometry) = 0;
};
WindowPositions* windowPositions();  // nullptr: positions are not kept
void setWindowPositions(WindowPositions* positions);

// Contexts (the program's "threads": record buffers, managers, connections). A procedure runs
// on the context of the procedure that called it; a started procedure gets a new one from the
// factory, which the shell sets (DctInit); the last holder releases it (DctKill).
void setContextFactory(std::function<std::shared_ptr<Context>()> factory);
std::shared_ptr<Context> newContext();      // nullptr while no factory is set
std::shared_ptr<Context> currentContext();  // the context of the event being handled on this thread
// Makes a context current on this thread for as long as it lives.
class ContextScope {
public:
    explicit ContextScope(std::shared_ptr<Context> context);
    ~ContextScope();
    ContextScope(const ContextScope&) = delete;
    ContextScope& operator=(const ContextScope&) = delete;

private:
    std::shared_ptr<Context> previous_;
};

}  // namespace tavlo
