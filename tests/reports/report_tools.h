#pragma once
// Helpers for report tests: the output of the PDF command-line tools.
#include <cstdio>
#include <filesystem>
#include <string>

#include "support.h"

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

using ScratchFolder = support::TempFolder;


}  // namespace tavlo::report::testing
