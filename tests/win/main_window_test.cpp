// The Win32 main window on real windows: its shape and controls and the keys of the two boxes, with MainFrm
// driven by quiet stand-in services. Closing to the tray, the tray callback, the option boxes and the hidden
// start are the end-to-end cases' (tests/e2e), on the real program.
#include "app/main_window.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/main_frm.h"
#include "skin/skin_window.h"
#include "tests/win/pump.h"
#include "tests/win/quiet_services.h"
#include "tray/tray_icon.h"

namespace vt {
namespace {

using test::QuietServices;

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitCommonControls();
        ASSERT_TRUE(window_.Create());
        window_.SetBehaviour(&frm_);
    }
    void Load() {
        frm_.OnLoad();
        Pump();
    }
    HWND Picture() { return GetDlgItem(window_.hwnd(), MainWindow::kPicture1); }
    HWND Control(int id) { return GetDlgItem(Picture(), id); }

    QuietServices services_;
    MainWindow window_{GetModuleHandleW(nullptr)};
    MainFrm frm_{services_, window_};
};

TEST_F(MainWindowTest, IsABorderlessTranslucentToolWindowOfTheDesignedSize) {
    // First run: no stored account, so the window shows.
    Load();
    HWND hwnd = window_.hwnd();
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 340);
    EXPECT_EQ(client.bottom, 263);
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const LONG_PTR ex_style = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_NE(ex_style & WS_EX_TOOLWINDOW, 0) << "must not show a task-bar button";
    EXPECT_NE(ex_style & WS_EX_LAYERED, 0);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(hwnd, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 220);
    EXPECT_EQ(flags & LWA_ALPHA, static_cast<DWORD>(LWA_ALPHA));
    EXPECT_TRUE(IsWindowVisible(hwnd));
    // Centred on the screen.
    RECT frame;
    GetWindowRect(hwnd, &frame);
    EXPECT_NEAR(frame.left + frame.right, GetSystemMetrics(SM_CXSCREEN), 2);
    EXPECT_NEAR(frame.top + frame.bottom, GetSystemMetrics(SM_CYSCREEN), 2);
}

TEST_F(MainWindowTest, ControlsHaveTheirClassesPlacesAndTabOrder) {
    Load();
    EXPECT_EQ(ClassOf(window_.hwnd()), L"Form");
    EXPECT_EQ(ClassOf(Control(MainWindow::kStartWithWindowsBox)), L"ThunderCheckBox");
    EXPECT_EQ(ClassOf(Control(MainWindow::kRedialOnDropBox)), L"ThunderCheckBox");
    EXPECT_EQ(ClassOf(Control(MainWindow::kBtnLog)), L"Button");
    RECT r;
    GetWindowRect(Control(MainWindow::kBtnLog), &r);
    MapWindowPoints(nullptr, window_.hwnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 240);
    EXPECT_EQ(r.top, 224);
    EXPECT_EQ(r.right - r.left, 73);
    wchar_t caption[16] = {};
    GetWindowTextW(Control(MainWindow::kBtnLog), caption, 16);
    EXPECT_STREQ(caption, L"连 接");
    EXPECT_EQ(SendMessageW(Control(MainWindow::kPassText), EM_GETPASSWORDCHAR, 0, 0), 0x25CF);

    // Tab walks account, password, connect, the two options.
    const int order[] = {MainWindow::kUserText, MainWindow::kPassText, MainWindow::kBtnLog,
                         MainWindow::kStartWithWindowsBox, MainWindow::kRedialOnDropBox};
    HWND current = Control(order[0]);
    for (int i = 1; i < 5; ++i) {
        current = GetNextDlgTabItem(window_.hwnd(), current, FALSE);
        EXPECT_EQ(GetDlgCtrlID(current), order[i]) << "tab stop " << i;
    }
}

TEST_F(MainWindowTest, EnterMovesOnFromTheAccountAndConnectsFromThePassword) {
    Load();
    SetFocus(Control(MainWindow::kUserText));
    SetWindowTextW(Control(MainWindow::kUserText), L"user");
    SendMessageW(Control(MainWindow::kUserText), WM_CHAR, VK_RETURN, 0);
    EXPECT_EQ(GetFocus(), Control(MainWindow::kPassText));
    SetWindowTextW(Control(MainWindow::kPassText), L"pw");
    SendMessageW(Control(MainWindow::kPassText), WM_CHAR, VK_RETURN, 0);
    ASSERT_EQ(services_.dials.size(), 1u);
    EXPECT_EQ(services_.dials[0], "user|pw");
    wchar_t text[32] = {};
    GetWindowTextW(Control(MainWindow::kPassText), text, 32);
    EXPECT_STREQ(text, L"Mirekoda");
    // The status is readable from outside as the background's text.
    GetWindowTextW(Picture(), text, 32);
    EXPECT_STREQ(text, L"- 正在拨号...");
    EXPECT_FALSE(IsWindowEnabled(Control(MainWindow::kBtnLog)));
}

// The unload on the program's own chain of window procedures: the skin over the window's own procedure.
// Each leaves in reverse order, so the window's own procedure sees WM_NCDESTROY and lets go of the
// handle, which may soon name another window.
TEST(MainWindowUnload, TheChainUnwindsAndTheWindowLetsGoOfItsHandle) {
    InitCommonControls();
    QuietServices services;
    MainWindow window(GetModuleHandleW(nullptr));
    ASSERT_TRUE(window.Create());
    window.SetSkinAttach([](HWND hwnd) { SkinWindow(hwnd); });
    MainFrm frm(services, window);
    window.SetBehaviour(&frm);
    frm.OnLoad();
    Pump();
    const HWND hwnd = window.hwnd();
    ASSERT_NE(hwnd, nullptr);
    DestroyWindow(hwnd);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(frm.Unloaded());
    EXPECT_EQ(window.hwnd(), nullptr) << "WM_NCDESTROY never reached the main window's procedure";
}

}  // namespace
}  // namespace vt
