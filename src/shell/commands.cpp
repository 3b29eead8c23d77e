#include "shell/commands.h"

#include <map>
#include <mutex>

#include "debtors/debtor_payment.h"
#include "exchange/delete_transactions.h"
#include "exchange/pos_backups.h"
#include "exchange/pos_restore.h"
#include "operators/operators.h"
#include "operators/user_details.h"
#include "reports/audit_report.h"
#include "reports/select_cash_slip.h"

namespace tavlo {

namespace {
// Add a line here when a command's procedure lands:
//     {kPointOfSale, [] { return std::make_unique<OperatorPassword>(); }},
std::map<std::string, ProcedureFactory> builtIn() {
    return {
        {kPointOfSale, [] { return std::make_unique<OperatorPassword>(); }},
        {kOperators, [] { return std::make_unique<OperatorsSupPassword>(); }},
        {kUserDetails, [] { return std::make_unique<UserDetails>(); }},
        {kExport, [] { return std::make_unique<POSBackups>(); }},
        {kImport, [] { return std::make_unique<POSRestore>(); }},
        {kReprintCashSlip, [] { return std::make_unique<report::SelectCashSlip>(); }},
        {kDebtorPayment, [] { return std::make_unique<DebtorPayment>(); }},
        {kDeleteTransactions, [] { return std::make_unique<DeleteTransactions>(); }},
        {kAuditTrail, [] { return std::make_unique<report::AuditTrail>(); }},
    };
}

std::mutex& lock() {
    static std::mutex m;
    return m;
}

std::map<std::string, ProcedureFactory>& table() {
    static std::map<std::string, ProcedureFactory> t = builtIn();
    return t;
}
}  // namespace

ProcedureFactory commandFactory(const std::string& procedure) {
    std::lock_guard guard(lock());
    auto it = table().find(procedure);
    return it == table().end() ? nullptr : it->second;
}

void setCommandFactory(const std::string& procedure, ProcedureFactory factory) {
    std::lock_guard guard(lock());
    if (factory) table()[procedure] = std::move(factory);
    else table().erase(procedure);
}

}  // namespace tavlo
