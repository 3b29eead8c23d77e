#pragma once
// Helpers for report tests: a scratch folder and the output of the PDF command-line tools.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace tavlo::report::testing {

inline std::string runCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

inline std::string quoted(const std::filesystem::path& p) { return "'" + p.string() + "'"; }
inline std::string pdfInfo(const std::filesystem::path& pdf) { return runCommand("pdfinfo " + quoted(pdf)); }
inline std::string pdfText(const std::filesystem::path& pdf) { return runCommand("pdftotext -layout " + quoted(pdf) + " -"); }

// A fresh folder under the system's temporary folder, removed again at the end of the test.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavlo-report-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    // TAVLO_KEEP_TEST_FILES=1 keeps the folder, to look at the PDF files afterwards.
    ~ScratchFolder() {
        if (std::getenv("TAVLO_KEEP_TEST_FILES")) return;
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace tavlo::report::testing
