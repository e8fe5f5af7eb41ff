#pragma once
// Drives the real Veltrane.exe from outside, as a subscriber would, on the simulated line: the program is
// installed under "C:\Program Files\Veltrane" (a folder with a space, as on a real system) with the
// stand-in phonebook library beside it; the stand-in dial tool sits in the system folder. Without
// GoogleTest: the end-to-end cases, the driver for pictures and the benchmarks share it.
#include <windows.h>

#include <shlobj.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "base/handles.h"
#include "services/cipher.h"
#include "tests/doubles/line_state.h"

namespace vt::e2e {

inline const wchar_t kInstallDir[] = L"C:\\Program Files\\Veltrane";
inline const wchar_t kExePath[] = L"C:\\Program Files\\Veltrane\\Veltrane.exe";
inline const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Control identifiers of the main window (see MainWindow::ControlId).
enum : int {
    kPicture1 = 100,
    kUserText = 101,
    kPassText = 102,
    kBtnLog = 103,
    kStartWithWindowsBox = 104,
    kRedialOnDropBox = 105
};

inline std::wstring BuildFolder() {
    wchar_t self[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L'\\'));  // <build>\bin
}

// Milliseconds of a monotonic clock (the 32-bit tick count wraps after 49 days, far beyond a test).
inline ULONGLONG TickMs() { return GetTickCount(); }

inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms) {
    const ULONGLONG end = TickMs() + timeout_ms;
    for (;;) {
        if (condition()) return true;
        if (TickMs() >= end) return false;
        Sleep(50);
    }
}

inline std::wstring SettingsPath() {
    wchar_t windir[MAX_PATH] = {};
    GetWindowsDirectoryW(windir, MAX_PATH);
    return std::wstring(windir) + L"\\Veltrane.dat";
}

inline std::wstring ReadSettingRaw(const wchar_t* key) {
    wchar_t buffer[256] = {};
    GetPrivateProfileStringW(L"Option", key, L"", buffer, 256, SettingsPath().c_str());
    return buffer;
}

inline std::wstring ReadRunValueRaw(bool* present = nullptr) {
    HKEY key = nullptr;
    std::wstring value;
    bool found = false;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        wchar_t buffer[1024] = {};
        DWORD size = sizeof(buffer) - sizeof(wchar_t);
        DWORD type = 0;
        if (RegQueryValueExW(key, L"Veltrane", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
            ERROR_SUCCESS) {
            found = true;
            value = buffer;
        }
        RegCloseKey(key);
    }
    if (present) *present = found;
    return value;
}

inline void DeleteRunValueRaw() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, L"Veltrane");
        RegCloseKey(key);
    }
}

inline void WriteRunValueRaw(const std::wstring& data) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExW(key, L"Veltrane", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

// Points the prefix's proxy at `server` ("127.0.0.1:PORT"), so that the program's probes reach a stub
// on this machine; the previous setting comes back with RestoreProxy.
inline void SetProxy(const std::wstring& server) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
                        0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(key, L"ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                       static_cast<DWORD>((server.size() + 1) * sizeof(wchar_t)));
        DWORD enable = 1;
        RegSetValueExW(key, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                       sizeof(enable));
        RegCloseKey(key);
    }
}
// Points the path that goes around Internet Options' proxy (WinHTTP's machine setting, which real PCs
// leave direct) at `server`, so that it too reaches only this machine.
inline void SetDirectPath(const std::string& server) {
    std::string blob(12, '\0');
    blob[0] = 0x18;  // the settings' mark, then a zero, then the flags: direct | proxy
    blob[8] = 3;
    auto add = [&blob](const std::string& text) {
        const DWORD size = static_cast<DWORD>(text.size());
        blob.append(reinterpret_cast<const char*>(&size), sizeof size);
        blob += text;
    };
    add(server);
    add("");
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                        L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections", 0,
                        nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(key, L"WinHttpSettings", 0, REG_BINARY, reinterpret_cast<const BYTE*>(blob.data()),
                       static_cast<DWORD>(blob.size()));
        RegCloseKey(key);
    }
}
inline void RestoreProxy() {
    SetProxy(L"127.0.0.1:9");
    SetDirectPath("127.0.0.1:9");
}

inline std::wstring WindowText(HWND window) {
    wchar_t buffer[512] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    return buffer;
}

inline HWND FindMainWindow() { return FindWindowW(L"Form", L"Veltrane"); }

// Waits until the thread of `window` has handled what was sent or posted to it before, and whatever
// that started without a modal loop: a message sent to a window of another thread is handled only when
// that thread takes messages again.
inline bool Settled(HWND window) {
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr) != 0;
}

// Waits until no pop-up menu shows, then until `window`'s thread has handled the chosen item.
inline bool MenuClosedAndHandled(HWND window) {
    return WaitUntil([] { return !IsWindowVisible(FindWindowW(L"#32768", nullptr)); }, 3000) &&
           Settled(window);
}

// Stores an account as the program does: the password enciphered; with `redial`, the redial option ticked.
inline void StoreAccount(const std::wstring& user, const std::string& password, bool redial = false) {
    WritePrivateProfileStringW(L"Option", L"UserName", user.c_str(), SettingsPath().c_str());
    const std::wstring cipher = Utf8ToWide(EncipherPassword(password));
    WritePrivateProfileStringW(L"Option", L"CipherText", cipher.c_str(), SettingsPath().c_str());
    if (redial) WritePrivateProfileStringW(L"Option", L"DiscRedial", L"1", SettingsPath().c_str());
}

// A message box of process `pid` as the subscriber sees it.
struct MessageBoxSeen {
    HWND window = nullptr;
    std::wstring title, text;
};

struct WindowSearch {
    DWORD pid;
    const wchar_t* class_name;  // any class when null
    HWND found = nullptr;
};

inline BOOL CALLBACK FindWindowOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window) ||
        (search->class_name && search->class_name != std::wstring(name)))
        return TRUE;
    search->found = window;
    return FALSE;
}

// The first visible top-level window of process `pid` (of the class `class_name`, when given), or null.
inline HWND VisibleWindowOf(DWORD pid, const wchar_t* class_name = nullptr) {
    WindowSearch search{pid, class_name};
    EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Waits for a message box of process `pid`; its window is null when none came.
inline MessageBoxSeen WaitForMessageBox(DWORD pid, DWORD timeout_ms = 5000) {
    HWND box = nullptr;
    WaitUntil([&] { return (box = VisibleWindowOf(pid, L"#32770")) != nullptr; }, timeout_ms);
    if (!box) return {};
    return {box, WindowText(box), WindowText(GetDlgItem(box, 0xFFFF))};  // its label
}

// Presses the box's OK button and waits for it to go.
inline bool AnswerMessageBox(const MessageBoxSeen& box) {
    PostMessageW(box.window, WM_COMMAND, IDOK, 0);
    return WaitUntil([&] { return !IsWindow(box.window); }, 3000);
}

// A dial's arguments as the program gives them to the dial tool: the entry, the account and the password,
// and the user's own book when the entry lives there alone (a standard user's entry).
inline std::vector<std::string> ExpectedDialArgs(const std::string& account, const std::string& password) {
    std::vector<std::string> args = {"Veltrane", account, password};
    const line::State state = line::Load();
    bool shared = false, own = false;
    for (const std::string& entry : state.entries) shared = shared || line::SameName(entry, "Veltrane");
    for (const std::string& entry : state.user_entries) own = own || line::SameName(entry, "Veltrane");
    wchar_t appdata[MAX_PATH] = {};
    if (own && !shared &&
        SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appdata)))
        args.push_back("/PHONEBOOK:" + WideToUtf8(appdata) +
                       "\\Microsoft\\Network\\Connections\\Pbk\\rasphone.pbk");
    return args;
}

// A process started or opened from here, ended when the object goes if it still runs.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { Kill(); }

    // Starts `command` (the program's path first, quoted where it has a space) in `folder` (this one's
    // when null). Whatever ran before is ended first.
    bool Start(std::wstring command, const wchar_t* folder = nullptr) {
        Kill();
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                            &info))
            return false;
        const UniqueKernelHandle thread(info.hThread);
        process_.reset(info.hProcess);
        pid_ = info.dwProcessId;
        return true;
    }
    // Takes on the running process `pid`.
    bool Open(DWORD pid) {
        Kill();
        process_.reset(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid));
        pid_ = process_ ? pid : 0;
        return static_cast<bool>(process_);
    }

    bool Exited(DWORD timeout_ms) const {
        return WaitForSingleObject(process_.get(), timeout_ms) == WAIT_OBJECT_0;
    }
    // The exit code once it ended within `timeout_ms`, else STILL_ACTIVE.
    DWORD ExitCode(DWORD timeout_ms = 0) const {
        DWORD code = STILL_ACTIVE;
        if (Exited(timeout_ms)) GetExitCodeProcess(process_.get(), &code);
        return code;
    }
    HANDLE handle() const { return process_.get(); }
    DWORD pid() const { return pid_; }

    void Kill() {
        if (!process_) return;
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 5000);
        process_.reset();
        pid_ = 0;
    }

private:
    UniqueKernelHandle process_;
    DWORD pid_ = 0;
};

// One running copy of the program.
class Program {
public:
    // The copy installed at `exe` (by default the one the tests install themselves).
    explicit Program(std::wstring exe = kExePath) : exe_(std::move(exe)) {}

    // Starts the installed program with `arguments` after its quoted path, in its own folder.
    bool Start(const std::wstring& arguments = L"") {
        return StartCommand(L"\"" + exe_ + L"\"" + (arguments.empty() ? L"" : L" " + arguments));
    }
    // Starts it by a whole command line, as the system runs one (a Run value's).
    bool StartCommand(const std::wstring& command) {
        return process_.Start(command, exe_.substr(0, exe_.find_last_of(L'\\')).c_str());
    }

    // Starts it and waits for its main window.
    bool Launch(const std::wstring& arguments = L"") { return Start(arguments) && WaitForWindow(); }

    // Waits for the main window of this process, visible or not.
    HWND WaitForWindow(DWORD timeout_ms = 10000) {
        WaitUntil(
            [&] {
                window_ = FindMainWindow();
                DWORD pid = 0;
                if (window_) GetWindowThreadProcessId(window_, &pid);
                return window_ && pid == process_.pid();
            },
            timeout_ms);
        // The load sequence ends with the executable's path in the settings file; the tests start from
        // a settings file without it. (WaitForInputIdle is no sign: Wine may report idle early.)
        if (window_) WaitUntil([] { return !ReadSettingRaw(L"ExeUrl").empty(); }, 10000);
        return window_;
    }

    // Takes on the copy that something else started (the setup program): waits for a main window of a
    // process other than `other_than` and for its load sequence, and opens that process.
    bool Adopt(DWORD other_than, DWORD timeout_ms = 10000) {
        Kill();
        DWORD pid = 0;
        WaitUntil(
            [&] {
                window_ = FindMainWindow();
                pid = 0;
                if (window_) GetWindowThreadProcessId(window_, &pid);
                return window_ && pid != other_than;
            },
            timeout_ms);
        if (!window_ || pid == other_than || !process_.Open(pid)) return false;
        WaitUntil([] { return !ReadSettingRaw(L"ExeUrl").empty(); }, 10000);
        return true;
    }

    HWND window() const { return window_; }
    HWND Control(int id) const {
        HWND picture = GetDlgItem(window_, kPicture1);
        return id == kPicture1 ? picture : GetDlgItem(picture, id);
    }
    std::wstring Status() const { return WindowText(Control(kPicture1)); }
    bool Visible() const { return IsWindowVisible(window_) != FALSE; }
    bool Checked(int id) const { return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

    // Waits until the status reads `text`; false when it does not within `timeout_ms`.
    bool StatusBecomes(const std::wstring& text, DWORD timeout_ms = 9000) const {
        return WaitUntil([&] { return Status() == text; }, timeout_ms);
    }

    bool Exited(DWORD timeout_ms) const { return process_.Exited(timeout_ms); }
    DWORD ExitCode() const { return process_.ExitCode(); }
    DWORD pid() const { return process_.pid(); }
    void Kill() { process_.Kill(); }

private:
    std::wstring exe_;
    ChildProcess process_;
    HWND window_ = nullptr;
};

// Ends every copy the earlier tests may have left.
inline void KillLeftovers() {
    for (int i = 0; i < 20; ++i) {
        HWND window = FindMainWindow();
        if (!window) return;
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        ChildProcess copy;
        if (!copy.Open(pid)) return;
        copy.Kill();
        Sleep(50);
    }
}

// Copies the program, its tray icon and the stand-in phonebook and IP helper libraries into the install
// folder, and the stand-in dial tool into the system folder. The link is then what the line's state file
// says (line::SetCable pulls the cable and puts it back).
inline bool InstallProgram() {
    const std::wstring bin = BuildFolder();
    const std::wstring top = bin.substr(0, bin.find_last_of(L'\\'));
    CreateDirectoryW(kInstallDir, nullptr);
    const std::wstring dir = kInstallDir;
    return CopyFileW((top + L"\\Veltrane.exe").c_str(), (dir + L"\\Veltrane.exe").c_str(), FALSE) &&
           CopyFileW((top + L"\\adsl.ico").c_str(), (dir + L"\\adsl.ico").c_str(), FALSE) &&
           CopyFileW((bin + L"\\rasapi32.dll").c_str(), (dir + L"\\rasapi32.dll").c_str(), FALSE) &&
           CopyFileW((bin + L"\\iphlpapi.dll").c_str(), (dir + L"\\iphlpapi.dll").c_str(), FALSE) &&
           line::InstallDialTool();
}

// Installs another build of the program (an earlier one, for a benchmark to measure in the same run)
// beside the same stand-ins, in a folder of its own; the path to start it by, or empty when it failed.
// The tree's own program must be installed first.
inline std::wstring InstallOther(const std::wstring& exe) {
    const std::wstring dir = L"C:\\Program Files\\Veltrane other", installed = kInstallDir;
    CreateDirectoryW(dir.c_str(), nullptr);
    for (const wchar_t* name : {L"\\adsl.ico", L"\\rasapi32.dll", L"\\iphlpapi.dll"})
        if (!CopyFileW((installed + name).c_str(), (dir + name).c_str(), FALSE)) return {};
    return CopyFileW(exe.c_str(), (dir + L"\\Veltrane.exe").c_str(), FALSE) ? dir + L"\\Veltrane.exe" : L"";
}

// A fresh stage for a case or a benchmark's round: no copy of the program running, the program installed,
// the simulated line on a state file of its own (`line_file` in the temporary folder, emptied), no
// settings file and no Run value. False when the program cannot be installed.
inline bool FreshStage(const wchar_t* line_file) {
    KillLeftovers();
    line::UsePrivateState(line_file);
    if (!InstallProgram()) return false;
    DeleteFileW(SettingsPath().c_str());
    RemoveDirectoryW(SettingsPath().c_str());  // left by a case that made the file unwritable
    DeleteRunValueRaw();
    return true;
}

// Ends what a case started on the stage: its copies of the program, and a proxy it pointed elsewhere.
inline void EndStage(Program& program) {
    program.Kill();
    KillLeftovers();
    RestoreProxy();
}

// Changes the simulated line under its lock, as the stand-ins change it; false when the lock could not be
// had (a dial tool just started may hold it for a moment).
inline bool ChangeLine(const std::function<void(line::State&)>& change) {
    return WaitUntil([&] { return line::Update(change); }, 3000);
}

// Opens the tray menu as the shell's right-button callback on the icon does; the menu's window, or null
// when none showed.
inline HWND OpenTrayMenu(HWND main) {
    PostMessageW(main, WM_MOUSEMOVE, 0, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    WaitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(menu); }, 10000);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

// Presses `keys` in an open menu, one after another, as its modal loop reads them.
inline void PressKeys(HWND menu, std::initializer_list<WORD> keys) {
    for (WORD key : keys) {
        PostMessageW(menu, WM_KEYDOWN, key, 0);
        PostMessageW(menu, WM_KEYUP, key, 0xC0000000);
        Sleep(150);
    }
}

// Real pointer input, as a person gives it; each step waits a little for the program to take it. The
// pointer to screen point (x, y); a button's `flags` (MOUSEEVENTF_LEFTDOWN ...).
inline void MouseTo(int x, int y) {
    SetCursorPos(x, y);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
    Sleep(60);
}

inline void MouseButton(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
    Sleep(120);
}

// The pointer to `at`, then `clicks` clicks of the left button there.
inline void ClickAt(POINT at, int clicks = 1) {
    MouseTo(at.x, at.y);
    for (int click = 0; click < clicks; ++click) {
        MouseButton(MOUSEEVENTF_LEFTDOWN);
        MouseButton(MOUSEEVENTF_LEFTUP);
    }
}

}  // namespace vt::e2e
