#pragma once
// The pieces of a nine-grid stretch: a source tile drawn at another size keeps its four corners, stretches
// its edges along one axis and its centre along both.
#include <cstdint>
#include <vector>

namespace vt {

// x, y, width, height.
struct TileRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const TileRect&, const TileRect&) = default;
};

struct NineGridMargins {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

enum class NineGridPart {
    Whole,  // no positive margin: the tile stretched as one piece
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight,
    LeftEdge,
    RightEdge,
    TopEdge,
    BottomEdge,
    Centre,
};

struct NineGridPiece {
    NineGridPart part;
    TileRect dest;    // within a dest_width x dest_height target at (0, 0)
    TileRect source;  // within the source surface
    // Corners keep their size and are plain copies; every other piece is stretched.
    bool IsCorner() const;
};

// The pieces to draw, in drawing order. Empty when any of dest_width, dest_height, source.width or
// source.height is 0. With no positive margin the single Whole piece maps the source rectangle
// (x + L, y + T, width - R, height - B) onto the whole target. Otherwise each piece appears only when its
// margins are positive; the centre always qualifies. A piece whose destination or source would have a
// width or height of 0 or less is left out: at zero it would draw nothing, and below zero (a target
// smaller than its margins) it would draw a mirrored strip over the corners.
std::vector<NineGridPiece> NineGridPieces(int32_t dest_width, int32_t dest_height, TileRect source,
                                          NineGridMargins margins);

}  // namespace vt
