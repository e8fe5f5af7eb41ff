// The dial watch and the redial supervision, run on the fake clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/main_frm_fakes.h"

namespace vt::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// The second page is asked only when the first fails, and the line is hung up only when both fail; the
// redial then waits for the line's release, asked first half a second after the hang-up.
TEST(MainFrmSupervision, BothPagesMustFailForAHangUpAndTheRedialWaitsForTheRelease) {
    const std::string one = "ProbeInternet https://probe-one.test/",
                      two = "ProbeInternet http://probe-two.test/";
    const struct {
        bool first, second;
        std::vector<std::string> log;
    } rows[] = {
        {true, false, {"IsEntryConnected Veltrane", one}},
        {false, true, {"IsEntryConnected Veltrane", one, two}},
        {false,
         false,
         {"IsEntryConnected Veltrane", one, two, "LaunchHangUp", "DisableConnect",
          "SetStatusText - 正在拨号...", "StopTimer DialWatch", "StartTimer HangUpWait 500",
          "ShowLineState Veltrane - 正在拨号……"}},
    };
    for (const auto& row : rows) {
        Rig rig;
        rig.LoadConnected(true, false);
        rig.services.probe = [&row](std::string_view url) {
            return url.starts_with("https:") ? row.first : row.second;
        };
        rig.view.Advance(22000);
        EXPECT_EQ(rig.log, row.log) << row.first << row.second;
        rig.view.Advance(500);
        const bool redialled = !row.first && !row.second;
        EXPECT_EQ(rig.services.dials.size(), redialled ? 1u : 0u) << row.first << row.second;
        EXPECT_EQ(rig.view.timer(FrmTimer::DialWatch).on, redialled) << row.first << row.second;
    }
}

TEST(MainFrmSupervision, ConnectRightAfterADisconnectWaitsForItToo) {
    Rig rig;
    rig.LoadConnected(false, false);
    rig.frm.OnMenuItem(TrayMenuItem::Disconnect);
    rig.services.hang_up_run = {ToolRun::State::Running, 0};
    rig.services.SetConnected(false);  // closing reads as not connected
    rig.frm.OnMenuItem(TrayMenuItem::Connect);
    rig.frm.OnConnectClicked();  // a second request while the first waits starts nothing more
    EXPECT_THAT(rig.services.dials, IsEmpty());
    rig.services.hang_up_run = {ToolRun::State::Ended, 0};
    rig.view.Advance(500);
    EXPECT_EQ(rig.services.dials.size(), 1u);
    rig.view.Advance(5000);
    EXPECT_EQ(rig.services.dials.size(), 1u);
}

// The redial dials with the account box's text, which may have changed without a connect command: at the
// tick, or while a dial waits for the line's release, which checks it as any dial does.
TEST(MainFrmSupervision, AnAccountChangedToOneTheDialToolWouldMisreadIsNotDialled) {
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "held for the release" : "at the tick");
        Rig rig;
        rig.LoadConnected(true, !held);
        rig.services.probe = [](std::string_view) { return false; };
        rig.services.hang_up_run = {ToolRun::State::Running, 0};
        if (!held) rig.view.account = "/disconnect";
        rig.view.Advance(22000);
        rig.view.account = "/disconnect";
        rig.services.hang_up_run = {ToolRun::State::Ended, 0};
        rig.services.SetConnected(false);  // the hang-up has ended the line
        rig.view.Advance(500);
        EXPECT_THAT(rig.services.dials, IsEmpty());
        ASSERT_EQ(rig.view.messages.size(), 1u);
        EXPECT_TRUE(rig.view.connect_enabled);
        EXPECT_EQ(rig.view.status, "- 拨号失败");
        EXPECT_FALSE(rig.view.timer(FrmTimer::DialWatch).on);
        EXPECT_FALSE(rig.view.timer(FrmTimer::HangUpWait).on);
        rig.view.account = "user01";
        rig.view.Advance(22000);
        EXPECT_EQ(rig.services.dials.size(), 1u);
    }
}

TEST(MainFrmSupervision, DisconnectFromTheMenuIsRedialledByTheNextTick) {
    Rig rig;
    rig.LoadConnected(true, false);
    rig.frm.OnMenuItem(TrayMenuItem::Disconnect);
    EXPECT_EQ(rig.services.hang_ups, 1);
    EXPECT_THAT(rig.log, ElementsAre("LaunchHangUp", "ShowLineState Veltrane - 未连接"));  // nothing else
    rig.services.SetConnected(false);
    rig.view.Advance(22000);
    EXPECT_EQ(rig.services.dials.size(), 1u);
}

// The probe lets other handlers run; these drive MainFrm from inside it.
TEST(MainFrmSupervisionReentry, AnotherTickDuringTheProbeDoesNothing) {
    Rig rig;
    rig.LoadConnected(true, false);
    int nested = 0;
    rig.services.probe = [&](std::string_view) {
        if (nested++ == 0) rig.frm.OnSupervisionTick();
        return false;
    };
    rig.view.Advance(22500);
    EXPECT_EQ(rig.services.probed.size(), 2u);  // only the outer tick probed
    EXPECT_EQ(rig.services.hang_ups, 1);
    EXPECT_EQ(rig.services.dials.size(), 1u);
    EXPECT_EQ(rig.Count("IsEntryConnected Veltrane"), 1);
    // The guard is released afterwards: the next tick supervises again.
    rig.services.probe = [](std::string_view) { return true; };
    rig.view.Advance(22000);
    EXPECT_EQ(rig.services.probed.size(), 3u);
}

TEST(MainFrmSupervisionReentry, QuitDuringTheProbeEndsTheTickWithoutTouchingTheWindow) {
    for (int probe_index = 0; probe_index < 2; ++probe_index) {
        Rig rig;
        rig.LoadConnected(true, false);
        int calls = 0;
        rig.services.probe = [&](std::string_view) {
            if (calls++ == probe_index) rig.frm.OnMenuItem(TrayMenuItem::Exit);
            return false;
        };
        rig.view.Advance(22000);
        EXPECT_TRUE(rig.frm.Unloaded()) << probe_index;
        EXPECT_EQ(rig.view.calls_after_destroy, 0) << probe_index;
        EXPECT_EQ(rig.services.probed.size(), static_cast<size_t>(probe_index + 1)) << probe_index;
        EXPECT_EQ(rig.services.hang_ups, 0) << probe_index;
        EXPECT_THAT(rig.services.dials, IsEmpty()) << probe_index;
        EXPECT_FALSE(rig.services.tray_icon) << probe_index;
        // Ticks and clicks that were already queued do nothing either.
        rig.frm.OnSupervisionTick();
        rig.frm.OnDialWatchTick();
        rig.frm.OnConnectClicked();
        rig.frm.OnTrayCallback(513);
        EXPECT_EQ(rig.view.calls_after_destroy, 0) << probe_index;
        EXPECT_THAT(rig.services.dials, IsEmpty()) << probe_index;
    }
}

TEST(MainFrmSupervisionReentry, ConnectAndWatchTicksDuringTheProbeRunAndTheTickGoesOn) {
    Rig rig;
    rig.LoadConnected(true, false);
    rig.view.account = "user01";
    rig.view.password = "Mirekoda";
    bool first = true;
    rig.services.probe = [&](std::string_view) {
        if (first) {
            first = false;
            rig.frm.OnConnectClicked();  // connected: balloon and save only
            rig.frm.OnDialWatchTick();
            rig.frm.OnTrayCallback(516);
        }
        return false;
    };
    rig.view.Advance(22500);
    EXPECT_EQ(rig.view.popups, 1);
    EXPECT_EQ(rig.services.hang_ups, 1);  // the tick kept its own decision
    EXPECT_EQ(rig.services.dials.size(), 1u);
    EXPECT_EQ(rig.view.calls_after_destroy, 0);
}

}  // namespace
}  // namespace vt::testing

namespace vt::testing {
namespace {

// Whose dial it is decides what a refusal does: the subscriber's stops at once (they are there to correct
// the account), an automatic one is retried later. Every way a dial can start is a row.
TEST(MainFrmDialOrigin, WhereADialComesFromDecidesWhatARefusalDoes) {
    struct Case {
        const char* how;
        bool subscriber;
        std::function<void(Rig&)> dial;
    };
    const auto start = [](const char* args) {
        return [args](Rig& rig) {
            rig.StoreAccount("user01", "pw");
            rig.services.settings["Option/DiscRedial"] = "1";
            rig.services.args = args;
            rig.Load();
        };
    };
    const Case cases[] = {
        {"the button", true, [](Rig& rig) { rig.frm.OnConnectClicked(); }},
        {"Enter", true, [](Rig& rig) { rig.frm.OnPasswordEnter(); }},
        {"the tray menu", true, [](Rig& rig) { rig.frm.OnMenuItem(TrayMenuItem::Connect); }},
        {"a visible start", true, start("")},
        {"the hidden start", false, start("hide")},
        {"the supervision", false, [](Rig& rig) { rig.view.Advance(22000); }},
        {"a drop", false, [](Rig& rig) { rig.frm.OnConnectionEnded(); }},
        {"a wake", false,
         [](Rig& rig) {
             rig.frm.OnSuspend();
             rig.frm.OnResume();
         }},
        {"the cable's return", false,
         [](Rig& rig) {
             rig.services.link = Link::Down;
             rig.frm.OnLinkChanged();
             rig.services.link = Link::Up;
             rig.frm.OnLinkChanged();
         }},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.services.next_dial_run = {ToolRun::State::Ended, 691};
        if (c.how != std::string_view("a visible start") && c.how != std::string_view("the hidden start")) {
            rig.LoadConnected(true);
            rig.view.password = "Mirekoda";
        }
        c.dial(rig);
        rig.view.Advance(5000);
        EXPECT_EQ(rig.services.dials.size(), 1u) << c.how;
        EXPECT_EQ(rig.view.status, c.subscriber ? "- 已停止重拨 (691)" : "- 拨号失败 (691)") << c.how;
    }
}

// What MainFrm shows for each of the session's decisions (the policy itself is the session's table): the
// status, the connect button, the timers, the balloons of the event and the tray's state, and what the tool
// was asked.
TEST(MainFrmCarries, EachDecisionHasItsVisibleEffect) {
    using A = std::function<void(Rig&)>;
    const A up_with_option = [](Rig& rig) { rig.LoadConnected(true, false); };
    const A drop = [](Rig& rig) {
        rig.services.SetConnected(false);
        rig.frm.OnConnectionEnded();
    };
    struct Row {
        const char* decision;
        A arrange, act;
        std::string status;
        bool button, dial_watch, hang_up_wait;
        std::vector<std::string> balloons;  // what each balloon of the event says, in part
        LineState tray;
        int dials, hang_ups;
    };
    const Row rows[] = {
        {"launch: a drop redialled", up_with_option, drop, "- 正在拨号...", false, true, false, {},
         LineState::Dialling, 1, 0},
        {"connected: the watch finds the line up", [](Rig& rig) { rig.LoadConnected(); },
         [](Rig& rig) {
             rig.services.on_dial = [&rig] { rig.services.SetConnected(true); };
             rig.frm.OnConnectClicked();
             rig.view.Advance(5000);
         },
         "- 网络已连接", true, false, false, {"正在自动拨号"}, LineState::Connected, 1, 0},
        {"failed with a number, told once, the redial to come",
         [](Rig& rig) {
             rig.LoadConnected(true, false);
             rig.services.next_dial_run = {ToolRun::State::Ended, 651};
         },
         [&drop](Rig& rig) {
             drop(rig);
             rig.view.Advance(5000);
         },
         "- 拨号失败 (651)", true, false, false, {"651"}, LineState::NotConnected, 1, 0},
        {"failed and stopped: the subscriber's refusal",
         [](Rig& rig) {
             rig.LoadConnected(true);
             rig.services.next_dial_run = {ToolRun::State::Ended, 691};
         },
         [](Rig& rig) {
             rig.frm.OnConnectClicked();
             rig.view.Advance(5000);
         },
         "- 已停止重拨 (691)", true, false, false, {"正在自动拨号", "已停止自动重拨"}, LineState::NotConnected, 1,
         0},
        {"failed without a number: the watch ran out", [](Rig& rig) { rig.LoadConnected(); },
         [](Rig& rig) {
             rig.frm.OnConnectClicked();
             rig.view.Advance(15000);
         },
         "- 拨号失败", true, false, false, {"正在自动拨号"}, LineState::NotConnected, 1, 0},
        {"no link: told once, nothing dialled",
         [](Rig& rig) {
             rig.LoadConnected(true, false);
             rig.services.link = Link::Down;
         },
         [&drop](Rig& rig) {
             drop(rig);
             rig.view.Advance(3 * 22000);
         },
         "- 网线未连接", true, false, false, {"接好后程序会自动拨号"}, LineState::NotConnected, 0, 0},
        {"down with nothing to dial", [](Rig& rig) { rig.LoadConnected(false, false); }, drop, "- 网络已断开",
         true, false, false, {}, LineState::NotConnected, 0, 0},
        {"hang up and redial: nothing answers",
         [](Rig& rig) {
             rig.LoadConnected(true, false);
             rig.services.probe = [](std::string_view) { return false; };
             rig.services.listed = [] { return true; };
         },
         [](Rig& rig) { rig.view.Advance(22000); }, "- 正在拨号...", false, false, true, {}, LineState::Dialling,
         0, 1},
        {"pages fail behind a dead proxy: the line kept, the proxy named",
         [](Rig& rig) {
             rig.LoadConnected(true, false);
             rig.services.probe = [](std::string_view) { return false; };
             rig.services.paths = {"127.0.0.1:7890", true, true, false};
         },
         // The status is left as the start found the line: no dial, no hang-up.
         [](Rig& rig) { rig.view.Advance(22000); }, "", true, false, false, {"系统代理 127.0.0.1:7890"},
         LineState::Connected, 0, 0},
        {"reconnected after a told outage",
         [](Rig& rig) {
             rig.LoadConnected(true, false);
             rig.services.next_dial_run = {ToolRun::State::Ended, 651};
             rig.services.SetConnected(false);
             rig.frm.OnConnectionEnded();
             rig.view.Advance(5000);
             rig.services.next_dial_run = {};
             rig.services.on_dial = [&rig] { rig.services.SetConnected(true); };
         },
         [](Rig& rig) { rig.view.Advance(22000); }, "- 网络已连接", true, false, false, {"网络已重新连接。"},
         LineState::Connected, 1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.decision);
        Rig rig;
        row.arrange(rig);
        rig.services.balloons.clear();
        const std::size_t dials = rig.services.dials.size();
        const int hang_ups = rig.services.hang_ups;
        row.act(rig);
        EXPECT_EQ(rig.view.status, row.status);
        EXPECT_EQ(rig.view.connect_enabled, row.button);
        EXPECT_EQ(rig.view.timer(FrmTimer::DialWatch).on, row.dial_watch);
        EXPECT_EQ(rig.view.timer(FrmTimer::HangUpWait).on, row.hang_up_wait);
        const std::vector<std::string> balloons = rig.BalloonTexts();
        ASSERT_EQ(balloons.size(), row.balloons.size());
        for (std::size_t i = 0; i < balloons.size(); ++i) EXPECT_THAT(balloons[i], HasSubstr(row.balloons[i]));
        ASSERT_FALSE(rig.services.tray_states.empty());
        EXPECT_EQ(rig.services.tray_states.back().first, row.tray);
        EXPECT_EQ(rig.services.dials.size() - dials, static_cast<std::size_t>(row.dials));
        EXPECT_EQ(rig.services.hang_ups - hang_ups, row.hang_ups);
    }
}

// The watch on connections that could not start is started again by the next supervision tick.
TEST(MainFrmSystemEvents, TheConnectionWatchIsStartedAgainAfterItFailed) {
    Rig rig;
    rig.services.watch_can_start = false;
    rig.LoadConnected(true, false);
    EXPECT_EQ(rig.services.watch_starts, 0);
    rig.services.watch_can_start = true;
    rig.view.Advance(22000);
    EXPECT_EQ(rig.services.watch_starts, 1);
    rig.view.Advance(22000);
    EXPECT_EQ(rig.services.watch_starts, 1);
}

}  // namespace
}  // namespace vt::testing
