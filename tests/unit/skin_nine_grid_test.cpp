#include "skin/nine_grid.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

const NineGridPiece* Find(const std::vector<NineGridPiece>& pieces, NineGridPart part) {
    for (const auto& piece : pieces) {
        if (piece.part == part) return &piece;
    }
    return nullptr;
}

TEST(NineGrid, ZeroSizesDrawNothing) {
    const TileRect tile{0, 0, 7, 21};
    EXPECT_TRUE(NineGridPieces(0, 10, tile, {3, 3, 3, 3}).empty());
    EXPECT_TRUE(NineGridPieces(10, 0, tile, {3, 3, 3, 3}).empty());
    EXPECT_TRUE(NineGridPieces(10, 10, {0, 0, 0, 21}, {3, 3, 3, 3}).empty());
    EXPECT_TRUE(NineGridPieces(10, 10, {0, 0, 7, 0}, {}).empty());
}

TEST(NineGrid, NoPositiveMarginStretchesTheWholeTile) {
    auto pieces = NineGridPieces(100, 40, {4, 21, 7, 21}, {});
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].part, NineGridPart::Whole);
    EXPECT_EQ(pieces[0].dest, (TileRect{0, 0, 100, 40}));
    EXPECT_EQ(pieces[0].source, (TileRect{4, 21, 7, 21}));
    EXPECT_FALSE(pieces[0].IsCorner());
}

TEST(NineGrid, MarginsThreeKeepCornersAndStretchTheMiddleColumn) {
    // A 7 x 21 button face drawn 100 x 30.
    auto pieces = NineGridPieces(100, 30, {0, 21, 7, 21}, {3, 3, 3, 3});
    ASSERT_EQ(pieces.size(), 9u);
    const NineGridPart order[] = {
        NineGridPart::TopLeft,     NineGridPart::TopRight,   NineGridPart::BottomLeft,
        NineGridPart::BottomRight, NineGridPart::LeftEdge,   NineGridPart::RightEdge,
        NineGridPart::TopEdge,     NineGridPart::BottomEdge, NineGridPart::Centre};
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(pieces[i].part, order[i]) << i;
    EXPECT_EQ(pieces[0].dest, (TileRect{0, 0, 3, 3}));
    EXPECT_EQ(pieces[0].source, (TileRect{0, 21, 3, 3}));
    EXPECT_EQ(pieces[1].dest, (TileRect{97, 0, 3, 3}));
    EXPECT_EQ(pieces[1].source, (TileRect{4, 21, 3, 3}));
    EXPECT_EQ(pieces[2].dest, (TileRect{0, 27, 3, 3}));
    EXPECT_EQ(pieces[2].source, (TileRect{0, 39, 3, 3}));
    EXPECT_EQ(pieces[3].dest, (TileRect{97, 27, 3, 3}));
    EXPECT_EQ(pieces[3].source, (TileRect{4, 39, 3, 3}));
    EXPECT_EQ(pieces[4].dest, (TileRect{0, 3, 3, 24}));
    EXPECT_EQ(pieces[4].source, (TileRect{0, 24, 3, 15}));
    EXPECT_EQ(pieces[5].dest, (TileRect{97, 3, 3, 24}));
    EXPECT_EQ(pieces[5].source, (TileRect{4, 24, 3, 15}));
    EXPECT_EQ(pieces[6].dest, (TileRect{3, 0, 94, 3}));
    EXPECT_EQ(pieces[6].source, (TileRect{3, 21, 1, 3}));
    EXPECT_EQ(pieces[7].dest, (TileRect{3, 27, 94, 3}));
    EXPECT_EQ(pieces[7].source, (TileRect{3, 39, 1, 3}));
    EXPECT_EQ(pieces[8].dest, (TileRect{3, 3, 94, 24}));
    EXPECT_EQ(pieces[8].source, (TileRect{3, 24, 1, 15}));
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(pieces[i].IsCorner(), i < 4) << i;
}

TEST(NineGrid, UnevenMarginsOfTheComboButton) {
    // Margins 2, 1, 1, 1 on a 4 x 18 tile at (4, 0), drawn 18 x 19.
    auto pieces = NineGridPieces(18, 19, {4, 0, 4, 18}, {2, 1, 1, 1});
    ASSERT_EQ(pieces.size(), 9u);
    EXPECT_EQ(Find(pieces, NineGridPart::TopLeft)->dest, (TileRect{0, 0, 2, 1}));
    EXPECT_EQ(Find(pieces, NineGridPart::TopRight)->source, (TileRect{7, 0, 1, 1}));
    EXPECT_EQ(Find(pieces, NineGridPart::BottomRight)->dest, (TileRect{17, 18, 1, 1}));
    EXPECT_EQ(Find(pieces, NineGridPart::Centre)->dest, (TileRect{2, 1, 15, 17}));
    EXPECT_EQ(Find(pieces, NineGridPart::Centre)->source, (TileRect{6, 1, 1, 16}));
}

TEST(NineGrid, OnlyPositiveMarginsMakeTheirPieces) {
    auto pieces = NineGridPieces(50, 20, {0, 0, 9, 9}, {2, 0, 0, 0});
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].part, NineGridPart::LeftEdge);
    EXPECT_EQ(pieces[0].dest, (TileRect{0, 0, 2, 20}));
    EXPECT_EQ(pieces[0].source, (TileRect{0, 0, 2, 9}));
    EXPECT_EQ(pieces[1].part, NineGridPart::Centre);
    EXPECT_EQ(pieces[1].dest, (TileRect{2, 0, 48, 20}));
    EXPECT_EQ(pieces[1].source, (TileRect{2, 0, 7, 9}));
}

TEST(NineGrid, TargetExactlyAsWideAsItsMarginsHasNoCentre) {
    auto pieces = NineGridPieces(6, 30, {0, 0, 7, 21}, {3, 3, 3, 3});
    EXPECT_NE(Find(pieces, NineGridPart::TopLeft), nullptr);
    EXPECT_NE(Find(pieces, NineGridPart::BottomRight), nullptr);
    EXPECT_EQ(Find(pieces, NineGridPart::LeftEdge)->dest, (TileRect{0, 3, 3, 24}));
    EXPECT_EQ(Find(pieces, NineGridPart::RightEdge)->dest, (TileRect{3, 3, 3, 24}));
    EXPECT_EQ(Find(pieces, NineGridPart::TopEdge), nullptr);
    EXPECT_EQ(Find(pieces, NineGridPart::BottomEdge), nullptr);
    EXPECT_EQ(Find(pieces, NineGridPart::Centre), nullptr);
}

TEST(NineGrid, TargetSmallerThanItsMarginsNeverMirrors) {
    for (const auto& piece : NineGridPieces(4, 4, {0, 0, 7, 21}, {3, 3, 3, 3})) {
        EXPECT_GT(piece.dest.width, 0);
        EXPECT_GT(piece.dest.height, 0);
        EXPECT_GT(piece.source.width, 0);
        EXPECT_GT(piece.source.height, 0);
    }
}

}  // namespace
}  // namespace vt
