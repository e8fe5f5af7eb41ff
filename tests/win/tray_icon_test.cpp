// The tray icon object against a shell as strict as the documented one, and against Wine's.
#include "tray/tray_icon.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

namespace vt {
namespace {

std::wstring TestFolder() {
    wchar_t self[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L'\\'));
}

class TrayWindow : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TrayIconTestWindow";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, L"TrayIconTestWindow", L"tray test", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        icon_path_ = TestFolder() + L"\\adsl.ico";
    }
    void TearDown() override { DestroyWindow(window_); }
    HWND window_ = nullptr;
    std::wstring icon_path_;
};

// The shell's icons by (window, id): an add of an icon that is there fails, and so do a change or a
// delete of one that is not, and every call while there is no taskbar.
struct ShownIcon {
    HICON icon = nullptr;
    std::wstring tip, balloon;
    UINT version = 0;
};
struct {
    bool taskbar = true;
    int calls = 0;
    std::map<std::pair<HWND, UINT>, ShownIcon> icons;
} g_shell;

BOOL WINAPI StrictShell(DWORD message, PNOTIFYICONDATAW data) {
    ++g_shell.calls;
    if (!g_shell.taskbar) return FALSE;
    auto key = std::pair{data->hWnd, data->uID};
    auto it = g_shell.icons.find(key);
    if (message == NIM_ADD && it != g_shell.icons.end()) return FALSE;
    if (message == NIM_ADD) it = g_shell.icons.emplace(key, ShownIcon{}).first;
    if (it == g_shell.icons.end()) return FALSE;
    if (message == NIM_DELETE) g_shell.icons.erase(it);
    if (message == NIM_SETVERSION) it->second.version = data->uVersion;
    if (message != NIM_ADD && message != NIM_MODIFY) return TRUE;
    if (data->uFlags & NIF_ICON) it->second.icon = data->hIcon;
    if (data->uFlags & NIF_TIP) it->second.tip = data->szTip;
    if (data->uFlags & NIF_INFO) it->second.balloon = data->szInfo;
    return TRUE;
}

vt::TrayIcon* g_tray = nullptr;
LRESULT CALLBACK ForwardingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (g_tray && g_tray->HandleMessage(message)) return 0;
    return DefWindowProcW(window, message, wparam, lparam);
}

class TrayIconObject : public TrayWindow {
protected:
    void SetUp() override {
        TrayWindow::SetUp();
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForwardingProc));
        resources_ = LoadLibraryExW((TestFolder() + L"\\veltrane_res_probe.dll").c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(resources_, nullptr);
        g_shell = {};
    }
    void TearDown() override {
        g_tray = nullptr;
        FreeLibrary(resources_);
        TrayWindow::TearDown();
    }
    const ShownIcon& Shown() { return g_shell.icons[{window_, kTrayIconId}]; }
    HMODULE resources_ = nullptr;
};

// At logon the taskbar may come after the program: the icon comes with it, showing what was asked
// meanwhile, or at the next tick of the dialer. Then the shell hears only of changes.
TEST_F(TrayIconObject, ComesWithTheTaskbarOrTheNextTickAndTellsTheShellOnlyOfChanges) {
    for (bool by_taskbar : {true, false}) {
        SCOPED_TRACE(by_taskbar ? "TaskbarCreated" : "Tick");
        g_shell = {};
        g_shell.taskbar = false;
        vt::TrayIcon tray(window_, resources_, icon_path_, &StrictShell);
        g_tray = &tray;
        tray.SetState(TrayState::Dialling, L"Veltrane - 正在拨号…");
        EXPECT_FALSE(tray.Show());
        tray.ShowBalloon(L"正在自动拨号中，请稍后......", L"提示：", kBalloonInfo);
        tray.SetState(TrayState::Connected, L"Veltrane - 已连接 3小时12分");
        g_shell.taskbar = true;
        if (by_taskbar)
            EXPECT_EQ(SendMessageW(window_, tray.taskbar_created_message(), 0, 0), 0);
        else
            tray.Tick();
        EXPECT_TRUE(tray.present());
        EXPECT_EQ(Shown().tip, L"Veltrane - 已连接 3小时12分");
        EXPECT_EQ(Shown().icon, tray.icon());
        EXPECT_EQ(Shown().balloon, L"正在自动拨号中，请稍后......");
        EXPECT_EQ(Shown().version, 3u);
        // Texts longer than the record's fields are cut to them.
        tray.ShowBalloon(std::wstring(400, L'a'), L"提示：", kBalloonInfo);
        EXPECT_EQ(Shown().balloon, std::wstring(255, L'a'));
        tray.SetState(TrayState::Connected, std::wstring(300, L'提'));
        EXPECT_EQ(Shown().tip, std::wstring(127, L'提'));
        tray.SetState(TrayState::Connected, L"Veltrane - 已连接 3小时12分");
        const int calls = g_shell.calls;
        tray.Tick();
        tray.SetState(TrayState::Connected, L"Veltrane - 已连接 3小时12分");
        tray.HandleMessage(WM_SETTINGCHANGE);  // the small-icon size is the same
        EXPECT_EQ(g_shell.calls, calls) << "nothing changed, nothing called";
        // Explorer restarted unheard: the next change fails, and the next tick adds the icon again.
        g_shell.icons.clear();
        tray.SetState(TrayState::NotConnected, L"Veltrane - 未连接 (651)");
        EXPECT_FALSE(tray.present());
        tray.Tick();
        EXPECT_EQ(Shown().tip, L"Veltrane - 未连接 (651)");
        EXPECT_EQ(Shown().icon, tray.icon());
        g_tray = nullptr;
    }
    EXPECT_TRUE(g_shell.icons.empty()) << "the object takes its icon down";
}

// Under Wine an icon outlives "TaskbarCreated", so the add fails: the icon is there all the same. Its
// size is the small-icon size at the taskbar's DPI. A copy of this test runs at 144 DPI (150 %), read at
// a process's start, while the taskbar of Wine's Explorer, started before, still draws at 96 DPI: the
// copy's own metrics then say 24 pixels, and the icon must still be the taskbar's 16. On Windows the
// same happens the other way round when the scale changes before the subscriber signs out again.
TEST_F(TrayIconObject, WinesShellKeepsTheIconAtTheTaskbarsSmallIconSize) {
    const bool at_150 = GetEnvironmentVariableW(L"VELTRANE_TRAY_AT_150", nullptr, 0) != 0;
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), at_150 ? 24 : 16);
    vt::TrayIcon tray(window_, resources_, icon_path_);
    g_tray = &tray;
    for (TrayState state :
         {TrayState::Program, TrayState::NotConnected, TrayState::Dialling, TrayState::Connected}) {
        tray.SetState(state, L"Veltrane");
        ASSERT_TRUE(tray.Show());
        SendMessageW(window_, tray.taskbar_created_message(), 0, 0);
        EXPECT_TRUE(tray.present());
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(tray.icon(), &info));
        BITMAP bitmap{};
        GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
        EXPECT_EQ(bitmap.bmWidth, 16);
        EXPECT_EQ(bitmap.bmHeight, 16);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    if (at_150) return;
    auto reg = [](const std::wstring& verb, const std::wstring& rest) {
        return _wsystem(
            (L"reg " + verb + L" \"HKCU\\Control Panel\\Desktop\" /v LogPixels " + rest + L" >nul 2>&1")
                .c_str());
    };
    ASSERT_NE(reg(L"query", L""), 0) << "the prefix has a DPI of its own to put back";
    _wputenv(L"VELTRANE_TRAY_AT_150=1");
    reg(L"add", L"/t REG_DWORD /d 144 /f");
    // The build folders hold no spaces.
    const int code = _wsystem((TestFolder() + L"\\win_tests.exe --gtest_filter=TrayIconObject." +
                               L"WinesShellKeepsTheIconAtTheTaskbarsSmallIconSize")
                                  .c_str());
    reg(L"delete", L"/f");
    _wputenv(L"VELTRANE_TRAY_AT_150=");
    EXPECT_EQ(code, 0) << "at 144 DPI";
}

}  // namespace
}  // namespace vt
