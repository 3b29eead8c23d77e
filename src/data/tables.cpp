// The table definitions and relations of the data dictionary.
#include "data/tables.h"

#include <memory>
#include <stdexcept>

#include "data/define_table.h"
#include "util/text.h"

namespace tavlo {

namespace {

struct Dictionary {
    TableDef V60, V61, T20, T21, H20, H21, A10, A11, A30, A301, A40, C10, C11, V01, S10, O10, CS10;
    std::vector<const TableDef*> order;
    std::vector<const RelationDef*> relations;

    Dictionary() {
#define TAVLO_TABLE(MEMBER, LABEL, PREFIX, FILE, FIELDS, KEYS)                                     \
    {                                                                                              \
        using Self = LABEL;                                                                        \
        MEMBER = defineTable<LABEL>(#LABEL, #PREFIX, FILE, #LABEL, {FIELDS(TAVLO_FIELD_DEF)},      \
                                    {KEYS(TAVLO_KEY_DEF)});                                        \
    }
        TAVLO_TABLE(V60, PQXV60, PV60, "PQxV60", TAVLO_V6X_FIELDS, TAVLO_V6X_KEYS)
        TAVLO_TABLE(V61, PQXV61, PV61, "PQxV61", TAVLO_V6X_FIELDS, TAVLO_V6X_KEYS)
        TAVLO_TABLE(T20, PQXT20, PT20, "PQxT20", TAVLO_X20_FIELDS, TAVLO_X20_KEYS)
        TAVLO_TABLE(T21, PQXT21, PT21, "PQxT21", TAVLO_X21_FIELDS, TAVLO_T21_KEYS)
        TAVLO_TABLE(H20, PQXH20, PH20, "PQxH20", TAVLO_H20_FIELDS, TAVLO_X20_KEYS)
        TAVLO_TABLE(H21, PQXH21, PH21, "PQxH21", TAVLO_X21_FIELDS, TAVLO_H21_KEYS)
        TAVLO_TABLE(A10, PQXA10, PA10, "PQxA10", TAVLO_A10_FIELDS, TAVLO_A10_KEYS)
        TAVLO_TABLE(A11, PQXA11, PA11, "PQxA11", TAVLO_A11_FIELDS, TAVLO_A11_KEYS)
        TAVLO_TABLE(A30, PQXA30, PA30, "PQxA30", TAVLO_A30_FIELDS, TAVLO_A30_KEYS)
        TAVLO_TABLE(A301, PQXA301, PA301, "PQxA301", TAVLO_A301_FIELDS, TAVLO_A301_KEYS)
        TAVLO_TABLE(A40, PQXA40, PA40, "PQxA40", TAVLO_A40_FIELDS, TAVLO_A40_KEYS)
        TAVLO_TABLE(C10, PQXC10, PC10, "PQxC10", TAVLO_C10_FIELDS, TAVLO_C10_KEYS)
        TAVLO_TABLE(C11, PQXC11, PC11, "PQxC11", TAVLO_C11_FIELDS, TAVLO_C11_KEYS)
        TAVLO_TABLE(V01, PQXV01, PV01, "PQxV01", TAVLO_V01_FIELDS, TAVLO_V01_KEYS)
        TAVLO_TABLE(S10, PQXS10, PS10, "PQxS10", TAVLO_S10_FIELDS, TAVLO_S10_KEYS)
        TAVLO_TABLE(O10, PQXO10, PO10, "PQxO10", TAVLO_O10_FIELDS, TAVLO_O10_KEYS)
        TAVLO_TABLE(CS10, PACS10, PCS10, "PAcS10", TAVLO_CS10_FIELDS, TAVLO_CS10_KEYS)
#undef TAVLO_TABLE

        // FilesInit order: PACS10 first, PQXV61 last.
        order = {&CS10, &A10, &A11, &A30, &A301, &A40, &C10, &C11, &V01, &S10, &O10, &H20, &H21, &T20, &T21, &V60, &V61};

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

const TableDef& PQXV60::table() { return dictionary().V60; }
const TableDef& PQXV61::table() { return dictionary().V61; }
const TableDef& PQXT20::table() { return dictionary().T20; }
const TableDef& PQXT21::table() { return dictionary().T21; }
const TableDef& PQXH20::table() { return dictionary().H20; }
const TableDef& PQXH21::table() { return dictionary().H21; }
const TableDef& PQXA10::table() { return dictionary().A10; }
const TableDef& PQXA11::table() { return dictionary().A11; }
const TableDef& PQXA30::table() { return dictionary().A30; }
const TableDef& PQXA301::table() { return dictionary().A301; }
const TableDef& PQXA40::table() { return dictionary().A40; }
const TableDef& PQXC10::table() { return dictionary().C10; }
const TableDef& PQXC11::table() { return dictionary().C11; }
const TableDef& PQXV01::table() { return dictionary().V01; }
const TableDef& PQXS10::table() { return dictionary().S10; }
const TableDef& PQXO10::table() { return dictionary().O10; }
const TableDef& PACS10::table() { return dictionary().CS10; }

const std::vector<const TableDef*>& dictionaryTables() { return dictionary().order; }

const TableDef* findTable(std::string_view name) {
    for (const TableDef* t : dictionary().order)
        if (equalsNoCase(t->label, name) || equalsNoCase(t->prefix, name)) return t;
    return nullptr;
}

}  // namespace tavlo
