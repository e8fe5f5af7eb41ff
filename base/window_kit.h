#pragma once
// What the program's windows share beside the window base: the one "Form" class and renamed system
// classes, centring, translucency, the Song-typeface fonts, tooltips, a window's text, the Enter key of
// an edit box, and the message filter of a window that an elevated copy owns.
#include <windows.h>

#include <functional>
#include <string>

namespace vt {

// Registers the form class (compat::kMainWindowClass) once per process, for every form of the program:
// the main window and the about window alike, so a form looks the same wherever it is made. Its
// procedure is WindowBase::Procedure. True when the class exists afterwards.
bool RegisterFormClass(HINSTANCE instance);

// Registers `name` as a class that is the system's `system_class` in all but its name.
bool RegisterRenamedClass(HINSTANCE instance, const wchar_t* system_class, const wchar_t* name);

// Moves `window` so that its frame is centred on the primary screen; its size and Z order stay.
void CentreOnScreen(HWND window);

// Makes a top-level window translucent: `alpha` of 255 is opaque.
void MakeTranslucent(HWND window, BYTE alpha);

// The Song-typeface fonts the program draws its Chinese texts in (at 96 dpi). Made on first use and kept
// for the process's life: windows share them and never delete them.
enum class SongFont {
    Text,       // 13 pixels: the main window's labels, boxes and button
    Small,      // 12 pixels: the option boxes, the about window's lines
    SmallLink,  // 12 pixels, underlined: the about window's links
    Title,      // 16 pixels, bold: the about window's product line
};
HFONT SongFontOf(SongFont font);

// A tooltip window owned by `owner` that shows its tips even while the owner is inactive. Null when it
// cannot be made; it is destroyed with its owner.
HWND CreateTooltip(HWND owner);
// A tip for the whole of `control`, a child of `parent`.
void AddControlTip(HWND tooltip, HWND parent, HWND control, const wchar_t* text);
// A tip for `area` of `window`'s client, told apart from the window's other areas by `id`.
void AddAreaTip(HWND tooltip, HWND window, UINT_PTR id, const RECT& area, const wchar_t* text);

// The whole text of a window (empty when it has none or cannot be read).
std::wstring WindowTextOf(HWND window);

// Gives the Enter key of an edit box to `on_enter`, which runs once per press instead of the dialog
// manager's default button or the box's beep. Undone when the box is destroyed; a second call replaces
// the handler. False when the box cannot be subclassed.
bool TakeEnterKey(HWND edit, std::function<void()> on_enter);

// Lets `message` reach `window` from processes of a lower integrity level (an unelevated setup program
// talking to an elevated copy). Per window where the system has it, per process on a system with only
// that; false where neither is there (no integrity levels) or the system refuses.
bool AllowMessageFromLowerIntegrity(HWND window, UINT message);

}  // namespace vt
