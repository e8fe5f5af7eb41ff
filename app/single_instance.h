#pragma once
// One copy of the dialer per logon session. A named mutex tells a second copy that the first runs
// (window titles are no proof: any window may carry the name). The copies talk over DDE: the first
// serves application "Veltrane", topic "FormDDE"; a second sends it an Execute command and ends.
// The setup program asks a running copy to quit over the same channel, and, where DDE cannot reach it
// (another integrity level, a hung window stalling the broadcast), with a registered window message.
// The names of the channel (the DDE service, topic and commands, the mutex, the quit message) are in
// base/compat.h: earlier copies and setup programs know them.

#ifdef _WIN32
#include <windows.h>

#include <ddeml.h>

#include <functional>
#include <string>

namespace vt {

class InstanceMutex {
public:
    explicit InstanceMutex(const wchar_t* name);
    ~InstanceMutex();
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;
    // True when another process held the name first.
    bool another_is_running() const { return another_running_; }

private:
    HANDLE mutex_ = nullptr;
    bool another_running_ = false;
};

// Sends `command` as a DDE Execute to application "Veltrane", topic "FormDDE". Returns whether the
// command was accepted. Never takes longer than about `limit_ms`, even when the running copy hangs:
// the conversation runs on a worker thread that is abandoned at the limit.
bool SendDdeCommand(const std::wstring& command, DWORD limit_ms);

// The running copy's side: accepts every Execute on "FormDDE" and hands its text to the handler on
// the thread that called Start (DDEML calls back from that thread's message loop).
class DdeCommandServer {
public:
    using Handler = std::function<void(const std::wstring&)>;
    DdeCommandServer() = default;
    ~DdeCommandServer();
    DdeCommandServer(const DdeCommandServer&) = delete;
    DdeCommandServer& operator=(const DdeCommandServer&) = delete;
    bool Start(Handler handler);
    void Stop();

private:
    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                      ULONG_PTR data1, ULONG_PTR data2);
    DWORD instance_ = 0;
    HSZ service_ = nullptr;
    HSZ topic_ = nullptr;
    Handler handler_;
};

}  // namespace vt
#endif  // _WIN32
