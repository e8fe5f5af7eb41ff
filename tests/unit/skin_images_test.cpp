#include "skin/skin_images.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace vt {
namespace {

constexpr uint32_t kMagenta = PackRgb(255, 0, 255);

// The image rows of a tile as 'X' (not key) and '.' (key) strings.
std::vector<std::string> ShapeOf(const SkinImage& image, TileRect tile) {
    std::vector<std::string> rows;
    for (int y = tile.y; y < tile.y + tile.height; ++y) {
        std::string row;
        for (int x = tile.x; x < tile.x + tile.width; ++x) row += image.At(x, y) == kMagenta ? '.' : 'X';
        rows.push_back(row);
    }
    return rows;
}

template <size_t N>
std::vector<std::string> Rows(const char* const (&shape)[N]) {
    return std::vector<std::string>(shape, shape + N);
}

int Red(uint32_t c) { return c & 0xFF; }
int Green(uint32_t c) { return (c >> 8) & 0xFF; }
int Blue(uint32_t c) { return (c >> 16) & 0xFF; }
int Luma(uint32_t c) { return Red(c) + Green(c) + Blue(c); }

TEST(SkinImages, SizesAndEveryPixelSet) {
    struct Case {
        SkinImage image;
        int width, height;
    } cases[] = {{MakeButtonSkinImage(), 7, 84},
                 {MakeComboSkinImage(), 15, 18},
                 {MakeGlyphSkinImage(), 18, 24},
                 {MakeToggleSkinImage(), 13, 52},
                 {MakeHeaderSkinImage(), 9, 20}};
    size_t total = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(c.image.width, c.width);
        EXPECT_EQ(c.image.height, c.height);
        ASSERT_EQ(c.image.pixels.size(), static_cast<size_t>(c.width * c.height));
        for (uint32_t pixel : c.image.pixels) {
            EXPECT_NE(pixel, SkinImage::kUnset);
            EXPECT_EQ(pixel & 0xFF000000u, 0u);
        }
        total += c.image.pixels.size();
    }
    EXPECT_EQ(total, 2146u);
}

TEST(SkinImages, TileRectangles) {
    for (int s = 0; s < 4; ++s) EXPECT_EQ(ButtonFaceTile(s), (TileRect{0, 21 * s, 7, 21}));
    EXPECT_EQ(ComboBackgroundTile(1), (TileRect{0, 0, 4, 18}));
    EXPECT_EQ(ComboBackgroundTile(2), (TileRect{4, 0, 4, 18}));
    EXPECT_EQ(ComboArrowTile(true), (TileRect{8, 0, 7, 4}));
    EXPECT_EQ(ComboArrowTile(false), (TileRect{8, 4, 7, 4}));
    EXPECT_EQ(CheckMarkTile(true), (TileRect{0, 0, 9, 8}));
    EXPECT_EQ(CheckMarkTile(false), (TileRect{9, 0, 9, 8}));
    EXPECT_EQ(GreyMarkTile(true), (TileRect{1, 9, 7, 7}));
    EXPECT_EQ(GreyMarkTile(false), (TileRect{10, 9, 7, 7}));
    EXPECT_EQ(OptionDotTile(true), (TileRect{2, 18, 5, 5}));
    EXPECT_EQ(OptionDotTile(false), (TileRect{11, 18, 5, 5}));
    for (int s = 0; s < 4; ++s) EXPECT_EQ(ToggleCircleTile(s), (TileRect{0, 13 * s, 13, 13}));
    EXPECT_EQ(HeaderItemTile(0), (TileRect{0, 0, 3, 20}));
    EXPECT_EQ(HeaderItemTile(1), (TileRect{3, 0, 3, 20}));
    EXPECT_EQ(HeaderItemTile(2), (TileRect{6, 0, 3, 20}));
}

TEST(ButtonSkinImage, TellingColoursAndFrames) {
    const SkinImage image = MakeButtonSkinImage();
    EXPECT_EQ(image.At(0, 0), PackRgb(191, 225, 249));
    EXPECT_EQ(image.At(0, 3), PackRgb(27, 143, 213));
    const uint32_t frame = PackRgb(27, 143, 213);
    for (int s = 0; s < 3; ++s) {
        const int y0 = 21 * s;
        EXPECT_EQ(image.At(0, y0), PackRgb(191, 225, 249)) << s;
        EXPECT_EQ(image.At(6, y0), PackRgb(191, 225, 249)) << s;
        EXPECT_EQ(image.At(0, y0 + 20), PackRgb(202, 231, 251)) << s;
        EXPECT_EQ(image.At(6, y0 + 20), PackRgb(202, 231, 251)) << s;
        // The stretched middle column and rows carry the plain frame.
        EXPECT_EQ(image.At(3, y0), frame) << s;
        EXPECT_EQ(image.At(3, y0 + 20), frame) << s;
        for (int y = 3; y <= 17; ++y) {
            EXPECT_EQ(image.At(0, y0 + y), frame) << s << "," << y;
            EXPECT_EQ(image.At(6, y0 + y), frame) << s << "," << y;
        }
        // Along the frame the corner pixels fade from near white into the frame colour.
        EXPECT_GT(Luma(image.At(0, y0 + 1)), Luma(image.At(0, y0 + 2)));
        EXPECT_GT(Luma(image.At(0, y0 + 2)), Luma(frame));
        EXPECT_GT(Luma(image.At(1, y0)), Luma(image.At(2, y0)));
    }
    // Disabled: pale frame and pale corners.
    EXPECT_EQ(image.At(0, 63 + 5), PackRgb(135, 195, 232));
    EXPECT_EQ(image.At(3, 63), PackRgb(135, 195, 232));
    EXPECT_EQ(image.At(0, 63), PackRgb(242, 247, 251));
    EXPECT_EQ(image.At(6, 83), PackRgb(242, 247, 251));
}

TEST(ButtonSkinImage, InteriorGradients) {
    const SkinImage image = MakeButtonSkinImage();
    // Normal: white on rows 1 and 2, down to (176, 207, 233) at row 18, a lighter row 19.
    EXPECT_EQ(image.At(3, 1), PackRgb(255, 255, 255));
    EXPECT_EQ(image.At(3, 2), PackRgb(255, 255, 255));
    EXPECT_EQ(image.At(3, 18), PackRgb(176, 207, 233));
    EXPECT_EQ(image.At(3, 19), PackRgb(204, 224, 241));
    for (int y = 3; y <= 18; ++y) EXPECT_LT(Luma(image.At(3, y)), Luma(image.At(3, y - 1))) << y;
    // Hover: bright inner lines, a falling gradient between.
    EXPECT_EQ(image.At(3, 21 + 1), PackRgb(76, 195, 251));
    EXPECT_EQ(image.At(3, 21 + 19), PackRgb(63, 187, 248));
    EXPECT_EQ(image.At(3, 21 + 2), PackRgb(198, 237, 255));
    EXPECT_EQ(image.At(3, 21 + 18), PackRgb(153, 210, 243));
    // Pressed: the gradient runs the other way.
    EXPECT_EQ(image.At(3, 42 + 1), PackRgb(57, 188, 251));
    EXPECT_EQ(image.At(3, 42 + 19), PackRgb(64, 193, 253));
    EXPECT_EQ(image.At(3, 42 + 2), PackRgb(134, 204, 243));
    EXPECT_EQ(image.At(3, 42 + 18), PackRgb(214, 239, 252));
    EXPECT_GT(Luma(image.At(3, 42 + 18)), Luma(image.At(3, 42 + 2)));
    // Disabled: from (248, 251, 253) to (209, 227, 242).
    EXPECT_EQ(image.At(3, 63 + 1), PackRgb(248, 251, 253));
    EXPECT_EQ(image.At(3, 63 + 19), PackRgb(209, 227, 242));
    // Interior rows are even across the stretched middle: the middle three columns agree.
    for (int y = 0; y < 84; ++y) {
        if (y % 21 == 0 || y % 21 == 20) continue;
        EXPECT_EQ(image.At(2, y), image.At(3, y)) << y;
        EXPECT_EQ(image.At(4, y), image.At(3, y)) << y;
    }
}

TEST(ComboSkinImage, BackgroundsArrowsAndKey) {
    const SkinImage image = MakeComboSkinImage();
    for (int y = 8; y <= 17; ++y) {
        for (int x = 8; x <= 14; ++x) EXPECT_EQ(image.At(x, y), kMagenta) << x << "," << y;
    }
    EXPECT_EQ(ShapeOf(image, ComboArrowTile(true)), Rows(kArrowShape));
    EXPECT_EQ(ShapeOf(image, ComboArrowTile(false)), Rows(kArrowShape));
    EXPECT_EQ(ShapeOf(image, ComboArrowTile(true))[0], "XXXXXXX");
    EXPECT_EQ(ShapeOf(image, ComboArrowTile(true))[3], "...X...");
    EXPECT_EQ(image.At(11, 3), PackRgb(25, 85, 95));
    EXPECT_EQ(image.At(8, 0), PackRgb(25, 85, 95));
    EXPECT_EQ(image.At(11, 7), PackRgb(132, 165, 172));
    for (int y = 0; y < 18; ++y) {
        EXPECT_EQ(image.At(0, y), PackRgb(78, 160, 209)) << y;
        EXPECT_EQ(image.At(4, y), PackRgb(78, 160, 209)) << y;
        EXPECT_EQ(image.At(1, y), image.At(3, y)) << y;
        EXPECT_EQ(image.At(5, y), image.At(7, y)) << y;
        EXPECT_LT(Luma(image.At(2, y)), Luma(image.At(1, y))) << y;  // the middle is darker
        EXPECT_LT(Luma(image.At(6, y)), Luma(image.At(5, y))) << y;
    }
    EXPECT_EQ(image.At(1, 0), PackRgb(232, 249, 255));
    EXPECT_EQ(image.At(1, 17), PackRgb(192, 225, 243));
    EXPECT_EQ(image.At(2, 0), PackRgb(193, 238, 253));
    EXPECT_EQ(image.At(2, 17), PackRgb(101, 184, 227));
    EXPECT_EQ(image.At(5, 0), PackRgb(190, 225, 243));
    EXPECT_EQ(image.At(5, 17), PackRgb(230, 248, 254));
    EXPECT_EQ(image.At(6, 1), PackRgb(97, 181, 226));
}

TEST(GlyphSkinImage, ShapesAndKeyAround) {
    const SkinImage image = MakeGlyphSkinImage();
    for (bool enabled : {true, false}) {
        EXPECT_EQ(ShapeOf(image, CheckMarkTile(enabled)), Rows(kCheckMarkShape)) << enabled;
        EXPECT_EQ(ShapeOf(image, GreyMarkTile(enabled)), std::vector<std::string>(7, "XXXXXXX")) << enabled;
        EXPECT_EQ(ShapeOf(image, OptionDotTile(enabled)), Rows(kOptionDotShape)) << enabled;
    }
    EXPECT_EQ(ShapeOf(image, {0, 0, 9, 8})[3], "XX...XXX.");
    // Everything outside the three enabled and three disabled tiles is key.
    int drawn = 0;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 18; ++x) {
            const bool in_tile = (y < 8) ||
                                 (y >= 9 && y < 16 && ((x >= 1 && x < 8) || (x >= 10 && x < 17))) ||
                                 (y >= 18 && y < 23 && ((x >= 2 && x < 7) || (x >= 11 && x < 16)));
            if (!in_tile) {
                EXPECT_EQ(image.At(x, y), kMagenta) << x << "," << y;
            }
            if (image.At(x, y) != kMagenta) ++drawn;
        }
    }
    EXPECT_EQ(drawn, 2 * (26 + 49 + 21));
    EXPECT_EQ(image.At(1, 9), PackRgb(81, 180, 27));
    EXPECT_EQ(image.At(1, 15), PackRgb(64, 158, 12));
    EXPECT_EQ(image.At(10, 9), PackRgb(166, 217, 139));
    EXPECT_EQ(image.At(16, 15), PackRgb(158, 206, 131));
    // Green, the disabled version pale.
    for (uint32_t c : {image.At(8, 0), image.At(4, 20)}) EXPECT_GT(Green(c), 2 * Red(c));
    EXPECT_GT(Luma(image.At(17, 0)), Luma(image.At(8, 0)));
    EXPECT_GT(Luma(image.At(13, 20)), Luma(image.At(4, 20)));
}

TEST(ToggleSkinImage, CirclesWithKeyOutside) {
    const SkinImage image = MakeToggleSkinImage();
    for (int s = 0; s < 4; ++s) {
        const TileRect tile = ToggleCircleTile(s);
        EXPECT_EQ(ShapeOf(image, tile), Rows(kOptionCircleShape)) << s;
        EXPECT_EQ(image.At(0, tile.y), kMagenta);
        EXPECT_EQ(image.At(12, tile.y), kMagenta);
        EXPECT_EQ(image.At(0, tile.y + 12), kMagenta);
        EXPECT_EQ(image.At(12, tile.y + 12), kMagenta);
    }
    EXPECT_EQ(image.At(6, 0), PackRgb(134, 168, 211));       // normal ring
    EXPECT_EQ(image.At(6, 6), PackRgb(255, 255, 255));       // white inside
    EXPECT_EQ(image.At(6, 26), PackRgb(103, 139, 194));      // pressed ring
    EXPECT_EQ(image.At(0, 39 + 6), PackRgb(194, 211, 233));  // disabled ring
    EXPECT_EQ(image.At(6, 39 + 6), PackRgb(255, 255, 255));
    // The check box fills come from inside the hover and pressed circles: no key, no ring.
    for (TileRect strip : {kToggleHoverStrip, kTogglePressedStrip}) {
        for (int y = strip.y; y < strip.y + strip.height; ++y) {
            for (int x = strip.x; x < strip.x + strip.width; ++x) {
                EXPECT_NE(image.At(x, y), kMagenta);
                EXPECT_NE(image.At(x, y), PackRgb(134, 168, 211));
                EXPECT_NE(image.At(x, y), PackRgb(103, 139, 194));
            }
        }
    }
    const uint32_t hover_fill = image.At(6, 13 + 6), pressed_fill = image.At(6, 26 + 6);
    EXPECT_LE(std::abs(Red(hover_fill) - 195) + std::abs(Green(hover_fill) - 234) +
                  std::abs(Blue(hover_fill) - 248),
              12);
    EXPECT_LE(std::abs(Red(pressed_fill) - 173) + std::abs(Green(pressed_fill) - 225) +
                  std::abs(Blue(pressed_fill) - 245),
              12);
    EXPECT_NE(image.At(6, 13 + 2), image.At(6, 13 + 10));  // a gradient
}

TEST(HeaderSkinImage, ColumnsOfTheThreeLooks) {
    const SkinImage image = MakeHeaderSkinImage();
    EXPECT_EQ(image.At(0, 0), PackRgb(234, 245, 254));
    EXPECT_EQ(image.At(1, 19), PackRgb(211, 229, 246));
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(image.At(2, y), PackRgb(122, 176, 217)) << y;
        EXPECT_EQ(image.At(3, y), PackRgb(94, 194, 250)) << y;
        EXPECT_EQ(image.At(4, y), PackRgb(175, 225, 253)) << y;
        EXPECT_EQ(image.At(5, y), PackRgb(75, 162, 219)) << y;
        EXPECT_EQ(image.At(6, y), PackRgb(94, 194, 250)) << y;
        EXPECT_EQ(image.At(8, y), PackRgb(75, 162, 219)) << y;
    }
    EXPECT_EQ(image.At(7, 0), PackRgb(151, 215, 251));
    EXPECT_EQ(image.At(7, 19), PackRgb(200, 242, 255));
}

}  // namespace
}  // namespace vt
