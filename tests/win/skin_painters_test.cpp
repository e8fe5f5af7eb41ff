#include "skin/skin_painters.h"

#include <gtest/gtest.h>

#include "skin/skin_engine.h"
#include "skin/skin_images.h"
#include "skin/skin_vocabulary.h"
#include "skin/skin_window.h"
#include "skin_test_support.h"

namespace vt {
namespace {

using namespace skin_test;

constexpr COLORREF kWhite = RGB(255, 255, 255);

class SkinPainters : public testing::Test {
protected:
    void SetUp() override {
        BuildSkinBitmaps();
        form_ = MakeForm(340, 263);
        ASSERT_NE(form_, nullptr);
    }
    void TearDown() override {
        for (HWND button : faced_) {
            for (const ButtonSurfaceNames& names : ButtonSurfaceProperties()) {
                DeleteDC(reinterpret_cast<HDC>(GetSkinProp(button, names.surface.c_str())));
                DeleteObject(reinterpret_cast<HBITMAP>(GetSkinProp(button, names.bitmap.c_str())));
            }
        }
        DestroyWindow(form_);
        ReleaseSkinBitmaps();
    }
    // A push button prepared as attach prepares it, without subclassing: the four faces rendered and the
    // fade picture, all freed at the end of the case.
    HWND FacedButton(const wchar_t* caption, int width, int height) {
        HWND button = MakeChild(form_, L"BUTTON", caption, BS_PUSHBUTTON, 10, 10, width, height);
        HDC window_dc = GetWindowDC(button);
        for (const ButtonSurfaceNames& names : ButtonSurfaceProperties()) {
            HDC face = CreateCompatibleDC(window_dc);
            HBITMAP bitmap = CreateCompatibleBitmap(window_dc, width, height);
            SelectObject(face, bitmap);
            SetSkinProp(button, names.surface.c_str(), reinterpret_cast<intptr_t>(face));
            SetSkinProp(button, names.bitmap.c_str(), reinterpret_cast<intptr_t>(bitmap));
        }
        ReleaseDC(button, window_dc);
        SetSkinProp(button, kPropOldStyle, GetWindowLongW(button, GWL_STYLE));
        SetSkinProp(button, kPropOldState, 0);
        RenderButtonStates(button);
        faced_.push_back(button);
        return button;
    }
    // Lets the controls finish their own painting before a painter draws over them.
    void Settle() {
        UpdateWindow(form_);
        Pump(30);
    }
    HWND form_ = nullptr;
    std::vector<HWND> faced_;
};

HDC Picture(HWND button) { return reinterpret_cast<HDC>(GetSkinProp(button, kPropBlendSurface)); }

// Pixels of the rectangle that differ between two DCs.
int Differing(HDC a, HDC b, int w, int h) {
    int count = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) count += GetPixel(a, x, y) != GetPixel(b, x, y);
    return count;
}

HDC Face(HWND button, int state) {
    return reinterpret_cast<HDC>(GetSkinProp(button, FaceSurfacePropertyName(state).c_str()));
}

int CountColour(HDC dc, int x0, int y0, int w, int h, COLORREF colour) {
    int count = 0;
    for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x) count += GetPixel(dc, x, y) == colour;
    }
    return count;
}

TEST_F(SkinPainters, ButtonFacesCarryTileFrameAndCaption) {
    HWND button = FacedButton(L"连 接", 80, 25);
    const SkinImage skin = MakeButtonSkinImage();
    for (int state = 0; state < 4; ++state) {
        HDC face = Face(button, state);
        const int y0 = 21 * state;
        // Corners kept at 3 x 3, the middle column stretched, the frame along the edges.
        EXPECT_EQ(GetPixel(face, 0, 0), skin.At(0, y0)) << state;
        EXPECT_EQ(GetPixel(face, 79, 24), skin.At(6, y0 + 20)) << state;
        EXPECT_EQ(GetPixel(face, 40, 0), skin.At(3, y0)) << state;
        EXPECT_EQ(GetPixel(face, 0, 12), skin.At(0, y0 + 10)) << state;
        EXPECT_EQ(GetPixel(face, 79, 12), skin.At(6, y0 + 10)) << state;
    }
    // Black caption on faces 0 to 2, grey on face 3.
    EXPECT_GT(CountColour(Face(button, 0), 2, 2, 76, 21, RGB(0, 0, 0)), 5);
    EXPECT_EQ(CountColour(Face(button, 0), 2, 2, 76, 21, RGB(121, 138, 150)), 0);
    EXPECT_GT(CountColour(Face(button, 3), 2, 2, 76, 21, RGB(121, 138, 150)), 5);
    EXPECT_EQ(CountColour(Face(button, 3), 2, 2, 76, 21, RGB(0, 0, 0)), 0);
    // No caption and no focus: the inner area is the stretched tile only.
    SetWindowTextW(button, L"");
    RenderButtonStates(button);
    EXPECT_EQ(CountColour(Face(button, 0), 2, 2, 76, 21, RGB(0, 0, 0)), 0);
}

// The faces carry no focus box: the paint draws it over the face while the button has the focus, unless
// its keyboard cues hide focus rectangles.
TEST_F(SkinPainters, FocusBoxIsDrawnOverTheFaceWhenTheCuesShowIt) {
    HWND button = FacedButton(L"", 60, 24);
    Surface unfocused = SolidSurface(60, 24, RGB(0, 0, 0));
    BitBlt(unfocused.dc(), 0, 0, 60, 24, Face(button, 0), 0, 0, SRCCOPY);
    SetForegroundWindow(form_);
    SetFocus(button);
    ASSERT_EQ(GetFocus(), button);
    RenderButtonStates(button);
    EXPECT_EQ(Differing(Face(button, 0), unfocused.dc(), 60, 24), 0);
    Surface shown = SolidSurface(60, 24, RGB(0, 0, 0));
    {
        KeyboardCues cues(button, true);
        PaintButtonFace(button, shown.dc());
        EXPECT_EQ(Differing(shown.dc(), unfocused.dc(), 60, 24), 0);
    }
    KeyboardCues cues(button, false);
    PaintButtonFace(button, shown.dc());
    // The dotted box inset by 2 pixels, and nothing else.
    int on_box = 0;
    for (int x = 2; x < 58; ++x) on_box += GetPixel(shown.dc(), x, 2) != GetPixel(unfocused.dc(), x, 2);
    EXPECT_GT(on_box, 20);
    EXPECT_EQ(GetPixel(shown.dc(), 30, 12), GetPixel(unfocused.dc(), 30, 12));
    EXPECT_EQ(GetPixel(shown.dc(), 1, 1), GetPixel(unfocused.dc(), 1, 1));
    SetFocus(form_);
}

// Settled, the face of "OLDSTATE" shows at full strength whatever "ALPHALEVEL" holds; while a fade runs
// the fade picture shows, into which each step blends the face.
TEST_F(SkinPainters, PaintShowsTheFaceOrTheFadePicture) {
    HWND button = FacedButton(L"OK", 50, 22);
    SetSkinProp(button, kPropOldState, 1);
    for (int alpha : {0, 100, 255}) {
        SetSkinProp(button, kPropAlphaLevel, alpha);
        Surface target = SolidSurface(50, 22, RGB(0, 0, 0));
        EXPECT_EQ(PaintButtonFace(button, target.dc()), 0);
        EXPECT_EQ(Differing(target.dc(), Face(button, 1), 50, 22), 0) << alpha;
    }
    // The picture holds the face shown when no fade runs; a step of 0 leaves it, one of 128 goes half way.
    SetSkinProp(button, kPropOldState, 2);
    HoldButtonPicture(button);
    EXPECT_EQ(Differing(Picture(button), Face(button, 2), 50, 22), 0);
    BlendButtonFace(button, 0, 0);
    EXPECT_EQ(Differing(Picture(button), Face(button, 2), 50, 22), 0);
    BlendButtonFace(button, 0, 128);
    const COLORREF from = GetPixel(Face(button, 2), 25, 1), to = GetPixel(Face(button, 0), 25, 1);
    const COLORREF mixed = GetPixel(Picture(button), 25, 1);
    EXPECT_NEAR(GetRValue(mixed), (GetRValue(from) + GetRValue(to)) / 2, 2);
    // While a fade runs the paint shows the picture, and holding it again keeps it.
    SetSkinProp(button, kPropTimerId, 1);
    HoldButtonPicture(button);
    Surface target = SolidSurface(50, 22, RGB(0, 0, 0));
    PaintButtonFace(button, target.dc());
    EXPECT_EQ(GetPixel(target.dc(), 25, 1), mixed);
    SetButtonPicture(button, 3);
    PaintButtonFace(button, target.dc());
    EXPECT_EQ(Differing(target.dc(), Face(button, 3), 50, 22), 0);
    SetSkinProp(button, kPropTimerId, 0);
}

TEST_F(SkinPainters, ButtonWithStyleBitsIsNotPainted) {
    HWND button = FacedButton(L"x", 50, 22);
    SetSkinProp(button, kPropAlphaLevel, 255);
    for (LONG style : {BS_CHECKBOX, BS_RADIOBUTTON, BS_OWNERDRAW}) {
        SetSkinProp(button, kPropOldStyle, WS_CHILD | style);
        Surface target = SolidSurface(50, 22, RGB(0, 0, 0));
        PaintButtonFace(button, target.dc());
        EXPECT_EQ(CountColour(target.dc(), 0, 0, 50, 22, RGB(0, 0, 0)), 50 * 22) << style;
    }
}

TEST_F(SkinPainters, PaintsOntoTheWindowWhenNoDcIsGiven) {
    HWND button = FacedButton(L"", 50, 22);
    Settle();
    SetSkinProp(button, kPropOldState, 2);
    SetSkinProp(button, kPropAlphaLevel, 255);
    PaintButtonFace(button, nullptr);
    EXPECT_EQ(WindowPixel(button, 0, 11), RGB(27, 143, 213));
    EXPECT_EQ(WindowPixel(button, 25, 1), RGB(57, 188, 251));
}

// The expected check box picture, composed from the images.
struct BoxPicture {
    int cw = GetSystemMetrics(SM_CXMENUCHECK);
    int ch = GetSystemMetrics(SM_CYMENUCHECK);
};

TEST_F(SkinPainters, CheckBoxInA17PixelWindow) {
    HWND box = MakeChild(form_, kCheckBoxClass, L"开机启动", BS_AUTOCHECKBOX, 10, 10, 120, 17);
    SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    Settle();
    const BoxPicture pic;
    const int y0 = HalfEven(17 - pic.ch);
    EXPECT_EQ(PaintCheckBox(box, 0, false), 0);  // OLDSTATE reads 0: nothing to do
    EXPECT_EQ(PaintCheckBox(box, 0, true), 1);
    const SkinImage glyph = MakeGlyphSkinImage();
    const int mx = HalfEven(pic.cw - 9), my = HalfEven(pic.ch - 8);
    if (pic.cw == 13 && pic.ch == 13) {
        EXPECT_EQ(y0, 2);
        EXPECT_EQ(mx, 2);
        EXPECT_EQ(my, 2);
    }
    for (int y = 0; y < pic.ch; ++y) {
        for (int x = 0; x < pic.cw; ++x) {
            COLORREF want = kWhite;
            if (x == 0 || y == 0 || x == pic.cw - 1 || y == pic.ch - 1) want = RGB(84, 165, 213);
            const int gx = x - mx, gy = y - my;
            if (gx >= 0 && gx < 9 && gy >= 0 && gy < 8 && glyph.At(gx, gy) != kSkinKeyColour)
                want = glyph.At(gx, gy);
            ASSERT_EQ(WindowPixel(box, x, y0 + y), want) << x << "," << y;
        }
    }
    EXPECT_EQ(GetSkinProp(box, kPropOldState), 0);
}

TEST_F(SkinPainters, CheckBoxLooksGreyAndDisabled) {
    HWND box = MakeChild(form_, kCheckBoxClass, L"断网重拨", BS_AUTO3STATE, 10, 10, 120, 21);
    SendMessageW(box, BM_SETCHECK, BST_INDETERMINATE, 0);
    Settle();
    const BoxPicture pic;
    const int y0 = HalfEven(21 - pic.ch);
    const SkinImage glyph = MakeGlyphSkinImage();
    // Pressed: darker frame, the pressed fill, the grey mark and no check mark.
    EXPECT_EQ(PaintCheckBox(box, 2, false), 1);
    EXPECT_EQ(GetSkinProp(box, kPropOldState), 2);
    EXPECT_EQ(WindowPixel(box, 0, y0 + 5), RGB(57, 134, 196));
    const int gx = HalfEven(pic.cw - 7), gy = HalfEven(pic.ch - 7);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 7; ++x) ASSERT_EQ(WindowPixel(box, gx + x, y0 + gy + y), glyph.At(1 + x, 9 + y));
    }
    EXPECT_NE(WindowPixel(box, 1, y0 + 1), kWhite);  // the fill from the pressed circle
    EXPECT_EQ(PaintCheckBox(box, 2, false), 0);

    EnableWindow(box, FALSE);
    Settle();
    EXPECT_EQ(PaintCheckBox(box, 0, true), 1);
    EXPECT_EQ(WindowPixel(box, 0, y0 + 5), RGB(164, 207, 233));
    EXPECT_EQ(WindowPixel(box, 1, y0 + 1), kWhite);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 7; ++x) ASSERT_EQ(WindowPixel(box, gx + x, y0 + gy + y), glyph.At(10 + x, 9 + y));
    }
}

TEST_F(SkinPainters, CheckBoxHoverFillComesFromTheHoverCircle) {
    HWND box = MakeChild(form_, kCheckBoxClass, L"x", BS_AUTOCHECKBOX, 10, 10, 120, 20);
    Settle();
    const BoxPicture pic;
    const int y0 = HalfEven(20 - pic.ch);
    EXPECT_EQ(PaintCheckBox(box, 1, false), 1);
    const SkinImage toggle = MakeToggleSkinImage();
    for (int y = 1; y < pic.ch - 1; ++y) {
        const COLORREF pixel = WindowPixel(box, pic.cw / 2, y0 + y);
        bool from_strip = false;
        for (int sy = 17; sy < 22; ++sy) from_strip |= pixel == toggle.At(6, sy);
        EXPECT_TRUE(from_strip) << y;
    }
    EXPECT_EQ(WindowPixel(box, 0, y0), RGB(84, 165, 213));
}

TEST_F(SkinPainters, OptionButtonCircleDotAndUntouchedCorners) {
    HWND option = MakeChild(form_, kOptionButtonClass, L"x", BS_AUTORADIOBUTTON, 10, 10, 120, 19);
    SendMessageW(option, BM_SETCHECK, BST_CHECKED, 0);
    Settle();
    const BoxPicture pic;
    const int y0 = HalfEven(19 - pic.ch);
    const COLORREF corner_before = WindowPixel(option, 0, y0);
    EXPECT_EQ(PaintOptionButton(option, 0, false), 0);
    EXPECT_EQ(PaintOptionButton(option, 1, false), 1);
    EXPECT_EQ(GetSkinProp(option, kPropOldState), 1);
    EXPECT_EQ(PaintOptionButton(option, 1, false), 0);
    EXPECT_EQ(WindowPixel(option, 0, y0), corner_before);  // magenta corner keeps the control's own look
    const SkinImage glyph = MakeGlyphSkinImage();
    const int dx = HalfEven(pic.cw - 5), dy = y0 + HalfEven(pic.ch - 5);
    EXPECT_EQ(WindowPixel(option, dx + 2, dy + 2), glyph.At(4, 20));
    if (pic.cw == 13 && pic.ch == 13) {
        const SkinImage toggle = MakeToggleSkinImage();
        EXPECT_EQ(WindowPixel(option, 6, y0), toggle.At(6, 13));  // hover ring
        EXPECT_EQ(WindowPixel(option, 3, y0 + 6), toggle.At(3, 13 + 6));
    }
    // Cleared and disabled: the pale circle without a dot.
    SendMessageW(option, BM_SETCHECK, BST_UNCHECKED, 0);
    EnableWindow(option, FALSE);
    Settle();
    EXPECT_EQ(PaintOptionButton(option, 0, true), 1);
    if (pic.cw == 13 && pic.ch == 13) {
        EXPECT_EQ(WindowPixel(option, 6, y0), RGB(194, 211, 233));
        EXPECT_EQ(WindowPixel(option, 6, y0 + 6), kWhite);
    }
}

TEST_F(SkinPainters, ComboButtonLooks) {
    HWND combo = MakeChild(form_, L"COMBOBOX", L"", CBS_DROPDOWNLIST, 10, 10, 150, 200);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"one"));
    Settle();
    WindowBounds bounds;
    GetWindowBounds(combo, bounds);
    const int bw = GetSystemMetrics(SM_CXVSCROLL) + 1;
    const int bh = bounds.height - 2;
    const int left = bounds.width - bw - 1;
    const int ax = left + HalfEven(bw - 7), ay = 1 + HalfEven(bounds.height - 6);
    const SkinImage combo_image = MakeComboSkinImage();

    int state = 1;
    SetSkinProp(combo, kPropOldState, 0);
    PaintComboButton(combo, nullptr, state, false);
    EXPECT_EQ(state, 1);
    EXPECT_EQ(GetSkinProp(combo, kPropOldState), 1);
    EXPECT_EQ(WindowPixel(combo, left, 1), combo_image.At(0, 0));  // hover frame column
    EXPECT_EQ(WindowPixel(combo, left + bw - 1, bh), combo_image.At(3, 17));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 7; ++x) {
            if (kArrowShape[y][x] == 'X') {
                ASSERT_EQ(WindowPixel(combo, ax + x, ay + y), RGB(25, 85, 95));
            }
        }
    }
    state = 0;
    PaintComboButton(combo, nullptr, state, false);
    EXPECT_EQ(WindowPixel(combo, left, 1), kWhite);
    EXPECT_EQ(WindowPixel(combo, ax, ay), RGB(25, 85, 95));
    EXPECT_EQ(WindowPixel(combo, ax, ay + 1), kWhite);

    // Disabled: the pale arrow.
    EnableWindow(combo, FALSE);
    Settle();
    PaintComboButton(combo, nullptr, state, true);
    EXPECT_EQ(WindowPixel(combo, ax + 3, ay + 3), RGB(132, 165, 172));
    EnableWindow(combo, TRUE);

    // An open list forces the pressed look, and the caller sees it.
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    Pump(20);
    state = 0;
    PaintComboButton(combo, nullptr, state, false);
    EXPECT_EQ(state, 2);
    EXPECT_EQ(GetSkinProp(combo, kPropOldState), 2);
    EXPECT_EQ(WindowPixel(combo, left + 2, 2), combo_image.At(6, 1));
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(SkinPainters, SimpleComboHasNoDropButton) {
    HWND combo = MakeChild(form_, L"COMBOBOX", L"", CBS_SIMPLE, 10, 10, 150, 100);
    Settle();
    WindowBounds bounds;
    GetWindowBounds(combo, bounds);
    const int bw = GetSystemMetrics(SM_CXVSCROLL) + 1;
    const COLORREF before = WindowPixel(combo, bounds.width - bw - 1, 1);
    int state = 1;
    PaintComboButton(combo, nullptr, state, true);
    EXPECT_EQ(GetSkinProp(combo, kPropOldState), 0);
    EXPECT_EQ(WindowPixel(combo, bounds.width - bw - 1, 1), before);
}

TEST_F(SkinPainters, HeaderItemTilesAndText) {
    HWND header = MakeHeader(form_, HDS_BUTTONS | HDS_HORZ, 0, 0, {{L"账号", 100}, {L"", 60}});
    Settle();
    const SkinImage skin = MakeHeaderSkinImage();
    Surface target = SolidSurface(300, 22, RGB(0, 0, 0));
    for (int state = 0; state < 3; ++state) {
        EXPECT_EQ(PaintHeaderItem(header, target.dc(), 1, state), 0);
        const int tx = state * 3;
        EXPECT_EQ(GetPixel(target.dc(), 100, 0), skin.At(tx, 0)) << state;
        EXPECT_EQ(GetPixel(target.dc(), 130, 21), skin.At(tx + 1, 19)) << state;
        EXPECT_EQ(GetPixel(target.dc(), 159, 21), skin.At(tx + 2, 19)) << state;
        // Middle rows stretch: each shows one of its column's middle rows.
        for (int x : {100, 130, 159}) {
            const int column = x == 100 ? tx : x == 130 ? tx + 1 : tx + 2;
            bool from_column = false;
            for (int sy = 1; sy < 19; ++sy)
                from_column |= GetPixel(target.dc(), x, 10) == skin.At(column, sy);
            EXPECT_TRUE(from_column) << state << "," << x;
        }
        EXPECT_EQ(GetPixel(target.dc(), 160, 10), RGB(0, 0, 0)) << state;
        // An empty text: the background tile only.
        EXPECT_EQ(CountColour(target.dc(), 101, 1, 58, 20, RGB(0, 0, 0)), 0) << state;
    }
    PaintHeaderItem(header, target.dc(), 0, 0);
    int dark = 0;
    for (int y = 1; y < 21; ++y) {
        for (int x = 1; x < 99; ++x) {
            const COLORREF c = GetPixel(target.dc(), x, y);
            dark += GetRValue(c) + GetGValue(c) + GetBValue(c) < 300;
        }
    }
    EXPECT_GT(dark, 5);  // the caption
    EXPECT_EQ(GetPixel(target.dc(), 99, 10), RGB(122, 176, 217));
    // A negative index draws nothing.
    Surface untouched = SolidSurface(300, 22, RGB(0, 0, 0));
    EXPECT_EQ(PaintHeaderItem(header, untouched.dc(), -1, 1), 0);
    EXPECT_EQ(CountColour(untouched.dc(), 0, 0, 300, 22, RGB(0, 0, 0)), 300 * 22);
}

}  // namespace
}  // namespace vt
