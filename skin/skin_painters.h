#pragma once
// The control face painters. Each draws at window coordinates (frame included) onto the given DC or, when
// none is given, onto the window's whole-window DC, and releases everything it made before returning.
// Windows only.
#ifdef _WIN32
#include <windows.h>

namespace vt {

// Caption format of push buttons and header items: centred both ways, one line, end ellipsis.
inline constexpr UINT kSkinCaptionFormat = 0x8025;

// Renders the four faces of a push button (normal, hover, pressed, disabled) into its face surfaces
// ("0HDC" .. "3HDC") at the window's size, caption and, while focused, the focus box included.
void RenderButtonStates(HWND window);

// Blends the current face ("OLDSTATE", 3 when the window is disabled) with the constant alpha
// "ALPHALEVEL" onto the button. Draws nothing for a button whose "OLDSTYLE" keeps its own painting
// (ButtonKeepsOwnPainting). Returns 0.
int PaintButtonFace(HWND window, HDC dc);
// The same with the given constant alpha in place of "ALPHALEVEL" (for a caller that has just read it).
int BlendButtonFace(HWND window, HDC dc, int alpha);

// The drop button of a combo box in `state` (0 normal, 1 hover, 2 pressed). An open list forces state 2,
// which the caller then sees. Skipped when the state was already painted and `force` is false, and for a
// combo box without a drop button.
void PaintComboButton(HWND window, HDC dc, int& state, bool force);

// The box of a check box / the circle of an option button at the window's left, vertically centred.
// Returns 1 when painted, 0 when skipped (state already painted and not forced).
int PaintCheckBox(HWND window, int state, bool force);
int PaintOptionButton(HWND window, int state, bool force);

// One header item in state 0 to 2; nothing for a negative index. Returns 0.
int PaintHeaderItem(HWND window, HDC dc, int index, int state);

}  // namespace vt
#endif
