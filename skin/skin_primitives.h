#pragma once
// Drawing primitives and window helpers of the skin engine: off-screen surfaces, the nine-grid stretch,
// the transparent copy by key colour, fills, frames, text, window geometry, the fade timer, hover
// tracking and the window properties that hold each skinned window's state. Windows only.
#ifdef _WIN32
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/handles.h"

namespace vt {

// A display-compatible memory DC that owns the bitmap selected into it. Releasing it deletes the DC first,
// then the bitmap.
class Surface {
public:
    Surface() = default;
    Surface(HDC dc, HBITMAP bitmap) : bitmap_(bitmap), dc_(dc) {}
    Surface(Surface&&) noexcept = default;
    Surface& operator=(Surface&& other) noexcept {
        if (this != &other) {
            reset();
            bitmap_ = std::move(other.bitmap_);
            dc_ = std::move(other.dc_);
        }
        return *this;
    }
    ~Surface() { reset(); }

    HDC dc() const { return dc_.get(); }
    HBITMAP bitmap() const { return bitmap_.get(); }
    explicit operator bool() const { return static_cast<bool>(dc_); }
    void reset() {
        dc_.reset();
        bitmap_.reset();
    }

private:
    UniqueBitmap bitmap_;  // declared first so that it is destroyed after the DC
    UniqueMemoryDc dc_;
};

// A surface of width x height with undefined pixels; empty when the display DC, the memory DC or the
// bitmap cannot be made (nothing is left behind then).
Surface CreateSurface(int width, int height);

// A temporary surface of exactly width x height (monochrome when asked), borrowed for one paint from a
// small pool of the process and given back at scope end with every attribute of its DC restored. Making
// a bitmap costs far more than the drawing a painter does with it (a round trip to the display server
// under Wine), and the painters ask for the same few sizes again and again. Pixels are undefined on
// borrowing, as with CreateSurface. Empty (no DC) for a size of 0 or less or when it cannot be made.
class ScratchSurface {
public:
    ScratchSurface(int width, int height, bool monochrome = false);
    ~ScratchSurface();
    ScratchSurface(const ScratchSurface&) = delete;
    ScratchSurface& operator=(const ScratchSurface&) = delete;
    HDC dc() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    int slot_ = -1;
    HDC dc_ = nullptr;
};

// Deletes the pooled surfaces that are not borrowed (the engine's last detach calls it).
void ReleaseScratchSurfaces();

// Draws the source tile (sx, sy, sw, sh) into (x, y, width, height) of `dest`, corners kept at their
// margin sizes, edges stretched along one axis and the centre along both, composed off-screen first.
// With a key colour the composed picture is copied transparently. Returns 1 when drawn, 0 when a size
// was 0 (or the copy failed).
int StretchTile(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh,
                int left, int top, int right, int bottom, std::optional<COLORREF> key = std::nullopt);

// Copies width x height pixels from (sx, sy) of `source` to (x, y) of `dest`, leaving the destination
// untouched wherever the source pixel equals `key`. `palette` may be null: the display's halftone palette
// (made once for the process) is then used.
void BlitTransparent(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, COLORREF key,
                     HPALETTE palette = nullptr);

int FillBox(HDC dc, int x, int y, int width, int height, COLORREF colour);   // solid rectangle
int FrameBox(HDC dc, int x, int y, int width, int height, COLORREF colour);  // one-pixel frame inside
int FocusBox(HDC dc, int x, int y, int width, int height);                   // dotted; twice removes it

// Draws the whole text into the rectangle with DrawText flags, in the DC's font, colour and background
// mode; returns the text height.
int DrawTextIn(HDC dc, std::wstring_view text, int x, int y, int width, int height, UINT format);

// The window's caption.
std::wstring WindowText(HWND window);

// The window rectangle in screen coordinates, frame included, with its size.
struct WindowBounds {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t width = 0;
    int32_t height = 0;
};
BOOL GetWindowBounds(HWND window, WindowBounds& bounds);

// The thickness of the window's frame on each side: half of (window size - client size), without a
// vertical scroll bar's width (WS_VSCROLL) and a horizontal scroll bar's height (WS_HSCROLL), each half
// rounded to even. Returns 1.
int GetBorderSize(HWND window, int& horizontal, int& vertical);

// The 15 ms fade timer (id 1) of a window, its id kept in "TIMERID". Start returns the new id, or 0 when
// one already runs; Stop returns KillTimer's result, or 0 when none runs.
UINT_PTR StartFadeTimer(HWND window);
BOOL StopFadeTimer(HWND window);

// Asks for one WM_MOUSELEAVE when the pointer leaves the window.
void TrackMouseLeave(HWND window);

// Window properties under the engine's ANSI names; an absent property reads as 0.
intptr_t GetSkinProp(HWND window, const char* name);
void SetSkinProp(HWND window, const char* name, intptr_t value);
void RemoveSkinProp(HWND window, const char* name);

// Halves to the nearest integer, a tie to the even neighbour.
int HalfEven(int value);

}  // namespace vt
#endif
