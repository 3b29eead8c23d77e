#pragma once
// Building a TableDef from the field and key lists of a table declaration (see tables.h).
// Any module with tables of its own declares them the same way:
//
//   #define MY_FIELDS(F) F(CODE, STRING, 10, 0) F(AMOUNT, DECIMAL, 7, 2)
//   #define MY_KEYS(K)   K(CodeKey, Unique | Keep | Primary, CODE)
//   TAVLO_DECLARE_TABLE(MYTABLE, MYT, MY_FIELDS, MY_KEYS)          // in a header
//   const TableDef& MYTABLE::table() {                              // in a .cpp
//       static TableDef def = defineTable<MYTABLE>("MYTABLE", "MYT", "MyFile", "MYTABLE",
//                                                  {MY_FIELDS(TAVLO_FIELD_DEF)}, {MY_KEYS(TAVLO_KEY_DEF)});
//       return def;
//   }
#include <string>
#include <vector>

#include "data/dictionary.h"
#include "data/file_manager.h"

namespace tavlo {

struct KeySpec {
    const char* name;
    unsigned flags;
    const char* components;  // "ACCNUMBER, TRANSDATE"
};

// Fills in offsets, key components, record operations and a process-wide id. Throws
// std::logic_error when a key names a field the table does not have.
void finishTable(TableDef& def, std::vector<KeySpec> keys);

// Registers a relation on its parent's side (update and delete actions, in call order) and as a
// lookup link on its child's side. Links name fields; childKey names a key of the child.
const RelationDef& addRelation(TableDef& parent, TableDef& child,
                               const std::vector<std::pair<std::string, std::string>>& links,
                               const std::string& childKey, RelAction onUpdate, RelAction onDelete,
                               bool childLookup = true);

template <class T>
TableDef defineTable(std::string label, std::string prefix, std::string fileName, std::string sqlName,
                     std::vector<FieldDef> fields, std::vector<KeySpec> keys) {
    TableDef def;
    def.label = std::move(label);
    def.prefix = std::move(prefix);
    def.fileName = std::move(fileName);
    def.sqlName = std::move(sqlName);
    def.fields = std::move(fields);
    def.newRecord = []() -> void* { return new T(); };
    def.deleteRecord = [](void* r) { delete static_cast<T*>(r); };
    def.copyRecord = [](void* d, const void* s) { *static_cast<T*>(d) = *static_cast<const T*>(s); };
    def.clearRecord = [](void* r) { *static_cast<T*>(r) = T(); };
    def.equalRecords = [](const void* a, const void* b) { return *static_cast<const T*>(a) == *static_cast<const T*>(b); };
    def.makeFileManager = [](Context& ctx) -> std::unique_ptr<FileManagerBase> {
        return std::make_unique<FileManager<T>>(ctx);
    };
    finishTable(def, std::move(keys));
    return def;
}

}  // namespace tavlo

#define TAVLO_FIELD_DEF(NAME, KIND, BYTES, PLACES)                                                   \
    ::tavlo::FieldDef{#NAME, ::tavlo::FieldKind::KIND, BYTES, PLACES,                                \
                      [](void* r) -> ::tavlo::FieldRef { return &static_cast<Self*>(r)->NAME; }, 0},
#define TAVLO_KEY_DEF(NAME, FLAGS, ...) \
    ::tavlo::KeySpec{#NAME, [] { using namespace ::tavlo::keyflags; return unsigned(FLAGS); }(), #__VA_ARGS__},
