#include "skin/skin_primitives.h"

#include <commctrl.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "base/rounding.h"
#include "skin/nine_grid.h"
#include "skin/skin_engine.h"
#include "skin/skin_vocabulary.h"

namespace vt {

namespace {

// The colour a key value stands for, as the automation library translates it: a system colour index
// (high byte 0x80), a palette index (high byte 0x01) looked up in `palette`, or a plain or
// palette-relative RGB value. Done here rather than through that library, which would pull the COM
// runtime (over a megabyte under Wine) into every program that skins a window.
COLORREF TranslateKeyColour(COLORREF key, HPALETTE palette) {
    switch (key >> 24) {
        case 0x80:
            return GetSysColor(static_cast<int>(key & 0xFF));
        case 0x01: {
            PALETTEENTRY entry{};
            if (palette && GetPaletteEntries(palette, key & 0xFFFF, 1, &entry) == 1)
                return RGB(entry.peRed, entry.peGreen, entry.peBlue);
            return key;
        }
        default:
            return key & 0xFFFFFF;
    }
}

// The screen DC that every surface and transparent copy is made compatible with. Opening it costs far
// more than the drawing it serves (hundreds of microseconds under Wine, several times per paint), so
// it is opened once and kept for the process; a failed open is retried at the next use.
HDC DisplayDc() {
    static HDC display = nullptr;
    if (!display) display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    return display;
}

// The halftone palette of the display, made once like the display DC itself.
HPALETTE HalftonePalette() {
    static HPALETTE palette = nullptr;
    if (!palette && DisplayDc()) palette = CreateHalftonePalette(DisplayDc());
    return palette;
}

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

struct ScratchSlot {
    UniqueMemoryDc dc;
    UniqueBitmap bitmap;  // destroyed after the DC, which holds it selected
    int width = 0;
    int height = 0;
    bool monochrome = false;
    bool busy = false;
    int saved = 0;      // SaveDC level to restore on return
    uint64_t used = 0;  // for evicting the least recently used slot
};

// Enough for every size on a form and its dialogs; beyond it the least recently used free slot is
// replaced, so the pool never grows past this.
constexpr size_t kScratchSlots = 64;

std::vector<ScratchSlot>& ScratchPool() {
    static std::vector<ScratchSlot> pool;
    return pool;
}

}  // namespace

ScratchSurface::ScratchSurface(int width, int height, bool monochrome) {
    if (width <= 0 || height <= 0) return;
    static uint64_t clock = 0;
    auto& pool = ScratchPool();
    int found = -1;
    for (size_t i = 0; i < pool.size(); ++i) {
        const ScratchSlot& slot = pool[i];
        if (!slot.busy && slot.width == width && slot.height == height && slot.monochrome == monochrome) {
            found = static_cast<int>(i);
            break;
        }
    }
    if (found < 0) {
        const HDC display = DisplayDc();
        if (!display) return;
        ScratchSlot made;
        made.dc.reset(CreateCompatibleDC(display));
        made.bitmap.reset(monochrome ? CreateBitmap(width, height, 1, 1, nullptr)
                                     : CreateCompatibleBitmap(display, width, height));
        if (!made.dc || !made.bitmap) return;
        SelectObject(made.dc.get(), made.bitmap.get());
        made.width = width;
        made.height = height;
        made.monochrome = monochrome;
        if (pool.size() < kScratchSlots) {
            pool.push_back(std::move(made));
            found = static_cast<int>(pool.size() - 1);
        } else {
            // Slots are replaced in place: the indices of borrowed ones must stay valid.
            for (size_t i = 0; i < pool.size(); ++i) {
                if (pool[i].busy) continue;
                if (found < 0 || pool[i].used < pool[found].used) found = static_cast<int>(i);
            }
            if (found < 0) return;  // every slot is borrowed: nothing to draw with
            pool[found].dc.reset();
            pool[found].bitmap.reset();
            pool[found] = std::move(made);
        }
    }
    ScratchSlot& slot = pool[found];
    slot.busy = true;
    slot.used = ++clock;
    slot.saved = SaveDC(slot.dc.get());
    slot_ = found;
    dc_ = slot.dc.get();
}

ScratchSurface::~ScratchSurface() {
    if (slot_ < 0) return;
    ScratchSlot& slot = ScratchPool()[slot_];
    // Colours, modes, palette and selected objects go back to what the next borrower expects.
    if (slot.saved) RestoreDC(slot.dc.get(), slot.saved);
    slot.busy = false;
}

void ReleaseScratchSurfaces() {
    auto& pool = ScratchPool();
    for (ScratchSlot& slot : pool) {
        if (slot.busy) continue;
        slot.dc.reset();
        slot.bitmap.reset();
        slot.width = slot.height = 0;
    }
}

int HalfEven(int value) { return RoundHalfEven(value / 2.0); }

Surface CreateSurface(int width, int height) {
    const HDC display = DisplayDc();
    if (!display) return {};
    UniqueMemoryDc dc(CreateCompatibleDC(display));
    if (!dc) return {};
    UniqueBitmap bitmap(CreateCompatibleBitmap(display, width, height));
    if (!bitmap) return {};
    SelectObject(dc.get(), bitmap.get());
    return Surface(dc.release(), bitmap.release());
}

int StretchTile(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh,
                int left, int top, int right, int bottom, std::optional<COLORREF> key) {
    if (width == 0 || height == 0 || sw == 0 || sh == 0) return 0;
    const auto pieces = NineGridPieces(width, height, {sx, sy, sw, sh}, {left, top, right, bottom});
    ScratchSurface canvas(width, height);
    if (!canvas) return 0;
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
    const HDC display = DisplayDc();
    if (!display) return;
    if (!palette) palette = HalftonePalette();
    const COLORREF translated = TranslateKeyColour(key, palette) & 0xFFFFFF;

    // Background copy: what the destination shows now.
    ScratchSurface back(width, height);
    ScratchSurface src(width, height);
    ScratchSurface mask(width, height, true);
    if (!back || !src || !mask) return;
    const HDC back_dc = back.dc(), src_dc = src.dc(), mask_dc = mask.dc();
    PaletteGuard back_palette(back_dc, palette);
    BitBlt(back_dc, 0, 0, width, height, dest, x, y, SRCCOPY);

    // Source copy.
    PaletteGuard src_palette(src_dc, palette);
    SetBkColor(src_dc, GetBkColor(source));
    SetTextColor(src_dc, GetTextColor(source));
    BitBlt(src_dc, 0, 0, width, height, source, sx, sy, SRCCOPY);

    // Mask: 1 where the source shows the key, 0 elsewhere.
    SetBkColor(src_dc, translated);
    SetTextColor(src_dc, RGB(255, 255, 255));
    BitBlt(mask_dc, 0, 0, width, height, src_dc, 0, 0, SRCCOPY);

    // Key pixels of the source copy turn black; the background survives only under the key.
    SetTextColor(src_dc, RGB(0, 0, 0));
    SetBkColor(src_dc, RGB(255, 255, 255));
    BitBlt(src_dc, 0, 0, width, height, mask_dc, 0, 0, 0x220326);
    BitBlt(back_dc, 0, 0, width, height, mask_dc, 0, 0, SRCAND);
    BitBlt(back_dc, 0, 0, width, height, src_dc, 0, 0, SRCPAINT);
    BitBlt(dest, x, y, width, height, back_dc, 0, 0, SRCCOPY);
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
