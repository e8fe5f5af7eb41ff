#pragma once
// The connection state of a phonebook entry, what the connection is (addresses, counters, device), and the
// platform's dial tool started for dialing and hanging up. Texts are UTF-8.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vt {

// A connection's figures since it came up. The byte counts are whole: past 4 GiB as well.
struct LineCounters {
    std::uint64_t duration_s = 0;
    std::uint64_t bytes_sent = 0;
    std::uint64_t bytes_received = 0;
    bool operator==(const LineCounters&) const = default;
};

// The platform's 32-bit byte counters made whole: a reading below the one before went past 4 GiB, and 2^32
// is added to it and to every later reading of that connection. A connection is known by its handle and
// by the moment it started (the reading's time less its duration); another one starts afresh. A wrap is
// missed only when more than 4 GiB pass between two readings.
class CounterCarry {
public:
    // The start may seem to move by this much between readings of one connection: the duration and the
    // clock it is read against have their own steps.
    static constexpr std::int64_t kStartToleranceMs = 500;

    // `raw`: the figures as the platform tells them (its byte counters' low 32 bits count); `started_ms`:
    // when the connection started, on a millisecond clock of the caller's (32 bits are enough). The true
    // figures.
    LineCounters Carry(std::uintptr_t connection, std::int64_t started_ms, const LineCounters& raw);
    // Whether the last reading was the first of its connection.
    bool Fresh() const { return fresh_; }

private:
    std::optional<std::uintptr_t> connection_;
    std::int64_t started_ms_ = 0;
    LineCounters last_;
    std::uint64_t sent_carried_ = 0, received_carried_ = 0;
    bool fresh_ = true;
};

// What a connected line is.
struct ConnectionDetails {
    std::string ipv4;  // dotted; "" when IPv4 was not negotiated
    // The global address of the line's adapter once it has one, else the link-local one made from the
    // negotiated interface identifier ("fe80::..."); "" when IPv6 was not negotiated (a line that refuses
    // IPv6 is connected all the same).
    std::string ipv6;
    std::string device;                    // the device the connection runs on, "" when not told
    std::optional<LineCounters> counters;  // nothing when the system would not say
};

// Where an IPv4 address lies, as a subscriber's provider hands them out.
enum class Ipv4Kind {
    Public,      // reachable from the internet
    CarrierNat,  // 100.64.0.0/10: behind the provider's address translation
    Private,     // 10/8, 172.16/12, 192.168/16, and link-local 169.254/16
    Invalid,     // not a dotted address of four numbers up to 255
};
Ipv4Kind ClassifyIpv4(std::string_view dotted);

// An IPv6 address in its shortest text (the longest run of two or more zero groups as "::", lower case).
std::string FormatIpv6(const std::array<std::uint8_t, 16>& address);
// The link-local address fe80::/64 with the 8-byte interface identifier `id`.
std::array<std::uint8_t, 16> LinkLocalIpv6(const std::array<std::uint8_t, 8>& id);
// True for a global unicast address (2000::/3).
bool IsGlobalIpv6(const std::array<std::uint8_t, 16>& address);

// The dial tool's two jobs, and how the last run of one stands. `Unknown`: none was started in this run,
// it could not be started, or the system would not say.
enum class ToolJob { Dial, HangUp };
struct ToolRun {
    enum class State { Unknown, Running, Ended };
    State state = State::Unknown;
    unsigned long exit_code = 0;  // when Ended: the Remote Access error number, 0 on success
};

#ifdef _WIN32
// True when a connection of the entry `name` (letter case aside) is listed and its state is
// "connected": one still dialling, failing or closing is not. Any failure of the enumeration or the
// status call, or a name longer than the platform's 256 bytes, reads as not connected.
bool IsEntryConnected(std::string_view name);

// True while the system lists any connection of the entry `name` (letter case aside), whatever its state:
// dialling, connected or closing. The line is free for a new dial only once the status call answers
// ERROR_INVALID_HANDLE for every such connection (the system needs time to end one after a hang-up).
// A failed enumeration reads as false.
bool IsEntryListed(std::string_view name);

// True when a connection of an entry other than `name` is listed as connected on a PPPoE device: the
// system refuses a second broadband connection on the device (error 813), so dialling cannot help.
bool OtherBroadbandConnected(std::string_view name);

// The figures of the entry's connection (duration, bytes sent and received) while it is connected; nothing
// when it is not or the system will not say. The connection that IsEntryConnected found up last is asked
// directly, as long as it is still listed. The duration is the Remote Access statistics'; the bytes are
// its PPP interface's 64-bit counts (GetIfEntry2, Vista on; the interface found by the connection's
// addresses through GetAdaptersAddresses), else the statistics' 32-bit counters carried past 4 GiB
// (CounterCarry), which only a reading at least once per 4 GiB can do. A new connection counts afresh.
std::optional<LineCounters> ConnectionCounters(std::string_view name);

// Starts the system folder's rasdial.exe, hidden, with no console window and without waiting, to dial
// the "Veltrane" entry with `account` and `password`; the tool receives them exactly, as two arguments.
// When the entry lives in the current user's phonebook and not in the all-users one, the tool is named
// that book as well. True when the tool started. Its process is kept for LastToolRun(ToolJob::Dial).
bool LaunchDial(std::string_view account, std::string_view password);

// The same for hanging up the "Veltrane" entry; kept for LastToolRun(ToolJob::HangUp).
bool LaunchHangUp();

// How the last run of `job` stands, read without waiting.
ToolRun LastToolRun(ToolJob job);

// What the entry's connection is while it is connected: its addresses (the PPP projection, through
// RasGetProjectionInfoEx where the system has it, else RasGetProjectionInfo), its counters (as
// ConnectionCounters gives them) and its device (RasGetConnectStatus). Nothing when the entry is not
// connected or the system will not list it; a part the system will not tell is left empty.
std::optional<ConnectionDetails> ReadConnectionDetails(std::string_view name);

// The system's own text for the Remote Access error `code` (in the system's language, read as Unicode so
// that it survives a non-Unicode code page other than the display language), "" when it has none.
std::string DialErrorText(unsigned long code);
#endif

}  // namespace vt
