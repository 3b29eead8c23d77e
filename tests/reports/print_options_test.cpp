// Which pages are printed and in what order.
#include <gtest/gtest.h>

#include "reports/print_options.h"

namespace tavlo::report {
namespace {

TEST(PagesToPrint, ListsOfPagesAndRanges) {
    struct Case {
        std::string text;
        std::optional<std::vector<int>> pages;  // indexes from 0
    };
    const std::vector<Case> cases = {
        {"", std::vector<int>{0, 1, 2, 3, 4}},
        {"   ", std::vector<int>{0, 1, 2, 3, 4}},
        {"2", std::vector<int>{1}},
        {"1-3", std::vector<int>{0, 1, 2}},
        {" 1 - 2 , 5 ", std::vector<int>{0, 1, 4}},
        {"4-", std::vector<int>{3, 4}},
        {"4-,1", std::vector<int>{3, 4, 0}},
        {"3-9", std::vector<int>{2, 3, 4}},  // a range past the end stops at the last page
        {"6", std::nullopt},                 // no page of this report
        {"0", std::nullopt},
        {"3-1", std::nullopt},
        {"1,,2", std::nullopt},
        {"a", std::nullopt},
        {"1;2", std::nullopt},
        {"99999999999", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(parsePageList(c.text, 5), c.pages) << '"' << c.text << '"';
}

TEST(PrintOptions, RangesCopiesCollationAndFaceUp) {
    const std::vector<bool> marked = {true, false, true, false};
    struct Case {
        PrintOptions options;
        std::vector<int> sequence;
    };
    const std::vector<Case> cases = {
        {{}, {0, 1, 2, 3}},
        {{.range = PageRange::Marked}, {0, 2}},
        {{.range = PageRange::Unmarked}, {1, 3}},
        {{.range = PageRange::Range, .from = 2, .to = 3}, {1, 2}},
        {{.range = PageRange::Range, .from = 3, .to = 9}, {2, 3}},
        {{.range = PageRange::Marked, .copies = 2, .collate = true}, {0, 2, 0, 2}},
        {{.range = PageRange::Marked, .copies = 2, .collate = false}, {0, 0, 2, 2}},
        {{.faceUp = true}, {3, 2, 1, 0}},
        {{.range = PageRange::Unmarked, .copies = 2, .collate = true, .faceUp = true}, {3, 1, 3, 1}},
        {{.copies = 0}, {0, 1, 2, 3}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(printSequence(cases[i].options, 4, marked), cases[i].sequence) << i;
    EXPECT_TRUE(printSequence({.range = PageRange::Marked}, 4, {}).empty());
}

}  // namespace
}  // namespace tavlo::report
