#pragma once
// What a table is: its fields, keys and relations, declared once per table (see tables.h).
// Record structs, the SQLite schema, indexes and relation actions are all derived from this.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "util/decimal.h"
#include "util/text.h"

namespace tavlo {

// Stored field types of the record layouts.
// MEMO holds bytes, not text: up to its size, stored as they are (never cut at a character,
// never trimmed), for binary contents such as the language store's window definitions.
enum class FieldKind : std::uint8_t { BYTE, SHORT, USHORT, LONG, ULONG, SREAL, REAL, STRING, CSTRING, DECIMAL, MEMO };

template <FieldKind K> struct FieldCType;
template <> struct FieldCType<FieldKind::BYTE> { using type = std::uint8_t; };
template <> struct FieldCType<FieldKind::SHORT> { using type = std::int16_t; };
template <> struct FieldCType<FieldKind::USHORT> { using type = std::uint16_t; };
template <> struct FieldCType<FieldKind::LONG> { using type = std::int32_t; };
template <> struct FieldCType<FieldKind::ULONG> { using type = std::uint32_t; };
template <> struct FieldCType<FieldKind::SREAL> { using type = float; };
template <> struct FieldCType<FieldKind::REAL> { using type = double; };
template <> struct FieldCType<FieldKind::STRING> { using type = std::string; };
template <> struct FieldCType<FieldKind::CSTRING> { using type = std::string; };
template <> struct FieldCType<FieldKind::DECIMAL> { using type = Decimal; };
template <> struct FieldCType<FieldKind::MEMO> { using type = std::string; };

// A pointer to one field of one record buffer.
using FieldRef = std::variant<std::uint8_t*, std::int16_t*, std::uint16_t*, std::int32_t*, std::uint32_t*, float*,
                              double*, std::string*, Decimal*>;

// A field's value taken out of a record (filters, generic copies, key values).
using FieldValue = std::variant<long long, double, std::string, Decimal>;

// A field's stored size as its table declares it (bytes; decimal places for DECIMAL).
struct FieldSize {
    int bytes;
    int places;
};

// A value as the field of that size stores it: a decimal rounded half away from zero to its
// places (DecimalOverflow when it has too many digits), a text cut at a character boundary.
inline Decimal fitField(const Decimal& value, FieldSize size) { return storeDecimal(value, size.bytes, size.places); }
inline std::string fitField(std::string_view text, FieldSize size) { return fitBytes(text, static_cast<std::size_t>(size.bytes)); }

struct FieldDef {
    const char* name;  // upper case, without prefix: "DOCUMENTNO"
    FieldKind kind;
    int bytes;   // stored size in the record layout
    int places;  // DECIMAL only
    FieldRef (*ref)(void* record);
    int offset = 0;  // byte offset in the record layout (fields follow without padding)

    bool isText() const { return kind == FieldKind::STRING || kind == FieldKind::CSTRING; }
    bool isMemo() const { return kind == FieldKind::MEMO; }
};

// Key flags as the table declarations write them.
namespace keyflags {
inline constexpr unsigned Dup = 0;      // duplicates allowed
inline constexpr unsigned Unique = 1;   // duplicates refused (message 15)
inline constexpr unsigned Omit = 0;     // a record whose components are all blank or zero is left out
inline constexpr unsigned Keep = 2;     // blank entries are kept in the key
inline constexpr unsigned Primary = 4;  // the table's primary key
inline constexpr unsigned Auto = 8;     // last component numbered by the file manager on insert
}  // namespace keyflags

struct KeyDef {
    std::string name;      // "DocumentNoKey"
    std::string fullName;  // "PT20:DocumentNoKey", as messages name it
    std::vector<int> components;  // field indexes, key order (all ascending)
    bool unique = false;
    bool keepBlank = false;
    bool primary = false;
    bool autoNumber = false;
};

// A key of table T, as `PQXT20::DocumentNoKey`; keys of another table do not convert.
template <class T>
struct KeyNo {
    int index;
    constexpr explicit KeyNo(int i) : index(i) {}
};

class Context;
class FileManagerBase;

enum class RelAction : std::uint8_t { None, Restrict, Cascade };

struct TableDef;

struct RelationDef {
    const TableDef* parent = nullptr;
    const TableDef* child = nullptr;
    std::vector<std::pair<int, int>> links;  // (parent field, child field)
    int childKey = -1;
    RelAction onUpdate = RelAction::None;
    RelAction onDelete = RelAction::None;
};

// An index that is no key: it lets a read across tables (data/operator_takings.h) answer from
// indexes alone. A file that lacks it gets it quietly when opened; views never order or find by it.
struct ReadIndexDef {
    std::string name;                  // the index in the file is <sqlName>_<name>
    std::vector<std::string> columns;  // field names; "_pos" is the record's place
};

struct TableDef {
    int id = -1;            // small process-wide number, index into a context's managers
    std::string label;      // "PQXT20"
    std::string prefix;     // "PT20"
    std::string fileName;   // "PQxT20": %File in messages; the disk file is fileName + ".tps"
    std::string sqlName;    // the table's name inside its SQLite file
    std::vector<FieldDef> fields;
    std::vector<KeyDef> keys;
    std::vector<ReadIndexDef> readIndexes;
    // Parent side, in registration order; child side lookup links to parents, in order.
    std::vector<const RelationDef*> parentRelations;
    std::vector<const RelationDef*> childRelations;

    // Record buffer operations for the table's record struct.
    void* (*newRecord)() = nullptr;
    void (*deleteRecord)(void*) = nullptr;
    void (*copyRecord)(void* dst, const void* src) = nullptr;
    void (*clearRecord)(void*) = nullptr;
    bool (*equalRecords)(const void*, const void*) = nullptr;
    // Makes the typed FileManager of this table for a context.
    std::unique_ptr<FileManagerBase> (*makeFileManager)(Context&) = nullptr;

    std::string diskFile() const { return fileName + ".tps"; }
    int recordLength() const;
    int fieldIndex(std::string_view name) const;  // upper or mixed case, with or without prefix; -1 when none
    int keyIndex(std::string_view name) const;    // "DocumentNoKey" or "PT20:DocumentNoKey"; -1 when none
    bool hasAutoNumber() const;
};

// Every table of the data dictionary, in the order FilesInit initialises them.
const std::vector<const TableDef*>& dictionaryTables();
// A table by its label ("PQXT20") or prefix ("PT20"); nullptr when unknown.
const TableDef* findTable(std::string_view labelOrPrefix);

// Generic field access on a record buffer of a table.
FieldValue fieldValue(const FieldDef& field, const void* record);
// Stores a value into a field (text fitted to the field, decimals rounded to its places).
// Returns false when the value cannot be held (a number out of range, text into a number).
bool setFieldValue(const FieldDef& field, void* record, const FieldValue& value);
// A field is blank when it is empty text or zero.
bool fieldIsBlank(const FieldDef& field, const void* record);

// Copies the fields that two tables have in common, by field name (PQXT21 into PQXH21, ...).
void copyByName(const TableDef& dstTable, void* dst, const TableDef& srcTable, const void* src);
template <class D, class S>
void copyFields(D& dst, const S& src) {
    copyByName(D::table(), &dst, S::table(), &src);
}

}  // namespace tavlo
