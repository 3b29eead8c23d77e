// Settings files. Input: the file. Every key it holds is read, one value is written into a
// section and key the file names, and every other key must read as before.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_target.h"
#include "state/settings.h"
#include "util/text.h"

namespace tavlo::fuzz {

namespace {
std::string trimmed(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return std::string(s.substr(b, e - b));
}

// A file of this process's own, made once and removed at exit.
const std::filesystem::path& scratchFile() {
    static const std::filesystem::path path = [] {
        char folder[] = "/tmp/tavlo-fuzz-settings-XXXXXX";
        if (!mkdtemp(folder)) std::abort();
        std::filesystem::path p = std::filesystem::path(folder) / "Fuzz.ini";
        static std::filesystem::path remove;
        remove = folder;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(remove, ec);
        });
        return p;
    }();
    return path;
}
}  // namespace

int settings(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = asText(data, size);
    const std::filesystem::path& file = scratchFile();
    if (FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    // The sections and keys the file names, roughly as a person reading it would see them.
    std::vector<std::pair<std::string, std::string>> names;
    std::string section;
    std::size_t start = 0;
    while (start <= text.size() && names.size() < 40) {
        std::size_t nl = text.find('\n', start);
        std::string line = trimmed(text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start));
        if (!line.empty() && line[0] == '[' && line.find(']') != std::string::npos)
            section = trimmed(std::string_view(line).substr(1, line.find(']') - 1));
        else if (line.find('=') != std::string::npos)
            names.emplace_back(section, trimmed(std::string_view(line).substr(0, line.find('='))));
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    std::vector<std::string> before;
    for (const auto& [s, k] : names) before.push_back(readSetting(file, s, k, "\x01missing"));
    (void)readSettingNumber(file, "Language", "No", 1);
    if (names.empty()) names.emplace_back("Fuzz", "Key");
    const auto& [s, k] = names[size % names.size()];
    if (!writeSetting(file, s, k, "v123")) return 0;
    check(readSetting(file, s, k) == "v123", "a written value does not read back");
    for (std::size_t i = 0; i < before.size(); ++i) {
        const auto& [os, ok] = names[i];
        if (equalsNoCase(trimmed(os), trimmed(s)) && equalsNoCase(trimmed(ok), trimmed(k))) continue;
        check(readSetting(file, os, ok, "\x01missing") == before[i], "writing one key changed another");
    }
    return 0;
}

}  // namespace tavlo::fuzz
