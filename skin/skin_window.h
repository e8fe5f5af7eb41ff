#pragma once
// The skin engine's entry: attaching the skin to a window and every control in it, detaching it, and the
// one window procedure installed on every skinned window. Windows only.
//
// A window is skinned exactly while it carries the "PROCADDR" property. Forms and dialogs spread the skin
// to the windows they activate, the modal dialogs and menus they idle for and their combo boxes' lists;
// a window's skin goes with its WM_DESTROY, and the shared surfaces go with the last skinned window.
#ifdef _WIN32
#include <windows.h>

#include <string>

namespace vt {

// The public entry: runs the one-time set-up when the engine is not ready (hover-tracking entry,
// built-in surfaces), then returns AttachSkin(window).
int SkinWindow(HWND window);

// Skins one window (a form or dialog: every descendant first). 1 when skinned now; 0 for a null handle or
// a window that is already skinned.
int AttachSkin(HWND window);

// Removes the skin from one window (a form or dialog: every descendant first). 1 when it was skinned.
// The last detach releases the shared surfaces and returns the engine to not ready.
int DetachSkin(HWND window);

// Enumeration callbacks; each always continues (returns TRUE).
BOOL CALLBACK AttachChildProc(HWND window, LPARAM param);
BOOL CALLBACK DetachChildProc(HWND window, LPARAM param);
BOOL CALLBACK RefreshToggleProc(HWND window, LPARAM param);

// The window procedure of every skinned window.
LRESULT CALLBACK SkinWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The window's class name as the platform reports it (at most 255 characters); empty on failure.
std::string WindowClassName(HWND window);

// True when `library` exports `function`. A library that had to be loaded for the question is released.
bool IsFunctionExported(const char* function, const char* library);

}  // namespace vt
#endif
