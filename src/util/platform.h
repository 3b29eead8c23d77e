#pragma once
// What the program asks of the system it runs on: who and where it runs, and running an
// outside program to its end. Tests give their own answers for the names.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavlo {

class Platform {
public:
    virtual ~Platform() = default;
    // The computer's name; nullopt when the system will not tell.
    virtual std::optional<std::string> computerName();
    // The user's login name; nullopt when it cannot be obtained.
    virtual std::optional<std::string> networkUserName();
    virtual std::filesystem::path workingDirectory();
    // The short form of a path. Paths here have no short form: the path itself.
    virtual std::string shortPath(const std::filesystem::path& path);
    virtual std::string longPath(const std::filesystem::path& path);
    // The folder the program was started from.
    virtual std::filesystem::path executableDirectory();
    // Runs a program (no shell) with its arguments in a working folder (empty: this process's
    // own) and waits for its end: its exit code, -1 when a signal ended it, or nullopt when it
    // could not be started (missing, not executable, no such folder). This process's working
    // folder never changes (other windows run on other threads). A name that differs only in
    // letter case from a file in its folder runs that file.
    virtual std::optional<int> runAndWait(const std::filesystem::path& program, const std::vector<std::string>& args = {},
                                          const std::filesystem::path& folder = {});
};

Platform& systemPlatform();

}  // namespace tavlo
