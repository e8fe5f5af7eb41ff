// List headers, drawn whole from the built-in header bitmap, with per-item hover and pressed looks that
// follow the pointer.
#include <windows.h>

#include <commctrl.h>
#include <windowsx.h>

#include <string>
#include <vector>

#include "base/handles.h"
#include "skin/skin_dispatch.h"
#include "skin/skin_engine.h"
#include "skin/skin_geometry.h"
#include "skin/skin_images.h"
#include "skin/skin_painters.h"
#include "skin/skin_primitives.h"

namespace vt {

namespace {

std::vector<ItemSpan> ItemSpans(HWND header) {
    std::vector<ItemSpan> spans;
    const auto count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT rect{};
        SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&rect));
        spans.push_back({rect.left, rect.right});
    }
    return spans;
}

int ItemUnder(HWND header, LPARAM lparam) { return HeaderItemAt(GET_X_LPARAM(lparam), ItemSpans(header)); }

std::wstring ItemText(HWND header, int index) {
    wchar_t buffer[256] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 256;
    SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    const wchar_t* text = item.pszText ? item.pszText : buffer;
    std::wstring result;
    for (int i = 0; i < 255 && text[i] != L'\0'; ++i) result += text[i];
    return result;
}

int Prop(HWND window, const char* name) { return static_cast<int>(GetSkinProp(window, name)); }

LRESULT OnPaint(const SkinMessage& msg) {
    HWND header = msg.window;
    WindowBounds bounds;
    GetWindowBounds(header, bounds);
    const int w = bounds.width, h = bounds.height;
    const SkinEngine& engine = SkinEngineState();
    ScratchSurface canvas(w, h);
    const TileRect back = kHeaderBackgroundColumn;
    StretchTile(canvas.dc(), 0, 0, w, h, engine.HeaderSkin.dc(), back.x, back.y, back.width, back.height, 0,
                0, 0, 0);
    const int pressed = Prop(header, kPropHdIndex), hover = Prop(header, kPropHmIndex);
    const auto count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    const auto font = reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0));
    SelectGuard font_guard(canvas.dc(), font);
    SetBkMode(canvas.dc(), TRANSPARENT);
    for (int i = 0; i < count; ++i) {
        RECT item{};
        SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        const int look = i == pressed ? kSkinPressed : i == hover ? kSkinHover : kSkinNormal;
        const TileRect tile = HeaderItemTile(look);
        StretchTile(canvas.dc(), item.left, 0, item.right - item.left, h, engine.HeaderSkin.dc(), tile.x,
                    tile.y, tile.width, tile.height, 1, 1, 1, 1);
        const std::wstring text = ItemText(header, i);
        if (!text.empty()) {
            DrawTextIn(canvas.dc(), text, item.left, 0, item.right - item.left, item.bottom,
                       kSkinCaptionFormat);
        }
    }
    PaintDc paint(header);
    BitBlt(paint.get(), 0, 0, w, h, canvas.dc(), 0, 0, SRCCOPY);
    return 0;
}

void TrackHover(HWND window) {
    if (GetSkinProp(window, kPropMouseFlag) != 0) return;
    SetSkinProp(window, kPropMouseFlag, 1);
    TrackMouseLeave(window);
}

void OnMouseMove(const SkinMessage& msg) {
    HWND header = msg.window;
    TrackHover(header);
    const int now = ItemUnder(header, msg.lparam);
    const int old = Prop(header, kPropHmIndex);
    const int pressed = Prop(header, kPropHdIndex);
    if (now == old) return;
    if (old >= 0 && old != pressed) PaintHeaderItem(header, nullptr, old, kSkinNormal);
    if ((msg.wparam & MK_LBUTTON) == 0) {
        SetSkinProp(header, kPropHmIndex, now);
        PaintHeaderItem(header, nullptr, now, kSkinHover);
    } else if (now == pressed) {
        PaintHeaderItem(header, nullptr, now, kSkinPressed);
    }
}

void OnMouseLeave(const SkinMessage& msg) {
    HWND header = msg.window;
    const int old = Prop(header, kPropHmIndex);
    SetSkinProp(header, kPropMouseFlag, 0);
    SetSkinProp(header, kPropHdIndex, -1);
    SetSkinProp(header, kPropHmIndex, -1);
    if (old >= 0) PaintHeaderItem(header, nullptr, old, kSkinNormal);
}

void OnButtonDown(const SkinMessage& msg) {
    const int index = ItemUnder(msg.window, msg.lparam);
    SetSkinProp(msg.window, kPropHdIndex, index);
    if (index >= 0) PaintHeaderItem(msg.window, nullptr, index, kSkinPressed);
}

// The released item shows the hover look while the pointer is over the header and the normal look once
// it is elsewhere, where no later move or leave of this header would repaint it.
void OnButtonUp(const SkinMessage& msg) {
    const int pressed = Prop(msg.window, kPropHdIndex);
    SetSkinProp(msg.window, kPropHdIndex, -1);
    if (pressed < 0) return;
    POINT point{GET_X_LPARAM(msg.lparam), GET_Y_LPARAM(msg.lparam)};
    ClientToScreen(msg.window, &point);
    const bool over = WindowFromPoint(point) == msg.window;
    PaintHeaderItem(msg.window, nullptr, pressed, over ? kSkinHover : kSkinNormal);
}

}  // namespace

LRESULT HandleHeaderMessage(const SkinMessage& msg) {
    if (msg.message == WM_PAINT) return OnPaint(msg);
    const LRESULT result = msg.PassOn();
    switch (msg.message) {
        case WM_MOUSEMOVE:
            OnMouseMove(msg);
            break;
        case WM_MOUSELEAVE:
            OnMouseLeave(msg);
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            OnButtonDown(msg);
            break;
        case WM_LBUTTONUP:
            OnButtonUp(msg);
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
