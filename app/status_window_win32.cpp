#include "app/status_window.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "base/compat.h"
#include "base/handles.h"
#include "base/text.h"
#include "base/window_kit.h"

namespace vt {
namespace {

constexpr std::string_view kCaption = "连接状态";
constexpr std::string_view kCloseText = "关闭";

// One row: its label text and its two controls.
struct Row {
    std::string_view label;
    int label_id, value_id;
};
constexpr Row kRows[] = {
    {"状态：", StatusWindow::kStateLabel, StatusWindow::kStateValue},
    {"IPv4 地址：", StatusWindow::kIpv4Label, StatusWindow::kIpv4Value},
    {"IPv6 地址：", StatusWindow::kIpv6Label, StatusWindow::kIpv6Value},
    {"连接时长：", StatusWindow::kDurationLabel, StatusWindow::kDurationValue},
    {"已发送：", StatusWindow::kSentLabel, StatusWindow::kSentValue},
    {"已接收：", StatusWindow::kReceivedLabel, StatusWindow::kReceivedValue},
    {"设备：", StatusWindow::kDeviceLabel, StatusWindow::kDeviceValue},
    // The number and time on the first line, the whole reason wrapped below.
    {"本次运行的上次失败：", StatusWindow::kFailureLabel, StatusWindow::kFailureValue},
};

constexpr SongFont kFont = SongFont::Small;
constexpr int kMargin = 14;
constexpr int kGap = 6;  // between a label and its value
constexpr int kValueWidth = 268;
constexpr int kRowHeight = 20;
constexpr int kLabelHeight = 16;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr UINT_PTR kCloseSubclassId = 1;
// The size of `text` in the view's font: on one line, or wrapped to `wrap_width` as a static control of
// the failure's styles wraps it.
SIZE TextSize(HWND window, const std::wstring& text, int wrap_width = 0) {
    WindowDc dc(window);
    SelectGuard font(dc.get(), SongFontOf(kFont));
    RECT area = {0, 0, wrap_width, 0};
    const UINT flags = wrap_width ? DT_WORDBREAK | DT_EDITCONTROL | DT_EXPANDTABS : DT_SINGLELINE;
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &area,
              DT_CALCRECT | DT_NOPREFIX | flags);
    return {area.right, area.bottom};
}

}  // namespace

StatusWindow::StatusWindow(HINSTANCE instance, SnapshotSource source)
    : instance_(instance), source_(std::move(source)) {}

StatusWindow::~StatusWindow() { Close(); }

bool StatusWindow::Open() {
    if (window_ && IsWindow(window_)) {
        ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
        SetForegroundWindow(window_);
        Refresh();
        StartRefreshing();
        return true;
    }
    if (!RegisterFormClass(instance_) ||
        !CreateWindowExW(kExStyle, compat::kMainWindowClass, Utf8ToWide(kCaption).c_str(), kStyle,
                         CW_USEDEFAULT, CW_USEDEFAULT, 400, 300, nullptr, nullptr, instance_,
                         static_cast<WindowBase*>(this)))
        return false;
    if (!CreateControls()) {
        Close();
        return false;
    }
    Refresh();
    Layout();
    CentreOnScreen(window_);
    if (skin_attach_) skin_attach_(window_);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    StartRefreshing();
    return true;
}

void StatusWindow::Close() { DestroyOwnWindow(); }

bool StatusWindow::PreTranslate(const MSG& msg) {
    if (!window_ || msg.message != WM_KEYDOWN || msg.wParam != VK_ESCAPE) return false;
    if (msg.hwnd != window_ && !IsChild(window_, msg.hwnd)) return false;
    Close();
    return true;
}

bool StatusWindow::CreateControls() {
    auto make = [this](const wchar_t* cls, std::string_view text, DWORD style, int id) {
        HWND control =
            CreateWindowExW(0, cls, Utf8ToWide(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10,
                            window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
        if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(SongFontOf(kFont)), FALSE);
        return control;
    };
    // The label column as wide as its widest label.
    label_width_ = 0;
    for (const Row& row : kRows)
        label_width_ = std::max<int>(label_width_, TextSize(window_, Utf8ToWide(row.label)).cx);
    for (const Row& row : kRows) {
        // A single line is cut rather than wrapped; the failure's reason wraps.
        const DWORD value_style =
            SS_NOPREFIX | (row.value_id == kFailureValue ? SS_LEFT | SS_EDITCONTROL : SS_LEFTNOWORDWRAP);
        if (!make(L"STATIC", row.label, SS_NOPREFIX | SS_RIGHT, row.label_id) ||
            !make(L"STATIC", "", value_style, row.value_id))
            return false;
    }
    HWND close = make(L"BUTTON", kCloseText, BS_PUSHBUTTON | WS_TABSTOP, kCloseButton);
    if (!close) return false;
    // The button keeps the focus after a press that was dragged off it: Esc must still close.
    SetWindowSubclass(close, &StatusWindow::CloseButtonProc, kCloseSubclassId, 0);
    return true;
}

void StatusWindow::Layout() {
    const int value_left = kMargin + label_width_ + kGap;
    const int client_width = value_left + kValueWidth + kMargin;
    int y = kMargin;
    for (const Row& row : kRows) {
        const bool shown = row.label_id != kIpv6Label || ipv6_shown_;
        HWND label = GetDlgItem(window_, row.label_id);
        HWND value = GetDlgItem(window_, row.value_id);
        ShowWindow(label, shown ? SW_SHOWNA : SW_HIDE);
        ShowWindow(value, shown ? SW_SHOWNA : SW_HIDE);
        if (!shown) continue;
        // The failure's reason may run to a few sentences: its row grows to show it whole.
        const int value_height =
            row.value_id == kFailureValue
                ? std::max<int>(kLabelHeight, TextSize(value, WindowTextOf(value), kValueWidth).cy)
                : kLabelHeight;
        MoveWindow(label, kMargin, y, label_width_, kLabelHeight, TRUE);
        MoveWindow(value, value_left, y, kValueWidth, value_height, TRUE);
        y += value_height + kRowHeight - kLabelHeight;
    }
    y += 4;
    MoveWindow(GetDlgItem(window_, kCloseButton), client_width - kMargin - kButtonWidth, y, kButtonWidth,
               kButtonHeight, TRUE);
    RECT frame = {0, 0, client_width, y + kButtonHeight + kMargin};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool StatusWindow::SetText(int control, const std::string& text) {
    HWND window = GetDlgItem(window_, control);
    const std::wstring wide = Utf8ToWide(text);
    // Set only when it changed: a label set anew every second flickers.
    return window && WindowTextOf(window) != wide && SetWindowTextW(window, wide.c_str());
}

void StatusWindow::Refresh() {
    if (!window_) return;
    const StatusTexts texts = StatusViewTexts(source_ ? source_() : LineSnapshot{});
    SetText(kStateValue, texts.state);
    SetText(kIpv4Value, texts.ipv4);
    SetText(kIpv6Value, texts.ipv6);
    SetText(kDurationValue, texts.duration);
    SetText(kSentValue, texts.sent);
    SetText(kReceivedValue, texts.received);
    SetText(kDeviceValue, texts.device);
    const bool failure_changed = SetText(kFailureValue, texts.failure);
    if (failure_changed || ipv6_shown_ != !texts.ipv6.empty()) {
        ipv6_shown_ = !texts.ipv6.empty();
        Layout();
    }
}

void StatusWindow::StartRefreshing() {
    if (window_ && !refreshing_)
        refreshing_ = SetTimer(window_, kRefreshTimer, kRefreshIntervalMs, nullptr) != 0;
}

void StatusWindow::StopRefreshing() {
    if (window_ && refreshing_) KillTimer(window_, kRefreshTimer);
    refreshing_ = false;
}

void StatusWindow::OnForgotten() { refreshing_ = false; }

LRESULT CALLBACK StatusWindow::CloseButtonProc(HWND button, UINT message, WPARAM wparam, LPARAM lparam,
                                               UINT_PTR, DWORD_PTR) {
    if (message == WM_KEYDOWN && wparam == VK_ESCAPE) {
        // Posted: the button is not destroyed while it handles its own key.
        PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return 0;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(button, &StatusWindow::CloseButtonProc, kCloseSubclassId);
    return DefSubclassProc(button, message, wparam, lparam);
}

LRESULT StatusWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ERASEBKGND: {
            // A dialog's face, not the form class's background, which suits the main window's picture.
            RECT client;
            GetClientRect(window_, &client);
            FillRect(reinterpret_cast<HDC>(wparam), &client, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wparam);
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_TIMER:
            if (wparam == kRefreshTimer) {
                Refresh();
                return 0;
            }
            break;
        case WM_SIZE:
            // Nothing to read while no one can see it.
            if (wparam == SIZE_MINIMIZED) {
                StopRefreshing();
            } else if (wparam == SIZE_RESTORED && IsWindowVisible(window_) && !refreshing_) {
                Refresh();
                StartRefreshing();
            }
            break;
        case WM_SHOWWINDOW:
            if (!wparam) StopRefreshing();
            break;
        case WM_ACTIVATE:
            // The window itself takes the keyboard, so that Esc reaches it without the message loop's help.
            if (LOWORD(wparam) != WA_INACTIVE && !HIWORD(wparam)) SetFocus(window_);
            return 0;
        case WM_KEYDOWN:
            if (wparam == VK_ESCAPE) {
                Close();
                return 0;
            }
            break;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDCANCEL) {
                Close();
                return 0;
            }
            break;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_DESTROY:
            StopRefreshing();
            break;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wparam, lparam);
}

}  // namespace vt
