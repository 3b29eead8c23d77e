#include "data/operator_takings.h"

#include <sqlite3.h>

#include <map>
#include <memory>

#include "data/storage_internal.h"
#include "util/text.h"

namespace tavlo {

// What a read across tables needs of a file manager: its open, its failure, its message.
struct StorageAccess {
    static Conn* ready(FileManagerBase& fm, Level* level) { return fm.ready(true, level); }
    static void succeed(FileManagerBase& fm) { fm.fail(ErrNone); }
    static Level fail(FileManagerBase& fm, StoreError code, std::string why) {
        fm.fail(code, std::move(why));
        return fm.report(1);
    }
    static Level failEngine(FileManagerBase& fm, Conn& c) {
        fm.failEngine(c);
        return fm.report(1);
    }
};

namespace {

// Amounts are summed in two parts, the whole thousand-millions and the rest, so that no sum of
// scaled integers can overflow the engine's 64 bits however many documents there are.
constexpr long long kSplit = 1000000000;

// One row per pay method and transaction type. The operator of a header is REFERENCE2 of its
// first detail row, found through an index on the document number: the statement names
// DocumentNoKey's condition (the key leaves blank document numbers out) so that the engine may
// use that key's partial index where the read index is missing. ?1 is the operator number and ?2
// the same followed by "!": only a text between the two can be it followed by blanks, so the
// blanks are trimmed off (which costs) for those alone.
std::string takingsSql(const std::string& headerFile, const std::string& detailFile) {
    const TableSql& headers = tableSql(PQXT20::table());
    const TableSql& details = tableSql(PQXT21::table());
    const std::string& keyed = details.keys[PT21::DocumentNoKey.index].partial;
    const std::string split = std::to_string(kSplit);
    const std::string ref = "d.\"REFERENCE2\"";
    return "SELECT h.\"PAYMETHOD\", h.\"TRANTYPENUMBER\", sum(h.\"AMOUNT\" / " + split + "), sum(h.\"AMOUNT\" % " + split +
           ") FROM \"" + headerFile + "\"." + headers.table + " AS h WHERE (SELECT CASE WHEN " + ref + " = ?1 THEN 1 WHEN " +
           ref + " > ?1 AND " + ref + " < ?2 THEN rtrim(" + ref + ", ' ') = ?1 ELSE 0 END FROM \"" + detailFile + "\"." +
           details.table + " AS d WHERE d.\"DOCUMENTNO\" = h.\"DOCUMENTNO\" AND " + keyed +
           " ORDER BY d.\"_pos\" LIMIT 1) = 1 GROUP BY 1, 2";
}

}  // namespace

Level operatorTakings(Context& ctx, std::string_view operatorNo, std::vector<TakingsSum>& out) {
    out.clear();
    auto& headers = ctx.access<PQXT20>();
    auto& details = ctx.access<PQXT21>();
    Level level = LevelBenign;
    if (!StorageAccess::ready(headers, &level) || !StorageAccess::ready(details, &level)) return level;
    StorageAccess::succeed(headers);
    const std::string op = clip(operatorNo);
    if (op.empty()) return LevelBenign;

    Context::Impl& impl = ctx.impl();
    Conn* conn = nullptr;
    if (impl.txActive) {
        // Inside a transaction the files attached are exactly the ones it writes.
        if (!impl.isEnlisted(PQXT20::table()) || !impl.isEnlisted(PQXT21::table()))
            return StorageAccess::fail(headers, ErrTransaction,
                                       "the takings are read inside a transaction only when it holds both tables");
        conn = impl.tx.get();
    } else {
        std::map<std::string, const TableDef*> files;
        for (const TableDef* t : {&PQXT20::table(), &PQXT21::table()})
            files.emplace((ctx.folder() / t->diskFile()).string(), t);
        std::string why;
        conn = impl.txConnection(&why);
        if (!conn || !impl.attachExactly(files, &why)) return StorageAccess::fail(headers, ErrEngine, why);
    }

    const std::string sql = takingsSql(impl.aliasOf(PQXT20::table()), impl.aliasOf(PQXT21::table()));
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(conn->db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        return StorageAccess::failEngine(headers, *conn);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    const std::string above = op + "!";
    sqlite3_bind_text(raw, 1, op.data(), static_cast<int>(op.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(raw, 2, above.data(), static_cast<int>(above.size()), SQLITE_TRANSIENT);
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        TakingsSum sum;
        // Narrowed as a record buffer reads the fields.
        sum.payMethod = static_cast<std::uint8_t>(sqlite3_column_int64(raw, 0));
        sum.tranType = static_cast<std::uint16_t>(sqlite3_column_int64(raw, 1));
        const __int128 scaled = static_cast<__int128>(sqlite3_column_int64(raw, 2)) * kSplit + sqlite3_column_int64(raw, 3);
        sum.amount = Decimal::fromScaled(scaled, PQXT20::Size::AMOUNT.places);
        out.push_back(sum);
    }
    if (rc != SQLITE_DONE) {
        out.clear();
        return StorageAccess::failEngine(headers, *conn);
    }
    return LevelBenign;
}

}  // namespace tavlo
