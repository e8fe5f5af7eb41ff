// Progress bars, drawn whole by the skin: a flat frame and a single-colour bar.
#include <windows.h>

#include <commctrl.h>

#include "base/handles.h"
#include "skin/skin_dispatch.h"
#include "skin/skin_geometry.h"
#include "skin/skin_primitives.h"

namespace vt {

namespace {

constexpr COLORREF kFrame = RGB(84, 165, 213);
constexpr COLORREF kBar = RGB(76, 214, 246);
constexpr COLORREF kWhite = RGB(255, 255, 255);

float Fraction(HWND window) {
    return ProgressFraction(static_cast<int32_t>(SendMessageW(window, PBM_GETPOS, 0, 0)));
}

void Fill(HDC dc, const TileRect& rect, COLORREF colour) {
    FillBox(dc, rect.x, rect.y, rect.width, rect.height, colour);
}

LRESULT OnPaint(const SkinMessage& msg) {
    RECT client{};
    GetClientRect(msg.window, &client);
    const int cw = client.right, ch = client.bottom;
    ScratchSurface canvas(cw, ch);
    FillBox(canvas.dc(), 0, 0, cw, ch, kWhite);
    const bool vertical = (GetWindowLongW(msg.window, GWL_STYLE) & PBS_VERTICAL) != 0;
    const TileRect bar = ProgressClientBar(Fraction(msg.window), cw, ch, vertical);
    if (bar.width != 0 || bar.height != 0) Fill(canvas.dc(), bar, kBar);
    PaintDc paint(msg.window);
    BitBlt(paint.get(), 0, 0, cw, ch, canvas.dc(), 0, 0, SRCCOPY);
    return 0;
}

LRESULT OnNcPaint(const SkinMessage& msg) {
    int bx = 0, by = 0;
    GetBorderSize(msg.window, bx, by);
    WindowBounds bounds;
    GetWindowBounds(msg.window, bounds);
    RECT client{};
    GetClientRect(msg.window, &client);
    const LONG style = GetWindowLongW(msg.window, GWL_STYLE);
    ScratchSurface canvas(bounds.width, bounds.height);
    FillBox(canvas.dc(), 0, 0, bounds.width, bounds.height, kFrame);
    FillBox(canvas.dc(), 1, 1, bounds.width - 2, bounds.height - 2, kWhite);
    for (const ProgressFill& fill :
         ProgressFrameFills(Fraction(msg.window), bx, by, client.right, client.bottom,
                            (style & PBS_VERTICAL) != 0, (style & PBS_SMOOTH) != 0)) {
        Fill(canvas.dc(), fill.rect, fill.bar ? kBar : kWhite);
    }
    WindowDc dc(msg.window, true);
    BitBlt(dc.get(), 0, 0, bounds.width, bounds.height, canvas.dc(), 0, 0, SRCCOPY);
    return 0;
}

}  // namespace

LRESULT HandleProgressMessage(const SkinMessage& msg) {
    switch (msg.message) {
        case WM_PAINT:
            return OnPaint(msg);
        case WM_NCPAINT:
            return OnNcPaint(msg);
        default:
            return msg.PassOn();
    }
}

}  // namespace vt
