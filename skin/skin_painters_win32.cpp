#include "skin/skin_painters.h"

#include <commctrl.h>

#include <string>

#include "base/handles.h"
#include "skin/skin_engine.h"
#include "skin/skin_images.h"
#include "skin/skin_primitives.h"
#include "skin/skin_vocabulary.h"

namespace vt {

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kCheckFrame = RGB(84, 165, 213);
constexpr COLORREF kCheckFramePressed = RGB(57, 134, 196);
constexpr COLORREF kCheckFrameDisabled = RGB(164, 207, 233);
constexpr COLORREF kDisabledCaption = RGB(121, 138, 150);

// The DC a painter draws on: the caller's, or the window's whole-window DC taken for the call.
class TargetDc {
public:
    TargetDc(HWND window, HDC given) : window_(window), dc_(given) {
        if (!dc_) {
            dc_ = GetWindowDC(window);
            owned_ = dc_ != nullptr;
        }
    }
    TargetDc(const TargetDc&) = delete;
    TargetDc& operator=(const TargetDc&) = delete;
    ~TargetDc() {
        if (owned_) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
    bool owned_ = false;
};

HFONT WindowFont(HWND window) { return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)); }

// A push button's face surface of a state 0 to 3 (null for any other state), and its fade picture.
HDC FaceSurface(HWND window, int state) {
    if (state < 0 || state > 3) return nullptr;
    return reinterpret_cast<HDC>(GetSkinProp(window, FaceSurfacePropertyName(state).c_str()));
}
HDC BlendSurface(HWND window) { return reinterpret_cast<HDC>(GetSkinProp(window, kPropBlendSurface)); }

// Blits a keyed tile of a built-in surface.
void BlitTile(HDC dest, int x, int y, const Surface& skin, TileRect tile) {
    BlitTransparent(dest, x, y, tile.width, tile.height, skin.dc(), tile.x, tile.y, kSkinKeyColour);
}

}  // namespace

void RenderButtonStates(HWND window) {
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    const std::wstring caption = WindowText(window);
    const HFONT font = WindowFont(window);
    const SkinEngine& engine = SkinEngineState();
    for (int state = 0; state < 4; ++state) {
        const HDC face = FaceSurface(window, state);
        if (!face) continue;
        // The window's font goes back out of the face afterwards, so the window can delete it freely.
        SelectGuard font_guard(face, font);
        SetBkMode(face, TRANSPARENT);
        const TileRect tile = ButtonFaceTile(state);
        StretchTile(face, 0, 0, bounds.width, bounds.height, engine.ButtonSkin.dc(), tile.x, tile.y,
                    tile.width, tile.height, 3, 3, 3, 3);
        SetTextColor(face, state == kSkinDisabled ? kDisabledCaption : RGB(0, 0, 0));
        DrawTextIn(face, caption, 2, 2, bounds.width - 4, bounds.height - 4, kSkinCaptionFormat);
    }
}

int CurrentButtonState(HWND window) {
    if (!IsWindowEnabled(window)) SetSkinProp(window, kPropOldState, kSkinDisabled);
    return static_cast<int>(GetSkinProp(window, kPropOldState));
}

bool ShowsFocusBox(HWND window) {
    if (GetFocus() != window) return false;
    return (SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

int PaintButtonFace(HWND window, HDC dc) {
    const int state = CurrentButtonState(window);
    if (ButtonKeepsOwnPainting(static_cast<int32_t>(GetSkinProp(window, kPropOldStyle)))) return 0;
    const bool fading = GetSkinProp(window, kPropTimerId) != 0;
    const HDC picture = fading ? BlendSurface(window) : FaceSurface(window, state);
    if (!picture) return 0;
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    TargetDc target(window, dc);
    BitBlt(target.get(), 0, 0, bounds.width, bounds.height, picture, 0, 0, SRCCOPY);
    if (ShowsFocusBox(window)) FocusBox(target.get(), 2, 2, bounds.width - 4, bounds.height - 4);
    return 0;
}

void HoldButtonPicture(HWND window) {
    if (GetSkinProp(window, kPropTimerId) == 0) SetButtonPicture(window, CurrentButtonState(window));
}

void SetButtonPicture(HWND window, int state) {
    const HDC face = FaceSurface(window, state);
    const HDC picture = BlendSurface(window);
    if (!face || !picture) return;
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    BitBlt(picture, 0, 0, bounds.width, bounds.height, face, 0, 0, SRCCOPY);
}

void BlendButtonFace(HWND window, int state, int alpha) {
    const HDC face = FaceSurface(window, state);
    const HDC picture = BlendSurface(window);
    if (!face || !picture) return;
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(alpha), 0};
    AlphaBlend(picture, 0, 0, bounds.width, bounds.height, face, 0, 0, bounds.width, bounds.height, blend);
}

void StepButtonFade(HWND window, int alpha) {
    const int state = CurrentButtonState(window);
    if (ButtonKeepsOwnPainting(static_cast<int32_t>(GetSkinProp(window, kPropOldStyle)))) return;
    const HDC face = FaceSurface(window, state);
    const HDC picture = BlendSurface(window);
    if (!face || !picture) return;
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    if (GetSkinProp(window, kPropTimerId) == 0)
        BitBlt(picture, 0, 0, bounds.width, bounds.height, face, 0, 0, SRCCOPY);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(alpha), 0};
    AlphaBlend(picture, 0, 0, bounds.width, bounds.height, face, 0, 0, bounds.width, bounds.height, blend);
    TargetDc target(window, nullptr);
    BitBlt(target.get(), 0, 0, bounds.width, bounds.height, picture, 0, 0, SRCCOPY);
    if (ShowsFocusBox(window)) FocusBox(target.get(), 2, 2, bounds.width - 4, bounds.height - 4);
}

void PaintComboButton(HWND window, HDC dc, int& state, bool force) {
    if (SendMessageW(window, CB_GETDROPPEDSTATE, 0, 0) != 0) state = kSkinPressed;
    const intptr_t painted = GetSkinProp(window, kPropOldState);
    if (state == painted && !force) return;
    if ((GetWindowLongW(window, GWL_STYLE) & 2) == 0) return;
    if (state != painted) SetSkinProp(window, kPropOldState, state);
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    const int bw = GetSystemMetrics(SM_CXVSCROLL) + 1;
    const int bh = bounds.height - 2;
    const SkinEngine& engine = SkinEngineState();
    ScratchSurface canvas(bw, bh);
    if (!canvas) return;
    if (state == kSkinHover || state == kSkinPressed) {
        const TileRect tile = ComboBackgroundTile(state);
        StretchTile(canvas.dc(), 0, 0, bw, bh, engine.ComboSkin.dc(), tile.x, tile.y, tile.width, tile.height,
                    2, 1, 1, 1);
    } else {
        FillBox(canvas.dc(), 0, 0, bw, bh, kWhite);
    }
    BlitTile(canvas.dc(), HalfEven(bw - 7), HalfEven(bounds.height - 6), engine.ComboSkin,
             ComboArrowTile(IsWindowEnabled(window) != FALSE));
    TargetDc target(window, dc);
    BitBlt(target.get(), bounds.width - bw - 1, 1, bw, bh, canvas.dc(), 0, 0, SRCCOPY);
}

int PaintCheckBox(HWND window, int state, bool force, HDC dc) {
    const intptr_t painted = GetSkinProp(window, kPropOldState);
    if (state == painted && !force) return 0;
    if (state != painted) SetSkinProp(window, kPropOldState, state);
    const int cw = GetSystemMetrics(SM_CXMENUCHECK);
    const int ch = GetSystemMetrics(SM_CYMENUCHECK);
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    const LRESULT check = SendMessageW(window, BM_GETCHECK, 0, 0);
    const SkinEngine& engine = SkinEngineState();
    ScratchSurface canvas(cw, ch);
    TargetDc target(window, dc);
    FillBox(canvas.dc(), 0, 0, cw, ch, kWhite);
    const bool enabled = IsWindowEnabled(window) != FALSE;
    if (enabled) {
        FrameBox(canvas.dc(), 0, 0, cw, ch, state == kSkinPressed ? kCheckFramePressed : kCheckFrame);
        if (state == kSkinHover || state == kSkinPressed) {
            const TileRect strip = state == kSkinHover ? kToggleHoverStrip : kTogglePressedStrip;
            StretchBlt(canvas.dc(), 1, 1, cw - 2, ch - 2, engine.ToggleSkin.dc(), strip.x, strip.y,
                       strip.width, strip.height, SRCCOPY);
        }
    } else {
        FrameBox(canvas.dc(), 0, 0, cw, ch, kCheckFrameDisabled);
    }
    if (check == BST_CHECKED) {
        BlitTile(canvas.dc(), HalfEven(cw - 9), HalfEven(ch - 8), engine.GlyphSkin, CheckMarkTile(enabled));
    } else if (check == BST_INDETERMINATE) {
        BlitTile(canvas.dc(), HalfEven(cw - 7), HalfEven(ch - 7), engine.GlyphSkin, GreyMarkTile(enabled));
    }
    BitBlt(target.get(), 0, HalfEven(bounds.height - ch), cw, ch, canvas.dc(), 0, 0, SRCCOPY);
    return 1;
}

int PaintOptionButton(HWND window, int state, bool force, HDC dc) {
    const intptr_t painted = GetSkinProp(window, kPropOldState);
    if (state == painted && !force) return 0;
    if (state != painted) SetSkinProp(window, kPropOldState, state);
    const int cw = GetSystemMetrics(SM_CXMENUCHECK);
    const int ch = GetSystemMetrics(SM_CYMENUCHECK);
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    const int y0 = HalfEven(bounds.height - ch);
    const LRESULT check = SendMessageW(window, BM_GETCHECK, 0, 0);
    const SkinEngine& engine = SkinEngineState();
    TargetDc target(window, dc);
    const bool enabled = IsWindowEnabled(window) != FALSE;
    // Only the normal, hover and pressed circles are drawn for an enabled window.
    if (!enabled || (state >= kSkinNormal && state <= kSkinPressed)) {
        const TileRect circle = ToggleCircleTile(enabled ? state : kSkinDisabled);
        StretchTile(target.get(), 0, y0, cw, ch, engine.ToggleSkin.dc(), circle.x, circle.y, circle.width,
                    circle.height, 5, 5, 5, 5, kSkinKeyColour);
    }
    if (check == BST_CHECKED) {
        BlitTile(target.get(), HalfEven(cw - 5), y0 + HalfEven(ch - 5), engine.GlyphSkin,
                 OptionDotTile(enabled));
    }
    return 1;
}

int PaintHeaderItem(HWND window, HDC dc, int index, int state) {
    if (index < 0) return 0;
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    RECT item{};
    SendMessageW(window, HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    const int iw = item.right - item.left;
    const int ih = item.bottom - item.top;
    ScratchSurface canvas(iw, bounds.height);
    if (!canvas) return 0;
    SelectGuard font_guard(canvas.dc(), WindowFont(window));
    SetBkMode(canvas.dc(), TRANSPARENT);
    const TileRect tile = HeaderItemTile(state);
    StretchTile(canvas.dc(), 0, 0, iw, bounds.height, SkinEngineState().HeaderSkin.dc(), tile.x, tile.y,
                tile.width, tile.height, 1, 1, 1, 1);
    wchar_t buffer[256] = {};
    HDITEMW info{};
    info.mask = HDI_TEXT;
    info.pszText = buffer;
    info.cchTextMax = 256;
    SendMessageW(window, HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&info));
    std::wstring text;
    // The control may hand back its own buffer instead of filling ours.
    const wchar_t* source = info.pszText ? info.pszText : buffer;
    for (int i = 0; i < 255 && source[i] != L'\0'; ++i) text += source[i];
    if (!text.empty()) DrawTextIn(canvas.dc(), text, 0, 0, iw, bounds.height, kSkinCaptionFormat);
    TargetDc target(window, dc);
    BitBlt(target.get(), item.left, 0, iw, ih, canvas.dc(), 0, 0, SRCCOPY);
    return 0;
}

}  // namespace vt
