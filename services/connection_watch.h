#pragma once
// Tells the main window when a Remote Access connection ends, as it ends: the system signals an event, and
// a thread that only waits turns each signal into a posted message. Nothing but the post runs off the
// window's thread, and nothing wakes the process while no connection ends. Win32 only.
#ifdef _WIN32
#include <windows.h>

#include "base/handles.h"

namespace vt {

class ConnectionEndWatch {
public:
    ConnectionEndWatch() = default;
    ConnectionEndWatch(const ConnectionEndWatch&) = delete;
    ConnectionEndWatch& operator=(const ConnectionEndWatch&) = delete;
    ~ConnectionEndWatch() { Stop(); }

    // From now on, the end of any connection (the dialer's own hang-up included, and any other entry's)
    // posts `message` (wParam and lParam 0) to `window`. Ends that come close together may give one
    // message: the receiver looks at the connections again rather than counting messages. False, with
    // nothing left behind, where the library lacks the notification or the system refuses it. A running
    // watch is stopped first.
    bool Start(HWND window, UINT message);

    // No message is posted once this returns: it waits for a post under way (a post never blocks, so
    // this is safe from the window's own thread).
    void Stop();

    bool Running() const { return static_cast<bool>(thread_); }

private:
    static DWORD WINAPI Watch(void* context);

    UniqueKernelHandle ended_;  // signalled by the system
    UniqueKernelHandle stop_;
    UniqueKernelHandle thread_;
    HWND window_ = nullptr;
    UINT message_ = 0;
};

}  // namespace vt
#endif
