#include "data/dictionary.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <stdexcept>

#include "data/define_table.h"
#include "util/text.h"

namespace tavlo {

namespace {

std::atomic<int> nextTableId{0};

std::vector<std::string> splitComponents(std::string_view text) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : text) {
        if (c == ',') {
            out.push_back(trim(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!trim(cur).empty()) out.push_back(trim(cur));
    return out;
}

template <class Int>
bool storeInt(Int* p, long long v) {
    if (v < static_cast<long long>(std::numeric_limits<Int>::min()) ||
        v > static_cast<long long>(std::numeric_limits<Int>::max()))
        return false;
    *p = static_cast<Int>(v);
    return true;
}

}  // namespace

void finishTable(TableDef& def, std::vector<KeySpec> keys) {
    int offset = 0;
    for (auto& f : def.fields) {
        f.offset = offset;
        offset += f.bytes;
    }
    def.keys.clear();
    for (const KeySpec& k : keys) {
        KeyDef key;
        key.name = k.name;
        key.fullName = def.prefix + ":" + k.name;
        key.unique = (k.flags & keyflags::Unique) != 0;
        key.keepBlank = (k.flags & keyflags::Keep) != 0;
        key.primary = (k.flags & keyflags::Primary) != 0;
        key.autoNumber = (k.flags & keyflags::Auto) != 0;
        for (const std::string& c : splitComponents(k.components)) {
            int i = def.fieldIndex(c);
            if (i < 0) throw std::logic_error("key " + key.fullName + " names unknown field " + c);
            key.components.push_back(i);
        }
        def.keys.push_back(std::move(key));
    }
    def.id = nextTableId++;
}

const RelationDef& addRelation(TableDef& parent, TableDef& child,
                               const std::vector<std::pair<std::string, std::string>>& links,
                               const std::string& childKey, RelAction onUpdate, RelAction onDelete, bool childLookup) {
    static std::mutex mutex;
    static std::vector<std::unique_ptr<RelationDef>> relations;
    auto r = std::make_unique<RelationDef>();
    r->parent = &parent;
    r->child = &child;
    for (const auto& [p, c] : links) {
        int pi = parent.fieldIndex(p);
        int ci = child.fieldIndex(c);
        if (pi < 0 || ci < 0) throw std::logic_error("relation " + parent.label + "-" + child.label + " names an unknown field");
        r->links.emplace_back(pi, ci);
    }
    r->childKey = child.keyIndex(childKey);
    if (r->childKey < 0) throw std::logic_error("relation names unknown key " + childKey);
    r->onUpdate = onUpdate;
    r->onDelete = onDelete;
    parent.parentRelations.push_back(r.get());
    if (childLookup) child.childRelations.push_back(r.get());
    std::lock_guard lock(mutex);
    relations.push_back(std::move(r));
    return *relations.back();
}

int TableDef::recordLength() const {
    int n = 0;
    for (const auto& f : fields) n += f.bytes;
    return n;
}

int TableDef::fieldIndex(std::string_view name) const {
    std::string_view bare = name;
    if (auto colon = name.find(':'); colon != std::string_view::npos) {
        if (!equalsNoCase(name.substr(0, colon), prefix)) return -1;
        bare = name.substr(colon + 1);
    }
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (equalsNoCase(fields[i].name, bare)) return static_cast<int>(i);
    return -1;
}

int TableDef::keyIndex(std::string_view name) const {
    std::string_view bare = name;
    if (auto colon = name.find(':'); colon != std::string_view::npos) {
        if (!equalsNoCase(name.substr(0, colon), prefix)) return -1;
        bare = name.substr(colon + 1);
    }
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (equalsNoCase(keys[i].name, bare)) return static_cast<int>(i);
    return -1;
}

bool TableDef::hasAutoNumber() const {
    for (const auto& k : keys)
        if (k.autoNumber) return true;
    return false;
}

FieldValue fieldValue(const FieldDef& field, const void* record) {
    FieldRef ref = field.ref(const_cast<void*>(record));
    return std::visit(
        [](auto* p) -> FieldValue {
            using V = std::remove_pointer_t<decltype(p)>;
            if constexpr (std::is_same_v<V, std::string>)
                return *p;
            else if constexpr (std::is_same_v<V, Decimal>)
                return *p;
            else if constexpr (std::is_floating_point_v<V>)
                return static_cast<double>(*p);
            else
                return static_cast<long long>(*p);
        },
        ref);
}

bool setFieldValue(const FieldDef& field, void* record, const FieldValue& value) {
    FieldRef ref = field.ref(record);
    return std::visit(
        [&](auto* p) -> bool {
            using V = std::remove_pointer_t<decltype(p)>;
            if constexpr (std::is_same_v<V, std::string>) {
                const std::string* s = std::get_if<std::string>(&value);
                std::string text;
                if (s) {
                    text = *s;
                } else if (auto* i = std::get_if<long long>(&value)) {
                    text = std::to_string(*i);
                } else if (auto* d = std::get_if<Decimal>(&value)) {
                    text = d->toString();
                } else {
                    return false;
                }
                if (field.isMemo())
                    *p = text.substr(0, static_cast<std::size_t>(field.bytes));
                else
                    *p = field.kind == FieldKind::CSTRING ? fitCString(text, field.bytes) : clip(fitBytes(text, field.bytes));
                return true;
            } else if constexpr (std::is_same_v<V, Decimal>) {
                Decimal d;
                if (auto* i = std::get_if<long long>(&value))
                    d = Decimal(*i);
                else if (auto* dd = std::get_if<Decimal>(&value))
                    d = *dd;
                else if (auto* s = std::get_if<std::string>(&value)) {
                    auto parsed = Decimal::parse(*s);
                    if (!parsed) return false;
                    d = *parsed;
                } else {
                    return false;
                }
                if (!fitsDecimal(d, field.bytes, field.places)) return false;
                *p = storeDecimal(d, field.bytes, field.places);
                return true;
            } else if constexpr (std::is_floating_point_v<V>) {
                if (auto* i = std::get_if<long long>(&value))
                    *p = static_cast<V>(*i);
                else if (auto* dbl = std::get_if<double>(&value))
                    *p = static_cast<V>(*dbl);
                else if (auto* d = std::get_if<Decimal>(&value))
                    *p = static_cast<V>(std::stod(d->toString()));
                else
                    return false;
                return true;
            } else {
                if (auto* i = std::get_if<long long>(&value)) return storeInt(p, *i);
                if (auto* d = std::get_if<Decimal>(&value)) {
                    if (d->truncated(0) != *d) return false;
                    return storeInt(p, d->toLongLong());
                }
                if (auto* dbl = std::get_if<double>(&value)) {
                    if (!std::isfinite(*dbl) || std::trunc(*dbl) != *dbl) return false;
                    return storeInt(p, static_cast<long long>(*dbl));
                }
                return false;
            }
        },
        ref);
}

bool fieldIsBlank(const FieldDef& field, const void* record) {
    FieldRef ref = field.ref(const_cast<void*>(record));
    return std::visit(
        [](auto* p) -> bool {
            using V = std::remove_pointer_t<decltype(p)>;
            if constexpr (std::is_same_v<V, std::string>)
                return clip(*p).empty();
            else if constexpr (std::is_same_v<V, Decimal>)
                return p->isZero();
            else
                return *p == 0;
        },
        ref);
}

void copyByName(const TableDef& dstTable, void* dst, const TableDef& srcTable, const void* src) {
    // The name match of a pair of tables is worked out once.
    static std::mutex mutex;
    static std::map<std::pair<int, int>, std::vector<std::pair<int, int>>> maps;
    std::vector<std::pair<int, int>>* pairs;
    {
        std::lock_guard lock(mutex);
        auto [it, fresh] = maps.try_emplace({dstTable.id, srcTable.id});
        if (fresh)
            for (std::size_t i = 0; i < dstTable.fields.size(); ++i) {
                int j = srcTable.fieldIndex(dstTable.fields[i].name);
                if (j >= 0) it->second.emplace_back(static_cast<int>(i), j);
            }
        pairs = &it->second;
    }
    for (auto [i, j] : *pairs) setFieldValue(dstTable.fields[i], dst, fieldValue(srcTable.fields[j], src));
}

}  // namespace tavlo
