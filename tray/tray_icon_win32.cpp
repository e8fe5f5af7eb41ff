#include "tray/tray_icon.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

namespace vt {
namespace {

// One record for the whole program: each call fills its part and leaves the rest as the last call set
// it, so a balloon shows on the icon the add made. The wide call at its version-2 size carries
// Chinese texts whatever the system's code page, and is understood by every shell that has balloons.
NOTIFYICONDATAW g_record{};
UINT g_taskbar_created = 0;
WNDPROC g_previous_proc = nullptr;
std::wstring g_watch_icon_path;
std::wstring g_watch_tip;

template <size_t N>
void CopyCut(wchar_t (&field)[N], std::wstring_view text) {
    size_t count = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), count * sizeof(wchar_t));
    field[count] = L'\0';
}

void FillHeader(HWND window) {
    g_record.cbSize = NOTIFYICONDATAW_V2_SIZE;
    g_record.hWnd = window;
    g_record.uID = kTrayIconId;
}

LRESULT CALLBACK TaskbarWatchProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (g_taskbar_created != 0 && message == g_taskbar_created) {
        AddTrayIcon(window, g_watch_icon_path, g_watch_tip);
        return -1;
    }
    const WNDPROC previous = g_previous_proc;
    if (message == WM_DESTROY) {
        // Installed last, so it leaves first: the procedures below (the skin's, then the window's own)
        // each put back the one they replaced as the destruction reaches them, and the window's own
        // procedure sees WM_NCDESTROY.
        UninstallTaskbarWatch(window);
    }
    return CallWindowProcW(previous, window, message, wparam, lparam);
}

}  // namespace

bool AddTrayIcon(HWND window, std::wstring_view icon_path, std::wstring_view tip) {
    std::wstring path(icon_path);
    HICON icon = static_cast<HICON>(
        LoadImageW(nullptr, path.c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE | LR_LOADMAP3DCOLORS));
    HICON replaced = g_record.hIcon;
    FillHeader(window);
    g_record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    g_record.uCallbackMessage = kTrayCallbackMessage;
    g_record.hIcon = icon;
    CopyCut(g_record.szTip, tip);
    BOOL ok = Shell_NotifyIconW(NIM_ADD, &g_record);
    // After a taskbar restart the old icon is gone from the shell; its handle would otherwise leak at
    // every restart.
    if (replaced && replaced != icon) DestroyIcon(replaced);
    return ok != FALSE;
}

bool ShowBalloon(HWND window, std::wstring_view text, std::wstring_view title, DWORD balloon_flags) {
    FillHeader(window);
    g_record.uFlags = NIF_INFO;
    g_record.dwInfoFlags = balloon_flags;
    CopyCut(g_record.szInfoTitle, title);
    CopyCut(g_record.szInfo, text);
    return Shell_NotifyIconW(NIM_MODIFY, &g_record) != FALSE;
}

bool RemoveTrayIcon() {
    BOOL ok = Shell_NotifyIconW(NIM_DELETE, &g_record);
    if (g_record.hIcon) {
        DestroyIcon(g_record.hIcon);
        g_record.hIcon = nullptr;
    }
    return ok != FALSE;
}

void InstallTaskbarWatch(HWND window, std::wstring_view icon_path, std::wstring_view tip) {
    g_watch_icon_path = icon_path;
    g_watch_tip = tip;
    g_taskbar_created = RegisterWindowMessageW(L"TaskbarCreated");
    if (g_previous_proc) return;  // already watching this window
    g_previous_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TaskbarWatchProc)));
}

void UninstallTaskbarWatch(HWND window) {
    if (!g_previous_proc) return;
    // Only while the watch is still the window's procedure: putting the old one back over a procedure
    // installed later would cut that one out of the chain.
    if (GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&TaskbarWatchProc))
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous_proc));
    g_previous_proc = nullptr;
}

TrayRecordView CurrentTrayRecord() {
    return {g_record.hWnd, g_record.uFlags, g_record.uCallbackMessage, g_record.hIcon, g_record.szTip,
            g_record.szInfo, g_record.szInfoTitle, g_record.dwInfoFlags, g_record.cbSize};
}

UINT TaskbarCreatedMessage() { return g_taskbar_created; }

}  // namespace vt
