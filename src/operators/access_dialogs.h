#pragma once
// The access layer's own windows: log-in, the first user, the rights editor and its user form.
// Their texts follow the layer's language (AccessControl::SetLanguage).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/list.h"
#include "framework/procedure.h"

namespace tavlo {

class AccessControl;

class AccessLogin : public Procedure {
public:
    AccessLogin(AccessControl& access, std::string title, std::string login = "");
    const std::string& login() const { return login_; }
    const std::string& password() const { return password_; }

protected:
    void DefineWindow(Window& w) override;
    void TakeOpened() override;
    void TakeAccepted(int control) override;

private:
    AccessControl& access_;
    std::string title_, login_, password_;
    int passwordEntry_ = 0, ok_ = 0;
};

// Asks for the first user when there are none; that user holds every right.
class AccessFirstUser : public Procedure {
public:
    AccessFirstUser(AccessControl& access, std::string title);
    const std::string& login() const { return login_; }
    const std::string& password() const { return password_; }

protected:
    void DefineWindow(Window& w) override;
    void TakeAccepted(int control) override;

private:
    AccessControl& access_;
    std::string title_, login_, name_, password_, repeat_;
    int ok_ = 0;
};

// A new user, or a new password for one.
class AccessUserForm : public Procedure {
public:
    AccessUserForm(AccessControl& access, std::int64_t user = 0);  // 0: a new user

protected:
    void DefineWindow(Window& w) override;
    void TakeAccepted(int control) override;

private:
    AccessControl& access_;
    std::int64_t user_;
    std::string login_, name_, password_, repeat_;
    bool administrator_ = false;
    int ok_ = 0;
};

// Who holds which right of a protected procedure.
class AccessRights : public Procedure {
public:
    AccessRights(AccessControl& access, std::int64_t editor, std::string procedure, std::string accessString);

protected:
    void DefineWindow(Window& w) override;
    void TakeAccepted(int control) override;
    void TakeNewSelection(int control) override;
    void TakeOpened() override;

private:
    void showRights();
    std::int64_t selectedUser() const;

    AccessControl& access_;
    std::int64_t editor_;
    std::string procedure_;
    std::vector<std::string> rightNames_;
    std::shared_ptr<ListControl> users_;
    int list_ = 0, add_ = 0, password_ = 0, delete_ = 0, close_ = 0;
    std::vector<int> rightBoxes_;
    std::vector<std::int64_t> rightValues_;
};

}  // namespace tavlo
