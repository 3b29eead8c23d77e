// File managers, transactions and contexts.
#include "data/file_manager.h"

#include <sqlite3.h>

#include "data/storage_internal.h"

namespace tavlo {

std::string storeErrorText(int code) {
    switch (code) {
        case ErrNone: return "No Error";
        case ErrFileNotFound: return "File Not Found";
        case ErrAccessDenied: return "Access Denied";
        case ErrLockedOut: return "Record Or File Is Locked";
        case ErrNoRecord: return "Record Not Available";
        case ErrNotOpen: return "File Not Open";
        case ErrDuplicateKey: return "Creates Duplicate Key";
        case ErrInvalidFile: return "Invalid Record Declaration";
        case ErrRecordChanged: return "Record Changed By Another Station";
        case ErrEngine: return "File System Error";
        case ErrValueRange: return "Value Out Of Range";
        case ErrTransaction: return "Transaction Not Started";
    }
    return "Error " + std::to_string(code);
}

namespace {

constexpr int kAutoNumberAttempts = 3;

StoreError codeOf(int rc) {
    switch (rc & 0xff) {
        case SQLITE_OK:
        case SQLITE_DONE:
        case SQLITE_ROW: return ErrNone;
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return ErrLockedOut;
        case SQLITE_READONLY:
        case SQLITE_PERM: return ErrAccessDenied;
        default: return ErrEngine;
    }
}

}  // namespace

// ---- Context ----

struct Context::Managers {
    Managers(Context& ctx, std::unique_ptr<FileManagerBase> f) : file(std::move(f)), relation(ctx, *file) {}
    std::unique_ptr<FileManagerBase> file;
    RelationManager relation;
};

Context::Context(std::filesystem::path folder) : folder_(std::move(folder)), impl_(std::make_unique<Impl>(*this, folder_)) {
    for (const TableDef* t : dictionaryTables()) managers(*t);
}

Context::~Context() {
    if (impl_->txActive) impl_->rollbackTx();
    managers_.clear();
}

Context::Managers& Context::managers(const TableDef& def) {
    if (def.id >= static_cast<int>(managers_.size())) managers_.resize(def.id + 1);
    auto& slot = managers_[def.id];
    if (!slot) slot = std::make_unique<Managers>(*this, def.makeFileManager(*this));
    return *slot;
}

FileManagerBase& Context::access(const TableDef& def) { return *managers(def).file; }
RelationManager& Context::relate(const TableDef& def) { return managers(def).relation; }
bool Context::inTransaction() const { return impl_->txActive; }
bool Context::inTransaction(const TableDef& def) const { return impl_->isEnlisted(def); }

// ---- Transaction ----

Transaction::Transaction(Context& ctx, std::vector<const TableDef*> tables, std::chrono::milliseconds wait)
    : ctx_(ctx) {
    std::string why;
    StoreError code = ctx.impl().beginTx(tables, static_cast<int>(wait.count()), &why);
    if (code == ErrNone) {
        active_ = true;
    } else {
        errorCode_ = code;
        errorText_ = why;
    }
}

Transaction::~Transaction() {
    if (active_) rollback();
}

bool Transaction::commit() {
    if (!active_) return false;
    active_ = false;
    std::string why;
    if (!ctx_.impl().commitTx(&why)) {
        errorCode_ = ErrEngine;
        errorText_ = why;
        return false;
    }
    return true;
}

void Transaction::rollback() {
    if (!active_) return;
    active_ = false;
    ctx_.impl().rollbackTx();
}

// ---- FileManagerBase ----

FileManagerBase::FileManagerBase(Context& ctx, const TableDef& def, void* buffer)
    : ctx_(ctx), def_(def), buffer_(buffer), asRead_(def.newRecord()) {}

FileManagerBase::~FileManagerBase() { def_.deleteRecord(asRead_); }

bool FileManagerBase::physicallyOpen() const { return ctx_.impl().store(def_).opened; }
bool FileManagerBase::readOnly() const { return ctx_.impl().store(def_).readOnly; }

int FileManagerBase::Open() {
    ++uses_;
    return LevelBenign;
}

int FileManagerBase::UseFile() { return Open(); }

int FileManagerBase::Close() {
    if (uses_ > 0) --uses_;
    if (uses_ == 0 && !ctx_.impl().isEnlisted(def_)) {
        TableStore& st = ctx_.impl().store(def_);
        st.conn.reset();
        st.opened = false;
    }
    return LevelBenign;
}

Level FileManagerBase::OpenNow() {
    if (uses_ == 0) {
        errorCode_ = ErrNotOpen;
        return report(45);
    }
    return ctx_.impl().open(*this);
}

Conn* FileManagerBase::ready(bool managed, Level* level) {
    *level = LevelBenign;
    if (uses_ == 0) {
        fail(ErrNotOpen);
        *level = managed ? report(45) : LevelNotify;
        return nullptr;
    }
    Context::Impl& impl = ctx_.impl();
    if (!impl.isEnlisted(def_)) {
        Level l = impl.open(*this);
        if (l != LevelBenign) {
            fail(ErrEngine, "the file could not be opened");
            *level = l;
            return nullptr;
        }
    }
    Conn* c = impl.connFor(def_);
    if (!c) {
        fail(ErrNotOpen);
        *level = LevelNotify;
    }
    return c;
}

StoreError FileManagerBase::fail(StoreError code, std::string fileText, int fileCode) {
    errorCode_ = code;
    fileErrorText_ = std::move(fileText);
    fileErrorCode_ = fileCode;
    if (code != ErrDuplicateKey) errorKey_.clear();
    return code;
}

StoreError FileManagerBase::failEngine(Conn& c) {
    int rc = sqlite3_extended_errcode(c.db);
    return fail(codeOf(rc) == ErrNone ? ErrEngine : codeOf(rc), c.message(), rc);
}

std::string FileManagerBase::errorText() const {
    if ((errorCode_ == ErrEngine || errorCode_ == ErrInvalidFile) && !fileErrorText_.empty()) return fileErrorText_;
    if (errorCode_ == ErrDuplicateKey && !errorKey_.empty()) return storeErrorText(errorCode_) + " (" + errorKey_ + ")";
    return storeErrorText(errorCode_);
}

Level FileManagerBase::report(int id) {
    ErrorClass& e = GlobalErrors();
    e.SetFile(def_.fileName);
    e.SetKey(errorKey_);
    e.SetErrors(errorCode_, storeErrorText(errorCode_), fileErrorCode_ ? std::to_string(fileErrorCode_) : "",
                fileErrorText_.empty() ? storeErrorText(errorCode_) : fileErrorText_);
    if (id == 15) return e.ThrowMessage(15, errorKey_);
    return e.Throw(id);
}

void FileManagerBase::clearBuffer() { def_.clearRecord(buffer_); }

void FileManagerBase::markRead() { def_.copyRecord(asRead_, buffer_); }

FilePosition FileManagerBase::savePosition() const {
    FilePosition p = walk_;
    p.current = pos_;
    return p;
}

void FileManagerBase::restorePosition(const FilePosition& p) {
    walk_ = p;
    pos_ = p.current;
}

StoreError FileManagerBase::readAt(Conn& c, std::int64_t pos, void* record) {
    sqlite3_stmt* s = c.statement(def_, SqlByPos);
    if (!s) return failEngine(c);
    StmtUse use(s);
    sqlite3_bind_int64(s, 1, pos);
    int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        readRow(s, def_, record);
        return ErrNone;
    }
    if (rc == SQLITE_DONE) return fail(ErrNoRecord);
    return failEngine(c);
}

// ---- reading ----

Level FileManagerBase::doFetch(int key, bool quiet, bool clearOnMiss) {
    Level level;
    Conn* c = ready(!quiet || clearOnMiss, &level);
    if (!c) return level == LevelBenign ? LevelNotify : level;
    std::vector<FieldValue> vals;
    std::string why;
    auto miss = [&] {
        if (clearOnMiss) {
            clearBuffer();
            pos_ = 0;
        }
        return LevelNotify;
    };
    if (!keyValues(def_, key, buffer_, vals, &why)) {
        fail(ErrNoRecord);
        return miss();
    }
    const KeyDef& k = def_.keys[key];
    if (!k.keepBlank) {
        bool blank = true;
        for (int f : k.components) blank = blank && fieldIsBlank(def_.fields[f], buffer_);
        if (blank) {
            fail(ErrNoRecord);
            return miss();
        }
    }
    sqlite3_stmt* s = c->statement(def_, SqlEqual, key);
    if (!s) {
        failEngine(*c);
        return quiet ? LevelNotify : report(1);
    }
    StmtUse use(s);
    bindKey(s, def_, key, vals);
    int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        pos_ = readRow(s, def_, buffer_);
        markRead();
        fail(ErrNone);
        return LevelBenign;
    }
    if (rc == SQLITE_DONE) {
        fail(ErrNoRecord);
        return miss();
    }
    failEngine(*c);
    return quiet ? LevelNotify : report(1);
}

Level FileManagerBase::Fetch(int key) { return doFetch(key, false, true); }
Level FileManagerBase::TryFetch(int key) { return doFetch(key, true, true); }

StoreError FileManagerBase::get(int key) {
    doFetch(key, true, false);
    return errorCode_;
}

void FileManagerBase::Set(int key) { walk_ = FilePosition{key, FilePosition::BeforeFirst, {}, 0, 0}; }

void FileManagerBase::SetFrom(int key) {
    walk_ = FilePosition{key, FilePosition::From, {}, 0, 0};
    std::string why;
    if (!keyValues(def_, key, buffer_, walk_.keyValues, &why)) walk_.state = FilePosition::AfterLast;
}

void FileManagerBase::SetEnd(int key) { walk_ = FilePosition{key, FilePosition::AfterLast, {}, 0, 0}; }
void FileManagerBase::SetFileOrder() { walk_ = FilePosition{-1, FilePosition::BeforeFirst, {}, 0, 0}; }

Level FileManagerBase::readWalk(bool forward, bool managed, bool quiet) {
    Level level;
    Conn* c = ready(managed, &level);
    if (!c) return level == LevelBenign ? LevelNotify : level;
    const int key = walk_.order;
    const int n = key < 0 ? 0 : static_cast<int>(def_.keys[key].components.size());
    auto run = [&](SqlKind kind, bool withValues, bool withPos) -> int {
        sqlite3_stmt* s = c->statement(def_, kind, key < 0 ? 0 : key);
        if (!s) return -1;
        StmtUse use(s);
        if (withValues) bindKey(s, def_, key, walk_.keyValues);
        if (withPos) sqlite3_bind_int64(s, withValues ? n + 1 : 1, walk_.pos);
        int rc = sqlite3_step(s);
        if (rc == SQLITE_ROW) {
            pos_ = readRow(s, def_, buffer_);
            return 1;
        }
        return rc == SQLITE_DONE ? 0 : -1;
    };
    int got = 0;
    using S = FilePosition::State;
    if (key < 0) {
        if (walk_.state == S::BeforeFirst) got = forward ? run(SqlFileFirst, false, false) : 0;
        else if (walk_.state == S::AfterLast) got = forward ? 0 : run(SqlFileLast, false, false);
        else got = run(forward ? SqlFileNext : SqlFilePrev, false, true);
    } else {
        switch (walk_.state) {
            case S::BeforeFirst: got = forward ? run(SqlFirst, false, false) : 0; break;
            case S::AfterLast: got = forward ? 0 : run(SqlLast, false, false); break;
            case S::From: got = run(forward ? SqlFromNext : SqlFromPrev, true, false); break;
            case S::At:
                // A unique key has no other record with the same values to step through first.
                got = def_.keys[key].unique ? 0 : run(forward ? SqlSameNext : SqlSamePrev, true, true);
                if (got == 0) got = run(forward ? SqlAfter : SqlBefore, true, false);
                break;
        }
    }
    if (got < 0) {
        failEngine(*c);
        return quiet ? LevelNotify : report(1);
    }
    if (got == 0) {
        walk_.state = forward ? S::AfterLast : S::BeforeFirst;
        fail(ErrNoRecord);
        return LevelNotify;
    }
    markRead();
    walk_.state = S::At;
    walk_.pos = pos_;
    if (key >= 0) {
        std::string why;
        keyValues(def_, key, buffer_, walk_.keyValues, &why);
    }
    fail(ErrNone);
    return LevelBenign;
}

Level FileManagerBase::Next() { return readWalk(true, true, false); }
Level FileManagerBase::TryNext() { return readWalk(true, true, true); }
Level FileManagerBase::Previous() { return readWalk(false, true, false); }
Level FileManagerBase::TryPrevious() { return readWalk(false, true, true); }

StoreError FileManagerBase::next() {
    readWalk(true, false, true);
    return errorCode_;
}

StoreError FileManagerBase::previous() {
    readWalk(false, false, true);
    return errorCode_;
}

long long FileManagerBase::records() {
    Level level;
    Conn* c = ready(false, &level);
    if (!c) return 0;
    sqlite3_stmt* s = c->statement(def_, SqlCount);
    if (!s) return 0;
    StmtUse use(s);
    return sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
}

// ---- writing ----

int FileManagerBase::findDuplicate(Conn& c, std::int64_t pos) {
    for (std::size_t k = 0; k < def_.keys.size(); ++k) {
        const KeyDef& key = def_.keys[k];
        if (!key.unique) continue;
        std::vector<FieldValue> vals;
        if (!keyValues(def_, static_cast<int>(k), buffer_, vals, nullptr)) continue;
        sqlite3_stmt* s = c.statement(def_, SqlDuplicate, static_cast<int>(k));
        if (!s) continue;
        StmtUse use(s);
        bindKey(s, def_, static_cast<int>(k), vals);
        sqlite3_bind_int64(s, static_cast<int>(key.components.size()) + 1, pos);
        if (sqlite3_step(s) == SQLITE_ROW) return static_cast<int>(k);
    }
    return -1;
}

StoreError FileManagerBase::rawAdd(Conn& c) {
    std::string why;
    if (!normalizeRecord(def_, buffer_, &why)) return fail(ErrValueRange, why);
    sqlite3_stmt* s = c.statement(def_, SqlInsert);
    if (!s) return failEngine(c);
    int rc;
    {
        StmtUse use(s);
        bindRecord(s, def_, buffer_);
        rc = sqlite3_step(s);
    }
    if (rc == SQLITE_DONE) {
        pos_ = sqlite3_last_insert_rowid(c.db);
        markRead();
        return fail(ErrNone);
    }
    const int ext = sqlite3_extended_errcode(c.db);
    if (ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY) {
        int k = findDuplicate(c, 0);
        fail(ErrDuplicateKey, c.message(), ext);
        errorKey_ = k >= 0 ? def_.keys[k].fullName : "";
        return ErrDuplicateKey;
    }
    return failEngine(c);
}

StoreError FileManagerBase::rawPut(Conn& c, std::int64_t pos, const void* record) {
    sqlite3_stmt* s = c.statement(def_, SqlUpdate);
    if (!s) return failEngine(c);
    int rc;
    {
        StmtUse use(s);
        bindRecord(s, def_, record);
        sqlite3_bind_int64(s, static_cast<int>(def_.fields.size()) + 1, pos);
        rc = sqlite3_step(s);
    }
    if (rc == SQLITE_DONE) {
        if (sqlite3_changes(c.db) == 0) return fail(ErrNoRecord);
        return fail(ErrNone);
    }
    const int ext = sqlite3_extended_errcode(c.db);
    if (ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY) {
        int k = findDuplicate(c, pos);
        fail(ErrDuplicateKey, c.message(), ext);
        errorKey_ = k >= 0 ? def_.keys[k].fullName : "";
        return ErrDuplicateKey;
    }
    return failEngine(c);
}

StoreError FileManagerBase::add() {
    Level level;
    Conn* c = ready(false, &level);
    if (!c) return errorCode_;
    Atomic a(ctx_.impl(), *c);
    if (int rc = a.begin(); rc != SQLITE_OK) return failEngine(*c);
    if (rawAdd(*c) != ErrNone) return errorCode_;
    if (a.commit() != SQLITE_OK) return failEngine(*c);
    return ErrNone;
}

StoreError FileManagerBase::put() {
    Level level;
    Conn* c = ready(false, &level);
    if (!c) return errorCode_;
    if (pos_ == 0) return fail(ErrNoRecord);
    std::string why;
    if (!normalizeRecord(def_, buffer_, &why)) return fail(ErrValueRange, why);
    Atomic a(ctx_.impl(), *c);
    if (a.begin() != SQLITE_OK) return failEngine(*c);
    OwnedRecord stored(def_);
    if (readAt(*c, pos_, stored.get()) != ErrNone) return errorCode_;
    if (!def_.equalRecords(stored.get(), asRead_)) return fail(ErrRecordChanged);
    if (rawPut(*c, pos_, buffer_) != ErrNone) return errorCode_;
    if (a.commit() != SQLITE_OK) return failEngine(*c);
    markRead();
    return ErrNone;
}

StoreError FileManagerBase::erase() {
    Level level;
    Conn* c = ready(false, &level);
    if (!c) return errorCode_;
    if (pos_ == 0) return fail(ErrNoRecord);
    sqlite3_stmt* s = c->statement(def_, SqlErase);
    if (!s) return failEngine(*c);
    int rc;
    {
        StmtUse use(s);
        sqlite3_bind_int64(s, 1, pos_);
        rc = sqlite3_step(s);
    }
    if (rc != SQLITE_DONE) return failEngine(*c);
    if (sqlite3_changes(c->db) == 0) return fail(ErrNoRecord);
    pos_ = 0;
    return fail(ErrNone);
}

// Numbers the auto-numbered keys and adds the record, inside one unit so that the numbers cannot
// be taken by another station between reading the last one and adding.
Level FileManagerBase::numberAndAdd(bool quiet) {
    Level level;
    Conn* c = ready(true, &level);
    if (!c) return level == LevelBenign ? LevelNotify : level;
    int attempts = 0;
    std::string collidedKey;
    for (;;) {
        int code = ErrNone;
        bool outOfNumbers = false;
        {
            Atomic a(ctx_.impl(), *c);
            if (a.begin() != SQLITE_OK) {
                code = failEngine(*c);
            } else {
                for (std::size_t k = 0; k < def_.keys.size() && code == ErrNone; ++k) {
                    const KeyDef& key = def_.keys[k];
                    if (!key.autoNumber) continue;
                    std::vector<FieldValue> vals;
                    const FieldDef& last = def_.fields[key.components.back()];
                    keyValues(def_, static_cast<int>(k), buffer_, vals, nullptr);
                    sqlite3_stmt* s = c->statement(def_, SqlLastOfGroup, static_cast<int>(k));
                    if (!s) {
                        code = failEngine(*c);
                        break;
                    }
                    long long next = 1;
                    {
                        StmtUse use(s);
                        bindKey(s, def_, static_cast<int>(k), vals, 1, static_cast<int>(key.components.size()) - 1);
                        int rc = sqlite3_step(s);
                        if (rc == SQLITE_ROW)
                            next = sqlite3_column_int64(s, 0) + 1;
                        else if (rc != SQLITE_DONE)
                            code = failEngine(*c);
                    }
                    if (code == ErrNone && !setFieldValue(last, buffer_, FieldValue(next))) {
                        code = fail(ErrValueRange, std::string("No number left for ") + key.fullName);
                        collidedKey = key.fullName;
                        outOfNumbers = true;
                    }
                }
                if (code == ErrNone) code = rawAdd(*c);
                if (code == ErrNone && a.commit() != SQLITE_OK) code = failEngine(*c);
            }
        }
        if (code == ErrNone) return LevelBenign;
        // Only a collision on an auto-numbered key (or a lock) is worth numbering again.
        bool retry = code == ErrLockedOut || outOfNumbers;
        if (code == ErrDuplicateKey) {
            int k = def_.keyIndex(errorKey_);
            retry = k >= 0 && def_.keys[k].autoNumber;
            if (retry) collidedKey = errorKey_;
        }
        if (!retry) return quiet ? LevelNotify : report(code == ErrDuplicateKey ? 15 : 4);
        if (++attempts % kAutoNumberAttempts != 0) continue;
        if (quiet) return LevelNotify;
        std::string keep = errorKey_;
        errorKey_ = collidedKey;
        Level answer = report(38);
        errorKey_ = keep;
        if (answer != LevelBenign) return answer;
    }
}

Level FileManagerBase::doInsert(bool quiet) {
    Level level;
    Conn* c = ready(true, &level);
    if (!c) return level == LevelBenign ? LevelNotify : level;
    if (reserved_ != 0) {
        // The form's record goes over the one reserved when it was primed.
        std::string why;
        if (!normalizeRecord(def_, buffer_, &why)) {
            fail(ErrValueRange, why);
            return quiet ? LevelNotify : report(4);
        }
        if (rawPut(*c, reserved_, buffer_) != ErrNone) return quiet ? LevelNotify : report(errorCode_ == ErrDuplicateKey ? 15 : 4);
        pos_ = reserved_;
        reserved_ = 0;
        markRead();
        return LevelBenign;
    }
    if (def_.hasAutoNumber()) return numberAndAdd(quiet);
    if (add() == ErrNone) return LevelBenign;
    return quiet ? LevelNotify : report(errorCode_ == ErrDuplicateKey ? 15 : 4);
}

Level FileManagerBase::Insert() { return doInsert(false); }
Level FileManagerBase::TryInsert() { return doInsert(true); }

Level FileManagerBase::doUpdate(bool quiet, bool form) {
    Level level;
    Conn* c = ready(true, &level);
    if (!c) return level == LevelBenign ? LevelNotify : level;
    if (pos_ == 0) {
        fail(ErrNoRecord);
        return quiet ? LevelNotify : report(31);
    }
    switch (put()) {
        case ErrNone: return LevelBenign;
        case ErrRecordChanged:
        case ErrNoRecord: {
            // Another station changed (or removed) the record: show theirs, not ours.
            const StoreError code = errorCode_;
            Level answer = quiet ? LevelNotify : report(form ? 8 : 7);
            if (pos_ != 0 && readAt(*c, pos_, buffer_) == ErrNone)
                markRead();
            else
                pos_ = 0;
            errorCode_ = code;
            return quiet ? LevelNotify : answer;
        }
        default: return quiet ? LevelNotify : report(31);
    }
}

Level FileManagerBase::Update() { return doUpdate(false, false); }
Level FileManagerBase::TryUpdate() { return doUpdate(true, false); }
Level FileManagerBase::UpdateForm() { return doUpdate(false, true); }

Level FileManagerBase::PrimeRecord(bool keepBuffer) {
    if (!keepBuffer) clearBuffer();
    if (!def_.hasAutoNumber() || reserved_ != 0) return LevelBenign;
    Level level = numberAndAdd(false);
    if (level == LevelBenign) reserved_ = pos_;
    return level;
}

Level FileManagerBase::CancelAutoInc() {
    if (reserved_ == 0) return LevelBenign;
    pos_ = reserved_;
    reserved_ = 0;
    return erase() == ErrNone ? LevelBenign : LevelNotify;
}

}  // namespace tavlo
