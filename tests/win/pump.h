#pragma once
// The message pump of the Windows tests and benchmarks that drive windows of their own thread.
#include <windows.h>

#include <functional>

namespace vt {

// Dispatches what is queued for this thread; with `milliseconds`, goes on dispatching for that long.
inline void Pump(DWORD milliseconds = 0) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (milliseconds) Sleep(1);
    } while (GetTickCount() - start < milliseconds);
}

// Pumps until the condition holds (true) or the time runs out (false).
inline bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds = 3000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > milliseconds) return false;
        Pump();
        Sleep(2);
    }
    return true;
}

}  // namespace vt
