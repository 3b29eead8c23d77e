#include "operators/audit.h"

#include "state/globals.h"
#include "util/text.h"

namespace tavlo {

const TableDef& PQXAUDIT::table() {
    static TableDef def = [] {
        using Self = PQXAUDIT;
        return defineTable<PQXAUDIT>("PQXAUDIT", "PAUD", "PQxAudit", "PQXAUDIT", {TAVLO_AUDIT_FIELDS(TAVLO_FIELD_DEF)},
                                     {TAVLO_AUDIT_KEYS(TAVLO_KEY_DEF)});
    }();
    return def;
}

bool writeAudit(Context& ctx, const AuditEntry& entry) {
    auto& audit = ctx.access<PQXAUDIT>();
    audit.UseFile();
    audit.clearBuffer();
    PQXAUDIT& r = audit.rec;
    r.AUDITDATE = entry.date != 0 ? entry.date : today();
    r.AUDITTIME = entry.time >= 0 ? entry.time : timeNow();
    r.OPERATORNO = entry.operatorNo.empty() ? ctx.OPERATOR.str() : entry.operatorNo;
    r.SOURCE = static_cast<std::uint8_t>(entry.source);
    r.ACTION = static_cast<std::uint8_t>(entry.action);
    r.DOCUMENT = entry.document;
    r.OLDVALUE = entry.oldValue;
    r.NEWVALUE = entry.newValue;
    r.COMPUTER = clip(GLO.COMPUTERNAME.str());
    // Auto-numbered inside the driver's own unit: two tills adding at once get two numbers.
    bool ok = audit.TryInsert() == LevelBenign;
    audit.Close();
    return ok;
}

std::string auditActionText(int action) {
    switch (static_cast<AuditAction>(action)) {
        case AuditAction::CreditNote: return std::string(byLanguage("Kredietnota gemagtig", "Credit note authorised"));
        case AuditAction::PriceChanged: return std::string(byLanguage("Prys verander", "Price changed"));
        case AuditAction::MasterPassword: return std::string(byLanguage("Meesterwagwoord gebruik", "Master password used"));
        case AuditAction::LineDeleted: return std::string(byLanguage("Lyn geskrap", "Line deleted"));
        case AuditAction::SaleDiscarded: return std::string(byLanguage("Verkoop weggegooi by Sluit", "Sale discarded at Close"));
        case AuditAction::NoSale: return std::string(byLanguage("Geen verkoop: laai oopgemaak", "No sale: drawer opened"));
        case AuditAction::SupervisorMode: return std::string(byLanguage("Toesighouermodus", "Supervisor mode"));
        case AuditAction::MasterChanged:
            return std::string(byLanguage("Meesterwagwoord verander", "Master password changed"));
    }
    return std::to_string(action);
}

std::string supervisorSourceText(int source) {
    switch (static_cast<SupervisorSource>(source)) {
        case SupervisorSource::None: return {};
        case SupervisorSource::OwnPassword: return std::string(byLanguage("Eie wagwoord", "Own password"));
        case SupervisorSource::MasterPassword: return std::string(byLanguage("Meesterwagwoord", "Master password"));
    }
    return std::to_string(source);
}

}  // namespace tavlo
