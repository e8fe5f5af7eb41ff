// Check boxes and option buttons: the control draws itself, then the skin paints its indicator over it in
// the normal, hover or pressed look.
#include "skin/skin_dispatch.h"
#include "skin/skin_painters.h"
#include "skin/skin_primitives.h"

namespace vt {

namespace {

int PaintIndicator(const SkinMessage& msg, int look, bool force) {
    return IsOptionButtonClass(msg.lower_class) ? PaintOptionButton(msg.window, look, force)
                                                : PaintCheckBox(msg.window, look, force);
}

void TrackHover(HWND window) {
    if (GetSkinProp(window, kPropMouseFlag) != 0) return;
    SetSkinProp(window, kPropMouseFlag, 1);
    TrackMouseLeave(window);
}

}  // namespace

LRESULT HandleToggleMessage(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    switch (msg.message) {
        case WM_PAINT:
            PaintIndicator(msg, kSkinNormal, true);
            break;
        case WM_MOUSEMOVE:
            TrackHover(msg.window);
            PaintIndicator(msg, (msg.wparam & MK_LBUTTON) ? kSkinPressed : kSkinHover, true);
            break;
        case WM_MOUSELEAVE:
            SetSkinProp(msg.window, kPropMouseFlag, 0);
            PaintIndicator(msg, kSkinNormal, false);
            break;
        case WM_LBUTTONDOWN:
            PaintIndicator(msg, kSkinPressed, false);
            break;
        case WM_LBUTTONUP:
            PaintIndicator(msg, kSkinNormal, false);
            break;
        case WM_KEYDOWN:
            if (msg.wparam == VK_SPACE) PaintIndicator(msg, kSkinPressed, false);
            break;
        case WM_KEYUP:
            if (msg.wparam == VK_SPACE) PaintIndicator(msg, kSkinNormal, false);
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            // A check box ignores focus; an option button shows its mark anew.
            if (IsOptionButtonClass(msg.lower_class)) PaintOptionButton(msg.window, kSkinNormal, true);
            break;
        case WM_NCPAINT:
            PaintFlatEdge(msg.window);
            break;
        default:
            break;
    }
    return result;
}

}  // namespace vt
