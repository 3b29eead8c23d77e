#include "operators/access.h"

#include <sodium.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>

#include "framework/message.h"
#include "framework/procedure.h"
#include "framework/runtime.h"
#include "operators/access_dialogs.h"
#include "shell/platform.h"
#include "util/text.h"

namespace tavlo {

namespace {
constexpr const char* kUsersFile = "TavloUsers.db";
constexpr int kRights = 251;

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

bool writableFolder(const std::filesystem::path& folder) {
    return !folder.empty() && ::access(folder.c_str(), W_OK) == 0;
}
}  // namespace

AccessControl::AccessControl() = default;
AccessControl::~AccessControl() { CloseTables(); }

void AccessControl::InitFileCallback() {}
void AccessControl::SetAppName(const std::string& name) { appName_ = clip(name); }

void AccessControl::SetPath(const std::string& folder, const std::string&, const std::string& keyword, int, int, int) {
    std::lock_guard guard(lock_);
    if (folderGiven_) return;
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

std::filesystem::path AccessControl::chooseFolder() const {
    std::filesystem::path folder = folder_.empty() ? systemPlatform().executableDirectory() : folder_;
    std::error_code ec;
    if (std::filesystem::exists(folder / kUsersFile, ec) || writableFolder(folder) || folderGiven_) return folder;
    // The program's folder is read-only (an installed program): keep the users with the user's data.
    std::filesystem::path data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) data = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) data = std::filesystem::path(home) / ".local/share";
    else data = systemPlatform().workingDirectory();
    data /= "tavlo";
    std::filesystem::create_directories(data, ec);
    return data;
}

void AccessControl::CreSec() { ensureOpen(); }

bool AccessControl::ensureOpen() {
    std::lock_guard guard(lock_);
    if (db_) return true;
    if (sodium_init() < 0) return false;
    file_ = chooseFolder() / kUsersFile;
    if (sqlite3_open_v2(file_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    sqlite3_busy_timeout(db_, 2000);
    bool ok = exec(db_,
                   "CREATE TABLE IF NOT EXISTS users(id INTEGER PRIMARY KEY, login TEXT NOT NULL UNIQUE COLLATE NOCASE,"
                   " name TEXT NOT NULL DEFAULT '', hash TEXT NOT NULL, administrator INTEGER NOT NULL DEFAULT 0);"
                   "CREATE TABLE IF NOT EXISTS rights(user INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                   " procedure TEXT NOT NULL COLLATE NOCASE, allowed TEXT NOT NULL, PRIMARY KEY(user, procedure));");
    if (!ok) {
        sqlite3_close(db_);
        db_ = nullptr;
    }
    return ok;
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
    if (trim(login).empty() || password.empty() || !ensureOpen()) return false;
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.c_str(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return false;
    Statement st(db_, "INSERT INTO users(login, name, hash, administrator) VALUES(?, ?, ?, ?)");
    st.bind(1, trim(login)).bind(2, trim(name)).bind(3, std::string(hash)).bind(4, std::int64_t(administrator ? 1 : 0));
    return st.done();
}

bool AccessControl::setPassword(std::int64_t user, const std::string& password) {
    std::lock_guard guard(lock_);
    if (password.empty() || !ensureOpen()) return false;
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.c_str(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return false;
    Statement st(db_, "UPDATE users SET hash = ? WHERE id = ?");
    st.bind(1, std::string(hash)).bind(2, user);
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
    if (!ensureOpen()) {
        MessageRequest m;
        m.title = afrikaans_ ? "Toegang" : "Access";
        m.text = (afrikaans_ ? "Die gebruikerslêer kan nie oopgemaak word nie:|" : "The users file cannot be opened:|") +
                 file_.string();
        m.icon = Icon::Hand;
        runtime.message(m);
        return 0;
    }
    if (!user.empty()) {
        // A log-in given in code (a service start): no dialog.
        auto id = check(user, password);
        return id ? loginAs(*id) : 0;
    }
    if (users().empty()) {
        AccessFirstUser first(*this, title);
        runtime.run(first);
        if (first.response() != Response::Completed) return 0;
        auto id = check(first.login(), first.password());
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

AccessControl& accessControl() {
    static AccessControl layer;
    return layer;
}

std::string mainAccessString() { return "Access" + std::string(250, '|'); }

}  // namespace tavlo
