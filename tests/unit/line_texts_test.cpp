// What the subscriber reads about the line: durations, byte counts, the IPv4 address's kind, IPv6 texts,
// the tray tip within its field, the status view's rows and the diagnostics text within 4 KiB.
#include "services/line_texts.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace vt {
namespace {

// UTF-16 units of a UTF-8 text: two for a character beyond the basic plane.
std::size_t Utf16Units(std::string_view text) {
    std::size_t units = 0;
    for (unsigned char c : text) units += (c & 0xC0) != 0x80 ? (c >= 0xF0 ? 2 : 1) : 0;
    return units;
}

TEST(LineTexts, DurationsAndByteCounts) {
    const std::tuple<std::uint64_t, bool, std::string_view> durations[] = {
        {0, false, "不到1分钟"},       {59, false, "不到1分钟"},
        {300, false, "5分钟"},         {3599, false, "59分钟"},
        {3600, false, "1小时0分钟"},   {11520, false, "3小时12分钟"},
        {90061, false, "25小时1分钟"}, {0, true, "0秒"},
        {65, true, "1分5秒"},          {11525, true, "3小时12分5秒"},
    };
    for (const auto& [seconds, with_seconds, text] : durations)
        EXPECT_EQ(FormatDuration(seconds, with_seconds), text) << seconds;
    const std::pair<std::uint64_t, std::string_view> sizes[] = {
        {0, "0 字节"},       {1023, "1023 字节"},   {1024, "1.0 KB"},        {1536, "1.5 KB"},
        {1048575, "1.0 MB"}, {36909875, "35.2 MB"}, {4294967295u, "4.0 GB"}, {1ull << 50, "1024.0 TB"},
    };
    for (const auto& [bytes, text] : sizes) EXPECT_EQ(FormatBytes(bytes), text) << bytes;
}

// Readings of the 32-bit counters, in order, through one carry, and the whole figures it gives.
TEST(LineTexts, TheCarryTable) {
    constexpr std::uint64_t G = 1ULL << 32;
    // {what, connection, started, sent, received, whole sent, whole received, fresh}
    const std::tuple<const char*, std::uintptr_t, int, std::uint64_t, std::uint64_t, std::uint64_t,
                     std::uint64_t, bool>
        rows[] = {
            {"a first reading is taken as it is", 7, 1000, 10, G - 5, 10, G - 5, true},
            {"the received counter went past its top", 7, 1000, 20, 3, 20, G + 3, false},
            {"it keeps its carry, the start read a little late", 7, 1400, 30, 90, 30, G + 90, false},
            {"both wrap again", 7, 1100, 5, 1, G + 5, 2 * G + 1, false},
            {"a later start (the duration went back) is a new connection", 7, 60000, 4, 0, 4, 0, true},
            {"so is another handle", 8, 60000, 2, 1, 2, 1, true},
        };
    CounterCarry carry;
    for (const auto& [what, connection, started, sent, received, whole_sent, whole_received, fresh] : rows) {
        const LineCounters whole = carry.Carry(connection, started, {9, sent, received});
        EXPECT_EQ(whole.bytes_sent, whole_sent) << what;
        EXPECT_EQ(whole.bytes_received, whole_received) << what;
        EXPECT_EQ(carry.Fresh(), fresh) << what;
    }
}

TEST(LineTexts, TheKindOfAnIpv4Address) {
    // Each range's edges, and texts that are no address.
    const std::pair<std::string_view, Ipv4Kind> rows[] = {
        {"100.63.255.255", Ipv4Kind::Public},
        {"100.64.0.0", Ipv4Kind::CarrierNat},
        {"100.127.255.255", Ipv4Kind::CarrierNat},
        {"100.128.0.0", Ipv4Kind::Public},
        {"10.0.0.1", Ipv4Kind::Private},
        {"172.15.0.1", Ipv4Kind::Public},
        {"172.16.0.1", Ipv4Kind::Private},
        {"172.31.255.1", Ipv4Kind::Private},
        {"172.32.0.1", Ipv4Kind::Public},
        {"192.168.1.1", Ipv4Kind::Private},
        {"169.254.3.4", Ipv4Kind::Private},
        {"", Ipv4Kind::Invalid},
        {"1.2.3", Ipv4Kind::Invalid},
        {"1.2.3.256", Ipv4Kind::Invalid},
        {"01.2.3.4", Ipv4Kind::Invalid},
        {"1.2.3.4 ", Ipv4Kind::Invalid},
    };
    for (const auto& [address, kind] : rows) EXPECT_EQ(ClassifyIpv4(address), kind) << address;
    EXPECT_EQ(Ipv4WithKind("100.64.3.4") + Ipv4WithKind("58.60.1.2") + Ipv4WithKind("10.1.1.1"),
              "100.64.3.4（运营商内网）58.60.1.2（公网）10.1.1.1（私网）");
}

TEST(LineTexts, Ipv6InItsShortestText) {
    using A = std::array<std::uint8_t, 16>;
    const std::pair<A, std::string_view> rows[] = {
        {A{}, "::"},
        {A{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, "2001:db8::1"},
        {A{0x24, 0x08, 0x82, 0x07, 0x12, 0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "2408:8207:1234::"},
        {A{0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0}, "1:0:2::3:0:0"},     // the longer run
        {A{0, 1, 0, 0, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7}, "1:0:2:3:4:5:6:7"},  // one zero group stays
        {A{0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0}, "::1:0:0:2:0:0"},    // the first of equal runs
    };
    for (const auto& [address, text] : rows) EXPECT_EQ(FormatIpv6(address), text);
    const A link_local = LinkLocalIpv6({0x02, 0x50, 0x56, 0xff, 0xfe, 0x00, 0x00, 0x01});
    EXPECT_EQ(FormatIpv6(link_local), "fe80::250:56ff:fe00:1");
    EXPECT_FALSE(IsGlobalIpv6(link_local));
    EXPECT_TRUE(IsGlobalIpv6(rows[2].first));
    EXPECT_FALSE(IsGlobalIpv6(A{0xfd}));  // unique local
}

TEST(LineTexts, TheTrayTipTellsTheStateAndTheCauseWithinItsField) {
    using S = LineState;
    const std::pair<TipFacts, std::string_view> rows[] = {
        {{S::Connected, 11520}, "Veltrane - 已连接 3小时12分钟"},
        {{S::Connected, 300, 691}, "Veltrane - 已连接 5分钟"},
        {{S::Connected, 3 * 86400 + 60}, "Veltrane - 已连接 72小时1分钟"},
        {{S::Connected, 300, {}, false, false, true}, "Veltrane - 已连接，但无法访问互联网"},
        {{S::Dialling, 0, 651}, "Veltrane - 正在拨号……"},
        {{S::NotConnected, 0, 651}, "Veltrane - 未连接（错误 651）"},
        {{S::NotConnected, 0, 691, true}, "Veltrane - 已停止自动重拨（错误 691）"},
        {{S::NotConnected, 0, 691, true, true}, "Veltrane - 未连接（网线未连接）"},
        {{S::NotConnected}, "Veltrane - 未连接"},
        {{S::Connected, ~0ull}, "Veltrane - 已连接 5124095576030431小时0分钟"},
        {{S::NotConnected, 0, 4294967295ul, true}, "Veltrane - 已停止自动重拨（错误 4294967295）"},
    };
    for (const auto& [facts, tip] : rows) {
        const std::string text = TrayTip(facts);
        EXPECT_EQ(text, tip);
        EXPECT_LE(text.size(), kTrayTipLimit);
        EXPECT_LE(Utf16Units(text), kTrayTipLimit);
    }
    EXPECT_EQ(CutUtf8("已连接", 8), "已连");  // never inside a character
    EXPECT_EQ(CutUtf8("已连接", 9), "已连接");
}

TEST(LineTexts, TheStatusViewRows) {
    LineSnapshot line;
    line.state = LineState::Connected;
    line.details = {"100.64.3.4", "2408:8207::1", "WAN 微型端口 (PPPOE)",
                    LineCounters{11525, 1536, 36909875}};
    line.last_failure = LastFailure{691, "账号或密码错误", "请核对。", {2026, 12, 7, 21, 10, 0}};
    StatusTexts texts = StatusViewTexts(line);
    const std::vector<std::string> connected = {texts.state, texts.ipv4,     texts.ipv6,   texts.duration,
                                                texts.sent,  texts.received, texts.device, texts.failure};
    EXPECT_EQ(connected,
              (std::vector<std::string>{"已连接", "100.64.3.4（运营商内网）", "2408:8207::1", "3小时12分5秒",
                                        "1.5 KB", "35.2 MB", "WAN 微型端口 (PPPOE)",
                                        "错误 691（2026-12-07 21:10:00）\r\n账号或密码错误。请核对。"}));
    line.details.ipv6 = "fe80::250:56ff:fe00:1";
    line.details.counters.reset();
    texts = StatusViewTexts(line);
    EXPECT_EQ(texts.ipv6, "fe80::250:56ff:fe00:1（链路本地）");
    EXPECT_EQ(texts.duration, "未知");
    line.details.ipv6.clear();  // refused: no row, and still connected
    EXPECT_EQ(StatusViewTexts(line).ipv6, "");
    EXPECT_EQ(StatusViewTexts(line).state, "已连接");

    line.state = LineState::NotConnected;
    line.last_failure.reset();
    texts = StatusViewTexts(line);
    EXPECT_EQ(texts.state + texts.ipv4 + texts.received + texts.failure, "未连接——无");
}

TEST(LineTexts, TheDiagnosticsTextHoldsTheFactsAndTheNewestLogLinesWithin4KiB) {
    DiagnosticsFacts facts;
    facts.now = {2026, 12, 7, 21, 20, 0};
    facts.version = "9.0.0";
    facts.windows_version = "10.0.22631";
    facts.device = "WAN 微型端口 (PPPOE)";
    facts.pppoe_device = true;
    facts.adapters = {{"以太网", true}, {"WLAN\r\n", false, true}};
    facts.account = "07551234567";
    facts.redial_on = true;
    facts.proxy = "127.0.0.1:7890";
    facts.diagnosis = "网页打不开，DNS 正常";
    facts.line.state = LineState::Connected;
    facts.line.details = {"58.60.1.2", "", "WAN 微型端口 (PPPOE)", LineCounters{300, 2048, 4096}};
    facts.line.last_failure = LastFailure{691, "账号或密码错误", "请核对。", {2026, 12, 7, 21, 10, 0}};
    std::vector<std::string> log;
    for (int i = 0; i < 40; ++i) log.push_back("2026-12-07 21:00:00 line " + std::to_string(i));
    // A field a line: each fact as the support line reads it, the failure by its cause alone.
    const std::string fields[] = {
        "Veltrane 诊断信息 2026-12-07 21:20:00",
        "版本：9.0.0",
        "系统：Windows 11（10.0.22631）",
        "宽带账号：尾号 4567",
        "断网重拨：开；开机启动：关",
        "PPPoE 设备：WAN 微型端口 (PPPOE)",
        "网卡“以太网”（有线）：网线已连接",
        "网卡“WLAN  ”（无线）：未连上无线网络",
        "宽带连接：已连接 5分0秒",
        "IPv4：58.60.1.2（公网）",
        "IPv6：无",
        "流量：已发送 2.0 KB，已接收 4.0 KB",
        "代理：127.0.0.1:7890",
        "网络诊断：网页打不开，DNS 正常",
        "本次运行的上次失败：错误 691（2026-12-07 21:10:00）：账号或密码错误",
        "最近日志：",
    };
    std::string expected;
    for (const std::string& field : fields) expected += field + "\r\n";
    for (int i = 10; i < 40; ++i) expected += log[i] + "\r\n";
    EXPECT_EQ(DiagnosticsText(facts, log), expected);
    // Thirty failures of the provider's refusal, as the log writes them: every one is held.
    std::vector<std::string> refusals(
        30, "2026-12-07 21:14:03 拨号失败（错误 691）：账号或密码错误，或宽带已欠费、到期");
    const std::string night = DiagnosticsText(facts, refusals);
    std::printf("diagnostics with 30 lines of 691 failures: %zu bytes (limit %zu)\n", night.size(),
                kDiagnosticsLimit);
    EXPECT_NE(night.find("最近日志：\r\n" + refusals[0] + "\r\n"), std::string::npos);

    // Long lines: whole lines go from the oldest until the text fits.
    for (std::string& line : log) line += std::string(300, 'x');
    const std::string cut = DiagnosticsText(facts, log);
    EXPECT_LE(cut.size(), kDiagnosticsLimit);
    EXPECT_GT(cut.size(), kDiagnosticsLimit - 330);
    EXPECT_TRUE(cut.ends_with(log.back() + "\r\n"));
    EXPECT_NE(cut.find("最近日志：\r\n2026-12-07 21:00:00 line "), std::string::npos);

    // However many and long the caller's texts, the limit holds.
    facts.adapters.assign(100, {std::string(1000, 'a'), true});
    EXPECT_LE(DiagnosticsText(facts, log).size(), kDiagnosticsLimit);
}

}  // namespace
}  // namespace vt
