#include "util/path.h"

#include "util/text.h"

namespace tavlo {

std::string nativePath(std::string_view path) {
    std::string out(path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

void AddSlashToPath(std::string& path, std::size_t width) {
    std::string trimmed = trim(path);
    if (trimmed.empty()) return;
    char last = trimmed.back();
    bool driveOnly = trimmed.size() == 2 && last == ':' &&
                     ((trimmed[0] >= 'A' && trimmed[0] <= 'Z') || (trimmed[0] >= 'a' && trimmed[0] <= 'z'));
    if (last == '/' || last == '\\' || driveOnly) return;
    path = trimmed + "/";
    if (width > 0) path = fitBytes(path, width);
}

}  // namespace tavlo
