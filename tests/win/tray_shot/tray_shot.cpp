// Shows the tray icon in one of the line's states, with a tip of that state, for the README's picture
// of the three states (scripts/screenshots.sh), and takes it down after a while:
//   tray_shot connected|dialling|disconnected MILLISECONDS
// It carries the program's resources, so the icons are the ones Veltrane.exe shows.
#include <windows.h>

#include <string>

#include "tray/tray_icon.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const std::wstring which = argv[1];
    vt::TrayState state = vt::TrayState::NotConnected;
    const wchar_t* tip = L"Veltrane - 未连接（网线未连接）";
    if (which == L"connected") {
        state = vt::TrayState::Connected;
        tip = L"Veltrane - 已连接 3小时12分钟";
    } else if (which == L"dialling") {
        state = vt::TrayState::Dialling;
        tip = L"Veltrane - 正在拨号……";
    }
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"tray_shot", WS_POPUP, 0, 0, 1, 1, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) return 1;
    wchar_t self[MAX_PATH] = {};
    std::wstring folder(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    folder.resize(folder.find_last_of(L'\\'));
    {
        vt::TrayIcon tray(window, GetModuleHandleW(nullptr), folder + L"\\adsl.ico");
        tray.SetState(state, tip);
        if (!tray.Show()) return 1;
        SetTimer(nullptr, 0, static_cast<UINT>(_wtoi(argv[2])), nullptr);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER) {
            if (message.hwnd == window && tray.HandleMessage(message.message)) continue;
            DispatchMessageW(&message);
        }
    }
    DestroyWindow(window);
    return 0;
}
