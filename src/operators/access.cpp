#include "operators/access.h"

#include <sodium.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "data/dictionary.h"
#include "framework/message.h"
#include "framework/procedure.h"
#include "framework/runtime.h"
#include "operators/access_dialogs.h"
#include "util/platform.h"
#include "util/text.h"

namespace tavlo {

namespace {
constexpr const char* kUsersFile = "TavloUsers.db";
// The owner's deliberate new start of the users (README): honoured only when the running OS user
// owns both this file and the data folder.
constexpr const char* kResetFile = "TavloUsers.reset";
constexpr const char* kDamagedSuffix = ".damaged";
constexpr int kRights = 251;

constexpr const char* kSchema =
    "CREATE TABLE users(id INTEGER PRIMARY KEY, login TEXT NOT NULL UNIQUE COLLATE NOCASE,"
    " name TEXT NOT NULL DEFAULT '', hash TEXT NOT NULL, administrator INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE rights(user INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
    " procedure TEXT NOT NULL COLLATE NOCASE, allowed TEXT NOT NULL, PRIMARY KEY(user, procedure));";

bool exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

struct Statement {
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &st, nullptr); }
    ~Statement() { sqlite3_finalize(st); }
    Statement& bind(int i, const std::string& s) {
        sqlite3_bind_text(st, i, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bind(int i, std::int64_t v) {
        sqlite3_bind_int64(st, i, v);
        return *this;
    }
    bool row() { return st && sqlite3_step(st) == SQLITE_ROW; }
    bool done() { return st && sqlite3_step(st) == SQLITE_DONE; }
    std::string text(int i) {
        auto p = sqlite3_column_text(st, i);
        return p ? reinterpret_cast<const char*>(p) : "";
    }
    std::int64_t integer(int i) { return sqlite3_column_int64(st, i); }
    sqlite3_stmt* st = nullptr;
};

// Whether anything by that name is there, a dangling link included.
bool present(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found;
}

// Puts a file made whole beside target in its place, unless target is there by then.
bool placeNew(const std::filesystem::path& staged, const std::filesystem::path& target) {
    if (::link(staged.c_str(), target.c_str()) == 0) return true;
    if (errno == EEXIST) return false;
    // A folder on a share without hard links: a rename, with the same check just before.
    std::error_code ec;
    if (present(target)) return false;
    std::filesystem::rename(staged, target, ec);
    return !ec;
}

// A name beside target for a file being made, unique to this process and object.
std::filesystem::path stagedName(const std::filesystem::path& target, const char* what, const void* self) {
    return target.string() + what + std::to_string(::getpid()) + "-" +
           std::to_string(reinterpret_cast<std::uintptr_t>(self) % 100000);
}

bool ownedByMe(const std::filesystem::path& path, bool regularFile) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    if (regularFile ? !S_ISREG(st.st_mode) : !S_ISDIR(st.st_mode)) return false;
    return ::geteuid() == 0 || st.st_uid == ::geteuid();
}

// What is wrong with an open users file, in the layer's language; empty when it is sound and
// holds at least one user.
std::string damageOf(sqlite3* db, bool afrikaans) {
    auto say = [afrikaans](const char* af, const char* en) { return std::string(afrikaans ? af : en); };
    {
        sqlite3_stmt* st = nullptr;
        int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &st, nullptr);
        std::string result;
        if (rc == SQLITE_OK && (rc = sqlite3_step(st)) == SQLITE_ROW) {
            auto p = sqlite3_column_text(st, 0);
            result = p ? reinterpret_cast<const char*>(p) : "";
        }
        std::string error = sqlite3_errmsg(db);
        sqlite3_finalize(st);
        if (rc != SQLITE_ROW) return say("kan nie gelees word nie (", "cannot be read (") + error + ")";
        if (result != "ok") return say("is beskadig (", "is damaged (") + result + ")";
    }
    Statement tables(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('users', 'rights')");
    if (!tables.row() || tables.integer(0) != 2)
        return say("hou nie die gebruikerstabelle nie", "does not hold the users tables");
    Statement users(db, "SELECT count(*) FROM users");
    if (!users.row()) return say("kan nie gelees word nie (", "cannot be read (") + sqlite3_errmsg(db) + ")";
    if (users.integer(0) == 0) return say("hou geen gebruikers nie", "holds no users");
    return "";
}
}  // namespace

AccessControl::AccessControl() = default;
AccessControl::~AccessControl() { CloseTables(); }

void AccessControl::InitFileCallback() {}
void AccessControl::SetAppName(const std::string& name) { appName_ = clip(name); }

void AccessControl::SetPath(const std::string& folder, const std::string&, const std::string& keyword, int, int, int) {
    std::lock_guard guard(lock_);
    if (folderGiven_) return;
    CloseTables();
    if (!trim(folder).empty()) folder_ = trim(folder);
    else if (equalsNoCase(trim(keyword), "EXEDIR")) folder_ = systemPlatform().executableDirectory();
    else folder_ = systemPlatform().workingDirectory();
}

void AccessControl::useFolder(const std::filesystem::path& folder) {
    std::lock_guard guard(lock_);
    CloseTables();
    folder_ = folder;
    folderGiven_ = true;
}

std::filesystem::path AccessControl::folder() const {
    return folder_.empty() ? systemPlatform().workingDirectory() : folder_;
}

std::filesystem::path AccessControl::file() const { return folder() / kUsersFile; }

bool AccessControl::takeOverUsersFile(const std::filesystem::path& earlierFolder) {
    std::lock_guard guard(lock_);
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path from = earlierFolder / kUsersFile, to = file();
    if (earlierFolder.empty() || present(to) || !fs::is_regular_file(fs::symlink_status(from, ec)) ||
        fs::equivalent(earlierFolder, folder(), ec))
        return false;
    // Copied beside its new place and linked in, so that a till starting meanwhile finds the whole
    // file or none; the earlier one goes when its folder lets it.
    const fs::path staged = stagedName(to, ".moving-", this);
    fs::copy_file(from, staged, fs::copy_options::overwrite_existing, ec);
    bool moved = !ec && placeNew(staged, to);
    fs::remove(staged, ec);
    if (moved) fs::remove(from, ec);
    return moved;
}

bool AccessControl::newShop() const {
    namespace fs = std::filesystem;
    const fs::path data = folder();
    if (present(data / kUsersFile)) return false;
    for (const TableDef* table : dictionaryTables())
        if (present(data / table->diskFile())) return false;
    return true;
}

bool AccessControl::resetAsked() const {
    return ownedByMe(folder() / kResetFile, true) && ownedByMe(folder(), false);
}

bool AccessControl::firstUserAllowed() const {
    return !present(file()) ? (newShop() || resetAsked()) : (resetAsked() && !refusal_.empty());
}

void AccessControl::CreSec() { ensureOpen(); }

bool AccessControl::ensureOpen() {
    std::lock_guard guard(lock_);
    if (db_) return true;
    if (sodium_init() < 0) return false;
    file_ = file();
    refusal_.clear();
    // Never created here: a missing users file is a new shop's (the first user makes it) or a
    // loss the owner must put right; either way the log-in never starts from nothing.
    if (!present(file_)) {
        if (!newShop())
            refusal_ = afrikaans_ ? "ontbreek, maar hierdie datavouer hou reeds die winkel se tabelle"
                                  : "is missing, but this data folder already holds the shop's tables";
        return false;
    }
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(file_))) {
        refusal_ = afrikaans_ ? "is nie 'n gewone lêer nie" : "is not a plain file";
        return false;
    }
    if (sqlite3_open_v2(file_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        refusal_ = (afrikaans_ ? "kan nie oopgemaak word nie (" : "cannot be opened (") + std::string(sqlite3_errmsg(db_)) + ")";
        sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    sqlite3_busy_timeout(db_, 2000);
    refusal_ = damageOf(db_, afrikaans_);
    if (!refusal_.empty()) {
        sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    return true;
}

bool AccessControl::createUsersFile(const std::string& login, const std::string& name, const std::string& password,
                                    bool administrator) {
    namespace fs = std::filesystem;
    std::lock_guard guard(lock_);
    if (!firstUserAllowed()) return false;
    std::string hash = passwordHash(password);
    if (hash.empty()) return false;
    const fs::path target = file();
    // Made whole beside its place and linked in: a till that looks meanwhile finds no file or a
    // file with its first user, never an empty one, and of two tills making it at once one wins.
    const fs::path staged = stagedName(target, ".new-", this);
    std::error_code ec;
    fs::remove(staged, ec);
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(staged.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK &&
              exec(db, kSchema);
    if (ok) {
        Statement st(db, "INSERT INTO users(login, name, hash, administrator) VALUES(?, ?, ?, ?)");
        st.bind(1, trim(login)).bind(2, trim(name)).bind(3, hash).bind(4, std::int64_t(administrator ? 1 : 0));
        ok = st.done();
    }
    sqlite3_close(db);
    // The owner's new start keeps the unusable file aside, for a look later.
    if (ok && present(target) && resetAsked()) fs::rename(target, target.string() + kDamagedSuffix, ec);
    ok = ok && placeNew(staged, target);
    fs::remove(staged, ec);
    if (!ok) return false;
    if (resetAsked()) fs::remove(folder() / kResetFile, ec);
    CloseTables();
    return ensureOpen();
}

std::string AccessControl::refusal() const {
    std::string text = afrikaans_ ? "Die gebruikerslêer|" : "The users file|";
    text += file_.string() + "|" + refusal_ + ".|";
    text += afrikaans_
                ? "Niemand kan aanteken voordat die eienaar dit regstel nie: sit TavloUsers.db terug uit die jongste "
                  "rugsteun van die datavouer (die README se afdeling \"If the log-in is refused\" gee elke stap)."
                : "No one can log in until the owner puts it right: restore TavloUsers.db from the latest backup of the "
                  "data folder (the README's section \"If the log-in is refused\" gives every step).";
    return text;
}

void AccessControl::SetDefaultFont(const std::string&, int, int) {}

void AccessControl::CloseTables() {
    std::lock_guard guard(lock_);
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
}

void AccessControl::SetLanguage(const std::string& languageFile) {
    afrikaans_ = equalsNoCase(trim(languageFile), "Afrik.Irf");
}

std::vector<AccessUser> AccessControl::users() {
    std::lock_guard guard(lock_);
    std::vector<AccessUser> out;
    if (!ensureOpen()) return out;
    Statement st(db_, "SELECT id, login, name, administrator FROM users ORDER BY login COLLATE NOCASE");
    while (st.row()) out.push_back(AccessUser{st.integer(0), st.text(1), st.text(2), st.integer(3) != 0});
    return out;
}

std::optional<AccessUser> AccessControl::userOf(long handle) {
    std::lock_guard guard(lock_);
    auto it = sessions_.find(handle);
    if (it == sessions_.end()) return std::nullopt;
    for (auto& u : users())
        if (u.id == it->second) return u;
    return std::nullopt;
}

bool AccessControl::addUser(const std::string& login, const std::string& name, const std::string& password,
                            bool administrator) {
    std::lock_guard guard(lock_);
    if (trim(login).empty() || password.empty()) return false;
    if (!ensureOpen()) {
        // The first user of a new shop makes the users file; a till that made it meanwhile wins.
        if (createUsersFile(login, name, password, administrator)) return true;
        if (!ensureOpen()) return false;
    }
    std::string hash = passwordHash(password);
    if (hash.empty()) return false;
    Statement st(db_, "INSERT INTO users(login, name, hash, administrator) VALUES(?, ?, ?, ?)");
    st.bind(1, trim(login)).bind(2, trim(name)).bind(3, hash).bind(4, std::int64_t(administrator ? 1 : 0));
    return st.done();
}

bool AccessControl::setPassword(std::int64_t user, const std::string& password) {
    std::lock_guard guard(lock_);
    if (password.empty() || !ensureOpen()) return false;
    std::string hash = passwordHash(password);
    if (hash.empty()) return false;
    Statement st(db_, "UPDATE users SET hash = ? WHERE id = ?");
    st.bind(1, hash).bind(2, user);
    return st.done() && sqlite3_changes(db_) == 1;
}

bool AccessControl::deleteUser(std::int64_t user) {
    std::lock_guard guard(lock_);
    if (!ensureOpen()) return false;
    auto all = users();
    int admins = 0;
    bool target = false, targetAdmin = false;
    for (auto& u : all) {
        admins += u.administrator;
        if (u.id == user) {
            target = true;
            targetAdmin = u.administrator;
        }
    }
    if (!target || (targetAdmin && admins <= 1)) return false;
    Statement r(db_, "DELETE FROM rights WHERE user = ?");
    r.bind(1, user);
    r.done();
    Statement st(db_, "DELETE FROM users WHERE id = ?");
    st.bind(1, user);
    if (!st.done()) return false;
    for (auto it = sessions_.begin(); it != sessions_.end();) {
        if (it->second == user) it = sessions_.erase(it);
        else ++it;
    }
    return true;
}

std::optional<std::int64_t> AccessControl::check(const std::string& login, const std::string& password) {
    std::lock_guard guard(lock_);
    if (!ensureOpen()) return std::nullopt;
    Statement st(db_, "SELECT id, hash FROM users WHERE login = ?");
    st.bind(1, trim(login));
    if (!st.row()) return std::nullopt;
    std::string hash = st.text(1);
    if (crypto_pwhash_str_verify(hash.c_str(), password.c_str(), password.size()) != 0) return std::nullopt;
    return st.integer(0);
}

long AccessControl::loginAs(std::int64_t user) {
    std::lock_guard guard(lock_);
    long handle = nextHandle_++;
    sessions_[handle] = user;
    return handle;
}

std::string AccessControl::rights(std::int64_t user, const std::string& procedure) {
    std::lock_guard guard(lock_);
    std::string out(kRights, '0');
    if (!ensureOpen()) return out;
    Statement a(db_, "SELECT administrator FROM users WHERE id = ?");
    a.bind(1, user);
    if (!a.row()) return out;
    if (a.integer(0) != 0) return std::string(kRights, '1');
    Statement st(db_, "SELECT allowed FROM rights WHERE user = ? AND procedure = ?");
    st.bind(1, user).bind(2, trim(procedure));
    if (st.row()) {
        std::string stored = st.text(0);
        for (std::size_t i = 0; i < stored.size() && i < out.size(); ++i) out[i] = stored[i] == '1' ? '1' : '0';
    }
    return out;
}

bool AccessControl::setRight(std::int64_t user, const std::string& procedure, int index, bool granted) {
    std::lock_guard guard(lock_);
    if (index < 0 || index >= kRights || !ensureOpen()) return false;
    std::string current = rights(user, procedure);
    current[static_cast<std::size_t>(index)] = granted ? '1' : '0';
    Statement st(db_, "INSERT INTO rights(user, procedure, allowed) VALUES(?, ?, ?)"
                      " ON CONFLICT(user, procedure) DO UPDATE SET allowed = excluded.allowed");
    st.bind(1, user).bind(2, trim(procedure)).bind(3, current);
    return st.done();
}

std::vector<std::string> AccessControl::rightNames(const std::string& accessString) {
    std::vector<std::string> names;
    std::string current;
    for (char c : accessString) {
        if (c == '|') {
            names.push_back(trim(current));
            current.clear();
        } else {
            current += c;
        }
    }
    names.push_back(trim(current));
    while (!names.empty() && names.back().empty()) names.pop_back();
    return names;
}

// ---- The six operations ------------------------------------------------------------------

long AccessControl::LoginText(Runtime& runtime, const std::string& title, const std::string& user,
                              const std::string& password) {
    bool usable = ensureOpen();
    if (!usable && firstUserAllowed() && user.empty()) {
        // Only a new shop (or the owner's new start) asks for the first user.
        AccessFirstUser first(*this, title);
        runtime.run(first);
        if (first.response() == Response::Completed) {
            auto id = check(first.login(), first.password());
            return id ? loginAs(*id) : 0;
        }
        // Another till may have made the first user meanwhile: then the log-in goes on here.
        usable = ensureOpen();
        if (!usable) return 0;
    }
    if (!usable) {
        MessageRequest m;
        m.title = afrikaans_ ? "Toegang" : "Access";
        m.text = refusal_.empty() ? (afrikaans_ ? "Die gebruikerslêer kan nie oopgemaak word nie:|"
                                                : "The users file cannot be opened:|") +
                                        file_.string()
                                  : refusal();
        m.icon = Icon::Hand;
        runtime.message(m);
        return 0;
    }
    if (!user.empty()) {
        // A log-in given in code (a service start): no dialog.
        auto id = check(user, password);
        return id ? loginAs(*id) : 0;
    }
    std::string lastLogin;
    for (int attempt = 0; attempt < 3; ++attempt) {
        AccessLogin dialog(*this, title, lastLogin);
        runtime.run(dialog);
        if (dialog.response() != Response::Completed) return 0;
        lastLogin = dialog.login();
        if (auto id = check(dialog.login(), dialog.password())) return loginAs(*id);
        MessageRequest m;
        m.title = afrikaans_ ? "Aanteken" : "Log In";
        m.text = afrikaans_ ? "Verkeerde gebruiker of wagwoord." : "Wrong user name or password.";
        m.icon = Icon::Exclamation;
        runtime.message(m);
    }
    return 0;
}

std::string AccessControl::UserAllowed(long handle, const std::string& procedure, const std::string&, int, int, int) {
    std::lock_guard guard(lock_);
    auto it = sessions_.find(handle);
    if (handle == 0 || it == sessions_.end()) return std::string(kRights, '0');
    return rights(it->second, procedure);
}

void AccessControl::SecwinMessage(Runtime& runtime, const std::string& id) {
    MessageRequest m;
    if (equalsNoCase(trim(id), "AccessRestricted")) {
        m.title = afrikaans_ ? "Toegang Beperk" : "Access Restricted";
        m.text = afrikaans_ ? "U het nie toegang tot hierdie program nie." : "You do not have access to this program.";
        m.icon = Icon::Hand;
    } else {
        m.title = appName_;
        m.text = id;
        m.icon = Icon::Information;
    }
    runtime.message(m);
}

void AccessControl::SetAccess(Runtime& runtime, long handle, const std::string& procedure,
                              const std::string& accessString) {
    auto user = userOf(handle);
    if (!user || !user->administrator) {
        SecwinMessage(runtime, "AccessRestricted");
        return;
    }
    AccessRights editor(*this, user->id, procedure, accessString);
    runtime.run(editor);
}

void AccessControl::Logout(long handle) {
    std::lock_guard guard(lock_);
    sessions_.erase(handle);
}

std::string passwordHash(std::string_view password) {
    if (sodium_init() < 0) return "";
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return "";
    return hash;
}

bool passwordMatchesHash(std::string_view hash, std::string_view password) {
    if (sodium_init() < 0 || hash.empty()) return false;
    const std::string h(hash);
    return crypto_pwhash_str_verify(h.c_str(), password.data(), password.size()) == 0;
}

AccessControl& accessControl() {
    static AccessControl layer;
    return layer;
}

std::string mainAccessString() { return "Access" + std::string(250, '|'); }

}  // namespace tavlo
