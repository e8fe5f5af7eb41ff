#include "tray/tray_icon.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "base/function_lookup.h"
#include "res/resource.h"

namespace vt {
namespace {

// Headers for the oldest supported system declare none of these; the program looks them up by name.
constexpr UINT kDpiChanged = 0x02E0;                           // WM_DPICHANGED
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(-3);  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE
constexpr DWORD kMessageFilterAllow = 1;                       // MSGFLT_ALLOW
// A balloon kept for a missing icon is news for this long; later the icon's state and tip say more.
constexpr DWORD kBalloonShelfLifeMs = 60 * 1000;

// Copies `text` into a fixed field, cut to the field with a terminator, never between the two halves of
// a surrogate pair.
template <size_t N>
void CopyCut(wchar_t (&field)[N], std::wstring_view text) {
    size_t count = std::min(text.size(), N - 1);
    if (count < text.size() && count > 0 && IS_HIGH_SURROGATE(text[count - 1])) --count;
    std::memcpy(field, text.data(), count * sizeof(wchar_t));
    field[count] = L'\0';
}

}  // namespace

int NotificationIconSize() {
    using SetContext = HANDLE(WINAPI*)(HANDLE);
    using DpiForWindow = UINT(WINAPI*)(HWND);
    using DpiForSystem = UINT(WINAPI*)();
    using MetricForDpi = int(WINAPI*)(int, UINT);
    static const auto set_context = LookUpFunction<SetContext>(L"user32.dll", "SetThreadDpiAwarenessContext");
    static const auto dpi_for_window = LookUpFunction<DpiForWindow>(L"user32.dll", "GetDpiForWindow");
    static const auto dpi_for_system = LookUpFunction<DpiForSystem>(L"user32.dll", "GetDpiForSystem");
    static const auto metric_for_dpi = LookUpFunction<MetricForDpi>(L"user32.dll", "GetSystemMetricsForDpi");
    if (set_context && dpi_for_window && dpi_for_system && metric_for_dpi) {
        // The program is not DPI-aware, so its own metrics are those of 96 DPI at any scale, and the shell
        // would blow a 16-pixel icon up. Asked as a per-monitor-aware thread, the taskbar's window tells
        // the DPI it draws at, which may differ from the one the session started with.
        HANDLE previous = set_context(kPerMonitorAware);
        HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
        UINT dpi = taskbar ? dpi_for_window(taskbar) : 0;
        if (dpi == 0) dpi = dpi_for_system();
        if (previous) set_context(previous);
        int size = metric_for_dpi(SM_CXSMICON, dpi);
        if (size > 0) return size;
    }
    int size = GetSystemMetrics(SM_CXSMICON);
    return size > 0 ? size : 16;
}

TrayIcon::TrayIcon(HWND window, HINSTANCE resources, std::wstring icon_file, ShellCall shell)
    : window_(window), resources_(resources), icon_file_(std::move(icon_file)), shell_(shell) {
    // Known before the first add: a taskbar that comes up between that add's failure and a later watch
    // would otherwise never be heard of.
    taskbar_created_ = RegisterWindowMessageW(L"TaskbarCreated");
    using AllowMessage = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    static const auto allow = LookUpFunction<AllowMessage>(L"user32.dll", "ChangeWindowMessageFilterEx");
    if (allow && taskbar_created_ != 0) allow(window_, taskbar_created_, kMessageFilterAllow, nullptr);
    size_ = NotificationIconSize();
}

TrayIcon::~TrayIcon() { Hide(); }

bool TrayIcon::Show() {
    wanted_ = true;
    return present_ || Add();
}

void TrayIcon::Hide() {
    // A change refused only because the shell was busy leaves an icon that is thought gone: it is taken
    // down all the same, or it would stay in the notification area after the program.
    const bool maybe_there = present_ || wanted_;
    wanted_ = false;
    present_ = false;
    balloon_.reset();
    if (!maybe_there) return;
    NOTIFYICONDATAW data = Record(0);
    shell_(NIM_DELETE, &data);
}

void TrayIcon::SetState(TrayState state, std::wstring_view tip) {
    wchar_t cut[std::size(NOTIFYICONDATAW{}.szTip)];
    CopyCut(cut, tip);
    if (state == state_ && tip_ == cut) return;
    state_ = state;
    tip_ = cut;
    if (!present_) return;  // the next add carries them
    NOTIFYICONDATAW data = Record(NIF_ICON | NIF_TIP);
    Modify(data);
}

void TrayIcon::ShowBalloon(std::wstring_view text, std::wstring_view title, DWORD flags) {
    balloon_ = Balloon{std::wstring(text), std::wstring(title), flags, GetTickCount()};
    if (present_) ShowPendingBalloon();
}

void TrayIcon::Tick() {
    if (wanted_ && !present_) Add();
}

bool TrayIcon::HandleMessage(UINT message) {
    if (taskbar_created_ != 0 && message == taskbar_created_) {
        OnTaskbarCreated();
        return true;
    }
    if (message == kDpiChanged || message == WM_SETTINGCHANGE || message == WM_DISPLAYCHANGE)
        OnDisplayChanged();
    return false;
}

void TrayIcon::OnTaskbarCreated() {
    // A new taskbar may draw at another DPI than the one that went (Windows 10 also announces a change
    // of the taskbar's DPI this way).
    int size = NotificationIconSize();
    if (size != size_) {
        size_ = size;
        for (UniqueIcon& icon : icons_) icon.reset();
    }
    present_ = false;
    if (wanted_) Add();
}

void TrayIcon::OnDisplayChanged() {
    int size = NotificationIconSize();
    if (size == size_) return;
    size_ = size;
    // The shell keeps its own copy of an icon it is given: the old handles may go once it has the new one.
    std::array<UniqueIcon, 4> old = std::move(icons_);
    if (!present_) return;
    NOTIFYICONDATAW data = Record(NIF_ICON);
    Modify(data);
}

HICON TrayIcon::icon() {
    UniqueIcon& slot = icons_[static_cast<size_t>(state_)];
    if (!slot) slot.reset(LoadStateIcon(state_));
    return slot.get();
}

HICON TrayIcon::LoadStateIcon(TrayState state) const {
    int id = IDI_VELTRANE;
    switch (state) {
        case TrayState::Program: {
            HICON from_file = static_cast<HICON>(LoadImageW(nullptr, icon_file_.c_str(), IMAGE_ICON, size_,
                                                            size_, LR_LOADFROMFILE | LR_LOADMAP3DCOLORS));
            if (from_file) return from_file;
            break;  // no adsl.ico beside the program: its own icon rather than an empty slot
        }
        case TrayState::NotConnected:
            id = IDI_TRAY_DISCONNECTED;
            break;
        case TrayState::Dialling:
            id = IDI_TRAY_DIALLING;
            break;
        case TrayState::Connected:
            id = IDI_TRAY_CONNECTED;
            break;
    }
    // Scaled down from a larger image when the size has none of its own (250 % and more), where LoadImage
    // would blow a smaller one up. comctl32 is mapped only once a control is made; loaded by the look-up,
    // it is the version the manifest asks for, as the windows of the process have it.
    using ScaleDown = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    static const auto scale_down = LookUpFunction<ScaleDown>(L"comctl32.dll", "LoadIconWithScaleDown");
    HICON icon = nullptr;
    if (scale_down && SUCCEEDED(scale_down(resources_, MAKEINTRESOURCEW(id), size_, size_, &icon)) && icon)
        return icon;
    return static_cast<HICON>(LoadImageW(resources_, MAKEINTRESOURCEW(id), IMAGE_ICON, size_, size_, 0));
}

NOTIFYICONDATAW TrayIcon::Record(UINT flags) {
    NOTIFYICONDATAW data{};
    // The version-2 size: balloons and NIM_SETVERSION, understood by every shell since Windows 2000.
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = window_;
    data.uID = kTrayIconId;
    data.uFlags = flags;
    data.uCallbackMessage = kTrayCallbackMessage;
    if (flags & NIF_ICON) data.hIcon = icon();
    if (flags & NIF_TIP) CopyCut(data.szTip, tip_);
    return data;
}

bool TrayIcon::Add() {
    NOTIFYICONDATAW data = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    // An icon the shell still has makes the add fail (Wine keeps icons over a "TaskbarCreated"; so does a
    // shell that timed out on an add it then made): it is there, and is told what to show.
    present_ = shell_(NIM_ADD, &data) || shell_(NIM_MODIFY, &data);
    if (!present_) return false;
    // Version 3 keeps the callback's lParam the mouse message, as the window reads it, and adds the
    // keyboard's selections; version 4 would move the message to LOWORD(lParam).
    data.uVersion = NOTIFYICON_VERSION;
    shell_(NIM_SETVERSION, &data);
    ShowPendingBalloon();
    return true;
}

bool TrayIcon::Modify(NOTIFYICONDATAW& data) {
    // A refused change means the icon is gone (an Explorer restart unheard): the next tick adds it again.
    if (!shell_(NIM_MODIFY, &data)) present_ = false;
    return present_;
}

void TrayIcon::ShowPendingBalloon() {
    if (!balloon_) return;
    if (GetTickCount() - balloon_->asked_at > kBalloonShelfLifeMs) {
        balloon_.reset();
        return;
    }
    NOTIFYICONDATAW data = Record(NIF_INFO);
    CopyCut(data.szInfo, balloon_->text);
    CopyCut(data.szInfoTitle, balloon_->title);
    data.dwInfoFlags = balloon_->flags;
    if (Modify(data)) balloon_.reset();
}

}  // namespace vt
