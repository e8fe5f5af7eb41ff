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

#include "base/function_lookup.h"
#include "base/text.h"

namespace vt {
namespace {

struct Api {
    decltype(&GetIfTable2) get_table = nullptr;
    decltype(&FreeMibTable) free_table = nullptr;
    decltype(&NotifyIpInterfaceChange) notify = nullptr;
    decltype(&CancelMibChangeNotify2) cancel = nullptr;
};

const Api& LoadApi() {
    static const Api api = [] {
        // The library stays loaded for the process's life: the notification's callback lives in it.
        Api a;
        a.get_table = LookUpFunction<decltype(a.get_table)>(L"iphlpapi.dll", "GetIfTable2");
        a.free_table = LookUpFunction<decltype(a.free_table)>(L"iphlpapi.dll", "FreeMibTable");
        a.notify = LookUpFunction<decltype(a.notify)>(L"iphlpapi.dll", "NotifyIpInterfaceChange");
        a.cancel = LookUpFunction<decltype(a.cancel)>(L"iphlpapi.dll", "CancelMibChangeNotify2");
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

// The watch's own window: message-only, on the thread that started the watch. A thread of its own would
// cost a tray program far more memory than a window (Wine keeps a whole stack resident for each).
constexpr wchar_t kWatchClass[] = L"Veltrane.LinkWatch";
constexpr UINT kReadMessage = WM_APP;  // the system told a change
constexpr UINT_PTR kReadTimer = 1;

// Runs on a thread of the system's: it only asks the watch's window for a read, which never blocks. The
// system may call it for every family and parameter of every interface: a read already asked for is not
// asked again.
void WINAPI InterfaceChanged(void* context, MIB_IPINTERFACE_ROW*, MIB_NOTIFICATION_TYPE) {
    static_cast<LinkWatch*>(context)->ReadAsked();
}

// A changed interface is told when the system has updated the interface; the table read at once may
// still show the old media state. One more read this long after the last notification settles it.
constexpr UINT kSettleMs = 1000;
// While the link is down, how often the table is read again: a returning cable is seen within this.
constexpr UINT kDownReadMs = 1000;

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
    static const ATOM registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &LinkWatch::WindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kWatchClass;
        return RegisterClassExW(&wc);
    }();
    if (!registered) return false;
    own_.reset(CreateWindowExW(0, kWatchClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleW(nullptr), this));
    if (!own_) return false;
    window_ = window;
    message_ = message;
    InterlockedExchange(&read_asked_, 0);  // a read queued to a window that went never began
    // Registered before the first read, so that a change between the two is read again. A success that
    // gives no handle (a system that only pretends to notify) counts as no notification.
    const Api& api = LoadApi();
    HANDLE notification = nullptr;
    if (api.notify && api.notify(AF_UNSPEC, &InterfaceChanged, this, FALSE, &notification) == NO_ERROR)
        notification_ = notification;
    last_ = ReadLinkState();
    if (last_ == Link::Down) SetTimer(own_.get(), kReadTimer, kDownReadMs, nullptr);
    return true;
}

void LinkWatch::Stop() {
    // First the system's notification: the cancel waits for a callback under way, which only posts to a
    // window that is still there.
    if (notification_) {
        LoadApi().cancel(notification_);
        notification_ = nullptr;
    }
    own_.reset();  // its timer and any read still queued go with it
    window_ = nullptr;
    message_ = 0;
    last_ = Link::Unknown;
}

void LinkWatch::ReadAsked() {
    // One read asked at a time: a burst of the system's calls is one read, which sees them all.
    if (InterlockedExchange(&read_asked_, 1) == 0) PostMessageW(own_.get(), kReadMessage, 0, 0);
}

Link LinkWatch::Refresh() {
    if (!own_) return ReadLinkState();
    return ReadAndTell(false);
}

Link LinkWatch::ReadAndTell(bool settling) {
    const Link now = ReadLinkState();
    if (now != last_) PostMessageW(window_, message_, static_cast<WPARAM>(now), 0);
    last_ = now;
    // Nothing is read while the link is up or unknown and the system is quiet.
    if (now == Link::Down || settling)
        SetTimer(own_.get(), kReadTimer, now == Link::Down ? kDownReadMs : kSettleMs, nullptr);
    else
        KillTimer(own_.get(), kReadTimer);
    return now;
}

LRESULT CALLBACK LinkWatch::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* watch = reinterpret_cast<LinkWatch*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (watch && watch->own_.get() == window) {
        // A told change is read at once and once more after it has settled; the timer's own read settles.
        if (message == kReadMessage) {
            InterlockedExchange(&watch->read_asked_, 0);
            watch->ReadAndTell(true);
            return 0;
        }
        if (message == WM_TIMER && wparam == kReadTimer) {
            watch->ReadAndTell(false);
            return 0;
        }
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace vt
