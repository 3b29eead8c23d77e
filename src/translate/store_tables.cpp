#include "translate/store_tables.h"

namespace tavlo {

namespace {
// One file holds all six; within it each table has its own name.
constexpr const char* kFile = "POSlan";

struct StoreTables {
    TableDef pro100, pro101, pro102, pro103, pro104, pro110;
    StoreTables() {
        { using Self = PRO100; pro100 = defineTable<PRO100>("PRO100", "F100", kFile, "pro100", {TAVLO_PRO100_FIELDS(TAVLO_FIELD_DEF)}, {TAVLO_PRO100_KEYS(TAVLO_KEY_DEF)}); }
        { using Self = PRO101; pro101 = defineTable<PRO101>("PRO101", "F101", kFile, "pro101", {TAVLO_PRO101_FIELDS(TAVLO_FIELD_DEF)}, {TAVLO_PRO101_KEYS(TAVLO_KEY_DEF)}); }
        { using Self = PRO102; pro102 = defineTable<PRO102>("PRO102", "F102", kFile, "pro102", {TAVLO_PRO102_FIELDS(TAVLO_FIELD_DEF)}, {TAVLO_PRO102_KEYS(TAVLO_KEY_DEF)}); }
        { using Self = PRO103; pro103 = defineTable<PRO103>("PRO103", "F103", kFile, "pro103", {TAVLO_PRO103_FIELDS(TAVLO_FIELD_DEF)}, {TAVLO_PRO103_KEYS(TAVLO_KEY_DEF)}); }
        { using Self = PRO104; pro104 = defineTable<PRO104>("PRO104", "F104", kFile, "pro104", {TAVLO_PRO104_FIELDS(TAVLO_FIELD_DEF)}, {TAVLO_PRO104_KEYS(TAVLO_KEY_DEF)}); }
        { using Self = PRO110; pro110 = defineTable<PRO110>("PRO110", "F110", kFile, "pro110", {TAVLO_PRO110_FIELDS(TAVLO_FIELD_DEF)}, {TAVLO_PRO110_KEYS(TAVLO_KEY_DEF)}); }
    }
};
StoreTables& tables() {
    static StoreTables t;
    return t;
}
}  // namespace

const TableDef& PRO100::table() { return tables().pro100; }
const TableDef& PRO101::table() { return tables().pro101; }
const TableDef& PRO102::table() { return tables().pro102; }
const TableDef& PRO103::table() { return tables().pro103; }
const TableDef& PRO104::table() { return tables().pro104; }
const TableDef& PRO110::table() { return tables().pro110; }

const std::vector<const TableDef*>& languageStoreTables() {
    static const std::vector<const TableDef*> all = {&PRO100::table(), &PRO101::table(), &PRO102::table(),
                                                     &PRO103::table(), &PRO104::table(), &PRO110::table()};
    return all;
}

}  // namespace tavlo
