#include "util/platform.h"

#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <system_error>
#include <vector>

#include "util/text.h"

extern char** environ;

namespace tavlo {

std::optional<std::string> Platform::computerName() {
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) != 0) return std::nullopt;
    return std::string(buf);
}

std::optional<std::string> Platform::networkUserName() {
    struct passwd pw {};
    struct passwd* found = nullptr;
    std::vector<char> buf(16384);
    if (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_name)
        return std::string(found->pw_name);
    if (const char* user = std::getenv("USER"); user && *user) return std::string(user);
    return std::nullopt;
}

std::filesystem::path Platform::workingDirectory() {
    std::error_code ec;
    auto p = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : p;
}

std::string Platform::shortPath(const std::filesystem::path& path) { return path.string(); }
std::string Platform::longPath(const std::filesystem::path& path) { return path.string(); }

std::filesystem::path Platform::executableDirectory() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return workingDirectory();
    return exe.parent_path();
}

std::optional<int> Platform::runAndWait(const std::filesystem::path& program, const std::vector<std::string>& args,
                                       const std::filesystem::path& folder) {
    std::error_code ec;
    // Absolute, because the child changes to its folder before it starts the program.
    std::filesystem::path path = std::filesystem::absolute(program, ec);
    if (ec) return std::nullopt;
    if (!std::filesystem::exists(path, ec)) {
        // Program names in the till's texts are spelled as on a system that ignores letter case.
        bool found = false;
        for (const auto& entry : std::filesystem::directory_iterator(path.parent_path(), ec)) {
            if (equalsNoCase(entry.path().filename().string(), path.filename().string())) {
                path = entry.path();
                found = true;
                break;
            }
        }
        if (!found) return std::nullopt;
    }
    std::string file = path.string();
    std::vector<std::string> words{file};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, file.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return std::nullopt;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return std::nullopt;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return -1;
}

Platform& systemPlatform() {
    static Platform p;
    return p;
}

}  // namespace tavlo
