#include "util/text.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

TEST(Text, ClipTrimAndCase) {
    EXPECT_EQ(clip("abc  "), "abc");
    EXPECT_EQ(clip("  abc"), "  abc");
    EXPECT_EQ(clip("   "), "");
    EXPECT_EQ(trim("  a b  "), "a b");
    EXPECT_EQ(upper("kaapstad é ß ÿ ÷ 1z"), "KAAPSTAD É ß ÿ ÷ 1Z");
    EXPECT_EQ(lower("ÊÀ×Z"), "êà×z");
    EXPECT_EQ(replaceAll("a%Fa%F", "%F", "xyz"), "axyzaxyz");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(characterCount("Rëkening"), 8u);
}

TEST(Text, ComparisonsIgnoreTrailingBlanks) {
    struct Case {
        const char* a;
        const char* b;
        int noCase;
        bool same;
    };
    const Case cases[] = {
        {"abc", "ABC  ", 0, false}, {"abc ", "abc", 0, true},  {"", "   ", 0, true},
        {"abc", "abd", -1, false},  {"b", "A", 1, false},       {" abc", "abc", -1, false},
        {"émile", "ÉMILE", 0, false}, {"ab", "abc", -1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ(compareNoCase(c.a, c.b), c.noCase);
        EXPECT_EQ(compareNoCase(c.b, c.a), -c.noCase);
        EXPECT_EQ(equalsNoCase(c.a, c.b), c.noCase == 0);
        EXPECT_EQ(sameText(c.a, c.b), c.same);
    }
}

TEST(Text, FixedWidthFieldsNeverSplitACharacter) {
    // "Rëk": R (1 byte), ë (2 bytes), k
    EXPECT_EQ(fitBytes("Rëk", 1), "R");
    EXPECT_EQ(fitBytes("Rëk", 2), "R");
    EXPECT_EQ(fitBytes("Rëk", 3), "Rë");
    EXPECT_EQ(fitBytes("Rëk", 10), "Rëk");
    EXPECT_EQ(fitBytes("€5", 2), "");  // the euro sign takes three bytes
    EXPECT_EQ(padToBytes("Rëk", 2), "R ");
    EXPECT_EQ(padToBytes("ab", 5), "ab   ");
    EXPECT_EQ(padToBytes("abcdef", 3), "abc");
    EXPECT_EQ(fitCString("abcdef", 4), "abc");
    EXPECT_EQ(fitCString("abc", 0), "");
}

}  // namespace
}  // namespace tavlo
