#include "app/status_window.h"

#include <commctrl.h>

#include <string>
#include <string_view>

#include "base/text.h"
#include "res/resource.h"

namespace vt {
namespace {

constexpr std::string_view kCaption = "连接状态";
constexpr std::string_view kCloseText = "关闭";

// One row: its label text and its two controls.
struct Row {
    std::string_view label;
    int label_id, value_id;
    int height;
};
constexpr Row kRows[] = {
    {"状态：", StatusWindow::kStateLabel, StatusWindow::kStateValue, 20},
    {"IPv4 地址：", StatusWindow::kIpv4Label, StatusWindow::kIpv4Value, 20},
    {"IPv6 地址：", StatusWindow::kIpv6Label, StatusWindow::kIpv6Value, 20},
    {"连接时长：", StatusWindow::kDurationLabel, StatusWindow::kDurationValue, 20},
    {"已发送：", StatusWindow::kSentLabel, StatusWindow::kSentValue, 20},
    {"已接收：", StatusWindow::kReceivedLabel, StatusWindow::kReceivedValue, 20},
    {"设备：", StatusWindow::kDeviceLabel, StatusWindow::kDeviceValue, 20},
    // The number and time on the first line, the reason wrapped below.
    {"上次失败：", StatusWindow::kFailureLabel, StatusWindow::kFailureValue, 62},
};

constexpr int kClientWidth = 380;
constexpr int kMargin = 14;
constexpr int kLabelWidth = 78;
constexpr int kValueLeft = kMargin + kLabelWidth + 6;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr UINT_PTR kCloseSubclassId = 1;

HFONT MakeFont() {
    LOGFONTW font{};
    font.lfHeight = -12;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = GB2312_CHARSET;
    lstrcpynW(font.lfFaceName, L"宋体", LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(length + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? copied : 0);
    return text;
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
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(instance_, kClassName, &wc)) {
        // The main window registers the form class first; the status view can also stand alone.
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &WindowBase::Procedure;
        wc.hInstance = instance_;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_VELTRANE));
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    }
    if (!font_) font_.reset(MakeFont());
    if (!CreateWindowExW(kExStyle, kClassName, Utf8ToWide(kCaption).c_str(), kStyle, CW_USEDEFAULT,
                         CW_USEDEFAULT, kClientWidth, 300, nullptr, nullptr, instance_,
                         static_cast<WindowBase*>(this)))
        return false;
    if (!CreateControls()) {
        Close();
        return false;
    }
    Refresh();
    Layout();
    RECT placed;
    GetWindowRect(window_, &placed);
    SetWindowPos(window_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (placed.right - placed.left)) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - (placed.bottom - placed.top)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
        if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        return control;
    };
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
    int y = kMargin;
    for (const Row& row : kRows) {
        const bool shown = row.label_id != kIpv6Label || ipv6_shown_;
        HWND label = GetDlgItem(window_, row.label_id);
        HWND value = GetDlgItem(window_, row.value_id);
        ShowWindow(label, shown ? SW_SHOWNA : SW_HIDE);
        ShowWindow(value, shown ? SW_SHOWNA : SW_HIDE);
        if (!shown) continue;
        MoveWindow(label, kMargin, y, kLabelWidth, 16, TRUE);
        MoveWindow(value, kValueLeft, y, kClientWidth - kValueLeft - kMargin, row.height - 4, TRUE);
        y += row.height;
    }
    y += 4;
    MoveWindow(GetDlgItem(window_, kCloseButton), kClientWidth - kMargin - kButtonWidth, y, kButtonWidth,
               kButtonHeight, TRUE);
    RECT frame = {0, 0, kClientWidth, y + kButtonHeight + kMargin};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void StatusWindow::SetText(int control, const std::string& text) {
    HWND window = GetDlgItem(window_, control);
    const std::wstring wide = Utf8ToWide(text);
    // Set only when it changed: a label set anew every second flickers.
    if (window && WindowText(window) != wide) SetWindowTextW(window, wide.c_str());
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
    SetText(kFailureValue, texts.failure);
    if (ipv6_shown_ != !texts.ipv6.empty()) {
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
            // The form class may have been registered by the main window, with another background.
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
