#pragma once
// Till operators: the guarded operator list, the till's log-in and the operator pick list.
#include <memory>
#include <string>

#include "framework/list.h"
#include "framework/procedure.h"

namespace tavlo {

// "SUP Password" in front of the operator list: the stored supervisor password or the master
// password opens CreateOperators on OK.
class OperatorsSupPassword : public Procedure {
public:
    OperatorsSupPassword();
    std::string structureName() const override { return "QuickWindow"; }
    bool passwordOk() const { return passwordOk_; }

protected:
    bool OpenTables() override;
    void CloseTables() override;
    void DefineWindow(Window& w) override;
    void TakeAccepted(int control) override;

private:
    std::string password_;  // LOC:PASSWORD
    bool passwordOk_ = false;
    int entry_ = 0, ok_ = 0;
};

// "Operators": number, name and password of each operator, edited in the list row by row.
class CreateOperators : public Procedure {
public:
    CreateOperators();
    std::string structureName() const override { return "QuickWindow"; }
    ListControl& list() { return *list_; }

protected:
    bool OpenTables() override;
    void CloseTables() override;
    void DefineWindow(Window& w) override;
    void TakeOpened() override;
    void TakeAccepted(int control) override;

private:
    std::vector<Row> loadRows();
    bool seek(std::int64_t position);
    bool save(Row& row, bool inserting);
    bool remove(const Row& row);

    std::shared_ptr<ListControl> list_;
    int ok_ = 0;
};

// "Operator Password": the till's log-in. The operator is chosen (pick list, or the name typed),
// the password checked against that operator's, and OK opens the till for them.
class OperatorPassword : public Procedure {
public:
    OperatorPassword();
    std::string structureName() const override { return "QuickWindow"; }
    bool passwordOk() const { return passwordOk_; }

protected:
    bool OpenTables() override;
    void CloseTables() override;
    void DefineWindow(Window& w) override;
    void TakeOpened() override;
    void TakeAccepted(int control) override;
    void Kill() override;

private:
    void chooseOperator();
    void nameTyped();

    std::string password_;  // LOC:PASSWORD
    bool passwordOk_ = false;
    bool openTill_ = false;
    int selectButton_ = 0, name_ = 0, entry_ = 0, ok_ = 0;
};

// "Select Operators": the operators in record order; Select leaves the chosen one in the
// PQXO10 buffer with the response completed.
class SelectOperators : public Procedure {
public:
    SelectOperators();
    std::string structureName() const override { return "QuickWindow"; }
    ListControl& list() { return *list_; }

protected:
    bool OpenTables() override;
    void CloseTables() override;
    void DefineWindow(Window& w) override;
    void TakeOpened() override;

private:
    std::shared_ptr<ListControl> list_;
    int listControl_ = 0;
};

}  // namespace tavlo
