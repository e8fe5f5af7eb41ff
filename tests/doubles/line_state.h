#pragma once
// The simulated broadband line shared by the stand-in phonebook library (rasapi32.dll), the stand-in dial
// tool (rasdial.exe) and the tests that drive them. Header-only, so that any Windows program can use it
// that links the program's base library (for its text conversions).
//
// State file
//   Path: the environment variable VELTRANE_LINE_STATE, else <Windows folder>\temp\veltrane-line.ini.
//   UTF-8 text, one item per line, fields separated by one space; '#' starts a comment line. A text field
//   is written with every byte below 0x21, '%', '"' and 0x7F as %XX (hexadecimal), and "" for the empty
//   text. Lines:
//     elevated                       the caller runs elevated: the all-users phonebook takes writes and
//                                    default credentials; without it both are refused (access denied)
//     entry <name>                   an entry of the all-users (default) phonebook (in order)
//     userentry <name>               an entry of the current user's phonebook (in order)
//     device <type> <name>           a device the library lists; without any device line it lists a modem
//                                    and the PPPoE miniport of a Chinese-language system
//     connected <name>               an entry connected outside any dial (in order)
//     dial connect <N>               how every following dial behaves: connects N seconds after the dial,
//     dial never                       never connects (the tool ends with 678),
//     dial fail [<code>]               is refused (the tool ends with <code>, 691 by default; nothing is
//                                      attempted),
//     dial drop <N> <M>                connects after N seconds and drops M seconds later.
//                                    Without a dial line, dials connect after 2 seconds. A dial that
//                                    connects keeps its tool running until the line is up, as the real
//                                    tool does; a connection is listed (state "dialling") from the dial on.
//     dial script <code> <code> ...  the next dials end with these codes, in order: each dial that reaches
//                                    the line (one refused at once with 623, 617, 756 or 813 does not)
//                                    takes the first and removes it; 0 connects after the connect time of
//                                    the "dial connect"/"dial drop" line (2 s otherwise), any other code
//                                    refuses the dial as "dial fail <code>". Once it is used up, the
//                                    other "dial" line applies again.
//     other <name>                   another program's broadband connection, listed as connected on the
//                                    PPPoE device with its own handle (no entry needed). While any
//                                    connection of another entry is connected ("other" or "connected"),
//                                    a dial ends with 813, as the system refuses a second broadband
//                                    connection on the device.
//     slow <N>                       a dial that does not connect keeps its tool running N seconds before
//                                    it ends with its code (listed as dialling meanwhile); default 0
//     hangup <N> [<M>]               a hang-up's tool runs N seconds (default 2) and the connection stays
//                                    listed as closing M seconds more after the tool has ended (default
//                                    0), as the system releases a line after the hang-up has returned; a
//                                    dial while it is listed ends with 617
//     traffic <name> <received> [<per second> [<since ms>]]
//                                    the bytes the entry's connection received: <received> when it comes
//                                    up (any 64-bit count), growing by <per second> while it is up; each
//                                    new connection starts again from <received>. The Remote Access
//                                    statistics tell the count cut to 32 bits, as the system's counter
//                                    wraps; the connection's PPP interface (GetIfEntry2) tells it whole.
//                                    A connection of a "connected" or "other" line has no time it came
//                                    up: it counts from <since ms> (milliseconds since 1601, UTC), or
//                                    stays at <received> without it
//     refuse <function> <size>       the named library function answers 632 (invalid size) to a record of
//                                    <size> bytes, as a system that does not know that form would
//     accept <user> <password>       when any accept line exists, only these credentials connect; others
//                                    are refused like "dial fail"
//     attempt <name> <ms> <mode...>  a dial the tool started at <ms> (milliseconds since 1601, UTC) with
//                                    the dial mode then in force (and the slowness, as "slow <N>" at the
//                                    end); whether it is dialling or connected is worked out from the
//                                    clock whenever the state is read, so no process needs to linger
//     closing <name> <ms>            a hang-up under way until <ms>
//     record <name> <hex>            the raw entry record last stored by RasSetEntryPropertiesA or W, in
//                                    the form it was written in (its size tells which); the
//                                    RasGetEntryProperties call of the same character width returns it
//     credentials <name> <mask> <user> <password> <domain>   last RasSetCredentialsA (mask in decimal)
//     errortext <code> <text>        the system's own text for a Remote Access error number
//     fail <function> <code>         every call of the named library function returns <code>
//     addresses <name> <ipv4> <ipv6> [<since ms> [<sent>]]
//                                    what a connection of the entry negotiates: <ipv4> dotted, or
//                                    "refused" (the server rejects IPCP); <ipv6> the local interface
//                                    identifier as 16 hexadecimal digits, or "refused" (the server
//                                    rejects IPV6CP). IPv6 is negotiated only when the entry asks for it:
//                                    an entry whose stored record lacks RASNP_Ipv6 in dwfNetProtocols
//                                    has none to tell (an entry without a record asks for both, as one
//                                    made in the system's own settings does). <since ms> (milliseconds
//                                    since 1601, UTC): when a connection of a "connected" line came up;
//                                    a dialled one counts from when it came up. <sent>: the bytes it sent
//                                    (cut to 32 bits as <received>). Without the line: 100.64.12.34, IPv6
//                                    refused, 0 sent.
//   Hanging an entry up removes its "connected", "other" and "attempt" lines. Missing file: empty
//   phonebook, no connections, default dials.
//   With a /PHONEBOOK:<file> option the dial tool finds the entry only in that file: the user's book
//   holds the "userentry" lines, another existing file the "entry" lines.
//
// Change signal
//   Every writer of the state (Save, so Update too, and UsePrivateState) signals each of the named
//   auto-reset events "VeltraneLineChanged-<0..15>" that exists. A process of the stand-in library that
//   was asked for connection notifications owns one slot and waits on it, with a time-out at the next
//   change the state predicts from the clock (a dial coming up, a drop, the end of a closing), so the
//   ends of connections are signalled as they happen and nothing polls in between.
//
// Dial log
//   Path: the state file's path followed by ".log". One line per start of the dial tool, appended:
//     start <show> <exe> <argument>...
//   <show> is the show-window value the tool was started with (0 = hidden, -1 when none was given),
//   <exe> the tool's own full path, then each argument exactly as the C runtime parsed it (argv[1..]),
//   every field escaped as above.
//
// The network adapters (the stand-in iphlpapi.dll)
//   The stand-in library serves the interface table, an interface's row and the change notification from
//   lines of the same state file. Its adapters' list is the system's own with, after it, the PPP interface
//   of each connected connection (PppInterfaceIndex), which holds the negotiated IPv4 address and the
//   link-local IPv6 address of the negotiated identifier; that interface's row (GetIfEntry2) tells the
//   connection's bytes whole. Every other call of the library is the system's own.
//     adapter <index> <type> <media> <flags> <name>
//                                    an interface of the table, in order: its index (1 and up), its IANA
//                                    type (6 Ethernet, 71 Wi-Fi, 24 loopback, 23 PPP, 131 tunnel), its
//                                    media state (up, down or unknown), its flags and its name. Flags,
//                                    joined by commas ("-" for none): hardware (HardwareInterface, which
//                                    some virtual adapters claim), connector (ConnectorPresent: a port of
//                                    its own, the physical mark), filter (a filter driver's row), absent
//                                    (IfOperStatusNotPresent: a USB adapter used once and away now),
//                                    disabled (administratively down). Without any adapter line the table
//                                    lists the loopback interface alone, as a loopback-only network
//                                    namespace does.
//     link quiet                     changes of the adapters are not told: NotifyIpInterfaceChange takes
//                                    registrations and never calls back (Wine's does the same, and a
//                                    system may not tell a media change of an adapter without IP). Without
//                                    it, an adapter added, removed, changing its media state, unplugged
//                                    or disabled calls back every registration once per IP family it
//                                    asked for, on a thread of the library's that owns a change-signal
//                                    slot of its own.
//   The "fail" lines apply to GetIfTable2, GetIfEntry2 and NotifyIpInterfaceChange too.
//   While the table lists Ethernet or Wi-Fi adapters with a connector, present and enabled (not a filter's
//   row), and every one of them is down, there is nothing to dial over: a dial ends with 651 (the device
//   reported an error), as the system's does with the cable out, after the "slow" time; it takes no "dial
//   script" code, as it never reaches the provider.
//
// Processes take the named mutex "VeltraneLineStateLock" around each read-modify-write.
#include <windows.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/handles.h"
#include "base/text.h"

namespace vt::line {

enum class DialMode { Connect, Never, Fail, Drop };

struct DialBehaviour {
    DialMode mode = DialMode::Connect;
    int connect_after_s = 2;
    int drop_after_s = 0;
    unsigned long code = 691;  // the exit code of a refused dial
};

struct Attempt {
    std::string entry;
    long long started_ms = 0;
    DialBehaviour behaviour;
    int slow_s = 0;
};

struct Closing {
    std::string entry;
    long long until_ms = 0;
};

struct Device {
    std::string type, name;
};

// A connection as the library lists it: its entry and its state (RASCONNSTATE).
struct Listed {
    std::string entry;
    unsigned long state = 0;
};
inline constexpr unsigned long kStateDialling = 5;  // RASCS_Authenticate
inline constexpr unsigned long kStateConnected = 0x2000;
inline constexpr unsigned long kStateClosing = 0x2001;  // RASCS_Disconnected

struct StoredCredentials {
    std::string entry;
    unsigned long mask = 0;
    std::string user, password, domain;
};

struct Failure {
    std::string function;
    unsigned long code = 0;
};

struct Refusal {
    std::string function;
    unsigned long size = 0;
};

struct Traffic {
    std::string entry;
    unsigned long long received = 0;
    unsigned long per_second = 0;
    long long since_ms = 0;  // for a connection with no time it came up; 0: none
};

// ---- the network adapters: types --------------------------------------------------------------------

// NET_IF_MEDIA_CONNECT_STATE
enum class Media { Unknown = 0, Up = 1, Down = 2 };

struct Adapter {
    unsigned long index = 0;
    unsigned long type = 0;
    Media media = Media::Unknown;
    bool hardware = false, connector = false, filter = false, absent = false, disabled = false;
    std::string name;
};

struct Link {
    std::vector<Adapter> adapters;
    bool quiet = false;
};

// What a connection of the entry negotiates ("addresses" lines).
struct Addresses {
    std::string entry;
    std::string ipv4 = "100.64.12.34";  // or "refused"
    std::string ipv6 = "refused";       // 16 hexadecimal digits, or "refused"
    long long since_ms = 0;
    unsigned long long sent = 0;
};

struct State {
    bool elevated = false;
    std::vector<std::string> entries;       // the all-users book
    std::vector<std::string> user_entries;  // the current user's book
    std::vector<Device> devices;
    std::vector<std::string> connected;
    DialBehaviour dial;
    int slow_s = 0;
    int hang_up_s = 2;
    int released_after_s = 0;           // the closing stays listed this long after the hang-up's tool ended
    std::vector<unsigned long> script;  // exit codes of the next dials
    std::vector<std::string> others;    // other programs' broadband connections
    std::vector<Traffic> traffic;
    std::vector<Refusal> refusals;
    std::vector<Closing> closing;
    std::vector<std::pair<std::string, std::string>> accepted;  // user, password
    std::vector<Attempt> attempts;
    std::vector<std::pair<std::string, std::string>> records;  // entry, raw record bytes
    std::vector<StoredCredentials> credentials;
    std::vector<Failure> failures;
    std::vector<std::pair<unsigned long, std::string>> error_texts;
    std::vector<std::string> comments;
    Link link;  // the network adapters
    std::vector<Addresses> addresses;
};

struct DialStart {
    int show = -1;
    std::string exe;
    std::vector<std::string> args;
};

// ---- text helpers -------------------------------------------------------------------------------------

// The library's ANSI forms are in the system's code page; the state file is UTF-8.
inline std::string AnsiToUtf8(std::string_view ansi) { return WideToUtf8(AnsiToWide(ansi)); }
inline std::string Utf8ToAnsi(std::string_view utf8) { return WideToAnsi(Utf8ToWide(utf8)); }

inline std::string Escape(std::string_view text) {
    if (text.empty()) return "\"\"";
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x21 || c == '%' || c == '"' || c == 0x7F) {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

inline std::string Unescape(std::string_view field) {
    if (field == "\"\"") return {};
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '%' && i + 2 < field.size() && HexDigit(field[i + 1]) >= 0 &&
            HexDigit(field[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(field[i + 1]) * 16 + HexDigit(field[i + 2]));
            i += 2;
        } else {
            out += field[i];
        }
    }
    return out;
}

inline std::string ToHex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

inline std::string FromHex(std::string_view hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) break;
        out += static_cast<char>(high * 16 + low);
    }
    return out;
}

// An "addresses" line's IPv4 address, dotted, and IPv6 interface identifier, 16 hexadecimal digits.
inline bool DottedBytes(const std::string& dotted, BYTE (&bytes)[4]) {
    unsigned a, b, c, d;
    char tail;
    if (std::sscanf(dotted.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4 || a > 255 || b > 255 ||
        c > 255 || d > 255)
        return false;
    bytes[0] = static_cast<BYTE>(a), bytes[1] = static_cast<BYTE>(b), bytes[2] = static_cast<BYTE>(c);
    bytes[3] = static_cast<BYTE>(d);
    return true;
}

inline bool InterfaceId(const std::string& hex, BYTE (&id)[8]) {
    const std::string bytes = FromHex(hex);
    if (hex.size() != 16 || bytes.size() != 8) return false;
    std::memcpy(id, bytes.data(), 8);
    return true;
}

inline std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start < line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos) end = line.size();
        if (end > start) fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

// ---- paths, clock, lock -------------------------------------------------------------------------------

inline std::wstring StatePath() {
    // The W call: the A call cuts non-ASCII values under Wine.
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD length = GetEnvironmentVariableW(L"VELTRANE_LINE_STATE", buffer, MAX_PATH * 2);
    if (length > 0 && length < MAX_PATH * 2) return std::wstring(buffer, length);
    wchar_t windows[MAX_PATH] = {};
    UINT size = GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring folder(windows, size < MAX_PATH ? size : 0);
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder + L"temp\\veltrane-line.ini";
}

inline std::wstring DialLogPath() { return StatePath() + L".log"; }

inline long long NowMs() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER value;
    value.LowPart = now.dwLowDateTime;
    value.HighPart = now.dwHighDateTime;
    return static_cast<long long>(value.QuadPart / 10000);
}

class Lock {
public:
    Lock() : mutex_(CreateMutexW(nullptr, FALSE, L"VeltraneLineStateLock")) {
        if (mutex_) WaitForSingleObject(mutex_.get(), 10000);
    }
    ~Lock() {
        if (mutex_) ReleaseMutex(mutex_.get());
    }

private:
    UniqueKernelHandle mutex_;
};

// ---- files --------------------------------------------------------------------------------------------

inline bool ReadWholeFile(const std::wstring& path, std::string& content) {
    content.clear();
    const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        content.append(buffer, read);
    return true;
}

inline bool WriteWholeFile(const std::wstring& path, std::string_view content, bool append) {
    const UniqueFile file(CreateFileW(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
                                      FILE_SHARE_READ, nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
           written == content.size();
}

inline std::vector<std::string> Lines(const std::string& content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// Reads "connect N" / "never" / "fail" / "drop N M" starting at fields[first].
inline bool ParseBehaviour(const std::vector<std::string_view>& fields, std::size_t first,
                           DialBehaviour& out) {
    if (first >= fields.size()) return false;
    auto number = [&](std::size_t i) {
        return i < fields.size() ? std::atoi(std::string(fields[i]).c_str()) : 0;
    };
    std::string_view mode = fields[first];
    if (mode == "connect") {
        out = {DialMode::Connect, number(first + 1), 0};
    } else if (mode == "never") {
        out = {DialMode::Never, 0, 0};
    } else if (mode == "fail") {
        out = {DialMode::Fail, 0, 0};
        if (first + 1 < fields.size() && fields[first + 1] != "slow")
            out.code = std::strtoul(std::string(fields[first + 1]).c_str(), nullptr, 10);
    } else if (mode == "drop") {
        out = {DialMode::Drop, number(first + 1), number(first + 2)};
    } else {
        return false;
    }
    return true;
}

inline std::string FormatBehaviour(const DialBehaviour& behaviour) {
    switch (behaviour.mode) {
        case DialMode::Connect:
            return "connect " + std::to_string(behaviour.connect_after_s);
        case DialMode::Never:
            return "never";
        case DialMode::Fail:
            return "fail " + std::to_string(behaviour.code);
        case DialMode::Drop:
            return "drop " + std::to_string(behaviour.connect_after_s) + " " +
                   std::to_string(behaviour.drop_after_s);
    }
    return "never";
}

// ---- the network adapters: lines ---------------------------------------------------------------------

inline constexpr const char* kMediaWords[] = {"unknown", "up", "down"};

// The words of an adapter's flags, each with its member.
inline std::array<std::pair<const char*, bool*>, 5> AdapterFlags(Adapter& a) {
    return {{{"hardware", &a.hardware},
             {"connector", &a.connector},
             {"filter", &a.filter},
             {"absent", &a.absent},
             {"disabled", &a.disabled}}};
}

// An "adapter" or "link" line into `link`; false for any other line.
inline bool ParseLinkLine(const std::vector<std::string_view>& f, Link& link) {
    if (f.size() >= 2 && f[0] == "link") {
        link.quiet = link.quiet || f[1] == "quiet";
        return true;
    }
    if (f.size() < 6 || f[0] != "adapter") return false;
    Adapter adapter;
    adapter.index = std::strtoul(std::string(f[1]).c_str(), nullptr, 10);
    adapter.type = std::strtoul(std::string(f[2]).c_str(), nullptr, 10);
    for (int m = 0; m < 3; ++m)
        if (f[3] == kMediaWords[m]) adapter.media = static_cast<Media>(m);
    for (const auto& [word, flag] : AdapterFlags(adapter)) *flag = f[4].find(word) != std::string_view::npos;
    adapter.name = Unescape(f[5]);
    link.adapters.push_back(adapter);
    return true;
}

inline std::string FormatLink(const Link& link) {
    std::string out = link.quiet ? "link quiet\n" : "";
    for (Adapter a : link.adapters) {
        std::string flags;
        for (const auto& [word, flag] : AdapterFlags(a))
            if (*flag) flags += (flags.empty() ? "" : ",") + std::string(word);
        if (flags.empty()) flags = "-";
        out += "adapter " + std::to_string(a.index) + " " + std::to_string(a.type) + " " +
               kMediaWords[static_cast<int>(a.media)] + " " + flags + " " + Escape(a.name) + "\n";
    }
    return out;
}

inline State Parse(const std::string& content) {
    State state;
    for (const std::string& line : Lines(content)) {
        if (line.empty()) continue;
        if (line[0] == '#') {
            state.comments.push_back(line);
            continue;
        }
        std::vector<std::string_view> f = SplitFields(line);
        if (f.empty()) continue;
        std::string_view kind = f[0];
        if (ParseLinkLine(f, state.link)) continue;
        if (kind == "elevated") {
            state.elevated = true;
        } else if (kind == "entry" && f.size() >= 2) {
            state.entries.push_back(Unescape(f[1]));
        } else if (kind == "userentry" && f.size() >= 2) {
            state.user_entries.push_back(Unescape(f[1]));
        } else if (kind == "device" && f.size() >= 3) {
            state.devices.push_back({Unescape(f[1]), Unescape(f[2])});
        } else if (kind == "slow" && f.size() >= 2) {
            state.slow_s = std::atoi(std::string(f[1]).c_str());
        } else if (kind == "hangup" && f.size() >= 2) {
            state.hang_up_s = std::atoi(std::string(f[1]).c_str());
            state.released_after_s = f.size() >= 3 ? std::atoi(std::string(f[2]).c_str()) : 0;
        } else if (kind == "dial" && f.size() >= 2 && f[1] == "script") {
            state.script.clear();
            for (std::size_t i = 2; i < f.size(); ++i)
                state.script.push_back(std::strtoul(std::string(f[i]).c_str(), nullptr, 10));
        } else if (kind == "other" && f.size() >= 2) {
            state.others.push_back(Unescape(f[1]));
        } else if (kind == "traffic" && f.size() >= 3) {
            auto number = [&](std::size_t i) {
                return i < f.size() ? std::strtoull(std::string(f[i]).c_str(), nullptr, 10) : 0ULL;
            };
            state.traffic.push_back({Unescape(f[1]), number(2), static_cast<unsigned long>(number(3)),
                                     static_cast<long long>(number(4))});
        } else if (kind == "refuse" && f.size() >= 3) {
            state.refusals.push_back(
                {std::string(f[1]), std::strtoul(std::string(f[2]).c_str(), nullptr, 10)});
        } else if (kind == "closing" && f.size() >= 3) {
            state.closing.push_back({Unescape(f[1]), std::atoll(std::string(f[2]).c_str())});
        } else if (kind == "connected" && f.size() >= 2) {
            state.connected.push_back(Unescape(f[1]));
        } else if (kind == "dial") {
            ParseBehaviour(f, 1, state.dial);
        } else if (kind == "accept" && f.size() >= 3) {
            state.accepted.emplace_back(Unescape(f[1]), Unescape(f[2]));
        } else if (kind == "attempt" && f.size() >= 4) {
            Attempt attempt;
            attempt.entry = Unescape(f[1]);
            attempt.started_ms = std::atoll(std::string(f[2]).c_str());
            for (std::size_t i = 3; i + 1 < f.size(); ++i)
                if (f[i] == "slow") attempt.slow_s = std::atoi(std::string(f[i + 1]).c_str());
            if (ParseBehaviour(f, 3, attempt.behaviour)) state.attempts.push_back(attempt);
        } else if (kind == "record" && f.size() >= 3) {
            state.records.emplace_back(Unescape(f[1]), FromHex(f[2]));
        } else if (kind == "credentials" && f.size() >= 6) {
            state.credentials.push_back({Unescape(f[1]), std::strtoul(std::string(f[2]).c_str(), nullptr, 10),
                                         Unescape(f[3]), Unescape(f[4]), Unescape(f[5])});
        } else if (kind == "errortext" && f.size() >= 3) {
            state.error_texts.emplace_back(std::strtoul(std::string(f[1]).c_str(), nullptr, 10),
                                           Unescape(f[2]));
        } else if (kind == "fail" && f.size() >= 3) {
            state.failures.push_back(
                {std::string(f[1]), std::strtoul(std::string(f[2]).c_str(), nullptr, 10)});
        } else if (kind == "addresses" && f.size() >= 4) {
            Addresses a{Unescape(f[1]), std::string(f[2]), std::string(f[3])};
            if (f.size() >= 5) a.since_ms = std::atoll(std::string(f[4]).c_str());
            if (f.size() >= 6) a.sent = std::strtoull(std::string(f[5]).c_str(), nullptr, 10);
            state.addresses.push_back(a);
        }
    }
    return state;
}

inline std::string Format(const State& state) {
    std::string out;
    for (const std::string& comment : state.comments) out += comment + "\n";
    if (state.elevated) out += "elevated\n";
    for (const std::string& name : state.entries) out += "entry " + Escape(name) + "\n";
    for (const std::string& name : state.user_entries) out += "userentry " + Escape(name) + "\n";
    for (const Device& d : state.devices) out += "device " + Escape(d.type) + " " + Escape(d.name) + "\n";
    for (const std::string& name : state.connected) out += "connected " + Escape(name) + "\n";
    for (const std::string& name : state.others) out += "other " + Escape(name) + "\n";
    out += "dial " + FormatBehaviour(state.dial) + "\n";
    if (!state.script.empty()) {
        out += "dial script";
        for (unsigned long code : state.script) out += " " + std::to_string(code);
        out += "\n";
    }
    out += "slow " + std::to_string(state.slow_s) + "\n";
    out += "hangup " + std::to_string(state.hang_up_s) + " " + std::to_string(state.released_after_s) + "\n";
    for (const Traffic& t : state.traffic)
        out += "traffic " + Escape(t.entry) + " " + std::to_string(t.received) + " " +
               std::to_string(t.per_second) + " " + std::to_string(t.since_ms) + "\n";
    for (const Refusal& r : state.refusals)
        out += "refuse " + r.function + " " + std::to_string(r.size) + "\n";
    for (const Closing& c : state.closing)
        out += "closing " + Escape(c.entry) + " " + std::to_string(c.until_ms) + "\n";
    for (const auto& [user, password] : state.accepted)
        out += "accept " + Escape(user) + " " + Escape(password) + "\n";
    for (const Attempt& a : state.attempts)
        out += "attempt " + Escape(a.entry) + " " + std::to_string(a.started_ms) + " " +
               FormatBehaviour(a.behaviour) + " slow " + std::to_string(a.slow_s) + "\n";
    for (const auto& [name, bytes] : state.records)
        out += "record " + Escape(name) + " " + ToHex(bytes) + "\n";
    for (const StoredCredentials& c : state.credentials)
        out += "credentials " + Escape(c.entry) + " " + std::to_string(c.mask) + " " + Escape(c.user) + " " +
               Escape(c.password) + " " + Escape(c.domain) + "\n";
    for (const auto& [code, text] : state.error_texts)
        out += "errortext " + std::to_string(code) + " " + Escape(text) + "\n";
    for (const Failure& f : state.failures) out += "fail " + f.function + " " + std::to_string(f.code) + "\n";
    out += FormatLink(state.link);
    for (const Addresses& a : state.addresses)
        out += "addresses " + Escape(a.entry) + " " + a.ipv4 + " " + a.ipv6 + " " +
               std::to_string(a.since_ms) + " " + std::to_string(a.sent) + "\n";
    return out;
}

inline State Load(const std::wstring& path = StatePath()) {
    std::string content;
    ReadWholeFile(path, content);
    return Parse(content);
}

inline constexpr int kWatchSlots = 16;

inline std::wstring WatchEventName(int slot) { return L"VeltraneLineChanged-" + std::to_wstring(slot); }

// Wakes every process that watches the line for ends of connections (see "Change signal").
inline void SignalWatchers() {
    for (int slot = 0; slot < kWatchSlots; ++slot) {
        HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, WatchEventName(slot).c_str());
        if (!event) continue;
        SetEvent(event);
        CloseHandle(event);
    }
}

inline bool Save(const State& state, const std::wstring& path = StatePath()) {
    const bool written = WriteWholeFile(path, Format(state), false);
    SignalWatchers();
    return written;
}

// Reads, changes and writes the state under the lock.
template <typename Change>
bool Update(Change change, const std::wstring& path = StatePath()) {
    Lock lock;
    State state = Load(path);
    change(state);
    return Save(state, path);
}

// ---- evaluation ---------------------------------------------------------------------------------------

inline bool AttemptConnected(const Attempt& attempt, long long now_ms) {
    long long up = attempt.started_ms + 1000LL * attempt.behaviour.connect_after_s;
    switch (attempt.behaviour.mode) {
        case DialMode::Connect:
            return now_ms >= up;
        case DialMode::Drop:
            return now_ms >= up && now_ms < up + 1000LL * attempt.behaviour.drop_after_s;
        default:
            return false;
    }
}

// Names of entries and connections are compared as the Remote Access Service compares them: letter
// case aside.
inline bool SameName(std::string_view a, std::string_view b) {
    std::wstring wa = Utf8ToWide(a), wb = Utf8ToWide(b);
    if (wa.size() != wb.size()) return false;
    return wa.empty() ||
           CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, wa.data(), static_cast<int>(wa.size()),
                          wb.data(), static_cast<int>(wb.size())) == CSTR_EQUAL;
}

// Whether a dial that is not up yet is still under way (its tool still running) at `now_ms`.
inline bool AttemptDialling(const Attempt& attempt, long long now_ms) {
    switch (attempt.behaviour.mode) {
        case DialMode::Connect:
        case DialMode::Drop:
            return now_ms < attempt.started_ms + 1000LL * attempt.behaviour.connect_after_s;
        default:
            return now_ms < attempt.started_ms + 1000LL * attempt.slow_s;
    }
}

// The connections the library lists at `now_ms`, with their states: the "connected" lines, the dials
// under way or up, and the hang-ups under way.
inline std::vector<Listed> ListedConnections(const State& state, long long now_ms = NowMs()) {
    std::vector<Listed> listed;
    auto add = [&](const std::string& name, unsigned long connection_state) {
        for (const Listed& l : listed)
            if (SameName(l.entry, name)) return;
        listed.push_back({name, connection_state});
    };
    for (const std::string& name : state.connected) listed.push_back({name, kStateConnected});
    for (const std::string& name : state.others) add(name, kStateConnected);
    for (const Attempt& attempt : state.attempts) {
        if (AttemptConnected(attempt, now_ms))
            add(attempt.entry, kStateConnected);
        else if (AttemptDialling(attempt, now_ms))
            add(attempt.entry, kStateDialling);
    }
    for (const Closing& closing : state.closing)
        if (now_ms < closing.until_ms) add(closing.entry, kStateClosing);
    return listed;
}

// The entries connected at `now_ms`: the "connected" lines in order, then the dials that are up.
inline std::vector<std::string> ConnectedEntries(const State& state, long long now_ms = NowMs()) {
    std::vector<std::string> names;
    for (const Listed& l : ListedConnections(state, now_ms))
        if (l.state == kStateConnected) names.push_back(l.entry);
    return names;
}

// The entry in either phonebook.
inline bool HasEntry(const State& state, std::string_view name) {
    for (const std::string& entry : state.entries)
        if (SameName(entry, name)) return true;
    for (const std::string& entry : state.user_entries)
        if (SameName(entry, name)) return true;
    return false;
}

// Until when a hang-up of `name` is under way; 0 when none is.
inline long long ClosingUntil(const State& state, std::string_view name, long long now_ms = NowMs()) {
    for (const Closing& closing : state.closing)
        if (SameName(closing.entry, name) && now_ms < closing.until_ms) return closing.until_ms;
    return 0;
}

// Whether the named function refuses a record of `size` bytes ("refuse" lines).
inline bool Refuses(const State& state, std::string_view function, unsigned long size) {
    for (const Refusal& refusal : state.refusals)
        if (refusal.function == function && refusal.size == size) return true;
    return false;
}

// A connection of an entry other than `name` that is up: the device is taken (813).
inline bool OtherConnected(const State& state, std::string_view name, long long now_ms = NowMs()) {
    for (const Listed& l : ListedConnections(state, now_ms))
        if (l.state == kStateConnected && !SameName(l.entry, name)) return true;
    return false;
}

// The bytes the entry's connection received until `now_ms`, whole: 0 without a traffic line.
inline unsigned long long ReceivedBytes(const State& state, std::string_view name,
                                        long long now_ms = NowMs()) {
    const Traffic* traffic = nullptr;
    for (const Traffic& t : state.traffic)
        if (SameName(t.entry, name)) traffic = &t;
    if (!traffic) return 0;
    long long up_since = traffic->since_ms;
    // A dialled connection counts from when it came up, each one afresh.
    for (const Attempt& attempt : state.attempts)
        if (SameName(attempt.entry, name) && AttemptConnected(attempt, now_ms))
            up_since = attempt.started_ms + 1000LL * attempt.behaviour.connect_after_s;
    const long long seconds = up_since > 0 && now_ms > up_since ? (now_ms - up_since) / 1000 : 0;
    return traffic->received + static_cast<unsigned long long>(traffic->per_second) * seconds;
}

// The next moment after `now_ms` at which the listed connections change by the clock alone (a dial
// comes up or ends, a connection drops, a closing ends); 0 when nothing is due.
inline long long NextChangeMs(const State& state, long long now_ms = NowMs()) {
    long long next = 0;
    auto consider = [&](long long at) {
        if (at > now_ms && (next == 0 || at < next)) next = at;
    };
    for (const Attempt& attempt : state.attempts) {
        const long long up = attempt.started_ms + 1000LL * attempt.behaviour.connect_after_s;
        consider(up);
        if (attempt.behaviour.mode == DialMode::Drop) consider(up + 1000LL * attempt.behaviour.drop_after_s);
        consider(attempt.started_ms + 1000LL * attempt.slow_s);
    }
    for (const Closing& closing : state.closing) consider(closing.until_ms);
    return next;
}

inline const Failure* FindFailure(const State& state, std::string_view function) {
    for (const Failure& failure : state.failures)
        if (failure.function == function) return &failure;
    return nullptr;
}

// ---- what a connection is -----------------------------------------------------------------------------

// The entry's "addresses" line, or the defaults.
inline Addresses AddressesOf(const State& state, std::string_view name) {
    for (const Addresses& a : state.addresses)
        if (SameName(a.entry, name)) return a;
    Addresses defaults;
    defaults.entry = std::string(name);
    return defaults;
}

// When the entry's connection came up: a dial's connect time, else the "addresses" or "traffic" line's
// time; 0 when none is known.
inline long long UpSinceMs(const State& state, std::string_view name, long long now_ms = NowMs()) {
    for (const Attempt& attempt : state.attempts)
        if (SameName(attempt.entry, name) && AttemptConnected(attempt, now_ms))
            return attempt.started_ms + 1000LL * attempt.behaviour.connect_after_s;
    const Addresses addresses = AddressesOf(state, name);
    if (addresses.since_ms > 0) return addresses.since_ms;
    for (const Traffic& t : state.traffic)
        if (SameName(t.entry, name) && t.since_ms > 0) return t.since_ms;
    return 0;
}

// The index of the PPP interface the system makes for the entry's connection while it is up: another for
// each connection (it depends on the moment the connection came up), above the adapters' own.
inline unsigned long PppInterfaceIndex(const State& state, std::string_view name,
                                       long long now_ms = NowMs()) {
    std::wstring key = Utf8ToWide(name) + L"@" + std::to_wstring(UpSinceMs(state, name, now_ms));
    CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    unsigned long hash = 2166136261u;
    for (wchar_t c : key) hash = (hash ^ c) * 16777619u;
    return 0x100 + (hash & 0xFFFF);
}

// The sizes of the entry record the system takes, one per form (NT 4, its update, 2000, XP, Vista, 7, 8 on):
// RASENTRYA, RASENTRYW.
inline constexpr unsigned long kEntrySizes[] = {1768, 1796, 2088, 2884, 2924, 2948, 3480};
inline constexpr unsigned long kEntrySizesW[] = {3468, 3496, 4048, 5616, 5656, 5680, 6724};

// Whether `size` is one of the entry record's forms with characters of `char_size` bytes.
inline bool KnownEntrySize(unsigned long size, std::size_t char_size) {
    for (unsigned long known : char_size == 1 ? kEntrySizes : kEntrySizesW)
        if (size == known) return true;
    return false;
}

// The network protocols the entry asks for: the stored record's dwfNetProtocols (ANSI or wide form),
// IPv4 and IPv6 without a record.
inline unsigned long NetProtocolsOf(const State& state, std::string_view name) {
    for (const auto& [entry, bytes] : state.records) {
        if (!SameName(entry, name)) continue;
        const std::size_t offset = KnownEntrySize(bytes.size(), 1)   ? 184
                                   : KnownEntrySize(bytes.size(), 2) ? 324
                                                                     : 0;
        if (offset == 0) break;
        unsigned long protocols = 0;
        for (int i = 3; i >= 0; --i)
            protocols = (protocols << 8) | static_cast<unsigned char>(bytes[offset + i]);
        return protocols;
    }
    return 0x4 | 0x8;
}

inline void HangUp(State& state, std::string_view name) {
    std::erase_if(state.connected, [&](const std::string& n) { return SameName(n, name); });
    std::erase_if(state.others, [&](const std::string& n) { return SameName(n, name); });
    std::erase_if(state.attempts, [&](const Attempt& a) { return SameName(a.entry, name); });
}

// ---- the network adapters: the table and the cable ----------------------------------------------------

inline constexpr unsigned long kLoopbackIndex = 1;
inline constexpr unsigned long kCableIndex = 2;  // the wired adapter of SetCable

// The interfaces the stand-in library lists: the "adapter" lines, or the loopback interface alone.
inline std::vector<Adapter> TableAdapters(const State& state) {
    if (!state.link.adapters.empty()) return state.link.adapters;
    return {
        {kLoopbackIndex, 24, Media::Up, false, false, false, false, false, "Loopback Pseudo-Interface 1"}};
}

// Whether the cable is out: adapters a line can run over are listed and none has link.
inline bool CableOut(const State& state) {
    bool any = false;
    for (const Adapter& adapter : state.link.adapters) {
        if (!adapter.connector || adapter.filter || adapter.absent || adapter.disabled ||
            (adapter.type != 6 && adapter.type != 71))
            continue;
        if (adapter.media != Media::Down) return false;
        any = true;
    }
    return any;
}

// ---- dial log -----------------------------------------------------------------------------------------

inline std::string FormatDialStart(const DialStart& start) {
    // Appended piecewise: GCC 12 warns falsely about "literal" + temporary string here.
    std::string line = "start ";
    line += std::to_string(start.show);
    line += ' ';
    line += Escape(start.exe);
    for (const std::string& arg : start.args) {
        line += ' ';
        line += Escape(arg);
    }
    line += '\n';
    return line;
}

inline std::vector<DialStart> ReadDialLog(const std::wstring& path = DialLogPath()) {
    std::string content;
    {
        Lock lock;
        ReadWholeFile(path, content);
    }
    // A line still being written has no newline yet.
    content.erase(content.find_last_of('\n') == std::string::npos ? 0 : content.find_last_of('\n') + 1);
    std::vector<DialStart> starts;
    for (const std::string& line : Lines(content)) {
        std::vector<std::string_view> f = SplitFields(line);
        if (f.size() < 3 || f[0] != "start") continue;
        DialStart start;
        start.show = std::atoi(std::string(f[1]).c_str());
        start.exe = Unescape(f[2]);
        for (std::size_t i = 3; i < f.size(); ++i) start.args.push_back(Unescape(f[i]));
        starts.push_back(start);
    }
    return starts;
}

// ---- for tests ----------------------------------------------------------------------------------------

// Points this process and the processes it starts at a fresh state file `file_name` in the temporary
// folder, with no state and no dial log yet; returns its path.
inline std::wstring UsePrivateState(const std::wstring& file_name) {
    wchar_t temp[MAX_PATH] = {};
    DWORD length = GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp, length < MAX_PATH ? length : 0) + file_name;
    SetEnvironmentVariableW(L"VELTRANE_LINE_STATE", path.c_str());
    DeleteFileW(path.c_str());
    DeleteFileW((path + L".log").c_str());
    SignalWatchers();  // a watcher in this process now reads another line
    return path;
}

// Copies the stand-in dial tool built beside this program into the system folder, where the dialer
// starts the platform's tool from. True when it is in place.
inline bool InstallDialTool() {
    wchar_t self[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    std::wstring source(self, length);
    source = source.substr(0, source.find_last_of(L'\\') + 1) + L"rasdial.exe";
    wchar_t system[MAX_PATH] = {};
    UINT size = GetSystemDirectoryW(system, MAX_PATH);
    if (size == 0 || size >= MAX_PATH) return false;
    std::wstring target = std::wstring(system, size) + L"\\rasdial.exe";
    // A tool still running from an earlier test (it runs as long as its dial) cannot be replaced; the
    // copy in place is the same file when its size and time match the build's.
    WIN32_FILE_ATTRIBUTE_DATA built{}, installed{};
    if (GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &built) &&
        GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &installed) &&
        built.nFileSizeLow == installed.nFileSizeLow && built.nFileSizeHigh == installed.nFileSizeHigh &&
        CompareFileTime(&built.ftLastWriteTime, &installed.ftLastWriteTime) == 0)
        return true;
    return CopyFileW(source.c_str(), target.c_str(), FALSE) != 0;
}

// Waits until the dial log holds at least `count` starts or `timeout_ms` passed; returns the log.
inline std::vector<DialStart> WaitForDialStarts(std::size_t count, DWORD timeout_ms = 10000) {
    DWORD begin = GetTickCount();
    for (;;) {
        std::vector<DialStart> starts = ReadDialLog();
        if (starts.size() >= count || GetTickCount() - begin >= timeout_ms) return starts;
        Sleep(20);
    }
}

// The PC's wired adapter (a physical Ethernet adapter of index kCableIndex) with its cable in (`plugged`)
// or out, as a pulled cable or a modem switched off shows; added, after the other adapters, when the table
// has none of that index. Watchers of the link hear it as the system would tell it (see "link quiet").
inline bool SetCable(bool plugged) {
    return Update([plugged](State& state) {
        if (state.link.adapters.empty()) state.link.adapters = TableAdapters(state);
        for (Adapter& adapter : state.link.adapters)
            if (adapter.index == kCableIndex) {
                adapter.media = plugged ? Media::Up : Media::Down;
                return;
            }
        state.link.adapters.push_back(
            {kCableIndex, 6, plugged ? Media::Up : Media::Down, true, true, false, false, false, "Ethernet"});
    });
}

}  // namespace vt::line
