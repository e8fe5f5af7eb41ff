#pragma once
// Tells the main window when a Remote Access connection ends, as it ends, and (when asked) when one comes
// up: the system signals an event, and a thread that only waits turns each signal into a posted message.
// Nothing but the post runs off the window's thread, and nothing wakes the process while no connection
// changes. Win32 only.
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
    // posts `ended_message` to `window`, and, when `made_message` is not 0, a connection that comes up
    // posts `made_message` (wParam and lParam 0 for both). Changes that come close together may give one
    // message: the receiver looks at the connections again rather than counting messages. False, with
    // nothing left behind, where the library lacks the notification or the system refuses it. A running
    // watch is stopped first.
    bool Start(HWND window, UINT ended_message, UINT made_message = 0);

    // No message is posted once this returns: it waits for a post under way (a post never blocks, so
    // this is safe from the window's own thread).
    void Stop();

    bool Running() const { return static_cast<bool>(thread_); }

private:
    static DWORD WINAPI Watch(void* context);

    UniqueKernelHandle ended_;  // signalled by the system
    UniqueKernelHandle made_;   // signalled by the system, when asked for
    UniqueKernelHandle stop_;
    UniqueKernelHandle thread_;
    HWND window_ = nullptr;
    UINT ended_message_ = 0;
    UINT made_message_ = 0;
};

}  // namespace vt
#endif
