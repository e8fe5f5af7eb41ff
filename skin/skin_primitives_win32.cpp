#include "skin/skin_primitives.h"

#include <commctrl.h>
#include <ole2.h>
#include <olectl.h>

#include <vector>

#include "base/rounding.h"
#include "skin/nine_grid.h"
#include "skin/skin_engine.h"
#include "skin/skin_vocabulary.h"

namespace vt {

namespace {

// The screen DC from CreateDC("DISPLAY"), deleted at scope end.
struct DisplayDc {
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    DisplayDc() = default;
    DisplayDc(const DisplayDc&) = delete;
    DisplayDc& operator=(const DisplayDc&) = delete;
    ~DisplayDc() {
        if (dc) DeleteDC(dc);
    }
};

// Selects a palette (forced to background) and realises it for one scope.
class PaletteGuard {
public:
    PaletteGuard(HDC dc, HPALETTE palette)
        : dc_(dc), old_(palette ? SelectPalette(dc, palette, TRUE) : nullptr) {
        if (palette) RealizePalette(dc);
    }
    PaletteGuard(const PaletteGuard&) = delete;
    PaletteGuard& operator=(const PaletteGuard&) = delete;
    ~PaletteGuard() {
        if (old_) SelectPalette(dc_, old_, TRUE);
    }

private:
    HDC dc_;
    HPALETTE old_;
};

using UniquePalette = UniqueHandle<HPALETTE, detail::DeleteGdiObject>;

}  // namespace

int HalfEven(int value) { return RoundHalfEven(value / 2.0); }

Surface CreateSurface(int width, int height) {
    DisplayDc display;
    if (!display.dc) return {};
    UniqueMemoryDc dc(CreateCompatibleDC(display.dc));
    if (!dc) return {};
    UniqueBitmap bitmap(CreateCompatibleBitmap(display.dc, width, height));
    if (!bitmap) return {};
    SelectObject(dc.get(), bitmap.get());
    return Surface(dc.release(), bitmap.release());
}

int StretchTile(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh,
                int left, int top, int right, int bottom, std::optional<COLORREF> key) {
    if (width == 0 || height == 0 || sw == 0 || sh == 0) return 0;
    const auto pieces = NineGridPieces(width, height, {sx, sy, sw, sh}, {left, top, right, bottom});
    Surface canvas = CreateSurface(width, height);
    for (const auto& piece : pieces) {
        const TileRect& d = piece.dest;
        const TileRect& s = piece.source;
        if (piece.IsCorner()) {
            BitBlt(canvas.dc(), d.x, d.y, d.width, d.height, source, s.x, s.y, SRCCOPY);
        } else {
            StretchBlt(canvas.dc(), d.x, d.y, d.width, d.height, source, s.x, s.y, s.width, s.height,
                       SRCCOPY);
        }
    }
    if (!key) return BitBlt(dest, x, y, width, height, canvas.dc(), 0, 0, SRCCOPY) ? 1 : 0;
    BlitTransparent(dest, x, y, width, height, canvas.dc(), 0, 0, *key, nullptr);
    return 1;
}

void BlitTransparent(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, COLORREF key,
                     HPALETTE palette) {
    DisplayDc display;
    if (!display.dc) return;
    UniquePalette own_palette;
    if (!palette) {
        own_palette.reset(CreateHalftonePalette(display.dc));
        palette = own_palette.get();
    }
    COLORREF translated = key;
    if (OleTranslateColor(key, palette, &translated) != S_OK) translated = key;
    translated &= 0xFFFFFF;

    // Background copy: what the destination shows now.
    UniqueMemoryDc back_dc(CreateCompatibleDC(display.dc));
    UniqueBitmap back_bitmap(CreateCompatibleBitmap(display.dc, width, height));
    SelectGuard back_select(back_dc.get(), back_bitmap.get());
    PaletteGuard back_palette(back_dc.get(), palette);
    BitBlt(back_dc.get(), 0, 0, width, height, dest, x, y, SRCCOPY);

    // Source copy.
    UniqueMemoryDc src_dc(CreateCompatibleDC(display.dc));
    UniqueBitmap src_bitmap(CreateCompatibleBitmap(display.dc, width, height));
    SelectGuard src_select(src_dc.get(), src_bitmap.get());
    PaletteGuard src_palette(src_dc.get(), palette);
    SetBkColor(src_dc.get(), GetBkColor(source));
    SetTextColor(src_dc.get(), GetTextColor(source));
    BitBlt(src_dc.get(), 0, 0, width, height, source, sx, sy, SRCCOPY);

    // Mask: 1 where the source shows the key, 0 elsewhere.
    UniqueMemoryDc mask_dc(CreateCompatibleDC(display.dc));
    UniqueBitmap mask_bitmap(CreateBitmap(width, height, 1, 1, nullptr));
    SelectGuard mask_select(mask_dc.get(), mask_bitmap.get());
    SetBkColor(src_dc.get(), translated);
    SetTextColor(src_dc.get(), RGB(255, 255, 255));
    BitBlt(mask_dc.get(), 0, 0, width, height, src_dc.get(), 0, 0, SRCCOPY);

    // Key pixels of the source copy turn black; the background survives only under the key.
    SetTextColor(src_dc.get(), RGB(0, 0, 0));
    SetBkColor(src_dc.get(), RGB(255, 255, 255));
    BitBlt(src_dc.get(), 0, 0, width, height, mask_dc.get(), 0, 0, 0x220326);
    BitBlt(back_dc.get(), 0, 0, width, height, mask_dc.get(), 0, 0, SRCAND);
    BitBlt(back_dc.get(), 0, 0, width, height, src_dc.get(), 0, 0, SRCPAINT);
    BitBlt(dest, x, y, width, height, back_dc.get(), 0, 0, SRCCOPY);
}

int FillBox(HDC dc, int x, int y, int width, int height, COLORREF colour) {
    UniqueBrush brush(CreateSolidBrush(colour));
    const RECT rect{x, y, x + width, y + height};
    return FillRect(dc, &rect, brush.get());
}

int FrameBox(HDC dc, int x, int y, int width, int height, COLORREF colour) {
    UniqueBrush brush(CreateSolidBrush(colour));
    const RECT rect{x, y, x + width, y + height};
    return FrameRect(dc, &rect, brush.get());
}

int FocusBox(HDC dc, int x, int y, int width, int height) {
    const RECT rect{x, y, x + width, y + height};
    return DrawFocusRect(dc, &rect);
}

int DrawTextIn(HDC dc, std::wstring_view text, int x, int y, int width, int height, UINT format) {
    RECT rect{x, y, x + width, y + height};
    return DrawTextW(dc, text.data(), static_cast<int>(text.size()), &rect, format);
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, buffer.data(), length + 1);
    return std::wstring(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

BOOL GetWindowBounds(HWND window, WindowBounds& bounds) {
    RECT rect{};
    const BOOL result = GetWindowRect(window, &rect);
    bounds.left = rect.left;
    bounds.top = rect.top;
    bounds.right = rect.right;
    bounds.bottom = rect.bottom;
    bounds.width = rect.right - rect.left;
    bounds.height = rect.bottom - rect.top;
    return result;
}

int GetBorderSize(HWND window, int& horizontal, int& vertical) {
    RECT window_rect{}, client_rect{};
    GetWindowRect(window, &window_rect);
    GetClientRect(window, &client_rect);
    const int vscroll_width = GetSystemMetrics(SM_CXVSCROLL);
    const int hscroll_height = GetSystemMetrics(SM_CYHSCROLL);
    int horizontal_total = (window_rect.right - window_rect.left) - (client_rect.right - client_rect.left);
    int vertical_total = (window_rect.bottom - window_rect.top) - (client_rect.bottom - client_rect.top);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    // Each scroll bar takes room from the side it runs along, not from the frame.
    if (style & WS_VSCROLL) horizontal_total -= vscroll_width;
    if (style & WS_HSCROLL) vertical_total -= hscroll_height;
    horizontal = HalfEven(horizontal_total);
    vertical = HalfEven(vertical_total);
    return 1;
}

UINT_PTR StartFadeTimer(HWND window) {
    if (GetSkinProp(window, kPropTimerId) != 0) return 0;
    const UINT_PTR id = SetTimer(window, 1, 15, nullptr);
    SetSkinProp(window, kPropTimerId, static_cast<intptr_t>(id));
    return id;
}

BOOL StopFadeTimer(HWND window) {
    const intptr_t id = GetSkinProp(window, kPropTimerId);
    if (id == 0) return 0;
    const BOOL result = KillTimer(window, static_cast<UINT_PTR>(id));
    SetSkinProp(window, kPropTimerId, 0);
    return result;
}

void TrackMouseLeave(HWND window) {
    TRACKMOUSEEVENT event{};
    event.cbSize = sizeof(event);
    event.dwFlags = TME_LEAVE;
    event.hwndTrack = window;
    event.dwHoverTime = 0;
    if (SkinEngineState().HasUserTrackMouse) {
        TrackMouseEvent(&event);
    } else {
        _TrackMouseEvent(&event);
    }
}

intptr_t GetSkinProp(HWND window, const char* name) {
    return reinterpret_cast<intptr_t>(GetPropA(window, name));
}

void SetSkinProp(HWND window, const char* name, intptr_t value) {
    SetPropA(window, name, reinterpret_cast<HANDLE>(value));
}

void RemoveSkinProp(HWND window, const char* name) { RemovePropA(window, name); }

}  // namespace vt
