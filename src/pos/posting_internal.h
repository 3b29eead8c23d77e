#pragma once
// Shared by the posting sources only.
#include <optional>
#include <vector>

#include "pos/till_state.h"

namespace tavlo {

// A routine's transaction: it joins the one Finished opened, or opens its own over the tables it
// writes (1-second lock wait). A routine that opened its own commits or rolls it back itself.
class TillState::Scope {
public:
    Scope(TillState& till, std::vector<const TableDef*> tables);
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    ~Scope();

    bool ok() const { return ok_; }
    bool joined() const { return joined_; }
    // Own transaction: commit, false when that failed (then it is rolled back). Joined: true.
    bool commit();
    // Own transaction: roll back. Joined: the owner of the transaction rolls back.
    void rollback();

private:
    TillState& till_;
    std::optional<Transaction> tx_;
    bool joined_ = false;
    bool ok_ = false;
};

// Which side a document's rows take: a sale credits its lines and debits the control account, a
// rounding document the other way round; a credit note swaps both.
inline bool rowsOnCredit(bool rounding, bool creditNote) { return rounding == creditNote; }

}  // namespace tavlo
