#pragma once
// The desktop runtime. Every context (the main frame's, and one per started procedure) is a
// thread of its own on which the procedures' code and their modal calls run; the Qt thread
// only draws window models between events and turns the operator's actions into events.
// A context thread asks the Qt thread for what it needs (a window, a message box, a dialog)
// and waits for the answer; the Qt thread never waits for a context thread.
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "framework/runtime.h"

class QWidget;

namespace tavlo::gui {

class WindowHost;

// Events from the Qt thread to one context thread.
struct EventQueue {
    std::mutex lock;
    std::condition_variable ready;
    std::deque<std::pair<const WindowHost*, Event>> events;
    void push(const WindowHost* host, Event event);
};

class QtRuntime : public QObject, public Runtime {
    Q_OBJECT
public:
    QtRuntime();
    ~QtRuntime() override;

    // Runs work on a new context thread (the program's first thread, or a test's).
    void launch(std::function<void()> work);
    // Asks every open window to close, and closes those that refuse, then waits for every
    // context thread to end. Call on the Qt thread, which keeps serving them meanwhile.
    void shutDown();
    // Context threads still running.
    int running() const { return running_.load(); }
    // The window of a procedure, when it is open (for tests that look at the widgets).
    QWidget* widgetOf(const Procedure& procedure) const;
    // The top window of the most recently opened procedure, for tests.
    std::vector<QWidget*> openWidgets() const;

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
    void onFace(const std::function<void()>& work) override;

signals:
    // Every context thread has ended.
    void allEnded();

private:
    struct ContextState;
    ContextState& current();
    // Runs on the Qt thread and waits; runs at once when called there.
    void onGui(const std::function<void()>& work);
    void dispatch(Procedure& procedure, const Event& event);
    void enterGoesOn(Procedure& procedure, int entry);
    WindowHost* showWindow(Procedure& procedure);
    void closeWindow(WindowHost* host);
    QWidget* topWidget();

    mutable std::mutex lock_;
    std::vector<std::thread> threads_;
    std::vector<WindowHost*> hosts_;
    std::atomic<int> running_{0};
    std::atomic<bool> shuttingDown_{false};
};

}  // namespace tavlo::gui
