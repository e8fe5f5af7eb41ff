// Push buttons: four prepared faces, changed with a short constant-alpha fade on a 15 ms window timer.
//
// A button is painted from its stored state only: the face "OLDSTATE", or while a fade runs the fade
// picture, which every tick blends the face into and shows. The mouse and key handlers change the state,
// start or stop the fade and invalidate; they do not draw. The themed (version 6) button repaints itself
// later, from a posted WM_PAINT, after hover, press, release and focus changes, and such a repaint must show
// what the fade has reached rather than end it.
#include <windowsx.h>

#include "base/handles.h"
#include "skin/skin_dispatch.h"
#include "skin/skin_geometry.h"
#include "skin/skin_painters.h"
#include "skin/skin_primitives.h"

namespace vt {

namespace {

constexpr int kLeaveAlpha = 140;
constexpr int kReleaseAlpha = 60;

void SetState(HWND window, int state, int alpha) {
    SetSkinProp(window, kPropOldState, state);
    SetSkinProp(window, kPropAlphaLevel, alpha);
}

void Invalidate(HWND window) { InvalidateRect(window, nullptr, FALSE); }

// A fade towards `state` from the fade picture (HoldButtonPicture puts what the button shows there).
void FadeTo(HWND window, int state, int alpha) {
    SetState(window, state, alpha);
    StartFadeTimer(window);
    Invalidate(window);
}

// The face of `state` at full strength, with no fade running.
void ShowAtOnce(HWND window, int state, int alpha) {
    StopFadeTimer(window);
    SetState(window, state, alpha);
    Invalidate(window);
}

bool PointerOver(HWND window, LPARAM lparam) {
    POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    ClientToScreen(window, &point);
    return WindowFromPoint(point) == window;
}

LRESULT OnPaint(const SkinMessage& msg) {
    if (ButtonKeepsOwnPainting(static_cast<int32_t>(GetSkinProp(msg.window, kPropOldStyle))))
        return msg.PassOn();
    PaintDc paint(msg.window);
    PaintButtonFace(msg.window, paint.get());
    return 0;
}

// Printing into a given DC (a parent drawing its children, an animation): the same picture.
LRESULT OnPrintClient(const SkinMessage& msg) {
    if (ButtonKeepsOwnPainting(static_cast<int32_t>(GetSkinProp(msg.window, kPropOldStyle))))
        return msg.PassOn();
    PaintButtonFace(msg.window, reinterpret_cast<HDC>(msg.wparam));
    return 0;
}

LRESULT OnMouseMove(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    HWND window = msg.window;
    if (GetSkinProp(window, kPropMouseFlag) == 0) {
        SetSkinProp(window, kPropMouseFlag, 1);
        TrackMouseLeave(window);
        HoldButtonPicture(window);
        FadeTo(window, kSkinHover, 0);
        return result;
    }
    // The pointer moved off while the button holds the mouse: the current face at once.
    if (!PointerOver(window, msg.lparam)) ShowAtOnce(window, CurrentButtonState(window), 255);
    return result;
}

LRESULT OnMouseLeave(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    HWND window = msg.window;
    SetSkinProp(window, kPropMouseFlag, 0);
    // The hover face once more at 140, then the fade towards normal from 0.
    HoldButtonPicture(window);
    BlendButtonFace(window, kSkinHover, kLeaveAlpha);
    FadeTo(window, kSkinNormal, 0);
    return result;
}

LRESULT OnButtonDown(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    ShowAtOnce(msg.window, kSkinPressed, 0);
    return result;
}

// A click is reported while its release is passed on, and what it reports may open a modal message box
// at once. So the release look is set and painted first: the button must not stay pressed behind the
// box. Released over the button, it shows the hover face at once and fades towards normal from there;
// released elsewhere (no click), it fades from the pressed face.
LRESULT OnButtonUp(const SkinMessage& msg) {
    HWND window = msg.window;
    SetSkinProp(window, kPropMouseFlag, 0);
    const bool over = CurrentButtonState(window) != kSkinDisabled && PointerOver(window, msg.lparam);
    if (over) {
        SetButtonPicture(window, kSkinHover);
    } else {
        HoldButtonPicture(window);
    }
    FadeTo(window, kSkinNormal, kReleaseAlpha);
    UpdateWindow(window);
    return msg.PassOn();
}

LRESULT OnKeyDown(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    if (msg.wparam == VK_SPACE) ShowAtOnce(msg.window, kSkinPressed, 0);
    return result;
}

// The space bar's release clicks too: the normal face shows before the click is reported.
LRESULT OnKeyUp(const SkinMessage& msg) {
    if (msg.wparam != VK_SPACE) return msg.PassOn();
    HWND window = msg.window;
    SetSkinProp(window, kPropMouseFlag, 0);
    SetButtonPicture(window, kSkinNormal);
    FadeTo(window, kSkinNormal, 0);
    UpdateWindow(window);
    return msg.PassOn();
}

// Any timer that reaches a push button advances its fade, whatever its id: the face is blended into the
// fade picture at the current level, which then rises by 3, and the button shows the picture at once
// (a tick is the fade's own paint; going through WM_PAINT would more than double its cost).
LRESULT OnTimer(const SkinMessage& msg) {
    HWND window = msg.window;
    const auto alpha = static_cast<int32_t>(GetSkinProp(window, kPropAlphaLevel));
    StepButtonFade(window, alpha);
    const FadeTick tick = NextFadeTick(alpha);
    SetSkinProp(window, kPropAlphaLevel, tick.next_alpha);
    if (tick.finished) StopFadeTimer(window);
    return msg.PassOn();
}

// The focus box is drawn over the face at each paint, following the focus and the keyboard cues.
LRESULT OnFocusOrCues(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    Invalidate(msg.window);
    return result;
}

LRESULT OnEnable(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    SetSkinProp(msg.window, kPropOldState, msg.wparam ? kSkinNormal : kSkinDisabled);
    Invalidate(msg.window);
    return result;
}

LRESULT OnSize(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    HWND window = msg.window;
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    {
        WindowDc window_dc(window, true);
        for (const ButtonSurfaceNames& names : ButtonSurfaceProperties()) {
            const HDC face = reinterpret_cast<HDC>(GetSkinProp(window, names.surface.c_str()));
            if (!face) continue;
            UniqueBitmap bitmap(CreateCompatibleBitmap(window_dc.get(), bounds.width, bounds.height));
            if (!bitmap) continue;
            // The replaced bitmap is deleted only once it is out of the face.
            UniqueBitmap old(static_cast<HBITMAP>(SelectObject(face, bitmap.get())));
            if (old.get() != reinterpret_cast<HBITMAP>(GetSkinProp(window, names.bitmap.c_str())))
                old.release();
            SetSkinProp(window, names.bitmap.c_str(), reinterpret_cast<intptr_t>(bitmap.release()));
        }
        RenderButtonStates(window);
    }
    // A fade under way goes on from the current face at the new size.
    SetButtonPicture(window, CurrentButtonState(window));
    UniqueRegion region(CreateRoundRectRgn(0, 0, bounds.width + 1, bounds.height + 1, 3, 3));
    if (region && SetWindowRgn(window, region.get(), TRUE)) region.release();
    return result;
}

}  // namespace

LRESULT HandlePushButtonMessage(const SkinMessage& msg) {
    switch (msg.message) {
        case WM_PAINT:
            return OnPaint(msg);
        case WM_PRINTCLIENT:
            return OnPrintClient(msg);
        case WM_MOUSEMOVE:
            return OnMouseMove(msg);
        case WM_MOUSELEAVE:
            return OnMouseLeave(msg);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return OnButtonDown(msg);
        case WM_LBUTTONUP:
            return OnButtonUp(msg);
        case WM_KEYDOWN:
            return OnKeyDown(msg);
        case WM_KEYUP:
            return OnKeyUp(msg);
        case WM_TIMER:
            return OnTimer(msg);
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_UPDATEUISTATE:
            return OnFocusOrCues(msg);
        case WM_ENABLE:
            return OnEnable(msg);
        case WM_SIZE:
            return OnSize(msg);
        case WM_NCPAINT:
            return HandleFrameMessage(msg);
        default:
            return msg.PassOn();
    }
}

}  // namespace vt
