#include "util/invariant.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

TEST(Invariant, HoldingConditionPassesAndIsEvaluatedOnce) {
    int evaluations = 0;
    TAVLO_INVARIANT(1, ++evaluations > 0);
#ifdef NDEBUG
    EXPECT_EQ(evaluations, 0);
#else
    EXPECT_EQ(evaluations, 1);
#endif
}

#ifndef NDEBUG
TEST(InvariantDeathTest, BrokenInvariantAbortsNamingFileNumberAndCondition) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const int cents = 7;
    EXPECT_DEATH(TAVLO_INVARIANT(2, cents % 5 == 0), "invariant_test\\.cpp:[0-9]+: invariant 2 broken: cents % 5 == 0");
}
#endif

}  // namespace
}  // namespace tavlo
