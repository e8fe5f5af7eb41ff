#include "skin/skin_primitives.h"

#include <gtest/gtest.h>

#include <array>

#include "skin/skin_engine.h"
#include "skin/skin_images.h"
#include "skin/skin_vocabulary.h"
#include "skin_test_support.h"

namespace vt {
namespace {

using namespace skin_test;

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// A 7 x 21 tile whose every pixel has its own colour.
COLORREF TileColour(int x, int y) { return RGB(20 + 30 * x, 5 + 10 * y, 77); }

// A pixel a case expects, and the check of a table of them.
struct Point {
    int x, y;
    COLORREF want;
};

template <size_t N>
void ExpectPoints(HDC dc, const Point (&points)[N]) {
    for (const Point& p : points) EXPECT_EQ(GetPixel(dc, p.x, p.y), p.want) << p.x << "," << p.y;
}

Surface DistinctTile() {
    Surface tile = CreateSurface(7, 21);
    for (int y = 0; y < 21; ++y) {
        for (int x = 0; x < 7; ++x) SetPixel(tile.dc(), x, y, TileColour(x, y));
    }
    return tile;
}

TEST(SkinSurface, IsADisplayCompatibleBitmapOfTheSize) {
    Surface surface = CreateSurface(33, 17);
    ASSERT_TRUE(surface);
    BITMAP info{};
    ASSERT_EQ(GetObjectW(surface.bitmap(), sizeof(info), &info), static_cast<int>(sizeof(info)));
    EXPECT_EQ(info.bmWidth, 33);
    EXPECT_EQ(info.bmHeight, 17);
    EXPECT_GE(info.bmBitsPixel, 24);
    EXPECT_EQ(GetCurrentObject(surface.dc(), OBJ_BITMAP), surface.bitmap());
    EXPECT_NE(SetPixel(surface.dc(), 32, 16, RGB(1, 2, 3)), static_cast<COLORREF>(-1));
    EXPECT_EQ(GetPixel(surface.dc(), 32, 16), RGB(1, 2, 3));
    surface.reset();
    EXPECT_FALSE(surface);
}

TEST(SkinStretchTile, WithoutMarginsStretchesTheWholeTile) {
    Surface tile = CreateSurface(2, 2);
    SetPixel(tile.dc(), 0, 0, RGB(255, 0, 0));
    SetPixel(tile.dc(), 1, 0, RGB(0, 255, 0));
    SetPixel(tile.dc(), 0, 1, RGB(0, 0, 255));
    SetPixel(tile.dc(), 1, 1, RGB(255, 255, 0));
    Surface dest = SolidSurface(30, 30, RGB(9, 9, 9));
    EXPECT_EQ(StretchTile(dest.dc(), 5, 5, 20, 20, tile.dc(), 0, 0, 2, 2, 0, 0, 0, 0), 1);
    // Each source pixel fills a 10 x 10 quarter; outside the 20 x 20 square the destination stays.
    const Point points[] = {{5, 5, RGB(255, 0, 0)},   {14, 14, RGB(255, 0, 0)}, {15, 5, RGB(0, 255, 0)},
                            {24, 14, RGB(0, 255, 0)}, {5, 24, RGB(0, 0, 255)},  {24, 24, RGB(255, 255, 0)},
                            {4, 5, RGB(9, 9, 9)},     {25, 25, RGB(9, 9, 9)}};
    ExpectPoints(dest.dc(), points);
}

TEST(SkinStretchTile, ZeroSizeDrawsNothing) {
    Surface tile = DistinctTile();
    Surface dest = SolidSurface(20, 20, RGB(9, 9, 9));
    // One row per zero: of the destination's width, its height, the source's width, its height.
    for (const auto [w, h, sw, sh] : {std::array{0, 10, 7, 21}, std::array{10, 0, 7, 21},
                                      std::array{10, 10, 0, 21}, std::array{10, 10, 7, 0}})
        EXPECT_EQ(StretchTile(dest.dc(), 0, 0, w, h, tile.dc(), 0, 0, sw, sh, 3, 3, 3, 3), 0) << w << h << sw;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) ASSERT_EQ(GetPixel(dest.dc(), x, y), RGB(9, 9, 9));
    }
}

TEST(SkinStretchTile, MarginsThreeKeepCornersAndStretchTheMiddleColumnTo94) {
    Surface tile = DistinctTile();
    Surface dest = SolidSurface(100, 30, RGB(9, 9, 9));
    EXPECT_EQ(StretchTile(dest.dc(), 0, 0, 100, 30, tile.dc(), 0, 0, 7, 21, 3, 3, 3, 3), 1);
    for (int y : {0, 1, 2}) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(GetPixel(dest.dc(), x, y), TileColour(x, y));
            EXPECT_EQ(GetPixel(dest.dc(), 97 + x, y), TileColour(4 + x, y));
            EXPECT_EQ(GetPixel(dest.dc(), x, 27 + y), TileColour(x, 18 + y));
            EXPECT_EQ(GetPixel(dest.dc(), 97 + x, 27 + y), TileColour(4 + x, 18 + y));
        }
        // The single middle column spans x 3 to 96 in the top and bottom edges.
        for (int x = 3; x < 97; ++x) {
            ASSERT_EQ(GetPixel(dest.dc(), x, y), TileColour(3, y)) << x;
            ASSERT_EQ(GetPixel(dest.dc(), x, 27 + y), TileColour(3, 18 + y)) << x;
        }
    }
    // Middle rows: the centre repeats column 3 across 94 pixels; the sides keep their columns.
    for (int y = 3; y < 27; ++y) {
        const COLORREF centre = GetPixel(dest.dc(), 3, y);
        bool from_column_3 = false;
        for (int sy = 3; sy < 18; ++sy) from_column_3 |= centre == TileColour(3, sy);
        EXPECT_TRUE(from_column_3) << y;
        for (int x = 3; x < 97; ++x) ASSERT_EQ(GetPixel(dest.dc(), x, y), centre) << x << "," << y;
        EXPECT_EQ(GetRValue(GetPixel(dest.dc(), 0, y)), 20);
        EXPECT_EQ(GetRValue(GetPixel(dest.dc(), 99, y)), 20 + 30 * 6);
    }
}

TEST(SkinStretchTile, KeyColourLeavesTheDestination) {
    const SkinImage toggle = MakeToggleSkinImage();
    Surface source = ImageSurface(toggle);
    Surface dest = SolidSurface(13, 13, RGB(1, 2, 3));
    EXPECT_EQ(StretchTile(dest.dc(), 0, 0, 13, 13, source.dc(), 0, 0, 13, 13, 5, 5, 5, 5, kMagenta), 1);
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 13; ++x) {
            const uint32_t want = toggle.At(x, y) == kSkinKeyColour ? RGB(1, 2, 3) : toggle.At(x, y);
            ASSERT_EQ(GetPixel(dest.dc(), x, y), want) << x << "," << y;
        }
    }
}

TEST(SkinBlitTransparent, KeepsEveryPixelUnderTheKeyAndCopiesTheRestExactly) {
    constexpr int kW = 37, kH = 23;
    Surface source = CreateSurface(kW + 5, kH + 4);
    Surface dest = CreateSurface(kW + 10, kH + 10);
    auto source_colour = [](int x, int y) -> COLORREF {
        if ((x * 7 + y * 3) % 5 == 0) return kMagenta;
        return RGB((x * 13) & 0xFF, (y * 29) & 0xFF, ((x + y) * 11) & 0xFF);
    };
    auto dest_colour = [](int x, int y) -> COLORREF { return RGB(200 - x, 100 + y, 50); };
    for (int y = 0; y < kH + 4; ++y) {
        for (int x = 0; x < kW + 5; ++x) SetPixel(source.dc(), x, y, source_colour(x, y));
    }
    for (int y = 0; y < kH + 10; ++y) {
        for (int x = 0; x < kW + 10; ++x) SetPixel(dest.dc(), x, y, dest_colour(x, y));
    }
    // Colours of the source DC must not leak into the copy.
    SetBkColor(source.dc(), RGB(0, 128, 0));
    SetTextColor(source.dc(), RGB(128, 0, 0));
    BlitTransparent(dest.dc(), 4, 6, kW, kH, source.dc(), 5, 4, kMagenta);
    int kept = 0;
    for (int y = 0; y < kH + 10; ++y) {
        for (int x = 0; x < kW + 10; ++x) {
            const bool inside = x >= 4 && x < 4 + kW && y >= 6 && y < 6 + kH;
            COLORREF want = dest_colour(x, y);
            if (inside) {
                const COLORREF src = source_colour(x - 4 + 5, y - 6 + 4);
                if (src != kMagenta)
                    want = src;
                else
                    ++kept;
            }
            ASSERT_EQ(GetPixel(dest.dc(), x, y), want) << x << "," << y;
        }
    }
    EXPECT_GT(kept, 100);
}

TEST(SkinBoxes, FillFrameAndFocus) {
    Surface dest = SolidSurface(20, 20, RGB(255, 255, 255));
    EXPECT_NE(FillBox(dest.dc(), 2, 3, 5, 4, RGB(10, 20, 30)), 0);
    EXPECT_NE(FrameBox(dest.dc(), 10, 10, 6, 5, RGB(84, 165, 213)), 0);
    // The filled box's corners and the pixels just past them; the frame's corners, its inside and beyond.
    const Point points[] = {{2, 3, RGB(10, 20, 30)},      {6, 6, RGB(10, 20, 30)},
                            {7, 6, RGB(255, 255, 255)},   {6, 7, RGB(255, 255, 255)},
                            {10, 10, RGB(84, 165, 213)},  {15, 14, RGB(84, 165, 213)},
                            {12, 12, RGB(255, 255, 255)}, {16, 14, RGB(255, 255, 255)}};
    ExpectPoints(dest.dc(), points);

    Surface focus = SolidSurface(20, 20, RGB(255, 255, 255));
    EXPECT_NE(FocusBox(focus.dc(), 2, 2, 16, 16), 0);
    int changed = 0;
    for (int x = 2; x < 18; ++x) changed += GetPixel(focus.dc(), x, 2) != RGB(255, 255, 255);
    EXPECT_GT(changed, 0);
    EXPECT_NE(FocusBox(focus.dc(), 2, 2, 16, 16), 0);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) ASSERT_EQ(GetPixel(focus.dc(), x, y), RGB(255, 255, 255));
    }
}

TEST(SkinText, DrawsInsideItsRectangleOnly) {
    Surface dest = SolidSurface(120, 40, RGB(255, 255, 255));
    SelectObject(dest.dc(), GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dest.dc(), TRANSPARENT);
    SetTextColor(dest.dc(), RGB(0, 0, 0));
    EXPECT_GT(DrawTextIn(dest.dc(), L"连 接", 10, 5, 100, 30, 0x8025), 0);
    int inside = 0, outside = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 120; ++x) {
            const bool dark = GetPixel(dest.dc(), x, y) != RGB(255, 255, 255);
            const bool in = x >= 10 && x < 110 && y >= 5 && y < 35;
            (in ? inside : outside) += dark;
        }
    }
    EXPECT_GT(inside, 10);
    EXPECT_EQ(outside, 0);
}

TEST(SkinWindowHelpers, TextBoundsAndBorders) {
    HWND form = MakeForm(200, 100, L"连 接");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(WindowText(form), L"连 接");
    SetWindowPos(form, nullptr, 15, 25, 150, 60, SWP_NOZORDER);
    WindowBounds bounds;
    EXPECT_NE(GetWindowBounds(form, bounds), 0);
    EXPECT_EQ(bounds.left, 15);
    EXPECT_EQ(bounds.top, 25);
    EXPECT_EQ(bounds.right, 165);
    EXPECT_EQ(bounds.bottom, 85);
    EXPECT_EQ(bounds.width, 150);
    EXPECT_EQ(bounds.height, 60);

    HWND empty = MakeChild(form, L"STATIC", L"", 0, 0, 0, 10, 10);
    EXPECT_EQ(WindowText(empty), L"");

    // Plain, bordered and sunken; scroll bars take room from the client area, not from the frame.
    const struct {
        const wchar_t* cls;
        DWORD style, ex_style;
        int border;
    } rows[] = {{L"EDIT", 0, 0, 0},
                {L"STATIC", WS_BORDER, 0, 1},
                {L"EDIT", 0, WS_EX_CLIENTEDGE, 2},
                {L"LISTBOX", WS_VSCROLL | WS_HSCROLL | LBS_DISABLENOSCROLL, WS_EX_CLIENTEDGE, 2},
                {L"LISTBOX", WS_VSCROLL | LBS_DISABLENOSCROLL, WS_EX_CLIENTEDGE, 2}};
    for (const auto& row : rows) {
        HWND child = MakeChild(form, row.cls, L"", row.style, 0, 0, 80, 80, row.ex_style);
        if (row.style & WS_HSCROLL) ShowScrollBar(child, SB_BOTH, TRUE);
        int bx = -1, by = -1;
        EXPECT_EQ(GetBorderSize(child, bx, by), 1) << row.style;
        EXPECT_EQ(bx, row.border) << row.style;
        EXPECT_EQ(by, row.border) << row.style;
    }
    DestroyWindow(form);
}

// A frame of 1 left, 2 right, 2 top and 3 bottom pixels: totals 3 and 5.
LRESULT CALLBACK OddFrameProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCALCSIZE) {
        RECT* rect = reinterpret_cast<RECT*>(lparam);
        rect->left += 1;
        rect->right -= 2;
        rect->top += 2;
        rect->bottom -= 3;
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

TEST(SkinWindowHelpers, BorderHalvesRoundToEven) {
    HWND form = MakeForm(200, 100);
    RegisterProcClass(L"OddFrame", OddFrameProc);
    HWND odd = MakeChild(form, L"OddFrame", L"", 0, 0, 0, 50, 20);
    ASSERT_NE(odd, nullptr);
    RECT client{};
    GetClientRect(odd, &client);
    ASSERT_EQ(client.right, 47);
    ASSERT_EQ(client.bottom, 15);
    int bx = 0, by = 0;
    GetBorderSize(odd, bx, by);
    EXPECT_EQ(bx, 2);  // 1.5
    EXPECT_EQ(by, 2);  // 2.5
    EXPECT_EQ(HalfEven(7), 4);
    EXPECT_EQ(HalfEven(-3), -2);
    DestroyWindow(form);
}

TEST(SkinFadeTimer, StartsOnceStopsOnceAndTicks) {
    HWND form = MakeForm();
    EXPECT_EQ(StopFadeTimer(form), 0);
    EXPECT_EQ(StartFadeTimer(form), 1u);
    EXPECT_EQ(GetSkinProp(form, kPropTimerId), 1);
    EXPECT_EQ(StartFadeTimer(form), 0u);
    MSG msg;
    EXPECT_TRUE(
        PumpUntil([&] { return PeekMessageW(&msg, form, WM_TIMER, WM_TIMER, PM_REMOVE) != 0; }, 1000));
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_NE(StopFadeTimer(form), 0);
    EXPECT_EQ(GetSkinProp(form, kPropTimerId), 0);
    EXPECT_EQ(StopFadeTimer(form), 0);
    Pump(60);
    EXPECT_EQ(PeekMessageW(&msg, form, WM_TIMER, WM_TIMER, PM_REMOVE), 0);
    DestroyWindow(form);
}

int g_leaves = 0;

LRESULT CALLBACK CountLeaves(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_MOUSELEAVE) ++g_leaves;
    return DefWindowProcW(window, message, wparam, lparam);
}

class MouseLeaveTracking : public testing::TestWithParam<bool> {};

TEST_P(MouseLeaveTracking, PostsOneLeaveWhenThePointerLeaves) {
    SkinEngineState().HasUserTrackMouse = GetParam();
    RegisterProcClass(L"LeaveCounter", CountLeaves);
    HWND window = CreateWindowExW(0, L"LeaveCounter", L"", WS_POPUP | WS_VISIBLE, 20, 20, 100, 100, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    SetCursorPos(70, 70);
    Pump(50);
    g_leaves = 0;
    TrackMouseLeave(window);
    Pump(100);
    EXPECT_EQ(g_leaves, 0);  // still inside
    SetCursorPos(1000, 700);
    EXPECT_TRUE(PumpUntil([] { return g_leaves > 0; }, 2000));
    Pump(600);
    EXPECT_EQ(g_leaves, 1);
    DestroyWindow(window);
}

INSTANTIATE_TEST_SUITE_P(BothEntries, MouseLeaveTracking, testing::Bool());

TEST(SkinProperties, AbsentReadsZeroAndNegativeValuesSurvive) {
    HWND form = MakeForm();
    const auto before = PropertyNames(form);
    EXPECT_EQ(GetSkinProp(form, kPropProcAddr), 0);
    SetSkinProp(form, kPropHdIndex, -1);
    EXPECT_EQ(GetSkinProp(form, kPropHdIndex), -1);
    EXPECT_EQ(PropertyNames(form).count("HDINDEX"), 1u);
    RemoveSkinProp(form, kPropHdIndex);
    EXPECT_EQ(GetSkinProp(form, kPropHdIndex), 0);
    EXPECT_EQ(PropertyNames(form), before);
    DestroyWindow(form);
}

TEST(SkinBitmaps, BuiltSurfacesHoldTheImagesPixelForPixel) {
    BuildSkinBitmaps();
    SkinEngine& engine = SkinEngineState();
    struct Case {
        const Surface& surface;
        SkinImage image;
    } cases[] = {{engine.ButtonSkin, MakeButtonSkinImage()},
                 {engine.ComboSkin, MakeComboSkinImage()},
                 {engine.GlyphSkin, MakeGlyphSkinImage()},
                 {engine.ToggleSkin, MakeToggleSkinImage()},
                 {engine.HeaderSkin, MakeHeaderSkinImage()}};
    for (const auto& c : cases) {
        ASSERT_TRUE(c.surface);
        BITMAP info{};
        GetObjectW(c.surface.bitmap(), sizeof(info), &info);
        EXPECT_EQ(info.bmWidth, c.image.width);
        EXPECT_EQ(info.bmHeight, c.image.height);
        for (int y = 0; y < c.image.height; ++y) {
            for (int x = 0; x < c.image.width; ++x) {
                ASSERT_EQ(GetPixel(c.surface.dc(), x, y), c.image.At(x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(GetPixel(engine.ButtonSkin.dc(), 0, 0), RGB(191, 225, 249));
    EXPECT_EQ(GetPixel(engine.ButtonSkin.dc(), 0, 3), RGB(27, 143, 213));
    ReleaseSkinBitmaps();
    EXPECT_FALSE(engine.ButtonSkin);
    EXPECT_FALSE(engine.HeaderSkin);
}

}  // namespace
}  // namespace vt
