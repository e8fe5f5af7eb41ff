// Check boxes and option buttons: the control draws itself, then the skin paints its indicator over it in
// the normal, hover or pressed look.
//
// The look is stored in "OLDSTATE" and every paint of the control, including the later WM_PAINT that a
// themed (version 6) control posts itself after hover, press, release and check changes, draws the
// indicator in that stored look, so a held press and a hover survive the control's own repaints.
#include "skin/skin_dispatch.h"
#include "skin/skin_painters.h"
#include "skin/skin_primitives.h"

namespace vt {

namespace {

int PaintIndicator(const SkinMessage& msg, int look, bool force, HDC dc = nullptr) {
    return IsOptionButtonClass(msg.lower_class) ? PaintOptionButton(msg.window, look, force, dc)
                                                : PaintCheckBox(msg.window, look, force, dc);
}

int StoredLook(HWND window) { return static_cast<int>(GetSkinProp(window, kPropOldState)); }

void TrackHover(HWND window) {
    if (GetSkinProp(window, kPropMouseFlag) != 0) return;
    SetSkinProp(window, kPropMouseFlag, 1);
    TrackMouseLeave(window);
}

}  // namespace

LRESULT HandleToggleMessage(const SkinMessage& msg) {
    // A release (mouse or space bar) reports a click while it is passed on, and the click may open a
    // modal message box at once: the normal look is painted before, so that the box does not sit in
    // front of a box still drawn pressed.
    if (msg.message == WM_LBUTTONUP || (msg.message == WM_KEYUP && msg.wparam == VK_SPACE)) {
        PaintIndicator(msg, kSkinNormal, false);
        return msg.PassOn();
    }
    const LRESULT result = msg.PassOn();
    switch (msg.message) {
        case WM_PAINT:
            PaintIndicator(msg, StoredLook(msg.window), true);
            break;
        case WM_PRINTCLIENT:
            PaintIndicator(msg, StoredLook(msg.window), true, reinterpret_cast<HDC>(msg.wparam));
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
        case WM_KEYDOWN:
            if (msg.wparam == VK_SPACE) PaintIndicator(msg, kSkinPressed, false);
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
