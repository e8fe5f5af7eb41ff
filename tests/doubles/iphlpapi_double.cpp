// Stand-in for the IP helper library (iphlpapi.dll): the interface table and its change notification,
// served from the simulated line's state file (line_state.h, "The network adapters"), so that a test can
// pull a cable and put it back. Loaded instead of Wine's own through WINEDLLOVERRIDES=iphlpapi=n,b from
// the program's folder. Everything else that other system libraries in the process ask of iphlpapi
// (wininet, winhttp, ws2_32, rpcrt4...) is passed to the system's own library, loaded beside this one.
//
// At least as strict as the system: a table must be freed with FreeMibTable, once; a notification must
// be cancelled, not from its own callback (the system would deadlock there), and its cancel waits for a
// callback under way. Misuse ends the process with a message on stderr, so a test cannot pass over it.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
// The socket definitions before the IP helper headers, which use them.
#include <winsock2.h>
#include <ws2ipdef.h>

#include <iphlpapi.h>
#include <netioapi.h>

#include <algorithm>
#include <cstdio>
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
FORWARD(GetAdaptersAddresses, (ULONG f, ULONG o, PVOID r, PIP_ADAPTER_ADDRESSES a, PULONG s), (f, o, r, a, s))
FORWARD(GetAdaptersInfo, (PIP_ADAPTER_INFO info, PULONG size), (info, size))
FORWARD(GetBestRoute, (DWORD to, DWORD from, PMIB_IPFORWARDROW row), (to, from, row))
FORWARD(GetBestInterface, (IPAddr to, PDWORD index), (to, index))
FORWARD(GetIpAddrTable, (PMIB_IPADDRTABLE table, PULONG size, BOOL order), (table, size, order))
FORWARD(GetIpForwardTable, (PMIB_IPFORWARDTABLE table, PULONG size, BOOL order), (table, size, order))
FORWARD(GetIfEntry, (PMIB_IFROW row), (row))
FORWARD(GetIfTable, (PMIB_IFTABLE table, PULONG size, BOOL order), (table, size, order))
FORWARD(GetNetworkParams, (PFIXED_INFO info, PULONG size), (info, size))
FORWARD(ConvertInterfaceIndexToLuid, (NET_IFINDEX index, PNET_LUID luid), (index, luid))
FORWARD(ConvertInterfaceLuidToGuid, (const NET_LUID* luid, GUID* guid), (luid, guid))

namespace {

// ---- the interface table -------------------------------------------------------------------------------

std::mutex g_tables_lock;
std::set<void*> g_tables;  // handed out and not freed yet

void FillRow(const vt::line::Adapter& adapter, MIB_IF_ROW2& row) {
    const bool loopback = adapter.type == IF_TYPE_SOFTWARE_LOOPBACK;
    row.InterfaceIndex = adapter.index;
    row.InterfaceLuid.Info.IfType = adapter.type;
    row.InterfaceLuid.Info.NetLuidIndex = adapter.index;
    const std::wstring name = vt::line::ToWide(CP_UTF8, adapter.name);
    lstrcpynW(row.Alias, name.c_str(), IF_MAX_STRING_SIZE + 1);
    lstrcpynW(row.Description, name.c_str(), IF_MAX_STRING_SIZE + 1);
    row.Type = adapter.type;
    row.Mtu = loopback ? 0xFFFFFFFF : 1500;
    row.MediaType = adapter.type == IF_TYPE_IEEE80211 ? NdisMediumNative802_11
                    : loopback                        ? NdisMediumLoopback
                                                      : NdisMedium802_3;
    row.PhysicalMediumType = adapter.type == IF_TYPE_IEEE80211         ? NdisPhysicalMediumNative802_11
                             : adapter.type == IF_TYPE_ETHERNET_CSMACD ? NdisPhysicalMedium802_3
                                                                       : NdisPhysicalMediumUnspecified;
    row.AccessType = loopback ? NET_IF_ACCESS_LOOPBACK : NET_IF_ACCESS_BROADCAST;
    row.InterfaceAndOperStatusFlags.HardwareInterface = adapter.hardware;
    row.InterfaceAndOperStatusFlags.FilterInterface = adapter.filter;
    row.InterfaceAndOperStatusFlags.ConnectorPresent = adapter.hardware && !adapter.filter;
    row.InterfaceAndOperStatusFlags.NotMediaConnected = adapter.media == vt::line::Media::Down;
    row.MediaConnectState = static_cast<NET_IF_MEDIA_CONNECT_STATE>(adapter.media);
    row.OperStatus = adapter.media == vt::line::Media::Up     ? IfOperStatusUp
                     : adapter.media == vt::line::Media::Down ? IfOperStatusDown
                                                              : IfOperStatusUnknown;
    row.AdminStatus = NET_IF_ADMIN_STATUS_UP;
    const ULONG64 speed = adapter.media == vt::line::Media::Up ? 100000000ULL : 0;
    row.TransmitLinkSpeed = row.ReceiveLinkSpeed = speed;
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
    bool initial_due;
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
        else if (was->media != now.media)
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
            for (Registration* r : g_registrations) {
                now.push_back(*r);
                r->initial_due = false;
            }
        }
        for (const Registration& r : now) {
            if (r.initial_due) r.callback(r.context, nullptr, MibInitialNotification);
            if (quiet) continue;
            for (const Change& change : changes) CallBack(r, change);
        }
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
    {
        vt::line::Lock lock;
        if (const vt::line::Failure* failure =
                vt::line::FindFailure(vt::line::Load(), "NotifyIpInterfaceChange"))
            return failure->code;
    }
    std::lock_guard<std::mutex> life(g_life);
    if (!g_thread && !StartServing()) return ERROR_NOT_ENOUGH_MEMORY;
    auto* registration = new Registration{callback, context, family, initial != FALSE};
    {
        std::lock_guard<std::mutex> guard(g_list);
        g_registrations.push_back(registration);
    }
    *handle = registration;
    if (initial) SetEvent(g_slot);
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
