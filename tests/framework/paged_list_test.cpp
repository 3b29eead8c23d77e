// Lists over a paged view: a window of rows that reads on as the selection moves, checked against
// the same list read whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "framework/list.h"

using namespace tavlo;

namespace {

// n rows: number i (ids i), a code that runs against the numbers, a price. The view walks its
// own order and by number; the code has no order of its own.
class NumberedRows : public PagedSource {
public:
    explicit NumberedRows(int n) {
        for (int i = 1; i <= n; ++i)
            rows_.push_back(Row{{Value(static_cast<long long>(i)), Value("C" + std::to_string(100000 - i)),
                                 Value(Decimal::fromScaled((i * 7919) % 1000, 2))},
                                i});
    }
    bool sortsBy(int column) const override { return column == 0; }
    std::vector<Row> edge(const Order& order, bool fromEnd, std::size_t count) override {
        const auto all = ordered(order);
        count = std::min(count, all.size());
        auto rows = fromEnd ? std::vector<Row>(all.end() - static_cast<long>(count), all.end())
                            : std::vector<Row>(all.begin(), all.begin() + static_cast<long>(count));
        read += rows.size();
        return rows;
    }
    std::vector<Row> beside(const Order& order, const Row& row, bool backwards, std::size_t count) override {
        const auto all = ordered(order);
        // Where the row stands (or would stand, when it is gone) in the order.
        auto before = [&](const Row& r) {
            long long a = valueNumber(r[0]).toLongLong(), b = valueNumber(row[0]).toLongLong();
            return order.descending ? a > b : a < b;
        };
        auto at = std::partition_point(all.begin(), all.end(), before);
        std::vector<Row> rows;
        if (backwards) {
            auto from = at - std::min<long>(static_cast<long>(count), at - all.begin());
            rows.assign(from, at);
        } else {
            if (at != all.end() && at->id == row.id) ++at;
            rows.assign(at, at + std::min<long>(static_cast<long>(count), all.end() - at));
        }
        read += rows.size();
        return rows;
    }
    bool remove(const Row& row) override {
        std::erase_if(rows_, [&](const Row& r) { return r.id == row.id; });
        return true;
    }
    std::vector<Row> plain() const { return rows_; }
    std::size_t read = 0;

private:
    std::vector<Row> ordered(const Order& order) const {
        auto all = rows_;
        if (order.descending) std::reverse(all.begin(), all.end());
        return all;
    }
    std::vector<Row> rows_;
};

std::vector<ListColumn> columns() { return {{"No", "@n13"}, {"Code", "@s10"}, {"Price", "@n10.2"}}; }

long long selectedNumber(const ListControl& l) { return l.selectedRow() ? valueNumber((*l.selectedRow())[0]).toLongLong() : -1; }

}  // namespace

TEST(PagedList, OpeningReadsOnePageHoweverLongTheView) {
    auto source = std::make_shared<NumberedRows>(100000);
    ListControl l(columns(), source);
    l.reload();
    EXPECT_TRUE(l.windowed());
    EXPECT_EQ(l.size(), l.pageSize);
    EXPECT_EQ(source->read, l.pageSize);
    EXPECT_TRUE(l.windowAtStart());
    EXPECT_FALSE(l.windowAtEnd());
    EXPECT_EQ(selectedNumber(l), 1);
    l.takeKey(Key{Key::End});
    EXPECT_EQ(selectedNumber(l), 100000);
    EXPECT_LE(source->read, 2 * l.pageSize);
}

// Whatever the keys, the paged list selects the row the list read whole selects, and its window
// stays within bounds.
TEST(PagedList, KeysSelectWhatTheWholeListSelects) {
    const Key::Code codes[] = {Key::Up, Key::Down, Key::PageUp, Key::PageDown, Key::Home, Key::End};
    for (int n : {0, 1, 7, 50, 51, 333}) {
        auto source = std::make_shared<NumberedRows>(n);
        ListControl paged(columns(), source);
        paged.pageSize = 8;
        paged.windowLimit = 20;
        ListControl whole(columns(), std::make_shared<MemoryRows>(source->plain()));
        paged.reload();
        whole.reload();
        std::mt19937 random(static_cast<unsigned>(n));
        for (int step = 0; step < 400; ++step) {
            const Key key{codes[random() % 6]};
            const int pageRows = 1 + static_cast<int>(random() % 12);
            paged.takeKey(key, pageRows);
            whole.takeKey(key, pageRows);
            ASSERT_EQ(selectedNumber(paged), selectedNumber(whole)) << n << " rows, step " << step;
            ASSERT_LE(paged.size(), 20u);
        }
    }
}

TEST(PagedList, HeadingsTheViewCanWalkStayPagedOthersSortTheWholeView) {
    auto source = std::make_shared<NumberedRows>(1000);
    ListControl l(columns(), source);
    l.reload();
    l.takeKey(Key{Key::Down}, 10);
    l.takeKey(Key{Key::Down}, 10);  // on number 3

    l.clickHeading(0);  // ascending by number: the selected row stays selected
    EXPECT_TRUE(l.windowed());
    EXPECT_EQ(selectedNumber(l), 3);
    l.clickHeading(0);  // descending
    EXPECT_TRUE(l.windowed());
    EXPECT_EQ(selectedNumber(l), 3);
    l.takeKey(Key{Key::Home});
    EXPECT_EQ(selectedNumber(l), 1000);

    l.clickHeading(1);  // the code has no order of the view's own: every row, sorted here
    EXPECT_FALSE(l.windowed());
    EXPECT_EQ(l.size(), 1000u);
    EXPECT_EQ(selectedNumber(l), 1000);  // its code is the lowest
    EXPECT_EQ(valueText(l.rows()[0][1]), "C99000");
    EXPECT_EQ(valueText(l.rows()[999][1]), "C99999");

    l.clickHeading(0);
    EXPECT_TRUE(l.windowed());
    EXPECT_LE(l.size(), 2 * l.pageSize);
    EXPECT_EQ(selectedNumber(l), 1000);
    l.reload();  // reading again keeps the row
    EXPECT_EQ(selectedNumber(l), 1000);
}

TEST(PagedList, TheExtraFilterAppliesToEveryPageReadEvenEmptyOnes) {
    auto source = std::make_shared<NumberedRows>(1000);
    ListControl l(columns(), source);
    l.pageSize = 10;
    // Only the first two numbers and the hundreds pass: most pages have nothing to show.
    l.filter = [](const Row& r) {
        long long n = valueNumber(r[0]).toLongLong();
        return n <= 2 || n % 100 == 0;
    };
    l.reload();
    EXPECT_EQ(l.size(), 2u);
    std::vector<long long> seen;
    for (int i = 0; i < 15; ++i) {
        seen.push_back(selectedNumber(l));
        l.takeKey(Key{Key::Down});
    }
    EXPECT_EQ(seen, (std::vector<long long>{1, 2, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 1000, 1000, 1000}));
}

TEST(PagedList, ADeletedRowLeavesTheWindowOnItsNeighbours) {
    auto source = std::make_shared<NumberedRows>(500);
    ListControl l(columns(), source);
    l.confirmDelete = false;
    l.reload();
    for (int i = 0; i < 120; ++i) l.takeKey(Key{Key::Down});
    ASSERT_EQ(selectedNumber(l), 121);
    l.reload();
    EXPECT_EQ(selectedNumber(l), 121);
    ASSERT_TRUE(l.deleteSelected());
    // The row after it takes its place, in a window around that place, not back at the start.
    EXPECT_EQ(selectedNumber(l), 122);
    EXPECT_GT(valueNumber(l.rows().front()[0]).toLongLong(), 1);
}

// Scrolling with the mouse reads on at either end without moving the selection off its row,
// and reaches every row of the view; once the window gives the selected row up, the selection
// stays on a row that is read.
TEST(PagedList, ReadingOnAtTheEndsReachesEveryRowAndKeepsTheSelection) {
    auto source = std::make_shared<NumberedRows>(2000);
    ListControl l(columns(), source);
    l.reload();
    l.select(3);
    std::size_t reads = 0;
    while (l.readOn(false)) {
        ++reads;
        ASSERT_LE(l.size(), l.windowLimit);
        ASSERT_NE(l.selectedRow(), nullptr);
        if (reads < (l.windowLimit / l.pageSize) - 1) EXPECT_EQ(selectedNumber(l), 4);
    }
    EXPECT_TRUE(l.windowAtEnd());
    EXPECT_EQ(valueNumber(l.rows().back()[0]).toLongLong(), 2000);
    EXPECT_EQ(reads, 2000 / l.pageSize - 1);
    const long long kept = selectedNumber(l);
    while (l.readOn(true)) {}
    EXPECT_TRUE(l.windowAtStart());
    EXPECT_EQ(valueNumber(l.rows().front()[0]).toLongLong(), 1);
    EXPECT_GE(selectedNumber(l), 1);
    EXPECT_LE(selectedNumber(l), kept);
}
