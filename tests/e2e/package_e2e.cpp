// The setup program and the uninstaller of the package, run silently under Wine in a fresh prefix, with
// the installed program driven on the simulated line in between. The stand-in phonebook library and dial
// tool are not in the package: this test puts them into the system folder itself, as Wine lacks both.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace vt::e2e {
namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veltrane";

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

// Starts `command` and returns its exit code, or ~0u when it did not start or end in time.
DWORD RunAndWait(std::wstring command, DWORD timeout_ms = 60000) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return ~0u;
    DWORD code = ~0u;
    if (WaitForSingleObject(process.hProcess, timeout_ms) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::string FileBytes(const std::wstring& path) {
    std::string bytes;
    line::ReadWholeFile(path, bytes);
    return bytes;
}
bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

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
    EXPECT_EQ(FilesIn(InstallDir()), (std::vector<std::wstring>{L"Veltrane.exe", L"adsl.ico", L"uninstall.exe"}));
    EXPECT_EQ(FileBytes(InstalledExe()), FileBytes(TopFolder() + L"\\Veltrane.exe"));
    const std::string icon = FileBytes(TopFolder() + L"\\adsl.ico");
    EXPECT_EQ(FileBytes(InstallDir() + L"\\adsl.ico"), icon);
    EXPECT_TRUE(SameText(LinkTarget(ShortcutPath()), InstalledExe())) << line::WideToUtf8(LinkTarget(ShortcutPath()));
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
    ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\rasapi32.dll").c_str(), (std::wstring(system) + L"\\rasapi32.dll").c_str(),
                          FALSE));
    ASSERT_TRUE(line::InstallDialTool());
    line::Update([](line::State& s) { s.dial = {line::DialMode::Connect, 1, 0}; });
    StoreAccount(L"宽带用户", "pass word");
    Program first(InstalledExe());
    ASSERT_TRUE(first.Launch(L"hide"));
    std::vector<line::DialStart> dials = line::WaitForDialStarts(1);
    ASSERT_EQ(dials.size(), 1u);
    EXPECT_EQ(dials[0].args, (std::vector<std::string>{"Veltrane", "宽带用户", "pass word"}));
    EXPECT_TRUE(WaitUntil([&] { return first.Status() == L"- 网络已连接"; }, 9000));
    // "开机启动" writes the Run value that the uninstaller must remove.
    SendMessageW(first.Control(kCheck1), BM_CLICK, 0, 0);
    const std::wstring run_value = L"\"" + InstalledExe() + L"\" hide";
    ASSERT_TRUE(WaitUntil([&] { return ReadRunValueRaw() == run_value; }, 3000)) << line::WideToUtf8(ReadRunValueRaw());

    // A second silent install over the running program: the copy quits cleanly (exit code 0 is the
    // tray menu's way out, which removes the tray icon), every file is written again, and the settings
    // file stays byte for byte. (Wine lets a running program's file be overwritten, Windows does not:
    // the copy's exit is the proof that it was asked.)
    const std::string settings = FileBytes(SettingsPath());
    ASSERT_FALSE(settings.empty());
    ASSERT_TRUE(line::WriteWholeFile(InstallDir() + L"\\adsl.ico", "stale", false));
    // A copy that hangs cannot be asked: the setup program gives up with exit code 2 and changes nothing.
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(first.window(), nullptr));
    ASSERT_NE(thread, nullptr);
    SuspendThread(thread);
    const DWORD hung_setup = RunAndWait(L"\"" + SetupPath() + L"\" /S");
    ResumeThread(thread);
    CloseHandle(thread);
    EXPECT_EQ(hung_setup, 2u);
    EXPECT_EQ(FileBytes(InstallDir() + L"\\adsl.ico"), "stale");
    EXPECT_FALSE(first.Exited(0));
    ASSERT_EQ(RunAndWait(L"\"" + SetupPath() + L"\" /S"), 0u);
    ASSERT_TRUE(first.Exited(5000));
    EXPECT_EQ(first.ExitCode(), 0u);
    EXPECT_EQ(FindMainWindow(), nullptr);
    EXPECT_EQ(FileBytes(InstallDir() + L"\\adsl.ico"), icon);
    EXPECT_EQ(FileBytes(InstalledExe()), FileBytes(TopFolder() + L"\\Veltrane.exe"));
    EXPECT_EQ(FileBytes(SettingsPath()), settings);
    EXPECT_EQ(ReadRunValueRaw(), run_value);

    // The upgraded program runs; a silent uninstall quits it and removes everything but the settings
    // file and the phonebook entry.
    Program second(InstalledExe());
    ASSERT_TRUE(second.Launch(L"hide"));
    EXPECT_TRUE(WaitUntil([&] { return second.Checked(kCheck1); }, 3000));
    Sleep(500);  // the load sequence's last writes
    const std::string settings_before_uninstall = FileBytes(SettingsPath());
    // The uninstaller copies itself to the temporary folder and runs from there, so wait for its work.
    ASSERT_EQ(RunAndWait(RegText(L"QuietUninstallString")), 0u);
    EXPECT_TRUE(WaitUntil([] { return !Exists(InstallDir()) && !KeyExists(HKEY_CURRENT_USER, kUninstallKey); }, 30000));
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
    ASSERT_EQ(RunAndWait(RegText(L"QuietUninstallString") + L" /RemoveSettings"), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !Exists(InstallDir()) && !Exists(SettingsPath()) && !Exists(redirected); },
                          30000));
    CoUninitialize();
}

}  // namespace
}  // namespace vt::e2e
