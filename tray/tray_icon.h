#pragma once
// The notification-area icon: one icon (id 1) for the whole program, its balloons, and its return after
// a taskbar restart. Clicks on the icon reach the main window as WM_MOUSEMOVE (kTrayCallbackMessage)
// with the mouse message of the click in lParam.
#include <windows.h>

#include <shellapi.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "base/handles.h"

namespace vt {

inline constexpr UINT kTrayCallbackMessage = 0x200;  // WM_MOUSEMOVE
inline constexpr UINT kTrayIconId = 1;
inline constexpr UINT kBalloonInfo = 1;  // NIIF_INFO

// What the icon tells of the line. `Program` is adsl.ico, the program's own icon, shown until the
// dialer knows the line's state; the three others are built into the program (IDI_TRAY_*).
enum class TrayState { Program, NotConnected, Dialling, Connected };

// The notification-area icon as an object that keeps what it should show (the state's icon, the tip,
// whether it should be there at all) and brings the shell back to it: after a failed add (the taskbar
// does not exist yet at logon, or Explorer is busy), after a taskbar restart, and after a change of the
// taskbar's DPI. It calls the shell only when what it shows changes, and has no timer of its own.
//
// The window that owns it forwards to HandleMessage() every message it gets, from its creation on
// (before Show()), and calls Tick() from the dialer's existing timers. Clicks reach the window as
// WM_MOUSEMOVE (kTrayCallbackMessage) with the mouse message in lParam (shell version 3: also NIN_SELECT
// 0x400 after a click, NIN_KEYSELECT 0x401 for Enter and WM_CONTEXTMENU for the menu key).
class TrayIcon {
public:
    using ShellCall = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAW data);

    // Learns the number of "TaskbarCreated" and lets it through the message filter (an elevated copy
    // hears Explorer at a lower level). Shows nothing yet. `resources` holds the IDI_TRAY_* icons and the
    // program's icon IDI_VELTRANE (used when `icon_file`, adsl.ico beside the program, is missing).
    // `shell` is Shell_NotifyIconW but for tests.
    TrayIcon(HWND window, HINSTANCE resources, std::wstring icon_file, ShellCall shell = &Shell_NotifyIconW);
    // Takes the icon down.
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // The icon should be there from now on: added at once, or, when the shell refuses, at the next
    // "TaskbarCreated" or Tick(). True when it is there now.
    bool Show();
    // Takes the icon down until the next Show(); a balloon still waiting is dropped.
    void Hide();
    // What the icon shows; the tip is cut to the record's 127 characters. The shell is called only when
    // the state or the tip differs from what it shows.
    void SetState(TrayState state, std::wstring_view tip);
    // A balloon on the icon (texts cut to 255 and 63 characters). While the icon is missing the last
    // balloon asked waits for it and is shown when the icon is back, unless a minute has passed.
    void ShowBalloon(std::wstring_view text, std::wstring_view title, DWORD flags);
    // From the dialer's existing ticks: adds the icon when it should be there and is not; otherwise
    // nothing, and no shell call.
    void Tick();
    // True when `message` is "TaskbarCreated": the icon is added again at the taskbar's size (the window
    // returns 0). WM_DPICHANGED, WM_SETTINGCHANGE and WM_DISPLAYCHANGE reload the icon when the
    // small-icon size changed, and return false: the window handles them as before.
    bool HandleMessage(UINT message);
    // What HandleMessage() calls for those messages.
    void OnTaskbarCreated();
    void OnDisplayChanged();

    bool present() const { return present_; }
    TrayState state() const { return state_; }
    const std::wstring& tip() const { return tip_; }
    int icon_size() const { return size_; }
    HICON icon();  // the handle the shell is given for the current state
    UINT taskbar_created_message() const { return taskbar_created_; }

private:
    struct Balloon {
        std::wstring text, title;
        DWORD flags;
        DWORD asked_at;
    };
    NOTIFYICONDATAW Record(UINT flags);
    bool Add();
    bool Modify(NOTIFYICONDATAW& data);
    void ShowPendingBalloon();
    HICON LoadStateIcon(TrayState state) const;

    HWND window_;
    HINSTANCE resources_;
    std::wstring icon_file_;
    ShellCall shell_;
    UINT taskbar_created_ = 0;
    bool wanted_ = false;
    bool present_ = false;
    TrayState state_ = TrayState::Program;
    std::wstring tip_;
    int size_ = 0;
    std::array<UniqueIcon, 4> icons_;  // by state, loaded at size_ when first shown
    std::optional<Balloon> balloon_;
};

// The notification area's small-icon size in pixels: that of the taskbar's DPI where the system tells it
// (Windows 10 1607 and later), else the system's small-icon metric.
int NotificationIconSize();

}  // namespace vt
