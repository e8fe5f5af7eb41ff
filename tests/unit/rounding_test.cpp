#include "base/rounding.h"

#include <gtest/gtest.h>

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
    EXPECT_EQ(vt::RoundHalfEven(0.5), 0);
    EXPECT_EQ(vt::RoundHalfEven(1.5), 2);
    EXPECT_EQ(vt::RoundHalfEven(2.5), 2);
    EXPECT_EQ(vt::RoundHalfEven(-0.5), 0);
    EXPECT_EQ(vt::RoundHalfEven(-1.5), -2);
    EXPECT_EQ(vt::RoundHalfEven(-2.5), -2);
}

TEST(RoundHalfEven, NonTiesRoundToNearest) {
    EXPECT_EQ(vt::RoundHalfEven(2.49), 2);
    EXPECT_EQ(vt::RoundHalfEven(2.51), 3);
    EXPECT_EQ(vt::RoundHalfEven(-2.51), -3);
    EXPECT_EQ(vt::RoundHalfEven(7.0), 7);
}
