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
        rig.frm.OnMenuItem(TrayMenuItem::Link);
        const std::int64_t up_at = tick * 5000 - 100;
        rig.services.connected = [&rig, up_at] { return rig.view.now >= up_at; };
        rig.view.Advance(tick * 5000 - 1);
        EXPECT_EQ(rig.view.status, "- 正在拨号...") << tick;
        EXPECT_FALSE(rig.view.connect_enabled) << tick;
        rig.view.Advance(1);
        EXPECT_EQ(rig.view.status, "- 网络已连接") << tick;
        EXPECT_TRUE(rig.view.connect_enabled) << tick;
        EXPECT_FALSE(rig.view.timer(FrmTimer::DialWatch).on) << tick;
        EXPECT_EQ(rig.frm.WatchCountdown(), 4 - tick) << tick;
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
    EXPECT_EQ(rig.frm.WatchCountdown(), 1);
    EXPECT_EQ(rig.view.status, "- 正在拨号...");
    rig.view.Advance(5000);
    EXPECT_THAT(rig.log, ElementsAre("IsEntryConnected Veltrane", "IsEntryConnected Veltrane",
                                     "IsEntryConnected Veltrane", "EnableConnect", "StopTimer DialWatch",
                                     "SetStatusText - 拨号失败"));
    EXPECT_EQ(rig.frm.WatchCountdown(), 0);
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

TEST(MainFrmSupervision, BothProbesFailHangsUpThenDials) {
    Rig rig;
    rig.LoadConnected(true, false);
    rig.services.probe = [](std::string_view) { return false; };
    rig.view.Advance(22000);
    EXPECT_THAT(rig.log, ElementsAre("IsEntryConnected Veltrane", "ProbeInternet https://probe-one.test/",
                                     "ProbeInternet http://probe-two.test/", "LaunchHangUp", "DisableConnect",
                                     "LaunchDial user01,pw", "SetStatusText - 正在拨号...",
                                     "StartTimer DialWatch 5000"));
    EXPECT_EQ(rig.frm.WatchCountdown(), 3);
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
    rig.frm.OnMenuItem(TrayMenuItem::Link);
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

TEST(MainFrmSupervision, ASlowDialThatConnectsLaterKeepsTheFailedStatus) {
    Rig rig;
    rig.LoadConnected(true);
    rig.view.Advance(22000 + 15000);
    ASSERT_EQ(rig.view.status, "- 拨号失败");
    rig.services.SetConnected(true);
    rig.view.Advance(7000);  // next supervision tick: link up, probe answers
    EXPECT_EQ(rig.view.status, "- 拨号失败");
    EXPECT_EQ(rig.services.dials.size(), 1u);
}

TEST(MainFrmSupervision, DisconnectFromTheMenuIsRedialledByTheNextTick) {
    Rig rig;
    rig.LoadConnected(true, false);
    rig.frm.OnMenuItem(TrayMenuItem::Disconnect);
    EXPECT_EQ(rig.services.hang_ups, 1);
    EXPECT_THAT(rig.log, ElementsAre("LaunchHangUp"));  // nothing else
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

// The system signals the end of a connection: the entry's own drop is redialled at once under the
// supervision's rules; any other end is not.
TEST(MainFrmDrop, OnlyTheEntrysOwnDropWithTheOptionOnIsRedialledAtOnce) {
    struct Case {
        const char* what;
        bool redial_option;
        std::function<void(Rig&)> before;  // what happens before the signal
        bool still_connected;              // another connection ended
        bool dials;
    };
    const Case cases[] = {
        {"a drop", true, [](Rig&) {}, false, true},
        {"a drop without the option", false, [](Rig&) {}, false, false},
        {"another connection's end", true, [](Rig&) {}, true, false},
        {"the subscriber's disconnect", true, [](Rig& rig) { rig.frm.OnMenuItem(TrayMenuItem::Disconnect); },
         false, false},
        {"a dial under way", true, [](Rig& rig) { rig.frm.OnMenuItem(TrayMenuItem::Link); }, false, false},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.LoadConnected(c.redial_option);
        c.before(rig);
        const std::size_t dials = rig.services.dials.size();
        rig.services.SetConnected(c.still_connected);
        rig.frm.OnConnectionEnded();
        EXPECT_EQ(rig.services.dials.size() > dials, c.dials) << c.what;
        // A second signal for the same drop dials nothing more.
        rig.frm.OnConnectionEnded();
        EXPECT_LE(rig.services.dials.size(), dials + 1) << c.what;
    }
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
    rig.view.Advance(22000);
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
    rig.view.Advance(22000);
    EXPECT_EQ(rig.view.popups, 1);
    EXPECT_EQ(rig.services.hang_ups, 1);  // the tick kept its own decision
    EXPECT_EQ(rig.services.dials.size(), 1u);
    EXPECT_EQ(rig.view.calls_after_destroy, 0);
}

}  // namespace
}  // namespace vt::testing
