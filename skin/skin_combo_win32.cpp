// Combo boxes, drive lists and the drop-down lists of combo boxes: a flat frame and a drop button whose
// look follows the pointer and the left button.
#include <windowsx.h>

#include "base/handles.h"
#include "skin/skin_dispatch.h"
#include "skin/skin_geometry.h"
#include "skin/skin_painters.h"
#include "skin/skin_primitives.h"

namespace vt {

namespace {

constexpr COLORREF kFrameEnabled = RGB(84, 165, 213);
constexpr COLORREF kFrameDisabled = RGB(164, 207, 233);
constexpr COLORREF kWhite = RGB(255, 255, 255);

COLORREF FrameColour(HWND window) { return IsWindowEnabled(window) ? kFrameEnabled : kFrameDisabled; }

void PaintButton(HWND window, HDC dc, int look, bool force) { PaintComboButton(window, dc, look, force); }

void PaintCurrentButton(HWND window, HDC dc) {
    PaintButton(window, dc, static_cast<int>(GetSkinProp(window, kPropOldState)), true);
}

void DrawFlatFrame(HWND window) {
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    WindowDc dc(window, true);
    FrameBox(dc.get(), 0, 0, bounds.width, bounds.height, FrameColour(window));
    FrameBox(dc.get(), 1, 1, bounds.width - 2, bounds.height - 2, kWhite);
}

void TrackHover(HWND window) {
    if (GetSkinProp(window, kPropMouseFlag) != 0) return;
    SetSkinProp(window, kPropMouseFlag, 1);
    TrackMouseLeave(window);
}

bool InButtonZone(HWND window, LPARAM lparam) {
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    return InComboButtonZone(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam), bounds.width, bounds.height,
                             GetSystemMetrics(SM_CXVSCROLL));
}

bool PointerOver(HWND window, LPARAM lparam) {
    POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    ClientToScreen(window, &point);
    return WindowFromPoint(point) == window;
}

// An editable drop-down combo (style bit 1 clear) is drawn whole by the skin; the others draw themselves
// and get the flat frame over it.
LRESULT OnComboPaint(const SkinMessage& msg, bool editable) {
    if (editable) {
        WindowBounds bounds;
        GetWindowBounds(msg.window, bounds);
        PaintDc paint(msg.window);
        FillBox(paint.get(), 0, 0, bounds.width, bounds.height, kWhite);
        FrameBox(paint.get(), 0, 0, bounds.width, bounds.height, FrameColour(msg.window));
        PaintCurrentButton(msg.window, paint.get());
        return 0;
    }
    const LRESULT result = msg.PassOn();
    DrawFlatFrame(msg.window);
    PaintCurrentButton(msg.window, nullptr);
    return result;
}

// A drive list behaves as a combo box that is never editable.
LRESULT HandleComboBox(const SkinMessage& msg, bool editable) {
    if (msg.message == WM_PAINT) return OnComboPaint(msg, editable);
    const LRESULT result = msg.PassOn();
    const bool held = (msg.wparam & MK_LBUTTON) != 0;
    switch (msg.message) {
        case WM_MOUSEMOVE: {
            TrackHover(msg.window);
            int look = held ? kSkinPressed : kSkinHover;
            if (editable && !InButtonZone(msg.window, msg.lparam)) look = kSkinNormal;
            PaintButton(msg.window, nullptr, look, false);
            break;
        }
        case WM_MOUSELEAVE:
            SetSkinProp(msg.window, kPropMouseFlag, 0);
            PaintButton(msg.window, nullptr, kSkinNormal, false);
            break;
        case WM_LBUTTONDOWN:
            if (!editable || InButtonZone(msg.window, msg.lparam))
                PaintButton(msg.window, nullptr, kSkinPressed, false);
            break;
        case WM_LBUTTONUP:
            PaintButton(msg.window, nullptr, PointerOver(msg.window, msg.lparam) ? kSkinHover : kSkinNormal,
                        false);
            break;
        case WM_WINDOWPOSCHANGING:
            PaintButton(msg.window, nullptr, kSkinNormal, false);
            break;
        case WM_NCPAINT:
            PaintFlatEdge(msg.window);
            break;
        default:
            break;
    }
    return result;
}

LRESULT HandleDropDownList(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    if (msg.message == WM_PAINT) DrawFlatFrame(msg.window);
    if (msg.message == WM_NCPAINT) PaintFlatEdge(msg.window);
    return result;
}

}  // namespace

LRESULT HandleComboMessage(const SkinMessage& msg) {
    if (IsDriveListClass(msg.lower_class)) return HandleComboBox(msg, false);
    if (msg.lower_class == "combolbox") return HandleDropDownList(msg);
    return HandleComboBox(msg, (GetWindowLongW(msg.window, GWL_STYLE) & 1) == 0);
}

}  // namespace vt
