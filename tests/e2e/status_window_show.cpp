// Shows the status view on a made-up line, skinned as the program shows it, for the README's picture:
// prints the window's rectangle ("x y width height" in screen pixels), then runs until the window is closed
// (Esc, its button or its close box) and prints "closed", or gives up after 60 seconds.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>

#include "app/dial_failure.h"
#include "app/status_window.h"
#include "skin/skin_window.h"

int wmain() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    const DWORD started = GetTickCount();
    vt::StatusWindow status(GetModuleHandleW(nullptr), [started] {
        vt::LineSnapshot line;
        line.state = vt::LineState::Connected;
        line.details = {
            "100.64.37.112", "2408:8207:2c4a:1b70::5e1", "WAN 微型端口 (PPPOE)",
            vt::LineCounters{11520 + (GetTickCount() - started) / 1000, 52428800 + 123456, 1610612736}};
        // The longest reason of the table: the picture shows how the view carries it.
        line.last_failure = vt::LastFailure{
            691, vt::DialFailureCause(691), vt::DialFailureNextStep(691), {2026, 12, 7, 18, 2, 41}};
        return line;
    });
    status.SetSkinAttach([](HWND window) { vt::SkinWindow(window); });
    if (!status.Open()) return 1;
    RECT r{};
    GetWindowRect(status.hwnd(), &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::fflush(stdout);
    const UINT_PTR give_up = SetTimer(nullptr, 0, 60000, nullptr);
    MSG msg;
    while (status.IsOpen() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == give_up) break;
        if (status.PreTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    const bool closed = !status.IsOpen();
    std::printf(closed ? "closed\n" : "still open\n");
    return closed ? 0 : 2;
}
