// Why a dial failed and what the supervision does about it over a night on the fake clock: the dial tool's
// exit code read by the watch ticks, the table of reasons, the retries after the provider's refusals, the
// pause while another connection holds the line, and a balloon only when the subscriber needs one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dial_failure.h"
#include "tests/unit/main_frm_fakes.h"

namespace vt::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using State = ToolRun::State;
constexpr std::int64_t kMinute = 60000;

// The failure table, a number a row: what it means for redialling, its cause in a few words (what the log
// and the diagnostics keep) and a word of its next step. The balloon says both, then a promise of a redial
// only while the option is on and redialling goes on, or once it stopped, what brings it back: a refused
// password risks a lock-out, an account the provider stopped does not.
TEST(DialFailureTable, EachNumberHasItsKindItsCauseAndItsNextStep) {
    struct Row {
        unsigned long code;
        FailureKind kind;
        const char* cause;
        const char* next;     // a part of the next step
        const char* promise;  // "" for none
    };
    using K = FailureKind;
    constexpr const char* kRedials = "程序会自动重拨。";
    constexpr const char* kLater = "请稍后再试；多次出现请联系宽带运营商。";
    const Row rows[] = {
        {691, K::Refused, "账号或密码错误，或宽带已欠费、到期", "欠费", "程序会在几分钟后自动再试。"},
        {647, K::Final, "该宽带账号已被停用", "联系宽带运营商", ""},
        {648, K::Final, "该宽带账号的密码已过期", "更改密码", ""},
        {649, K::Final, "该宽带账号没有拨号上网的权限", "联系宽带运营商", ""},
        {708, K::Final, "该宽带账号已到期", "续费", ""},
        {646, K::Final, "该宽带账号在当前时段不允许上网", "允许的时段", ""},
        {678, K::Transient, "宽带服务器没有响应", "重启光猫", kRedials},
        {815, K::Transient, "宽带服务器没有响应", "重启光猫", kRedials},
        {651, K::Transient, "光猫或线路没有响应",
         "请检查网线，重启光猫（断电一分钟）后再试；仍不行请重启电脑", kRedials},
        {797, K::Transient, "找不到宽带拨号设备，或设备正忙", "网卡已启用", kRedials},
        {633, K::Transient, "拨号设备正被占用或设置有误", "关闭其它拨号软件", kRedials},
        {619, K::Transient, "连接被断开", "网线", kRedials},
        {629, K::Transient, "宽带服务器断开了连接", kLater, kRedials},
        {718, K::Transient, "宽带服务器没有及时应答（线路是通的）", kLater, kRedials},
        {734, K::Transient, "宽带服务器中止了连接（线路是通的）", kLater, kRedials},
        {738, K::Transient, "宽带服务器没有分配 IP 地址", kLater, kRedials},
        {623, K::EntryMissing, "找不到拨号连接“Veltrane”", "重新创建", kRedials},
        {720, K::Transient, "Windows 的网络组件设置有误", "重置网络设置", kRedials},
        {711, K::Transient, "Windows 的“远程访问连接管理器”服务没有运行", "重启电脑", kRedials},
        {769, K::Transient, "无法到达宽带服务器", "网卡已启用", kRedials},
        {813, K::LineInUse, "另一个宽带连接正在使用这条线路", "请先断开它，再点击“连 接”。",
         "它断开后程序会自动恢复重拨。"},
        {756, K::Transient, "已有一个拨号或断开操作正在进行", "请稍后再试。", kRedials},
        {617, K::Transient, "已有一个拨号或断开操作正在进行", "请稍后再试。", kRedials},
        {814, K::Transient, "没有找到可用的有线网卡，或网线没有插好", "网线已插好", kRedials},
        // Any other number: the system's words as the cause, and the way to the support line.
        {868, K::Transient, "", "请在托盘菜单中点击“复制诊断信息”，发给宽带客服。", kRedials},
    };
    for (const Row& row : rows) {
        const std::string number = std::to_string(row.code);
        EXPECT_EQ(FailureKindOf(row.code), row.kind) << number;
        EXPECT_EQ(DialFailureCause(row.code), row.cause) << number;
        EXPECT_THAT(DialFailureNextStep(row.code), HasSubstr(row.next)) << number;
        EXPECT_EQ(DialFailureStatus(row.code, false), "- 拨号失败 (" + number + ")");
        EXPECT_EQ(DialFailureStatus(row.code, true), "- 已停止重拨 (" + number + ")");
        const std::string cause = row.cause[0] ? std::string(row.cause) + "。" : "系统的话。";
        const std::string quiet = DialFailureBalloon(row.code, false, false, "系统的话。");
        EXPECT_EQ(quiet, "拨号失败（错误 " + number + "）：" + cause + DialFailureNextStep(row.code))
            << number;
        EXPECT_EQ(DialFailureBalloon(row.code, false, true, "系统的话。"), quiet + row.promise) << number;
        if (row.kind != K::Refused && row.kind != K::Final) continue;
        const std::string stopped = DialFailureBalloon(row.code, true, true, "系统的话。");
        EXPECT_EQ(stopped.substr(0, quiet.size()), quiet) << number;
        const std::string tail = stopped.substr(quiet.size());
        EXPECT_THAT(tail, HasSubstr("已停止自动重拨")) << number;
        EXPECT_EQ(tail.find("锁定") != std::string::npos, row.kind == K::Refused) << number;
        EXPECT_THAT(tail, Not(HasSubstr("密码"))) << number;
    }
    EXPECT_EQ(DialFailureBalloon(12345, false, false),
              "拨号失败（错误 12345）：请在托盘菜单中点击“复制诊断信息”，发给宽带客服。");
}

// A stored account and the redial option, loaded while connected; the line drops at the start of the
// night, and each dial's tool ends with the next code of `script` (0: the line is up from that dial on).
struct Night {
    Rig rig;
    std::vector<unsigned long> script;
    std::size_t next = 0;
    bool up = false;
    std::vector<std::int64_t> dial_times;

    explicit Night(std::vector<unsigned long> codes) : script(std::move(codes)) {
        rig.StoreAccount("user01", "pw");
        rig.services.settings["Option/DiscRedial"] = "1";
        rig.services.connected = [this] { return up; };
        up = true;
        rig.Load();
        rig.services.balloons.clear();
        up = false;  // the drop
        rig.services.on_dial = [this] {
            dial_times.push_back(rig.view.now);
            const unsigned long code = next < script.size() ? script[next++] : script.back();
            if (code == 0) up = true;
            rig.services.dial_run = {State::Ended, code};
        };
    }
    // Runs the clock on a second at a time.
    void Run(std::int64_t ms) {
        for (std::int64_t step = 0; step < ms; step += 1000) rig.view.Advance(1000);
    }
};

// A night's log: its events in order with their numbers, and no secret in it: the drop found by a tick,
// two refusals with their waits, the line back, a drop the system tells, three failures, the line back.
TEST(MainFrmNight, TheLogTellsTheNightsEventsInOrder) {
    Night night({691, 691, 0, 651, 651, 651, 0});
    night.Run(10 * kMinute);
    ASSERT_TRUE(night.up);
    night.up = false;
    night.rig.frm.OnConnectionEnded();
    night.Run(5 * kMinute);
    ASSERT_TRUE(night.up);
    std::vector<std::string> events;
    for (const std::string& line : night.rig.services.LogLines()) {
        EXPECT_THAT(line, Not(HasSubstr("user01")));
        EXPECT_THAT(line, Not(HasSubstr("pw")));
        events.push_back(line.substr(0, std::min(line.find("，"), line.find("："))));
    }
    const std::string dial = "拨号（自动重拨）", up = "已连接";
    EXPECT_THAT(events,
                ElementsAre("启动 Veltrane 9.0.0", up, "断线（检查线路时发现）", dial, "拨号失败（错误 691）",
                            "1分钟后自动重拨", dial, "拨号失败（错误 691）", "2分钟后自动重拨", dial, up,
                            "断线（Windows 报告连接已断开）", dial, "拨号失败（错误 651）", dial,
                            "拨号失败（错误 651）", dial, "拨号失败（错误 651）", dial, up));
}

// The start-up dial's first watch tick: a tool that ended with a failure is the verdict at once, with its
// number and reason (the system's own words for a number the table lacks, no redial promised without the
// option); success, a tool still running
// or an unknown state leave the verdict to the countdown.
TEST(MainFrmDialFailure, TheFirstTickReportsAFailedToolAndLeavesTheRestToTheCountdown) {
    struct Case {
        ToolRun run;
        const char* status;
        const char* balloon;  // null: the countdown goes on
    };
    for (const Case& c :
         {Case{{State::Ended, 678}, "- 拨号失败 (678)", "宽带服务器没有响应"},
          Case{{State::Ended, 813}, "- 拨号失败 (813)", "请先断开它，再点击“连 接”。"},
          Case{{State::Ended, 868},
               "- 拨号失败 (868)",
               "拨号失败（错误 868）：无法解析远程访问服务器的名称。请在托盘菜单中点击“复制诊断信息”"},
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
        EXPECT_EQ(rig.view.timer(FrmTimer::DialWatch).on, c.balloon == nullptr) << c.status;
        if (c.balloon) {
            EXPECT_THAT(rig.BalloonTexts().back(), HasSubstr(c.balloon));
            // Without the redial option nothing promises a redial.
            EXPECT_THAT(rig.BalloonTexts().back(), Not(HasSubstr("自动")));
        } else {
            rig.view.Advance(10000);
            EXPECT_EQ(rig.view.status, "- 拨号失败");
        }
    }
}

// The answer of a slow tool arrives after the watch: the next tick does not dial while the tool still
// runs, and the late refusal counts like any (the retry waits).
TEST(MainFrmDialFailure, AMissingEntryIsMadeAgainBeforeTheNextDial) {
    Night night({623});
    night.rig.services.entry_exists = false;
    night.Run(22000 + 5000);
    EXPECT_FALSE(night.rig.Logged("CreateDialEntry Veltrane,Zormik,"));
    night.Run(22000);
    EXPECT_TRUE(night.rig.Logged("CreateDialEntry Veltrane,Zormik,"));
    EXPECT_EQ(night.dial_times.size(), 2u);
}

}  // namespace
}  // namespace vt::testing
