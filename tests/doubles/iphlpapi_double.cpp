// Stand-in for the IP helper library (iphlpapi.dll): the interface table, an interface's row, its change
// notification and the adapters' addresses with the connections' PPP interfaces, served from the simulated
// line's state file (line_state.h, "The network adapters"), so that a test can pull a cable and put it
// back, or let a connection count past 4 GiB. Loaded instead of Wine's own through
// WINEDLLOVERRIDES=iphlpapi=n,b from the program's folder. It serves what the dialer reads of each row,
// nothing more. What Wine's own libraries in the dialer's processes ask of iphlpapi at run time (ws2_32,
// rpcrt4) is passed to the system's library, loaded beside this one.
//
// At least as strict as the system: a table must be freed with FreeMibTable, once; a notification must
// be cancelled, not from its own callback (the system would deadlock there), and its cancel waits for a
// callback under way. Misuse ends the process with a message on stderr, so a test cannot pass over it; so
// does a request for the initial notification, which the dialer never makes and the stand-in does not serve.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
// The socket definitions before the IP helper headers, which use them.
#include <winsock2.h>
#include <ws2ipdef.h>

#include <iphlpapi.h>
#include <netioapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

#include "tests/doubles/line_state.h"

namespace {

[[noreturn]] void Misuse(const char* what) {
    std::fprintf(stderr, "iphlpapi stand-in: %s\n", what);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    for (;;) Sleep(INFINITE);
}

// ---- the system's own library, for every other call ----------------------------------------------------

HMODULE SystemLibrary() {
    static const HMODULE library = [] {
        wchar_t folder[MAX_PATH] = {};
        const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return HMODULE{};
        // By its full path: Wine then loads its built-in library as a module of its own beside this one.
        HMODULE loaded = LoadLibraryW((std::wstring(folder, length) + L"\\iphlpapi.dll").c_str());
        HMODULE self = nullptr;
        GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&SystemLibrary), &self);
        return loaded == self ? HMODULE{} : loaded;
    }();
    return library;
}

template <typename F>
F System(const char* name) {
    HMODULE library = SystemLibrary();
    return library ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)))
                   : nullptr;
}

}  // namespace

#define FORWARD(name, params, args)                                            \
    extern "C" DWORD WINAPI Forward##name params {                             \
        static const auto system = System<DWORD(WINAPI*) params>(#name);       \
        return system ? system args : static_cast<DWORD>(ERROR_NOT_SUPPORTED); \
    }
FORWARD(GetAdaptersInfo, (PIP_ADAPTER_INFO info, PULONG size), (info, size))
FORWARD(GetBestRoute, (DWORD to, DWORD from, PMIB_IPFORWARDROW row), (to, from, row))
FORWARD(GetIpAddrTable, (PMIB_IPADDRTABLE table, PULONG size, BOOL order), (table, size, order))
FORWARD(GetIpForwardTable, (PMIB_IPFORWARDTABLE table, PULONG size, BOOL order), (table, size, order))

namespace {

// ---- the interface table -------------------------------------------------------------------------------

std::mutex g_tables_lock;
std::set<void*> g_tables;  // handed out and not freed yet

// The fields the dialer reads, and HardwareInterface, which some virtual adapters claim and the dialer must
// not take for a physical one.
void FillRow(const vt::line::Adapter& adapter, MIB_IF_ROW2& row) {
    row.InterfaceIndex = adapter.index;
    row.InterfaceLuid.Info.IfType = adapter.type;
    row.InterfaceLuid.Info.NetLuidIndex = adapter.index;
    lstrcpynW(row.Alias, vt::Utf8ToWide(adapter.name).c_str(), IF_MAX_STRING_SIZE + 1);
    row.Type = adapter.type;
    row.InterfaceAndOperStatusFlags.HardwareInterface = adapter.hardware;
    row.InterfaceAndOperStatusFlags.FilterInterface = adapter.filter;
    row.InterfaceAndOperStatusFlags.ConnectorPresent = adapter.connector;
    row.MediaConnectState = static_cast<NET_IF_MEDIA_CONNECT_STATE>(adapter.media);
    row.OperStatus = adapter.absent                           ? IfOperStatusNotPresent
                     : adapter.disabled                       ? IfOperStatusDown
                     : adapter.media == vt::line::Media::Up   ? IfOperStatusUp
                     : adapter.media == vt::line::Media::Down ? IfOperStatusDown
                                                              : IfOperStatusUnknown;
    row.AdminStatus = adapter.disabled ? NET_IF_ADMIN_STATUS_DOWN : NET_IF_ADMIN_STATUS_UP;
}

}  // namespace

extern "C" DWORD WINAPI DoubleGetIfTable2(PMIB_IF_TABLE2* table) {
    if (!table) return ERROR_INVALID_PARAMETER;
    std::vector<vt::line::Adapter> adapters;
    {
        vt::line::Lock lock;
        const vt::line::State state = vt::line::Load();
        if (const vt::line::Failure* failure = vt::line::FindFailure(state, "GetIfTable2"))
            return failure->code;
        adapters = vt::line::TableAdapters(state);
    }
    const SIZE_T size =
        offsetof(MIB_IF_TABLE2, Table) + std::max<SIZE_T>(1, adapters.size()) * sizeof(MIB_IF_ROW2);
    auto* result = static_cast<MIB_IF_TABLE2*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
    if (!result) return ERROR_NOT_ENOUGH_MEMORY;
    result->NumEntries = static_cast<ULONG>(adapters.size());
    for (std::size_t i = 0; i < adapters.size(); ++i) FillRow(adapters[i], result->Table[i]);
    {
        std::lock_guard<std::mutex> guard(g_tables_lock);
        g_tables.insert(result);
    }
    *table = result;
    return NO_ERROR;
}

extern "C" void WINAPI DoubleFreeMibTable(PVOID memory) {
    {
        std::lock_guard<std::mutex> guard(g_tables_lock);
        if (g_tables.erase(memory) != 1)
            Misuse("FreeMibTable of memory that no call of this library returned");
    }
    HeapFree(GetProcessHeap(), 0, memory);
}

// ---- the connections' PPP interfaces -------------------------------------------------------------------

namespace {

// A connected connection's interface, as the system makes it for the time the connection is up.
struct PppInterface {
    std::string entry;
    unsigned long index = 0;
    bool has_ipv4 = false, has_ipv6 = false;
    BYTE ipv4[4] = {};
    BYTE ipv6[16] = {};  // link-local, from the negotiated identifier
    unsigned long long received = 0, sent = 0;
};

std::vector<PppInterface> PppInterfaces(const vt::line::State& state) {
    const long long now = vt::line::NowMs();
    std::vector<PppInterface> interfaces;
    for (const std::string& entry : vt::line::ConnectedEntries(state, now)) {
        const vt::line::Addresses addresses = vt::line::AddressesOf(state, entry);
        PppInterface ppp{entry, vt::line::PppInterfaceIndex(state, entry, now)};
        ppp.has_ipv4 = vt::line::DottedBytes(addresses.ipv4, ppp.ipv4);
        // IPV6CP runs only for an entry that asks for it.
        BYTE id[8];
        ppp.has_ipv6 =
            (vt::line::NetProtocolsOf(state, entry) & 0x8) && vt::line::InterfaceId(addresses.ipv6, id);
        if (ppp.has_ipv6) {
            ppp.ipv6[0] = 0xFE, ppp.ipv6[1] = 0x80;
            std::memcpy(ppp.ipv6 + 8, id, 8);
        }
        ppp.received = vt::line::ReceivedBytes(state, entry, now);
        ppp.sent = addresses.sent;
        interfaces.push_back(ppp);
    }
    return interfaces;
}

void FillPppRow(const PppInterface& ppp, MIB_IF_ROW2& row) {
    row.InterfaceIndex = ppp.index;
    row.InterfaceLuid.Info.IfType = IF_TYPE_PPP;
    row.InterfaceLuid.Info.NetLuidIndex = ppp.index;
    lstrcpynW(row.Alias, vt::Utf8ToWide(ppp.entry).c_str(), IF_MAX_STRING_SIZE + 1);
    row.Type = IF_TYPE_PPP;
    row.MediaConnectState = MediaConnectStateConnected;
    row.OperStatus = IfOperStatusUp;
    row.AdminStatus = NET_IF_ADMIN_STATUS_UP;
    row.InOctets = ppp.received;
    row.OutOctets = ppp.sent;
}

bool SameInterface(const MIB_IF_ROW2& asked, unsigned long index, unsigned long type) {
    // The system takes the LUID when one is given, else the index.
    if (asked.InterfaceLuid.Value != 0)
        return asked.InterfaceLuid.Info.IfType == type && asked.InterfaceLuid.Info.NetLuidIndex == index;
    return asked.InterfaceIndex == index;
}

}  // namespace

extern "C" DWORD WINAPI DoubleGetIfEntry2(PMIB_IF_ROW2 row) {
    if (!row) return ERROR_INVALID_PARAMETER;
    vt::line::Lock lock;
    const vt::line::State state = vt::line::Load();
    if (const vt::line::Failure* failure = vt::line::FindFailure(state, "GetIfEntry2")) return failure->code;
    if (row->InterfaceLuid.Value == 0 && row->InterfaceIndex == 0) return ERROR_INVALID_PARAMETER;
    const MIB_IF_ROW2 asked = *row;
    for (const vt::line::Adapter& adapter : vt::line::TableAdapters(state)) {
        if (!SameInterface(asked, adapter.index, adapter.type)) continue;
        std::memset(row, 0, sizeof *row);
        FillRow(adapter, *row);
        return NO_ERROR;
    }
    for (const PppInterface& ppp : PppInterfaces(state)) {
        if (!SameInterface(asked, ppp.index, IF_TYPE_PPP)) continue;
        std::memset(row, 0, sizeof *row);
        FillPppRow(ppp, *row);
        return NO_ERROR;
    }
    return ERROR_FILE_NOT_FOUND;
}

// The system's adapters, then the connections' PPP interfaces, in one buffer as the system lays it out:
// the caller follows the pointers and knows nothing of the order.
namespace {

struct PppRecord {
    IP_ADAPTER_ADDRESSES adapter;
    IP_ADAPTER_UNICAST_ADDRESS unicast[2];
    sockaddr_in ipv4;
    sockaddr_in6 ipv6;
    char name[16];
    wchar_t alias[IF_MAX_STRING_SIZE + 1];
    wchar_t empty[1];
};

ULONG Aligned(ULONG size) { return (size + 7) & ~ULONG{7}; }

void FillPppRecord(const PppInterface& ppp, ULONG family, PppRecord& record) {
    std::memset(&record, 0, sizeof record);
    IP_ADAPTER_ADDRESSES& adapter = record.adapter;
    adapter.Length = sizeof adapter;
    adapter.IfIndex = ppp.has_ipv4 ? ppp.index : 0;
    adapter.Ipv6IfIndex = ppp.has_ipv6 ? ppp.index : 0;
    std::snprintf(record.name, sizeof record.name, "PPP%lu", ppp.index);
    adapter.AdapterName = record.name;
    lstrcpynW(record.alias, vt::Utf8ToWide(ppp.entry).c_str(), IF_MAX_STRING_SIZE + 1);
    adapter.FriendlyName = record.alias;
    adapter.Description = record.alias;
    adapter.DnsSuffix = record.empty;
    adapter.IfType = IF_TYPE_PPP;
    adapter.OperStatus = IfOperStatusUp;
    adapter.Mtu = 1492;
    adapter.Luid.Info.IfType = IF_TYPE_PPP;
    adapter.Luid.Info.NetLuidIndex = ppp.index;
    IP_ADAPTER_UNICAST_ADDRESS** next = &adapter.FirstUnicastAddress;
    auto add = [&](IP_ADAPTER_UNICAST_ADDRESS& unicast, sockaddr* address, int length, UINT8 prefix) {
        unicast.Length = sizeof unicast;
        unicast.Address.lpSockaddr = address;
        unicast.Address.iSockaddrLength = length;
        unicast.PrefixOrigin = IpPrefixOriginOther;
        unicast.SuffixOrigin = IpSuffixOriginOther;
        unicast.DadState = IpDadStatePreferred;
        unicast.ValidLifetime = unicast.PreferredLifetime = 0xFFFFFFFF;
        unicast.OnLinkPrefixLength = prefix;
        *next = &unicast;
        next = &unicast.Next;
    };
    if (ppp.has_ipv4 && family != AF_INET6) {
        record.ipv4.sin_family = AF_INET;
        std::memcpy(&record.ipv4.sin_addr, ppp.ipv4, 4);
        add(record.unicast[0], reinterpret_cast<sockaddr*>(&record.ipv4), sizeof record.ipv4, 32);
    }
    if (ppp.has_ipv6 && family != AF_INET) {
        record.ipv6.sin6_family = AF_INET6;
        std::memcpy(&record.ipv6.sin6_addr, ppp.ipv6, 16);
        add(record.unicast[1], reinterpret_cast<sockaddr*>(&record.ipv6), sizeof record.ipv6, 64);
    }
}

}  // namespace

extern "C" ULONG WINAPI DoubleGetAdaptersAddresses(ULONG family, ULONG flags, PVOID reserved,
                                                   PIP_ADAPTER_ADDRESSES addresses, PULONG size) {
    if (!size || reserved || (family != AF_UNSPEC && family != AF_INET && family != AF_INET6))
        return ERROR_INVALID_PARAMETER;
    std::vector<PppInterface> ours;
    {
        vt::line::Lock lock;
        ours = PppInterfaces(vt::line::Load());
    }
    std::erase_if(ours, [&](const PppInterface& ppp) {
        return !(family != AF_INET6 && ppp.has_ipv4) && !(family != AF_INET && ppp.has_ipv6);
    });
    using Fn = ULONG(WINAPI*)(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES, PULONG);
    static const auto system = System<Fn>("GetAdaptersAddresses");
    // The system's part first: its size, then its records at the start of the caller's buffer.
    ULONG system_size = 0;
    ULONG result = system ? system(family, flags, nullptr, nullptr, &system_size) : ERROR_NO_DATA;
    if (result != ERROR_BUFFER_OVERFLOW && result != NO_ERROR) system_size = 0;
    const ULONG ours_size = static_cast<ULONG>(ours.size() * sizeof(PppRecord));
    const ULONG needed = Aligned(system_size) + ours_size;
    if (needed == 0) return ERROR_NO_DATA;
    if (!addresses || *size < needed) {
        *size = needed;
        return ERROR_BUFFER_OVERFLOW;
    }
    PIP_ADAPTER_ADDRESSES last = nullptr;
    if (system_size > 0) {
        ULONG given = Aligned(system_size);
        result = system(family, flags, nullptr, addresses, &given);
        if (result == ERROR_BUFFER_OVERFLOW) {  // the system's list grew meanwhile
            *size = Aligned(given) + ours_size;
            return ERROR_BUFFER_OVERFLOW;
        }
        if (result != NO_ERROR && result != ERROR_NO_DATA) return result;
        for (last = result == NO_ERROR ? addresses : nullptr; last && last->Next;) last = last->Next;
    }
    // With no record of the system's the caller's buffer starts with the first of ours.
    auto* records =
        reinterpret_cast<PppRecord*>(reinterpret_cast<BYTE*>(addresses) + (last ? Aligned(system_size) : 0));
    for (std::size_t i = 0; i < ours.size(); ++i) {
        FillPppRecord(ours[i], family, records[i]);
        if (last) last->Next = &records[i].adapter;
        last = &records[i].adapter;
    }
    return last ? NO_ERROR : ERROR_NO_DATA;
}

// For tests: how many tables were handed out and not freed yet.
extern "C" DWORD WINAPI VeltraneTablesOutstanding() {
    std::lock_guard<std::mutex> guard(g_tables_lock);
    return static_cast<DWORD>(g_tables.size());
}

// ---- the change notification ---------------------------------------------------------------------------
// The system calls back on threads of its own. Here one thread serves every registration of the process:
// it owns a change-signal slot (line_state.h), wakes on each write of the state, compares the adapters
// with what it saw before and calls back for what changed. It ends with the last registration, so a
// program that cancels everything keeps no thread of this library.

namespace {

struct Registration {
    PIPINTERFACE_CHANGE_CALLBACK callback;
    void* context;
    ADDRESS_FAMILY family;
};

std::mutex g_life;     // registering and cancelling, one at a time
std::mutex g_list;     // the registrations
std::mutex g_calling;  // held while callbacks run: a cancel waits on it for one under way
std::vector<Registration*> g_registrations;
HANDLE g_slot = nullptr;
HANDLE g_thread = nullptr;
DWORD g_thread_id = 0;
bool g_ending = false;

struct Change {
    vt::line::Adapter adapter;
    MIB_NOTIFICATION_TYPE type;
};

const vt::line::Adapter* FindAdapter(const std::vector<vt::line::Adapter>& adapters, unsigned long index) {
    for (const vt::line::Adapter& a : adapters)
        if (a.index == index) return &a;
    return nullptr;
}

std::vector<Change> Compare(const std::vector<vt::line::Adapter>& before,
                            const std::vector<vt::line::Adapter>& after) {
    std::vector<Change> changes;
    for (const vt::line::Adapter& was : before)
        if (!FindAdapter(after, was.index)) changes.push_back({was, MibDeleteInstance});
    for (const vt::line::Adapter& now : after) {
        const vt::line::Adapter* was = FindAdapter(before, now.index);
        if (!was)
            changes.push_back({now, MibAddInstance});
        else if (was->media != now.media || was->absent != now.absent || was->disabled != now.disabled)
            changes.push_back({now, MibParameterNotification});
    }
    return changes;
}

void CallBack(const Registration& r, const Change& change) {
    for (ADDRESS_FAMILY family : {ADDRESS_FAMILY(AF_INET), ADDRESS_FAMILY(AF_INET6)}) {
        if (r.family != AF_UNSPEC && r.family != family) continue;
        MIB_IPINTERFACE_ROW row{};
        row.Family = family;
        row.InterfaceIndex = change.adapter.index;
        row.InterfaceLuid.Info.IfType = change.adapter.type;
        row.InterfaceLuid.Info.NetLuidIndex = change.adapter.index;
        row.Connected = change.adapter.media == vt::line::Media::Up;
        r.callback(r.context, &row, change.type);
    }
}

std::pair<std::vector<vt::line::Adapter>, bool> ReadAdapters() {
    vt::line::Lock lock;
    const vt::line::State state = vt::line::Load();
    return {vt::line::TableAdapters(state), state.link.quiet};
}

DWORD WINAPI Serve(void* first) {
    // What the registration saw: a change made right after it returned is told.
    std::vector<vt::line::Adapter> before = std::move(*static_cast<std::vector<vt::line::Adapter>*>(first));
    delete static_cast<std::vector<vt::line::Adapter>*>(first);
    for (;;) {
        WaitForSingleObject(g_slot, INFINITE);
        auto [after, quiet] = ReadAdapters();
        const std::vector<Change> changes = Compare(before, after);
        before = std::move(after);
        std::lock_guard<std::mutex> calling(g_calling);
        std::vector<Registration> now;
        {
            std::lock_guard<std::mutex> guard(g_list);
            if (g_ending) return 0;
            for (Registration* r : g_registrations) now.push_back(*r);
        }
        if (quiet) continue;
        for (const Registration& r : now)
            for (const Change& change : changes) CallBack(r, change);
    }
}

// Claims a free change-signal slot and starts the thread.
bool StartServing() {
    for (int slot = 0; slot < vt::line::kWatchSlots && !g_slot; ++slot) {
        HANDLE event = CreateEventW(nullptr, FALSE, FALSE, vt::line::WatchEventName(slot).c_str());
        const DWORD error = GetLastError();
        if (event && error == ERROR_ALREADY_EXISTS)
            CloseHandle(event);
        else
            g_slot = event;
    }
    if (!g_slot) return false;
    // The thread runs this library's code: keep it loaded whatever the caller frees.
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&Serve), &self);
    auto* first = new std::vector<vt::line::Adapter>(ReadAdapters().first);
    g_thread = CreateThread(nullptr, 0, Serve, first, 0, &g_thread_id);
    if (g_thread) return true;
    delete first;
    CloseHandle(g_slot);
    g_slot = nullptr;
    return false;
}

}  // namespace

extern "C" DWORD WINAPI DoubleNotifyIpInterfaceChange(ADDRESS_FAMILY family,
                                                      PIPINTERFACE_CHANGE_CALLBACK callback, PVOID context,
                                                      BOOLEAN initial, HANDLE* handle) {
    if (!callback || !handle || (family != AF_UNSPEC && family != AF_INET && family != AF_INET6))
        return ERROR_INVALID_PARAMETER;
    // The dialer asks for changes only; a caller that wants the first call at once needs more than this.
    if (initial)
        Misuse("NotifyIpInterfaceChange with an initial notification, which the stand-in does not serve");
    {
        vt::line::Lock lock;
        if (const vt::line::Failure* failure =
                vt::line::FindFailure(vt::line::Load(), "NotifyIpInterfaceChange"))
            return failure->code;
    }
    std::lock_guard<std::mutex> life(g_life);
    if (!g_thread && !StartServing()) return ERROR_NOT_ENOUGH_MEMORY;
    auto* registration = new Registration{callback, context, family};
    {
        std::lock_guard<std::mutex> guard(g_list);
        g_registrations.push_back(registration);
    }
    *handle = registration;
    return NO_ERROR;
}

extern "C" DWORD WINAPI DoubleCancelMibChangeNotify2(HANDLE handle) {
    if (!handle) return ERROR_INVALID_PARAMETER;
    if (GetCurrentThreadId() == g_thread_id)
        Misuse("CancelMibChangeNotify2 called from a notification's callback (the system deadlocks there)");
    std::lock_guard<std::mutex> life(g_life);
    bool last = false;
    {
        std::lock_guard<std::mutex> guard(g_list);
        auto found = std::find(g_registrations.begin(), g_registrations.end(), handle);
        if (found == g_registrations.end()) return ERROR_INVALID_HANDLE;
        g_registrations.erase(found);
        last = g_registrations.empty();
        g_ending = last;
    }
    // A callback of this registration under way ends before the cancel returns, as on the system.
    { std::lock_guard<std::mutex> calling(g_calling); }
    delete static_cast<Registration*>(handle);
    if (last) {
        SetEvent(g_slot);
        WaitForSingleObject(g_thread, INFINITE);
        CloseHandle(g_thread);
        CloseHandle(g_slot);
        g_thread = g_slot = nullptr;
        g_thread_id = 0;
        g_ending = false;
    }
    return NO_ERROR;
}
