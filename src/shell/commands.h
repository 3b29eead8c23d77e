#pragma once
// The main frame's commands and the procedures they start. Each subsystem adds its own in
// commands.cpp; a command without a procedure shows a short notice instead.
#include <string>
#include <vector>

#include "framework/runtime.h"

namespace tavlo {

// The commands of the main frame's menus, by the name of the procedure they start.
inline constexpr const char* kUserDetails = "UserDetails";
inline constexpr const char* kOperators = "OperatorsSupPassword";
inline constexpr const char* kExport = "POSBackups";
inline constexpr const char* kImport = "POSRestore";
inline constexpr const char* kPointOfSale = "OperatorPassword";
inline constexpr const char* kDebtorPayment = "DebtorPayment";
inline constexpr const char* kDeleteTransactions = "DeleteTransactions";
inline constexpr const char* kReprintCashSlip = "SelectCashSlip";
inline constexpr const char* kAuditTrail = "AuditTrail";

// The factory for a command; nullptr while its procedure is not built.
ProcedureFactory commandFactory(const std::string& procedure);
// Replaces or adds a command's factory (tests use it to put in a small procedure of their own).
void setCommandFactory(const std::string& procedure, ProcedureFactory factory);

}  // namespace tavlo
