#pragma once
// The supervisor audit trail: one row per supervisor action (a credit note authorised, a price
// changed, the master password used, a line deleted, a sale discarded at Close, the drawer
// opened without a sale), kept in its own table in the data folder. Rows are only ever added.
#include <cstdint>
#include <string>
#include <string_view>

#include "data/define_table.h"
#include "util/date.h"

namespace tavlo {

#define TAVLO_AUDIT_FIELDS(F)        \
    F(ENTRYNO, ULONG, 4, 0)          \
    F(AUDITDATE, LONG, 4, 0)         \
    F(AUDITTIME, LONG, 4, 0)         \
    F(OPERATORNO, STRING, 3, 0)      \
    F(SOURCE, BYTE, 1, 0)            \
    F(ACTION, BYTE, 1, 0)            \
    F(DOCUMENT, STRING, 20, 0)       \
    F(OLDVALUE, STRING, 20, 0)       \
    F(NEWVALUE, STRING, 20, 0)       \
    F(COMPUTER, STRING, 20, 0)

#define TAVLO_AUDIT_KEYS(K)                                          \
    K(EntryNoKey, Unique | Keep | Primary | Auto, ENTRYNO)           \
    K(DateKey, Dup | Keep, AUDITDATE, AUDITTIME)

TAVLO_DECLARE_TABLE(PQXAUDIT, PAUD, TAVLO_AUDIT_FIELDS, TAVLO_AUDIT_KEYS)

// How supervisor mode was reached. Stored numbers: never renumber.
enum class SupervisorSource : std::uint8_t { None = 0, OwnPassword = 1, MasterPassword = 2 };

// What happened. Stored numbers: never renumber.
enum class AuditAction : std::uint8_t {
    CreditNote = 1,      // a credit note authorised
    PriceChanged = 2,    // a selling price changed (document: the item code)
    MasterPassword = 3,  // the master password was used
    LineDeleted = 4,     // a working line deleted in supervisor mode
    SaleDiscarded = 5,   // a sale's lines discarded at Close
    NoSale = 6,          // the cash drawer opened without a sale
    SupervisorMode = 7,  // supervisor mode switched on
    MasterChanged = 8,   // the master password changed or switched off (new value: "changed"/"off")
};

struct AuditEntry {
    AuditAction action = AuditAction::SupervisorMode;
    SupervisorSource source = SupervisorSource::None;
    std::string document{};  // a document reference or an item code
    std::string oldValue{};
    std::string newValue{};
    std::string operatorNo{};  // blank: the context's operator
    DayNumber date = 0;      // 0: today
    TimeOfDay time = -1;     // negative: now
};

// Adds the entry (numbered after the last one). False when it could not be stored; nothing is
// shown, the caller decides what to tell.
bool writeAudit(Context& ctx, const AuditEntry& entry);

// The texts of an action and a source in the current language.
std::string auditActionText(int action);
std::string supervisorSourceText(int source);

}  // namespace tavlo
