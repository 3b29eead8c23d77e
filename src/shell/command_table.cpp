#include "shell/command_table.h"

#include <mutex>

#include "debtors/debtor_payment.h"
#include "exchange/delete_transactions.h"
#include "exchange/pos_backups.h"
#include "exchange/pos_restore.h"
#include "framework/commands.h"
#include "operators/operators.h"
#include "operators/user_details.h"
#include "pos/point_of_sale.h"
#include "receipt/printer_window.h"
#include "reports/audit_report.h"
#include "pos/select_cash_slip.h"

namespace tavlo {

void installCommands() {
    static std::once_flag once;
    std::call_once(once, [] {
        addCommandFactory(kPointOfSale, [] { return std::make_unique<OperatorPassword>(); });
        addCommandFactory(kTillScreen, [] { return std::make_unique<BrowsePointOfSale>(); });
        addCommandFactory(kOperators, [] { return std::make_unique<OperatorsSupPassword>(); });
        addCommandFactory(kUserDetails, [] { return std::make_unique<UserDetails>(); });
        addCommandFactory(kReceiptPrinterSetup, [] { return std::make_unique<receipt::ReceiptPrinterSetup>(); });
        addCommandFactory(kExport, [] { return std::make_unique<POSBackups>(); });
        addCommandFactory(kImport, [] { return std::make_unique<POSRestore>(); });
        addCommandFactory(kReprintCashSlip, [] { return std::make_unique<report::SelectCashSlip>(); });
        addCommandFactory(kDebtorPayment, [] { return std::make_unique<DebtorPayment>(); });
        addCommandFactory(kDeleteTransactions, [] { return std::make_unique<DeleteTransactions>(); });
        addCommandFactory(kAuditTrail, [] { return std::make_unique<report::AuditTrail>(); });
    });
}

}  // namespace tavlo
