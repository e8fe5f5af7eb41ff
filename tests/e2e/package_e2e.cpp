// The setup program and the uninstaller of the package, run silently under Wine in a fresh prefix, with
// the installed program driven on the simulated line in between. The stand-in phonebook library and dial
// tool are not in the package: this test puts them into the system folder itself, as Wine lacks both.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/single_instance.h"
#include "base/compat.h"
#include "tests/doubles/refusing_mutex.h"
#include "tests/e2e/e2e_support.h"

namespace vt::e2e {
namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veltrane";
// The setup program's own mutex, as every earlier setup program knows it.
const wchar_t kSetupMutexName[] = L"Veltrane.Setup.{a4d2f6e8-1c3b-4e57-9d80-5b7c2e1f9a46}";

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, path)) ? path : L"";
}
// The user's programs folder and the user's Start menu: a per-user install asks for no elevation.
std::wstring InstallDir() { return KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Veltrane"; }
std::wstring InstalledExe() { return InstallDir() + L"\\Veltrane.exe"; }
std::wstring ShortcutPath() { return KnownFolder(CSIDL_PROGRAMS) + L"\\Veltrane.lnk"; }
std::wstring TopFolder() {
    const std::wstring bin = BuildFolder();
    return bin.substr(0, bin.find_last_of(L'\\'));
}
std::wstring SetupPath() { return TopFolder() + L"\\Veltrane-" VELTRANE_VERSION L"-setup.exe"; }
// The same setup program with the plugin's stand-ins for elevation and the shell's start (see
// setup/setup_plugin_win32.cpp): VELTRANE_SETUP_TEST_ELEVATED=1 makes it count as elevated.
std::wstring SeamSetupPath() { return TopFolder() + L"\\Veltrane-seam-setup.exe"; }
std::wstring UninstallerPath() { return InstallDir() + L"\\uninstall.exe"; }
// Where the stand-in for the shell's start writes each start it was asked for, "<file>|<arguments>", and
// the stand-in plugin what it waits for.
std::wstring ShellLogPath() { return KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\veltrane-shell-starts.txt"; }

// The switches of the setup program's stand-ins, set in this process's environment (the setup
// programs inherit it) for as long as the object lives. `shell`: nullptr for the stand-in start,
// L"none" for a shell that cannot start anything, L"desktop" for the desktop's own shell.
class Seam {
public:
    explicit Seam(bool elevated, const wchar_t* shell = nullptr) {
        DeleteFileW(ShellLogPath().c_str());
        SetEnvironmentVariableW(L"VELTRANE_SETUP_TEST_ELEVATED", elevated ? L"1" : nullptr);
        SetEnvironmentVariableW(L"VELTRANE_SETUP_TEST_SHELL", shell);
        SetEnvironmentVariableW(L"VELTRANE_SETUP_TEST_LOG", ShellLogPath().c_str());
    }
    ~Seam() {
        for (const wchar_t* name :
             {L"VELTRANE_SETUP_TEST_ELEVATED", L"VELTRANE_SETUP_TEST_SHELL", L"VELTRANE_SETUP_TEST_LOG"})
            SetEnvironmentVariableW(name, nullptr);
    }
    Seam(const Seam&) = delete;
    Seam& operator=(const Seam&) = delete;
};

// Starts `command` and returns its exit code, or ~0u when it did not start or end in time.
DWORD RunAndWait(const std::wstring& command, DWORD timeout_ms = 60000) {
    ChildProcess process;
    if (!process.Start(command)) return ~0u;
    const DWORD code = process.ExitCode(timeout_ms);
    return code == STILL_ACTIVE ? ~0u : code;
}

std::string FileBytes(const std::wstring& path) {
    std::string bytes;
    line::ReadWholeFile(path, bytes);
    return bytes;
}
bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The starts that the stand-in for the shell was asked for, one "<file>|<arguments>" per line.
std::wstring ShellStarts() {
    const std::string bytes = FileBytes(ShellLogPath());
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

// A top-level window whose thread stops answering, as a hung program's does: the broadcast that opens
// every DDE conversation waits for it, so no DDE request gets through while it stands.
class HungWindow {
public:
    HungWindow() {
        thread_.reset(CreateThread(nullptr, 0, &HungWindow::Run, this, 0, nullptr));
        WaitForSingleObject(ready_.get(), 5000);
    }
    ~HungWindow() {
        SetEvent(release_.get());
        WaitForSingleObject(thread_.get(), 10000);
    }
    HungWindow(const HungWindow&) = delete;
    HungWindow& operator=(const HungWindow&) = delete;

private:
    static DWORD WINAPI Run(void* param) {
        auto* self = static_cast<HungWindow*>(param);
        HWND window = CreateWindowExW(0, L"STATIC", L"hung", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                      nullptr, nullptr);
        SetEvent(self->ready_.get());
        WaitForSingleObject(self->release_.get(), INFINITE);
        // Answer what waited meanwhile, so that the stalled broadcasts end before the window goes.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        DestroyWindow(window);
        return 0;
    }
    UniqueKernelHandle release_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueKernelHandle ready_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueKernelHandle thread_;
};

// `path` opened with no sharing, as a program that has it open for its own use holds it.
UniqueFile HeldOpen(const std::wstring& path) {
    return UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

bool KeyExists(HKEY root, const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}
std::wstring RegText(const wchar_t* name) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, buffer, &size);
    return buffer;
}

std::wstring LinkTarget(const std::wstring& link) {
    std::wstring target;
    IShellLinkW* shell_link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shell_link))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shell_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
            SUCCEEDED(shell_link->GetPath(path, MAX_PATH, nullptr, 0)))
            target = path;
        file->Release();
    }
    shell_link->Release();
    return target;
}

bool SameText(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

TEST(Package, SilentInstallRunUpgradeOverTheRunningProgramAndUninstall) {
    ASSERT_TRUE(Exists(SetupPath())) << "build the package first (target package)";
    ASSERT_FALSE(Exists(InstallDir())) << "the prefix must be fresh";
    CoInitialize(nullptr);
    line::UsePrivateState(L"veltrane-package-line.ini");

    // A silent install puts the files, the shortcut and the installed-programs entry in place.
    ASSERT_EQ(RunAndWait(L"\"" + SetupPath() + L"\" /S"), 0u);
    EXPECT_EQ(FilesIn(InstallDir()),
              (std::vector<std::wstring>{L"Veltrane.exe", L"adsl.ico", L"uninstall.exe"}));
    EXPECT_EQ(FileBytes(InstalledExe()), FileBytes(TopFolder() + L"\\Veltrane.exe"));
    const std::string icon = FileBytes(TopFolder() + L"\\adsl.ico");
    EXPECT_EQ(FileBytes(InstallDir() + L"\\adsl.ico"), icon);
    EXPECT_TRUE(SameText(LinkTarget(ShortcutPath()), InstalledExe()))
        << WideToUtf8(LinkTarget(ShortcutPath()));
    EXPECT_EQ(RegText(L"DisplayName"), L"Veltrane");
    EXPECT_EQ(RegText(L"DisplayVersion"), VELTRANE_VERSION);
    EXPECT_EQ(RegText(L"Publisher"), L"Veltrane 项目组");
    EXPECT_EQ(RegText(L"DisplayIcon"), L"\"" + InstalledExe() + L"\",0");
    EXPECT_EQ(RegText(L"InstallLocation"), InstallDir());
    const std::wstring uninstaller = L"\"" + InstallDir() + L"\\uninstall.exe\"";
    EXPECT_EQ(RegText(L"UninstallString"), uninstaller);
    EXPECT_EQ(RegText(L"QuietUninstallString"), uninstaller + L" /S");
    DWORD kib = 0, size = sizeof(kib);
    RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, L"EstimatedSize", RRF_RT_REG_DWORD, nullptr, &kib, &size);
    EXPECT_GE(kib, FileBytes(InstalledExe()).size() / 1024);
    EXPECT_LT(kib, 4096u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

    // The installed program starts and dials on the simulated line; the test supplies the line.
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\rasapi32.dll").c_str(),
                          (std::wstring(system) + L"\\rasapi32.dll").c_str(), FALSE));
    ASSERT_TRUE(line::InstallDialTool());
    line::Update([](line::State& s) { s.dial = {line::DialMode::Connect, 1, 0}; });
    StoreAccount(L"宽带用户", "pass word");
    Program first(InstalledExe());
    ASSERT_TRUE(first.Launch(L"hide"));
    std::vector<line::DialStart> dials = line::WaitForDialStarts(1);
    ASSERT_EQ(dials.size(), 1u);
    EXPECT_EQ(dials[0].args, ExpectedDialArgs("宽带用户", "pass word"));
    EXPECT_TRUE(first.StatusBecomes(L"- 网络已连接"));
    // "开机启动" writes the Run value that the uninstaller must remove.
    SendMessageW(first.Control(kStartWithWindowsBox), BM_CLICK, 0, 0);
    const std::wstring run_value = L"\"" + InstalledExe() + L"\" hide";
    ASSERT_TRUE(WaitUntil([&] { return ReadRunValueRaw() == run_value; }, 3000))
        << WideToUtf8(ReadRunValueRaw());

    // A second silent install over the running program: the copy quits cleanly (exit code 0 is the
    // tray menu's way out, which removes the tray icon), every file is written again, and the settings
    // file stays byte for byte. (Wine lets a running program's file be overwritten, Windows does not:
    // the copy's exit is the proof that it was asked.)
    const std::string settings = FileBytes(SettingsPath());
    ASSERT_FALSE(settings.empty());
    ASSERT_TRUE(line::WriteWholeFile(InstallDir() + L"\\adsl.ico", "stale", false));
    // A copy that hangs cannot be asked: the setup program gives up with exit code 2 and changes nothing.
    const UniqueKernelHandle thread(
        OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(first.window(), nullptr)));
    ASSERT_TRUE(thread);
    SuspendThread(thread.get());
    const DWORD hung_setup = RunAndWait(L"\"" + SetupPath() + L"\" /S");
    ResumeThread(thread.get());
    EXPECT_EQ(hung_setup, 2u);
    EXPECT_EQ(FileBytes(InstallDir() + L"\\adsl.ico"), "stale");
    EXPECT_FALSE(first.Exited(0));

    // Silent upgrades over the running program: the copy is asked to quit (over DDE, or with the
    // registered message where a hung window stalls DDE's broadcast), and the new one comes back in the
    // tray, started as the desktop's user (through the shell where the setup program runs elevated).
    struct Upgrade {
        const char* how;
        bool hung_window;
        bool elevated;
        const wchar_t* shell;  // see Seam
    };
    const Upgrade upgrades[] = {
        {"over DDE", false, false, nullptr},
        {"with the registered message, DDE stalled by a hung window", true, false, nullptr},
        {"elevated, the new copy started through the shell (stand-in)", false, true, nullptr},
        {"elevated, the new copy started by the desktop's shell", false, true, L"desktop"},
    };
    std::vector<std::unique_ptr<Program>> copies;
    Program* running = &first;
    for (const Upgrade& upgrade : upgrades) {
        SCOPED_TRACE(upgrade.how);
        // The copy started by the last round may still be reading its icon while it loads.
        ASSERT_TRUE(WaitUntil(
            [] { return line::WriteWholeFile(InstallDir() + L"\\adsl.ico", "stale", false); }, 10000));
        Seam seam(upgrade.elevated, upgrade.shell);
        std::unique_ptr<HungWindow> hung;
        if (upgrade.hung_window) {
            hung = std::make_unique<HungWindow>();
            // (A text without meaning: the stalled request reaches the new copy once the window goes.)
            ASSERT_FALSE(SendDdeCommand(L"Veltrane.Test.Stalled", 1500)) << "the hung window must stall DDE";
        }
        ASSERT_EQ(RunAndWait(L"\"" + (upgrade.elevated ? SeamSetupPath() : SetupPath()) + L"\" /S"), 0u);
        ASSERT_TRUE(running->Exited(5000));
        EXPECT_EQ(running->ExitCode(), 0u);
        hung.reset();
        EXPECT_EQ(FileBytes(InstallDir() + L"\\adsl.ico"), icon);
        EXPECT_EQ(FileBytes(InstalledExe()), FileBytes(TopFolder() + L"\\Veltrane.exe"));
        copies.push_back(std::make_unique<Program>(InstalledExe()));
        ASSERT_TRUE(copies.back()->Adopt(running->pid())) << "no new copy runs";
        running = copies.back().get();
        // In the tray: a start with "hide" shows the window minimised for a moment before it hides it.
        EXPECT_TRUE(WaitUntil([&] { return !running->Visible(); }, 5000));
        EXPECT_EQ(FileBytes(SettingsPath()), settings);
        EXPECT_EQ(ReadRunValueRaw(), run_value);
        EXPECT_EQ(ShellStarts(), upgrade.elevated && !upgrade.shell ? InstalledExe() + L"|hide\r\n" : L"");
    }

    // A silent uninstall quits the upgraded program and removes everything but the settings file and
    // the phonebook entry.
    Program& second = *running;
    EXPECT_TRUE(WaitUntil([&] { return second.Checked(kStartWithWindowsBox); }, 3000));
    Sleep(500);  // the load sequence's last writes
    const std::string settings_before_uninstall = FileBytes(SettingsPath());
    // The uninstaller copies itself to the temporary folder and runs from there, so wait for its work.
    ASSERT_EQ(RunAndWait(RegText(L"QuietUninstallString")), 0u);
    EXPECT_TRUE(WaitUntil(
        [] { return !Exists(InstallDir()) && !KeyExists(HKEY_CURRENT_USER, kUninstallKey); }, 30000));
    ASSERT_TRUE(second.Exited(5000));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_FALSE(Exists(ShortcutPath()));
    bool run_present = true;
    ReadRunValueRaw(&run_present);
    EXPECT_FALSE(run_present);
    EXPECT_EQ(FileBytes(SettingsPath()), settings_before_uninstall);
    EXPECT_TRUE(line::HasEntry(line::Load(), "Veltrane"));

    // With the box ticked (/RemoveSettings) the settings file goes too, also a copy that the system
    // redirected into the user's VirtualStore.
    ASSERT_EQ(RunAndWait(L"\"" + SetupPath() + L"\" /S"), 0u);
    wchar_t windir[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windir, MAX_PATH), 3u);
    const std::wstring store = KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\VirtualStore\\" + (windir + 3);
    ASSERT_EQ(SHCreateDirectoryExW(nullptr, store.c_str(), nullptr), ERROR_SUCCESS);
    const std::wstring redirected = store + L"\\Veltrane.dat";
    ASSERT_TRUE(line::WriteWholeFile(redirected, settings, false));
    {
        // A settings file in the Windows folder that cannot be deleted (as for an unelevated uninstaller
        // on Windows) is reported: exit code 3, which a caller sees with _?=.
        const UniqueFile locked = HeldOpen(SettingsPath());
        ASSERT_TRUE(locked);
        EXPECT_EQ(RunAndWait(L"\"" + UninstallerPath() + L"\" /S /RemoveSettings _?=" + InstallDir()), 3u);
        EXPECT_TRUE(Exists(SettingsPath()));
        EXPECT_FALSE(Exists(redirected));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
    }
    ASSERT_EQ(RunAndWait(L"\"" + SetupPath() + L"\" /S"), 0u);
    ASSERT_TRUE(line::WriteWholeFile(redirected, settings, false));
    ASSERT_EQ(RunAndWait(RegText(L"QuietUninstallString") + L" /RemoveSettings"), 0u);
    EXPECT_TRUE(WaitUntil(
        [&] { return !Exists(InstallDir()) && !Exists(SettingsPath()) && !Exists(redirected); }, 30000));
    CoUninitialize();
}

// Where setups meet each other, locked files and elevation. Wine has no UAC: the test's copy of the
// setup program counts as elevated when told so and stands in for the shell's unelevated start.
TEST(Package, ElevationSecondSetupsAndLockedFilesChangeNothingBehindTheUsersBack) {
    ASSERT_TRUE(Exists(SeamSetupPath())) << "the package test makes it from the package's script";
    ASSERT_FALSE(Exists(InstallDir())) << "the prefix must hold no install";
    const std::wstring setup = L"\"" + SeamSetupPath() + L"\"";
    ASSERT_EQ(RunAndWait(setup + L" /S"), 0u);
    StoreAccount(L"宽带用户", "pass word");
    const std::string icon = FileBytes(InstallDir() + L"\\adsl.ico");
    auto unchanged = [&] {
        return FileBytes(InstallDir() + L"\\adsl.ico") == icon && Exists(UninstallerPath()) &&
               KeyExists(HKEY_CURRENT_USER, kUninstallKey) && Exists(ShortcutPath());
    };

    {
        // One setup program at a time: a second one says so (its box answered by /S) and ends with 2.
        ChildProcess gui;
        ASSERT_TRUE(gui.Start(setup));
        ASSERT_TRUE(WaitUntil([&] { return VisibleWindowOf(gui.pid()) != nullptr; }, 10000));
        EXPECT_EQ(RunAndWait(setup + L" /S", 30000), 2u);
        EXPECT_EQ(RunAndWait(L"\"" + UninstallerPath() + L"\" /S _?=" + InstallDir(), 30000), 2u);
        EXPECT_TRUE(unchanged());
    }

    {
        // An elevated one (an earlier version's) holds the name under a descriptor that refuses this one:
        // it is waited for all the same, and its end lets this one go on.
        UniqueKernelHandle elevated_setup = line::HoldRefusingMutex(kSetupMutexName);
        Seam seam(false);
        ChildProcess waiting;
        ASSERT_TRUE(waiting.Start(setup + L" /S"));
        ASSERT_TRUE(WaitUntil([] { return ShellStarts() == L"OneSetupAtATime|waits\r\n"; }, 10000));
        elevated_setup.reset();
        EXPECT_EQ(waiting.ExitCode(30000), 0u);
    }

    {
        // A copy running elevated, whose mutex refuses a normal start and the setup program, runs all the
        // same. Here nothing answers, as where UIPI keeps it from being reached: a normal start ends
        // quietly, and the setup program stops with 2 instead of writing over it.
        UniqueKernelHandle elevated_copy = line::HoldRefusingMutex(compat::kInstanceMutexName);
        ChildProcess second;
        ASSERT_TRUE(second.Start(L"\"" + InstalledExe() + L"\""));
        EXPECT_EQ(second.ExitCode(10000), 0u);
        EXPECT_EQ(RunAndWait(setup + L" /S"), 2u);
    }

    {
        // A file that cannot be written stops the upgrade with 2 instead of being skipped, and the copy
        // that was asked to quit runs again.
        Program copy(InstalledExe());
        ASSERT_TRUE(copy.Launch(L"hide"));
        const UniqueFile locked = HeldOpen(InstallDir() + L"\\adsl.ico");
        ASSERT_TRUE(locked);
        EXPECT_EQ(RunAndWait(setup + L" /S"), 2u);
        EXPECT_TRUE(copy.Exited(5000));
        Program restarted(InstalledExe());
        EXPECT_TRUE(restarted.Adopt(copy.pid()));
    }

    {
        // Run as administrator without /AllUsers: one box names the account it installs for; Cancel
        // leaves everything as it was.
        Seam seam(true);
        ChildProcess gui;
        ASSERT_TRUE(gui.Start(setup));
        const MessageBoxSeen box = WaitForMessageBox(gui.pid(), 10000);
        ASSERT_NE(box.window, nullptr);
        wchar_t user[256] = {};
        DWORD length = 256;
        ASSERT_TRUE(GetUserNameW(user, &length));
        EXPECT_NE(box.text.find(L"“" + std::wstring(user) + L"”"), std::wstring::npos)
            << WideToUtf8(box.text);
        EXPECT_NE(box.text.find(L"以管理员身份运行"), std::wstring::npos);
        PostMessageW(box.window, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(gui.ExitCode(10000), 1u);
        EXPECT_TRUE(unchanged());
    }

    // The uninstaller of this per-user install started elevated (as Settings → Apps does): where the
    // shell cannot start it as the desktop's user it refuses and changes nothing...
    const std::wstring elevated_uninstall = L"\"" + UninstallerPath() + L"\" /S _?=" + InstallDir();
    {
        Seam seam(true, L"none");
        EXPECT_EQ(RunAndWait(elevated_uninstall), 2u);
        EXPECT_TRUE(unchanged());
        EXPECT_EQ(ShellStarts(), L"");
    }
    // ...and otherwise hands over to the user's own uninstaller, which removes everything.
    {
        Seam seam(true);
        Program copy(InstalledExe());
        ASSERT_TRUE(copy.Launch(L"hide"));
        EXPECT_EQ(RunAndWait(elevated_uninstall), 0u);
        EXPECT_EQ(ShellStarts(), UninstallerPath() + L"| /S\r\n");
        EXPECT_TRUE(WaitUntil(
            [] { return !Exists(InstallDir()) && !KeyExists(HKEY_CURRENT_USER, kUninstallKey); }, 30000));
        EXPECT_FALSE(Exists(ShortcutPath()));
        ASSERT_TRUE(copy.Exited(5000));
        EXPECT_EQ(copy.ExitCode(), 0u);
    }
}

}  // namespace
}  // namespace vt::e2e
