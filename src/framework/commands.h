#pragma once
// The program's commands: the procedures that menus and other windows start by name. The
// table lives here, below every window layer, so a window can start one of a higher layer (the
// log-in starts the till, User Details the receipt printer set-up) without depending on it. The
// shell fills it at start-up (installCommands in shell/command_table.h); a command without a
// procedure shows a short notice instead.
#include <string>

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
// Started by other windows rather than a menu.
inline constexpr const char* kTillScreen = "BrowsePointOfSale";
inline constexpr const char* kReceiptPrinterSetup = "ReceiptPrinterSetup";

// The factory for a command; nullptr while its procedure is not there.
ProcedureFactory commandFactory(const std::string& procedure);
// Replaces or adds a command's factory; nullptr removes it (tests put in small procedures of
// their own this way).
void setCommandFactory(const std::string& procedure, ProcedureFactory factory);
// Adds a command's factory unless one is already set.
void addCommandFactory(const std::string& procedure, ProcedureFactory factory);

}  // namespace tavlo
