#pragma once
// What the subscriber reads about the line: the tray tip, the status view's lines and the diagnostics text
// for the provider's support line. Platform-free; texts are UTF-8. None of these take the password or its
// cipher text, so none can show them.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "services/connection.h"

namespace vt {

// A moment on the local clock.
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
// "2026-12-07 21:14:03".
std::string FormatLocalTime(const LocalTime& time);

enum class LineState { NotConnected, Dialling, Connected };

struct LastFailure {
    unsigned long code = 0;
    std::string cause;      // the number's cause in a few words, "" when none is known
    std::string next_step;  // what the subscriber can do about it
    LocalTime when;
};

// What the status view shows, as its owner reads it at each refresh.
struct LineSnapshot {
    LineState state = LineState::NotConnected;
    ConnectionDetails details;  // while connected
    std::optional<LastFailure> last_failure;
};

// A network adapter's link, as the system reports it.
struct AdapterLink {
    std::string name;
    bool connected = false;
    bool wireless = false;
};

// "3小时12分钟" (days counted as hours), "5分钟" under an hour, "不到1分钟" under a minute; with `seconds`,
// the seconds follow ("3小时12分5秒", "12分5秒", "5秒").
std::string FormatDuration(std::uint64_t seconds, bool with_seconds = false);
// "512 字节", "1.5 KB", "35.2 MB", "1.2 GB" (1024-based, one decimal).
std::string FormatBytes(std::uint64_t bytes);
// "公网", "运营商内网", "私网"; "" for a text that is no address.
std::string_view Ipv4KindText(Ipv4Kind kind);
// "100.64.1.2（运营商内网）"; "" for "".
std::string Ipv4WithKind(std::string_view dotted);
// "尾号 4567": at most the last 4 characters of `account`, and never more than half of it, so that a short
// account is not shown whole ("（已隐藏）" when nothing can be shown); "" for "".
std::string MaskedAccount(std::string_view account);

// "10.0.22631" is Windows 11: Windows 11 still reports 10.0, with builds from 22000 on.
bool IsWindows11(std::string_view windows_version);
bool IsWindows10OrLater(std::string_view windows_version);
// "Windows 11（10.0.22631）" for Windows 11, "Windows 10.0.19045" otherwise.
std::string WindowsName(std::string_view windows_version);

// What the tip tells, as the dialer knows it.
struct TipFacts {
    LineState state = LineState::NotConnected;
    std::uint64_t connected_s = 0;
    std::optional<unsigned long> failure;  // the number of the failure that left the line down
    bool redial_stopped = false;           // redialling stopped after that failure
    bool no_link = false;                  // no adapter has link: the cable is out or the modem off
    bool no_internet = false;              // connected, but the test pages do not answer
};
// The notification-area tip says why the line is down: "Veltrane - 已连接 3小时12分钟",
// "Veltrane - 已连接，但无法访问互联网", "Veltrane - 正在拨号……", "Veltrane - 未连接（网线未连接）",
// "Veltrane - 已停止自动重拨（错误 691）", "Veltrane - 未连接（错误 651）", "Veltrane - 未连接". Always
// fits the tip's field: at most 127 bytes in UTF-8 and in the ANSI code page, and 127 UTF-16 units, leaving
// room for the terminator.
std::string TrayTip(const TipFacts& facts);
inline constexpr std::size_t kTrayTipLimit = 127;
// Cuts `text` at a character boundary to at most `limit` UTF-8 bytes.
std::string CutUtf8(std::string_view text, std::size_t limit);

// The status view's values, row by row. An empty `ipv6` means the row is not shown. The failure is this
// run's last, with its whole reason.
struct StatusTexts {
    std::string state, ipv4, ipv6, duration, sent, received, device, failure;
};
StatusTexts StatusViewTexts(const LineSnapshot& line);

// Facts for the diagnostics text, as the caller gathers them.
struct DiagnosticsFacts {
    LocalTime now;
    std::string version;          // the program's
    std::string windows_version;  // "10.0.19045"
    std::string device;           // the entry's device
    bool pppoe_device = false;    // whether the system has a PPPoE device at all
    std::vector<AdapterLink> adapters;
    LineSnapshot line;
    std::string account;  // whole: only its last characters are shown
    bool redial_on = false, start_with_windows = false;
    std::string proxy;      // the proxy in force, "" when it is not told
    std::string diagnosis;  // what the last look at the internet found, "" when none was made
};
inline constexpr std::size_t kDiagnosticsLimit = 4096;  // bytes of UTF-8
inline constexpr std::size_t kDiagnosticsLogLines = 30;
// The text "复制诊断信息" puts on the clipboard: the facts (the failure by its cause alone), then the last
// 30 of `log_lines` (oldest first), lines ending in CR LF, at most 4096 bytes: whole log lines are left out
// from the oldest to fit.
std::string DiagnosticsText(const DiagnosticsFacts& facts, std::span<const std::string> log_lines);

}  // namespace vt
