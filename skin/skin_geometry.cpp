#include "skin/skin_geometry.h"

#include <cstddef>

#include "base/rounding.h"

namespace vt {

int HeaderItemAt(int32_t x, const std::vector<ItemSpan>& items) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].left <= x && x <= items[i].right) return static_cast<int>(i);
    }
    return -1;
}

bool InComboButtonZone(int32_t x, int32_t y, int32_t w, int32_t h, int32_t s) {
    return x >= w - s - 2 && x <= w - 2 && y >= 2 && y <= h - 2;
}

float ProgressFraction(int32_t position) { return static_cast<float>(position) / 30000.0f; }

TileRect ProgressClientBar(float f, int32_t cw, int32_t ch, bool vertical) {
    if (f == 0.0f) return {0, 0, 0, 0};
    if (vertical) {
        const float length = static_cast<float>(ch) * f;
        return {0, RoundHalfEven(static_cast<float>(ch) - length), cw, RoundHalfEven(length)};
    }
    return {0, 0, RoundHalfEven(static_cast<float>(cw) * f), ch};
}

std::vector<ProgressFill> ProgressFrameFills(float f, int32_t bx, int32_t by, int32_t cw, int32_t ch,
                                             bool vertical, bool smooth) {
    std::vector<ProgressFill> fills;
    if (f == 0.0f) return fills;
    if (vertical) {
        if (smooth) fills.push_back({{bx, by, cw, ch}, true});
        fills.push_back(
            {{bx, by, cw, RoundHalfEven(static_cast<float>(ch) - static_cast<float>(ch) * f)}, false});
    } else {
        fills.push_back({{bx, by, RoundHalfEven(static_cast<float>(cw) * f), ch}, true});
    }
    return fills;
}

FadeTick NextFadeTick(int32_t alpha) {
    const int32_t next = alpha + 3;
    if (next >= 256) return {0, true};
    return {next, false};
}

}  // namespace vt
