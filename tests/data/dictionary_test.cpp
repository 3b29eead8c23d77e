// The declarations against the stated record layouts: lengths, counts, offsets, keys, relations.
#include <gtest/gtest.h>

#include <set>

#include "data/tables.h"

namespace tavlo {
namespace {

struct Layout {
    const TableDef& table;
    const char* file;
    int length;
    int fields;
    int keys;
};

TEST(Dictionary, RecordLayoutsMatchTheirStatedLengthsAndCounts) {
    const Layout layouts[] = {
        {PQXV60::table(), "PQxV60.tps", 159, 25, 7},   {PQXV61::table(), "PQxV61.tps", 159, 25, 7},
        {PQXT20::table(), "PQxT20.tps", 118, 19, 12},  {PQXT21::table(), "PQxT21.tps", 179, 34, 18},
        {PQXH20::table(), "PQxH20.tps", 130, 22, 12},  {PQXH21::table(), "PQxH21.tps", 179, 34, 18},
        {PQXA10::table(), "PQxA10.tps", 126, 33, 15},  {PQXA11::table(), "PQxA11.tps", 55, 8, 6},
        {PQXA30::table(), "PQxA30.tps", 358, 61, 15},  {PQXA301::table(), "PQxA301.tps", 147, 21, 5},
        {PQXA40::table(), "PQxA40.tps", 35, 6, 4},     {PQXC10::table(), "PQxC10.tps", 549, 43, 6},
        {PQXC11::table(), "PQxC11.tps", 33, 3, 1},     {PQXV01::table(), "PQxV01.tps", 113, 23, 3},
        {PQXS10::table(), "PQxS10.tps", 671, 41, 1},   {PQXO10::table(), "PQxO10.tps", 38, 3, 2},
        {PACS10::table(), "PAcS10.tps", 361, 18, 1},
    };
    std::set<std::string> labels;
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.table.label);
        int sum = 0;
        for (const FieldDef& f : l.table.fields) {
            EXPECT_EQ(f.offset, sum) << f.name;
            sum += f.bytes;
        }
        EXPECT_EQ(sum, l.length);
        EXPECT_EQ(l.table.recordLength(), l.length);
        EXPECT_EQ(static_cast<int>(l.table.fields.size()), l.fields);
        EXPECT_EQ(static_cast<int>(l.table.keys.size()), l.keys);
        EXPECT_EQ(l.table.diskFile(), l.file);
        labels.insert(l.table.label);
    }
    EXPECT_EQ(labels.size(), 17u);
    EXPECT_EQ(dictionaryTables().size(), 17u);
    EXPECT_EQ(dictionaryTables().front(), &PACS10::table());
    EXPECT_EQ(dictionaryTables().back(), &PQXV61::table());
}

TEST(Dictionary, SpotOffsetsOfTheStatedLayouts) {
    struct Spot {
        const TableDef& table;
        const char* field;
        int offset;
    } spots[] = {
        {PQXV60::table(), "DISCOUNT", 156},       {PQXT20::table(), "TRANTIME", 108},
        {PQXT21::table(), "AGEINGDAYS", 177},     {PQXH20::table(), "CHANGE", 126},
        {PQXA10::table(), "DOCNO", 122},          {PQXA30::table(), "ASSETNOTES", 323},
        {PQXA301::table(), "POSSELLINGPRICE", 140}, {PQXC10::table(), "DUETINV", 548},
        {PQXV01::table(), "EXTERNALCODE", 112},   {PQXS10::table(), "POSDISCACC", 669},
        {PACS10::table(), "DEFAULTEMAIL", 233},
    };
    for (const Spot& s : spots) {
        int i = s.table.fieldIndex(s.field);
        ASSERT_GE(i, 0) << s.field;
        EXPECT_EQ(s.table.fields[i].offset, s.offset) << s.table.label << ":" << s.field;
    }
}

TEST(Dictionary, AutoNumberedKeysAreExactlyTheListedOnes) {
    std::set<std::string> autoKeys;
    for (const TableDef* t : dictionaryTables())
        for (const KeyDef& k : t->keys)
            if (k.autoNumber) autoKeys.insert(k.fullName);
    EXPECT_EQ(autoKeys, (std::set<std::string>{"PT20:DocumentNoKey", "PT21:DetailNumberKey", "PH20:DocumentNoKey",
                                               "PH21:DetailNumberKey", "PA10:AccNumberKey", "PA11:SubNumberKey",
                                               "PA40:TradAccNumberKey", "PC10:AddNumberKey", "PC11:ClientNoKey",
                                               "PS10:SpecNumberKey"}));
}

TEST(Dictionary, KeysCarryTheirRules) {
    const KeyDef& t21Detail = PQXT21::table().keys[PT21::DetailNumberKey.index];
    const KeyDef& h21Detail = PQXH21::table().keys[PH21::DetailNumberKey.index];
    EXPECT_TRUE(t21Detail.unique);
    EXPECT_FALSE(h21Detail.unique);
    EXPECT_TRUE(h21Detail.autoNumber);
    EXPECT_FALSE(h21Detail.keepBlank);

    const KeyDef& doc = PQXT20::table().keys[PT20::DocumentNoKey.index];
    EXPECT_TRUE(doc.unique && doc.keepBlank && doc.primary);
    EXPECT_EQ(PQXT20::table().keyIndex("PT20:RefDateAmountKey"), PT20::RefDateAmountKey.index);
    EXPECT_EQ(PQXT20::table().keyIndex("RefDateAmountKey"), PT20::RefDateAmountKey.index);
    EXPECT_EQ(PQXT20::table().keyIndex("PH20:RefDateAmountKey"), -1);
    EXPECT_EQ(PQXA30::table().keys[PA30::GroupNumberKey.index].components.size(), 3u);
    EXPECT_EQ(PQXS10::table().keys[0].keepBlank, false);
    // Keys are registered in the listed order.
    EXPECT_EQ(PQXA10::table().keys.back().name, "ExtCodeKey");
    EXPECT_EQ(PQXT21::table().keys[12].name, "DetailNumberKey");
}

TEST(Dictionary, RelationsAreRegisteredOnBothSidesInOrder) {
    auto children = [](const TableDef& t) {
        std::vector<std::string> out;
        for (const RelationDef* r : t.parentRelations) out.push_back(r->child->label);
        return out;
    };
    EXPECT_EQ(children(PQXA10::table()), (std::vector<std::string>{"PQXA30", "PQXT21", "PQXC10", "PQXV01", "PQXA11"}));
    EXPECT_EQ(children(PQXA40::table()), (std::vector<std::string>{"PQXA10", "PQXA30"}));
    std::vector<std::string> parents;
    for (const RelationDef* r : PQXT21::table().childRelations) parents.push_back(r->parent->label);
    EXPECT_EQ(parents, (std::vector<std::string>{"PQXA301", "PQXA10", "PQXV01", "PQXA11", "PQXT20"}));

    const RelationDef& h = *PQXH20::table().parentRelations.at(0);
    EXPECT_EQ(h.onUpdate, RelAction::None);
    EXPECT_EQ(h.onDelete, RelAction::Cascade);
    int total = 0;
    for (const TableDef* t : dictionaryTables()) total += static_cast<int>(t->parentRelations.size());
    EXPECT_EQ(total, 13);
    for (const TableDef* t : {&PQXV60::table(), &PQXV61::table(), &PQXC11::table(), &PQXS10::table(),
                              &PQXO10::table(), &PACS10::table()}) {
        EXPECT_TRUE(t->parentRelations.empty()) << t->label;
        EXPECT_TRUE(t->childRelations.empty()) << t->label;
    }
}

TEST(Dictionary, CopyByNameCarriesCommonFields) {
    PQXT21 row;
    row.DOCUMENTNO = 12;
    row.DESCRIPTION = "Bread";
    row.CREDIT = Decimal::of("20.00");
    row.MASS = 1.25;
    row.UNITCOST = 0.5f;
    PQXH21 copy;
    copyFields(copy, row);
    EXPECT_EQ(copy.DOCUMENTNO, 12u);
    EXPECT_EQ(copy.DESCRIPTION, "Bread");
    EXPECT_EQ(copy.CREDIT, Decimal::of("20.00"));
    EXPECT_EQ(copy.MASS, 1.25);
    EXPECT_EQ(copy.UNITCOST, 0.5f);

    PQXH20 h;
    h.PAID = Decimal::of("50.00");
    PQXT20 t;
    t.DOCUMENTNO = 3;
    copyFields(h, t);
    EXPECT_EQ(h.DOCUMENTNO, 3u);
    EXPECT_EQ(h.PAID, Decimal::of("50.00"));  // not in PQXT20: left alone
}

TEST(Dictionary, SettingFieldsFitsTheirDeclaration) {
    const TableDef& t = PQXT20::table();
    PQXT20 r;
    EXPECT_TRUE(setFieldValue(t.fields[t.fieldIndex("REFERENCE1")], &r, FieldValue(std::string("ABCDEFGHIJKLMNOPQRS"))));
    EXPECT_EQ(r.REFERENCE1, "ABCDEFGHIJKLMNO");
    EXPECT_TRUE(setFieldValue(t.fields[t.fieldIndex("AMOUNT")], &r, FieldValue(Decimal::of("1.005"))));
    EXPECT_EQ(r.AMOUNT, Decimal::of("1.01"));
    EXPECT_FALSE(setFieldValue(t.fields[t.fieldIndex("AMOUNT")], &r, FieldValue(Decimal::of("999999999999.99"))));
    EXPECT_FALSE(setFieldValue(t.fields[t.fieldIndex("NOOFENTRIES")], &r, FieldValue(70000LL)));
    EXPECT_FALSE(setFieldValue(t.fields[t.fieldIndex("DOCUMENTNO")], &r, FieldValue(-1LL)));
    EXPECT_TRUE(setFieldValue(t.fields[t.fieldIndex("PT20:DocumentNo")], &r, FieldValue(7LL)));
    EXPECT_EQ(r.DOCUMENTNO, 7u);
}

}  // namespace
}  // namespace tavlo
