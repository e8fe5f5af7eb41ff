#include "services/line_texts.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace vt {
namespace {

constexpr std::string_view kNone = "无";
constexpr std::string_view kUnknown = "未知";
constexpr std::string_view kDash = "—";
constexpr std::string_view kNewLine = "\r\n";
// A caller's text (an adapter's or a device's name, a reason) in the diagnostics: one line, bounded, so
// that the fixed part can never crowd out the log lines.
constexpr std::size_t kFieldLimit = 200;
constexpr std::size_t kMaxAdapters = 16;

std::string OneLine(std::string_view text, std::size_t limit = kFieldLimit) {
    std::string line(text);
    for (char& c : line)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    return CutUtf8(line, limit);
}

std::string_view StateText(LineState state) {
    switch (state) {
        case LineState::Connected:
            return "已连接";
        case LineState::Dialling:
            return "正在拨号……";
        case LineState::NotConnected:
            break;
    }
    return "未连接";
}

std::string Ipv6Text(std::string_view address) {
    std::string text(address);
    // Before the provider's router has handed out a prefix the line has only its link-local address,
    // which no one outside the line can reach.
    if (address.starts_with("fe80:")) text += "（链路本地）";
    return text;
}

std::string FailureNumber(const LastFailure& failure, std::string_view before_time) {
    return "错误 " + std::to_string(failure.code) + "（" + std::string(before_time) +
           FormatLocalTime(failure.when) + "）";
}

// The version's three numbers; zeros where the text has none.
std::array<unsigned long, 3> VersionNumbers(std::string_view version) {
    std::array<unsigned long, 3> numbers{};
    std::size_t index = 0;
    for (char c : version) {
        if (c == '.') {
            if (++index == numbers.size()) break;
        } else if (c >= '0' && c <= '9') {
            numbers[index] = numbers[index] * 10 + static_cast<unsigned long>(c - '0');
        } else {
            return {};
        }
    }
    return numbers;
}

}  // namespace

std::string FormatLocalTime(const LocalTime& time) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day,
                  time.hour, time.minute, time.second);
    return text;
}

std::string FormatDuration(std::uint64_t seconds, bool with_seconds) {
    const std::uint64_t hours = seconds / 3600, minutes = seconds % 3600 / 60, rest = seconds % 60;
    std::string text;
    if (hours > 0) text += std::to_string(hours) + "小时";
    if (with_seconds) {
        if (hours > 0 || minutes > 0) text += std::to_string(minutes) + "分";
        return text + std::to_string(rest) + "秒";
    }
    if (hours > 0 || minutes > 0) text += std::to_string(minutes) + "分钟";
    return text.empty() ? "不到1分钟" : text;
}

std::string FormatBytes(std::uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " 字节";
    static constexpr std::string_view kUnits[] = {"KB", "MB", "GB", "TB"};
    std::size_t unit_index = 0;
    std::uint64_t unit = 1024;
    while (unit_index + 1 < std::size(kUnits) && bytes / unit >= 1024) unit *= 1024, ++unit_index;
    std::uint64_t whole = bytes / unit;
    std::uint64_t tenths = (bytes % unit * 10 + unit / 2) / unit;
    if (tenths == 10) ++whole, tenths = 0;
    // 1023.96 KB rounds to 1024.0 KB: that is 1.0 MB.
    if (whole == 1024 && unit_index + 1 < std::size(kUnits)) whole = 1, tenths = 0, ++unit_index;
    return std::to_string(whole) + "." + std::to_string(tenths) + " " + std::string(kUnits[unit_index]);
}

std::string_view Ipv4KindText(Ipv4Kind kind) {
    switch (kind) {
        case Ipv4Kind::Public:
            return "公网";
        case Ipv4Kind::CarrierNat:
            return "运营商内网";
        case Ipv4Kind::Private:
            return "私网";
        case Ipv4Kind::Invalid:
            break;
    }
    return {};
}

std::string Ipv4WithKind(std::string_view dotted) {
    if (dotted.empty()) return {};
    const std::string_view kind = Ipv4KindText(ClassifyIpv4(dotted));
    std::string text(dotted);
    if (!kind.empty()) text += "（" + std::string(kind) + "）";
    return text;
}

std::string MaskedAccount(std::string_view account) {
    // Characters, not bytes: a Chinese account must not be cut inside a character.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < account.size(); ++i)
        if ((static_cast<unsigned char>(account[i]) & 0xC0) != 0x80) starts.push_back(i);
    if (starts.empty()) return {};
    const std::size_t shown = std::min<std::size_t>(4, starts.size() / 2);
    if (shown == 0) return "（已隐藏）";
    return "尾号 " + OneLine(account.substr(starts[starts.size() - shown]));
}

bool IsWindows11(std::string_view windows_version) {
    const auto [major, minor, build] = VersionNumbers(windows_version);
    return major > 10 || (major == 10 && minor == 0 && build >= 22000);
}

bool IsWindows10OrLater(std::string_view windows_version) { return VersionNumbers(windows_version)[0] >= 10; }

std::string WindowsName(std::string_view windows_version) {
    if (windows_version.empty()) return "Windows（版本未知）";
    if (!IsWindows11(windows_version)) return "Windows " + std::string(windows_version);
    return "Windows 11（" + std::string(windows_version) + "）";
}

std::string CutUtf8(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return std::string(text);
    std::size_t end = limit;
    // Back to the first byte of the character that would be cut.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end));
}

std::string TrayTip(const TipFacts& facts) {
    std::string tip = "Veltrane - ";
    // The cause that holds now: the cable before any number it caused, a stop before the number it
    // followed.
    if (facts.state == LineState::Connected && facts.no_internet)
        tip += "已连接，但无法访问互联网";
    else if (facts.state == LineState::Connected)
        tip += "已连接 " + FormatDuration(facts.connected_s);
    else if (facts.state == LineState::Dialling)
        tip += StateText(facts.state);
    else if (facts.no_link)
        tip += "未连接（网线未连接）";
    else if (facts.failure && facts.redial_stopped)
        tip += "已停止自动重拨（错误 " + std::to_string(*facts.failure) + "）";
    else if (facts.failure)
        tip += "未连接（错误 " + std::to_string(*facts.failure) + "）";
    else
        tip += StateText(facts.state);
    // A UTF-8 character takes at least as many bytes as its ANSI form and its UTF-16 units: within the
    // UTF-8 limit, the tip fits both of the record's forms.
    return CutUtf8(tip, kTrayTipLimit);
}

StatusTexts StatusViewTexts(const LineSnapshot& line) {
    StatusTexts texts;
    texts.state = StateText(line.state);
    const ConnectionDetails& details = line.details;
    texts.device = details.device.empty() ? std::string(kDash) : OneLine(details.device);
    // Kept in memory only: after a restart the log holds the earlier ones, so the row's label says whose it
    // is ("本次运行的上次失败").
    if (line.last_failure) {
        const LastFailure& failure = *line.last_failure;
        texts.failure = FailureNumber(failure, "");
        const std::string reason =
            failure.cause.empty() ? failure.next_step : failure.cause + "。" + failure.next_step;
        if (!reason.empty()) texts.failure += "\r\n" + reason;
    } else {
        texts.failure = "无";
    }
    if (line.state != LineState::Connected) {
        texts.ipv4 = texts.duration = texts.sent = texts.received = kDash;
        return texts;
    }
    texts.ipv4 = details.ipv4.empty() ? std::string("未获得") : Ipv4WithKind(details.ipv4);
    if (!details.ipv6.empty()) texts.ipv6 = Ipv6Text(details.ipv6);
    if (details.counters) {
        texts.duration = FormatDuration(details.counters->duration_s, true);
        texts.sent = FormatBytes(details.counters->bytes_sent);
        texts.received = FormatBytes(details.counters->bytes_received);
    } else {
        texts.duration = texts.sent = texts.received = kUnknown;
    }
    return texts;
}

std::string DiagnosticsText(const DiagnosticsFacts& facts, std::span<const std::string> log_lines) {
    std::string text;
    auto line = [&text](std::string_view label, std::string_view value) {
        text += label;
        text += value;
        text += kNewLine;
    };
    line("Veltrane 诊断信息 ", FormatLocalTime(facts.now));
    line("版本：", OneLine(facts.version));
    line("系统：", WindowsName(OneLine(facts.windows_version, 64)));
    line("宽带账号：", facts.account.empty() ? std::string("未填写") : MaskedAccount(facts.account));
    line("断网重拨：", std::string(facts.redial_on ? "开" : "关") + "；开机启动：" +
                           (facts.start_with_windows ? "开" : "关"));
    line("PPPoE 设备：", !facts.device.empty() ? OneLine(facts.device)
                         : facts.pppoe_device  ? std::string("有（名称未知）")
                                               : std::string("未找到"));
    // The adapters' own link in words of their own, apart from the broadband connection's state: an
    // unused Wi-Fi adapter is no fault.
    if (facts.adapters.empty()) line("网卡：", kUnknown);
    for (std::size_t i = 0; i < facts.adapters.size() && i < kMaxAdapters; ++i) {
        const AdapterLink& adapter = facts.adapters[i];
        line("网卡“" + OneLine(adapter.name) + (adapter.wireless ? "”（无线）：" : "”（有线）："),
             adapter.wireless ? (adapter.connected ? "已连上无线网络" : "未连上无线网络")
                              : (adapter.connected ? "网线已连接" : "网线未连接"));
    }
    const LineSnapshot& snapshot = facts.line;
    const ConnectionDetails& details = snapshot.details;
    std::string state(StateText(snapshot.state));
    if (snapshot.state == LineState::Connected && details.counters)
        state += " " + FormatDuration(details.counters->duration_s, true);
    line("宽带连接：", state);
    if (snapshot.state == LineState::Connected) {
        line("IPv4：",
             details.ipv4.empty() ? std::string("未获得") : Ipv4WithKind(OneLine(details.ipv4, 64)));
        line("IPv6：", details.ipv6.empty() ? std::string(kNone) : Ipv6Text(OneLine(details.ipv6, 64)));
        if (details.counters)
            line("流量：", "已发送 " + FormatBytes(details.counters->bytes_sent) + "，已接收 " +
                               FormatBytes(details.counters->bytes_received));
    }
    if (!facts.proxy.empty()) line("代理：", OneLine(facts.proxy));
    if (!facts.diagnosis.empty()) line("网络诊断：", OneLine(facts.diagnosis));
    // The cause alone: the next step is the subscriber's, and the log's lines need the room.
    std::string failure(kNone);
    if (const std::optional<LastFailure>& last = snapshot.last_failure) {
        failure = FailureNumber(*last, "");
        if (!last->cause.empty()) failure += "：" + OneLine(last->cause);
    }
    line("本次运行的上次失败：", failure);
    const std::string_view log_heading = "最近日志：\r\n";
    text += log_heading;
    if (text.size() > kDiagnosticsLimit) return CutUtf8(text, kDiagnosticsLimit);

    // The newest lines matter most to the support line: the oldest give way first.
    std::size_t first = log_lines.size() > kDiagnosticsLogLines ? log_lines.size() - kDiagnosticsLogLines : 0;
    std::vector<std::string> kept;
    std::size_t size = text.size();
    for (std::size_t i = first; i < log_lines.size(); ++i) {
        kept.push_back(OneLine(log_lines[i], 1024) + std::string(kNewLine));
        size += kept.back().size();
    }
    std::size_t drop = 0;
    while (size > kDiagnosticsLimit && drop < kept.size()) size -= kept[drop++].size();
    for (std::size_t i = drop; i < kept.size(); ++i) text += kept[i];
    return text;
}

}  // namespace vt
