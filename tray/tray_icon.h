#pragma once
// The notification-area icon: one icon (id 1) for the whole program, its balloons, and its return after
// a taskbar restart. Clicks on the icon reach the main window as WM_MOUSEMOVE (kTrayCallbackMessage)
// with the mouse message of the click in lParam.
#include <windows.h>

#include <string>
#include <string_view>

namespace vt {

inline constexpr UINT kTrayCallbackMessage = 0x200;  // WM_MOUSEMOVE
inline constexpr UINT kTrayIconId = 1;
inline constexpr UINT kBalloonInfo = 1;  // NIIF_INFO

// Adds the icon for `window`, loading a fresh 16 x 16 icon from `icon_path` (a missing file gives a
// null icon; the add is made all the same). The icon handle it replaces is destroyed.
bool AddTrayIcon(HWND window, std::wstring_view icon_path, std::wstring_view tip);

// Shows a balloon on the icon; the icon, tip and callback stay as the add left them. Texts longer than
// their fields (256 and 64 characters with the terminator) are cut.
bool ShowBalloon(HWND window, std::wstring_view text, std::wstring_view title, DWORD balloon_flags);

// Removes the icon and frees its icon handle.
bool RemoveTrayIcon();

// Replaces the main window's procedure so that "TaskbarCreated" adds the icon again (icon from
// `icon_path`, tip `tip`); every other message goes to the previous procedure.
void InstallTaskbarWatch(HWND window, std::wstring_view icon_path, std::wstring_view tip);
// Puts the previous procedure back (unload).
void UninstallTaskbarWatch(HWND window);

// For tests: what the shared record holds now.
struct TrayRecordView {
    HWND window;
    UINT flags;
    UINT callback;
    HICON icon;
    std::wstring tip;
    std::wstring balloon_text;
    std::wstring balloon_title;
    DWORD balloon_flags;
    DWORD size;
};
TrayRecordView CurrentTrayRecord();
UINT TaskbarCreatedMessage();

}  // namespace vt
