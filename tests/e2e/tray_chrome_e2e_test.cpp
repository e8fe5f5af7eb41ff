// The tray menu, the about window and the window's own chrome on the real program. The tray icon is
// driven by the callback the shell itself sends (WM_MOUSEMOVE carrying the icon's mouse message); the
// menu by keys posted to it, as its modal loop reads them; the title-strip buttons and the drag by real
// pointer input.
#include <gtest/gtest.h>

#include "services/cipher.h"
#include "tests/e2e/e2e_support.h"

namespace vt::e2e {
namespace {

HWND FindVisibleMenu() {
    HWND menu = nullptr;
    WaitUntil(
        [&] {
            menu = FindWindowW(L"#32768", nullptr);
            return menu && IsWindowVisible(menu);
        },
        10000);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

void PressKeys(HWND menu, std::initializer_list<WORD> keys) {
    for (WORD key : keys) {
        PostMessageW(menu, WM_KEYDOWN, key, 0);
        PostMessageW(menu, WM_KEYUP, key, 0xC0000000);
        Sleep(150);
    }
}

BOOL CALLBACK CountAboutWindow(HWND window, LPARAM param) {
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    if (std::wstring(title) == L"关于Veltrane ..." && IsWindowVisible(window))
        ++*reinterpret_cast<int*>(param);
    return TRUE;
}

int CountAboutWindows() {
    int count = 0;
    EnumWindows(CountAboutWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

void MouseTo(int x, int y) {
    SetCursorPos(x, y);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
    Sleep(60);
}

void Button(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
    Sleep(120);
}

class TrayChromeE2e : public ::testing::Test {
protected:
    void SetUp() override {
        KillLeftovers();
        line::UsePrivateState(L"veltrane-e2e-tray.ini");
        ASSERT_TRUE(InstallProgram());
        DeleteFileW(SettingsPath().c_str());
        DeleteRunValueRaw();
        WritePrivateProfileStringW(L"Option", L"UserName", L"user", SettingsPath().c_str());
        const std::wstring cipher = line::ToWide(CP_UTF8, EncipherPassword("secret"));
        WritePrivateProfileStringW(L"Option", L"CipherText", cipher.c_str(), SettingsPath().c_str());
    }
    void TearDown() override {
        // A menu left open would keep the next copy's menu from showing.
        if (HWND menu = FindWindowW(L"#32768", nullptr)) PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        program_.Kill();
        KillLeftovers();
    }
    void StartConnected(bool connected) {
        line::State state;
        state.entries.push_back("Veltrane");
        if (connected) state.connected.push_back("Veltrane");
        state.dial = {line::DialMode::Connect, 3, 0};
        ASSERT_TRUE(line::Save(state));
        ASSERT_TRUE(program_.Start());
        ASSERT_TRUE(program_.WaitForWindow());
        ASSERT_TRUE(WaitUntil([&] { return program_.Visible(); }, 3000));
    }
    HWND OpenTrayMenu() {
        PostMessageW(program_.window(), WM_MOUSEMOVE, 0, WM_RBUTTONDOWN);
        return FindVisibleMenu();
    }
    POINT ClientToScreenPoint(int x, int y) {
        POINT pt = {x, y};
        ClientToScreen(program_.window(), &pt);
        return pt;
    }

    Program program_;
};

TEST_F(TrayChromeE2e, MenuConnectWhileConnectedOnlyTellsSo) {
    StartConnected(true);
    HWND menu = OpenTrayMenu();
    ASSERT_NE(menu, nullptr) << "the right button on the icon did not open the menu";
    PressKeys(menu, {VK_DOWN, VK_RIGHT, VK_RETURN});  // 网络控制 > 连接网络
    ASSERT_TRUE(MenuClosedAndHandled(program_.window()));
    EXPECT_TRUE(line::ReadDialLog().empty());
    EXPECT_TRUE(IsWindowEnabled(program_.Control(kBtnLog)));
    EXPECT_EQ(program_.Status(), L"");
}

// With no account stored the menu answers as the connect command does, instead of dialling an empty
// account with the label's initial text.
TEST_F(TrayChromeE2e, MenuConnectWithoutAnAccountAsksForOne) {
    DeleteFileW(SettingsPath().c_str());
    StartConnected(false);
    // Under load a key posted while the menu is still opening can be lost, and the menu then closes with
    // nothing chosen: choose again (nothing was done, so nothing is done twice).
    MessageBoxSeen box;
    for (int attempt = 0; attempt < 3 && !box.window; ++attempt) {
        HWND menu = OpenTrayMenu();
        ASSERT_NE(menu, nullptr);
        PressKeys(menu, {VK_DOWN, VK_RIGHT, VK_RETURN});  // 网络控制 > 连接网络
        box = WaitForMessageBox(program_.pid(), 3000);
        for (int i = 0; i < 3 && !box.window && IsWindowVisible(FindWindowW(L"#32768", nullptr)); ++i)
            PressKeys(FindWindowW(L"#32768", nullptr), {VK_ESCAPE});
    }
    ASSERT_NE(box.window, nullptr) << "the menu's connect showed no message";
    EXPECT_EQ(box.title, L"提示：");
    EXPECT_EQ(box.text, L"您还没有输入帐号或密码！");
    EXPECT_TRUE(AnswerMessageBox(box));
    ASSERT_TRUE(Settled(program_.window()));
    EXPECT_TRUE(line::ReadDialLog().empty());
    EXPECT_EQ(program_.Status(), L"");
    EXPECT_TRUE(IsWindowEnabled(program_.Control(kBtnLog)));
}

TEST_F(TrayChromeE2e, MenuConnectAndDisconnectDriveTheDialTool) {
    StartConnected(false);
    std::vector<line::DialStart> dials = line::WaitForDialStarts(1);  // the start-up dial
    ASSERT_EQ(dials.size(), 1u);
    ASSERT_TRUE(WaitUntil([&] { return program_.Status() == L"- 网络已连接"; }, 9000));

    HWND menu = OpenTrayMenu();
    ASSERT_NE(menu, nullptr);
    PressKeys(menu, {VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN});  // 网络控制 > 断开网络
    dials = line::WaitForDialStarts(2);
    ASSERT_EQ(dials.size(), 2u);
    EXPECT_EQ(dials[1].args, (std::vector<std::string>{"Veltrane", "/disconnect"}));
    EXPECT_TRUE(WaitUntil([] { return line::ConnectedEntries(line::Load()).empty(); }, 3000));

    menu = OpenTrayMenu();
    ASSERT_NE(menu, nullptr);
    PressKeys(menu, {VK_DOWN, VK_RIGHT, VK_RETURN});  // 连接网络
    dials = line::WaitForDialStarts(3);
    ASSERT_EQ(dials.size(), 3u);
    EXPECT_EQ(dials[2].args, (std::vector<std::string>{"Veltrane", "user", "secret"}));
    EXPECT_EQ(program_.Status(), L"- 正在拨号...");
    EXPECT_FALSE(IsWindowEnabled(program_.Control(kBtnLog)));
}

TEST_F(TrayChromeE2e, QuitWhileDialingEndsTheProgramAndLeavesTheDialGoingOn) {
    StartConnected(false);
    ASSERT_EQ(line::WaitForDialStarts(1).size(), 1u);
    ASSERT_EQ(program_.Status(), L"- 正在拨号...");
    // A key lost while the menu opens under load closes it with nothing chosen: choose again.
    for (int attempt = 0; attempt < 3 && !program_.Exited(0); ++attempt) {
        HWND menu = OpenTrayMenu();
        ASSERT_NE(menu, nullptr);
        PressKeys(menu, {VK_UP, VK_RETURN});  // the last item, 退出程序
        if (program_.Exited(3000)) break;
        for (int i = 0; i < 3 && IsWindowVisible(FindWindowW(L"#32768", nullptr)); ++i)
            PressKeys(FindWindowW(L"#32768", nullptr), {VK_ESCAPE});
    }
    ASSERT_TRUE(program_.Exited(0));
    EXPECT_EQ(program_.ExitCode(), 0u);
    EXPECT_EQ(FindMainWindow(), nullptr);
    // The dial the program started still completes on its own.
    EXPECT_TRUE(WaitUntil([] { return !line::ConnectedEntries(line::Load()).empty(); }, 6000));
}

TEST_F(TrayChromeE2e, TheAboutItemShowsOneAboutWindow) {
    StartConnected(true);
    for (int round = 0; round < 2; ++round) {
        HWND menu = OpenTrayMenu();
        ASSERT_NE(menu, nullptr);
        PressKeys(menu,
                  {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN});  // 帮助中心 > 关于Veltrane...
        EXPECT_TRUE(WaitUntil([] { return CountAboutWindows() == 1; }, 3000)) << "round " << round;
    }
    ASSERT_TRUE(MenuClosedAndHandled(program_.window()));
    EXPECT_EQ(CountAboutWindows(), 1);
}

TEST_F(TrayChromeE2e, CloseAndMinimiseHideToTheTrayAndTheIconRestores) {
    StartConnected(true);
    const POINT close_button = ClientToScreenPoint(312 + 12, 8 + 10);
    MouseTo(close_button.x, close_button.y);
    Button(MOUSEEVENTF_LEFTDOWN);
    Button(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(WaitUntil([&] { return !program_.Visible(); }, 3000))
        << "the close button did not hide the window";
    EXPECT_FALSE(program_.Exited(0));

    // The shell's left-button callback brings it back.
    PostMessageW(program_.window(), WM_MOUSEMOVE, 0, WM_LBUTTONDOWN);
    ASSERT_TRUE(WaitUntil([&] { return program_.Visible(); }, 3000));
    EXPECT_FALSE(IsIconic(program_.window()));

    const POINT mini_button = ClientToScreenPoint(283 + 12, 8 + 10);
    MouseTo(mini_button.x, mini_button.y);
    Button(MOUSEEVENTF_LEFTDOWN);
    Button(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(WaitUntil([&] { return !program_.Visible(); }, 3000))
        << "the minimise button did not hide the window";

    // A close request while it is already in the tray (another program, an installer) leaves it there:
    // no minimised bar appears, and the program keeps running.
    ASSERT_TRUE(IsIconic(program_.window()));
    SendMessageTimeoutW(program_.window(), WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, nullptr);
    ASSERT_TRUE(Settled(program_.window()));
    EXPECT_FALSE(program_.Visible()) << "a close request showed the hidden window";
    EXPECT_FALSE(program_.Exited(0));
    // And while shown, it only hides.
    PostMessageW(program_.window(), WM_MOUSEMOVE, 0, WM_LBUTTONDOWN);
    ASSERT_TRUE(WaitUntil([&] { return program_.Visible(); }, 3000));
    SendMessageTimeoutW(program_.window(), WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, nullptr);
    ASSERT_TRUE(Settled(program_.window()));
    EXPECT_FALSE(program_.Visible());
    EXPECT_FALSE(program_.Exited(0));

    // Still supervising while hidden: a dial watch runs and reports.
    line::Update([](line::State& s) { s.connected.clear(); });
    HWND menu = OpenTrayMenu();
    ASSERT_NE(menu, nullptr);
    PressKeys(menu, {VK_DOWN, VK_RIGHT, VK_RETURN});
    EXPECT_TRUE(WaitUntil([&] { return program_.Status() == L"- 网络已连接"; }, 10000));
    EXPECT_FALSE(program_.Visible());
}

TEST_F(TrayChromeE2e, LeftDragOnTheStatusMovesTheWindowARightDragDoesNot) {
    StartConnected(true);
    RECT before;
    GetWindowRect(program_.window(), &before);
    POINT status = ClientToScreenPoint(150, 20);
    MouseTo(status.x, status.y);
    Button(MOUSEEVENTF_RIGHTDOWN);
    for (int step = 1; step <= 5; ++step) MouseTo(status.x + step * 8, status.y + step * 6);
    Button(MOUSEEVENTF_RIGHTUP);
    RECT after_right;
    GetWindowRect(program_.window(), &after_right);
    EXPECT_EQ(after_right.left, before.left);
    EXPECT_EQ(after_right.top, before.top);

    MouseTo(status.x, status.y);
    Button(MOUSEEVENTF_LEFTDOWN);
    for (int step = 1; step <= 5; ++step) MouseTo(status.x + step * 8, status.y + step * 6);
    Button(MOUSEEVENTF_LEFTUP);
    RECT after_left;
    WaitUntil(
        [&] {
            GetWindowRect(program_.window(), &after_left);
            return after_left.left != before.left;
        },
        2000);
    EXPECT_EQ(after_left.left - before.left, 40);
    EXPECT_EQ(after_left.top - before.top, 30);
}

}  // namespace
}  // namespace vt::e2e
