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
// ("0HDC" .. "3HDC") at the window's size, with the caption. The faces carry no focus box: a paint draws it
// over the face when it should show (ShowsFocusBox).
void RenderButtonStates(HWND window);

// Paints a push button from its stored state: the fade picture while a fade runs ("TIMERID" non-zero),
// otherwise the face of CurrentButtonState at full strength; then the focus box over it when
// ShowsFocusBox. Draws nothing for a button whose "OLDSTYLE" keeps its own painting
// (ButtonKeepsOwnPainting). Returns 0.
int PaintButtonFace(HWND window, HDC dc);

// The face a push button shows: "OLDSTATE", which becomes 3 when the window is disabled.
int CurrentButtonState(HWND window);

// Whether a focus box belongs on the window now: it has the keyboard focus and its keyboard cues
// (WM_QUERYUISTATE) do not hide focus rectangles, so mouse users see none, as on standard Windows.
bool ShowsFocusBox(HWND window);

// The fade picture of a push button ("BLENDHDC"). HoldButtonPicture copies the face shown into it when no
// fade runs, so that a fade starts from what the button shows; SetButtonPicture copies the face of
// `state` into it; BlendButtonFace blends the face of `state` over it with the constant alpha `alpha`
// (one step of a fade).
void HoldButtonPicture(HWND window);
void SetButtonPicture(HWND window, int state);
void BlendButtonFace(HWND window, int state, int alpha);

// One tick of a fade: blends the face of CurrentButtonState into the fade picture with the constant alpha
// `alpha` (after HoldButtonPicture when no fade runs) and shows the picture on the window, with the focus
// box when ShowsFocusBox. Nothing for a button that keeps its own painting. Each property is read once,
// since a tick comes every 15 ms.
void StepButtonFade(HWND window, int alpha);

// The drop button of a combo box in `state` (0 normal, 1 hover, 2 pressed). An open list forces state 2,
// which the caller then sees. Skipped when the state was already painted and `force` is false, and for a
// combo box without a drop button.
void PaintComboButton(HWND window, HDC dc, int& state, bool force);

// The box of a check box / the circle of an option button at the window's left, vertically centred, onto
// `dc` (the window's client area, which for these controls is the whole window) or the window's DC. The
// look is stored in "OLDSTATE". Returns 1 when painted, 0 when skipped (look already painted and not
// forced).
int PaintCheckBox(HWND window, int state, bool force, HDC dc = nullptr);
int PaintOptionButton(HWND window, int state, bool force, HDC dc = nullptr);

// One header item in state 0 to 2; nothing for a negative index. Returns 0.
int PaintHeaderItem(HWND window, HDC dc, int index, int state);

}  // namespace vt
#endif
