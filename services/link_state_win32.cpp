// The interface table and its change notification came with Vista. They are looked up when first used,
// so this file may see their declarations whatever older system the rest of the program builds for.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "services/link_state.h"

// The socket definitions before the IP helper headers, which use them.
#include <winsock2.h>
#include <ws2ipdef.h>

#include <iphlpapi.h>
#include <netioapi.h>

#include <memory>

#include "base/text.h"

namespace vt {
namespace {

struct Api {
    decltype(&GetIfTable2) get_table = nullptr;
    decltype(&FreeMibTable) free_table = nullptr;
    decltype(&NotifyIpInterfaceChange) notify = nullptr;
    decltype(&CancelMibChangeNotify2) cancel = nullptr;
};

template <typename F>
void Find(HMODULE library, const char* name, F& out) {
    out =
        library ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(library, name))) : nullptr;
}

const Api& LoadApi() {
    static const Api api = [] {
        Api a;
        // Kept loaded for the process's life: the notification's callback lives in it.
        HMODULE library = LoadLibraryW(L"iphlpapi.dll");
        Find(library, "GetIfTable2", a.get_table);
        Find(library, "FreeMibTable", a.free_table);
        Find(library, "NotifyIpInterfaceChange", a.notify);
        Find(library, "CancelMibChangeNotify2", a.cancel);
        if (!a.get_table || !a.free_table) a.get_table = nullptr;
        if (!a.notify || !a.cancel) a.notify = nullptr;
        return a;
    }();
    return api;
}

MediaState MediaOf(NET_IF_MEDIA_CONNECT_STATE state) {
    switch (state) {
        case MediaConnectStateConnected:
            return MediaState::Connected;
        case MediaConnectStateDisconnected:
            return MediaState::Disconnected;
        default:
            return MediaState::Unknown;
    }
}

// Runs on a thread of the system's: it only wakes the watch's own thread. The system may call it for
// every family and parameter of every interface; the auto-reset event folds a burst into one read.
void WINAPI InterfaceChanged(void* context, MIB_IPINTERFACE_ROW*, MIB_NOTIFICATION_TYPE) {
    SetEvent(static_cast<HANDLE>(context));
}

// A changed interface is told when the system has updated the interface; the table read at once may
// still show the old media state. One more read this long after the last notification settles it.
constexpr DWORD kSettleMs = 1000;
// While the link is down, how often the table is read again: a returning cable is seen within this.
constexpr DWORD kDownReadMs = 1000;

}  // namespace

std::optional<std::vector<AdapterRow>> ReadAdapterRows() {
    const Api& api = LoadApi();
    if (!api.get_table) return std::nullopt;
    MIB_IF_TABLE2* raw = nullptr;
    if (api.get_table(&raw) != NO_ERROR || !raw) return std::nullopt;
    const std::unique_ptr<MIB_IF_TABLE2, decltype(api.free_table)> table(raw, api.free_table);
    std::vector<AdapterRow> rows;
    rows.reserve(table->NumEntries);
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        const MIB_IF_ROW2& row = table->Table[i];
        rows.push_back(
            {row.Type, MediaOf(row.MediaConnectState), row.InterfaceAndOperStatusFlags.ConnectorPresent != 0,
             row.InterfaceAndOperStatusFlags.FilterInterface != 0, row.OperStatus != IfOperStatusNotPresent,
             row.AdminStatus == NET_IF_ADMIN_STATUS_UP, WideToUtf8(row.Alias)});
    }
    return rows;
}

Link ReadLinkState() {
    const std::optional<std::vector<AdapterRow>> rows = ReadAdapterRows();
    return rows ? ReduceLink(*rows) : Link::Unknown;
}

// ---- the watch ----------------------------------------------------------------------------------------

bool LinkWatch::Start(HWND window, UINT message) {
    Stop();
    if (!window) return false;
    UniqueKernelHandle changed(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    UniqueKernelHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!changed || !stop) return false;
    window_ = window;
    message_ = message;
    changed_ = std::move(changed);
    stop_ = std::move(stop);
    // Registered before the first read, so that a change between the two is read again. A success that
    // gives no handle (a system that only pretends to notify) counts as no notification.
    const Api& api = LoadApi();
    HANDLE notification = nullptr;
    if (api.notify &&
        api.notify(AF_UNSPEC, &InterfaceChanged, changed_.get(), FALSE, &notification) == NO_ERROR)
        notification_ = notification;
    last_ = ReadLinkState();
    // A thread of its own that blocks while the link is up, rather than the thread pool's wait: a tray
    // program should cost nothing while the line is quiet. The default stack: it runs the system's table
    // call, which may go deep.
    thread_.reset(CreateThread(nullptr, 0, &LinkWatch::Watch, this, 0, nullptr));
    if (!thread_) {
        Stop();
        return false;
    }
    return true;
}

void LinkWatch::Stop() {
    // First the system's notification, with no lock held: the cancel waits for a callback under way,
    // which only signals an event that is still open here.
    if (notification_) {
        LoadApi().cancel(notification_);
        notification_ = nullptr;
    }
    if (thread_) {
        // The thread posts, which never blocks, and takes only the read lock, which no caller of Stop holds.
        SetEvent(stop_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }
    changed_.reset();
    stop_.reset();
    window_ = nullptr;
    message_ = 0;
    last_ = Link::Unknown;
}

Link LinkWatch::Refresh() {
    if (!thread_) return ReadLinkState();
    const Link before = last_.load();
    const Link now = ReadAndTell();
    // The thread sleeps while the link is up or unknown: wake it to begin its reads while down.
    if (now == Link::Down && before != Link::Down) SetEvent(changed_.get());
    return now;
}

Link LinkWatch::ReadAndTell() {
    std::lock_guard<std::mutex> guard(read_lock_);
    const Link now = ReadLinkState();
    if (last_.exchange(now) != now) PostMessageW(window_, message_, static_cast<WPARAM>(now), 0);
    return now;
}

DWORD WINAPI LinkWatch::Watch(void* context) {
    auto* watch = static_cast<LinkWatch*>(context);
    const HANDLE handles[2] = {watch->stop_.get(), watch->changed_.get()};
    bool settling = false;
    for (;;) {
        const DWORD timeout = watch->last_.load() == Link::Down ? kDownReadMs
                              : settling                             ? kSettleMs
                                                                     : INFINITE;
        // The stop comes first, so that a stop and a change signalled together read nothing more.
        const DWORD woke = WaitForMultipleObjects(2, handles, FALSE, timeout);
        if (woke == WAIT_OBJECT_0 + 1)
            settling = true;
        else if (woke == WAIT_TIMEOUT)
            settling = false;
        else
            return 0;
        watch->ReadAndTell();
    }
}

}  // namespace vt
