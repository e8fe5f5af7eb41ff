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
    std::string reason;  // the balloon's reason for the number, "" when none is known
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
};

// "3小时12分" (days counted as hours), "5分" under an hour, "不到1分" under a minute; with `seconds`,
// the seconds follow ("3小时12分5秒", "12分5秒", "5秒").
std::string FormatDuration(std::uint64_t seconds, bool with_seconds = false);
// "512 字节", "1.5 KB", "35.2 MB", "1.2 GB" (1024-based, one decimal).
std::string FormatBytes(std::uint64_t bytes);
// "公网", "运营商内网", "私网"; "" for a text that is no address.
std::string_view Ipv4KindText(Ipv4Kind kind);
// "100.64.1.2（运营商内网）"; "" for "".
std::string Ipv4WithKind(std::string_view dotted);

// The notification-area tip: "Veltrane - 已连接 3小时12分", "Veltrane - 正在拨号…",
// "Veltrane - 未连接 (651)", "Veltrane - 未连接" without a number. Always fits the tip's field: at most
// 127 bytes in UTF-8 and in the ANSI code page, and 127 UTF-16 units, leaving room for the terminator.
std::string TrayTip(LineState state, std::uint64_t connected_s, std::optional<unsigned long> last_error);
inline constexpr std::size_t kTrayTipLimit = 127;
// Cuts `text` at a character boundary to at most `limit` UTF-8 bytes.
std::string CutUtf8(std::string_view text, std::size_t limit);

// The status view's values, row by row. An empty `ipv6` means the row is not shown.
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
};
inline constexpr std::size_t kDiagnosticsLimit = 4096;  // bytes of UTF-8
inline constexpr std::size_t kDiagnosticsLogLines = 30;
// The text "复制诊断信息" puts on the clipboard: the facts, then the last 30 of `log_lines` (oldest first),
// lines ending in CR LF, at most 4096 bytes: whole log lines are left out from the oldest to fit.
std::string DiagnosticsText(const DiagnosticsFacts& facts, std::span<const std::string> log_lines);

}  // namespace vt
