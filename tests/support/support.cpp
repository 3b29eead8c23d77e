#include "support.h"

#include <pwd.h>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "data/storage.h"
#include "state/globals.h"

namespace tavlo::support {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavlo-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    if (std::getenv("TAVLO_KEEP_TEST_FILES")) return;
    std::error_code ec;
    // Permissions a test took away must not keep the folder from being removed.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

ProgramStateGuard::ProgramStateGuard(const ProgramState& state) {
    GLO.reset();
    setClock(state.clock);
    report::setReportPreviewer(state.previewer);
    setSyncWrites(state.syncWrites);
}

ProgramStateGuard::~ProgramStateGuard() {
    GLO.reset();
    setClock(nullptr);
    report::setReportPreviewer(nullptr);
    setSyncWrites(true);
    setMessageHandler(nullptr);
}

MessageScript::MessageScript(std::initializer_list<unsigned> answers) : answers_(answers) {
    setMessageHandler([this](const MessageRequest& r) {
        shown.push_back(r);
        if (answers_.empty()) return r.defaultButton;
        unsigned a = answers_.front();
        answers_.pop_front();
        return a;
    });
}

MessageScript::~MessageScript() { setMessageHandler(nullptr); }

bool MessageScript::anyContains(const std::string& text) const {
    for (const auto& m : shown)
        if (m.text.find(text) != std::string::npos) return true;
    return false;
}

bool MessageScript::anyTitled(const std::string& title) const {
    for (const auto& m : shown)
        if (m.title == title) return true;
    return false;
}

std::string MessageScript::titles() const {
    std::string out;
    for (const auto& m : shown) out += (out.empty() ? "" : "; ") + m.title + ": " + m.text;
    return out;
}

std::string inChild(const std::function<std::string()>& work, bool unprivileged) {
    int fds[2];
    if (pipe(fds) != 0) return "pipe failed";
    pid_t pid = fork();
    if (pid < 0) return "fork failed";
    if (pid == 0) {
        close(fds[0]);
        std::string result;
        try {
            if (unprivileged && geteuid() == 0) {
                const passwd* pw = getpwnam("nobody");
                uid_t uid = pw ? pw->pw_uid : 65534;
                gid_t gid = pw ? pw->pw_gid : 65534;
                if (setgid(gid) != 0 || setuid(uid) != 0) result = "could not become an unprivileged user";
            }
            if (result.empty()) result = work();
        } catch (const std::exception& e) {
            result = std::string("exception: ") + e.what();
        } catch (...) {
            result = "unknown exception";
        }
        if (write(fds[1], result.data(), result.size()) < 0) _exit(3);
        close(fds[1]);
        _exit(result.empty() ? 0 : 1);
    }
    close(fds[1]);
    std::string text;
    char buf[512];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status)) return "child ended abnormally" + (text.empty() ? "" : ": " + text);
    if (WEXITSTATUS(status) != 0 && text.empty()) return "child failed";
    return text;
}

void inDyingChild(const std::function<void()>& work) {
    pid_t pid = fork();
    if (pid == 0) {
        try {
            work();
        } catch (...) {
        }
        _exit(0);
    }
    int status = 0;
    if (pid > 0) waitpid(pid, &status, 0);
}

void seedAdd(FileManagerBase& file) {
    if (StoreError rc = file.add(); rc != ErrNone) {
        std::fprintf(stderr, "seed data not stored in %s: %s\n", file.table().label.c_str(), file.errorText().c_str());
        std::abort();
    }
}

}  // namespace tavlo::support
