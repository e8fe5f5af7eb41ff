#include "services/dial_log.h"

#include <algorithm>

namespace vt {
namespace {

// Without it, the Notepad of Windows 7 reads a file without a byte-order mark in the ANSI code page.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view StartedByText(DialLog::StartedBy how) {
    switch (how) {
        case DialLog::StartedBy::Logon:
            return "登录 Windows 时自动启动";
        case DialLog::StartedBy::Setup:
            return "安装程序更新后重新启动";
        case DialLog::StartedBy::RestartManager:
            return "Windows 重启管理器在其它程序安装后重新启动";
        case DialLog::StartedBy::Subscriber:
            break;
    }
    return "由用户启动";
}

std::string_view NoticedByText(DialLog::DropNoticedBy how) {
    switch (how) {
        case DialLog::DropNoticedBy::FailedProbe:
            return "（网络探测失败）";
        case DialLog::DropNoticedBy::Wake:
            return "（唤醒后发现）";
        case DialLog::DropNoticedBy::Check:
            return "（检查线路时发现）";
        case DialLog::DropNoticedBy::SystemSignal:
            break;
    }
    return "（Windows 报告连接已断开）";
}

std::string WithReason(std::string_view head, std::string_view reason) {
    std::string text(head);
    if (!reason.empty()) {
        text += "：";
        text += reason;
    }
    return text;
}

constexpr std::string_view kQuitForSetup = "退出：安装程序或卸载程序要求退出";
constexpr std::string_view kQuitForRestartManager = "退出：Windows 重启管理器要求关闭（其它程序安装时）";
constexpr std::int64_t kRestartWithinS = 3600;

// Seconds on the local clock from a fixed day, for the distance between two moments.
std::int64_t LocalSeconds(const LocalTime& t) {
    // Days from the civil date (proleptic Gregorian), counted from 1 March of year 0.
    const int year = t.year - (t.month <= 2 ? 1 : 0);
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int year_of_era = year - era * 400;
    const int day_of_year = (153 * (t.month + (t.month > 2 ? -3 : 9)) + 2) / 5 + t.day - 1;
    const std::int64_t days =
        std::int64_t(era) * 146097 + year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

// The moment at the head of a line this log wrote: "YYYY-MM-DD hh:mm:ss", digits where digits stand.
// Read by hand: the C library's scanf would bring some 30 KB of parsing code for these six numbers.
std::optional<LocalTime> StampOf(std::string_view line) {
    constexpr std::string_view kShape = "0000-00-00 00:00:00";
    if (line.size() < kShape.size()) return std::nullopt;
    for (std::size_t i = 0; i < kShape.size(); ++i)
        if (kShape[i] == '0' ? line[i] < '0' || line[i] > '9' : line[i] != kShape[i]) return std::nullopt;
    const auto number = [&](std::size_t at, std::size_t digits) {
        int value = 0;
        for (std::size_t i = at; i < at + digits; ++i) value = value * 10 + (line[i] - '0');
        return value;
    };
    return LocalTime{number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2), number(17, 2)};
}

// The last `count` lines of a file's content, oldest first, without the byte-order mark, line ends and
// empty lines. Read from the end: a full file holds thousands of lines, of which the hidden start at
// every logon asks for one, and splitting them all made that start markedly slower.
std::vector<std::string> LastLinesOf(std::string_view content, std::size_t count) {
    if (content.starts_with(kByteOrderMark)) content.remove_prefix(kByteOrderMark.size());
    std::vector<std::string> lines;
    std::size_t end = content.size();
    while (end > 0 && lines.size() < count) {
        const std::size_t newline = content.rfind('\n', end - 1);
        const std::size_t begin = newline == std::string_view::npos ? 0 : newline + 1;
        std::string_view line = content.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty()) lines.emplace_back(line);
        end = newline == std::string_view::npos ? 0 : newline;
    }
    std::reverse(lines.begin(), lines.end());
    return lines;
}

}  // namespace

DialLog::DialLog(std::unique_ptr<LogClock> clock, std::unique_ptr<LogFile> file)
    : clock_(std::move(clock)), file_(std::move(file)) {}

void DialLog::Started(std::string_view version, std::string_view windows_version, StartedBy how) {
    Write("启动 Veltrane " + std::string(version) + "，" + WindowsName(windows_version) + "，" +
          std::string(StartedByText(how)));
}

void DialLog::Dialling(DialBy who, std::string_view account) {
    std::string text = who == DialBy::Subscriber ? "拨号（用户操作）"
                       : who == DialBy::AtStart  ? "拨号（启动后自动拨号）"
                                                 : "拨号（自动重拨）";
    const std::string masked = MaskedAccount(account);
    if (!masked.empty()) text += "，宽带账号" + masked;
    Write(text);
}

void DialLog::DialFailed(unsigned long code, std::string_view cause) {
    Write(WithReason("拨号失败（错误 " + std::to_string(code) + "）", cause));
}

void DialLog::DialUnanswered() { Write("拨号超时，尚未连接"); }

void DialLog::Connected(std::string_view ipv4, std::string_view ipv6) {
    std::string text = "已连接，IPv4 ";
    text += ipv4.empty() ? std::string("未获得") : Ipv4WithKind(ipv4);
    text += "，IPv6 ";
    text += ipv6.empty() ? std::string_view("无") : ipv6;
    Write(text);
}

void DialLog::Dropped(DropNoticedBy how, const std::optional<LineCounters>& last) {
    // The program's own hang-up after failed pages is no drop of the provider's: the log says whose it was.
    std::string text = how == DropNoticedBy::FailedProbe ? std::string("网页无法访问，本程序挂断线路并重拨")
                                                         : "断线" + std::string(NoticedByText(how));
    if (last)
        text += "，本次连接 " + FormatDuration(last->duration_s, true) + "，已发送 " +
                FormatBytes(last->bytes_sent) + "，已接收 " + FormatBytes(last->bytes_received);
    else
        text += "，本次连接的时长和流量未知";
    Write(text);
}

void DialLog::HungUpBySubscriber() { Write("用户断开连接"); }

void DialLog::RedialBackoff(std::uint64_t delay_s) {
    // The waits are whole minutes: "1分钟", not "1分0秒".
    Write(FormatDuration(delay_s, delay_s % 60 != 0 || delay_s < 60) + "后自动重拨");
}

void DialLog::RedialPaused(std::string_view reason) { Write(WithReason("暂停自动重拨", reason)); }

void DialLog::RedialStopped(std::string_view reason) { Write(WithReason("停止自动重拨", reason)); }

void DialLog::RedialResumed() { Write("恢复自动重拨"); }

void DialLog::Suspending() { Write("系统进入睡眠"); }

void DialLog::ResumedFromSleep() { Write("系统从睡眠中唤醒"); }

void DialLog::LinkLost(std::string_view adapter) {
    Write(WithReason("网卡连接断开（网线未连接或光猫未开机）", adapter));
}

void DialLog::LinkBack(std::string_view adapter) { Write(WithReason("网卡连接恢复", adapter)); }

void DialLog::SupervisionLockForeign() { Write("守护锁的名称被其它程序占用，本程序自行守护这条线路"); }
void DialLog::PagesFailing(std::string_view finding) { Write("网页探测：" + std::string(finding)); }

void DialLog::AnotherCopySupervises() {
    Write("另一个 Veltrane（其他 Windows 用户的，或以管理员身份运行的）负责自动重拨，本程序不自动重拨");
}

void DialLog::QuitForRestart(StartedBy by) {
    if (by == StartedBy::Setup || by == StartedBy::RestartManager)
        Write(by == StartedBy::Setup ? kQuitForSetup : kQuitForRestartManager);
}

std::optional<DialLog::StartedBy> DialLog::AwaitedRestart() {
    const std::vector<std::string> last = LastLines(1);
    if (last.empty()) return std::nullopt;
    const std::string& line = last.back();
    const std::optional<LocalTime> then = StampOf(line);
    if (!then) return std::nullopt;
    const std::int64_t since = LocalSeconds(clock_->Now()) - LocalSeconds(*then);
    if (since < 0 || since > kRestartWithinS) return std::nullopt;
    const std::string_view text = std::string_view(line).substr(std::min<std::size_t>(line.size(), 20));
    if (text == kQuitForSetup) return StartedBy::Setup;
    if (text == kQuitForRestartManager) return StartedBy::RestartManager;
    return std::nullopt;
}

void DialLog::Write(std::string_view text) {
    try {
        std::string line = FormatLocalTime(clock_->Now()) + " ";
        for (char c : text) line += c == '\r' || c == '\n' || c == '\t' ? ' ' : c;
        line = CutUtf8(line, kMaxLineBytes - 2);
        recent_.push_back(line);
        if (recent_.size() > kKeptLines) recent_.pop_front();
        line += "\r\n";

        const std::optional<std::uint64_t> size = file_->Size();
        // A size that cannot be told could be past the bound: nothing is written then.
        if (!size) return;
        if (*size + line.size() > kMaxFileBytes) {
            // A previous file that cannot be replaced (held open by a program that shares no deletion)
            // would let the current one grow past its bound: the line is skipped instead.
            if (!file_->Rotate()) return;
            file_->Append(std::string(kByteOrderMark) + line);
        } else {
            file_->Append(*size == 0 ? std::string(kByteOrderMark) + line : line);
        }
    } catch (...) {
        // A log that cannot be written (not even in memory) is skipped, never the caller's concern.
    }
}

std::vector<std::string> DialLog::LastLines(std::size_t count) {
    std::vector<std::string> lines;
    try {
        const std::optional<std::string> current = file_->Read(false);
        if (current) lines = LastLinesOf(*current, count);
        if (!current || lines.empty()) {
            lines.assign(recent_.begin(), recent_.end());
        } else if (lines.size() < count) {
            if (const std::optional<std::string> previous = file_->Read(true)) {
                const std::vector<std::string> earlier = LastLinesOf(*previous, count - lines.size());
                lines.insert(lines.begin(), earlier.begin(), earlier.end());
            }
        }
        if (lines.size() > count)
            lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(count));
    } catch (...) {
        lines.clear();
    }
    return lines;
}

void DialLog::NewEntryIpv6(bool protocol_kept, bool default_route_kept) {
    const auto kept = [](bool yes) { return yes ? "已保存" : "未保存"; };
    Write(std::string("新建拨号连接：IPv6 ") + kept(protocol_kept) + "，IPv6 默认路由" +
          kept(default_route_kept));
}

}  // namespace vt
