// What the dialer tells of the line outside its window, on the fake clock: the dial log's line for each
// event, the tray's tip, the status view's snapshot and the diagnostics text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dial_failure.h"
#include "tests/unit/main_frm_fakes.h"

namespace vt::testing {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;
using State = ToolRun::State;

// Each event of MainFrm and the log lines it adds (after their times). The line is "user01"'s, connected
// since the load with the redial option unless a row says otherwise.
TEST(MainFrmLog, EachEventWritesItsLines) {
    const std::string drop_figures = "，已发送 1.0 KB，已接收 4.0 KB";
    const std::string dial = "拨号（自动重拨），宽带账号尾号 r01";
    const std::string own_dial = "拨号（用户操作），宽带账号尾号 r01";
    // The line was seen up at the load: the dial finds it gone.
    const std::string found_down = "断线（检查线路时发现），本次连接 0秒" + drop_figures;
    struct Row {
        const char* what;
        std::function<void(Rig&)> arrange, act;
        std::vector<std::string> lines;
    };
    auto connected = [](bool redial, bool then_down) {
        return [=](Rig& rig) { rig.LoadConnected(redial, then_down); };
    };
    const Row rows[] = {
        {"a start by the subscriber without an account on a line already up, and its end",
         [](Rig& rig) { rig.services.SetConnected(true); },
         [](Rig& rig) {
             rig.frm.OnLoad();
             rig.services.SetConnected(false);
             rig.frm.OnConnectionEnded();
         },
         {"启动 Veltrane 9.0.0，Windows 10.0.19045，由用户启动",
          "已连接，IPv4 100.64.3.4（运营商内网），IPv6 无",
          "断线（Windows 报告连接已断开），本次连接 0秒" + drop_figures}},
        {"the hidden start at logon dials on its own",
         [](Rig& rig) {
             rig.StoreAccount("user01", "pw");
             rig.services.args = "hide";
         },
         [](Rig& rig) { rig.frm.OnLoad(); },
         {"启动 Veltrane 9.0.0，Windows 10.0.19045，登录 Windows 时自动启动",
          "拨号（启动后自动拨号），宽带账号尾号 r01"}},
        {"the setup program's quit and its restart",
         [](Rig& rig) {
             rig.StoreAccount("user01", "pw");
             rig.Load();
         },
         [](Rig& rig) {
             rig.frm.OnDdeExecute("Veltrane.Setup.Quit");
             rig.services.args = "hide";
             MainFrm(rig.services, rig.view).OnLoad();
         },
         {"退出：安装程序或卸载程序要求退出",
          "启动 Veltrane 9.0.0，Windows 10.0.19045，安装程序更新后重新启动",
          "拨号（启动后自动拨号），宽带账号尾号 r01"}},
        {"the Restart Manager's close and its restart",
         [](Rig& rig) { rig.Load(); },
         [](Rig& rig) {
             rig.frm.OnEndSession(true);
             rig.services.args = "hide";
             MainFrm(rig.services, rig.view).OnLoad();
         },
         {"退出：Windows 重启管理器要求关闭（其它程序安装时）",
          "启动 Veltrane 9.0.0，Windows 10.0.19045，Windows 重启管理器在其它程序安装后重新启动"}},
        {"a refusal stops redialling at once when the dial was the subscriber's",
         connected(true, true),
         [](Rig& rig) {
             rig.services.next_dial_run = {State::Ended, 691};
             rig.frm.OnMenuItem(TrayMenuItem::Connect);
             rig.view.Advance(5000);
         },
         {found_down, own_dial, "拨号失败（错误 691）：" + DialFailureCause(691),
          "停止自动重拨：错误 691，等待用户重新连接"}},
        {"a dial the watch gives up on",
         connected(false, true),
         [](Rig& rig) {
             rig.services.next_dial_run = {State::Running, 0};
             rig.frm.OnMenuItem(TrayMenuItem::Connect);
             rig.view.Advance(15000);
         },
         {found_down, own_dial, "拨号超时，尚未连接"}},
        {"a drop the system tells, with the figures of the supervision's last look",
         connected(true, false),
         [](Rig& rig) {
             rig.services.received = [] { return std::optional<unsigned long>(5ul << 20); };
             rig.view.Advance(3600 * 1000);
             rig.services.SetConnected(false);
             rig.frm.OnConnectionEnded();
         },
         {"断线（Windows 报告连接已断开），本次连接 1小时0分0秒，已发送 1.0 KB，已接收 5.0 MB", dial}},
        {"the program's own hang-up after failed pages, a dead proxy named",
         connected(true, false),
         [](Rig& rig) {
             rig.services.probe = [](std::string_view) { return false; };
             rig.services.paths = {"127.0.0.1:7890", true, false, false};
             rig.view.Advance(22000);
         },
         {"网页探测：系统代理 127.0.0.1:7890 无法连接（代理软件可能已退出）",
          "网页无法访问，本程序挂断线路并重拨，本次连接 22秒" + drop_figures}},
        {"a dead proxy before a working path is named, and the line kept",
         connected(true, false),
         [](Rig& rig) {
             rig.services.probe = [](std::string_view) { return false; };
             rig.services.paths = {"127.0.0.1:7890", true, true};
             rig.view.Advance(22000);
         },
         {"网页探测：网络已连接，但系统代理 127.0.0.1:7890 无法连接（代理软件可能已退出）"}},
        {"the subscriber's hang-up is no drop",
         connected(true, false),
         [](Rig& rig) {
             rig.frm.OnMenuItem(TrayMenuItem::Disconnect);
             rig.services.SetConnected(false);
             rig.frm.OnConnectionEnded();
         },
         {"用户断开连接"}},
        {"sleep, and a wake that finds the line gone",
         connected(true, false),
         [](Rig& rig) {
             rig.frm.OnSuspend();
             rig.services.SetConnected(false);
             rig.frm.OnResume();
         },
         {"系统进入睡眠", "系统从睡眠中唤醒", "断线（唤醒后发现），本次连接 0秒" + drop_figures, dial}},
        {"the cable pulled and put back",
         [](Rig& rig) {
             rig.services.link = Link::Up;
             rig.services.link_adapter = "以太网";
             rig.LoadConnected(true, false);
         },
         [](Rig& rig) {
             rig.services.link = Link::Down;
             rig.frm.OnLinkChanged();
             rig.services.SetConnected(false);
             rig.frm.OnConnectionEnded();
             rig.services.link = Link::Up;
             rig.frm.OnLinkChanged();
         },
         {"网卡连接断开（网线未连接或光猫未开机）：以太网",
          "断线（Windows 报告连接已断开），本次连接 0秒" + drop_figures, "网卡连接恢复：以太网", dial}},
        {"another copy supervises: told once",
         connected(true, true),
         [](Rig& rig) {
             rig.services.supervises = false;
             rig.view.Advance(3 * 22000);
         },
         {"另一个 Veltrane（其他 Windows 用户的，或以管理员身份运行的）负责自动重拨，本程序不自动重拨"}},
        {"another connection pauses redialling until it ends",
         connected(true, true),
         [](Rig& rig) {
             rig.services.next_dial_run = {State::Ended, 813};
             rig.services.other_connected = true;
             rig.view.Advance(22000 + 5000);
             rig.services.other_connected = false;
             rig.frm.OnConnectionEnded();
         },
         {"断线（检查线路时发现），本次连接 22秒" + drop_figures, dial,
          "拨号失败（错误 813）：" + DialFailureCause(813),
          "暂停自动重拨：另一个宽带连接正在使用这条线路（错误 813）", "恢复自动重拨", dial}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Rig rig;
        row.arrange(rig);
        const std::size_t before = rig.services.LogLines().size();
        row.act(rig);
        const std::vector<std::string> lines = rig.services.LogLines();
        EXPECT_THAT(
            std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()),
            ElementsAreArray(row.lines));
    }
}

// The tip follows the line and says the cause that holds now (a pulled cable takes an older number's
// place for good), its duration brought up to date when the pointer rests on the icon; the status view and
// the diagnostics tell the line, this run's last failure and the log, and never the secrets.
TEST(MainFrmLineTexts, TheTipTheStatusViewAndTheDiagnosticsTellTheLineAndNoSecret) {
    Rig rig;
    rig.StoreAccount("07551234567", "s3cret-Pa55");
    rig.services.next_dial_run = {State::Ended, 651};
    rig.Load();  // the start-up dial fails
    rig.view.Advance(5000);
    EXPECT_EQ(rig.services.tray_states.back().second, "Veltrane - 未连接（错误 651）");
    for (const auto& [link, tip] : {std::pair(Link::Up, "Veltrane - 未连接（错误 651）"),
                                    std::pair(Link::Down, "Veltrane - 未连接（网线未连接）"),
                                    std::pair(Link::Up, "Veltrane - 未连接")}) {
        rig.services.link = link;
        rig.frm.OnLinkChanged();
        EXPECT_EQ(rig.services.tray_states.back().second, tip);
    }
    rig.services.SetConnected(true);
    rig.services.up_since = rig.view.now;
    rig.frm.OnMenuItem(TrayMenuItem::Connect);
    EXPECT_EQ(rig.services.tray_states.back(),
              std::pair(LineState::Connected, std::string("Veltrane - 已连接 不到1分钟")));
    rig.view.Advance((3 * 60 + 12) * 60000);
    rig.frm.OnTrayCallback(MainFrm::kTrayMouseMove);
    EXPECT_EQ(rig.services.tray_states.back().second, "Veltrane - 已连接 3小时12分钟");

    rig.frm.OnMenuItem(TrayMenuItem::Status);
    rig.frm.OnStatusDoubleClick();
    EXPECT_EQ(rig.view.status_views, 2);
    const StatusTexts view = StatusViewTexts(rig.frm.Snapshot());
    EXPECT_EQ(view.state, "已连接");
    EXPECT_EQ(view.ipv4, "100.64.3.4（运营商内网）");
    EXPECT_EQ(view.duration, "3小时12分0秒");
    EXPECT_EQ(view.failure, "错误 651（2026-12-07 21:00:05）\r\n" + DialFailureReason(651));

    rig.frm.OnMenuItem(TrayMenuItem::CopyDiagnostics);
    ASSERT_EQ(rig.services.clipboard.size(), 1u);
    const std::string& text = rig.services.clipboard[0];
    for (const char* part :
         {"版本：9.0.0\r\n", "系统：Windows 10.0.19045\r\n", "宽带账号：尾号 4567\r\n",
          "断网重拨：关；开机启动：关\r\n", "PPPoE 设备：WAN Miniport (PPPOE)\r\n",
          "网卡“以太网”（有线）：网线已连接\r\n", "宽带连接：已连接 3小时12分0秒\r\n",
          "IPv4：100.64.3.4（运营商内网）\r\n",
          "本次运行的上次失败：错误 651（2026-12-07 21:00:05）：光猫或线路没有响应\r\n",
          "拨号（用户操作），宽带账号尾号 4567\r\n", "拨号失败（错误 651）：光猫或线路没有响应\r\n"})
        EXPECT_THAT(text, HasSubstr(part));
    for (const char* secret : {"s3cret-Pa55", "enc(s3cret-Pa55)", "07551234567"}) {
        EXPECT_THAT(text, Not(HasSubstr(secret)));
        EXPECT_THAT(rig.services.log_file->text, Not(HasSubstr(secret)));
    }
    rig.services.clipboard_free = false;
    rig.frm.OnMenuItem(TrayMenuItem::CopyDiagnostics);
    const std::vector<std::string> balloons = rig.BalloonTexts();
    ASSERT_GE(balloons.size(), 2u);  // one balloon per copy
    EXPECT_THAT(balloons[balloons.size() - 2], HasSubstr("诊断信息已复制"));
    EXPECT_THAT(balloons.back(), HasSubstr("未能复制"));
}

}  // namespace
}  // namespace vt::testing
