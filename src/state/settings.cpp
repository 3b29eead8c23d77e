#include "state/settings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>

#include "util/path.h"
#include "util/text.h"

namespace tavlo {

namespace fs = std::filesystem;

namespace {

// One write at a time in this process, so two windows saving at once do not lose a value.
std::mutex& writeLock() {
    static std::mutex m;
    return m;
}

// One write at a time across processes (two tills, two OS users): an exclusive lock on a lock
// file beside the settings file, held from reading the file to renaming the new one over it.
// The lock file is named in lower case, so that every spelling of the settings file shares it,
// and is removed again by its holder; whoever waited on a removed one locks the one there now.
class CrossProcessLock {
public:
    explicit CrossProcessLock(fs::path path) : path_(std::move(path)) {
        for (int attempt = 0; attempt < 1000 && fd_ < 0; ++attempt) {
            int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (fd < 0) fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);  // another user's
            // None can be made (a read-only folder): the write cannot happen there either.
            if (fd < 0) return;
            int rc;
            while ((rc = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
            }
            struct stat held {}, named {};
            if (rc == 0 && ::fstat(fd, &held) == 0 && ::lstat(path_.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
                held.st_dev == named.st_dev) {
                fd_ = fd;
            } else {
                ::close(fd);
                if (rc != 0) return;
            }
        }
    }
    ~CrossProcessLock() {
        if (fd_ < 0) return;
        ::unlink(path_.c_str());  // before the lock goes, so that no one locks a file on its way out
        ::close(fd_);
    }
    CrossProcessLock(const CrossProcessLock&) = delete;
    CrossProcessLock& operator=(const CrossProcessLock&) = delete;

private:
    fs::path path_;
    int fd_ = -1;
};

fs::path lockFileOf(const fs::path& settingsFile) {
    fs::path path(nativePath(settingsFile.string()));
    std::string name = path.filename().string();
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return path.parent_path() / ("." + name + ".lock");
}

std::string trimBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return std::string(s.substr(b, e - b));
}

struct Content {
    std::vector<std::string> lines;  // without line ends
    std::string eol = "\n";
    bool finalEol = true;
};

std::optional<Content> load(const fs::path& file) {
    Content c;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream buf;
    buf << in.rdbuf();
    std::string text = buf.str();
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    if (text.find("\r\n") != std::string::npos) c.eol = "\r\n";
    c.finalEol = text.empty() || text.back() == '\n';
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::string line = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        c.lines.push_back(line);
        if (nl == std::string::npos) break;
        pos = nl + 1;
    }
    return c;
}

// "[Name]" gives Name.
std::optional<std::string> sectionName(const std::string& line) {
    std::string t = trimBlanks(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    std::size_t close = t.find(']');
    if (close == std::string::npos) return std::nullopt;
    return trimBlanks(std::string_view(t).substr(1, close - 1));
}

// "Key=Value" gives Key; nullopt for comments and other lines.
std::optional<std::string> keyName(const std::string& line) {
    std::string t = trimBlanks(line);
    if (t.empty() || t[0] == ';' || t[0] == '[') return std::nullopt;
    std::size_t eq = t.find('=');
    if (eq == std::string::npos) return std::nullopt;
    return trimBlanks(std::string_view(t).substr(0, eq));
}

std::string valueOf(const std::string& line) {
    std::string v = trimBlanks(std::string_view(line).substr(line.find('=') + 1));
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    return v;
}

// Index of the section's header line, or npos.
std::size_t findSection(const Content& c, std::string_view section) {
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
        auto name = sectionName(c.lines[i]);
        if (name && equalsNoCase(*name, section)) return i;
    }
    return std::string::npos;
}

std::size_t sectionEnd(const Content& c, std::size_t header) {
    std::size_t i = header + 1;
    while (i < c.lines.size() && !sectionName(c.lines[i])) ++i;
    return i;
}

std::size_t findKey(const Content& c, std::size_t header, std::string_view key) {
    std::size_t end = sectionEnd(c, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        auto name = keyName(c.lines[i]);
        if (name && equalsNoCase(*name, key)) return i;
    }
    return std::string::npos;
}

bool hasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool acceptable(std::string_view section, std::string_view key, std::string_view value) {
    std::string k = trimBlanks(key), s = trimBlanks(section);
    if (k.empty() || hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value)) return false;
    if (k.find('=') != std::string::npos || k[0] == '[' || k[0] == ';') return false;
    if (s.find(']') != std::string::npos) return false;
    return true;
}

bool saveAtomically(const fs::path& file, const std::string& text) {
    fs::path dir = file.parent_path();
    if (dir.empty()) dir = ".";
    std::string tmpl = (dir / ("." + file.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) return false;
    fs::path tmp(name.data());
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) ok = false;
        else done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    std::error_code ec;
    if (ok && fs::exists(file, ec)) {
        // keep the old file's permissions
        fs::permissions(tmp, fs::status(file, ec).permissions(), ec);
    } else if (ok) {
        fs::permissions(tmp, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                 fs::perms::others_read, ec);
    }
    ::close(fd);
    if (ok) {
        fs::rename(tmp, file, ec);
        ok = !ec;
    }
    if (!ok) fs::remove(tmp, ec);
    return ok;
}

}  // namespace

fs::path resolveSettingsFile(const fs::path& given) {
    fs::path path(nativePath(given.string()));
    std::error_code ec;
    if (fs::exists(path, ec)) return path;
    fs::path dir = path.parent_path();
    std::string name = path.filename().string();
    std::optional<fs::path> best;
    for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string candidate = it->path().filename().string();
        if (!equalsNoCase(candidate, name) || candidate.size() != name.size()) continue;
        fs::path found = dir.empty() ? fs::path(candidate) : dir / candidate;
        if (!best || found < *best) best = found;  // the same choice every time
    }
    return best ? *best : path;
}

std::string readSetting(const fs::path& file, std::string_view section, std::string_view key,
                        std::string_view defaultValue) {
    auto content = load(resolveSettingsFile(file));
    if (!content) return std::string(defaultValue);
    std::size_t header = findSection(*content, trimBlanks(section));
    if (header == std::string::npos) return std::string(defaultValue);
    std::size_t line = findKey(*content, header, trimBlanks(key));
    if (line == std::string::npos) return std::string(defaultValue);
    return valueOf(content->lines[line]);
}

long readSettingNumber(const fs::path& file, std::string_view section, std::string_view key, long defaultValue) {
    const std::string missing = "\x01";
    std::string v = readSetting(file, section, key, missing);
    if (v == missing) return defaultValue;
    std::size_t i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == '-' || v[i] == '+')) negative = v[i++] == '-';
    long long n = 0;
    while (i < v.size() && v[i] >= '0' && v[i] <= '9') {
        int d = v[i++] - '0';
        if (n > (LONG_MAX - d) / 10) {
            n = LONG_MAX;
            break;
        }
        n = n * 10 + d;
    }
    return static_cast<long>(negative ? -n : n);
}

bool writeSetting(const fs::path& file, std::string_view section, std::string_view key, std::string_view value) {
    if (!acceptable(section, key, value)) return false;
    std::string s = trimBlanks(section), k = trimBlanks(key);
    std::lock_guard lock(writeLock());
    CrossProcessLock across(lockFileOf(file));
    fs::path target = resolveSettingsFile(file);  // under the lock: another till may just have made it
    std::error_code ec;
    Content c;
    if (fs::exists(target, ec)) {
        auto loaded = load(target);
        if (!loaded) return false;  // there but unreadable: leave it alone
        c = std::move(*loaded);
    }
    std::size_t header = findSection(c, s);
    if (header == std::string::npos) {
        if (!c.lines.empty() && !trimBlanks(c.lines.back()).empty()) c.lines.emplace_back();
        c.lines.push_back("[" + s + "]");
        c.lines.push_back(k + "=" + std::string(value));
    } else {
        std::size_t line = findKey(c, header, k);
        if (line != std::string::npos) {
            // keep the key as the file spells it
            c.lines[line] = *keyName(c.lines[line]) + "=" + std::string(value);
        } else {
            std::size_t at = sectionEnd(c, header);
            while (at > header + 1 && trimBlanks(c.lines[at - 1]).empty()) --at;
            c.lines.insert(c.lines.begin() + static_cast<std::ptrdiff_t>(at), k + "=" + std::string(value));
        }
    }
    std::string text;
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
        text += c.lines[i];
        if (i + 1 < c.lines.size() || c.finalEol) text += c.eol;
    }
    return saveAtomically(target, text);
}

bool writeSetting(const fs::path& file, std::string_view section, std::string_view key, long value) {
    return writeSetting(file, section, key, std::to_string(value));
}

std::string languageUserKey(std::string_view computerName, std::string_view userName) {
    return "No_" + clip(computerName) + "_" + clip(userName);
}

}  // namespace tavlo
