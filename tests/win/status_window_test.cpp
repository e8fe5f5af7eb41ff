// The status view on real windows, skinned, read back as text: its rows from a snapshot, the refresh while
// it is shown and only then, one window, and Esc, its button and its close box closing it.
#include "app/status_window.h"

#include <gtest/gtest.h>

#include "base/handles.h"
#include "base/text.h"
#include "skin/skin_window.h"
#include "tests/win/pump.h"

namespace vt {
namespace {

std::string Text(HWND window, int control) {
    wchar_t text[512] = {};
    GetDlgItemTextW(window, control, text, 512);
    return WideToUtf8(text);
}

class StatusWindowTest : public testing::Test {
protected:
    void SetUp() override {
        line_.state = LineState::Connected;
        line_.details = {"100.64.3.4", "2408:8207::1", "WAN 微型端口 (PPPOE)",
                         LineCounters{11525, 1536, 36909875}};
        line_.last_failure = LastFailure{691, "账号或密码错误", "请核对。", {2026, 12, 7, 21, 10, 0}};
        // Skinned, as the program shows it: Esc must reach the button through the skin's procedure too.
        status_.SetSkinAttach([](HWND window) { SkinWindow(window); });
    }

    LineSnapshot line_;
    int reads_ = 0;
    StatusWindow status_{GetModuleHandleW(nullptr), [this] {
                             ++reads_;
                             return line_;
                         }};
};

TEST_F(StatusWindowTest, ShowsTheLineAndFollowsIt) {
    ASSERT_TRUE(status_.Open());
    HWND window = status_.hwnd();
    wchar_t caption[32] = {};
    GetWindowTextW(window, caption, 32);
    EXPECT_STREQ(caption, L"连接状态");
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_NE(GetPropA(GetDlgItem(window, StatusWindow::kCloseButton), "PROCADDR"), nullptr);
    const std::pair<int, std::string_view> rows[] = {
        {StatusWindow::kStateLabel, "状态："},
        {StatusWindow::kStateValue, "已连接"},
        {StatusWindow::kIpv4Label, "IPv4 地址："},
        {StatusWindow::kIpv4Value, "100.64.3.4（运营商内网）"},
        {StatusWindow::kIpv6Label, "IPv6 地址："},
        {StatusWindow::kIpv6Value, "2408:8207::1"},
        {StatusWindow::kDurationLabel, "连接时长："},
        {StatusWindow::kDurationValue, "3小时12分5秒"},
        {StatusWindow::kSentValue, "1.5 KB"},
        {StatusWindow::kReceivedValue, "35.2 MB"},
        {StatusWindow::kDeviceValue, "WAN 微型端口 (PPPOE)"},
        {StatusWindow::kFailureLabel, "本次运行的上次失败："},
        {StatusWindow::kFailureValue, "错误 691（2026-12-07 21:10:00）\r\n账号或密码错误。请核对。"},
        {StatusWindow::kCloseButton, "关闭"},
    };
    for (const auto& [control, text] : rows) EXPECT_EQ(Text(window, control), text) << control;

    // A second opening brings the same window forward.
    EXPECT_TRUE(status_.Open());
    EXPECT_EQ(status_.hwnd(), window);

    // The timer's refresh follows the line; a refused IPv6 takes its row away and the rows below move up.
    RECT before;
    GetWindowRect(window, &before);
    line_.details.ipv6.clear();
    line_.details.ipv4 = "58.60.1.2";
    line_.details.counters->duration_s = 11526;
    const int reads = reads_;
    for (int i = 0; i < 300 && reads_ == reads; ++i) {  // at most 3 s
        Pump();
        Sleep(10);
    }
    EXPECT_GT(reads_, reads);
    EXPECT_EQ(Text(window, StatusWindow::kIpv4Value), "58.60.1.2（公网）");
    EXPECT_EQ(Text(window, StatusWindow::kDurationValue), "3小时12分6秒");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, StatusWindow::kIpv6Value)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, StatusWindow::kIpv6Label)));
    RECT after;
    GetWindowRect(window, &after);
    EXPECT_EQ((before.bottom - before.top) - (after.bottom - after.top), 20);

    line_.state = LineState::NotConnected;
    status_.Refresh();
    EXPECT_EQ(Text(window, StatusWindow::kStateValue), "未连接");
    EXPECT_EQ(Text(window, StatusWindow::kIpv4Value), "—");

    // Minimised it reads nothing; restored it reads again at once and goes on.
    ShowWindow(window, SW_MINIMIZE);
    EXPECT_FALSE(KillTimer(window, StatusWindow::kRefreshTimer));
    const int minimised_reads = reads_;
    ShowWindow(window, SW_RESTORE);
    EXPECT_EQ(reads_, minimised_reads + 1);
    EXPECT_TRUE(KillTimer(window, StatusWindow::kRefreshTimer));
}

// Whether `control`'s whole text fits inside it, drawn as a static control of its styles draws it.
bool TextFits(HWND control) {
    const std::wstring text = Utf8ToWide(Text(GetParent(control), GetDlgCtrlID(control)));
    RECT inside, needed;
    GetClientRect(control, &inside);
    needed = inside;
    WindowDc dc(control);
    SelectGuard font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    DrawTextW(dc.get(), text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
    return needed.right <= inside.right && needed.bottom <= inside.bottom;
}

TEST_F(StatusWindowTest, TheLastFailureShowsItsWholeReasonAndLabel) {
    line_.last_failure->cause =
        "宽带服务器没有响应，可能是光猫或运营商的设备暂时出了问题，也可能是网线松动或光猫没有开机";
    line_.last_failure->next_step =
        "请检查网线和光猫的指示灯，把光猫关掉等一分钟再打开，然后重新连接；仍然不行请拨打运营商的客服电话。";
    ASSERT_TRUE(status_.Open());
    HWND window = status_.hwnd();
    EXPECT_TRUE(TextFits(GetDlgItem(window, StatusWindow::kFailureLabel)));
    EXPECT_TRUE(TextFits(GetDlgItem(window, StatusWindow::kFailureValue)));
    RECT value, client;
    GetWindowRect(GetDlgItem(window, StatusWindow::kFailureValue), &value);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&value), 2);
    GetClientRect(window, &client);
    EXPECT_LT(value.bottom, client.bottom);
}

TEST_F(StatusWindowTest, EscItsButtonAndItsCloseBoxCloseIt) {
    // Esc while the window has the keyboard, while its button has it, through the message loop's
    // translation, the button, and the caption's close box.
    const std::function<void(HWND)> closers[] = {
        [](HWND window) {
            SetForegroundWindow(window);
            Pump();
            ASSERT_EQ(GetFocus(), window);
            PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
        },
        [](HWND window) {
            SetFocus(GetDlgItem(window, StatusWindow::kCloseButton));
            PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
        },
        [this](HWND window) {
            const MSG msg = {GetDlgItem(window, StatusWindow::kDeviceValue), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
            EXPECT_TRUE(status_.PreTranslate(msg));
        },
        [](HWND window) { SendDlgItemMessageW(window, StatusWindow::kCloseButton, BM_CLICK, 0, 0); },
        [](HWND window) { SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    int round = 0;
    for (const auto& close : closers) {
        ASSERT_TRUE(status_.Open());
        HWND window = status_.hwnd();
        Pump();
        close(window);
        Pump();
        EXPECT_FALSE(IsWindow(window)) << "way " << round;
        EXPECT_FALSE(status_.IsOpen()) << "way " << round++;
    }
    // Once closed it reads nothing more.
    const int reads = reads_;
    const MSG msg = {nullptr, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_FALSE(status_.PreTranslate(msg));
    Sleep(1100);
    Pump();
    EXPECT_EQ(reads_, reads);
}

}  // namespace
}  // namespace vt
