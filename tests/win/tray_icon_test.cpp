// The tray icon record, its balloons and the taskbar watch, against the real shell calls of Wine.
#include "tray/tray_icon.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

namespace vt {
namespace {

std::wstring TestFolder() {
    wchar_t self[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L'\\'));
}

int g_plain_messages = 0;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_APP + 7) {
        ++g_plain_messages;
        return 42;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

class TrayIcon : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = CountingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TrayIconTestWindow";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, L"TrayIconTestWindow", L"tray test", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        icon_path_ = TestFolder() + L"\\adsl.ico";
    }
    void TearDown() override {
        RemoveTrayIcon();
        UninstallTaskbarWatch(window_);
        DestroyWindow(window_);
    }
    HWND window_ = nullptr;
    std::wstring icon_path_;
};

TEST_F(TrayIcon, AddFillsTheRecordWithTheCallbackIconAndTip) {
    ASSERT_TRUE(AddTrayIcon(window_, icon_path_, L"Veltrane"));
    TrayRecordView record = CurrentTrayRecord();
    EXPECT_EQ(record.size, static_cast<DWORD>(NOTIFYICONDATAW_V2_SIZE));
    EXPECT_EQ(record.window, window_);
    EXPECT_EQ(record.flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(record.callback, 0x200u);
    EXPECT_NE(record.icon, nullptr);
    EXPECT_EQ(record.tip, L"Veltrane");
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(record.icon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 16);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

TEST_F(TrayIcon, TextsLongerThanTheirFieldsAreCut) {
    AddTrayIcon(window_, icon_path_, std::wstring(300, L'提'));
    EXPECT_EQ(CurrentTrayRecord().tip, std::wstring(127, L'提'));
    ShowBalloon(window_, std::wstring(400, L'a'), std::wstring(100, L'b'), kBalloonInfo);
    TrayRecordView record = CurrentTrayRecord();
    EXPECT_EQ(record.balloon_text, std::wstring(255, L'a'));
    EXPECT_EQ(record.balloon_title, std::wstring(63, L'b'));
}

TEST_F(TrayIcon, BalloonKeepsWhatTheAddSet) {
    AddTrayIcon(window_, icon_path_, L"Veltrane");
    HICON icon = CurrentTrayRecord().icon;
    EXPECT_TRUE(ShowBalloon(window_, L"网络已连接！", L"提示：", kBalloonInfo));
    TrayRecordView record = CurrentTrayRecord();
    EXPECT_EQ(record.flags, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(record.balloon_flags, 1u);
    EXPECT_EQ(record.balloon_text, L"网络已连接！");
    EXPECT_EQ(record.balloon_title, L"提示：");
    EXPECT_EQ(record.icon, icon);
    EXPECT_EQ(record.tip, L"Veltrane");
    EXPECT_EQ(record.callback, 0x200u);
}

TEST_F(TrayIcon, AMissingIconFileStillAddsTheIconWithoutAnImage) {
    AddTrayIcon(window_, TestFolder() + L"\\no-such.ico", L"Veltrane");
    EXPECT_EQ(CurrentTrayRecord().icon, nullptr);
    EXPECT_EQ(CurrentTrayRecord().tip, L"Veltrane");
}

TEST_F(TrayIcon, TaskbarRestartAddsTheIconAgainAndFreesTheOldHandle) {
    AddTrayIcon(window_, icon_path_, L"Veltrane");
    HICON first = CurrentTrayRecord().icon;
    InstallTaskbarWatch(window_, icon_path_, L"Veltrane");
    ASSERT_NE(TaskbarCreatedMessage(), 0u);
    EXPECT_EQ(SendMessageW(window_, TaskbarCreatedMessage(), 0, 0), -1);
    HICON second = CurrentTrayRecord().icon;
    EXPECT_NE(second, nullptr);
    EXPECT_NE(second, first);
    ICONINFO info{};
    EXPECT_FALSE(GetIconInfo(first, &info)) << "the replaced icon handle was not freed";
    // Every other message still reaches the window's own procedure.
    EXPECT_EQ(SendMessageW(window_, WM_APP + 7, 0, 0), 42);
    EXPECT_EQ(g_plain_messages, 1);
    // Put back at unload.
    UninstallTaskbarWatch(window_);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window_, GWLP_WNDPROC)), &CountingProc);
    EXPECT_EQ(SendMessageW(window_, TaskbarCreatedMessage(), 0, 0), 0);
}

TEST_F(TrayIcon, RemoveFreesTheIcon) {
    AddTrayIcon(window_, icon_path_, L"Veltrane");
    HICON icon = CurrentTrayRecord().icon;
    RemoveTrayIcon();
    EXPECT_EQ(CurrentTrayRecord().icon, nullptr);
    ICONINFO info{};
    EXPECT_FALSE(GetIconInfo(icon, &info));
}

}  // namespace
}  // namespace vt
