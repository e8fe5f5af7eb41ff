// The dial log's rules on a fake clock and fake files: each event's line, the account's mask, rotation at
// the bound, a sink that fails, and the bound over a long run.
#include "services/dial_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace vt {
namespace {

struct FakeClock final : LogClock {
    LocalTime now{2026, 12, 7, 21, 14, 3};
    LocalTime Now() override { return now; }
};

struct FakeFile final : LogFile {
    std::optional<std::string> current = std::string(), previous = std::string();
    bool size_fails = false, append_fails = false, rotate_fails = false;
    int rotations = 0;
    std::optional<std::uint64_t> Size() override {
        if (size_fails) return std::nullopt;
        return current ? current->size() : 0;
    }
    bool Append(std::string_view bytes) override {
        if (append_fails) return false;
        if (!current) current = std::string();
        *current += bytes;
        return true;
    }
    bool Rotate() override {
        if (rotate_fails) return false;
        previous = std::move(current);
        current.reset();
        ++rotations;
        return true;
    }
    std::optional<std::string> Read(bool which_previous) override {
        if (size_fails) return std::nullopt;
        const std::optional<std::string>& file = which_previous ? previous : current;
        return file ? *file : std::string();
    }
};

class DialLogTest : public testing::Test {
protected:
    FakeClock* clock_ = new FakeClock;
    FakeFile* file_ = new FakeFile;
    DialLog log_{std::unique_ptr<LogClock>(clock_), std::unique_ptr<LogFile>(file_)};
};

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Each event and its line after the time.
using Log = DialLog;
const struct EventRow {
    std::function<void(Log&)> event;
    std::string line;
} kEvents[] = {
    {[](Log& l) { l.Started("9.0.0", "10.0.19045", Log::StartedBy::Logon); },
     "启动 Veltrane 9.0.0，Windows 10.0.19045，登录 Windows 时自动启动"},
    {[](Log& l) { l.Started("9.0.0", "6.1.7601", Log::StartedBy::Subscriber); },
     "启动 Veltrane 9.0.0，Windows 6.1.7601，由用户启动"},
    {[](Log& l) { l.Started("9.0.1", "10.0.22631", Log::StartedBy::Setup); },
     "启动 Veltrane 9.0.1，Windows 11（10.0.22631），安装程序更新后重新启动"},
    {[](Log& l) { l.Started("9.0.1", "10.0.22000", Log::StartedBy::RestartManager); },
     "启动 Veltrane 9.0.1，Windows 11（10.0.22000），Windows 重启管理器在其它程序安装后重新启动"},
    {[](Log& l) { l.Dialling(Log::DialBy::Subscriber, "07551234"); }, "拨号（用户操作），宽带账号尾号 1234"},
    {[](Log& l) { l.Dialling(Log::DialBy::AtStart, "07551234"); },
     "拨号（启动后自动拨号），宽带账号尾号 1234"},
    {[](Log& l) { l.Dialling(Log::DialBy::Redial, "adsl@163.gd"); }, "拨号（自动重拨），宽带账号尾号 3.gd"},
    {[](Log& l) { l.DialFailed(691, "账号或密码错误"); }, "拨号失败（错误 691）：账号或密码错误"},
    {[](Log& l) { l.DialFailed(868, ""); }, "拨号失败（错误 868）"},
    {[](Log& l) { l.Connected("100.64.3.4", "2408:8207::1"); },
     "已连接，IPv4 100.64.3.4（运营商内网），IPv6 2408:8207::1"},
    {[](Log& l) { l.Connected("58.60.1.2", ""); }, "已连接，IPv4 58.60.1.2（公网），IPv6 无"},
    {[](Log& l) {
         l.Dropped(Log::DropNoticedBy::SystemSignal, LineCounters{11525, 1258291, 36909875});
     },
     "断线（Windows 报告连接已断开），本次连接 3小时12分5秒，已发送 1.2 MB，已接收 35.2 MB"},
    {[](Log& l) {
         l.Dropped(Log::DropNoticedBy::FailedProbe, LineCounters{59, 800, 2048});
     },
     "网页无法访问，本程序挂断线路并重拨，本次连接 59秒，已发送 800 字节，已接收 2.0 KB"},
    {[](Log& l) { l.Dropped(Log::DropNoticedBy::Wake, std::nullopt); },
     "断线（唤醒后发现），本次连接的时长和流量未知"},
    {[](Log& l) {
         l.Dropped(Log::DropNoticedBy::Check, LineCounters{3600, 0, 0});
     },
     "断线（检查线路时发现），本次连接 1小时0分0秒，已发送 0 字节，已接收 0 字节"},
    {[](Log& l) { l.DialUnanswered(); }, "拨号超时，尚未连接"},
    {[](Log& l) { l.HungUpBySubscriber(); }, "用户断开连接"},
    {[](Log& l) { l.RedialBackoff(120); }, "2分钟后自动重拨"},
    {[](Log& l) { l.RedialBackoff(90); }, "1分30秒后自动重拨"},
    {[](Log& l) { l.RedialPaused("另一个宽带连接正在使用线路"); },
     "暂停自动重拨：另一个宽带连接正在使用线路"},
    {[](Log& l) { l.RedialStopped("连续 3 次 691"); }, "停止自动重拨：连续 3 次 691"},
    {[](Log& l) { l.RedialResumed(); }, "恢复自动重拨"},
    {[](Log& l) { l.Suspending(); }, "系统进入睡眠"},
    {[](Log& l) { l.ResumedFromSleep(); }, "系统从睡眠中唤醒"},
    {[](Log& l) { l.LinkLost("以太网"); }, "网卡连接断开（网线未连接或光猫未开机）：以太网"},
    {[](Log& l) { l.LinkBack("以太网 2"); }, "网卡连接恢复：以太网 2"},
    {[](Log& l) { l.AnotherCopySupervises(); },
     "另一个 Veltrane（其他 Windows 用户的，或以管理员身份运行的）负责自动重拨，本程序不自动重拨"},
    {[](Log& l) { l.QuitForRestart(Log::StartedBy::Setup); }, "退出：安装程序或卸载程序要求退出"},
    {[](Log& l) { l.QuitForRestart(Log::StartedBy::RestartManager); },
     "退出：Windows 重启管理器要求关闭（其它程序安装时）"},
    // A caller's text cannot start a line of its own.
    {[](Log& l) { l.LinkLost("evil\r\n2026-01-01 00:00:00 forged"); },
     "网卡连接断开（网线未连接或光猫未开机）：evil  2026-01-01 00:00:00 forged"},
    {[](Log& l) { l.NewEntryIpv6(true, false); }, "新建拨号连接：IPv6 已保存，IPv6 默认路由未保存"},
};
TEST_F(DialLogTest, EachEventIsOneLineWithTheLocalTimeFirst) {
    std::string expected(kBom);
    for (const EventRow& row : kEvents) {
        row.event(log_);
        expected += "2026-12-07 21:14:03 " + row.line + "\r\n";
        EXPECT_EQ(file_->current->substr(file_->current->size() - row.line.size() - 2, row.line.size()),
                  row.line);
    }
    EXPECT_EQ(*file_->current, expected);
    clock_->now = {2027, 1, 2, 3, 4, 5};
    log_.RedialResumed();
    EXPECT_TRUE(file_->current->ends_with("\r\n2027-01-02 03:04:05 恢复自动重拨\r\n"));
    // A quit for a restart is awaited for an hour, and by the next start only.
    log_.QuitForRestart(Log::StartedBy::Setup);
    clock_->now.hour = 4;
    EXPECT_EQ(log_.AwaitedRestart(), Log::StartedBy::Setup);
    clock_->now.second = 6;
    EXPECT_EQ(log_.AwaitedRestart(), std::nullopt);
    clock_->now.second = 5;  // within the hour again, but the quit's moment cannot be read
    *file_->current += "2027-01-02 03:0x:05 退出：安装程序或卸载程序要求退出\r\n";
    EXPECT_EQ(log_.AwaitedRestart(), std::nullopt);
}

TEST(MaskedAccount, ShowsAtMostTheLastFourAndNeverHalf) {
    const std::pair<std::string_view, std::string_view> rows[] = {
        {"07551234567", "尾号 4567"},
        {"adsl12345678@163.gd", "尾号 3.gd"},
        {"宽带账号一二三四", "尾号 一二三四"},
        {"abcdefgh", "尾号 efgh"},
        {"abcdefg", "尾号 efg"},
        {"abcd", "尾号 cd"},
        {"ab", "尾号 b"},
        {"a", "（已隐藏）"},
        {"", ""},
    };
    for (const auto& [account, masked] : rows) EXPECT_EQ(MaskedAccount(account), masked) << account;
}

TEST_F(DialLogTest, TheFileRotatesBeforeItWouldPassItsBound) {
    file_->current = std::string(kBom) + std::string(DialLog::kMaxFileBytes - 43, 'x');
    const std::string old = *file_->current;
    log_.RedialResumed();  // 20 + 18 + 2 bytes: fits exactly
    EXPECT_EQ(file_->rotations, 0);
    EXPECT_EQ(file_->current->size(), DialLog::kMaxFileBytes);
    file_->current = old;
    log_.ResumedFromSleep();  // 20 + 24 + 2 bytes: too many
    EXPECT_EQ(file_->rotations, 1);
    EXPECT_EQ(*file_->previous, old);
    EXPECT_EQ(*file_->current, std::string(kBom) + "2026-12-07 21:14:03 系统从睡眠中唤醒\r\n");
}

TEST_F(DialLogTest, AFailingSinkIsSkippedAndTheLinesOfThisRunStayReadable) {
    file_->size_fails = true;
    log_.RedialResumed();
    EXPECT_EQ(*file_->current, "");
    file_->size_fails = false;
    file_->append_fails = true;
    log_.Suspending();
    EXPECT_EQ(*file_->current, "");
    // A previous file that cannot be replaced: the line is dropped rather than the bound passed.
    file_->append_fails = false;
    file_->rotate_fails = true;
    file_->current = std::string(DialLog::kMaxFileBytes, 'x');
    log_.ResumedFromSleep();
    EXPECT_EQ(file_->current->size(), DialLog::kMaxFileBytes);
    file_->size_fails = true;
    EXPECT_EQ(log_.LastLines(), (std::vector<std::string>{"2026-12-07 21:14:03 恢复自动重拨",
                                                          "2026-12-07 21:14:03 系统进入睡眠",
                                                          "2026-12-07 21:14:03 系统从睡眠中唤醒"}));
}

TEST_F(DialLogTest, TheLastLinesReachIntoThePreviousFile) {
    // An empty line, and a last line without its end (the program ended while writing it).
    file_->previous = std::string(kBom) + "old 1\r\nold 2\r\n\r\nold 3\r\n";
    file_->current = std::string(kBom) + "new 1\r\nnew 2";
    EXPECT_EQ(log_.LastLines(3), (std::vector<std::string>{"old 3", "new 1", "new 2"}));
    EXPECT_EQ(log_.LastLines(), (std::vector<std::string>{"old 1", "old 2", "old 3", "new 1", "new 2"}));
    EXPECT_EQ(log_.LastLines(1), (std::vector<std::string>{"new 2"}));
}

TEST_F(DialLogTest, AHundredThousandEventsLeaveAtMostOneMebibyte) {
    for (int i = 0; i < 100000; ++i) {
        clock_->now.second = i % 60;
        kEvents[i % std::size(kEvents)].event(log_);
        ASSERT_LE(file_->current->size(), DialLog::kMaxFileBytes);
    }
    const std::size_t on_disk = file_->current->size() + file_->previous->size();
    std::printf("100000 events: %zu bytes on disk (current %zu, previous %zu), %d rotations\n", on_disk,
                file_->current->size(), file_->previous->size(), file_->rotations);
    EXPECT_LE(on_disk, 1024u * 1024u);
    EXPECT_GT(file_->rotations, 10);
    EXPECT_EQ(log_.LastLines().size(), DialLog::kKeptLines);
}

}  // namespace
}  // namespace vt
