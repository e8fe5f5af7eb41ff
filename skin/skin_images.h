#pragma once
// The pixel data of the five built-in skin bitmaps. The skin carries no image files: these pictures are
// computed here and painted into the shared surfaces when the engine is first used.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "skin/nine_grid.h"

namespace vt {

// 24-bit colour packed 0x00BBGGRR, as the platform's COLORREF.
constexpr uint32_t PackRgb(int red, int green, int blue) {
    return static_cast<uint32_t>(red & 0xFF) | (static_cast<uint32_t>(green & 0xFF) << 8) |
           (static_cast<uint32_t>(blue & 0xFF) << 16);
}

// The transparent key of glyphs and circles: magenta.
inline constexpr uint32_t kSkinKeyColour = PackRgb(255, 0, 255);

struct SkinImage {
    // A pixel not yet painted; never left in a finished image.
    static constexpr uint32_t kUnset = 0xFFFFFFFFu;

    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;  // row by row, top row first

    SkinImage(int32_t w, int32_t h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, kUnset) {}
    uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    void Set(int32_t x, int32_t y, uint32_t colour) {
        pixels[static_cast<std::size_t>(y) * width + x] = colour;
    }
};

SkinImage MakeButtonSkinImage();  // 7 x 84: four push-button faces of 7 x 21, one per face state
SkinImage MakeComboSkinImage();   // 15 x 18: two drop-button backgrounds, two arrows, the rest key
SkinImage MakeGlyphSkinImage();   // 18 x 24: check, grey mark and dot, enabled left, disabled right
SkinImage MakeToggleSkinImage();  // 13 x 52: four option-button circles, one per face state
SkinImage MakeHeaderSkinImage();  // 9 x 20: three header-item backgrounds, normal, hover, pressed

// Tile rectangles (x, y, width, height) within the images, as the painters cut them.
TileRect ButtonFaceTile(int state);       // 0..3
TileRect ComboBackgroundTile(int state);  // 1 hover, 2 pressed
TileRect ComboArrowTile(bool enabled);
TileRect CheckMarkTile(bool enabled);
TileRect GreyMarkTile(bool enabled);
TileRect OptionDotTile(bool enabled);
TileRect ToggleCircleTile(int state);  // 0..3
TileRect HeaderItemTile(int state);    // 0..2; any other state is the normal tile
inline constexpr TileRect kToggleHoverStrip{1, 17, 11, 5};
inline constexpr TileRect kTogglePressedStrip{1, 30, 11, 5};
inline constexpr TileRect kHeaderBackgroundColumn{1, 0, 1, 20};

// The shapes of the keyed tiles: a row is a string of 'X' (drawn) and '.' (key colour).
extern const char* const kArrowShape[4];
extern const char* const kCheckMarkShape[8];
extern const char* const kOptionDotShape[5];
extern const char* const kOptionCircleShape[13];

}  // namespace vt
