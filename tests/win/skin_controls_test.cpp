// The message behaviour of each skinned control kind, on real windows.
#include <gtest/gtest.h>

#include "skin/skin_engine.h"
#include "skin/skin_images.h"
#include "skin/skin_vocabulary.h"
#include "skin/skin_window.h"
#include "skin_test_support.h"

namespace vt {
namespace {

using namespace skin_test;

constexpr COLORREF kFrame = RGB(84, 165, 213);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBar = RGB(76, 214, 246);

int State(HWND window) { return static_cast<int>(GetSkinProp(window, kPropOldState)); }

LRESULT CALLBACK PlainWhite(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT rect;
        GetClientRect(window, &rect);
        FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

class SkinControls : public testing::Test {
protected:
    void SetUp() override {
        form_ = MakeForm(400, 300);
        SetCursorPos(1000, 700);  // keep the real pointer out of the way
    }
    void TearDown() override { DestroyWindow(form_); }
    void Skin() {
        ASSERT_EQ(SkinWindow(form_), 1);
        UpdateWindow(form_);
        Pump(30);
    }
    HWND form_ = nullptr;
};

TEST_F(SkinControls, ComboBoxFrameAndDropButtonLooks) {
    HWND combo = MakeChild(form_, L"COMBOBOX", L"", CBS_DROPDOWNLIST, 10, 10, 150, 200);
    Skin();
    WindowBounds b;
    GetWindowBounds(combo, b);
    const int s = GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_EQ(WindowPixel(combo, 0, 0), kFrame);
    EXPECT_EQ(WindowPixel(combo, b.width - 1, b.height - 1), kFrame);
    EXPECT_EQ(WindowPixel(combo, 1, 5), kWhite);
    EXPECT_EQ(WindowPixel(combo, b.width - s - 2, 1), kWhite);  // drop button at rest
    // Anywhere over a drop-down list: hover, pressed with the left button.
    SendMessageW(combo, WM_MOUSEMOVE, 0, MAKELPARAM(10, 5));
    EXPECT_EQ(State(combo), 1);
    EXPECT_EQ(GetSkinProp(combo, kPropMouseFlag), 1);
    EXPECT_EQ(WindowPixel(combo, b.width - s - 2, 1), RGB(78, 160, 209));
    SendMessageW(combo, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 5));
    EXPECT_EQ(State(combo), 2);
    SendMessageW(combo, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(State(combo), 0);
    EXPECT_EQ(GetSkinProp(combo, kPropMouseFlag), 0);
    // Released away from the box: normal.
    SendMessageW(combo, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 5));
    SendMessageW(combo, WM_LBUTTONUP, 0, MAKELPARAM(-300, 5));
    EXPECT_EQ(State(combo), 0);
    SendMessageW(combo, WM_MOUSEMOVE, 0, MAKELPARAM(10, 5));
    SendMessageW(combo, WM_WINDOWPOSCHANGING, 0, 0);
    EXPECT_EQ(State(combo), 0);
}

// An editable combo box answers the pointer only over its drop button's zone: from the frame's inside
// at the top to the frame at the bottom, and from one scroll-bar width left of the frame to the frame.
TEST_F(SkinControls, EditableComboReactsOnlyInTheButtonZone) {
    HWND combo = MakeChild(form_, L"COMBOBOX", L"", CBS_DROPDOWN, 10, 10, 150, 200);
    Skin();
    WindowBounds b;
    GetWindowBounds(combo, b);
    const int w = b.width, h = b.height, left = w - GetSystemMetrics(SM_CXVSCROLL) - 2;
    // The whole box is drawn by the skin: the one-pixel frame all round.
    EXPECT_EQ(WindowPixel(combo, 0, 0), kFrame);
    EXPECT_EQ(WindowPixel(combo, w - 1, h - 1), kFrame);
    // One pointer message after another, each with the look it leaves.
    struct Step {
        const char* where;
        UINT message;
        WPARAM keys;
        int x, y;
        int state;
    } steps[] = {
        {"over the text", WM_MOUSEMOVE, 0, 10, 5, 0},
        {"zone, top left", WM_MOUSEMOVE, 0, left, 2, 1},
        {"back over the text", WM_MOUSEMOVE, 0, 10, 5, 0},
        {"zone, bottom right", WM_MOUSEMOVE, 0, w - 2, h - 2, 1},
        {"back over the text", WM_MOUSEMOVE, 0, 10, 5, 0},
        {"left of the zone", WM_MOUSEMOVE, 0, left - 1, 5, 0},
        {"above the zone", WM_MOUSEMOVE, 0, w - 2, 1, 0},
        {"held in the zone", WM_MOUSEMOVE, MK_LBUTTON, left, h - 2, 2},
        {"held, left of the zone", WM_MOUSEMOVE, MK_LBUTTON, left - 1, h - 2, 0},
        {"held, below the zone", WM_MOUSEMOVE, MK_LBUTTON, w - 2, h - 1, 0},
        {"pressed over the text", WM_LBUTTONDOWN, MK_LBUTTON, 10, 5, 0},
    };
    for (const Step& step : steps) {
        SendMessageW(combo, step.message, step.keys, MAKELPARAM(step.x, step.y));
        EXPECT_EQ(State(combo), step.state) << step.where;
    }
    SendMessageW(combo, WM_LBUTTONUP, 0, MAKELPARAM(-300, 5));
}

TEST_F(SkinControls, SimpleComboHasAFrameButNoDropButton) {
    HWND combo = MakeChild(form_, L"COMBOBOX", L"", CBS_SIMPLE, 10, 10, 150, 100);
    Skin();
    EXPECT_EQ(WindowPixel(combo, 0, 0), kFrame);
    SendMessageW(combo, WM_MOUSEMOVE, 0, MAKELPARAM(10, 5));
    EXPECT_EQ(State(combo), 0);
}

TEST_F(SkinControls, OpenListIsFramedLikeTheComboBox) {
    HWND combo = MakeChild(form_, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 10, 10, 150, 200);
    for (const wchar_t* item : {L"one", L"two"})
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    Skin();
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    GetComboBoxInfo(combo, &info);
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    ASSERT_TRUE(PumpUntil([&] { return GetSkinProp(info.hwndList, kPropProcAddr) != 0; }, 2000));
    RedrawWindow(info.hwndList, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    WindowBounds b;
    GetWindowBounds(info.hwndList, b);
    EXPECT_EQ(WindowPixel(info.hwndList, 0, 0), kFrame);
    EXPECT_EQ(WindowPixel(info.hwndList, b.width - 1, b.height - 1), kFrame);
    EXPECT_EQ(State(combo), 2);  // the open list shows the pressed button
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

class SkinProgress : public SkinControls {
protected:
    HWND Bar(DWORD style, int position, int x, int y, int w, int h) {
        RegisterSuperclass(PROGRESS_CLASSW, L"ProgressBar20WndClass");
        HWND bar = MakeChild(form_, L"ProgressBar20WndClass", L"", style | WS_BORDER, x, y, w, h);
        SendMessageW(bar, PBM_SETRANGE32, 0, 60000);
        SendMessageW(bar, PBM_SETPOS, position, 0);
        return bar;
    }
};

TEST_F(SkinProgress, EmptyFullPastTheEndAndVerticalFromTheBottom) {
    HWND empty = Bar(0, 0, 10, 10, 200, 20);
    HWND half = Bar(0, 15000, 10, 40, 200, 20);
    HWND full = Bar(0, 30000, 10, 70, 200, 20);
    HWND beyond = Bar(0, 45000, 10, 100, 200, 20);
    HWND vertical = Bar(PBS_VERTICAL | PBS_SMOOTH, 7500, 220, 10, 20, 200);
    Skin();
    RECT client;
    GetClientRect(empty, &client);
    int bx = 0, by = 0;
    GetBorderSize(empty, bx, by);
    const int cw = client.right, ch = client.bottom;
    ASSERT_EQ(bx, 1);
    EXPECT_EQ(WindowPixel(empty, 0, 0), kFrame);
    EXPECT_EQ(WindowPixel(empty, 199, 19), kFrame);
    for (int x = 1; x < 199; x += 7) EXPECT_EQ(WindowPixel(empty, x, 10), kWhite) << x;
    EXPECT_EQ(WindowPixel(half, bx, by), kBar);
    EXPECT_EQ(WindowPixel(half, bx + cw / 2 - 1, by + ch - 1), kBar);
    EXPECT_EQ(WindowPixel(half, bx + cw / 2, by), kWhite);
    EXPECT_EQ(WindowPixel(full, bx, by), kBar);
    EXPECT_EQ(WindowPixel(full, bx + cw - 1, by + ch - 1), kBar);
    EXPECT_EQ(WindowPixel(full, 0, 0), kFrame);
    EXPECT_EQ(WindowPixel(beyond, bx + cw - 1, by + ch - 1), kBar);
    // Longer than the client area: the frame picture's bar runs over the right edge, clipped by the window.
    EXPECT_EQ(WindowPixel(beyond, 199, 10), kBar);
    EXPECT_EQ(WindowPixel(beyond, 0, 10), kFrame);
    // A quarter, filled from the bottom.
    GetClientRect(vertical, &client);
    const int vh = client.bottom;
    EXPECT_EQ(WindowPixel(vertical, bx + 2, by + vh - 1), kBar);
    EXPECT_EQ(WindowPixel(vertical, bx + 2, by + vh - vh / 4), kBar);
    EXPECT_EQ(WindowPixel(vertical, bx + 2, by + vh - vh / 4 - 2), kWhite);
    EXPECT_EQ(WindowPixel(vertical, bx + 2, by), kWhite);
}

using SkinHeader = SkinControls;

TEST_F(SkinHeader, PaintsBackgroundAndItemTiles) {
    HWND header = MakeHeader(form_, HDS_BUTTONS | HDS_HORZ, 10, 10, {{L"账号", 100}, {L"", 60}});
    Skin();
    const SkinImage skin = MakeHeaderSkinImage();
    EXPECT_EQ(WindowPixel(header, 0, 0), skin.At(0, 0));
    EXPECT_EQ(WindowPixel(header, 99, 10), RGB(122, 176, 217));
    EXPECT_EQ(WindowPixel(header, 159, 10), RGB(122, 176, 217));
    EXPECT_EQ(WindowPixel(header, 250, 0), skin.At(1, 0));  // the background right of the last item
}

TEST_F(SkinHeader, HoverPressAndLeave) {
    HWND header = MakeHeader(form_, HDS_BUTTONS | HDS_HORZ, 10, 10, {{L"账号", 100}, {L"", 60}});
    Skin();
    EXPECT_EQ(GetSkinProp(header, kPropHmIndex), -1);
    SendMessageW(header, WM_MOUSEMOVE, 0, MAKELPARAM(120, 5));
    EXPECT_EQ(GetSkinProp(header, kPropHmIndex), 1);
    EXPECT_EQ(GetSkinProp(header, kPropMouseFlag), 1);
    EXPECT_EQ(WindowPixel(header, 100, 10), RGB(94, 194, 250));  // hover: bright left column
    // The boundary shared by two items belongs to the lower index.
    SendMessageW(header, WM_MOUSEMOVE, 0, MAKELPARAM(100, 5));
    EXPECT_EQ(GetSkinProp(header, kPropHmIndex), 0);
    EXPECT_EQ(WindowPixel(header, 159, 10), RGB(122, 176, 217));  // item 1 back to normal
    EXPECT_EQ(WindowPixel(header, 0, 10), RGB(94, 194, 250));
    // The gap after the last item clears the hover.
    SendMessageW(header, WM_MOUSEMOVE, 0, MAKELPARAM(250, 5));
    EXPECT_EQ(GetSkinProp(header, kPropHmIndex), -1);
    EXPECT_EQ(WindowPixel(header, 99, 10), RGB(122, 176, 217));
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 5));
    EXPECT_EQ(GetSkinProp(header, kPropHdIndex), 0);
    EXPECT_EQ(WindowPixel(header, 50, 21), MakeHeaderSkinImage().At(7, 19));  // pressed face
    SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(30, 5));
    EXPECT_EQ(GetSkinProp(header, kPropHdIndex), -1);
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 5));
    SendMessageW(header, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(GetSkinProp(header, kPropHdIndex), -1);
    EXPECT_EQ(GetSkinProp(header, kPropHmIndex), -1);
    EXPECT_EQ(GetSkinProp(header, kPropMouseFlag), 0);
}

TEST_F(SkinControls, ClickingAnOptionRepaintsTheGroupWithTheRightMarks) {
    HWND first = MakeChild(form_, kOptionButtonClass, L"a", BS_AUTORADIOBUTTON | WS_GROUP, 10, 10, 120, 17);
    HWND second = MakeChild(form_, kOptionButtonClass, L"b", BS_AUTORADIOBUTTON, 10, 40, 120, 17);
    SendMessageW(first, BM_SETCHECK, BST_CHECKED, 0);
    Skin();
    const int cw = GetSystemMetrics(SM_CXMENUCHECK), ch = GetSystemMetrics(SM_CYMENUCHECK);
    const int y0 = HalfEven(17 - ch);
    const int dot_x = HalfEven(cw - 5) + 2, dot_y = y0 + HalfEven(ch - 5) + 2;
    const COLORREF dot = MakeGlyphSkinImage().At(4, 20);
    EXPECT_EQ(WindowPixel(first, dot_x, dot_y), dot);
    EXPECT_NE(WindowPixel(second, dot_x, dot_y), dot);
    SendMessageW(second, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(State(second), 2);
    SendMessageW(second, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Pump(20);
    EXPECT_EQ(SendMessageW(second, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(first, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(State(first), 0);
    EXPECT_EQ(State(second), 0);
    EXPECT_EQ(WindowPixel(second, dot_x, dot_y), dot);
    EXPECT_NE(WindowPixel(first, dot_x, dot_y), dot);
    EXPECT_EQ(WindowPixel(first, 6, y0), MakeToggleSkinImage().At(6, 0));  // normal ring
    // An option button repaints in the normal look on focus changes.
    SetSkinProp(first, kPropOldState, 1);
    SendMessageW(first, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(State(first), 0);
}

TEST_F(SkinControls, DataListsAndBorderedGridsAreFramed) {
    RegisterProcClass(L"DataListWndClass", PlainWhite);
    RegisterProcClass(L"ApexGridOleDB32", PlainWhite);
    HWND list = MakeChild(form_, L"DataListWndClass", L"", 0, 10, 10, 100, 50);
    HWND grid = MakeChild(form_, L"ApexGridOleDB32", L"", WS_BORDER, 10, 70, 100, 50);
    HWND bare = MakeChild(form_, L"ApexGridOleDB32", L"", 0, 10, 130, 100, 50);
    Skin();
    EXPECT_EQ(WindowPixel(list, 0, 0), kFrame);
    EXPECT_EQ(WindowPixel(list, 1, 1), kWhite);
    EXPECT_EQ(WindowPixel(list, 98, 48), kWhite);
    EXPECT_EQ(WindowPixel(grid, 0, 0), kFrame);
    EXPECT_EQ(WindowPixel(grid, 99, 49), kFrame);
    EXPECT_EQ(WindowPixel(bare, 0, 0), RGB(128, 128, 128));
}

}  // namespace
}  // namespace vt
