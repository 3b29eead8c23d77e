#pragma once
// Helpers shared by the tests: a temporary data folder, a message-box script, the program-wide
// state put back after a test, and running a piece of a test in a child process (another
// station, a till that dies, an unprivileged user).
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "data/file_manager.h"
#include "framework/message.h"
#include "reports/report_output.h"
#include "util/date.h"

namespace tavlo::support {

// A fresh folder under the system's temporary folder, removed with everything in it afterwards
// (TAVLO_KEEP_TEST_FILES=1 keeps it, to look at the files a test wrote).
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// What a test puts in place of the program-wide state while its guard lives.
struct ProgramState {
    const Clock* clock = nullptr;                   // nullptr: the system clock
    report::ReportPreviewer* previewer = nullptr;  // nullptr: none
    bool syncWrites = true;                         // off where power loss needs no protection
};

// Starts a test on fresh globals (GLO) with the given clock, previewer and disk writes, and
// leaves them as a program starts: fresh globals, the system clock, no previewer, synchronous
// writes and no message handler. A fixture holds one as a member, after its clock and previewer.
class ProgramStateGuard {
public:
    explicit ProgramStateGuard(const ProgramState& state = {});
    ~ProgramStateGuard();
    ProgramStateGuard(const ProgramStateGuard&) = delete;
    ProgramStateGuard& operator=(const ProgramStateGuard&) = delete;
};

// Keeps every output a report hands to the face, and answers with failure (none: shown).
class RecordingPreviewer : public report::ReportPreviewer {
public:
    std::optional<std::string> show(Runtime&, report::ReportOutput& output) override {
        shown.push_back(output);
        return failure;
    }
    std::vector<report::ReportOutput> shown;
    std::optional<std::string> failure;
};

// Records every message box while it lives. Answers come from the ones given and answer(), in
// order; when none is queued the box's default button answers.
class MessageScript {
public:
    explicit MessageScript(std::initializer_list<unsigned> answers = {});
    ~MessageScript();
    MessageScript(const MessageScript&) = delete;
    MessageScript& operator=(const MessageScript&) = delete;

    void answer(unsigned button) { answers_.push_back(button); }
    std::vector<MessageRequest> shown;

    bool anyContains(const std::string& text) const;
    bool anyTitled(const std::string& title) const;
    std::string titles() const;  // "A; B; C" for failure messages

private:
    std::deque<unsigned> answers_;
};

// Runs work in a forked child and waits for it. work returns "" on success or what went wrong.
// With unprivileged, a child running as root first switches to the user "nobody", so that file
// permissions bind it (root writes through read-only files). Returns the child's text, or a
// description of how it ended abnormally.
std::string inChild(const std::function<std::string()>& work, bool unprivileged = false);

// Starts a child that runs work and then ends at once with _exit, as a till that stops without
// tidying up. Returns when the child has ended.
void inDyingChild(const std::function<void()>& work);

// Adds the buffer as a record of seed data; seed data that cannot be stored stops the program
// (a test or benchmark on half its data would measure the wrong thing).
void seedAdd(FileManagerBase& file);

}  // namespace tavlo::support
