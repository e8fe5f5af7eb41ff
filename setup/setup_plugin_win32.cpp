// veltrane_setup.dll, the setup program's own plugin: asks a running copy of the dialer to quit over its
// single-instance channel (the private command MainFrm::kSetupQuitCommand), so that the setup program
// and the uninstaller can replace or remove its files without a reboot and without losing settings.
//
// Script use:  veltrane_setup::QuitRunning  then  Pop $0
//   "none"  no copy runs in this session
//   "quit"  a copy ran and has ended (its tray icon went with its window)
//   "busy"  a copy still runs after the time limit (it did not answer, or a modal loop held it)
#include <windows.h>

#include <string>

#include "app/main_frm.h"
#include "app/single_instance.h"

namespace {

// The Unicode plugin interface of the setup program: a stack of strings, each item allocated with
// GlobalAlloc and holding `string_size` characters.
struct StackItem {
    StackItem* next;
    wchar_t text[1];
};

void Push(StackItem** top, int string_size, const wchar_t* text) {
    if (!top || string_size <= 0) return;
    auto* item = static_cast<StackItem*>(GlobalAlloc(GPTR, sizeof(StackItem) + string_size * sizeof(wchar_t)));
    if (!item) return;
    lstrcpynW(item->text, text, string_size);
    item->next = *top;
    *top = item;
}

// The mutex is the proof that a copy runs (window titles are not); it lives as long as the process.
bool CopyRunning() {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, vt::kInstanceMutexName);
    if (!mutex) return false;
    CloseHandle(mutex);
    return true;
}

// The running copy's process, to wait until its image file is released; nullptr when its main window
// cannot be found (the mutex alone is then waited for).
HANDLE OpenRunningProcess() {
    HWND window = FindWindowW(L"Form", L"Veltrane");
    DWORD pid = 0;
    if (window) GetWindowThreadProcessId(window, &pid);
    return pid ? OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr;
}

constexpr DWORD kAnswerLimitMs = 1500;
constexpr DWORD kExitLimitMs = 10000;

}  // namespace

extern "C" __declspec(dllexport) void __cdecl QuitRunning(HWND, int string_size, wchar_t*, StackItem** top,
                                                            void*) {
    if (!CopyRunning()) {
        Push(top, string_size, L"none");
        return;
    }
    HANDLE process = OpenRunningProcess();
    const std::string_view command = vt::MainFrm::kSetupQuitCommand;
    const DWORD asked = GetTickCount();
    vt::SendDdeCommand(std::wstring(command.begin(), command.end()), kAnswerLimitMs);
    if (GetTickCount() - asked + 100 >= kAnswerLimitMs) {  // the tick count moves in steps of 16 ms
        // The setup program unloads a plugin after each call, but a conversation abandoned at its time
        // limit may still run on its own thread inside this module: keep the module until the process
        // ends (its temporary copy is then left behind, which is the lesser harm).
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(&QuitRunning), &self);
    }
    const DWORD begin = GetTickCount();
    bool ended = false;
    for (;;) {
        ended = !CopyRunning() && (!process || WaitForSingleObject(process, 0) == WAIT_OBJECT_0);
        if (ended || GetTickCount() - begin >= kExitLimitMs) break;
        Sleep(50);
    }
    if (process) CloseHandle(process);
    Push(top, string_size, ended ? L"quit" : L"busy");
}
