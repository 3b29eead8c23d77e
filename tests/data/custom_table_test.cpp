// Tables declared outside the dictionary, two of them in one file, with a relation that
// restricts changes, and a key numbered within its leading component.
#include "data/define_table.h"
#include "storage_fixture.h"

namespace tavlo {

#define TST_GROUP_FIELDS(F) F(CODE, STRING, 4, 0) F(NAME, STRING, 20, 0)
#define TST_GROUP_KEYS(K) K(CodeKey, Unique | Keep | Primary, CODE)
#define TST_MEMBER_FIELDS(F) F(CODE, STRING, 4, 0) F(LINE, USHORT, 2, 0) F(AMOUNT, DECIMAL, 5, 2)
#define TST_MEMBER_KEYS(K) K(CodeLineKey, Unique | Keep | Primary | Auto, CODE, LINE)

TAVLO_DECLARE_TABLE(TSTGROUP, TG, TST_GROUP_FIELDS, TST_GROUP_KEYS)
TAVLO_DECLARE_TABLE(TSTMEMBER, TM, TST_MEMBER_FIELDS, TST_MEMBER_KEYS)

namespace {
struct TestStore {
    TableDef group, member;
    TestStore() {
        {
            using Self = TSTGROUP;
            group = defineTable<TSTGROUP>("TSTGROUP", "TG", "TstStore", "TSTGROUP", {TST_GROUP_FIELDS(TAVLO_FIELD_DEF)},
                                          {TST_GROUP_KEYS(TAVLO_KEY_DEF)});
        }
        {
            using Self = TSTMEMBER;
            member = defineTable<TSTMEMBER>("TSTMEMBER", "TM", "TstStore", "TSTMEMBER",
                                            {TST_MEMBER_FIELDS(TAVLO_FIELD_DEF)}, {TST_MEMBER_KEYS(TAVLO_KEY_DEF)});
        }
        addRelation(group, member, {{"CODE", "CODE"}}, "CodeLineKey", RelAction::Restrict, RelAction::Cascade);
    }
};
TestStore& store() {
    static TestStore s;
    return s;
}
}  // namespace

const TableDef& TSTGROUP::table() { return store().group; }
const TableDef& TSTMEMBER::table() { return store().member; }

namespace {

TEST_F(StorageTest, TablesOfOneFileNumberWithinALeadingComponentAndRestrictChanges) {
    auto& groups = use<TSTGROUP>();
    auto& members = use<TSTMEMBER>();
    for (const char* code : {"AA", "BB"}) {
        groups.clearBuffer();
        groups.rec.CODE = code;
        ASSERT_EQ(groups.Insert(), LevelBenign);
    }
    std::vector<int> lines;
    for (const char* code : {"AA", "AA", "BB", "aa"}) {
        members.clearBuffer();
        members.rec.CODE = code;
        members.rec.LINE = 99;
        ASSERT_EQ(members.Insert(), LevelBenign);
        lines.push_back(members.rec.LINE);
    }
    EXPECT_EQ(lines, (std::vector<int>{1, 2, 1, 3}));
    EXPECT_TRUE(std::filesystem::exists(folder / "TstStore.tps"));
    EXPECT_FALSE(std::filesystem::exists(folder / "TSTMEMBER.tps"));

    {
        auto tx = ctx->transaction<TSTGROUP, TSTMEMBER>(std::chrono::seconds(1));
        ASSERT_TRUE(tx.active()) << tx.errorText();
        members.clearBuffer();
        members.rec.CODE = "BB";
        ASSERT_EQ(members.Insert(), LevelBenign);
        EXPECT_TRUE(tx.commit());
    }
    EXPECT_EQ(members.records(), 5);

    // A group with members keeps its code; the code in the buffer goes back.
    groups.rec.CODE = "AA";
    ASSERT_EQ(groups.Fetch(TG::CodeKey), LevelBenign);
    groups.rec.CODE = "CC";
    groups.rec.NAME = "renamed";
    EXPECT_EQ(ctx->relate<TSTGROUP>().Update(), LevelNotify);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Referential Integrity Update Error");
    EXPECT_NE(messages.shown[0].text.find("TstStore"), std::string::npos);
    EXPECT_EQ(groups.rec.CODE, "AA");
    EXPECT_EQ(groups.rec.NAME, "renamed");
    EXPECT_EQ(ctx->relate<TSTGROUP>().Update(), LevelBenign) << "the rest of the change goes through";

    // Deleting a group takes its members (cascade) in the same file.
    ASSERT_EQ(ctx->relate<TSTGROUP>().Delete(false), LevelBenign);
    EXPECT_EQ(members.records(), 2);
    EXPECT_EQ(groups.records(), 1);
}

}  // namespace
}  // namespace tavlo
