// The dial watch and the redial supervision, run on the fake clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/main_frm_fakes.h"

namespace vt::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(MainFrmDialWatch, ADialThatConnectsByTickOneTwoOrThreeEndsTheWatchThere) {
    for (int tick = 1; tick <= 3; ++tick) {
        Rig rig;
        rig.LoadConnected();
        rig.frm.OnMenuItem(TrayMenuItem::Connect);
        const std::int64_t up_at = tick * 5000 - 100;
        rig.services.connected = [&rig, up_at] { return rig.view.now >= up_at; };
        rig.view.Advance(tick * 5000 - 1);
        EXPECT_EQ(rig.view.status, "- 正在拨号...") << tick;
        EXPECT_FALSE(rig.view.connect_enabled) << tick;
        rig.view.Advance(1);
        EXPECT_EQ(rig.view.status, "- 网络已连接") << tick;
        EXPECT_TRUE(rig.view.connect_enabled) << tick;
        EXPECT_FALSE(rig.view.timer(FrmTimer::DialWatch).on) << tick;
        EXPECT_EQ(rig.Count("IsEntryConnected Veltrane"), 1 + tick) << tick;
        rig.view.Advance(60000);
        EXPECT_EQ(rig.Count("IsEntryConnected Veltrane"), 1 + tick) << tick;  // the watch is over
    }
}

TEST(MainFrmDialWatch, ADialThatNeverConnectsFailsAfterThreeTicks) {
    Rig rig;
    rig.LoadConnected();
    rig.frm.OnConnectClicked();
    rig.log.clear();
    rig.view.Advance(10000);
    EXPECT_EQ(rig.view.status, "- 正在拨号...");
    rig.view.Advance(5000);
    EXPECT_THAT(rig.log, ElementsAre("IsEntryConnected Veltrane", "IsEntryConnected Veltrane",
                                     "IsEntryConnected Veltrane", "EnableConnect", "StopTimer DialWatch",
                                     "SetStatusText - 拨号失败", "ShowLineState Veltrane - 未连接"));
    EXPECT_TRUE(rig.view.connect_enabled);
    EXPECT_FALSE(rig.view.timer(FrmTimer::DialWatch).on);
}

TEST(MainFrmSupervision, LinkUpAndFirstProbeAnswersDoesNothing) {
    Rig rig;
    rig.LoadConnected(true, false);
    rig.view.Advance(22000);
    EXPECT_THAT(rig.log, ElementsAre("IsEntryConnected Veltrane", "ProbeInternet https://probe-one.test/"));
}

TEST(MainFrmSupervision, FirstProbeFailsSecondAnswersDoesNothing) {
    Rig rig;
    rig.LoadConnected(true, false);
    rig.services.probe = [](std::string_view url) { return url.starts_with("http:"); };
    rig.view.Advance(22000);
    EXPECT_THAT(rig.log, ElementsAre("IsEntryConnected Veltrane", "ProbeInternet https://probe-one.test/",
                                     "ProbeInternet http://probe-two.test/"));
    EXPECT_EQ(rig.services.hang_ups, 0);
    EXPECT_THAT(rig.services.dials, IsEmpty());
}

// The redial waits for the line's release, asked first half a second after the hang-up.
TEST(MainFrmSupervision, BothProbesFailHangsUpThenDials) {
    Rig rig;
    rig.LoadConnected(true, false);
    rig.services.probe = [](std::string_view) { return false; };
    rig.view.Advance(22000);
    EXPECT_THAT(rig.log, ElementsAre("IsEntryConnected Veltrane", "ProbeInternet https://probe-one.test/",
                                     "ProbeInternet http://probe-two.test/", "LaunchHangUp", "DisableConnect",
                                     "SetStatusText - 正在拨号...", "StopTimer DialWatch",
                                     "StartTimer HangUpWait 500", "ShowLineState Veltrane - 正在拨号……"));
    rig.view.Advance(500);
    EXPECT_EQ(rig.services.dials.size(), 1u);
    EXPECT_TRUE(rig.view.timer(FrmTimer::DialWatch).on);
}

// The line takes a while to come down: the redial waits for the hang-up's tool to end and for the system
// to stop listing the connection, 10 s at most.
TEST(MainFrmSupervision, TheRedialStartsOnceTheLineIsReleasedOrAfterTenSeconds) {
    for (bool ends : {true, false}) {
        Rig rig;
        rig.LoadConnected(true, false);
        rig.services.probe = [](std::string_view) { return false; };
        rig.services.hang_up_run = {ToolRun::State::Running, 0};
        // Still listed for a second after its tool has ended.
        rig.services.listed = [&rig] { return rig.view.now < 22000 + 2500; };
        rig.view.Advance(22000);
        EXPECT_EQ(rig.services.hang_ups, 1);
        EXPECT_EQ(rig.view.status, "- 正在拨号...");
        EXPECT_FALSE(rig.view.connect_enabled);
        EXPECT_FALSE(rig.view.timer(FrmTimer::DialWatch).on);
        rig.view.Advance(ends ? 1500 : 9999);
        EXPECT_THAT(rig.services.dials, IsEmpty()) << ends;
        if (ends) rig.services.hang_up_run = {ToolRun::State::Ended, 0};
        if (ends) rig.view.Advance(500);
        EXPECT_THAT(rig.services.dials, IsEmpty()) << ends;
        rig.view.Advance(ends ? 500 : 1);
        ASSERT_EQ(rig.services.dials.size(), 1u) << ends;
        EXPECT_FALSE(rig.view.timer(FrmTimer::HangUpWait).on);
        // The watch counts from the dial itself.
        EXPECT_EQ(rig.view.timer(FrmTimer::DialWatch).due, rig.view.now + 5000);
    }
}

// The boxes may change while a dial waits for the line: the held dial is checked as any dial is.
TEST(MainFrmSupervision, AHeldDialIsRefusedWhenTheAccountChangedMeanwhile) {
    Rig rig;
    rig.LoadConnected(true, false);
    rig.services.probe = [](std::string_view) { return false; };
    rig.services.hang_up_run = {ToolRun::State::Running, 0};
    rig.view.Advance(22000);
    rig.view.account = "/disconnect";
    rig.services.hang_up_run = {ToolRun::State::Ended, 0};
    rig.view.Advance(500);
    EXPECT_THAT(rig.services.dials, IsEmpty());
    ASSERT_EQ(rig.view.messages.size(), 1u);
    EXPECT_TRUE(rig.view.connect_enabled);
    EXPECT_EQ(rig.view.status, "- 拨号失败");
    EXPECT_FALSE(rig.view.timer(FrmTimer::HangUpWait).on);
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

TEST(MainFrmSupervision, LinkDownDialsEveryTickAndTheStatusAlternates) {
    Rig rig;
    rig.LoadConnected(true);
    rig.view.Advance(22000);
    EXPECT_EQ(rig.services.dials.size(), 1u);
    EXPECT_THAT(rig.services.probed, IsEmpty());
    EXPECT_EQ(rig.services.hang_ups, 0);
    rig.view.Advance(15000);
    EXPECT_EQ(rig.view.status, "- 拨号失败");
    rig.view.Advance(7000);
    EXPECT_EQ(rig.services.dials.size(), 2u);
    EXPECT_EQ(rig.view.status, "- 正在拨号...");
}

// The redial dials with the account box's text, which may have been changed without a connect command.
TEST(MainFrmSupervision, AnAccountChangedToOneTheDialToolWouldMisreadIsNotDialled) {
    Rig rig;
    rig.LoadConnected(true);
    rig.view.account = "/disconnect";
    rig.view.Advance(22000);
    EXPECT_THAT(rig.services.dials, IsEmpty());
    ASSERT_EQ(rig.view.messages.size(), 1u);
    EXPECT_FALSE(rig.view.timer(FrmTimer::DialWatch).on);
    rig.view.account = "user01";
    rig.view.Advance(22000);
    EXPECT_EQ(rig.services.dials.size(), 1u);
}

// The status follows the line: a slow dial that connects after its watch is shown by the next tick.
TEST(MainFrmSupervision, ASlowDialThatConnectsLaterIsShownConnectedByTheNextTick) {
    Rig rig;
    rig.LoadConnected(true);
    rig.view.Advance(22000 + 15000);
    ASSERT_EQ(rig.view.status, "- 拨号失败");
    rig.services.SetConnected(true);
    rig.view.Advance(7000);
    EXPECT_EQ(rig.view.status, "- 网络已连接");
    EXPECT_EQ(rig.services.dials.size(), 1u);
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

TEST(MainFrmSupervision, UntickingTheOptionStopsIt) {
    Rig rig;
    rig.LoadConnected(true, false);
    rig.frm.OnOptionChanged(OptionBox::RedialOnDrop, false);
    EXPECT_FALSE(rig.view.timer(FrmTimer::Supervision).on);
    EXPECT_EQ(rig.services.Setting("DiscRedial"), "0");
    rig.log.clear();
    rig.view.Advance(100000);
    EXPECT_THAT(rig.log, IsEmpty());
}

// A connection that received traffic since the last tick (the first: since it was seen up) works: no page is
// asked. A counter that stood still, barely moved (the provider's keep-alives), went back (a new connection),
// wrapped or was not known the time before shows nothing, and the line is probed as before.
TEST(MainFrmSupervision, OnlyALineWithoutTrafficIsProbed) {
    Rig rig;
    rig.services.received = [] { return std::optional<unsigned long>(0); };  // as start-up finds the line up
    rig.LoadConnected(true, false);
    struct Tick {
        std::optional<unsigned long> received;
        bool probed;
    };
    const Tick ticks[] = {{1000, false},         {900000, false}, {900000, true},       {900300, true},
                          {5000000, false},      {200, true},     {std::nullopt, true}, {90000, true},
                          {4294967000ul, false}, {100000, true}};
    for (const Tick& tick : ticks) {
        rig.services.received = [&tick] { return tick.received; };
        const std::size_t before = rig.services.probed.size();
        rig.view.Advance(22000);
        EXPECT_EQ(rig.services.probed.size() > before, tick.probed) << tick.received.value_or(0);
    }
    EXPECT_THAT(rig.services.dials, IsEmpty());
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

// A night with sleeps and a pulled cable, as the system tells it.
TEST(MainFrmSystemEvents, ADropAsleepWaitsForTheWakeAndAWakeThatSettlesTellsNothing) {
    Rig rig;
    rig.LoadConnected(true, false);
    rig.services.balloons.clear();
    rig.frm.OnSuspend();
    rig.services.SetConnected(false);
    rig.frm.OnConnectionEnded();
    rig.view.Advance(22000);  // the tick that fires on waking, before the resume is told
    EXPECT_THAT(rig.services.dials, IsEmpty());
    // The first dial races the adapter and fails; the next connects within the wake's first seconds.
    rig.services.next_dial_run = {ToolRun::State::Ended, 651};
    rig.frm.OnResume();
    EXPECT_EQ(rig.services.dials.size(), 1u);
    rig.view.Advance(5000);
    EXPECT_EQ(rig.view.status, "- 拨号失败 (651)");
    rig.services.next_dial_run = {};
    rig.services.on_dial = [&rig] { rig.services.SetConnected(true); };
    rig.view.Advance(22000);
    EXPECT_EQ(rig.view.status, "- 网络已连接");
    EXPECT_THAT(rig.BalloonTexts(), IsEmpty());
    // A wake whose dials keep failing tells its first failure once the wake has settled.
    rig.frm.OnSuspend();
    rig.services.SetConnected(false);
    rig.services.on_dial = nullptr;
    rig.services.next_dial_run = {ToolRun::State::Ended, 651};
    rig.frm.OnResume();
    rig.view.Advance(60000);
    EXPECT_THAT(rig.BalloonTexts(), ElementsAre(::testing::HasSubstr("651")));
}

TEST(MainFrmSystemEvents, WithTheCableOutNothingDialsItIsToldOnceAndItsReturnDialsAtOnce) {
    Rig rig;
    rig.LoadConnected(true, false);
    rig.services.balloons.clear();
    rig.services.link = Link::Down;
    rig.frm.OnLinkChanged();  // still connected: the drop that follows tells
    rig.services.SetConnected(false);
    rig.frm.OnConnectionEnded();
    rig.view.Advance(5 * 22000);
    EXPECT_THAT(rig.services.dials, IsEmpty());
    EXPECT_EQ(rig.view.status, "- 网线未连接");
    EXPECT_THAT(rig.BalloonTexts(), ElementsAre(::testing::HasSubstr("接好后程序会自动拨号")));
    rig.services.link = Link::Up;
    rig.frm.OnLinkChanged();
    EXPECT_EQ(rig.services.dials.size(), 1u);
    EXPECT_EQ(rig.view.status, "- 正在拨号...");
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
