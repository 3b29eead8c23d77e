#pragma once
// The transaction types a posted document carries (PT20:TRANTYPENUMBER), as the accounting
// package books them, and the one rule the reports share about them.
#include <cstdint>

namespace tavlo::trantype {

inline constexpr std::uint16_t kCardSale = 4;          // paid by credit card
inline constexpr std::uint16_t kCashSale = 5;          // paid in cash or by cheque
inline constexpr std::uint16_t kCashCreditNote = 7;    // a credit note settled at the till, and a rounding document
inline constexpr std::uint16_t kDebtorPayment = 10;    // a debtor paying on account
inline constexpr std::uint16_t kDebtorSale = 35;       // booked to a debtor's account
inline constexpr std::uint16_t kDebtorCreditNote = 39; // a credit note booked to a debtor's account

// Credit notes are stored with positive amounts and reduce the takings.
constexpr bool isCreditNote(int tranType) { return tranType == kCashCreditNote || tranType == kDebtorCreditNote; }

}  // namespace tavlo::trantype
