#pragma once
// The texts the posting routines write into the tables and show in their message boxes.
#include <string>
#include <string_view>

namespace tavlo::posting_texts {

// PT20:TRANDESC of a sale and of a rounding document.
std::string_view saleDescription();
std::string_view roundingDescription();

// "Warning!" box of a failed item-row or rounding-row add (English in both languages).
std::string detailAddFailed(std::string_view errorText);

// Boxes of a posting that wrote nothing.
std::string warningTitle();
std::string lockedOut();
std::string noSalesNumber();
std::string tillNotOpened(std::string_view errorText);
std::string discardSaleQuestion();
std::string leftLinesTakenUp();
std::string tabOpenElsewhere();
std::string tabWithoutOwner();
std::string notPosted(std::string_view errorText);
// ClearV60 / ClearV61: "Delete Error - " and the storage error text.
std::string deleteError(std::string_view errorText);

}  // namespace tavlo::posting_texts
