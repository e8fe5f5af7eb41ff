// The floor for a minute in the tray: the least a tray program does, a hidden tool window with one icon in
// the notification area and the product's manifest, idling in its message loop. What this costs under the
// same Wine is Wine's, not the dialer's. It takes its icon down and ends after the seconds given (default
// 75), so that the line benchmark can measure it as it measures the program.
//   tray_floor [seconds]
#include <windows.h>

#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

constexpr UINT kCallback = WM_APP + 1;
constexpr UINT_PTR kEndTimer = 1;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER && wparam == kEndTimer) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR args, int) {
    const int seconds = args && *args ? _wtoi(args) : 75;
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = L"VeltraneTrayFloor";
    if (!RegisterClassW(&wc)) return 1;
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"Tray floor", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) return 1;

    // The program's icon file beside this one, as the dialer loads its own.
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring icon_path(path, length);
    icon_path = icon_path.substr(0, icon_path.find_last_of(L'\\') + 1) + L"adsl.ico";
    HICON icon =
        static_cast<HICON>(LoadImageW(nullptr, icon_path.c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE));
    NOTIFYICONDATAW record{};
    record.cbSize = NOTIFYICONDATAW_V2_SIZE;
    record.hWnd = window;
    record.uID = 1;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = kCallback;
    record.hIcon = icon ? icon : LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(record.szTip, L"Tray floor", ARRAYSIZE(record.szTip));
    if (!Shell_NotifyIconW(NIM_ADD, &record)) return 1;

    SetTimer(window, kEndTimer, static_cast<UINT>(seconds > 0 ? seconds : 75) * 1000u, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    Shell_NotifyIconW(NIM_DELETE, &record);
    if (icon) DestroyIcon(icon);
    return 0;
}
