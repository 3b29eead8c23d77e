// A memo field keeps bytes exactly: binary contents, trailing blanks, bytes that are not UTF-8;
// it is cut at its size in bytes, never at a character, and any SQLite reader sees a blob.
#include <sqlite3.h>

#include "data/define_table.h"
#include "data/storage.h"
#include "storage_fixture.h"

namespace tavlo {

#define TST_MEMO_FIELDS(F) F(NAME, STRING, 8, 0) F(BODY, MEMO, 16, 0)
#define TST_MEMO_KEYS(K) K(NameKey, Unique | Primary, NAME)

TAVLO_DECLARE_TABLE(TSTMEMO, TME, TST_MEMO_FIELDS, TST_MEMO_KEYS)

const TableDef& TSTMEMO::table() {
    using Self = TSTMEMO;
    static TableDef def = defineTable<TSTMEMO>("TSTMEMO", "TME", "TstMemo", "TSTMEMO",
                                               {TST_MEMO_FIELDS(TAVLO_FIELD_DEF)}, {TST_MEMO_KEYS(TAVLO_KEY_DEF)});
    return def;
}

namespace {

TEST_F(StorageTest, MemoFieldsKeepTheirBytesAndCutAtTheirSize) {
    struct Case {
        const char* name;
        std::string body, stored;
    };
    const std::string binary("\x00\x01\xff\xfe ", 5);
    const std::vector<Case> cases = {
        {"binary", binary, binary},
        {"blanks", "abc   ", "abc   "},
        {"badutf8", "\xc3 \xe2\x82", "\xc3 \xe2\x82"},
        // Sixteen bytes kept even though the cut falls inside the two-byte letter.
        {"long", "123456789012345\xc3\xa9zz", "123456789012345\xc3"},
        {"empty", "", ""},
    };
    auto& memo = use<TSTMEMO>();
    for (const Case& c : cases) {
        memo.clearBuffer();
        memo.rec.NAME = c.name;
        memo.rec.BODY = c.body;
        ASSERT_EQ(memo.Insert(), LevelBenign) << c.name;
    }
    for (const Case& c : cases) {
        memo.clearBuffer();
        memo.rec.NAME = upper(c.name);  // text keys still fold case beside a memo
        ASSERT_EQ(memo.Fetch(TME::NameKey), LevelBenign) << c.name;
        EXPECT_EQ(memo.rec.BODY, c.stored) << c.name;
    }
    // Rewriting a record compares its memo byte for byte with what was read.
    memo.rec.NAME = "binary";
    ASSERT_EQ(memo.Fetch(TME::NameKey), LevelBenign);
    memo.rec.BODY[0] = 'X';
    EXPECT_EQ(memo.Update(), LevelBenign);

    sqlite3* db = openDatabase(folder.path() / "TstMemo.tps", true, false, 1000);
    ASSERT_NE(db, nullptr);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT typeof(BODY), length(BODY) FROM TSTMEMO WHERE NAME='binary'", -1, &s,
                                 nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "blob");
    EXPECT_EQ(sqlite3_column_int(s, 1), 5);
    sqlite3_finalize(s);
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT type FROM pragma_table_info('TSTMEMO') WHERE name='BODY'", -1, &s,
                                 nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "MEMO BLOB(16)");
    sqlite3_finalize(s);
    sqlite3_close(db);

    // Opened again, the layout with its memo is the declared one.
    ctx = std::make_unique<Context>(folder.path());
    auto& again = use<TSTMEMO>();
    again.rec.NAME = "blanks";
    EXPECT_EQ(again.Fetch(TME::NameKey), LevelBenign);
    EXPECT_EQ(again.rec.BODY, "abc   ");
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace tavlo
