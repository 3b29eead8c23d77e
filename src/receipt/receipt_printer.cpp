#include "receipt/receipt_printer.h"

#include "framework/message.h"
#include "framework/runtime.h"
#include "operators/audit.h"
#include "operators/sup_password.h"
#include "receipt/escpos.h"
#include "state/globals.h"

namespace tavlo::receipt {
namespace {

// What was kept although its slip did not print.
enum class Kept { Nothing, Sale, Tab };

void tell(Runtime& runtime, const std::string& text, Kept kept) {
    MessageRequest box;
    box.title = std::string(byLanguage("Strokiesdrukker", "Receipt printer"));
    box.text = text;
    if (kept == Kept::Sale)
        box.text += std::string(byLanguage("|Die verkoop is geboek. Druk die strokie weer uit die herdruklys.",
                                           "|The sale is posted. Print the slip again from the reprint list."));
    else if (kept == Kept::Tab)
        box.text += std::string(byLanguage("|Die items is op die rekening gestoor.", "|The items are stored on the tab."));
    box.icon = Icon::Exclamation;
    box.buttons = ButtonOk;
    box.defaultButton = ButtonOk;
    runtime.message(box);
}

bool send(Runtime& runtime, const ReceiptSettings& settings, const std::string& bytes, Kept slip) {
    if (!settings.valid) {
        tell(runtime, std::string(byLanguage("Die strokiesdrukker se instelling (Printer=) is nie reg nie.",
                                             "The receipt printer setting (Printer=) is not understood.")),
             slip);
        return false;
    }
    SendResult result = sendToPrinter(settings.printer, bytes, settings.timeout);
    if (!result.ok) tell(runtime, result.error, slip);
    return result.ok;
}

}  // namespace

ReceiptSettings settingsOf(Context& ctx) { return readReceiptSettings(receiptSettingsFile(ctx.folder())); }

bool printReceipt(Runtime& runtime, const ReceiptSettings& settings, const Receipt& receipt, bool kick) {
    const Kept slip = receipt.kind == ReceiptKind::Cash || receipt.kind == ReceiptKind::Debtor ? Kept::Sale
                      : receipt.kind == ReceiptKind::Tab                                     ? Kept::Tab
                                                                                             : Kept::Nothing;
    return send(runtime, settings, renderReceipt(receipt, settings.format, kick && settings.drawer), slip);
}

bool kickDrawer(Runtime& runtime, const ReceiptSettings& settings) {
    return send(runtime, settings, drawerJob(settings.format), Kept::Nothing);
}

bool printSaleOnReceiptPrinter(Runtime& runtime, Context& ctx, const SlipArgs& args) {
    ReceiptSettings settings = settingsOf(ctx);
    if (!settings.active() && settings.valid) return false;
    Receipt r = saleReceipt(ctx, {args.documentNo, args.verskil, args.paid, args.change, args.creditNote}, !args.cashSale);
    printReceipt(runtime, settings, r, r.cashSale());
    return true;
}

bool printTabOnReceiptPrinter(Runtime& runtime, Context& ctx, std::uint32_t owner, std::uint32_t documentNo,
                              std::uint16_t salesNumber) {
    ReceiptSettings settings = settingsOf(ctx);
    if (!settings.active() && settings.valid) return false;
    printReceipt(runtime, settings, tabReceipt(ctx, owner, documentNo, salesNumber), false);
    return true;
}

bool reprintOnReceiptPrinter(Runtime& runtime, Context& ctx, std::uint32_t documentNo) {
    ReceiptSettings settings = settingsOf(ctx);
    if (!settings.active() && settings.valid) return false;
    printReceipt(runtime, settings, reprintReceipt(ctx, documentNo), false);
    return true;
}

bool noSale(Runtime& runtime, Context& ctx, const std::string& supervisorPassword) {
    std::uint8_t ok = 0;
    SupPassword prompt(ok, supervisorPassword);
    runtime.run(prompt);
    if (ok != 1) return false;
    const SupervisorSource source = prompt.masterUsed() ? SupervisorSource::MasterPassword : SupervisorSource::OwnPassword;
    ReceiptSettings settings = settingsOf(ctx);
    const bool opened = settings.active() && kickDrawer(runtime, settings);
    if (!settings.active())
        tell(runtime, std::string(byLanguage("Geen strokiesdrukker met 'n kontantlaai is gekies nie.",
                                             "No receipt printer with a cash drawer is set.")),
             Kept::Nothing);
    // The entry is written whether or not the drawer answered: the supervisor asked for it.
    AuditEntry entry{.action = AuditAction::NoSale, .source = source, .newValue = opened ? "opened" : "failed"};
    if (!writeAudit(ctx, entry))
        tell(runtime, std::string(byLanguage("Die ouditinskrywing kon nie gestoor word nie.",
                                             "The audit entry could not be stored.")),
             Kept::Nothing);
    return opened;
}

}  // namespace tavlo::receipt
