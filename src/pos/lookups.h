#pragma once
// The pick lists of the till: a debtor for a credit sale, an item for a sale line, and the
// owner of a tab (a cash client or a debtor). Each browses one master table in a fixed key
// order, jumps as the operator types, and leaves the chosen record in that table's buffer.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "data/tables.h"
#include "framework/list.h"
#include "framework/procedure.h"

namespace tavlo {

// What the lists share: a list on one table, "&Select" and a way out, the chosen record
// fetched into the table's buffer with the response completed.
class PickList : public Procedure {
public:
    explicit PickList(std::string name) : Procedure(std::move(name)) {}
    std::string structureName() const override { return "QuickWindow"; }

    ListControl& list() { return *list_; }
    int listControl() const { return listControl_; }
    int selectButton() const { return select_; }

protected:
    bool OpenTables() override;
    void CloseTables() override;
    void TakeOpened() override;

    // The table the list browses, and how one stored record becomes a row.
    virtual const TableDef& table() const = 0;
    virtual std::vector<Row> loadRows() = 0;
    // Reads the record of a row into the table's buffer; false when it is gone.
    virtual bool fetchRow(const Row& row) = 0;

    // Selects the highlighted row: its record in the buffer, response completed, closed.
    void selectHighlighted();
    // The highlighted row's record into the buffer (when there is one).
    bool fetchHighlighted();

    std::shared_ptr<ListControl> list_;
    int listControl_ = 0, select_ = 0;
};

// SelectA10Debtors: debtor accounts (account type 11) by name. With `accNumber` it is the tab
// owner's list (SelectA10DebtorsTag): however it closes, the highlighted debtor's number is
// stored there (the buffer's when the list is empty).
class SelectA10Debtors : public PickList {
public:
    SelectA10Debtors();
    explicit SelectA10Debtors(std::uint32_t& accNumber);
    void Kill() override;

protected:
    const TableDef& table() const override;
    std::vector<Row> loadRows() override;
    bool fetchRow(const Row& row) override;
    void DefineWindow(Window& w) override;

private:
    std::uint32_t* accNumber_ = nullptr;
};

// SelectInventory: items by code. `startAt` positions the list on the first code at or after it.
class SelectInventory : public PickList {
public:
    explicit SelectInventory(std::string startAt = "");

protected:
    const TableDef& table() const override;
    std::vector<Row> loadRows() override;
    bool fetchRow(const Row& row) override;
    void DefineWindow(Window& w) override;
    void TakeOpened() override;

private:
    std::string startAt_;
};

// SelectCashClient: cash clients by number, kept in the list itself (a new client is numbered
// when saved; only the name is typed). However it closes, the highlighted client's number,
// all 32 bits of it, is stored in `clientNo` (the buffer's when the list is empty).
class SelectCashClient : public PickList {
public:
    explicit SelectCashClient(std::uint32_t& clientNo);
    void Kill() override;

protected:
    const TableDef& table() const override;
    std::vector<Row> loadRows() override;
    bool fetchRow(const Row& row) override;
    void DefineWindow(Window& w) override;
    void TakeAccepted(int control) override;

private:
    bool saveClient(Row& row, bool inserting);
    bool deleteClient(const Row& row);
    bool seekPosition(std::int64_t position);

    std::uint32_t& clientNo_;
    int ok_ = 0;
};

}  // namespace tavlo
