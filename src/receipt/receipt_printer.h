#pragma once
// The till's receipt printer and cash drawer, as the windows use them. Each call reads the
// [Receipt] settings of the context's data folder. A failure is told in one message box (after
// at most the settings' time limit) and never undoes what was posted: the slip can be printed
// again from the reprint list.
#include <cstdint>
#include <string>

#include "data/file_manager.h"
#include "pos/till_state.h"
#include "receipt/receipt.h"
#include "receipt/receipt_settings.h"

namespace tavlo {
class Runtime;
}

namespace tavlo::receipt {

ReceiptSettings settingsOf(Context& ctx);

// Sends a receipt; with kickDrawer (and the drawer switched on) the drawer opens after the cut.
// False when it failed (the operator was told).
bool printReceipt(Runtime& runtime, const ReceiptSettings& settings, const Receipt& receipt, bool kickDrawer);
// The drawer pulse alone. False when it failed (the operator was told).
bool kickDrawer(Runtime& runtime, const ReceiptSettings& settings);

// The slip of a sale just posted, on the receipt printer, and the drawer kicked when it was paid
// in cash. False when no receipt printer is set: the caller shows the page slip instead.
bool printSaleOnReceiptPrinter(Runtime& runtime, Context& ctx, const SlipArgs& args);
// The tab slip of a visit; false when no receipt printer is set.
bool printTabOnReceiptPrinter(Runtime& runtime, Context& ctx, std::uint32_t owner, std::uint32_t documentNo,
                              std::uint16_t salesNumber);
// A posted document again from history, marked "(Copy)"; false when no receipt printer is set.
bool reprintOnReceiptPrinter(Runtime& runtime, Context& ctx, std::uint32_t documentNo);

// "No Sale / Open Drawer": the supervisor password (the stored one or the master password),
// an audit entry, then the drawer. False when the password was not given or the drawer failed.
bool noSale(Runtime& runtime, Context& ctx, const std::string& supervisorPassword);

}  // namespace tavlo::receipt
