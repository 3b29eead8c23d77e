// Lists: sorting by headings, the locator, deleting, and the in-list editor's keys.
#include <gtest/gtest.h>

#include "framework/list.h"
#include "framework/message.h"
#include "support.h"

using namespace tavlo;

namespace {

std::shared_ptr<MemoryRows> items() {
    return std::make_shared<MemoryRows>(std::vector<Row>{
        {{std::string("BREAD"), std::string("Brown bread"), Decimal::of("12.50")}},
        {{std::string("APPLE"), std::string("Red apple"), Decimal::of("3.20")}},
        {{std::string("BUTTER"), std::string("Salted butter"), Decimal::of("45.00")}},
        {{std::string("cheese"), std::string("Cheddar"), Decimal::of("80.10")}},
    });
}

ListControl itemList(std::shared_ptr<MemoryRows> rows) {
    ListControl l({{"Code", "@s20"}, {"Description", "@s40"}, {"Price", "@n10.2"}}, rows);
    l.reload();
    return l;
}

std::vector<std::string> codes(const ListControl& l) {
    std::vector<std::string> out;
    for (const auto& r : l.rows()) out.push_back(valueText(r[0]));
    return out;
}

using Answers = support::MessageScript;

}  // namespace

TEST(List, HeadingClickSortsAndSecondClickReverses) {
    auto l = itemList(items());
    EXPECT_EQ(codes(l), (std::vector<std::string>{"BREAD", "APPLE", "BUTTER", "cheese"}));  // file order
    l.clickHeading(2);
    EXPECT_EQ(codes(l), (std::vector<std::string>{"APPLE", "BREAD", "BUTTER", "cheese"}));  // by price, as numbers
    l.clickHeading(2);
    EXPECT_EQ(codes(l), (std::vector<std::string>{"cheese", "BUTTER", "BREAD", "APPLE"}));
    l.clickHeading(0);  // another column starts ascending again, case ignored
    EXPECT_EQ(codes(l), (std::vector<std::string>{"APPLE", "BREAD", "BUTTER", "cheese"}));
    EXPECT_FALSE(l.descending());
}

TEST(List, SortKeepsTheSelectedRow) {
    auto l = itemList(items());
    l.select(3);  // cheese
    l.clickHeading(0);
    ASSERT_NE(l.selectedRow(), nullptr);
    EXPECT_EQ(valueText((*l.selectedRow())[0]), "cheese");
}

TEST(List, LocatorFindsByTypedPrefixIgnoringCase) {
    auto l = itemList(items());
    l.clickHeading(0);
    struct Case {
        std::vector<Key> keys;
        std::string expected;
    } cases[] = {
        {{Key::ch('b')}, "BREAD"},
        {{Key::ch('b'), Key::ch('u')}, "BUTTER"},
        {{Key::ch('C')}, "cheese"},
        {{Key::ch('b'), Key::ch('u'), Key::of(Key::Backspace), Key::ch('r')}, "BREAD"},
        {{Key::ch('z')}, "APPLE"},  // nothing matches: the selection stays
    };
    for (const auto& c : cases) {
        l.select(0);
        for (const auto& k : c.keys) EXPECT_TRUE(l.takeKey(k));
        EXPECT_EQ(valueText((*l.selectedRow())[0]), c.expected) << c.expected;
    }
    l.takeKey(Key::of(Key::Down));
    EXPECT_TRUE(l.locatorText().empty());  // moving starts the locator again
}

TEST(List, MovementKeysStayInsideTheList) {
    auto l = itemList(items());
    l.select(0);
    l.takeKey(Key::of(Key::Up));
    EXPECT_EQ(l.selected(), 0);
    l.takeKey(Key::of(Key::End));
    EXPECT_EQ(l.selected(), 3);
    l.takeKey(Key::of(Key::PageDown));
    EXPECT_EQ(l.selected(), 3);
    l.takeKey(Key::of(Key::Home));
    EXPECT_EQ(l.selected(), 0);
}

TEST(List, FilterHidesRows) {
    auto l = itemList(items());
    l.filter = [](const Row& r) { return valueNumber(r[2]) > Decimal(10); };
    l.reload();
    EXPECT_EQ(codes(l), (std::vector<std::string>{"BREAD", "BUTTER", "cheese"}));
}

TEST(List, DeleteAsksFirstAndRefusalKeepsTheRow) {
    auto rows = items();
    auto l = itemList(rows);
    l.select(1);
    {
        Answers a({ButtonNo});
        EXPECT_FALSE(l.deleteSelected());
        EXPECT_EQ(a.shown.size(), 1u);
    }
    EXPECT_EQ(l.size(), 4u);
    int before = 0;
    l.beforeDelete = [&](const Row&) { return ++before, true; };
    {
        Answers a({ButtonYes});
        EXPECT_TRUE(l.deleteSelected());
    }
    EXPECT_EQ(before, 1);
    EXPECT_EQ(codes(l), (std::vector<std::string>{"BREAD", "BUTTER", "cheese"}));
    EXPECT_EQ(rows->rows().size(), 3u);
    EXPECT_EQ(l.selected(), 1);
}

// ---- In-list editing -------------------------------------------------------------------------

namespace {
struct Editing {
    std::shared_ptr<MemoryRows> rows = std::make_shared<MemoryRows>();
    ListControl list{{{"Item", "@s20"}, {"Description", "@s40"}, {"Qty", "@n-13.3"}, {"Price", "@n13.3"}, {"Disc", "@n-7.2"}},
                     rows};
    std::vector<std::pair<int, EditAction>> seen;
    bool skipPrice = true;

    Editing() {
        for (int c : {0, 2, 3, 4}) list.columns[static_cast<std::size_t>(c)].editable = true;
        list.editInPlace = true;
        list.onEditAction = [this](int column, EditAction a) {
            seen.emplace_back(column, a);
            if (column == 3 && skipPrice) return EditAction::Forward;  // a column the operator may not edit
            if (column == 0 && a != EditAction::None && a != EditAction::Cancel) {
                if (valueText(list.editRow()[0]) == "NONE") return EditAction::None;  // stays on the code
                list.editRow()[1] = std::string("Item ") + valueText(list.editRow()[0]);
            }
            return a;
        };
        list.reload();
    }
};
}  // namespace

TEST(ListEditing, TabVisitsEditableColumnsAndSkipsAForwardingEditor) {
    Editing e;
    ASSERT_TRUE(e.list.beginInsert());
    EXPECT_EQ(e.list.editColumn(), 0);
    e.list.editorKey(Key::of(Key::Tab), "A1");
    EXPECT_EQ(e.list.editColumn(), 2);
    EXPECT_EQ(valueText(e.list.editRow()[1]), "Item A1");
    e.list.editorKey(Key::of(Key::Tab), "2");
    EXPECT_EQ(e.list.editColumn(), 4);  // price passed on at once
    e.list.editorKey(Key::shiftOf(Key::Tab), "0");
    EXPECT_EQ(e.list.editColumn(), 2);  // backwards skips the price too
    EXPECT_EQ(e.list.size(), 0u);       // nothing saved yet
}

TEST(ListEditing, TabOutOfTheLastColumnSavesWithoutAskingAndOpensTheNextRow) {
    Editing e;
    Answers none({});
    e.list.beginInsert();
    e.list.editorKey(Key::of(Key::Tab), "A1");
    e.list.editorKey(Key::of(Key::Tab), "2");
    e.list.editorKey(Key::of(Key::Tab), "5");
    EXPECT_TRUE(none.shown.empty());
    ASSERT_EQ(e.list.size(), 1u);
    EXPECT_EQ(valueNumber(e.list.rows()[0][2]), Decimal(2));
    EXPECT_EQ(valueNumber(e.list.rows()[0][4]), Decimal(5));
    EXPECT_TRUE(e.list.editing());
    EXPECT_TRUE(e.list.inserting());
    EXPECT_EQ(e.list.editColumn(), 0);
}

TEST(ListEditing, EnterAsksWhenTheRowChanged) {
    struct Case {
        unsigned answer;
        std::size_t rows;
        bool stillEditing;
    } cases[] = {{ButtonYes, 1, false}, {ButtonNo, 0, false}, {ButtonCancel, 0, true}};
    for (const auto& c : cases) {
        Editing e;
        Answers a({c.answer});
        e.list.beginInsert();
        e.list.editorKey(Key::of(Key::Tab), "A1");
        e.list.editorKey(Key::of(Key::Enter), "3");
        EXPECT_EQ(a.shown.size(), 1u);
        EXPECT_EQ(e.list.size(), c.rows) << c.answer;
        EXPECT_EQ(e.list.editing(), c.stillEditing) << c.answer;
    }
}

TEST(ListEditing, EnterOnAnUnchangedRowAsksNothing) {
    Editing e;
    e.rows->rows().push_back(Row{{std::string("A1"), std::string("Item A1"), Decimal(1), Decimal(0), Decimal(0)}, 7});
    e.list.reload();
    Answers a({});
    e.list.select(0);
    ASSERT_TRUE(e.list.beginChange());
    e.list.editorKey(Key::of(Key::Enter), "A1");
    EXPECT_TRUE(a.shown.empty());
    EXPECT_FALSE(e.list.editing());
}

TEST(ListEditing, EscAbandonsTheRow) {
    Editing e;
    e.list.beginInsert();
    e.list.editorKey(Key::of(Key::Tab), "A1");
    e.list.editorKey(Key::of(Key::Esc), "9");
    EXPECT_FALSE(e.list.editing());
    EXPECT_EQ(e.list.size(), 0u);
    EXPECT_EQ(e.seen.back(), std::make_pair(2, EditAction::Cancel));
}

TEST(ListEditing, AnEditorReportingNoneStaysInItsColumn) {
    Editing e;
    e.list.beginInsert();
    e.list.editorKey(Key::of(Key::Tab), "NONE");
    EXPECT_EQ(e.list.editColumn(), 0);
    EXPECT_TRUE(e.list.editing());
}

TEST(ListEditing, UpAndDownSaveAndKeepTheColumn) {
    Editing e;
    for (int i = 1; i <= 2; ++i)
        e.rows->rows().push_back(Row{{std::string("A") + std::to_string(i), std::string(""), Decimal(i), Decimal(0), Decimal(0)}, i});
    e.list.reload();
    Answers a({});
    e.list.select(0);
    e.list.beginChange(2);
    EXPECT_EQ(e.list.editColumn(), 2);
    e.list.editorKey(Key::of(Key::Down), "7");
    EXPECT_EQ(valueNumber(e.list.rows()[0][2]), Decimal(7));
    EXPECT_EQ(e.list.editIndex(), 1);
    EXPECT_EQ(e.list.editColumn(), 2);
    e.list.editorKey(Key::of(Key::Up), "8");
    EXPECT_EQ(valueNumber(e.list.rows()[1][2]), Decimal(8));
    EXPECT_EQ(e.list.editIndex(), 0);
    e.list.editorKey(Key::of(Key::Up), "7");  // at the top: stays on the first row
    EXPECT_EQ(e.list.editIndex(), 0);
    EXPECT_TRUE(a.shown.empty());
}

TEST(ListEditing, TextThatDoesNotFitThePictureKeepsTheEditorWhereItIs) {
    Editing e;
    e.list.beginInsert();
    e.list.editorKey(Key::of(Key::Tab), "A1");
    e.list.editorKey(Key::of(Key::Tab), "two");
    EXPECT_EQ(e.list.editColumn(), 2);
}
