// veltrane_setup.dll, the setup program's own plugin: what the setup program and the uninstaller need
// of the system beyond the stock script commands.
//
// Script use (each call pushes one result; Pop it):
//   veltrane_setup::QuitRunning              "none" no copy runs in this session
//                                            "quit" a copy ran and has ended (its tray icon went with it)
//                                            "busy" a copy still runs after the time limit
//   veltrane_setup::OneSetupAtATime          "ok", or "busy" while another setup program or uninstaller
//                                            of Veltrane runs (this one must then end)
//   veltrane_setup::IsElevated               "1" when this process runs elevated above the desktop's
//                                            shell (UAC's elevation, or another account approved it),
//                                            so that what it starts or writes for the user would not
//                                            be the user's own; else "0"
//   veltrane_setup::ExecAsUser FILE ARGS     "ok" when the desktop's shell started FILE ARGS as the
//                                            logged-on user, unelevated; "error" otherwise
//
// The build for the package test (VELTRANE_SETUP_SEAM) stands in for the two decisions that Wine, which
// has no UAC, cannot make: with VELTRANE_SETUP_TEST_ELEVATED=1 in its environment the process counts as
// elevated, and the shell's start becomes a plain start without that variable, written to the file
// VELTRANE_SETUP_TEST_LOG names; VELTRANE_SETUP_TEST_SHELL=none makes the shell's start fail, and
// VELTRANE_SETUP_TEST_SHELL=desktop leaves it to the desktop's own shell (Wine's serves the same
// interfaces). The shipped plugin has no such switch.
#include <windows.h>

// The shell's headers first: they name ShellExecute a macro, which must also apply to the dispatch
// interface's method of that name.
#include <shellapi.h>
#include <shlobj.h>

#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>

#include <string>

#include "app/single_instance.h"
#include "base/compat.h"
#include "base/handles.h"

namespace {

// The Unicode plugin interface of the setup program: a stack of strings, each item allocated with
// GlobalAlloc and holding `string_size` characters.
struct StackItem {
    StackItem* next;
    wchar_t text[1];
};

void Push(StackItem** top, int string_size, const wchar_t* text) {
    if (!top || string_size <= 0) return;
    auto* item =
        static_cast<StackItem*>(GlobalAlloc(GPTR, sizeof(StackItem) + string_size * sizeof(wchar_t)));
    if (!item) return;
    lstrcpynW(item->text, text, string_size);
    item->next = *top;
    *top = item;
}

// An empty stack reads as an empty string: the script's call is then wrong, not this plugin.
std::wstring Pop(StackItem** top) {
    if (!top || !*top) return {};
    StackItem* item = *top;
    std::wstring text = item->text;
    *top = item->next;
    GlobalFree(item);
    return text;
}

// One setup program or uninstaller at a time, in this session: two would replace and remove the same
// files under each other.
constexpr wchar_t kSetupMutexName[] = L"Veltrane.Setup.{a4d2f6e8-1c3b-4e57-9d80-5b7c2e1f9a46}";
// An elevated uninstaller that hands over to the user's own holds the name until it ends, just after
// starting the other: the newcomer waits this long for it before saying that another one runs.
constexpr DWORD kSetupHandOverMs = 4000;

// The mutex is the proof that a copy runs (window titles are not); it lives as long as the process.
// A copy whose mutex refuses this process (an elevated copy seen from a normal setup program) runs all
// the same.
bool CopyRunning() {
    vt::UniqueKernelHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, vt::compat::kInstanceMutexName));
    return mutex || GetLastError() == ERROR_ACCESS_DENIED;
}

bool IsCopyWindow(HWND window) {
    wchar_t name[8] = {}, title[16] = {};
    return GetClassNameW(window, name, 8) && lstrcmpW(name, vt::compat::kMainWindowClass) == 0 &&
           GetWindowTextW(window, title, 16) && lstrcmpW(title, vt::compat::kMainWindowTitle) == 0;
}

// The running copy's process, to wait until its image file is released; nullptr when its main window
// cannot be found (the mutex alone is then waited for).
vt::UniqueKernelHandle OpenRunningProcess() {
    HWND window = FindWindowW(vt::compat::kMainWindowClass, vt::compat::kMainWindowTitle);
    DWORD pid = 0;
    if (window) GetWindowThreadProcessId(window, &pid);
    return vt::UniqueKernelHandle(pid ? OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr);
}

BOOL CALLBACK SendQuitMessage(HWND window, LPARAM message) {
    // The about window shares the main window's class and title; its procedure ignores the message.
    if (IsCopyWindow(window)) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(window, static_cast<UINT>(message), 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
    }
    return TRUE;
}

constexpr DWORD kAnswerLimitMs = 1500;
// How long a copy that accepted the DDE request gets to end before the window message follows it.
constexpr DWORD kDdeGraceMs = 2000;
constexpr DWORD kExitLimitMs = 10000;

bool Ended(HANDLE process) {
    return !CopyRunning() && (!process || WaitForSingleObject(process, 0) == WAIT_OBJECT_0);
}

bool WaitForEnd(HANDLE process, DWORD begin, DWORD limit_ms) {
    for (;;) {
        if (Ended(process)) return true;
        if (GetTickCount() - begin >= limit_ms) return false;
        Sleep(50);
    }
}

#ifdef VELTRANE_SETUP_SEAM
bool SeamSet(const wchar_t* name, const wchar_t* value) {
    wchar_t text[16] = {};
    return GetEnvironmentVariableW(name, text, 16) && lstrcmpW(text, value) == 0;
}

// One line to the file VELTRANE_SETUP_TEST_LOG names, for the test to wait on.
void SeamLog(const std::wstring& line) {
    wchar_t log[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"VELTRANE_SETUP_TEST_LOG", log, MAX_PATH)) return;
    const vt::UniqueFile file(
        CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr));
    if (!file) return;
    const std::wstring text = line + L"\r\n";
    DWORD written = 0;
    WriteFile(file.get(), text.c_str(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
}

bool SeamStart(const std::wstring& file, const std::wstring& arguments) {
    if (SeamSet(L"VELTRANE_SETUP_TEST_SHELL", L"none")) return false;
    SeamLog(file + L"|" + arguments);
    // The started process is "unelevated": it inherits this environment without the switch.
    SetEnvironmentVariableW(L"VELTRANE_SETUP_TEST_ELEVATED", nullptr);
    std::wstring command = L"\"" + file + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(file.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    // Neither handle is wanted: the started program runs on its own.
    const vt::UniqueKernelHandle thread(process.hThread), started(process.hProcess);
    return true;
}
#endif

// A process token's elevation and user; false when it cannot be read (before Vista there is no
// elevation to read: no UAC, nothing to undo).
struct TokenFacts {
    bool elevated = false;
    BYTE user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)] = {};
};
bool ReadToken(HANDLE process, TokenFacts& facts) {
    vt::UniqueKernelHandle token;
    if (!OpenProcessToken(process, TOKEN_QUERY, token.put())) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool read =
        GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
        GetTokenInformation(token.get(), TokenUser, facts.user, sizeof(facts.user), &size);
    facts.elevated = read && elevation.TokenIsElevated;
    return read;
}

bool Elevated() {
#ifdef VELTRANE_SETUP_SEAM
    if (SeamSet(L"VELTRANE_SETUP_TEST_ELEVATED", L"1")) return true;
#endif
    TokenFacts self;
    if (!ReadToken(GetCurrentProcess(), self) || !self.elevated) return false;
    // Where the shell itself runs elevated as this same account (UAC off, the built-in Administrator),
    // what this process starts or writes is already the user's own: the shell's start would change
    // nothing. Where no shell runs, there is no other user to hand over to. Otherwise, or when the
    // shell's token cannot be read, it would.
    constexpr DWORD kQueryLimitedInformation = 0x1000;  // PROCESS_QUERY_LIMITED_INFORMATION, Vista on
    DWORD shell_pid = 0;
    if (HWND shell = GetShellWindow()) GetWindowThreadProcessId(shell, &shell_pid);
    if (!shell_pid) return false;
    const vt::UniqueKernelHandle shell_process(OpenProcess(kQueryLimitedInformation, FALSE, shell_pid));
    if (!shell_process) return true;
    TokenFacts desktop;
    const bool read = ReadToken(shell_process.get(), desktop);
    return !(read && desktop.elevated &&
             EqualSid(reinterpret_cast<TOKEN_USER*>(self.user)->User.Sid,
                      reinterpret_cast<TOKEN_USER*>(desktop.user)->User.Sid));
}

// Starts `file` through the desktop's shell (Explorer), which runs unelevated as the logged-on user:
// the documented way from an elevated process back to the user's own token.
bool ShellStart(const std::wstring& file, const std::wstring& arguments) {
    vt::ComPtr<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.put_void())))
        return false;
    VARIANT location{}, root{};
    VariantInit(&location);
    VariantInit(&root);
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    LONG shell_window = 0;
    vt::ComPtr<IDispatch> desktop;
    if (windows->FindWindowSW(&location, &root, SWC_DESKTOP, &shell_window, SWFO_NEEDDISPATCH,
                              desktop.put()) != S_OK ||
        !desktop)
        return false;
    vt::ComPtr<IServiceProvider> provider;
    vt::ComPtr<IShellBrowser> browser;
    vt::ComPtr<IShellView> view;
    vt::ComPtr<IDispatch> background;
    vt::ComPtr<IShellFolderViewDual> folder_view;
    vt::ComPtr<IDispatch> application;
    vt::ComPtr<IShellDispatch2> shell;
    if (FAILED(desktop->QueryInterface(IID_IServiceProvider, provider.put_void())) ||
        FAILED(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void())) ||
        FAILED(browser->QueryActiveShellView(view.put())) ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void())) ||
        FAILED(background->QueryInterface(IID_IShellFolderViewDual, folder_view.put_void())) ||
        FAILED(folder_view->get_Application(application.put())) ||
        FAILED(application->QueryInterface(IID_IShellDispatch2, shell.put_void())))
        return false;
    BSTR file_text = SysAllocString(file.c_str());
    VARIANT args{}, folder{}, operation{}, show{};
    VariantInit(&args);
    VariantInit(&folder);
    VariantInit(&operation);
    VariantInit(&show);
    args.vt = VT_BSTR;
    args.bstrVal = SysAllocString(arguments.c_str());
    // No working folder: one inside the install folder would keep that folder from being removed
    // while the started program runs (Wine's shell even keeps it as its own), and neither the program
    // nor the uninstaller needs one.
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    // Explorer starts the program: let it bring the program's window to the front.
    DWORD explorer = 0;
    GetWindowThreadProcessId(GetShellWindow(), &explorer);
    if (explorer) AllowSetForegroundWindow(explorer);
    const bool started =
        file_text && args.bstrVal && SUCCEEDED(shell->ShellExecute(file_text, args, folder, operation, show));
    SysFreeString(file_text);
    VariantClear(&args);
    return started;
}

}  // namespace

extern "C" __declspec(dllexport) void __cdecl QuitRunning(HWND, int string_size, wchar_t*, StackItem** top,
                                                          void*) {
    if (!CopyRunning()) {
        Push(top, string_size, L"none");
        return;
    }
    vt::UniqueKernelHandle process = OpenRunningProcess();
    const std::string_view command = vt::compat::kSetupQuitCommand;
    const DWORD asked = GetTickCount();
    const bool accepted = vt::SendDdeCommand(std::wstring(command.begin(), command.end()), kAnswerLimitMs);
    if (GetTickCount() - asked + 100 >= kAnswerLimitMs) {  // the tick count moves in steps of 16 ms
        // The setup program unloads a plugin after each call, but a conversation abandoned at its time
        // limit may still run on its own thread inside this module: keep the module until the process
        // ends (its temporary copy is then left behind, which is the lesser harm).
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(&QuitRunning), &self);
    }
    const DWORD begin = GetTickCount();
    bool ended = accepted && WaitForEnd(process.get(), begin, kDdeGraceMs);
    if (!ended) {
        // DDE did not get through: filtered between integrity levels, or its broadcast stalled on some
        // hung window of the session. The copy's own window hears the registered message.
        if (UINT message = RegisterWindowMessageW(vt::compat::kQuitMessageName))
            EnumWindows(SendQuitMessage, static_cast<LPARAM>(message));
        if (!process) process = OpenRunningProcess();
        ended = WaitForEnd(process.get(), begin, kExitLimitMs);
    }
    Push(top, string_size, ended ? L"quit" : L"busy");
}

extern "C" __declspec(dllexport) void __cdecl OneSetupAtATime(HWND, int string_size, wchar_t*,
                                                              StackItem** top, void*) {
    // Made so that an unelevated setup program may wait on an elevated one's; the mutex of one that
    // refuses us (an earlier version's, elevated) is waited for all the same, by asking again.
    vt::SharedLock lock(kSetupMutexName);
    bool mine = lock.TryTake();
    if (!mine) {
#ifdef VELTRANE_SETUP_SEAM
        SeamLog(L"OneSetupAtATime|waits");
#endif
        mine = lock.Take(kSetupHandOverMs);
    }
    // Owned by the calling thread, the script's main thread, which lives as long as the process; the
    // handle is never closed, so the name is held until the process ends, however it ends.
    if (mine) lock.HoldUntilThreadEnds();
    Push(top, string_size, mine ? L"ok" : L"busy");
}

extern "C" __declspec(dllexport) void __cdecl IsElevated(HWND, int string_size, wchar_t*, StackItem** top,
                                                         void*) {
    Push(top, string_size, Elevated() ? L"1" : L"0");
}

extern "C" __declspec(dllexport) void __cdecl ExecAsUser(HWND, int string_size, wchar_t*, StackItem** top,
                                                         void*) {
    const std::wstring file = Pop(top);
    const std::wstring arguments = Pop(top);
    bool started = false;
#ifdef VELTRANE_SETUP_SEAM
    if (SeamSet(L"VELTRANE_SETUP_TEST_ELEVATED", L"1") &&
        !SeamSet(L"VELTRANE_SETUP_TEST_SHELL", L"desktop")) {
        Push(top, string_size, SeamStart(file, arguments) ? L"ok" : L"error");
        return;
    }
#endif
    // The script's thread may have entered COM already, in either model; only a call that entered it
    // here leaves it again.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (!file.empty()) started = ShellStart(file, arguments);
    if (SUCCEEDED(com)) CoUninitialize();
    Push(top, string_size, started ? L"ok" : L"error");
}
