// Why a dial failed: the dial tool's exit code read by the watch ticks, the table of reasons, and the
// redial discipline after the provider refused the credentials. On the fake clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dial_failure.h"
#include "tests/unit/main_frm_fakes.h"

namespace vt::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using State = ToolRun::State;

TEST(DialFailureTable, EveryCommonNumberHasAReasonAndTheNumberAlwaysShows) {
    for (unsigned long code : {691ul, 678ul, 815ul, 651ul, 797ul, 633ul, 619ul, 629ul, 623ul, 720ul, 769ul, 813ul,
                               756ul, 617ul, 814ul}) {
        EXPECT_FALSE(DialFailureReason(code).empty()) << code;
        EXPECT_THAT(DialFailureBalloon(code, false), HasSubstr(std::to_string(code)));
        EXPECT_EQ(DialFailureStatus(code, false), "- 拨号失败 (" + std::to_string(code) + ")");
    }
    EXPECT_EQ(DialFailureBalloon(12345, false), "拨号失败（错误 12345）。");
    // A number of the table keeps the table's words only.
    EXPECT_THAT(DialFailureBalloon(691, false, "system words"), ::testing::Not(HasSubstr("system words")));
    EXPECT_THAT(DialFailureBalloon(691, false), HasSubstr("用户名或密码错误"));
    EXPECT_THAT(DialFailureBalloon(691, true), HasSubstr("已停止自动重拨"));
    EXPECT_TRUE(CredentialsRefused(691) && CredentialsRefused(649));
    EXPECT_FALSE(CredentialsRefused(678) || CredentialsRefused(0));
}

// A stored account and the redial option, loaded while connected; then the line is down.
void LoadRedialing(Rig& rig) {
    rig.StoreAccount("user01", "pw");
    rig.services.settings["Option/DiscRedial"] = "1";
    rig.services.SetConnected(true);
    rig.Load();
    rig.services.SetConnected(false);
}

// The start-up dial's first watch tick: a tool that ended with a failure is the verdict at once, with its
// number and reason (the system's own words for a number the table lacks); success, a tool still running
// or an unknown state leave the verdict to the countdown.
TEST(MainFrmDialFailure, TheFirstTickReportsAFailedToolAndLeavesTheRestToTheCountdown) {
    struct Case {
        ToolRun run;
        const char* status;
        const char* balloon;  // null: the countdown goes on
    };
    for (const Case& c : {Case{{State::Ended, 678}, "- 拨号失败 (678)", "宽带服务器没有响应"},
                          Case{{State::Ended, 868}, "- 拨号失败 (868)", "拨号失败（错误 868）：无法解析远程访问服务器的名称。"},
                          Case{{State::Ended, 0}, "- 正在拨号...", nullptr},
                          Case{{State::Running, 0}, "- 正在拨号...", nullptr}, Case{{}, "- 正在拨号...", nullptr}}) {
        Rig rig;
        rig.StoreAccount("user01", "pw");
        rig.services.error_texts[868] = "无法解析远程访问服务器的名称。";
        rig.services.next_dial_run = c.run;
        rig.Load();
        rig.view.Advance(5000);
        EXPECT_EQ(rig.view.status, c.status);
        EXPECT_EQ(rig.view.connect_enabled, c.balloon != nullptr) << c.status;
        EXPECT_EQ(rig.view.timer(FrmTimer::Sleep).on, c.balloon == nullptr) << c.status;
        if (c.balloon) {
            EXPECT_THAT(rig.BalloonTexts().back(), HasSubstr(c.balloon));
        } else {
            rig.view.Advance(10000);
            EXPECT_EQ(rig.view.status, "- 拨号失败");
        }
    }
}

// The provider refuses the credentials, here only after the dial's watch has ended (a slow tool): the next
// tick does not dial while the tool still runs, reads the late answer, and redialling stops until a dial
// goes ahead. (The watch's own reading of a refusal is driven end to end.)
TEST(MainFrmDialFailure, ALateRefusalStillStopsRedialsUntilTheSubscriberDialsAgain) {
    Rig rig;
    LoadRedialing(rig);
    rig.services.next_dial_run = {State::Running, 0};
    rig.view.Advance(22000 + 15000);
    EXPECT_EQ(rig.view.status, "- 拨号失败");
    rig.view.Advance(7000);  // still under way at the next tick: no second dial, which would only be refused
    EXPECT_EQ(rig.services.dials.size(), 1u);
    rig.services.dial_run = {State::Ended, 691};
    rig.view.Advance(22000);
    EXPECT_EQ(rig.view.status, "- 已停止重拨 (691)");
    EXPECT_THAT(rig.BalloonTexts().back(), HasSubstr("已停止自动重拨"));
    rig.view.Advance(3 * 22000);
    EXPECT_EQ(rig.services.dials.size(), 1u);  // no hammering
    EXPECT_THAT(rig.services.probed, IsEmpty());
    // A connect refused for an empty account and password is no new dial: the stop holds.
    rig.view.account = rig.view.password = "";
    rig.frm.OnConnectClicked();
    rig.view.Advance(22000);
    EXPECT_EQ(rig.services.dials.size(), 1u);
    // The subscriber dials again with a corrected password; it connects, and drops are redialled again.
    rig.view.account = "user01";
    rig.view.password = "new-pw";
    rig.services.next_dial_run = {State::Ended, 0};
    rig.frm.OnConnectClicked();
    rig.services.SetConnected(true);
    rig.view.Advance(5000);
    rig.services.SetConnected(false);
    rig.view.Advance(22000);
    EXPECT_EQ(rig.services.dials.size(), 3u);
    EXPECT_EQ(rig.services.dials.back().second, "new-pw");
}

TEST(MainFrmDialFailure, AMissingEntryIsMadeAgainBeforeTheNextDial) {
    Rig rig;
    LoadRedialing(rig);
    rig.services.next_dial_run = {State::Ended, 623};
    rig.services.entry_exists = false;
    rig.view.Advance(22000 + 5000);
    EXPECT_FALSE(rig.Logged("CreateDialEntry Veltrane,Zormik,"));
    rig.view.Advance(22000);
    EXPECT_TRUE(rig.Logged("CreateDialEntry Veltrane,Zormik,"));
    EXPECT_EQ(rig.services.dials.size(), 2u);
}

}  // namespace
}  // namespace vt::testing
