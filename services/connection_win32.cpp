// The interface counters came with Vista. They are looked up when first used, so this file may see their
// declarations whatever older system the rest of the program builds for.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "services/connection.h"

// The second version of the sockets headers, before anything includes the first.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>
#include <netioapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/function_lookup.h"
#include "base/handles.h"
#include "base/text.h"
#include "services/dial_command.h"
#include "services/phonebook.h"
#include "services/ras_records.h"

namespace vt {
namespace {

// The platform's own tool by its full path: a bare name would be searched for in the program's folder and
// the current folder first, and a stray file there would be run and handed the password.
std::wstring DialToolPath() {
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::wstring path(folder, length);
    if (path.back() != L'\\') path += L'\\';
    return path + L"rasdial.exe";
}

// The last run of each job. Only the handle is kept (nothing waits on it): the dial watch reads the
// exit code, and a dial after a hang-up starts once the hang-up's run has ended.
UniqueKernelHandle g_runs[2];

UniqueKernelHandle& RunOf(ToolJob job) { return g_runs[job == ToolJob::Dial ? 0 : 1]; }

UniqueKernelHandle StartHidden(const std::wstring& tool, const std::string& command_line_utf8) {
    std::wstring command_line = Utf8ToWide(command_line_utf8);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    // No console at all: a hidden console could still be handed to a default terminal that shows it.
    // The command line buffer must be writable for CreateProcessW.
    BOOL started = CreateProcessW(tool.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                                  CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    SecureZeroMemory(command_line.data(), command_line.size() * sizeof(wchar_t));
    if (!started) return {};
    const UniqueKernelHandle thread(process.hThread);  // closed at once: only the process is watched
    // Never waited for: the watch ticks read how the run ended.
    return UniqueKernelHandle(process.hProcess);
}

bool Matches(const char* field, std::size_t size, const std::wstring& wanted) {
    std::wstring listed = AnsiToWide(std::string_view(field, strnlen(field, size)));
    return !listed.empty() && EqualIgnoringCase(listed, wanted);
}

// The connections the system lists; false when it will not say.
bool ListConnections(const ras::Api& api, std::unique_ptr<ras::Connection[]>& connections, DWORD& count) {
    count = 0;
    if (!api.enum_connections || !api.get_connect_status) return false;
    connections = std::make_unique<ras::Connection[]>(ras::kMaxRecords);  // zeroed
    connections[0].dwSize = sizeof(ras::Connection);
    DWORD bytes = sizeof(ras::Connection) * ras::kMaxRecords;
    if (api.enum_connections(connections.get(), &bytes, &count) != 0) return false;
    if (count > ras::kMaxRecords) count = ras::kMaxRecords;
    return true;
}

// The status call's return code, with the connection's state in `state`. The oldest record is asked
// first; a system that refuses it (632) is asked with the next form, which is then kept for later calls.
DWORD ConnectionState(const ras::Api& api, HANDLE connection, DWORD& state) {
    static DWORD record_size = sizeof(ras::ConnectionStatus);
    for (int round = 0; round < 2; ++round) {
        ras::ConnectionStatusXp status{};  // room for either form
        status.dwSize = record_size;
        const DWORD result =
            api.get_connect_status(connection, reinterpret_cast<ras::ConnectionStatus*>(&status));
        if (result == ras::kErrorInvalidSize && round == 0 && record_size == sizeof(ras::ConnectionStatus)) {
            record_size = sizeof(ras::ConnectionStatusXp);
            continue;
        }
        state = status.rasconnstate;
        return result;
    }
    return ras::kErrorInvalidSize;
}

// The connection last found up, and its entry. The supervision reads the counters right after it asked
// whether the entry is connected: asking that connection directly spares the second enumeration and
// status call of every tick.
struct LastUp {
    std::wstring entry;
    HANDLE connection = nullptr;
};
LastUp& LastFoundUp() {
    static LastUp last;
    return last;
}

// The entry's connection that is up, or null.
HANDLE ConnectedHandle(std::string_view name) {
    const ras::Api& api = ras::LoadApi();
    const std::wstring wanted = Utf8ToWide(name);
    if (wanted.empty() || WideToAnsi(wanted).size() > ras::kMaxEntryName) return nullptr;
    std::unique_ptr<ras::Connection[]> connections;
    DWORD count = 0;
    if (!ListConnections(api, connections, count)) return nullptr;
    for (DWORD i = 0; i < count; ++i) {
        if (!Matches(connections[i].szEntryName, sizeof connections[i].szEntryName, wanted)) continue;
        // A connection is listed while it dials, fails or closes: only its state says it is up.
        DWORD state = 0;
        if (ConnectionState(api, connections[i].hrasconn, state) == 0 && state == ras::kStateConnected) {
            LastFoundUp() = {wanted, connections[i].hrasconn};
            return connections[i].hrasconn;
        }
    }
    return nullptr;
}

std::wstring PhonebookPath(int folder_id) {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, folder_id, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
    return std::wstring(folder) + L"\\Microsoft\\Network\\Connections\\Pbk\\rasphone.pbk";
}

// Whether the book at `path` holds the entry; a book that cannot be read holds nothing.
bool BookHolds(const ras::Api& api, const std::wstring& path, const std::wstring& wanted) {
    if (path.empty()) return false;
    auto names = std::make_unique<ras::EntryNameW[]>(ras::kMaxRecords);  // zeroed
    names[0].dwSize = sizeof(ras::EntryNameW);
    DWORD bytes = sizeof(ras::EntryNameW) * ras::kMaxRecords;
    DWORD count = 0;
    if (api.enum_entries_w(nullptr, path.c_str(), names.get(), &bytes, &count) != 0) return false;
    for (DWORD i = 0; i < count && i < ras::kMaxRecords; ++i) {
        std::wstring listed(names[i].szEntryName, wcsnlen(names[i].szEntryName, ras::kMaxEntryName + 1));
        if (!listed.empty() && EqualIgnoringCase(listed, wanted)) return true;
    }
    return false;
}

// The current user's book when the entry lives there and not in the all-users one (the tool is then
// told which book to use instead of searching both); empty otherwise.
std::wstring UserBookOfEntry(std::string_view entry) {
    const ras::Api& api = ras::LoadApi();
    if (!api.enum_entries_w) return {};
    const std::wstring wanted = Utf8ToWide(entry);
    const std::wstring user = PhonebookPath(CSIDL_APPDATA);
    if (!BookHolds(api, user, wanted) || BookHolds(api, PhonebookPath(CSIDL_COMMON_APPDATA), wanted))
        return {};
    return user;
}

// ---- what the connection is ---------------------------------------------------------------------------

// The device the connection runs on, as the status call names it; "" when it will not say.
std::string DeviceOf(const ras::Api& api, HANDLE connection) {
    ras::ConnectionStatusXp status{};  // room for either form
    status.dwSize = sizeof(ras::ConnectionStatus);
    DWORD result = api.get_connect_status(connection, reinterpret_cast<ras::ConnectionStatus*>(&status));
    if (result == ras::kErrorInvalidSize) {
        status = {};
        status.dwSize = sizeof(ras::ConnectionStatusXp);
        result = api.get_connect_status(connection, reinterpret_cast<ras::ConnectionStatus*>(&status));
    }
    if (result != 0) return {};
    return WideToUtf8(AnsiToWide(
        std::string_view(status.szDeviceName, strnlen(status.szDeviceName, sizeof status.szDeviceName))));
}

// What the PPP negotiation gave: the IPv4 address and, when IPv6 was negotiated, the interface identifier.
struct Negotiated {
    std::string ipv4;
    std::optional<std::array<std::uint8_t, 8>> ipv6_id;
};

std::string Dotted(const BYTE (&address)[4]) {
    return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." + std::to_string(address[2]) +
           "." + std::to_string(address[3]);
}

std::array<std::uint8_t, 8> IdOf(const BYTE (&bytes)[8]) {
    std::array<std::uint8_t, 8> id;
    std::memcpy(id.data(), bytes, 8);
    return id;
}

// Windows 7 on: one call for every protocol. The record is offered at the size this program knows; a
// system that names a larger one gets a buffer of that size (its PPP part keeps its place).
enum class Asked { Answered, Gone, NotAnswered };
Asked NegotiatedEx(const ras::Api& api, HANDLE connection, Negotiated& out) {
    if (!api.get_projection_info_ex) return Asked::NotAnswered;
    std::vector<BYTE> buffer(sizeof(ras::ProjectionInfo));
    DWORD result = 0;
    for (int round = 0; round < 2; ++round) {
        std::fill(buffer.begin(), buffer.end(), BYTE{0});
        auto* info = reinterpret_cast<ras::ProjectionInfo*>(buffer.data());
        info->version = ras::kApiVersion601;
        DWORD size = static_cast<DWORD>(buffer.size());
        result = api.get_projection_info_ex(connection, info, &size);
        if (result != ras::kErrorBufferTooSmall || size <= buffer.size() || size > 64 * 1024) break;
        buffer.resize(size);
    }
    if (result == ras::kErrorInvalidHandle) return Asked::Gone;
    const auto* info = reinterpret_cast<const ras::ProjectionInfo*>(buffer.data());
    if (result != 0 || info->type != ras::kProjectionTypePpp) return Asked::NotAnswered;
    if (info->ppp.dwIPv4NegotiationError == 0) out.ipv4 = Dotted(info->ppp.ipv4Address);
    if (info->ppp.dwIPv6NegotiationError == 0) out.ipv6_id = IdOf(info->ppp.bInterfaceIdentifier);
    return Asked::Answered;
}

// The older call, one protocol at a time: IPv4, then IPv6 (Vista on; an older system does not know it).
Asked NegotiatedOneByOne(const ras::Api& api, HANDLE connection, Negotiated& out) {
    if (!api.get_projection_info) return Asked::NotAnswered;
    ras::PppIp ip{};
    ip.dwSize = sizeof ip;
    DWORD size = sizeof ip;
    const DWORD result = api.get_projection_info(connection, ras::kProjectionPppIp, &ip, &size);
    if (result == ras::kErrorInvalidHandle) return Asked::Gone;
    if (result == 0 && ip.dwError == 0)
        out.ipv4 = std::string(ip.szIpAddress, strnlen(ip.szIpAddress, sizeof ip.szIpAddress));
    ras::PppIpv6 ipv6{};
    ipv6.dwSize = sizeof ipv6;
    size = sizeof ipv6;
    // Not asked for by the entry (731), refused by the server (an error in the record): no IPv6, and the
    // line is connected all the same.
    if (api.get_projection_info(connection, ras::kProjectionPppIpv6, &ipv6, &size) == 0 && ipv6.dwError == 0)
        out.ipv6_id = IdOf(ipv6.bLocalInterfaceIdentifier);
    return Asked::Answered;
}

// The IP helper library's calls, resolved at the first question rather than imported: a system older
// than Vista lacks the interface counters, and then the Remote Access ones are all there is.
struct IpHelper {
    decltype(&GetAdaptersAddresses) get_adapters_addresses = nullptr;
    decltype(&GetIfEntry2) get_if_entry2 = nullptr;
};

const IpHelper& LoadIpHelper() {
    static const IpHelper api = [] {
        IpHelper loaded;
        loaded.get_adapters_addresses =
            LookUpFunction<decltype(&GetAdaptersAddresses)>(L"iphlpapi.dll", "GetAdaptersAddresses");
        loaded.get_if_entry2 = LookUpFunction<decltype(&GetIfEntry2)>(L"iphlpapi.dll", "GetIfEntry2");
        return loaded;
    }();
    return api;
}

// The connection's own interface: the PPP adapter holding the negotiated IPv4 address or the link-local
// address of the negotiated identifier.
struct PppAdapter {
    NET_IFINDEX index = 0;
    // Its global IPv6 address: the provider's router hands the prefix out after the line is up, so a fresh
    // line may have none yet. A stable address is preferred to a temporary (privacy) one.
    std::optional<std::array<std::uint8_t, 16>> global_ipv6;
};

std::optional<PppAdapter> FindPppAdapter(const Negotiated& line) {
    const auto get_adapters_addresses = LoadIpHelper().get_adapters_addresses;
    if (!get_adapters_addresses || (line.ipv4.empty() && !line.ipv6_id)) return std::nullopt;
    const std::optional<std::array<std::uint8_t, 16>> link_local =
        line.ipv6_id ? std::optional(LinkLocalIpv6(*line.ipv6_id)) : std::nullopt;
    std::vector<std::uint64_t> buffer(16 * 1024 / sizeof(std::uint64_t));  // aligned for the records
    ULONG size = 0;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int round = 0; round < 3 && result == ERROR_BUFFER_OVERFLOW; ++round) {
        size = static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t));
        result = get_adapters_addresses(
            AF_UNSPEC, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER, nullptr,
            reinterpret_cast<PIP_ADAPTER_ADDRESSES>(buffer.data()), &size);
        if (result == ERROR_BUFFER_OVERFLOW) buffer.resize(size / sizeof(std::uint64_t) + 1);
    }
    if (result != ERROR_SUCCESS) return std::nullopt;
    auto bytes_of = [](const SOCKET_ADDRESS& address, std::array<std::uint8_t, 16>& out) {
        if (!address.lpSockaddr || address.lpSockaddr->sa_family != AF_INET6) return false;
        std::memcpy(out.data(), &reinterpret_cast<const sockaddr_in6*>(address.lpSockaddr)->sin6_addr, 16);
        return true;
    };
    for (auto* adapter = reinterpret_cast<PIP_ADAPTER_ADDRESSES>(buffer.data()); adapter;
         adapter = adapter->Next) {
        if (adapter->IfType != IF_TYPE_PPP) continue;
        bool ours = false;
        for (auto* unicast = adapter->FirstUnicastAddress; unicast && !ours; unicast = unicast->Next) {
            const sockaddr* address = unicast->Address.lpSockaddr;
            std::array<std::uint8_t, 16> v6{};
            if (address && address->sa_family == AF_INET && !line.ipv4.empty()) {
                BYTE v4[4];
                std::memcpy(v4, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, 4);
                ours = Dotted(v4) == line.ipv4;
            } else if (bytes_of(unicast->Address, v6)) {
                ours = v6 == link_local;
            }
        }
        if (!ours) continue;
        // An interface without IPv4 is known by its IPv6 index, which is the same number.
        PppAdapter found{adapter->IfIndex ? adapter->IfIndex : adapter->Ipv6IfIndex, std::nullopt};
        std::optional<std::array<std::uint8_t, 16>> temporary;
        for (auto* unicast = adapter->FirstUnicastAddress; unicast && !found.global_ipv6;
             unicast = unicast->Next) {
            std::array<std::uint8_t, 16> v6{};
            if (!bytes_of(unicast->Address, v6) || !IsGlobalIpv6(v6)) continue;
            if (unicast->SuffixOrigin != IpSuffixOriginRandom)
                found.global_ipv6 = v6;
            else if (!temporary)
                temporary = v6;
        }
        if (!found.global_ipv6) found.global_ipv6 = temporary;
        return found;
    }
    return std::nullopt;
}

// ---- the byte counters --------------------------------------------------------------------------------

// The Remote Access counters are 32-bit: every reading of them goes through this one carry, whichever
// source is told, so that it sees each wrap. Only the user-interface thread reads the line.
CounterCarry& Carry() {
    static CounterCarry carry;
    return carry;
}

// The PPP interface of the connection last read, found through its addresses: looked for again for
// another connection, and while it is not found or stops answering twice at most for one (its addresses
// may reach the adapters' list a moment after the line is up). An interface the system does not list so
// leaves the Remote Access counters, carried past their top, rather than a walk through every adapter at
// every tick of the supervision (under Wine each walk is a round of requests to its device server).
struct KnownInterface {
    NET_IFINDEX index = 0;
    int looks = 0;
};
constexpr int kInterfaceLooks = 2;
KnownInterface& Known() {
    static KnownInterface known;
    return known;
}

// The interface's 64-bit counters (sent, received); nothing where the system has no such call or the index
// is no PPP interface (any more).
std::optional<std::pair<std::uint64_t, std::uint64_t>> InterfaceOctets(NET_IFINDEX index) {
    const auto get_if_entry2 = LoadIpHelper().get_if_entry2;
    if (!get_if_entry2 || index == 0) return std::nullopt;
    auto row = std::make_unique<MIB_IF_ROW2>();  // zeroed; the index names the interface
    row->InterfaceIndex = index;
    if (get_if_entry2(row.get()) != NO_ERROR || row->Type != IF_TYPE_PPP) return std::nullopt;
    return std::pair<std::uint64_t, std::uint64_t>{row->OutOctets, row->InOctets};
}

// The connection's figures: its duration from the Remote Access statistics, its bytes from its PPP
// interface where the system counts them in 64 bits, else the statistics' carried past their top. `line`:
// what the connection negotiated when the caller knows it (else asked here, only when the interface must
// be looked for); `adapter`: the PPP adapter when the caller found it. The statistics call's return code
// in `result`.
std::optional<LineCounters> Figures(const ras::Api& api, HANDLE connection, DWORD& result,
                                    const Negotiated* line = nullptr,
                                    const std::optional<PppAdapter>* adapter = nullptr) {
    if (!api.get_connection_statistics) {
        result = ERROR_PROC_NOT_FOUND;
        return std::nullopt;
    }
    ras::Statistics statistics{};
    statistics.dwSize = sizeof statistics;
    result = api.get_connection_statistics(connection, &statistics);
    if (result != 0) return std::nullopt;
    const DWORD started_ms = GetTickCount() - statistics.dwConnectDuration;
    LineCounters counters = Carry().Carry(
        reinterpret_cast<std::uintptr_t>(connection), started_ms,
        {statistics.dwConnectDuration / 1000, statistics.dwBytesXmited, statistics.dwBytesRcved});
    if (!LoadIpHelper().get_if_entry2) return counters;
    KnownInterface& known = Known();
    if (Carry().Fresh()) known = {};
    std::optional<std::pair<std::uint64_t, std::uint64_t>> octets = InterfaceOctets(known.index);
    if (!octets && (adapter || known.looks < kInterfaceLooks)) {
        std::optional<PppAdapter> found;
        if (adapter) {
            found = *adapter;  // found by the caller: no look of ours
        } else {
            ++known.looks;
            Negotiated asked;
            if (!line && NegotiatedEx(api, connection, asked) == Asked::NotAnswered)
                NegotiatedOneByOne(api, connection, asked);
            found = FindPppAdapter(line ? *line : asked);
        }
        known.index = found ? found->index : 0;
        octets = InterfaceOctets(known.index);
    }
    if (octets) {
        counters.bytes_sent = octets->first;
        counters.bytes_received = octets->second;
    }
    return counters;
}

}  // namespace

std::optional<ConnectionDetails> ReadConnectionDetails(std::string_view name) {
    const ras::Api& api = ras::LoadApi();
    HANDLE connection = ConnectedHandle(name);
    if (!connection) return std::nullopt;
    ConnectionDetails details;
    details.device = DeviceOf(api, connection);
    Negotiated line;
    Asked asked = NegotiatedEx(api, connection, line);
    // A system without the newer call, or one whose newer call would not answer, is asked the old way.
    if (asked == Asked::NotAnswered) asked = NegotiatedOneByOne(api, connection, line);
    if (asked == Asked::Gone) return std::nullopt;
    details.ipv4 = line.ipv4;
    const std::optional<PppAdapter> adapter = FindPppAdapter(line);
    if (line.ipv6_id) {
        const bool global = adapter && adapter->global_ipv6;
        details.ipv6 = FormatIpv6(global ? *adapter->global_ipv6 : LinkLocalIpv6(*line.ipv6_id));
    }
    DWORD result = 0;
    details.counters = Figures(api, connection, result, &line, &adapter);
    if (result == ras::kErrorInvalidHandle) return std::nullopt;
    return details;
}

bool IsEntryConnected(std::string_view name) { return ConnectedHandle(name) != nullptr; }

bool IsEntryListed(std::string_view name) {
    const ras::Api& api = ras::LoadApi();
    const std::wstring wanted = Utf8ToWide(name);
    if (wanted.empty()) return false;
    std::unique_ptr<ras::Connection[]> connections;
    DWORD count = 0;
    if (!ListConnections(api, connections, count)) return false;
    for (DWORD i = 0; i < count; ++i) {
        if (!Matches(connections[i].szEntryName, sizeof connections[i].szEntryName, wanted)) continue;
        // Only "invalid handle" says the system is done with it; any other answer means it still is not.
        DWORD state = 0;
        if (ConnectionState(api, connections[i].hrasconn, state) != ras::kErrorInvalidHandle) return true;
    }
    return false;
}

bool OtherBroadbandConnected(std::string_view name) {
    const ras::Api& api = ras::LoadApi();
    const std::wstring own = Utf8ToWide(name);
    std::unique_ptr<ras::Connection[]> connections;
    DWORD count = 0;
    if (!ListConnections(api, connections, count)) return false;
    for (DWORD i = 0; i < count; ++i) {
        const ras::Connection& connection = connections[i];
        if (Matches(connection.szEntryName, sizeof connection.szEntryName, own)) continue;
        std::string type(connection.szDeviceType,
                         strnlen(connection.szDeviceType, sizeof connection.szDeviceType));
        if (lstrcmpiA(type.c_str(), "PPPoE") != 0) continue;
        DWORD state = 0;
        if (ConnectionState(api, connection.hrasconn, state) == 0 && state == ras::kStateConnected)
            return true;
    }
    return false;
}

std::optional<LineCounters> ConnectionCounters(std::string_view name) {
    const ras::Api& api = ras::LoadApi();
    DWORD result = 0;
    // The connection found up last is asked first; one that does not answer (it has ended since) sends
    // the call back to the enumeration. A new connection of the entry has a handle of its own.
    const LastUp last = LastFoundUp();
    if (last.connection && last.entry == Utf8ToWide(name)) {
        std::optional<LineCounters> counters = Figures(api, last.connection, result);
        if (counters) return counters;
    }
    HANDLE connection = ConnectedHandle(name);
    if (!connection) return std::nullopt;
    return Figures(api, connection, result);
}

bool LaunchDial(std::string_view account, std::string_view password) {
    RunOf(ToolJob::Dial).reset();
    std::wstring tool = DialToolPath();
    if (tool.empty()) return false;
    std::string command_line = DialCommandLine(WideToUtf8(tool), kEntryName, account, password,
                                               WideToUtf8(UserBookOfEntry(kEntryName)));
    RunOf(ToolJob::Dial) = StartHidden(tool, command_line);
    SecureZeroMemory(command_line.data(), command_line.size());
    return static_cast<bool>(RunOf(ToolJob::Dial));
}

bool LaunchHangUp() {
    RunOf(ToolJob::HangUp).reset();
    std::wstring tool = DialToolPath();
    if (tool.empty()) return false;
    RunOf(ToolJob::HangUp) = StartHidden(tool, HangUpCommandLine(WideToUtf8(tool), kEntryName));
    return static_cast<bool>(RunOf(ToolJob::HangUp));
}

std::string DialErrorText(unsigned long code) {
    const ras::Api& api = ras::LoadApi();
    if (!api.get_error_string_w) return {};
    wchar_t text[512] = {};
    if (api.get_error_string_w(static_cast<UINT>(code), text, ARRAYSIZE(text)) != 0) return {};
    std::wstring words(text, wcsnlen(text, ARRAYSIZE(text)));
    while (!words.empty() && words.back() <= L' ') words.pop_back();
    return WideToUtf8(words);
}

ToolRun LastToolRun(ToolJob job) {
    const UniqueKernelHandle& process = RunOf(job);
    if (!process) return {};
    // A zero time-out only asks: a tool that ended with 259 (STILL_ACTIVE) is told apart this way.
    const DWORD signalled = WaitForSingleObject(process.get(), 0);
    if (signalled == WAIT_TIMEOUT) return {ToolRun::State::Running, 0};
    DWORD code = 0;
    if (signalled != WAIT_OBJECT_0 || !GetExitCodeProcess(process.get(), &code)) return {};
    return {ToolRun::State::Ended, code};
}

}  // namespace vt
