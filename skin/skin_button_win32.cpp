// Push buttons: four prepared faces, changed with a short constant-alpha fade on a 15 ms window timer.
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

LRESULT OnPaint(const SkinMessage& msg) {
    if (ButtonKeepsOwnPainting(static_cast<int32_t>(GetSkinProp(msg.window, kPropOldStyle))))
        return msg.PassOn();
    StopFadeTimer(msg.window);
    SetSkinProp(msg.window, kPropAlphaLevel, 255);
    PaintDc paint(msg.window);
    PaintButtonFace(msg.window, paint.get());
    return 0;
}

LRESULT OnMouseMove(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    HWND window = msg.window;
    if (GetSkinProp(window, kPropMouseFlag) == 0) {
        SetSkinProp(window, kPropMouseFlag, 1);
        TrackMouseLeave(window);
        SetState(window, kSkinHover, 0);
        StartFadeTimer(window);
        return result;
    }
    // The pointer moved off while the button holds the mouse: show the current face at once.
    POINT point{GET_X_LPARAM(msg.lparam), GET_Y_LPARAM(msg.lparam)};
    ClientToScreen(window, &point);
    if (WindowFromPoint(point) != window) {
        StopFadeTimer(window);
        SetSkinProp(window, kPropAlphaLevel, 255);
        PaintButtonFace(window, nullptr);
    }
    return result;
}

LRESULT OnMouseLeave(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    SetSkinProp(msg.window, kPropMouseFlag, 0);
    SetState(msg.window, kSkinHover, kLeaveAlpha);
    PaintButtonFace(msg.window, nullptr);
    SetState(msg.window, kSkinNormal, 0);
    StartFadeTimer(msg.window);
    return result;
}

void ShowPressed(HWND window) {
    StopFadeTimer(window);
    SetState(window, kSkinPressed, 255);
    PaintButtonFace(window, nullptr);
    SetSkinProp(window, kPropAlphaLevel, 0);
}

LRESULT OnButtonDown(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    ShowPressed(msg.window);
    return result;
}

LRESULT OnButtonUp(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    SetSkinProp(msg.window, kPropMouseFlag, 0);
    SetState(msg.window, kSkinNormal, kReleaseAlpha);
    StartFadeTimer(msg.window);
    return result;
}

LRESULT OnKeyDown(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    if (msg.wparam == VK_SPACE) ShowPressed(msg.window);
    return result;
}

LRESULT OnKeyUp(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    if (msg.wparam == VK_SPACE) {
        SetSkinProp(msg.window, kPropMouseFlag, 0);
        SetState(msg.window, kSkinNormal, 0);
        StartFadeTimer(msg.window);
    }
    return result;
}

// Any timer that reaches a push button advances its fade, whatever its id.
LRESULT OnTimer(const SkinMessage& msg) {
    const auto alpha = static_cast<int32_t>(GetSkinProp(msg.window, kPropAlphaLevel));
    BlendButtonFace(msg.window, nullptr, alpha);
    const FadeTick tick = NextFadeTick(alpha);
    if (tick.finished) StopFadeTimer(msg.window);
    SetSkinProp(msg.window, kPropAlphaLevel, tick.next_alpha);
    return msg.PassOn();
}

LRESULT OnFocusChange(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    RenderButtonStates(msg.window);
    SetSkinProp(msg.window, kPropAlphaLevel, 0);
    StartFadeTimer(msg.window);
    return result;
}

LRESULT OnEnable(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    SetSkinProp(msg.window, kPropOldState, msg.wparam ? kSkinNormal : kSkinDisabled);
    PaintButtonFace(msg.window, nullptr);
    return result;
}

LRESULT OnSize(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    HWND window = msg.window;
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    {
        WindowDc window_dc(window, true);
        for (int state = 0; state < 4; ++state) {
            const HDC face =
                reinterpret_cast<HDC>(GetSkinProp(window, FaceSurfacePropertyName(state).c_str()));
            if (!face) continue;
            UniqueBitmap bitmap(CreateCompatibleBitmap(window_dc.get(), bounds.width, bounds.height));
            if (!bitmap) continue;
            // The replaced bitmap is deleted only once it is out of the face.
            UniqueBitmap old(static_cast<HBITMAP>(SelectObject(face, bitmap.get())));
            const std::string name = FaceBitmapPropertyName(state);
            if (old.get() != reinterpret_cast<HBITMAP>(GetSkinProp(window, name.c_str()))) old.release();
            SetSkinProp(window, name.c_str(), reinterpret_cast<intptr_t>(bitmap.release()));
        }
        RenderButtonStates(window);
    }
    UniqueRegion region(CreateRoundRectRgn(0, 0, bounds.width + 1, bounds.height + 1, 3, 3));
    if (region && SetWindowRgn(window, region.get(), TRUE)) region.release();
    return result;
}

}  // namespace

LRESULT HandlePushButtonMessage(const SkinMessage& msg) {
    switch (msg.message) {
        case WM_PAINT:
            return OnPaint(msg);
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
            return OnFocusChange(msg);
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
