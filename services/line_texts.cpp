#include "services/line_texts.h"

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
            return "正在拨号…";
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

std::string FailureText(const LastFailure& failure, std::string_view between_time_and_reason) {
    std::string text = "错误 " + std::to_string(failure.code) + "（" + FormatLocalTime(failure.when) + "）";
    if (!failure.reason.empty()) {
        text += between_time_and_reason;
        text += failure.reason;
    }
    return text;
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
    if (hours > 0 || minutes > 0) text += std::to_string(minutes) + "分";
    if (with_seconds) return text + std::to_string(rest) + "秒";
    return text.empty() ? "不到1分" : text;
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

std::string CutUtf8(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return std::string(text);
    std::size_t end = limit;
    // Back to the first byte of the character that would be cut.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end));
}

std::string TrayTip(LineState state, std::uint64_t connected_s, std::optional<unsigned long> last_error) {
    std::string tip = "Veltrane - ";
    tip += StateText(state);
    if (state == LineState::Connected) tip += " " + FormatDuration(connected_s);
    if (state == LineState::NotConnected && last_error) tip += " (" + std::to_string(*last_error) + ")";
    // A UTF-8 character takes at least as many bytes as its ANSI form and its UTF-16 units: within the
    // UTF-8 limit, the tip fits both of the record's forms.
    return CutUtf8(tip, kTrayTipLimit);
}

StatusTexts StatusViewTexts(const LineSnapshot& line) {
    StatusTexts texts;
    texts.state = StateText(line.state);
    const ConnectionDetails& details = line.details;
    texts.device = details.device.empty() ? std::string(kDash) : OneLine(details.device);
    texts.failure = line.last_failure ? FailureText(*line.last_failure, "\r\n") : std::string(kNone);
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
    line("Windows：", OneLine(facts.windows_version));
    line("拨号设备：", facts.device.empty() ? kUnknown : OneLine(facts.device));
    line("PPPoE 设备：", facts.pppoe_device ? "有" : "无");
    if (facts.adapters.empty()) line("网卡：", kUnknown);
    for (std::size_t i = 0; i < facts.adapters.size() && i < kMaxAdapters; ++i)
        line("网卡 " + OneLine(facts.adapters[i].name) + "：",
             facts.adapters[i].connected ? "已连接" : "未连接");
    const LineSnapshot& snapshot = facts.line;
    const ConnectionDetails& details = snapshot.details;
    std::string state(StateText(snapshot.state));
    if (snapshot.state == LineState::Connected && details.counters)
        state += " " + FormatDuration(details.counters->duration_s, true);
    line("状态：", state);
    if (snapshot.state == LineState::Connected) {
        line("IPv4：",
             details.ipv4.empty() ? std::string("未获得") : Ipv4WithKind(OneLine(details.ipv4, 64)));
        line("IPv6：", details.ipv6.empty() ? std::string(kNone) : Ipv6Text(OneLine(details.ipv6, 64)));
        if (details.counters)
            line("流量：", "已发送 " + FormatBytes(details.counters->bytes_sent) + "，已接收 " +
                               FormatBytes(details.counters->bytes_received));
    }
    line("上次失败：", snapshot.last_failure ? OneLine(FailureText(*snapshot.last_failure, "："), 400)
                                             : std::string(kNone));
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
