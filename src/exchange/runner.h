#pragma once
// fcBackupRestore: runs one outside command while a small "please wait" window is shown, and
// gives back its exit status. The export and the import run the archiver through it.
//
// A command is a list of words, never a line for a shell: names with blanks stay whole. The
// first word names the program; the archiver's name in the exchange's command lines
// ("PkZip25") stands for the archiver shipped with the till (tools/tavlo_zip).
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/procedure.h"

namespace tavlo {

class Runtime;

struct Command {
    std::vector<std::string> words;  // the program, then its arguments
    std::filesystem::path folder;    // the working folder it runs in
    // The words joined with blanks, as the command line reads ("PkZip25 -test E:/T01070326.zip").
    std::string text() const;
};

inline constexpr const char* kArchiverName = "PkZip25";

// The program a command's first word runs: the archiver beside the running program (or the
// one a test set) for kArchiverName, any other word as a path.
std::filesystem::path commandProgram(const std::string& word);
// Tests point the archiver's name at the tool they built; an empty path restores the default.
void setArchiverProgram(std::filesystem::path program);

class BackupRestoreRunner : public Procedure {
public:
    explicit BackupRestoreRunner(Command command);
    // The program's exit status as a signed 16-bit number; non-zero when it could not start.
    std::int16_t result() const { return result_; }

protected:
    void DefineWindow(Window& w) override;
    void TakeOpened() override;

private:
    Command command_;
    std::int16_t result_ = -1;
};

// Runs the command through the runner's window, modally on the caller's context: 0 on success.
std::int16_t fcBackupRestore(Runtime& runtime, const Command& command);

}  // namespace tavlo
