#include "skin/nine_grid.h"

namespace vt {

bool NineGridPiece::IsCorner() const {
    return part == NineGridPart::TopLeft || part == NineGridPart::TopRight ||
           part == NineGridPart::BottomLeft || part == NineGridPart::BottomRight;
}

std::vector<NineGridPiece> NineGridPieces(int32_t dw, int32_t dh, TileRect s, NineGridMargins m) {
    std::vector<NineGridPiece> pieces;
    if (dw == 0 || dh == 0 || s.width == 0 || s.height == 0) return pieces;
    const int32_t L = m.left, T = m.top, R = m.right, B = m.bottom;
    auto add = [&pieces](NineGridPart part, TileRect dest, TileRect source) {
        if (dest.width <= 0 || dest.height <= 0 || source.width <= 0 || source.height <= 0) return;
        pieces.push_back({part, dest, source});
    };
    if (L <= 0 && T <= 0 && R <= 0 && B <= 0) {
        add(NineGridPart::Whole, {0, 0, dw, dh}, {s.x + L, s.y + T, s.width - R, s.height - B});
        return pieces;
    }
    if (L > 0 && T > 0) add(NineGridPart::TopLeft, {0, 0, L, T}, {s.x, s.y, L, T});
    if (R > 0 && T > 0) add(NineGridPart::TopRight, {dw - R, 0, R, T}, {s.x + s.width - R, s.y, R, T});
    if (L > 0 && B > 0) add(NineGridPart::BottomLeft, {0, dh - B, L, B}, {s.x, s.y + s.height - B, L, B});
    if (R > 0 && B > 0) {
        add(NineGridPart::BottomRight, {dw - R, dh - B, R, B}, {s.x + s.width - R, s.y + s.height - B, R, B});
    }
    if (L > 0) add(NineGridPart::LeftEdge, {0, T, L, dh - T - B}, {s.x, s.y + T, L, s.height - T - B});
    if (R > 0) {
        add(NineGridPart::RightEdge, {dw - R, T, R, dh - T - B},
            {s.x + s.width - R, s.y + T, R, s.height - T - B});
    }
    if (T > 0) add(NineGridPart::TopEdge, {L, 0, dw - L - R, T}, {s.x + L, s.y, s.width - L - R, T});
    if (B > 0) {
        add(NineGridPart::BottomEdge, {L, dh - B, dw - L - R, B},
            {s.x + L, s.y + s.height - B, s.width - L - R, B});
    }
    add(NineGridPart::Centre, {L, T, dw - L - R, dh - T - B},
        {s.x + L, s.y + T, s.width - L - R, s.height - T - B});
    return pieces;
}

}  // namespace vt
