// The edge cases of the skinned controls' message behaviour, on real windows driven with messages and read
// back as pixels; and the main window with every message box it raises, skinned.
#include <gtest/gtest.h>

#include <functional>

#include "services/settings.h"
#include "skin/skin_engine.h"
#include "skin/skin_images.h"
#include "skin/skin_vocabulary.h"
#include "skin/skin_window.h"
#include "skin_main_window_support.h"
#include "skin_test_support.h"

namespace vt {
namespace {

using namespace skin_test;

constexpr COLORREF kButtonFrame = RGB(27, 143, 213);
constexpr COLORREF kHoverTopLine = RGB(76, 195, 251);
constexpr COLORREF kPressedTopLine = RGB(57, 188, 251);
constexpr COLORREF kFrame = RGB(84, 165, 213);
constexpr COLORREF kFrameDisabled = RGB(164, 207, 233);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// The indicator of a toggle in a window 17 pixels high: its size and top row, and its middle pixel.
const int kCw = GetSystemMetrics(SM_CXMENUCHECK), kCh = GetSystemMetrics(SM_CYMENUCHECK);
const int kY0 = HalfEven(17 - kCh), kMidX = kCw / 2, kMidY = kY0 + kCh / 2;

intptr_t Prop(HWND window, const char* name) { return GetSkinProp(window, name); }
intptr_t State(HWND window) { return Prop(window, kPropOldState); }
intptr_t Alpha(HWND window) { return Prop(window, kPropAlphaLevel); }

// Sends fade ticks, each with the paint it asks for, until the button stops its fade timer; the alpha
// level before each tick is recorded.
std::vector<int> RunFade(HWND button, UINT_PTR id = 1) {
    std::vector<int> levels;
    while (Prop(button, kPropTimerId) != 0 && levels.size() < 1000) {
        levels.push_back(static_cast<int>(Alpha(button)));
        SendMessageW(button, WM_TIMER, id, 0);
        UpdateWindow(button);
    }
    return levels;
}

// The pixel once the paints that the last messages asked for have run.
COLORREF ShownPixel(HWND window, int x, int y) {
    UpdateWindow(window);
    return WindowPixel(window, x, y);
}

// Whether the fade that runs runs from `from` to 255 in steps of three, and ends with the level back at 0.
testing::AssertionResult FadesFrom(HWND button, int from) {
    const std::vector<int> levels = RunFade(button);
    if (levels.size() != static_cast<size_t>((255 - from) / 3 + 1) || levels.front() != from)
        return testing::AssertionFailure() << levels.size() << " ticks";
    for (size_t i = 1; i < levels.size(); ++i)
        if (levels[i] != levels[i - 1] + 3) return testing::AssertionFailure() << "a step of tick " << i;
    if (Alpha(button) != 0) return testing::AssertionFailure() << "the level ended at " << Alpha(button);
    return testing::AssertionSuccess();
}

int CountPixels(HWND window, COLORREF colour) {
    WindowBounds b;
    GetWindowBounds(window, b);
    HDC dc = GetWindowDC(window);
    int count = 0;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) count += GetPixel(dc, x, y) == colour;
    ReleaseDC(window, dc);
    return count;
}

void Scribble(HWND window, int x, int y) {
    HDC dc = GetWindowDC(window);
    SetPixel(dc, x, y, kBlack);
    ReleaseDC(window, dc);
}

class SkinCases : public testing::Test {
protected:
    void SetUp() override {
        SetCursorPos(1200, 780);  // the real pointer stays off every window
        form_ = MakeForm(400, 300);
    }
    void TearDown() override {
        if (IsWindow(form_)) DestroyWindow(form_);
    }
    void Skin() {
        ASSERT_EQ(SkinWindow(form_), 1);
        UpdateWindow(form_);
        Pump(30);
    }
    HWND Button(const wchar_t* text = L"连 接", DWORD style = BS_PUSHBUTTON) {
        return MakeChild(form_, L"BUTTON", text, style, 10, 10, 80, 25);
    }
    HWND form_ = nullptr;
};

TEST_F(SkinCases, FadeFromZeroRuns86TicksAndAfterAReleaseRuns66) {
    HWND button = Button();
    ASSERT_TRUE(IsThemedButton(button));
    Skin();
    // The pointer enters: the hover face fades in from 0.
    SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    ASSERT_EQ(State(button), 1);
    ASSERT_EQ(Prop(button, kPropTimerId), 1);
    ASSERT_TRUE(FadesFrom(button, 0));                     // 86 ticks
    EXPECT_EQ(WindowPixel(button, 40, 1), kHoverTopLine);  // the last tick blended at full strength

    // Pressing shows the pressed face at full strength at once, with no fade running.
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    EXPECT_EQ(State(button), 2);
    EXPECT_EQ(Prop(button, kPropTimerId), 0);
    EXPECT_EQ(ShownPixel(button, 40, 1), kPressedTopLine);
    EXPECT_EQ(Alpha(button), 0);

    // Released over the button: the hover face shows before the click goes on, then the fade towards
    // normal from 60.
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    EXPECT_EQ(WindowPixel(button, 40, 1), kHoverTopLine);
    EXPECT_EQ(State(button), 0);
    EXPECT_EQ(Prop(button, kPropMouseFlag), 0);
    ASSERT_TRUE(FadesFrom(button, 60));             // 66 ticks
    EXPECT_EQ(WindowPixel(button, 40, 1), kWhite);  // the normal face

    // Space down and up: pressed at once; the release shows the normal face before the click goes on,
    // and the fade from 0 then runs its course.
    SendMessageW(button, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(State(button), 2);
    EXPECT_EQ(ShownPixel(button, 40, 1), kPressedTopLine);
    SendMessageW(button, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(State(button), 0);
    EXPECT_EQ(WindowPixel(button, 40, 1), kWhite);
    EXPECT_EQ(RunFade(button).size(), 86u);
    // Other keys change nothing of the skin.
    SendMessageW(button, WM_KEYDOWN, 'A', 0);
    SendMessageW(button, WM_KEYUP, 'A', 0);
    EXPECT_EQ(State(button), 0);
    EXPECT_EQ(Prop(button, kPropTimerId), 0);
}

TEST_F(SkinCases, AnyTimerAdvancesTheFade) {
    HWND button = Button();
    Skin();
    SetSkinProp(button, kPropAlphaLevel, 30);
    SendMessageW(button, WM_TIMER, 77, 0);
    EXPECT_EQ(Alpha(button), 33);
    SendMessageW(button, WM_TIMER, 0, 0);
    EXPECT_EQ(Alpha(button), 36);
    // The step past 255 ends the fade even with no timer running.
    SetSkinProp(button, kPropAlphaLevel, 255);
    SendMessageW(button, WM_TIMER, 5, 0);
    EXPECT_EQ(Alpha(button), 0);
    EXPECT_EQ(Prop(button, kPropTimerId), 0);
    // A fade started by a move is advanced by a tick of another id as well.
    SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    EXPECT_EQ(RunFade(button, 4242).size(), 86u);
}

TEST_F(SkinCases, DraggingOffAHeldButtonKeepsThePressedFaceUntilRelease) {
    HWND button = Button();
    Skin();
    SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    ASSERT_EQ(State(button), 2);
    // Off the button, still held: the pressed face at full strength, no fade.
    for (int x : {-30, -60, 200}) {
        SendMessageW(button, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, -40));
        EXPECT_EQ(State(button), 2) << x;
        EXPECT_EQ(Alpha(button), 255) << x;
        EXPECT_EQ(Prop(button, kPropTimerId), 0) << x;
        EXPECT_EQ(ShownPixel(button, 40, 1), kPressedTopLine) << x;
    }
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(-30, -40));
    EXPECT_EQ(State(button), 0);
    EXPECT_EQ(Alpha(button), 60);
    EXPECT_EQ(Prop(button, kPropTimerId), 1);
}

TEST_F(SkinCases, DisabledButtonPaintsFaceThreeWithAGreyCaption) {
    HWND button = Button();
    Skin();
    EnableWindow(button, FALSE);
    EXPECT_EQ(State(button), 3);
    // Whatever the state held before, a paint of a disabled button shows face 3.
    SetSkinProp(button, kPropOldState, 1);
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(State(button), 3);
    EXPECT_EQ(WindowPixel(button, 0, 12), RGB(135, 195, 232));
    EXPECT_GT(CountPixels(button, RGB(121, 138, 150)), 5);
    EXPECT_EQ(CountPixels(button, kBlack), 0);
    EnableWindow(button, TRUE);
    EXPECT_EQ(State(button), 0);
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_GT(CountPixels(button, kBlack), 5);
    EXPECT_EQ(CountPixels(button, RGB(121, 138, 150)), 0);
}

TEST_F(SkinCases, ResizingTwiceLeavesFourFacesOfTheNewestSizeAndDetachFreesThem) {
    HWND button = Button();
    Skin();
    auto bitmaps = [&] {
        std::vector<HGDIOBJ> list;
        for (int state = 0; state < 4; ++state)
            list.push_back(reinterpret_cast<HGDIOBJ>(Prop(button, FaceBitmapPropertyName(state).c_str())));
        return list;
    };
    const auto at_attach = bitmaps();
    SetWindowPos(button, nullptr, 0, 0, 100, 30, SWP_NOMOVE | SWP_NOZORDER);
    const auto first = bitmaps();
    SetWindowPos(button, nullptr, 0, 0, 120, 32, SWP_NOMOVE | SWP_NOZORDER);
    const auto second = bitmaps();
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(WindowPixel(button, 119, 16), kButtonFrame);  // the faces are drawn again at the new size
    std::vector<HDC> faces;
    for (int state = 0; state < 4; ++state) {
        EXPECT_EQ(GetObjectType(at_attach[state]), 0u) << state;
        EXPECT_EQ(GetObjectType(first[state]), 0u) << state;
        ASSERT_EQ(GetObjectType(second[state]), static_cast<DWORD>(OBJ_BITMAP)) << state;
        BITMAP info{};
        GetObjectW(second[state], sizeof(info), &info);
        EXPECT_EQ(info.bmWidth, 120);
        EXPECT_EQ(info.bmHeight, 32);
        faces.push_back(reinterpret_cast<HDC>(Prop(button, FaceSurfacePropertyName(state).c_str())));
        EXPECT_EQ(GetCurrentObject(faces.back(), OBJ_BITMAP), second[state]);
    }
    // The region follows the newest size.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(button, region), ERROR);
    RECT box{};
    GetRgnBox(region, &box);
    DeleteObject(region);
    EXPECT_GE(box.right, 120);
    EXPECT_GE(box.bottom, 32);

    // Resizing again and again leaks nothing (the painters' pool of temporary surfaces, which keeps a
    // bounded number of the sizes last drawn, is emptied before each count).
    ReleaseScratchSurfaces();
    const int before = FreeGdiCapacity();
    for (int i = 0; i < 100; ++i)
        SetWindowPos(button, nullptr, 0, 0, 90 + i % 7, 25 + i % 5, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(button, nullptr, 0, 0, 120, 32, SWP_NOMOVE | SWP_NOZORDER);
    ReleaseScratchSurfaces();
    EXPECT_EQ(before - FreeGdiCapacity(), 0);

    const auto last = bitmaps();
    ASSERT_EQ(DetachSkin(button), 1);
    for (int state = 0; state < 4; ++state) {
        EXPECT_EQ(GetObjectType(last[state]), 0u) << state;
        EXPECT_EQ(GetObjectType(faces[state]), 0u) << state;
        EXPECT_EQ(Prop(button, FaceSurfacePropertyName(state).c_str()), 0);
        EXPECT_EQ(Prop(button, FaceBitmapPropertyName(state).c_str()), 0);
    }
}

TEST_F(SkinCases, StandardToggleGroupAndOwnerDrawnButtonsKeepTheirOwnPainting) {
    HWND radio = MakeChild(form_, L"BUTTON", L"radio", BS_AUTORADIOBUTTON, 10, 10, 80, 25);
    HWND check = MakeChild(form_, L"BUTTON", L"check", BS_AUTOCHECKBOX, 10, 40, 80, 25);
    HWND group = MakeChild(form_, L"BUTTON", L"group", BS_GROUPBOX, 100, 10, 120, 80);
    HWND owner = MakeChild(form_, L"BUTTON", L"owner", BS_OWNERDRAW, 10, 100, 80, 25);
    Skin();
    for (HWND button : {radio, check, group, owner}) {
        EXPECT_EQ(Prop(button, kPropOldStyle), GetWindowLongW(button, GWL_STYLE));
        RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        // A face paint would have left the alpha level at 255 and the frame colour at the left edge.
        EXPECT_EQ(Alpha(button), 0);
        WindowBounds b;
        GetWindowBounds(button, b);
        EXPECT_NE(WindowPixel(button, 0, b.height / 2), kButtonFrame);
        // The other rows still keep the properties.
        SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        EXPECT_EQ(State(button), 1);
        EXPECT_EQ(Prop(button, kPropMouseFlag), 1);
        SendMessageW(button, WM_MOUSELEAVE, 0, 0);
        EXPECT_EQ(State(button), 0);
        EXPECT_NE(WindowPixel(button, 0, b.height / 2), kButtonFrame);
    }
}

TEST_F(SkinCases, CheckBoxRepaintsOnEveryMoveButNotOnAnUnchangedLeave) {
    HWND box = MakeChild(form_, kCheckBoxClass, L"开机启动", BS_AUTOCHECKBOX, 10, 10, 120, 17);
    Skin();
    const int x = kMidX, y = kMidY;
    // Hover, then pressed: each look is painted over what was there, and the same look again is painted
    // again.
    for (const WPARAM keys : {WPARAM{0}, WPARAM{MK_LBUTTON}}) {
        Scribble(box, x, y);
        SendMessageW(box, WM_MOUSEMOVE, keys, MAKELPARAM(5, 5));
        ASSERT_EQ(State(box), keys ? 2 : 1);
        EXPECT_EQ(Prop(box, kPropMouseFlag), 1);
        const COLORREF look = WindowPixel(box, x, y);
        EXPECT_NE(look, kBlack) << keys;
        EXPECT_NE(look, kWhite) << keys;
        Scribble(box, x, y);
        SendMessageW(box, WM_MOUSEMOVE, keys, MAKELPARAM(6, 5));
        EXPECT_EQ(WindowPixel(box, x, y), look) << keys;
    }
    // A leave that changes the look paints; one that does not, does not.
    SendMessageW(box, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(State(box), 0);
    EXPECT_EQ(Prop(box, kPropMouseFlag), 0);
    EXPECT_EQ(WindowPixel(box, x, y), kWhite);
    Scribble(box, x, y);
    SendMessageW(box, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(WindowPixel(box, x, y), kBlack);
    // A paint request always repaints.
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(WindowPixel(box, x, y), kWhite);
    // Space presses and releases it; other keys change nothing.
    SendMessageW(box, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(State(box), 2);
    SendMessageW(box, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(State(box), 0);
    SendMessageW(box, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(State(box), 0);
}

TEST_F(SkinCases, OptionButtonRepaintsOnFocusChangesACheckBoxDoesNot) {
    HWND option = MakeChild(form_, kOptionButtonClass, L"o", BS_AUTORADIOBUTTON, 10, 10, 120, 17);
    HWND box = MakeChild(form_, kCheckBoxClass, L"c", BS_AUTOCHECKBOX, 10, 40, 120, 17);
    Skin();
    const int x = kMidX, y = kMidY;
    for (UINT message : {WM_SETFOCUS, WM_KILLFOCUS}) {
        Scribble(option, x, y);
        Scribble(box, x, y);
        SendMessageW(option, message, 0, 0);
        SendMessageW(box, message, 0, 0);
        EXPECT_EQ(WindowPixel(option, x, y), kWhite) << message;  // the normal circle's inside
        EXPECT_EQ(WindowPixel(box, x, y), kBlack) << message;
    }
}

TEST_F(SkinCases, ComboReleaseOverTheBoxShowsHoverAndElsewhereNormal) {
    HWND combo = MakeChild(form_, L"COMBOBOX", L"", CBS_DROPDOWNLIST, 10, 10, 150, 200);
    Skin();
    WindowBounds b;
    GetWindowBounds(combo, b);
    const int left = b.width - GetSystemMetrics(SM_CXVSCROLL) - 2;
    SendMessageW(combo, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 5));
    ASSERT_EQ(State(combo), 2);
    SendMessageW(combo, WM_LBUTTONUP, 0, MAKELPARAM(10, 5));
    EXPECT_EQ(State(combo), 1);
    EXPECT_EQ(WindowPixel(combo, left, 1), RGB(78, 160, 209));  // the hover image's frame column
    SendMessageW(combo, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 5));
    ASSERT_EQ(State(combo), 2);
    SendMessageW(combo, WM_LBUTTONUP, 0, MAKELPARAM(10, 400));
    EXPECT_EQ(State(combo), 0);
    EXPECT_EQ(WindowPixel(combo, left, 1), kWhite);
}

// The released item shows the hover look while the pointer is over the header and the normal look once
// it is elsewhere (the opposite would leave an item lit that no later move of this header repaints).
TEST_F(SkinCases, HeaderReleaseOverTheHeaderShowsHoverAndElsewhereNormal) {
    HWND header = MakeHeader(form_, HDS_BUTTONS | HDS_HORZ, 10, 10, {{L"账号", 100}, {L"", 100}});
    Skin();
    const SkinImage skin = MakeHeaderSkinImage();
    // Bottom row of the item's middle: one pixel row of each look's face, drawn unstretched.
    const int x = 150, y = 21;
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(130, 5));
    EXPECT_EQ(Prop(header, kPropHdIndex), 1);
    EXPECT_EQ(WindowPixel(header, x, y), skin.At(7, 19));
    // Held and moved off the item and back: the pressed look returns.
    SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, 5));
    SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(130, 5));
    EXPECT_EQ(WindowPixel(header, x, y), skin.At(7, 19));
    SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(130, 5));
    EXPECT_EQ(Prop(header, kPropHdIndex), -1);
    EXPECT_EQ(WindowPixel(header, x, y), skin.At(4, 19));
    // An empty text shows the tile only: every row is one colour across the item.
    for (int row : {5, 10, 15})
        for (int px = 102; px < 198; px += 3)
            EXPECT_EQ(WindowPixel(header, px, row), WindowPixel(header, x, row)) << px << "," << row;
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(130, 5));
    SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(130, 400));
    EXPECT_EQ(WindowPixel(header, x, y), skin.At(1, 19));
    // A header without items is background only.
    HWND empty = MakeChild(form_, WC_HEADERW, L"", HDS_HORZ, 10, 100, 300, 22);
    AttachSkin(empty);
    RedrawWindow(empty, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    for (int row : {0, 10, 21}) {
        const COLORREF first = WindowPixel(empty, 0, row);
        bool from_column = false;
        for (int sy = 0; sy < 20; ++sy) from_column |= first == skin.At(1, sy);
        EXPECT_TRUE(from_column) << row;
        for (int x = 0; x < 300; x += 23) EXPECT_EQ(WindowPixel(empty, x, row), first) << x << "," << row;
    }
}

// --- the main window ------------------------------------------------------------------------------

// The main window loaded and painted once, with the real pointer off it; brought to the front when
// `foreground`.
bool LoadPainted(LoadedMainWindow& main, bool foreground) {
    SetCursorPos(1200, 780);
    if (!main.Load()) return false;
    if (foreground) SetForegroundWindow(main.hwnd());
    UpdateWindow(main.hwnd());
    Pump(50);
    return true;
}

TEST(SkinMainWindow, ConnectButtonOptionBoxesAndTextBoxesAreSkinned) {
    LoadedMainWindow main;
    ASSERT_TRUE(LoadPainted(main, false));
    HWND connect = main.Control(MainWindow::kBtnLog);
    EXPECT_NE(GetSkinProp(main.hwnd(), kPropProcAddr), 0);
    EXPECT_EQ(GetWindowLongW(connect, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(WindowPixel(connect, 0, 12), kButtonFrame);
    // Leaving fades towards normal from 0 (the fade in is sampled on the themed control below).
    SendMessageW(connect, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    SendMessageW(connect, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(State(connect), 0);
    EXPECT_EQ(RunFade(connect).size(), 86u);
    EXPECT_EQ(WindowPixel(connect, 36, 1), kWhite);

    // The option boxes show the skinned indicator.
    for (int id : {MainWindow::kStartWithWindowsBox, MainWindow::kRedialOnDropBox}) {
        HWND box = main.Control(id);
        EXPECT_EQ(WindowPixel(box, 0, kMidY), kFrame) << id;
        EXPECT_EQ(WindowPixel(box, kMidX, kMidY), kWhite) << id;
        SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        const SkinImage glyph = MakeGlyphSkinImage();
        const int mx = HalfEven(kCw - 9), my = kY0 + HalfEven(kCh - 8);
        EXPECT_EQ(WindowPixel(box, mx + 8, my), glyph.At(8, 0)) << id;  // the tick's tip
    }

    // The text boxes get flat frames, pale when disabled.
    for (int id : {MainWindow::kUserText, MainWindow::kPassText}) {
        HWND edit = main.Control(id);
        WindowBounds b;
        GetWindowBounds(edit, b);
        EXPECT_EQ(WindowPixel(edit, 0, 0), kFrame) << id;
        EXPECT_EQ(WindowPixel(edit, b.width - 1, b.height - 1), kFrame) << id;
        EnableWindow(edit, FALSE);
        SendMessageW(edit, WM_NCPAINT, 1, 0);
        EXPECT_EQ(WindowPixel(edit, b.width / 2, 0), kFrameDisabled) << id;
        EnableWindow(edit, TRUE);
    }
}

// The samples of a pixel of the connect button, one per fade level, while its fade runs on its timer in
// a real message loop (with the paints the themed control asks for itself); `midway` runs once when the
// level first reaches 90.
std::vector<COLORREF> SampleFade(HWND button, int x, int y, const std::function<void()>& midway) {
    std::vector<COLORREF> samples;
    intptr_t last = -1;
    bool ran = false;
    const DWORD start = GetTickCount();
    while (Prop(button, kPropTimerId) != 0 && GetTickCount() - start < 5000) {
        Pump();
        const intptr_t level = Alpha(button);
        if (level == last) continue;
        last = level;
        samples.push_back(WindowPixel(button, x, y));
        if (level >= 90 && !ran) {
            ran = true;
            midway();
        }
        Sleep(1);
    }
    return samples;
}

// Pixels of row `y` (x from 2 to width - 3) that differ from the button's normal face.
int OffFace(HWND button, int y) {
    WindowBounds b;
    GetWindowBounds(button, b);
    const HDC face = reinterpret_cast<HDC>(Prop(button, FaceSurfacePropertyName(0).c_str()));
    int count = 0;
    for (int x = 2; x < b.width - 2; ++x) count += WindowPixel(button, x, y) != GetPixel(face, x, y);
    return count;
}

TEST(SkinMainWindow, ConnectFadeRunsThroughTheThemedControlsOwnRepaints) {
    LoadedMainWindow main;
    ASSERT_TRUE(LoadPainted(main, false));
    HWND connect = main.Control(MainWindow::kBtnLog);
    ASSERT_TRUE(IsThemedButton(main.Control(MainWindow::kStartWithWindowsBox)));
    WindowBounds b;
    GetWindowBounds(connect, b);
    // The pointer enters. Half way, the control is repainted every way it can be: invalidated and
    // erased, printed into a DC, and after a state change of its own (which the themed button paints
    // later, from a posted WM_PAINT). Each shows the blend reached and leaves the fade running.
    SendMessageW(connect, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    const std::vector<COLORREF> samples = SampleFade(connect, 36, 1, [&] {
        const COLORREF before = WindowPixel(connect, 36, 1);
        const intptr_t level = Alpha(connect);
        RedrawWindow(connect, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        EXPECT_EQ(WindowPixel(connect, 36, 1), before);
        Surface printed = CreateSurface(b.width, b.height);
        SendMessageW(connect, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(printed.dc()), PRF_CLIENT);
        EXPECT_EQ(GetPixel(printed.dc(), 36, 1), before);
        SendMessageW(connect, BM_SETSTATE, FALSE, 0);
        Pump();
        EXPECT_EQ(WindowPixel(connect, 36, 1), before);
        EXPECT_EQ(Alpha(connect), level);
        EXPECT_EQ(Prop(connect, kPropTimerId), 1);
        EXPECT_NE(before, kHoverTopLine);
        EXPECT_NE(before, kWhite);
    });
    // Sampled over its course (before the first of its 86 ticks and after each): from the normal face to
    // the hover face, step by step, never back.
    ASSERT_EQ(samples.size(), 87u);
    EXPECT_NE(samples.front(), kHoverTopLine);
    EXPECT_EQ(samples.back(), kHoverTopLine);
    for (size_t i = 1; i < samples.size(); ++i)
        EXPECT_LE(GetRValue(samples[i]), GetRValue(samples[i - 1])) << i;
    EXPECT_EQ(Alpha(connect), 0);

    // Pressed, then released away from it (no click): 60 ms later the fade from the pressed face runs.
    SendMessageW(connect, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    Pump(30);
    EXPECT_EQ(WindowPixel(connect, 36, 1), kPressedTopLine);
    SendMessageW(connect, WM_LBUTTONUP, 0, MAKELPARAM(-30, -40));
    Pump(60);
    EXPECT_EQ(Prop(connect, kPropTimerId), 1);
    EXPECT_GT(Alpha(connect), 60);
    EXPECT_NE(WindowPixel(connect, 36, 1), kPressedTopLine);
    EXPECT_NE(WindowPixel(connect, 36, 1), kWhite);
    EXPECT_TRUE(PumpUntil([&] { return Prop(connect, kPropTimerId) == 0; }, 5000));
    EXPECT_EQ(WindowPixel(connect, 36, 1), kWhite);
}

// The option boxes keep the hover and the pressed look however often the themed control repaints itself
// (it paints later, from a posted WM_PAINT, after a press), and draw it into a DC they are printed to.
TEST(SkinMainWindow, OptionBoxesKeepTheirLooksThroughTheThemedControlsOwnRepaints) {
    LoadedMainWindow main;
    ASSERT_TRUE(LoadPainted(main, false));
    const SkinImage toggle = MakeToggleSkinImage();
    for (int id : {MainWindow::kStartWithWindowsBox, MainWindow::kRedialOnDropBox}) {
        HWND box = main.Control(id);
        ASSERT_TRUE(IsThemedButton(box));
        auto repainted = [&](int times) {
            for (int i = 0; i < times; ++i)
                RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            Pump(20);
            return WindowPixel(box, 1, kY0 + 1);
        };
        EXPECT_EQ(repainted(1), kWhite) << id;
        SendMessageW(box, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        EXPECT_EQ(repainted(3), toggle.At(1, 17)) << id;  // the hover strip
        SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        EXPECT_EQ(repainted(0), toggle.At(1, 30)) << id;  // the pressed strip, after the control's own paint
        EXPECT_EQ(repainted(3), toggle.At(1, 30)) << id;
        EXPECT_EQ(WindowPixel(box, 0, kMidY), RGB(57, 134, 196)) << id;
        Surface printed = SolidSurface(82, 17, kBlack);
        SendMessageW(box, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(printed.dc()), PRF_CLIENT);
        EXPECT_EQ(GetPixel(printed.dc(), 1, kY0 + 1), toggle.At(1, 30)) << id;
        // Released away from it (no click), then the pointer leaves: normal.
        SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(-300, 5));
        SendMessageW(box, WM_MOUSELEAVE, 0, 0);
        EXPECT_EQ(repainted(2), kWhite) << id;
        EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED) << id;
    }
}

// A click that raises a message box: the connect button and the option box show their released look
// behind the open box, not the pressed one.
TEST(SkinMainWindow, ClickedControlsShowTheirReleasedLookBehindTheMessageBox) {
    LoadedMainWindow main;
    ASSERT_TRUE(LoadPainted(main, true));
    HWND connect = main.Control(MainWindow::kBtnLog);
    HWND redial = main.Control(MainWindow::kRedialOnDropBox);
    std::vector<COLORREF> at_open, faded;
    MessageBoxCloser closer(150, false, [&] {
        at_open.push_back(WindowPixel(connect, 36, 1));
        at_open.push_back(WindowPixel(redial, 1, kY0 + 1));
        // The fade goes on while the box is open.
        EXPECT_TRUE(PumpUntil([&] { return Prop(connect, kPropTimerId) == 0; }, 5000));
        faded.push_back(WindowPixel(connect, 36, 1));
    });
    // Connect with no account: pressed, then released over the button.
    SendMessageW(connect, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    Pump(30);
    ASSERT_EQ(WindowPixel(connect, 36, 1), kPressedTopLine);
    SendMessageW(connect, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    // The redial option with no account.
    SendMessageW(redial, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    Pump(30);
    ASSERT_EQ(WindowPixel(redial, 1, kY0 + 1), MakeToggleSkinImage().At(1, 30));
    SendMessageW(redial, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));

    ASSERT_EQ(closer.records().size(), 2u);
    ASSERT_EQ(at_open.size(), 4u);
    // Behind the first box: the hover face, fading to normal (between the two, never the pressed one).
    EXPECT_GE(GetRValue(at_open[0]), GetRValue(kHoverTopLine));
    EXPECT_GE(GetGValue(at_open[0]), GetGValue(kHoverTopLine));
    EXPECT_EQ(faded[0], kWhite);
    // Behind the second: the option box in its normal look.
    EXPECT_EQ(at_open[3], kWhite);
}

// Focus rectangles follow the keyboard cues: none for a mouse user, drawn over the face once the keyboard
// is used, kept through the control's own repaints and a fade.
TEST(SkinMainWindow, ConnectFocusBoxFollowsTheKeyboardCues) {
    LoadedMainWindow main;
    ASSERT_TRUE(LoadPainted(main, true));
    HWND connect = main.Control(MainWindow::kBtnLog);
    KeyboardCues cues(connect, true);
    SetFocus(connect);
    Pump(30);
    ASSERT_EQ(GetFocus(), connect);
    EXPECT_EQ(OffFace(connect, 2), 0);
    // The keyboard is used: the system clears the hidden focus cue of the window and its children.
    SendMessageW(connect, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    Pump(30);
    EXPECT_GT(OffFace(connect, 2), 20);
    RedrawWindow(connect, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_GT(OffFace(connect, 2), 20);
    SendMessageW(connect, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    SendMessageW(connect, WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return Prop(connect, kPropTimerId) == 0; }, 5000));
    EXPECT_GT(OffFace(connect, 2), 20);
    // Hidden again, and gone with the focus.
    SendMessageW(connect, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    Pump(30);
    EXPECT_EQ(OffFace(connect, 2), 0);
    SendMessageW(connect, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    SetFocus(main.Control(MainWindow::kUserText));
    Pump(30);
    EXPECT_EQ(OffFace(connect, 2), 0);
}

TEST(SkinMainWindow, EveryMessageBoxItRaisesIsSkinnedWithItsButtons) {
    LoadedMainWindow main;
    ASSERT_TRUE(LoadPainted(main, true));
    MessageBoxCloser closer;
    // Connect with no account: the information box.
    SendMessageW(main.Control(MainWindow::kBtnLog), BM_CLICK, 0, 0);
    // The redial option with no account: the information box, and the option unticks.
    SendMessageW(main.Control(MainWindow::kRedialOnDropBox), BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(main.Control(MainWindow::kRedialOnDropBox), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    // The start option refused by the registry: the error box, and the option unticks.
    main.services.write_run_value = MainFrmServices::RunValueResult::AccessDenied;
    SendMessageW(main.Control(MainWindow::kStartWithWindowsBox), BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(main.Control(MainWindow::kStartWithWindowsBox), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    // A link that no program opens: the link error box, raised while the main window is active.
    SetMessageBoxHookForTesting(nullptr);
    SetForegroundWindow(main.hwnd());
    Pump(30);
    OpenLink("veltrane-no-such-scheme:nothing");

    const auto& records = closer.records();
    ASSERT_EQ(records.size(), 4u);
    const wchar_t* titles[] = {L"提示：", L"提示：", L"错误！", L"错误："};
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].title, titles[i]) << i;
        EXPECT_TRUE(records[i].skinned) << i;
        EXPECT_GE(records[i].buttons, 1) << i;
        EXPECT_EQ(records[i].skinned_buttons, records[i].buttons) << i;
        EXPECT_EQ(records[i].faced_buttons, records[i].buttons) << i;
        EXPECT_EQ(records[i].themed_buttons, records[i].buttons) << i;  // as subscribers see them
    }
}

}  // namespace
}  // namespace vt
