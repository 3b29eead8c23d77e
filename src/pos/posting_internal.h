#pragma once
// Shared by the posting sources only.
#include <optional>
#include <vector>

#include "pos/till_state.h"

namespace tavlo {

// A routine's transaction: it joins the one Finished opened, or opens its own over the tables it
// writes (1-second lock wait). A routine that opened its own commits or rolls it back itself, and
// tells the failure that stopped it; a joined routine returns its failure to the owner.
class TillState::Scope {
public:
    Scope(TillState& till, std::vector<const TableDef*> tables);
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    ~Scope();

    // Success, or why the transaction could not be had (or joined).
    const Outcome& opened() const { return opened_; }
    bool ok() const { return static_cast<bool>(opened_); }
    bool joined() const { return joined_; }
    // Own transaction: commit; a failure when that failed (then it is rolled back). Joined: success.
    Outcome commit();
    // Own transaction: roll back. Joined: the owner of the transaction rolls back.
    void rollback();

private:
    std::optional<Transaction> tx_;
    bool joined_ = false;
    Outcome opened_;
};

// Which side a document's rows take: a sale credits its lines and debits the control account, a
// rounding document the other way round; a credit note swaps both.
inline bool rowsOnCredit(bool rounding, bool creditNote) { return rounding == creditNote; }

}  // namespace tavlo
