#pragma once
// Deleting old history: the headers of PQXH20 dated in a range, with their PQXH21 rows.
//
// The delete goes in batches of whole documents, each batch its own transaction holding the
// history tables for a few milliseconds, with a pause after each that lets a till waiting to post
// into history in first: a till's Finished is never refused for the lock. A document is deleted
// whole or not at all.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/procedure.h"
#include "util/date.h"

namespace tavlo {

class Context;

// The document numbers of the history headers dated from `from` to `to`, both included, in
// date order. Headers without a date are never in a range. When the history cannot be read the
// list is empty and *error (if given) says why.
std::vector<std::uint32_t> historyDocuments(Context& ctx, DayNumber from, DayNumber to, std::string* error = nullptr);

struct HistoryDeleteResult {
    std::size_t deleted = 0;  // documents deleted (their rows with them)
    bool ok = true;
    std::string error;        // the storage's text when not ok
};

// Deletes the given documents with their rows, as long as their headers are still dated in the
// range; a document redated meanwhile is left. Stops at the first failure: what was committed
// before it stays deleted, the failing batch is rolled back whole.
HistoryDeleteResult deleteHistory(Context& ctx, const std::vector<std::uint32_t>& documents, DayNumber from,
                                  DayNumber to);

// "Delete Transactions": the date range, a question with the count before anything goes, and a
// report of what was deleted.
class DeleteTransactions : public Procedure {
public:
    DeleteTransactions();
    std::string structureName() const override { return "QuickWindow"; }

    int okButton() const { return ok_; }

protected:
    bool OpenTables() override;
    void CloseTables() override;
    void DefineWindow(Window& w) override;
    void TakeAccepted(int control) override;

private:
    void deleteRange();

    DayNumber fromDate_ = 0;  // LOC:FROMDATE
    DayNumber toDate_ = 0;    // LOC:TODATE
    int ok_ = 0;
};

}  // namespace tavlo
