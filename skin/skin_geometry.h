#pragma once
// Platform-free geometry and sequences of the skinned controls: the header item hit test, the combo box's
// drop-button zone, the progress bar fills and the push button's fade.
#include <cstdint>
#include <vector>

#include "skin/nine_grid.h"

namespace vt {

// An item's horizontal extent, left and right as the header reports its rectangle.
struct ItemSpan {
    int32_t left = 0;
    int32_t right = 0;
};

// The first item, in index order, with left <= x <= right; -1 when none (or no items). A point on the
// boundary shared by two items belongs to the lower index.
int HeaderItemAt(int32_t x, const std::vector<ItemSpan>& items);

// The drop button of a combo box w x h with scroll-bar width s covers columns w - s - 2 to w - 2 and rows
// 1 to h - 2; its hit zone is x in [w - s - 2, w - 2] and y in [2, h - 2], bounds included.
bool InComboButtonZone(int32_t x, int32_t y, int32_t w, int32_t h, int32_t s);

// The filled fraction of a progress bar: position / 30000 in single precision, not compared with the
// control's range (a larger position draws past the end and is clipped by the surface).
float ProgressFraction(int32_t position);

// The bar of a progress bar's client area cw x ch (x, y, width, height); width or height 0 when the
// fraction is 0. Vertical bars grow from the bottom. Lengths round to even.
TileRect ProgressClientBar(float fraction, int32_t cw, int32_t ch, bool vertical);

// The frame picture of a progress bar of outer size w x h, client cw x ch, border bx, by: the fills to draw,
// in order, after the frame colour and the white inside. A vertical bar fills the client with the bar
// colour only when smooth, then whitens the part above the bar; a horizontal bar fills its length.
struct ProgressFill {
    TileRect rect;
    bool bar;  // bar colour when true, white when false
};
std::vector<ProgressFill> ProgressFrameFills(float fraction, int32_t bx, int32_t by, int32_t cw, int32_t ch,
                                             bool vertical, bool smooth);

// One tick of the push button's fade: the level painted now is `alpha`; the next level is alpha + 3, and
// at 256 or more the fade ends and the level returns to 0.
struct FadeTick {
    int32_t next_alpha;
    bool finished;
};
FadeTick NextFadeTick(int32_t alpha);

}  // namespace vt
