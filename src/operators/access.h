#pragma once
// The access-control layer: who may use the program. Users, salted password hashes and the
// rights each user holds per protected procedure live in one SQLite file, TavloUsers.db, in the
// shop's data folder, so that every till and every OS user of the shop shares them. The program
// calls it through the operations below; its own dialogs (log-in, first user, rights editor)
// follow the language chosen with SetLanguage.
//
// The log-in never starts from nothing on a folder in use. The first-user form appears only for
// a new shop: no users file and no table file in the data folder yet; the first user's file is
// made whole and then put in place, so no till ever sees it half made. A users file that is
// missing on a folder holding tables, or that is not a sound users file with at least one user
// (emptied, its tables dropped, cut short, not a database), refuses the log-in with a message
// naming the file and the owner's recovery step. The owner's deliberate new start is a file
// TavloUsers.reset in the data folder, owned like the folder by the OS user who runs the
// program: then an unusable users file is kept aside as TavloUsers.db.damaged and the first
// user is asked for again.
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
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
    // Where the users file lives: a non-blank first argument names the folder (the program
    // gives its data folder); else keyword "EXEDIR" is the executable's folder, anything else
    // the working folder.
    void SetPath(const std::string& folder, const std::string& file, const std::string& keyword, int a, int b, int c);
    // Earlier versions kept the users file in the given folder (beside the program). When the
    // data folder has none and that folder has one, it is copied in (whole or not at all) and
    // removed from there when that folder allows it. True when it was taken over.
    bool takeOverUsersFile(const std::filesystem::path& earlierFolder);
    void CreSec();  // opens the users file when there is one; never creates it
    void SetDefaultFont(const std::string& name, int size, int weight);
    void CloseTables();

    // ---- The six operations -------------------------------------------------------------
    // The log-in dialog under the given title; the handle of the logged-in user, 0 when the
    // log-in was cancelled, failed or was refused. A new shop first asks for the first user; a
    // missing or unusable users file on a folder in use refuses with the owner's recovery step.
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
    std::filesystem::path folder() const;
    std::filesystem::path file() const;
    // The users file in a named folder (tests); CreSec opens it.
    void useFolder(const std::filesystem::path& folder);
    bool open() const { return db_ != nullptr; }
    // A new shop: neither a users file nor any table file in the data folder.
    bool newShop() const;

    std::vector<AccessUser> users();
    std::optional<AccessUser> userOf(long handle);
    // Adds a user; false when the login is blank or taken, or the password is empty. The first
    // user of a new shop makes the users file.
    bool addUser(const std::string& login, const std::string& name, const std::string& password, bool administrator);
    // The first user of a new shop (or of the owner's new start), an administrator; false when
    // that is not allowed here or another till made the users file meanwhile.
    bool addFirstUser(const std::string& login, const std::string& name, const std::string& password) {
        return createUsersFile(login, name, password, true);
    }
    // Whether the users file is there and sound (opening it when it is).
    bool usable() { return ensureOpen(); }
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
    // Opens the users file when it is there and sound; else false, with what is wrong in
    // refusal_ (empty for a new shop, which has no users file yet).
    bool ensureOpen();
    bool resetAsked() const;
    bool firstUserAllowed() const;
    // The users file made with its first user; false when one is there by then (or it failed).
    bool createUsersFile(const std::string& login, const std::string& name, const std::string& password,
                         bool administrator);
    // The refusal's full text: the file, what is wrong, the recovery step.
    std::string refusal() const;

    std::recursive_mutex lock_;
    ::sqlite3* db_ = nullptr;
    std::filesystem::path folder_;
    bool folderGiven_ = false;
    std::filesystem::path file_;
    std::string refusal_;
    std::string appName_;
    bool afrikaans_ = false;
    std::map<long, std::int64_t> sessions_;
    long nextHandle_ = 1;
};

// A password salted and hashed for storing (empty when hashing failed), and whether a typed
// password matches such a hash.
std::string passwordHash(std::string_view password);
bool passwordMatchesHash(std::string_view hash, std::string_view password);

// The program's one access layer.
AccessControl& accessControl();

// The access string of "Main": "Access" followed by 250 "|".
std::string mainAccessString();

}  // namespace tavlo
