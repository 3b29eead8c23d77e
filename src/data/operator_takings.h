#pragma once
// What one operator took in: the posted documents' amounts summed in one statement over the
// header (PQXT20) and detail (PQXT21) files, instead of a walk that reads a detail row per header.
#include <cstdint>
#include <string_view>
#include <vector>

#include "data/file_manager.h"
#include "util/decimal.h"

namespace tavlo {

// The sum of the amounts (PT20:AMOUNT) of the operator's documents of one pay method and one
// transaction type.
struct TakingsSum {
    std::uint8_t payMethod = 0;
    std::uint16_t tranType = 0;
    Decimal amount;
};

// The operator's posted documents summed by pay method and transaction type, in no set order.
// A document is the operator's when REFERENCE2 of its first detail row in DocumentNoKey order is
// the operator number (trailing blanks ignored); a document without detail rows, or whose first
// row carries no operator, is nobody's; a blank operator number matches no document.
// Both tables must be open (their use registered). The read runs on the context's transaction
// connection with the two files attached; inside a transaction both tables must be in it. A
// failure is told like a managed read's (message 1, or 45 for a table not opened) and stays on
// the manager of the table concerned, PQXT20's for the statement (errorCode(), errorText()).
[[nodiscard]] Level operatorTakings(Context& ctx, std::string_view operatorNo, std::vector<TakingsSum>& out);

}  // namespace tavlo
