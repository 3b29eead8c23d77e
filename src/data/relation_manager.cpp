// Relation managers: opening a table with its related tables, and updates and deletes that carry
// out the relations' cascade and restrict actions inside one transaction.
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>

#include "data/file_manager.h"
#include "data/storage.h"
#include "data/storage_internal.h"

namespace tavlo {

namespace {

// Child rows of a relation, found by the linking fields.
struct RelationSql {
    std::string children;
    std::string exists;
};

const RelationSql& relationSql(const RelationDef& r) {
    static std::mutex mutex;
    static std::map<const RelationDef*, RelationSql> cache;
    std::lock_guard lock(mutex);
    auto it = cache.find(&r);
    if (it != cache.end()) return it->second;
    std::string where;
    for (std::size_t i = 0; i < r.links.size(); ++i) {
        if (i) where += " AND ";
        where += keyColumn(*r.child, r.links[i].second) + "=?" + std::to_string(i + 1);
    }
    const std::string table = "\"" + r.child->sqlName + "\"";
    RelationSql sql{"SELECT \"_pos\" FROM " + table + " WHERE " + where + " ORDER BY \"_pos\"",
                    "SELECT \"_pos\" FROM " + table + " WHERE " + where + " LIMIT 1"};
    return cache.emplace(&r, std::move(sql)).first->second;
}

// Cascades are rare: their statements are prepared per use.
sqlite3_stmt* prepared(Conn& c, const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(c.db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) return nullptr;
    return s;
}

std::vector<FieldValue> parentValues(const RelationDef& r, const void* record) {
    std::vector<FieldValue> out;
    for (auto [p, c] : r.links) out.push_back(fieldValue(r.parent->fields[p], record));
    return out;
}

bool allBlank(const RelationDef& r, const void* record) {
    for (auto [p, c] : r.links)
        if (!fieldIsBlank(r.parent->fields[p], record)) return false;
    return true;
}

bool sameLinks(const RelationDef& r, const void* a, const void* b) {
    for (auto [p, c] : r.links) {
        const FieldDef& f = r.parent->fields[p];
        FieldValue va = fieldValue(f, a), vb = fieldValue(f, b);
        if (f.isText()) {
            if (compareKeyText(std::get<std::string>(va), std::get<std::string>(vb)) != 0) return false;
        } else if (va != vb) {
            return false;
        }
    }
    return true;
}

struct Outcome {
    StoreError code = ErrNone;
    const TableDef* restrictedBy = nullptr;  // the child file that refused
    std::string text;
    int fileCode = 0;
};

class Cascader {
public:
    explicit Cascader(Context& ctx) : ctx_(ctx), impl_(ctx.impl()) {}

    Conn* conn(const TableDef& def, Outcome& out) {
        FileManagerBase& fm = ctx_.access(def);
        if (!impl_.isEnlisted(def) && impl_.open(fm) != LevelBenign) {
            out.code = ErrEngine;
            out.text = "Could not open " + def.fileName;
            return nullptr;
        }
        Conn* c = impl_.connFor(def);
        if (!c) {
            out.code = ErrNotOpen;
            out.text = def.fileName;
        }
        return c;
    }

    bool engineError(Conn& c, Outcome& out) {
        out.code = ErrEngine;
        out.fileCode = sqlite3_extended_errcode(c.db);
        out.text = c.message();
        if ((out.fileCode & 0xff) == SQLITE_CONSTRAINT &&
            (out.fileCode == SQLITE_CONSTRAINT_UNIQUE || out.fileCode == SQLITE_CONSTRAINT_PRIMARYKEY))
            out.code = ErrDuplicateKey;
        return false;
    }

    // Positions of the child rows linked to the values; false on an error.
    bool children(const RelationDef& r, const std::vector<FieldValue>& values, bool firstOnly,
                  std::vector<std::int64_t>& out, Outcome& o) {
        Conn* c = conn(*r.child, o);
        if (!c) return false;
        const RelationSql& sql = relationSql(r);
        sqlite3_stmt* s = prepared(*c, firstOnly ? sql.exists : sql.children);
        if (!s) return engineError(*c, o);
        for (std::size_t i = 0; i < values.size(); ++i) {
            const FieldDef& f = r.child->fields[r.links[i].second];
            const FieldValue& v = values[i];
            if (auto* n = std::get_if<long long>(&v))
                sqlite3_bind_int64(s, static_cast<int>(i) + 1, *n);
            else if (auto* d = std::get_if<double>(&v))
                sqlite3_bind_double(s, static_cast<int>(i) + 1, *d);
            else if (auto* t = std::get_if<std::string>(&v))
                sqlite3_bind_text(s, static_cast<int>(i) + 1,
                                  foldedInKeys(*r.child, r.links[i].second) ? foldKeyText(*t).c_str() : t->c_str(), -1,
                                  SQLITE_TRANSIENT);
            else if (auto* dec = std::get_if<Decimal>(&v))
                sqlite3_bind_int64(s, static_cast<int>(i) + 1, static_cast<sqlite3_int64>(dec->scaled(f.places)));
        }
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) out.push_back(sqlite3_column_int64(s, 0));
        sqlite3_finalize(s);
        if (rc != SQLITE_DONE) return engineError(*c, o);
        return true;
    }

    bool read(const TableDef& def, std::int64_t pos, void* record, Outcome& o) {
        Conn* c = conn(def, o);
        if (!c) return false;
        sqlite3_stmt* s = c->statement(def, SqlByPos);
        if (!s) return engineError(*c, o);
        StmtUse use(s);
        sqlite3_bind_int64(s, 1, pos);
        int rc = sqlite3_step(s);
        if (rc == SQLITE_ROW) {
            readRow(s, def, record);
            return true;
        }
        if (rc == SQLITE_DONE) {
            o.code = ErrNoRecord;
            o.text = storeErrorText(ErrNoRecord);
            return false;
        }
        return engineError(*c, o);
    }

    bool write(const TableDef& def, std::int64_t pos, void* record, Outcome& o) {
        Conn* c = conn(def, o);
        if (!c) return false;
        if (!impl_.isEnlisted(def)) {
            o.code = ErrTransaction;
            o.text = def.fileName + " is not in the transaction";
            return false;
        }
        std::string why;
        if (!normalizeRecord(def, record, &why)) {
            o.code = ErrValueRange;
            o.text = why;
            return false;
        }
        sqlite3_stmt* s = c->statement(def, SqlUpdate);
        if (!s) return engineError(*c, o);
        StmtUse use(s);
        bindRecord(s, def, record);
        sqlite3_bind_int64(s, static_cast<int>(def.fields.size()) + 1, pos);
        if (sqlite3_step(s) != SQLITE_DONE) return engineError(*c, o);
        return true;
    }

    bool erase(const TableDef& def, std::int64_t pos, Outcome& o) {
        Conn* c = conn(def, o);
        if (!c) return false;
        if (!impl_.isEnlisted(def)) {
            o.code = ErrTransaction;
            o.text = def.fileName + " is not in the transaction";
            return false;
        }
        sqlite3_stmt* s = c->statement(def, SqlErase);
        if (!s) return engineError(*c, o);
        StmtUse use(s);
        sqlite3_bind_int64(s, 1, pos);
        if (sqlite3_step(s) != SQLITE_DONE) return engineError(*c, o);
        return true;
    }

    // Carries changed linking fields of a parent record into its children, recursively.
    bool update(const TableDef& def, const void* oldRec, const void* newRec, Outcome& o) {
        for (const RelationDef* r : def.parentRelations) {
            if (r->onUpdate == RelAction::None || sameLinks(*r, oldRec, newRec) || allBlank(*r, oldRec)) continue;
            std::vector<std::int64_t> rows;
            if (!children(*r, parentValues(*r, oldRec), r->onUpdate == RelAction::Restrict, rows, o)) return false;
            if (rows.empty()) continue;
            if (r->onUpdate == RelAction::Restrict) {
                o.restrictedBy = r->child;
                return false;
            }
            const std::vector<FieldValue> fresh = parentValues(*r, newRec);
            for (std::int64_t pos : rows) {
                OwnedRecord before(*r->child), after(*r->child);
                if (!read(*r->child, pos, before.get(), o)) return false;
                r->child->copyRecord(after.get(), before.get());
                for (std::size_t i = 0; i < r->links.size(); ++i)
                    setFieldValue(r->child->fields[r->links[i].second], after.get(), fresh[i]);
                if (!update(*r->child, before.get(), after.get(), o)) return false;
                if (!write(*r->child, pos, after.get(), o)) return false;
            }
        }
        return true;
    }

    // Refuses when a restricting child exists; deletes cascading children, recursively.
    bool remove(const TableDef& def, const void* record, Outcome& o) {
        for (const RelationDef* r : def.parentRelations) {
            if (r->onDelete == RelAction::None || allBlank(*r, record)) continue;
            std::vector<std::int64_t> rows;
            if (!children(*r, parentValues(*r, record), r->onDelete == RelAction::Restrict, rows, o)) return false;
            if (rows.empty()) continue;
            if (r->onDelete == RelAction::Restrict) {
                o.restrictedBy = r->child;
                return false;
            }
            for (std::int64_t pos : rows) {
                OwnedRecord child(*r->child);
                if (!read(*r->child, pos, child.get(), o)) return false;
                if (!remove(*r->child, child.get(), o)) return false;
                if (!erase(*r->child, pos, o)) return false;
            }
        }
        return true;
    }

private:
    Context& ctx_;
    Context::Impl& impl_;
};

// The tables a cascade may write: the table and every child reached through cascade actions.
void cascadeTables(const TableDef& def, bool forDelete, std::vector<const TableDef*>& out) {
    if (std::find(out.begin(), out.end(), &def) != out.end()) return;
    out.push_back(&def);
    for (const RelationDef* r : def.parentRelations)
        if ((forDelete ? r->onDelete : r->onUpdate) == RelAction::Cascade) cascadeTables(*r->child, forDelete, out);
}

// Runs work inside the context's transaction (a savepoint) when it holds every table, or else
// inside a transaction of its own over the tables (2-second wait).
class Unit {
public:
    Unit(Context& ctx, const std::vector<const TableDef*>& tables) : ctx_(ctx) {
        Context::Impl& impl = ctx.impl();
        if (impl.txActive) {
            for (const TableDef* t : tables)
                if (!impl.isEnlisted(*t)) {
                    error_ = t->fileName + " is not in the transaction";
                    return;
                }
            atomic_ = std::make_unique<Atomic>(impl, *impl.tx);
            if (atomic_->begin() != SQLITE_OK) {
                error_ = impl.tx->message();
                atomic_.reset();
            }
            return;
        }
        own_ = std::make_unique<Transaction>(ctx, tables, RelationManager::kWait);
        if (!own_->active()) {
            error_ = own_->errorText();
            own_.reset();
        }
    }
    bool started() const { return atomic_ || own_; }
    const std::string& error() const { return error_; }
    bool commit() {
        if (atomic_) return atomic_->commit() == SQLITE_OK;
        if (own_) return own_->commit();
        return false;
    }
    void rollback() {
        if (atomic_) atomic_->rollback();
        if (own_) own_->rollback();
    }

private:
    Context& ctx_;
    std::unique_ptr<Atomic> atomic_;
    std::unique_ptr<Transaction> own_;
    std::string error_;
};

Level raise(int id, const TableDef& file, int code, const std::string& text, int fileCode = 0) {
    ErrorClass& e = GlobalErrors();
    e.SetFile(file.fileName);
    e.SetErrors(code, storeErrorText(code), fileCode ? std::to_string(fileCode) : "", text.empty() ? storeErrorText(code) : text);
    return e.Throw(id);
}

}  // namespace

RelationManager::RelationManager(Context& ctx, FileManagerBase& file) : ctx_(ctx), file_(file) {}

void RelationManager::relatedTables(std::vector<const TableDef*>& out) const {
    std::vector<const TableDef*> todo{&file_.table()};
    while (!todo.empty()) {
        const TableDef* t = todo.back();
        todo.pop_back();
        if (std::find(out.begin(), out.end(), t) != out.end()) continue;
        out.push_back(t);
        for (const RelationDef* r : t->parentRelations) todo.push_back(r->child);
        for (const RelationDef* r : t->childRelations) todo.push_back(r->parent);
    }
}

int RelationManager::Open() {
    std::vector<const TableDef*> tables;
    relatedTables(tables);
    for (const TableDef* t : tables) ctx_.access(*t).Open();
    return LevelBenign;
}

int RelationManager::Close() {
    std::vector<const TableDef*> tables;
    relatedTables(tables);
    for (const TableDef* t : tables) ctx_.access(*t).Close();
    return LevelBenign;
}

int RelationManager::Update(bool fromForm) {
    const TableDef& def = file_.table();
    bool linksChanged = false;
    for (const RelationDef* r : def.parentRelations)
        if (r->onUpdate != RelAction::None && !sameLinks(*r, file_.asRead(), file_.buffer()) &&
            !allBlank(*r, file_.asRead()))
            linksChanged = true;
    if (!linksChanged || file_.position() == 0) return fromForm ? file_.UpdateForm() : file_.Update();

    Level level;
    if (!file_.ready(true, &level)) return level == LevelBenign ? LevelNotify : level;
    std::vector<const TableDef*> tables;
    cascadeTables(def, false, tables);
    Unit unit(ctx_, tables);
    if (!unit.started()) return raise(27, def, ErrTransaction, unit.error());

    Cascader cascade(ctx_);
    Outcome o;
    OwnedRecord stored(def);
    if (!cascade.read(def, file_.position(), stored.get(), o) || !def.equalRecords(stored.get(), file_.asRead())) {
        unit.rollback();
        file_.fail(ErrRecordChanged);
        int answer = file_.report(fromForm ? 8 : 7);
        if (o.code == ErrNone) {
            def.copyRecord(file_.buffer(), stored.get());
            file_.markRead();
        }
        return answer;
    }
    std::string why;
    if (!normalizeRecord(def, file_.buffer(), &why)) {
        unit.rollback();
        file_.fail(ErrValueRange, why);
        return file_.report(31);
    }
    if (!cascade.update(def, file_.asRead(), file_.buffer(), o)) {
        unit.rollback();
        if (o.restrictedBy) {
            // The linking fields go back to what they were.
            for (const RelationDef* r : def.parentRelations)
                for (auto [p, c] : r->links)
                    setFieldValue(def.fields[p], file_.buffer(), fieldValue(def.fields[p], file_.asRead()));
            return raise(37, *o.restrictedBy, ErrNone, "");
        }
        file_.fail(o.code, o.text, o.fileCode);
        return file_.report(31);
    }
    Conn* c = ctx_.impl().connFor(def);
    if (!c || file_.rawPut(*c, file_.position(), file_.buffer()) != ErrNone) {
        unit.rollback();
        return file_.report(31);
    }
    if (!unit.commit()) {
        file_.fail(ErrEngine, "the transaction could not be committed");
        return file_.report(31);
    }
    file_.markRead();
    return LevelBenign;
}

int RelationManager::Delete(bool ask) {
    const TableDef& def = file_.table();
    if (ask && GlobalErrors().Throw(11) != LevelBenign) return LevelCancel;
    Level level;
    if (!file_.ready(true, &level)) return level == LevelBenign ? LevelNotify : level;
    if (file_.position() == 0) {
        file_.fail(ErrNoRecord);
        return file_.report(13);
    }
    std::vector<const TableDef*> tables;
    cascadeTables(def, true, tables);
    for (;;) {
        Unit unit(ctx_, tables);
        if (!unit.started()) return raise(27, def, ErrTransaction, unit.error());
        Cascader cascade(ctx_);
        Outcome o;
        OwnedRecord stored(def);
        bool ok = cascade.read(def, file_.position(), stored.get(), o) && cascade.remove(def, stored.get(), o) &&
                  cascade.erase(def, file_.position(), o);
        if (ok && !unit.commit()) {
            ok = false;
            o.code = ErrEngine;
            o.text = "the transaction could not be committed";
        }
        if (ok) {
            file_.pos_ = 0;
            file_.fail(ErrNone);
            return LevelBenign;
        }
        unit.rollback();
        if (o.restrictedBy) {
            file_.fail(ErrNone);
            return raise(36, *o.restrictedBy, ErrNone, "");
        }
        file_.fail(o.code, o.text, o.fileCode);
        int answer = file_.report(39);
        if (answer != LevelBenign) return answer;
    }
}

}  // namespace tavlo
