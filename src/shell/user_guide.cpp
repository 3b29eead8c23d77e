#include "shell/user_guide.h"

#include <utility>
#include <vector>

#include "framework/message.h"
#include "framework/runtime.h"
#include "state/globals.h"
#include "util/platform.h"

namespace tavlo {

namespace {

constexpr std::pair<std::string_view, std::string_view> kPages[] = {
    {"OperatorPassword", "login"},
    {"SelectOperators", "login"},
    {"AccessLogin", "login"},
    {"BrowsePointOfSale", "till"},
    {"SelectInventory", "till"},
    {"SupPassword", "till"},
    {"SelectA10Debtors", "till"},
    {"PaymentMethod", "payment"},
    {"SelectCashClient", "tabs"},
    {"SelectA10DebtorsTag", "tabs"},
    {"PrintTag", "tabs"},
    {"AskDailyCashup", "cashup"},
    {"PrintDailyCashup", "cashup"},
    {"OperatorsSupPassword", "operators"},
    {"CreateOperators", "operators"},
    {"UserDetails", "user-details"},
    {"MasterPassword", "user-details"},
    {"POSBackups", "export-import"},
    {"POSRestore", "export-import"},
    {"DeleteTransactions", "export-import"},
    {"DebtorPayment", "debtor-payment"},
    {"SelectCashSlip", "reprint"},
    {"AuditTrail", "audit-trail"},
    {"PrintAuditTrail", "audit-trail"},
    {"ReceiptPrinterSetup", "receipt-printer"},
    {"Main", "index"},
};

}  // namespace

std::string_view guidePageOf(std::string_view procedureName) {
    for (const auto& [procedure, page] : kPages)
        if (procedure == procedureName) return page;
    return "index";
}

std::vector<std::filesystem::path> guideFolders(Platform& platform) {
    return {platform.executableDirectory() / "guide", "/usr/share/doc/tavlo/guide"};
}

std::optional<std::filesystem::path> findGuidePage(Platform& platform, std::string_view page, int language) {
    const std::string file = std::string(page) + ".html";
    std::vector<std::string_view> languages{"en"};
    if (language == kAfrikaans) languages.insert(languages.begin(), "af");
    std::error_code ec;
    for (std::string_view lang : languages)
        for (const auto& folder : guideFolders(platform)) {
            std::filesystem::path candidate = folder / lang / file;
            if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
        }
    return std::nullopt;
}

std::string guideMissingText(Platform& platform) {
    std::string text(byLanguage("Die gebruikersgids kan nie gevind word nie. Gesoek in:",
                                "The user guide cannot be found. Looked in:"));
    for (const auto& folder : guideFolders(platform)) text += "|" + folder.string();
    return text;
}

bool openGuidePage(Runtime& runtime, Platform& platform, std::string_view page, int language) {
    if (auto found = findGuidePage(platform, page, language)) {
        runtime.showHelp(found->string());
        return true;
    }
    // Help never does nothing: without the guide, the operator is told where it was looked for.
    MessageRequest m;
    m.title = std::string(byLanguage("Hulp", "Help"));
    m.text = guideMissingText(platform);
    m.icon = Icon::Exclamation;
    runtime.message(m);
    return false;
}

}  // namespace tavlo
