#include "exchange/import.h"

#include <algorithm>
#include <map>
#include <optional>

#include "data/file_manager.h"
#include "data/storage.h"
#include "data/tables.h"
#include "exchange/sql.h"
#include "state/globals.h"
#include "util/text.h"

namespace tavlo {

namespace fs = std::filesystem;
using exchange::Column;
using exchange::columnsOf;
using exchange::declaredColumns;
using exchange::quoteName;
using exchange::SqlConnection;

namespace {

// Other tills post with a lock wait of a second; the merge waits longer for its turn.
constexpr int kLockWaitMs = 5000;

// The file the merge's connection opens as its main database: a real file in the data folder,
// so that the commit across the attached table files is atomic and survives a crash.
constexpr const char* kExchangeFile = ".tavlo-exchange";

// The key rows are matched by: the primary key, else the first unique key.
const KeyDef* mergeKey(const TableDef& def) {
    for (const KeyDef& k : def.keys)
        if (k.primary) return &k;
    for (const KeyDef& k : def.keys)
        if (k.unique) return &k;
    return nullptr;
}

// Fields the till keeps on rows that stay, and whether rows the archive lacks stay.
std::vector<std::string> tillOwnedFields(const TableDef& def) {
    if (&def == &PQXA10::table() || &def == &PQXC11::table()) return {"DOCNO"};
    return {};
}
bool keepsRowsNotImported(const TableDef& def) { return &def == &PQXC11::table(); }

// A condition that holds for a value the field cannot take.
std::string badValue(const FieldDef& f) {
    const std::string c = quoteName(f.name);
    auto range = [&](long long lo, long long hi) {
        return "typeof(" + c + ") <> 'integer' OR " + c + " < " + std::to_string(lo) + " OR " + c + " > " +
               std::to_string(hi);
    };
    switch (f.kind) {
        case FieldKind::BYTE: return range(0, 255);
        case FieldKind::SHORT: return range(-32768, 32767);
        case FieldKind::USHORT: return range(0, 65535);
        case FieldKind::LONG: return range(-2147483648LL, 2147483647LL);
        case FieldKind::ULONG: return range(0, 4294967295LL);
        case FieldKind::SREAL:
        case FieldKind::REAL: return "typeof(" + c + ") NOT IN ('real', 'integer')";
        case FieldKind::STRING:
        case FieldKind::CSTRING: {
            const int bytes = f.kind == FieldKind::CSTRING ? f.bytes - 1 : f.bytes;
            return "typeof(" + c + ") <> 'text' OR length(CAST(" + c + " AS BLOB)) > " + std::to_string(bytes);
        }
        case FieldKind::DECIMAL: {
            long long limit = 1;
            for (int i = 0; i < 2 * f.bytes - 1 && i < 18; ++i) limit *= 10;
            return range(-(limit - 1), limit - 1);
        }
        case FieldKind::MEMO:  // bytes kept as they are, up to the field's size
            return "length(CAST(" + c + " AS BLOB)) > " + std::to_string(f.bytes);
    }
    return "1";
}

std::string joinNames(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
    return out;
}

ImportResult refused(ImportResult::Problem problem, std::string names, std::string detail = "") {
    ImportResult r;
    r.problem = problem;
    r.names = std::move(names);
    r.detail = std::move(detail);
    return r;
}

// One staged file: a SQLite file whose table has the declared columns, reads through without
// damage, and holds only values its fields can take.
std::string checkStaged(const TableDef& def, const fs::path& file) {
    SqlConnection c(":memory:", false, true, 0);
    if (!c.ok() || !c.attach(file, "s")) return "it cannot be opened: " + c.error();
    auto kind = c.rows("SELECT type FROM s.sqlite_master WHERE name = " + exchange::quoteText(def.sqlName));
    if (!kind) return "it is not a SQLite file: " + c.error();
    if (kind->size() != 1 || (*kind)[0][0] != "table") return "it holds no table " + def.sqlName;
    auto check = c.rows("PRAGMA s.quick_check");
    if (!check || check->empty() || (*check)[0][0] != "ok")
        return "it is damaged: " + (check && !check->empty() ? (*check)[0][0] : c.error());
    auto have = columnsOf(c, "s", def.sqlName);
    const auto want = declaredColumns(def);
    if (!have) return c.error();
    if (have->size() != want.size()) return "its table has " + std::to_string(have->size()) + " columns, not " + std::to_string(want.size());
    for (std::size_t i = 0; i < want.size(); ++i)
        if (!equalsNoCase((*have)[i].name, want[i].name) || !equalsNoCase((*have)[i].type, want[i].type))
            return "column " + std::to_string(i + 1) + " is " + (*have)[i].name + " " + (*have)[i].type + ", not " +
                   want[i].name + " " + want[i].type;
    std::string which = "CASE", any;
    for (const FieldDef& f : def.fields) {
        which += " WHEN " + badValue(f) + " THEN " + exchange::quoteText(f.name);
        any += (any.empty() ? "" : " OR ") + ("(" + badValue(f) + ")");
    }
    auto bad = c.rows("SELECT " + which + " END FROM s." + quoteName(def.sqlName) + " WHERE " + any + " LIMIT 1");
    if (!bad) return c.error();
    if (!bad->empty()) return "a row holds a value field " + (*bad)[0][0] + " cannot take";
    return {};
}

// The SQL that merges the staged rows of one table (temp.in_<label>) into the live table.
std::vector<std::string> mergeStatements(const TableDef& def, const std::string& live) {
    const auto columns = declaredColumns(def);
    const std::string rowid = quoteName(exchange::rowidColumn(def));
    const std::string in = "temp." + quoteName("in_" + def.label);
    const std::string map = "temp." + quoteName("map_" + def.label);
    const std::string target = quoteName(live) + "." + quoteName(def.sqlName);
    const auto owned = tillOwnedFields(def);
    const KeyDef* key = mergeKey(def);

    std::string on, ownedSelect, names, values;
    for (int c : key->components) {
        const std::string f = quoteName(def.fields[c].name);
        on += (on.empty() ? "" : " AND ") + ("l." + f + " = i." + f);
    }
    for (const std::string& o : owned) ownedSelect += ", l." + quoteName(o) + " AS " + quoteName("own_" + o);
    for (const Column& col : columns) {
        if (col.rowid) continue;
        const std::string c = quoteName(col.name);
        names += (names.empty() ? "" : ", ") + c;
        const int field = def.fieldIndex(col.name);
        const bool isString = field >= 0 && def.fields[field].kind == FieldKind::STRING;
        values += (values.empty() ? "" : ", ") + (isString ? "rtrim(i." + c + ", ' ')" : "i." + c);
    }
    std::string valuesKept = values;
    for (const std::string& o : owned)
        valuesKept = replaceAll(valuesKept, "i." + quoteName(o), "m." + quoteName("own_" + o));

    return {
        "DROP TABLE IF EXISTS " + map,
        "CREATE TABLE " + map + " AS SELECT i." + rowid + " AS spos, l." + rowid + " AS lpos" + ownedSelect +
            " FROM " + in + " AS i JOIN " + target + " AS l ON " + on,
        "DELETE FROM " + target +
            (keepsRowsNotImported(def) ? " WHERE " + rowid + " IN (SELECT lpos FROM " + map + ")" : ""),
        "INSERT INTO " + target + " (" + rowid + ", " + names + ") SELECT m.lpos, " + valuesKept + " FROM " + in +
            " AS i JOIN " + map + " AS m ON m.spos = i." + rowid + " ORDER BY m.lpos",
        "INSERT INTO " + target + " (" + names + ") SELECT " + values + " FROM " + in + " AS i WHERE i." + rowid +
            " NOT IN (SELECT spos FROM " + map + ") ORDER BY i." + rowid,
    };
}

ImportResult merge(Context& context, const std::vector<std::pair<const TableDef*, fs::path>>& staged) {
    // The storage opens the live tables first: it creates a missing one and checks the layout of
    // those there.
    for (const auto& [def, file] : staged) {
        FileManagerBase& fm = context.access(*def);
        fm.UseFile();
        const int level = fm.OpenNow();
        fm.Close();
        if (level != LevelBenign) return refused(ImportResult::Merge, def->diskFile(), "the live table cannot be opened");
    }
    SqlConnection c(context.folder() / kExchangeFile, false, true, kLockWaitMs);
    if (!c.ok()) return refused(ImportResult::Merge, "", c.error());
    for (const auto& [def, file] : staged) {
        const std::string table = "temp." + quoteName("in_" + def->label);
        if (!c.attach(file, "s") ||
            !c.exec("DROP TABLE IF EXISTS " + table) ||
            !c.exec("CREATE TABLE " + table + " AS SELECT * FROM s." + quoteName(def->sqlName)) || !c.detach("s"))
            return refused(ImportResult::Merge, def->diskFile(), c.error());
    }
    // Live files in name order: their write locks are taken in that order, as every till does.
    std::map<std::string, const TableDef*> live;
    for (const auto& [def, file] : staged) live.emplace((context.folder() / def->diskFile()).string(), def);
    for (const auto& [file, def] : live)
        if (!c.attach(file, "l_" + def->label)) return refused(ImportResult::Merge, def->diskFile(), c.error());
    if (!c.exec("BEGIN")) return refused(ImportResult::Merge, "", c.error());
    std::string failed;
    for (const auto& [file, def] : live)
        if (failed.empty() && !c.exec("DELETE FROM " + quoteName("l_" + def->label) + "." + quoteName(def->sqlName) + " WHERE 0"))
            failed = def->diskFile();
    for (const auto& [def, file] : staged)
        for (const std::string& sql : mergeStatements(*def, "l_" + def->label))
            if (failed.empty() && !c.exec(sql)) failed = def->diskFile();
    if (failed.empty() && c.exec("COMMIT")) {
        ImportResult ok;
        for (const auto& [def, file] : staged) ok.imported.push_back(def->label);
        return ok;
    }
    const std::string why = c.error();
    c.exec("ROLLBACK");
    return refused(ImportResult::Merge, failed, why);
}

}  // namespace

const std::vector<const TableDef*>& importableTables() {
    static const std::vector<const TableDef*> tables = {
        &PQXA10::table(), &PQXA11::table(),  &PQXA30::table(), &PQXA301::table(), &PQXA40::table(),
        &PQXC10::table(), &PQXC11::table(),  &PQXV01::table(), &PQXS10::table(),
    };
    return tables;
}

ImportResult importStaged(Context& context, const fs::path& staging) {
    std::vector<std::string> owned, unknown, twice, notFiles;
    std::map<const TableDef*, fs::path> found;
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (const auto& entry : fs::directory_iterator(staging, ec)) entries.push_back(entry);
    std::sort(entries.begin(), entries.end());
    std::map<const TableDef*, std::vector<std::string>> names;
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file(ec) || entry.is_symlink(ec)) {
            notFiles.push_back(name);
            continue;
        }
        const TableDef* table = nullptr;
        for (const TableDef* t : dictionaryTables())
            if (equalsNoCase(t->diskFile(), name)) table = t;
        const auto& allowed = importableTables();
        if (!table) unknown.push_back(name);
        else if (std::find(allowed.begin(), allowed.end(), table) == allowed.end()) owned.push_back(name);
        else {
            names[table].push_back(name);
            found.emplace(table, entry.path());
        }
    }
    for (const auto& [table, list] : names)
        if (list.size() > 1) twice.insert(twice.end(), list.begin(), list.end());
    if (ec) return refused(ImportResult::NoTables, "", ec.message());
    for (auto* list : {&owned, &unknown, &twice, &notFiles}) std::sort(list->begin(), list->end());
    if (!owned.empty()) return refused(ImportResult::TillOwned, joinNames(owned));
    if (!twice.empty()) return refused(ImportResult::Twice, joinNames(twice));
    if (!notFiles.empty()) return refused(ImportResult::NotAFile, joinNames(notFiles));
    if (!unknown.empty()) return refused(ImportResult::Unknown, joinNames(unknown));
    if (found.empty()) return refused(ImportResult::NoTables, "");

    std::vector<std::pair<const TableDef*, fs::path>> staged;
    for (const TableDef* t : importableTables()) {
        auto it = found.find(t);
        if (it == found.end()) continue;
        if (std::string why = checkStaged(*t, it->second); !why.empty())
            return refused(ImportResult::Layout, it->second.filename().string(), why);
        staged.emplace_back(t, it->second);
    }
    return merge(context, staged);
}

std::string importProblemText(const ImportResult& r) {
    switch (r.problem) {
        case ImportResult::None: return "";
        case ImportResult::TillOwned:
            return std::string(byLanguage("Die argief sou die kasregister se eie tabelle vervang: ",
                                          "The archive would replace the till's own tables: ")) + r.names;
        case ImportResult::Unknown:
            return std::string(byLanguage("Die argief bevat lêers wat nie tabelle van die kasregister is nie: ",
                                          "The archive holds files that are not tables of the till: ")) + r.names;
        case ImportResult::Twice:
            return std::string(byLanguage("Die argief bevat een tabel onder twee name: ",
                                          "The archive holds one table under two names: ")) + r.names;
        case ImportResult::NotAFile:
            return std::string(byLanguage("Die argief bevat vouers of skakels: ", "The archive holds folders or links: ")) +
                   r.names;
        case ImportResult::NoTables:
            return std::string(byLanguage("Die argief bevat geen tabelle nie", "The archive holds no tables")) +
                   (r.detail.empty() ? "" : ": " + r.detail);
        case ImportResult::Layout:
            return r.names + std::string(byLanguage(" is nie 'n tabel met die verwagte uitleg nie: ",
                                                    " is not a table of the expected layout: ")) + r.detail;
        case ImportResult::Merge:
            return std::string(byLanguage("Die data kon nie saamgevoeg word nie", "The data could not be merged")) +
                   (r.names.empty() ? "" : " (" + r.names + ")") + ": " + r.detail;
    }
    return "";
}

}  // namespace tavlo
