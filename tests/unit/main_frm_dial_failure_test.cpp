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
    EXPECT_EQ(DialFailureReason(12345), "");
    EXPECT_EQ(DialFailureBalloon(12345, false), "拨号失败（错误 12345）。");
    EXPECT_EQ(DialFailureBalloon(868, false, "无法解析远程访问服务器的名称。"),
              "拨号失败（错误 868）：无法解析远程访问服务器的名称。");
    EXPECT_THAT(DialFailureBalloon(691, false, "system words"), ::testing::Not(HasSubstr("system words")));
    EXPECT_THAT(DialFailureBalloon(691, false), HasSubstr("用户名或密码错误"));
    EXPECT_THAT(DialFailureBalloon(691, true), HasSubstr("已停止自动重拨"));
    EXPECT_EQ(DialFailureStatus(691, true), "- 已停止重拨 (691)");
    EXPECT_TRUE(CredentialsRefused(691));
    EXPECT_TRUE(CredentialsRefused(649));
    EXPECT_FALSE(CredentialsRefused(678));
    EXPECT_FALSE(CredentialsRefused(0));
}

// A stored account and the redial option, loaded while connected; then the line is down.
void LoadRedialing(Rig& rig) {
    rig.StoreAccount("user01", "pw");
    rig.services.settings["Option/DiscRedial"] = "1";
    rig.services.SetConnected(true);
    rig.Load();
    rig.services.SetConnected(false);
}

TEST(MainFrmDialFailure, TheFirstTickReportsTheToolsAnswer) {
    Rig rig;
    rig.StoreAccount("user01", "pw");
    rig.services.next_dial_run = {State::Ended, 678};
    rig.Load();  // dials at start-up
    rig.view.Advance(5000);
    EXPECT_EQ(rig.view.status, "- 拨号失败 (678)");
    EXPECT_TRUE(rig.view.connect_enabled);
    EXPECT_FALSE(rig.view.timer(FrmTimer::Sleep).on);
    ASSERT_FALSE(rig.services.balloons.empty());
    EXPECT_THAT(rig.services.balloons.back().text, HasSubstr("宽带服务器没有响应"));

    // A number the table does not know: the number, with the system's own words when it has some.
    rig.services.error_texts[868] = "无法解析远程访问服务器的名称。";
    rig.services.next_dial_run = {State::Ended, 868};
    rig.frm.OnConnectClicked();
    rig.view.Advance(5000);
    EXPECT_EQ(rig.view.status, "- 拨号失败 (868)");
    EXPECT_EQ(rig.services.balloons.back().text, "拨号失败（错误 868）：无法解析远程访问服务器的名称。");
}

TEST(MainFrmDialFailure, SuccessOrAToolStillRunningLeavesTheVerdictToTheCountdown) {
    for (ToolRun run : {ToolRun{State::Ended, 0}, ToolRun{State::Running, 0}, ToolRun{}}) {
        Rig rig;
        rig.StoreAccount("user01", "pw");
        rig.services.next_dial_run = run;
        rig.Load();
        rig.view.Advance(10000);
        EXPECT_EQ(rig.view.status, "- 正在拨号...");
        rig.view.Advance(5000);
        EXPECT_EQ(rig.view.status, "- 拨号失败");
    }
}

TEST(MainFrmDialFailure, RefusedCredentialsStopRedialsUntilTheSubscriberDialsAgain) {
    Rig rig;
    LoadRedialing(rig);
    rig.services.next_dial_run = {State::Ended, 691};
    rig.view.Advance(22000 + 5000);  // the supervision dials, its watch reads 691
    ASSERT_EQ(rig.services.dials.size(), 1u);
    EXPECT_EQ(rig.view.status, "- 已停止重拨 (691)");
    EXPECT_THAT(rig.services.balloons.back().text, HasSubstr("已停止自动重拨"));
    rig.view.Advance(3 * 22000);
    EXPECT_EQ(rig.services.dials.size(), 1u);  // no hammering
    EXPECT_THAT(rig.services.probed, IsEmpty());
    // A connect refused for an empty password is no new dial: the stop holds.
    rig.view.password.clear();
    rig.view.account.clear();
    rig.frm.OnConnectClicked();
    rig.view.Advance(22000);
    EXPECT_EQ(rig.services.dials.size(), 1u);
    rig.view.account = "user01";
    // The subscriber dials again with a corrected password; it connects, and drops are redialled again.
    rig.services.next_dial_run = {State::Ended, 0};
    rig.view.password = "new-pw";
    rig.frm.OnConnectClicked();
    rig.services.SetConnected(true);
    rig.view.Advance(5000);
    EXPECT_EQ(rig.view.status, "- 网络已连接");
    rig.services.SetConnected(false);
    rig.view.Advance(22000);
    EXPECT_EQ(rig.services.dials.size(), 3u);
    EXPECT_EQ(rig.services.dials.back().second, "new-pw");
}

TEST(MainFrmDialFailure, OtherFailuresKeepTheRhythm) {
    Rig rig;
    LoadRedialing(rig);
    rig.services.next_dial_run = {State::Ended, 678};
    rig.view.Advance(3 * 22000);
    EXPECT_EQ(rig.services.dials.size(), 3u);
    EXPECT_EQ(rig.view.status, "- 正在拨号...");
}

TEST(MainFrmDialFailure, AnAnswerThatComesAfterTheWatchStillCounts) {
    Rig rig;
    LoadRedialing(rig);
    rig.services.next_dial_run = {State::Running, 0};
    rig.view.Advance(22000 + 15000);
    EXPECT_EQ(rig.view.status, "- 拨号失败");
    // Still under way at the next tick: no second dial, which would only be refused.
    rig.view.Advance(7000);
    EXPECT_EQ(rig.services.dials.size(), 1u);
    rig.services.dial_run = {State::Ended, 691};
    rig.view.Advance(22000);
    EXPECT_EQ(rig.services.dials.size(), 1u);
    EXPECT_EQ(rig.view.status, "- 已停止重拨 (691)");
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
