#pragma once
// Whether the physical link under the broadband line is there: the media state of the PC's network
// adapters, reduced to one answer the supervision can act on. The rule is platform-free; the reader and
// the watch that hears changes are Win32 only.
#include <optional>
#include <span>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "base/handles.h"
#endif

namespace vt {

// Up: at least one adapter that can carry the line has link. Down: such adapters exist and none has
// link (the cable is out, the modem is off). Unknown: none is listed, one of them does not say, or the
// table could not be read; Unknown never holds a dial.
enum class Link { Unknown, Up, Down };

// As the platform's NET_IF_MEDIA_CONNECT_STATE, in its order.
enum class MediaState { Unknown, Connected, Disconnected };

// What the rule reads of one row of the platform's interface table (MIB_IF_ROW2).
struct AdapterRow {
    unsigned long type = 0;  // IANA ifType: 6 Ethernet, 71 Wi-Fi, 24 loopback, 23 PPP, 131 tunnel...
    MediaState media = MediaState::Unknown;
    bool connector = false;  // a physical adapter's own port (ConnectorPresent), which no virtual one has
    bool filter = false;     // a filter driver's row, which repeats the row of the adapter beneath it
    bool present = true;     // not "not present" (a USB adapter or a phone used once and away now)
    bool enabled = true;     // administratively up: not disabled in the network settings
    std::string name;        // the adapter's name as the network settings show it ("以太网"), UTF-8
};

inline constexpr unsigned long kIfTypeEthernet = 6;  // IF_TYPE_ETHERNET_CSMACD
inline constexpr unsigned long kIfTypeWifi = 71;     // IF_TYPE_IEEE80211

// Whether a broadband line can run over the row's adapter: an Ethernet or Wi-Fi adapter (PPPoE also runs
// over Wi-Fi to a bridge) with a port of its own, present and enabled, and the adapter's own row rather
// than a filter driver's copy.
bool CarriesLine(const AdapterRow& row);

// Up when any adapter that carries the line has link; Down when there are such adapters and every one is
// disconnected; Unknown otherwise: none is listed, or none is up and one does not know its media state.
Link ReduceLink(std::span<const AdapterRow> rows);

// The adapters a change of the link is about, by name: the first that carries the line and has link
// while one has; else every one that carries the line, joined by "、"; "" when none does.
std::string LinkAdapterNames(std::span<const AdapterRow> rows);

#ifdef _WIN32
// The platform's interface table (GetIfTable2, Vista and later), read once: one row per interface,
// filter drivers' rows included. Nothing when the library lacks the call or the call fails.
std::optional<std::vector<AdapterRow>> ReadAdapterRows();

// ReduceLink over ReadAdapterRows(); Unknown when the table could not be read.
Link ReadLinkState();

// Tells a window when the link changes. The system's notification of IP interface changes
// (NotifyIpInterfaceChange) asks the watch's own message-only window for a read, and one more a second
// later, when the system has settled; as not every system tells a media change that way, the table is also
// read once a second while the link is down, so that a returning cable is seen within that second whatever
// the system tells. Nothing is read while the link is up or unknown and the system is quiet. Everything
// but the system's callback (which only posts) runs on the thread that started the watch, whose messages
// must be dispatched.
class LinkWatch {
public:
    LinkWatch() = default;
    LinkWatch(const LinkWatch&) = delete;
    LinkWatch& operator=(const LinkWatch&) = delete;
    ~LinkWatch() { Stop(); }

    // Reads the link (Last() tells it; no message for this first read) and, from then on, posts `message`
    // to `window` with wParam the new Link and lParam 0 each time a read finds the state changed
    // from the last read. Several changes close together may give one message per change read, never one
    // for a state that was not read. False, with nothing left behind, when the window is null or the
    // watch's own window could not be made; a running watch is stopped first.
    bool Start(HWND window, UINT message);

    // No message is posted and no notification runs once this returns; the system's notification is
    // cancelled before the watch's window goes. On the thread that started the watch.
    void Stop();

    // Reads the link now, for a decision that must not rest on the last message alone (a pulled cable is
    // not told on every system). A change found here is posted like any other and, when the link is found
    // down, the once-a-second reads begin. Reads ReadLinkState() when the watch is not running.
    Link Refresh();

    // The state of the last read; Unknown before Start.
    Link Last() const { return last_; }

    bool Running() const { return static_cast<bool>(own_); }

    // Whether the system took the change notification: a system that has none, or does not give a handle
    // for it, leaves the watch to its reads while the link is down and to Refresh.
    bool HearsSystem() const { return notification_ != nullptr; }

    // For the system's callback, on a thread of its own: asks the watch's window for a read.
    void ReadAsked();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    // Reads and, when the state changed, stores and posts it; arms or stops the next read. Returns the
    // state read.
    Link ReadAndTell(bool settling);

    UniqueWindow own_;
    HANDLE notification_ = nullptr;
    HWND window_ = nullptr;
    UINT message_ = 0;
    Link last_ = Link::Unknown;
    volatile LONG read_asked_ = 0;  // a read is queued and not yet begun
};
#endif

}  // namespace vt
