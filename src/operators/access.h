#pragma once
// The access-control layer: who may use the program. Users, salted password hashes and the
// rights each user holds per protected procedure live in one SQLite file beside the
// executable (in the user's data folder when that one cannot be written). The program calls
// it through the operations below; its own dialogs (log-in, first user, rights editor) follow
// the language chosen with SetLanguage.
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace tavlo {

class Runtime;

struct AccessUser {
    std::int64_t id = 0;
    std::string login;
    std::string name;
    bool administrator = false;  // holds every right and may edit rights
};

class AccessControl {
public:
    AccessControl();
    ~AccessControl();
    AccessControl(const AccessControl&) = delete;
    AccessControl& operator=(const AccessControl&) = delete;

    // ---- Preparation at start-up, in this order, and the close after the frame ----------
    void InitFileCallback();
    void SetAppName(const std::string& name);
    // Where the users file lives: keyword "EXEDIR" is the executable's folder; a non-blank
    // first argument names a folder directly.
    void SetPath(const std::string& folder, const std::string& file, const std::string& keyword, int a, int b, int c);
    void CreSec();  // opens (and creates) the users file
    void SetDefaultFont(const std::string& name, int size, int weight);
    void CloseTables();

    // ---- The six operations -------------------------------------------------------------
    // The log-in dialog under the given title; the handle of the logged-in user, 0 when the
    // log-in was cancelled or failed. With no users yet it first asks for the first user.
    long LoginText(Runtime& runtime, const std::string& title, const std::string& user = "",
                   const std::string& password = "");
    // One character per right of the procedure's access string: "1" granted, "0" not.
    std::string UserAllowed(long handle, const std::string& procedure, const std::string& extra = "", int a = 0,
                            int b = 0, int c = 1);
    // The layer's own messages; "AccessRestricted" is the refusal.
    void SecwinMessage(Runtime& runtime, const std::string& id);
    // The rights editor for the procedure, whose rights are named in the access string
    // ("Access|||..."). Only an administrator may change rights.
    void SetAccess(Runtime& runtime, long handle, const std::string& procedure, const std::string& accessString);
    void Logout(long handle);
    // "Afrik.Irf" for Afrikaans dialogs, "Eng.Irf" (or anything else) for English.
    void SetLanguage(const std::string& languageFile);

    // ---- What the dialogs and tests use --------------------------------------------------
    bool afrikaans() const { return afrikaans_; }
    const std::string& appName() const { return appName_; }
    std::filesystem::path file() const { return file_; }
    // The users file in a named folder (tests); CreSec opens it.
    void useFolder(const std::filesystem::path& folder);
    bool open() const { return db_ != nullptr; }

    std::vector<AccessUser> users();
    std::optional<AccessUser> userOf(long handle);
    // Adds a user; false when the login is blank or taken, or the password is empty.
    bool addUser(const std::string& login, const std::string& name, const std::string& password, bool administrator);
    bool setPassword(std::int64_t user, const std::string& password);
    // Refuses to delete the last administrator.
    bool deleteUser(std::int64_t user);
    // The user's id when login and password match, else nullopt.
    std::optional<std::int64_t> check(const std::string& login, const std::string& password);
    long loginAs(std::int64_t user);  // a handle for a checked user
    std::string rights(std::int64_t user, const std::string& procedure);
    bool setRight(std::int64_t user, const std::string& procedure, int index, bool granted);

    // The access string of a procedure: its rights' names separated by "|".
    static std::vector<std::string> rightNames(const std::string& accessString);

private:
    bool ensureOpen();
    std::filesystem::path chooseFolder() const;

    std::recursive_mutex lock_;
    ::sqlite3* db_ = nullptr;
    std::filesystem::path folder_;
    bool folderGiven_ = false;
    std::filesystem::path file_;
    std::string appName_;
    bool afrikaans_ = false;
    std::map<long, std::int64_t> sessions_;
    long nextHandle_ = 1;
};

// The program's one access layer.
AccessControl& accessControl();

// The access string of "Main": "Access" followed by 250 "|".
std::string mainAccessString();

}  // namespace tavlo
