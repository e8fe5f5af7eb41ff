#include "skin/skin_geometry.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

TEST(HeaderHitTest, FirstItemWhoseBoundsHoldThePoint) {
    const std::vector<ItemSpan> items{{0, 100}, {100, 160}, {160, 200}};
    EXPECT_EQ(HeaderItemAt(0, items), 0);
    EXPECT_EQ(HeaderItemAt(50, items), 0);
    EXPECT_EQ(HeaderItemAt(100, items), 0);  // shared boundary: the lower index
    EXPECT_EQ(HeaderItemAt(101, items), 1);
    EXPECT_EQ(HeaderItemAt(160, items), 1);
    EXPECT_EQ(HeaderItemAt(200, items), 2);
    EXPECT_EQ(HeaderItemAt(201, items), -1);  // the gap right of the last item
    EXPECT_EQ(HeaderItemAt(-1, items), -1);
    EXPECT_EQ(HeaderItemAt(10, {}), -1);
}

TEST(ComboButtonZone, BoundsIncluded) {
    // w 150, h 22, s 16: x 132..148, y 2..20.
    EXPECT_TRUE(InComboButtonZone(132, 2, 150, 22, 16));
    EXPECT_TRUE(InComboButtonZone(148, 20, 150, 22, 16));
    EXPECT_TRUE(InComboButtonZone(140, 11, 150, 22, 16));
    EXPECT_FALSE(InComboButtonZone(131, 11, 150, 22, 16));
    EXPECT_FALSE(InComboButtonZone(149, 11, 150, 22, 16));
    EXPECT_FALSE(InComboButtonZone(140, 1, 150, 22, 16));
    EXPECT_FALSE(InComboButtonZone(140, 21, 150, 22, 16));
}

TEST(ProgressFills, ClientBarGrowsFromTheLeftOrTheBottom) {
    EXPECT_EQ(ProgressFraction(15000), 0.5f);
    EXPECT_EQ(ProgressClientBar(0.0f, 100, 20, false), (TileRect{0, 0, 0, 0}));
    EXPECT_EQ(ProgressClientBar(ProgressFraction(30000), 100, 20, false), (TileRect{0, 0, 100, 20}));
    EXPECT_EQ(ProgressClientBar(ProgressFraction(15000), 100, 20, false), (TileRect{0, 0, 50, 20}));
    // 25 * 0.5 = 12.5 rounds to 12; 35 * 0.5 = 17.5 rounds to 18.
    EXPECT_EQ(ProgressClientBar(0.5f, 25, 20, false).width, 12);
    EXPECT_EQ(ProgressClientBar(0.5f, 35, 20, false).width, 18);
    EXPECT_EQ(ProgressClientBar(ProgressFraction(15000), 20, 100, true), (TileRect{0, 50, 20, 50}));
    EXPECT_EQ(ProgressClientBar(ProgressFraction(30000), 20, 100, true), (TileRect{0, 0, 20, 100}));
    // Past the end: longer than the client area.
    EXPECT_EQ(ProgressClientBar(ProgressFraction(45000), 100, 20, false).width, 150);
    EXPECT_EQ(ProgressClientBar(ProgressFraction(45000), 20, 100, true), (TileRect{0, -50, 20, 150}));
}

TEST(ProgressFills, FrameFillsByOrientationAndSmoothness) {
    EXPECT_TRUE(ProgressFrameFills(0.0f, 2, 2, 96, 16, false, false).empty());
    auto horizontal = ProgressFrameFills(0.25f, 2, 2, 96, 16, false, false);
    ASSERT_EQ(horizontal.size(), 1u);
    EXPECT_EQ(horizontal[0].rect, (TileRect{2, 2, 24, 16}));
    EXPECT_TRUE(horizontal[0].bar);
    auto smooth = ProgressFrameFills(0.25f, 2, 2, 16, 96, true, true);
    ASSERT_EQ(smooth.size(), 2u);
    EXPECT_EQ(smooth[0].rect, (TileRect{2, 2, 16, 96}));
    EXPECT_TRUE(smooth[0].bar);
    EXPECT_EQ(smooth[1].rect, (TileRect{2, 2, 16, 72}));
    EXPECT_FALSE(smooth[1].bar);
    auto blocky = ProgressFrameFills(0.25f, 2, 2, 16, 96, true, false);
    ASSERT_EQ(blocky.size(), 1u);
    EXPECT_FALSE(blocky[0].bar);
}

TEST(FadeSequence, FromZeroTakes86TicksAndFrom60Takes66) {
    auto ticks_from = [](int alpha) {
        int ticks = 0;
        for (;;) {
            ++ticks;
            FadeTick tick = NextFadeTick(alpha);
            if (tick.finished) {
                EXPECT_EQ(tick.next_alpha, 0);
                return ticks;
            }
            EXPECT_EQ(tick.next_alpha, alpha + 3);
            alpha = tick.next_alpha;
        }
    };
    EXPECT_EQ(ticks_from(0), 86);  // paints 0, 3, ..., 255
    EXPECT_EQ(ticks_from(60), 66);
    EXPECT_TRUE(NextFadeTick(255).finished);
    EXPECT_FALSE(NextFadeTick(252).finished);
    EXPECT_TRUE(NextFadeTick(253).finished);
}

}  // namespace
}  // namespace vt
