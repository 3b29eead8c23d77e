#include "exchange/archive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "util/invariant.h"
#include "util/text.h"

namespace tavlo::archive {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = 1 << 16;

struct ZipCloser {
    void operator()(zip_t* z) const {
        if (z) zip_discard(z);
    }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;

Result fail(int status, std::string message) { return Result{status, std::move(message)}; }

std::string systemError(int err) { return std::strerror(err); }

std::string openError(int code) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    std::string text = zip_error_strerror(&e);
    zip_error_fini(&e);
    return text;
}

// An archive opened for reading; a file that is not a zip archive, a truncated one, or one whose
// directory contradicts itself is refused here.
ZipPtr openForReading(const fs::path& archive, Result& result) {
    int code = 0;
    zip_t* z = zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!z) result = fail(CannotRead, archive.string() + ": " + openError(code));
    return ZipPtr(z);
}

void syncPath(const fs::path& path, bool directory) {
    int fd = ::open(path.c_str(), (directory ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Renames without replacing anything already under the new name. Where the file system cannot
// do that in one step (FAT media), the name is checked just before the rename.
int renameNoReplace(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno == EEXIST) return EEXIST;
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// ---- names of entries ----

// Splits an entry name into its folder parts. Refuses absolute names (also "\x" and "C:x"),
// "." and ".." parts, empty parts and control characters.
bool splitName(const std::string& raw, std::vector<std::string>& parts, bool& isFolder, std::string& why) {
    parts.clear();
    if (raw.empty()) {
        why = "an entry without a name";
        return false;
    }
    std::string name = replaceAll(raw, "\\", "/");
    if (name.front() == '/' || (name.size() >= 2 && name[1] == ':')) {
        why = "\"" + raw + "\" is an absolute name";
        return false;
    }
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7f) {
            why = "\"" + raw + "\" holds a control character";
            return false;
        }
    isFolder = name.back() == '/';
    if (isFolder) name.pop_back();
    std::size_t start = 0;
    while (true) {
        std::size_t slash = name.find('/', start);
        std::string part = name.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part.empty() || part == "." || part == "..") {
            why = "\"" + raw + "\" leaves its folder or has an empty part";
            return false;
        }
        parts.push_back(part);
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return true;
}

struct Planned {
    zip_uint64_t index = 0;
    std::string name;                // as in the archive
    std::vector<std::string> parts;  // folders, then the file's own name
    bool folder = false;
    std::uint64_t size = 0;
    std::string temp;  // the temporary name in its folder while unpacking
};

std::string joinParts(const std::vector<std::string>& parts, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) out += (i ? "/" : "") + parts[i];
    return out;
}

// Checks every entry before anything is written.
Result plan(zip_t* z, const Limits& limits, std::vector<Planned>& out) {
    const zip_int64_t count = zip_get_num_entries(z, 0);
    if (count < 0) return fail(CannotRead, "the archive's directory cannot be read");
    if (static_cast<std::uint64_t>(count) > limits.maxEntries)
        return fail(Refused, std::to_string(count) + " entries, more than " + std::to_string(limits.maxEntries));
    std::uint64_t total = 0;
    std::set<std::string> seen;
    for (zip_int64_t i = 0; i < count; ++i) {
        Planned p;
        p.index = static_cast<zip_uint64_t>(i);
        const char* name = zip_get_name(z, p.index, 0);
        if (!name) return fail(CannotRead, "an entry's name cannot be read");
        p.name = name;
        std::string why;
        if (!splitName(p.name, p.parts, p.folder, why)) return fail(Refused, why);
        zip_stat_t st;
        if (zip_stat_index(z, p.index, 0, &st) != 0) return fail(CannotRead, p.name + ": " + zip_strerror(z));
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            return fail(Refused, p.name + " is encrypted");
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(z, p.index, 0, &opsys, &attributes) == 0 && opsys == ZIP_OPSYS_UNIX) {
            const unsigned type = (attributes >> 16) & S_IFMT;
            if (type == S_IFDIR) p.folder = true;
            else if (type != 0 && type != S_IFREG) return fail(Refused, p.name + " is a link or a device, not a file");
        }
        if (!p.folder) {
            p.size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
            if (p.size > limits.maxTotalBytes || total + p.size > limits.maxTotalBytes)
                return fail(Refused, "the entries unpack to more than " + std::to_string(limits.maxTotalBytes) + " bytes");
            total += p.size;
        }
        if (!seen.insert(joinParts(p.parts, p.parts.size())).second)
            return fail(Refused, p.name + " is in the archive twice");
        out.push_back(std::move(p));
    }
    return {};
}

// Open folders below the working folder, reached without following links; folders made on the
// way are remembered so that a failed unpacking can take them away again.
class Folders {
public:
    explicit Folders(int root) : root_(root) {}
    ~Folders() {
        for (auto& [path, fd] : open_) ::close(fd);
    }
    Folders(const Folders&) = delete;
    Folders& operator=(const Folders&) = delete;

    // The folder holding parts[0..count), made where missing; -1 and a reason on failure.
    int reach(const std::vector<std::string>& parts, std::size_t count, std::string& why) {
        int fd = root_;
        for (std::size_t i = 0; i < count; ++i) {
            const std::string path = joinParts(parts, i + 1);
            auto it = open_.find(path);
            if (it != open_.end()) {
                fd = it->second;
                continue;
            }
            int next = ::openat(fd, parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (next < 0 && errno == ENOENT) {
                if (::mkdirat(fd, parts[i].c_str(), 0755) != 0) {
                    why = path + ": " + systemError(errno);
                    return -1;
                }
                made_.push_back(path);
                next = ::openat(fd, parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            }
            if (next < 0) {
                why = path + (errno == ELOOP || errno == ENOTDIR ? " is not a folder" : ": " + systemError(errno));
                return -1;
            }
            open_.emplace(path, next);
            fd = next;
        }
        return fd;
    }
    void syncAll() {
        ::fsync(root_);
        for (auto& [path, fd] : open_) ::fsync(fd);
    }
    // Removes the folders this unpacking made, deepest first (they are empty by then).
    void removeMade() {
        for (auto it = made_.rbegin(); it != made_.rend(); ++it) ::unlinkat(root_, it->c_str(), AT_REMOVEDIR);
    }

private:
    int root_;
    std::map<std::string, int> open_;
    std::vector<std::string> made_;
};

// Unpacks one entry into a new temporary file in its folder, checking its size as it goes.
Result unpackEntry(zip_t* z, Planned& p, int folder, std::uint64_t& total, const Limits& limits,
                   std::vector<char>& buffer) {
    p.temp = ".tavlo-zip-" + std::to_string(::getpid()) + "-" + std::to_string(p.index);
    int out = ::openat(folder, p.temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (out < 0) {
        p.temp.clear();
        return fail(CannotWrite, p.name + ": " + systemError(errno));
    }
    Result result;
    zip_file_t* in = zip_fopen_index(z, p.index, 0);
    if (!in) {
        result = fail(Damaged, p.name + ": " + zip_strerror(z));
    } else {
        std::uint64_t written = 0;
        while (result.ok()) {
            zip_int64_t n = zip_fread(in, buffer.data(), buffer.size());
            if (n < 0) {
                result = fail(Damaged, p.name + ": " + zip_file_strerror(in));
                break;
            }
            if (n == 0) break;
            written += static_cast<std::uint64_t>(n);
            total += static_cast<std::uint64_t>(n);
            if (written > p.size) {
                result = fail(Damaged, p.name + " unpacks to more than its declared size");
                break;
            }
            if (total > limits.maxTotalBytes) {
                result = fail(Refused, "the entries unpack to more than " + std::to_string(limits.maxTotalBytes) + " bytes");
                break;
            }
            for (zip_int64_t done = 0; done < n;) {
                ssize_t w = ::write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0) {
                    result = fail(CannotWrite, p.name + ": " + systemError(errno));
                    break;
                }
                done += w;
            }
        }
        if (result.ok() && written != p.size) result = fail(Damaged, p.name + " is shorter than its declared size");
        if (zip_fclose(in) != 0 && result.ok()) result = fail(Damaged, p.name + ": the data does not match its CRC");
    }
    if (result.ok() && ::fsync(out) != 0) result = fail(CannotWrite, p.name + ": " + systemError(errno));
    if (::close(out) != 0 && result.ok()) result = fail(CannotWrite, p.name + ": " + systemError(errno));
    return result;
}

}  // namespace

fs::path archivePath(const std::string& base, const fs::path& folder) {
    fs::path p(base);
    if (!equalsNoCase(p.extension().string(), ".zip")) p = fs::path(base + ".zip");
    return p.is_absolute() ? p : folder / p;
}

Result addFiles(const fs::path& archive, const std::vector<std::string>& files, const fs::path& folder) {
    struct stat st {};
    if (::lstat(archive.c_str(), &st) == 0) return fail(Exists, archive.string() + " is already there");
    if (files.empty()) return fail(Usage, "no files to add");
    std::vector<std::pair<fs::path, std::string>> sources;
    std::set<std::string> names;
    for (const std::string& f : files) {
        fs::path path = fs::path(f).is_absolute() ? fs::path(f) : folder / f;
        if (::stat(path.c_str(), &st) != 0) return fail(CannotRead, path.string() + ": " + systemError(errno));
        if (!S_ISREG(st.st_mode)) return fail(CannotRead, path.string() + " is not a file");
        std::string name = fs::path(f).filename().string();
        if (!names.insert(name).second) return fail(Usage, name + " is given twice");
        sources.emplace_back(path, name);
    }

    const fs::path temp = archive.string() + ".part-" + std::to_string(::getpid());
    int code = 0;
    ZipPtr z(zip_open(temp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code));
    if (!z) return fail(CannotWrite, temp.string() + ": " + openError(code));
    for (const auto& [path, name] : sources) {
        zip_source_t* src = zip_source_file(z.get(), path.c_str(), 0, -1);
        if (!src) return fail(CannotRead, path.string() + ": " + zip_strerror(z.get()));
        zip_int64_t index = zip_file_add(z.get(), name.c_str(), src, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(src);
            return fail(CannotWrite, name + ": " + zip_strerror(z.get()));
        }
        zip_set_file_compression(z.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1);
    }
    if (zip_close(z.get()) != 0) {
        Result r = fail(CannotWrite, archive.string() + ": " + zip_strerror(z.get()));
        std::error_code ec;
        fs::remove(temp, ec);
        return r;
    }
    z.release();
    syncPath(temp, false);
    TAVLO_INVARIANT(1, temp.parent_path() == archive.parent_path());
    if (int err = renameNoReplace(temp, archive)) {
        std::error_code ec;
        fs::remove(temp, ec);
        return fail(err == EEXIST ? Exists : CannotWrite, archive.string() + ": " + systemError(err));
    }
    syncPath(archive.parent_path().empty() ? fs::path(".") : archive.parent_path(), true);
    return {};
}

Result testArchive(const fs::path& archive) {
    Result result;
    ZipPtr z = openForReading(archive, result);
    if (!z) return result;
    std::vector<char> buffer(kChunk);
    const zip_int64_t count = zip_get_num_entries(z.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        zip_stat_t st;
        if (zip_stat_index(z.get(), index, 0, &st) != 0) return fail(Damaged, zip_strerror(z.get()));
        const std::string name = (st.valid & ZIP_STAT_NAME) ? st.name : "entry " + std::to_string(i);
        zip_file_t* in = zip_fopen_index(z.get(), index, 0);
        if (!in) return fail(Damaged, name + ": " + zip_strerror(z.get()));
        std::uint64_t read = 0;
        zip_int64_t n;
        while ((n = zip_fread(in, buffer.data(), buffer.size())) > 0) read += static_cast<std::uint64_t>(n);
        if (n < 0) {
            result = fail(Damaged, name + ": " + zip_file_strerror(in));
            zip_fclose(in);
            return result;
        }
        if (zip_fclose(in) != 0) return fail(Damaged, name + ": the data does not match its CRC");
        if ((st.valid & ZIP_STAT_SIZE) && read != st.size) return fail(Damaged, name + ": not of its declared size");
    }
    return {};
}

Result extractAll(const fs::path& archive, const fs::path& folder, bool overwrite, const Limits& limits) {
    Result result;
    ZipPtr z = openForReading(archive, result);
    if (!z) return result;
    std::vector<Planned> entries;
    result = plan(z.get(), limits, entries);
    if (!result.ok()) return result;

    int root = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) return fail(CannotWrite, folder.string() + ": " + systemError(errno));
    Folders folders(root);
    std::vector<char> buffer(kChunk);
    std::uint64_t total = 0;
    std::vector<std::pair<Planned*, int>> written;  // entry, its folder
    TAVLO_INVARIANT(2, entries.size() <= limits.maxEntries);
    for (Planned& p : entries) {
        std::string why;
        const std::size_t depth = p.folder ? p.parts.size() : p.parts.size() - 1;
        int dir = folders.reach(p.parts, depth, why);
        if (dir < 0) {
            result = fail(CannotWrite, why);
            break;
        }
        if (p.folder) continue;
        result = unpackEntry(z.get(), p, dir, total, limits, buffer);
        if (!p.temp.empty()) written.emplace_back(&p, dir);
        if (!result.ok()) break;
    }
    // Nothing is renamed into place while one entry is wrong, or would land on a folder, or
    // (without overwriting) on a file that is there.
    if (result.ok()) {
        for (auto& [p, dir] : written) {
            struct stat st {};
            if (::fstatat(dir, p->parts.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            if (S_ISDIR(st.st_mode)) result = fail(CannotWrite, p->name + " would replace a folder");
            else if (!overwrite) result = fail(CannotWrite, p->name + " is already there");
            if (!result.ok()) break;
        }
    }
    if (!result.ok()) {
        for (auto& [p, dir] : written) ::unlinkat(dir, p->temp.c_str(), 0);
        folders.removeMade();
        ::close(root);
        return result;
    }
    for (auto& [p, dir] : written) {
        TAVLO_INVARIANT(3, p->parts.back().find('/') == std::string::npos && p->parts.back() != "..");
        if (::renameat(dir, p->temp.c_str(), dir, p->parts.back().c_str()) != 0) {
            result = fail(CannotWrite, p->name + ": " + systemError(errno));
            for (auto& [q, d] : written) ::unlinkat(d, q->temp.c_str(), 0);
            break;
        }
    }
    folders.syncAll();
    ::close(root);
    return result;
}

Result runCommand(const std::vector<std::string>& args, const fs::path& folder, const Limits& limits) {
    const std::string usage = "use: -add <archive> <files...> | -test <archive> | -ext [-over=all] <archive>";
    if (args.empty()) return fail(Usage, usage);
    const std::string& command = args[0];
    if (equalsNoCase(command, "-add") && args.size() >= 3)
        return addFiles(archivePath(args[1], folder), {args.begin() + 2, args.end()}, folder);
    if (equalsNoCase(command, "-test") && args.size() == 2) return testArchive(archivePath(args[1], folder));
    if (equalsNoCase(command, "-ext") && args.size() == 2) return extractAll(archivePath(args[1], folder), folder, false, limits);
    if (equalsNoCase(command, "-ext") && args.size() == 3 && equalsNoCase(args[1], "-over=all"))
        return extractAll(archivePath(args[2], folder), folder, true, limits);
    return fail(Usage, usage);
}

}  // namespace tavlo::archive
