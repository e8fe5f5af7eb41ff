#pragma once
// One copy of the dialer per logon session. A named mutex tells a second copy that the first runs
// (window titles are no proof: any window may carry the name). The copies talk over DDE: the first
// serves application "Veltrane", topic "FormDDE"; a second sends it an Execute command and ends.
// The setup program asks a running copy to quit over the same channel, and, where DDE cannot reach it
// (another integrity level, a hung window stalling the broadcast), with a registered window message.
#include <string_view>

namespace vt {

// The setup program's private Execute command: the running copy quits as through the tray menu's
// "退出程序", so that its files can be replaced or removed. Nothing else sends it. Platform-free, so
// that MainFrm can read it.
inline constexpr std::string_view kSetupQuitCommand = "Veltrane.Setup.Quit";
// The name of the registered window message that means exactly "退出程序" (wParam and lParam 0),
// the setup program's fallback after the DDE request. The main window lets it through from lower
// integrity levels; nothing else sends it.
inline constexpr wchar_t kQuitMessageName[] = L"Veltrane.Quit.{3b9e7c1d-48a2-4f6b-b0d5-7e21c9a4f836}";

}  // namespace vt

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

inline constexpr wchar_t kDdeService[] = L"Veltrane";
inline constexpr wchar_t kDdeTopic[] = L"FormDDE";
inline constexpr wchar_t kInstanceMutexName[] = L"Veltrane.SingleInstance.{6f1c2a7e-5b0d-4c8e-9a31-2d7e4b90c1a5}";

}  // namespace vt
#endif  // _WIN32
