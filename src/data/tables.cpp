// The table definitions and relations of the data dictionary.
#include "data/tables.h"

#include <memory>
#include <stdexcept>

#include "data/define_table.h"
#include "util/text.h"

namespace tavlo {

namespace {

struct Dictionary {
#define TAVLO_TABLE_MEMBER(NAME, LABEL, PREFIX, FILE, FIELDS, KEYS) TableDef NAME;
    TAVLO_TABLES(TAVLO_TABLE_MEMBER)
#undef TAVLO_TABLE_MEMBER
    std::vector<const TableDef*> order;
    std::vector<const RelationDef*> relations;

    Dictionary() {
#define TAVLO_DEFINE_TABLE(NAME, LABEL, PREFIX, FILE, FIELDS, KEYS)                               \
    {                                                                                              \
        using Self = LABEL;                                                                        \
        NAME = defineTable<Self>(#LABEL, #PREFIX, FILE, #LABEL, {FIELDS(TAVLO_FIELD_DEF)},         \
                                 {KEYS(TAVLO_KEY_DEF)});                                           \
        order.push_back(&NAME);                                                                    \
    }
        // FilesInit order: the list's.
        TAVLO_TABLES(TAVLO_DEFINE_TABLE)
#undef TAVLO_DEFINE_TABLE

        using enum RelAction;
        // Parent side, in registration order.
        relate(H20, H21, {{"DOCUMENTNO", "DOCUMENTNO"}}, "DocumentNoKey", None, Cascade);
        relate(T20, T21, {{"DOCUMENTNO", "DOCUMENTNO"}}, "DocumentNoKey", Cascade, Cascade);
        relate(A30, A301, {{"ACCNUMBER", "ACCNUMBER"}}, "AccNumberKey", Cascade, Restrict);
        relate(V01, T21, {{"VATCODE", "VATCODE"}}, "VatCodeKey", Cascade, Restrict);
        relate(A40, A10, {{"TRADACCNUMBER", "TRADACCNUMBER"}}, "TradAccNumberKey", Cascade, Cascade);
        relate(A40, A30, {{"TRADACCNUMBER", "TRADACCNUMBER"}}, "TradAccNumberKey", Cascade, Restrict);
        relate(A301, T21, {{"ITEMCODE", "ITEMCODE"}}, "ItemCodeKey", Cascade, Restrict);
        relate(A11, T21, {{"SUBNUMBER", "SUBNUMBER"}}, "SubNumberKey", Cascade, Restrict);
        relate(A10, A30, {{"ACCNUMBER", "ACCNUMBER"}}, "AccNumberKey", Cascade, Cascade);
        relate(A10, T21, {{"ACCNUMBER", "ACCNUMBER"}}, "AccNumberKey", Cascade, Restrict);
        relate(A10, C10, {{"ACCNUMBER", "ACCNUMBER"}}, "AccNumberKey", Cascade, Cascade);
        relate(A10, V01, {{"ACCNUMBER", "ACCNUMBER"}}, "AccNumberKey", Cascade, Restrict);
        relate(A10, A11, {{"ACCNUMBER", "ACCNUMBER"}}, "AccNumberKey", Cascade, Restrict);

        // Indexes that are not keys: the cash-up reads each document's operator and the sums
        // of the operator's documents from them alone.
        T20.readIndexes.push_back({"TakingsIndex", {"PAYMETHOD", "TRANTYPENUMBER", "DOCUMENTNO", "AMOUNT"}});
        T21.readIndexes.push_back({"FirstRowIndex", {"DOCUMENTNO", "_pos", "REFERENCE2"}});

        // Child side lookup links, in the order each child registers them.
        lookups(H21, {&H20});
        lookups(T21, {&A301, &A10, &V01, &A11, &T20});
        lookups(A30, {&A40, &A10});
        lookups(C10, {&A10});
        lookups(V01, {&A10});
        lookups(A301, {&A30});
        lookups(A11, {&A10});
        lookups(A10, {&A40});
    }

    void relate(TableDef& parent, TableDef& child, std::vector<std::pair<std::string, std::string>> links,
                const char* childKey, RelAction onUpdate, RelAction onDelete) {
        relations.push_back(&addRelation(parent, child, links, childKey, onUpdate, onDelete, false));
    }

    void lookups(TableDef& child, std::vector<const TableDef*> parents) {
        for (const TableDef* p : parents)
            for (const RelationDef* r : relations)
                if (r->parent == p && r->child == &child) child.childRelations.push_back(r);
    }
};

Dictionary& dictionary() {
    static Dictionary d;
    return d;
}

}  // namespace

#define TAVLO_TABLE_ACCESS(NAME, LABEL, PREFIX, FILE, FIELDS, KEYS) \
    const TableDef& LABEL::table() { return dictionary().NAME; }
TAVLO_TABLES(TAVLO_TABLE_ACCESS)
#undef TAVLO_TABLE_ACCESS

const std::vector<const TableDef*>& dictionaryTables() { return dictionary().order; }

const TableDef* findTable(std::string_view name) {
    for (const TableDef* t : dictionary().order)
        if (equalsNoCase(t->label, name) || equalsNoCase(t->prefix, name)) return t;
    return nullptr;
}

}  // namespace tavlo
