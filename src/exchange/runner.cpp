#include "exchange/runner.h"

#include <mutex>

#include "framework/runtime.h"
#include "util/platform.h"
#include "util/text.h"

namespace tavlo {

namespace {
std::mutex archiverLock;
std::filesystem::path archiverOverride;
}  // namespace

std::string Command::text() const {
    std::string out;
    for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
    return out;
}

void setArchiverProgram(std::filesystem::path program) {
    std::lock_guard guard(archiverLock);
    archiverOverride = std::move(program);
}

std::filesystem::path commandProgram(const std::string& word) {
    if (!equalsNoCase(word, kArchiverName)) return word;
    {
        std::lock_guard guard(archiverLock);
        if (!archiverOverride.empty()) return archiverOverride;
    }
    return systemPlatform().executableDirectory() / "tavlo_zip";
}

BackupRestoreRunner::BackupRestoreRunner(Command command)
    : Procedure("fcBackupRestore"), command_(std::move(command)) {}

void BackupRestoreRunner::DefineWindow(Window& w) {
    w = Window("Backup / Restore", 140, 40);
    w.icon = "Backup.ico";
    w.add(ControlKind::Display, "System busy ...... please wait").at(10, 14, 120, 10).name("Busy");
}

// The window is up before the program starts; this thread waits for the program, and the
// window closes itself whatever the program's end.
void BackupRestoreRunner::TakeOpened() {
    runtime().display(*this);
    if (!command_.words.empty()) {
        const std::vector<std::string> args(command_.words.begin() + 1, command_.words.end());
        if (auto code = systemPlatform().runAndWait(commandProgram(command_.words.front()), args, command_.folder))
            result_ = static_cast<std::int16_t>(*code);
    }
    close(Response::Completed);
}

std::int16_t fcBackupRestore(Runtime& runtime, const Command& command) {
    BackupRestoreRunner runner(command);
    runtime.run(runner);
    return runner.result();
}

}  // namespace tavlo
