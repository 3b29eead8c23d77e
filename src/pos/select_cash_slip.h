#pragma once
// "Select Cashslip": the documents of the sales history, from which the operator reprints one
// slip after another. The list reads the history a page at a time, so it opens at once however
// long the history is.
#include <cstdint>
#include <memory>

#include "data/file_manager.h"
#include "framework/list.h"
#include "framework/procedure.h"

namespace tavlo::report {

// The history headers as list rows: document number, date and amount, the row's id its place
// in the table. The table's stored order, or by document number or date (their keys).
class HistoryDocuments : public PagedSource {
public:
    explicit HistoryDocuments(Context& ctx) : ctx_(ctx) {}
    bool sortsBy(int column) const override { return column == 0 || column == 1; }
    std::vector<Row> edge(const Order& order, bool fromEnd, std::size_t count) override;
    std::vector<Row> beside(const Order& order, const Row& row, bool backwards, std::size_t count) override;

private:
    std::vector<Row> walk(bool forward, std::size_t count, bool reverse);
    Context& ctx_;
};

class SelectCashSlip : public Procedure {
public:
    SelectCashSlip() : Procedure("SelectCashSlip") {}
    std::string structureName() const override { return "QuickWindow"; }
    ListControl& list() { return *list_; }

protected:
    bool OpenTables() override;
    void CloseTables() override;
    void DefineWindow(Window& w) override;
    void TakeOpened() override;

private:
    void reprintHighlighted();
    std::shared_ptr<ListControl> list_;
    int listControl_ = 0;
};

}  // namespace tavlo::report
