// Forms, dialogs and every window without a face of its own: the skin spreads through activation, sunken
// client edges are painted flat, data lists and bordered grids get a flat frame.
#include "base/handles.h"
#include "skin/skin_dispatch.h"
#include "skin/skin_primitives.h"
#include "skin/skin_window.h"

namespace vt {

namespace {

constexpr COLORREF kFrameEnabled = RGB(84, 165, 213);
constexpr COLORREF kFrameDisabled = RGB(164, 207, 233);

COLORREF FrameColour(HWND window) { return IsWindowEnabled(window) ? kFrameEnabled : kFrameDisabled; }

// Data lists: an outer frame and a white ring inside it, drawn after the list painted itself.
void FrameDataList(HWND window) {
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    WindowDc dc(window, true);
    FrameBox(dc.get(), 0, 0, bounds.width, bounds.height, FrameColour(window));
    FrameBox(dc.get(), 1, 1, bounds.width - 2, bounds.height - 2, RGB(255, 255, 255));
}

void FrameGrid(HWND window) {
    if ((GetWindowLongW(window, GWL_STYLE) & WS_BORDER) == 0) return;
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    WindowDc dc(window, true);
    FrameBox(dc.get(), 0, 0, bounds.width, bounds.height, FrameColour(window));
}

}  // namespace

void PaintFlatEdge(HWND window) {
    if ((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) == 0) return;
    int bx = 0, by = 0;
    GetBorderSize(window, bx, by);
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    WindowDc whole(window, true);
    WindowDc client(window, false);
    const COLORREF background = GetBkColor(client.get());
    FrameBox(whole.get(), 0, 0, bounds.width, bounds.height, FrameColour(window));
    // The right and bottom bounds stay one pixel in for every ring.
    for (int d = 1; d <= bx; ++d) {
        FrameBox(whole.get(), d, d, bounds.width - 1 - d, bounds.height - 1 - d, background);
    }
}

LRESULT HandleActivateMessage(const SkinMessage& msg) {
    const auto other = reinterpret_cast<HWND>(msg.lparam);
    if (other) {
        if (GetParent(other) == msg.window) {
            AttachSkin(other);
        } else if (ClassifyWindowClass(WindowClassName(other)) == ControlKind::FormOrDialog) {
            AttachSkin(other);
        }
    }
    return msg.PassOn();
}

LRESULT HandleFrameMessage(const SkinMessage& msg) {
    const bool data_list = IsDataListClass(msg.lower_class);
    const bool grid = IsGridClass(msg.lower_class);
    const LRESULT result = msg.PassOn();
    switch (msg.message) {
        case WM_NCPAINT:
            if (!data_list) PaintFlatEdge(msg.window);
            break;
        case WM_PAINT:
            if (data_list) FrameDataList(msg.window);
            if (grid) FrameGrid(msg.window);
            break;
        default:
            break;
    }
    return result;
}

}  // namespace vt
