#include "services/connection.h"

namespace vt {
namespace {

// Four decimal numbers up to 255 separated by dots; no signs, blanks or leading zeros beyond one digit
// (a leading zero reads as octal to some parsers, so such a text is not taken as an address).
std::optional<std::array<unsigned, 4>> ParseDotted(std::string_view text) {
    std::array<unsigned, 4> parts{};
    std::size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= text.size() || text[at] != '.') return std::nullopt;
            ++at;
        }
        const std::size_t start = at;
        unsigned value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 3)
            value = value * 10 + static_cast<unsigned>(text[at++] - '0');
        const std::size_t digits = at - start;
        if (digits == 0 || value > 255 || (digits > 1 && text[start] == '0')) return std::nullopt;
        parts[part] = value;
    }
    if (at != text.size()) return std::nullopt;
    return parts;
}

}  // namespace

Ipv4Kind ClassifyIpv4(std::string_view dotted) {
    const auto parts = ParseDotted(dotted);
    if (!parts) return Ipv4Kind::Invalid;
    const unsigned a = (*parts)[0], b = (*parts)[1];
    if (a == 100 && (b & 0xC0) == 64) return Ipv4Kind::CarrierNat;
    if (a == 10 || (a == 172 && (b & 0xF0) == 16) || (a == 192 && b == 168) || (a == 169 && b == 254))
        return Ipv4Kind::Private;
    return Ipv4Kind::Public;
}

std::string FormatIpv6(const std::array<std::uint8_t, 16>& address) {
    unsigned groups[8];
    for (int i = 0; i < 8; ++i) groups[i] = (address[2 * i] << 8) | address[2 * i + 1];
    // The longest run of zero groups (the first of equal runs), when it spans two groups or more.
    int best_start = -1, best_length = 1;
    for (int i = 0; i < 8;) {
        if (groups[i] != 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j < 8 && groups[j] == 0) ++j;
        if (j - i > best_length) best_start = i, best_length = j - i;
        i = j;
    }
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < 8; ++i) {
        if (i == best_start) {
            text += "::";
            i += best_length - 1;
            continue;
        }
        if (!text.empty() && text.back() != ':') text += ':';
        bool leading = true;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const unsigned digit = (groups[i] >> shift) & 0xF;
            if (digit == 0 && leading && shift > 0) continue;
            leading = false;
            text += digits[digit];
        }
    }
    return text;
}

std::array<std::uint8_t, 16> LinkLocalIpv6(const std::array<std::uint8_t, 8>& id) {
    std::array<std::uint8_t, 16> address{0xFE, 0x80};
    for (int i = 0; i < 8; ++i) address[8 + i] = id[i];
    return address;
}

bool IsGlobalIpv6(const std::array<std::uint8_t, 16>& address) { return (address[0] & 0xE0) == 0x20; }

LineCounters CounterCarry::Carry(std::uintptr_t connection, std::int64_t started_ms,
                                 const LineCounters& raw) {
    constexpr std::uint64_t kWrap = 1ULL << 32;
    const LineCounters now{raw.duration_s, raw.bytes_sent % kWrap, raw.bytes_received % kWrap};
    // Modulo 2^32, so that a 32-bit millisecond clock serves across its own wrap.
    const auto moved = static_cast<std::int32_t>(static_cast<std::uint32_t>(started_ms) -
                                                 static_cast<std::uint32_t>(started_ms_));
    fresh_ = connection_ != connection || moved > kStartToleranceMs || moved < -kStartToleranceMs;
    if (fresh_) {
        sent_carried_ = received_carried_ = 0;
    } else {
        if (now.bytes_sent < last_.bytes_sent) sent_carried_ += kWrap;
        if (now.bytes_received < last_.bytes_received) received_carried_ += kWrap;
    }
    // The latest start is kept, so that the two clocks' slow drift over a long session never adds up.
    connection_ = connection;
    started_ms_ = started_ms;
    last_ = now;
    return {now.duration_s, now.bytes_sent + sent_carried_, now.bytes_received + received_carried_};
}

}  // namespace vt
