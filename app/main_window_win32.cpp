#include "app/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include "app/single_instance.h"
#include "base/compat.h"
#include "base/text.h"
#include "res/resource.h"
#include "tray/about_window.h"

namespace vt {
namespace {

// Positions are the design's twips divided by 15 (one pixel at 96 dots per inch), relative to the
// background picture, which sits at the client origin.
constexpr int kClientWidth = 340;
constexpr int kClientHeight = 263;
constexpr RECT kPicture1Rect = {0, 0, 345, 273};
constexpr RECT kUserTextRect = {104, 126, 104 + 209, 126 + 21};
constexpr RECT kPassTextRect = {104, 157, 104 + 209, 157 + 21};
constexpr RECT kBtnLogRect = {240, 224, 240 + 73, 224 + 25};
constexpr RECT kStartWithWindowsRect = {30, 230, 30 + 82, 230 + 17};
constexpr RECT kRedialOnDropRect = {117, 230, 117 + 88, 230 + 17};
constexpr RECT kLabel2Rect = {32, 130, 32 + 81, 130 + 17};
constexpr RECT kLabel3Rect = {32, 161, 32 + 81, 161 + 17};
constexpr RECT kStatsRect = {113, 10, 113 + 121, 10 + 25};
constexpr RECT kTitleButtonRects[2] = {{283, 8, 283 + 24, 8 + 20}, {312, 8, 312 + 24, 8 + 20}};

constexpr UINT_PTR kEditSubclassId = 1;

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

std::wstring WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(length + 1, L'\0');
    int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? copied : 0);
    return text;
}

HFONT MakeFont(const wchar_t* face, int height) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = GB2312_CHARSET;  // 134
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

void AddTool(HWND tooltip, HWND owner, HWND control, const wchar_t* text) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance) {}

MainWindow::~MainWindow() { DestroyOwnWindow(); }

bool MainWindow::RegisterClasses() {
    WNDCLASSEXW main{};
    main.cbSize = sizeof(main);
    main.lpfnWndProc = &WindowBase::Procedure;
    main.hInstance = instance_;
    main.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_VELTRANE));
    main.hIconSm = static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDI_VELTRANE), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    main.lpszClassName = kClassName;
    if (!RegisterClassExW(&main) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    WNDCLASSEXW background{};
    background.cbSize = sizeof(background);
    background.lpfnWndProc = &WindowBase::Procedure;
    background.hInstance = instance_;
    background.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    background.lpszClassName = kBackgroundClass;
    if (!RegisterClassExW(&background) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    // The option boxes are check boxes under a toggle class name of the skin's kind table: a
    // superclass of the platform's button that changes nothing but the name.
    WNDCLASSEXW check{};
    check.cbSize = sizeof(check);
    if (!GetClassInfoExW(nullptr, L"BUTTON", &check)) return false;
    check.hInstance = instance_;
    check.lpszClassName = kCheckBoxClass;
    if (!RegisterClassExW(&check) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    return true;
}

bool MainWindow::Create() {
    if (window_) return true;
    if (!RegisterClasses()) return false;
    background_.reset(static_cast<HBITMAP>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    const int ids[2][3] = {{IDB_MININOR, IDB_MINIMOVE, IDB_MINIDOWN},
                           {IDB_CLOSENOR, IDB_CLOSEMOVE, IDB_CLOSEDOWN}};
    for (int b = 0; b < 2; ++b)
        for (int p = 0; p < 3; ++p)
            pictures_[b][p].reset(static_cast<HBITMAP>(
                LoadImageW(instance_, MAKEINTRESOURCEW(ids[b][p]), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    font_.reset(MakeFont(L"宋体", -13));  // 9.75 points at 96 dpi
    check_font_.reset(MakeFont(L"宋体", -12));
    white_brush_.reset(CreateSolidBrush(RGB(255, 255, 255)));

    RECT frame = {0, 0, kClientWidth, kClientHeight};
    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU;
    const DWORD ex_style = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;  // no task-bar button
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    if (!CreateWindowExW(ex_style, kClassName, compat::kMainWindowTitle, style, 0, 0, Width(frame),
                         Height(frame), nullptr, nullptr, instance_, static_cast<WindowBase*>(this)))
        return false;
    CentreOnScreen();
    CreateControls();
    AcceptQuitMessage();
    // Focus rectangles and access-key underlines as a dialog box has them: hidden when the last input
    // came from the mouse (and the keyboard cues setting is off), shown once the keyboard is used.
    SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
    // A drop is noticed when it happens, not at the next supervision tick. Without the notification
    // (a system whose library lacks it) the tick still finds the drop.
    connection_watch_.Start(window_, kConnectionEndedMessage);
    return true;
}

void MainWindow::AcceptQuitMessage() {
    quit_message_ = RegisterWindowMessageW(compat::kQuitMessageName);
    if (!quit_message_) return;
    // A copy started elevated (by an old setup program's finish page, or by hand) must still hear an
    // unelevated setup program: UIPI drops registered messages from lower integrity levels unless the
    // receiving window lets them through. Looked up at run time: Windows 7 brought the per-window
    // call, Vista has only the per-process one, XP neither (and no UIPI).
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    using PerWindow = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    using PerProcess = BOOL(WINAPI*)(UINT, DWORD);
    constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW, MSGFLT_ADD
    if (auto per_window = reinterpret_cast<PerWindow>(
            reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilterEx"))))
        per_window(window_, quit_message_, kAllow, nullptr);
    else if (auto per_process = reinterpret_cast<PerProcess>(
                 reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilter"))))
        per_process(quit_message_, kAllow);
}

void MainWindow::CreateControls() {
    picture1_ = CreateWindowExW(
        WS_EX_CONTROLPARENT, kBackgroundClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
        kPicture1Rect.left, kPicture1Rect.top, Width(kPicture1Rect), Height(kPicture1Rect), window_,
        reinterpret_cast<HMENU>(kPicture1), instance_, static_cast<WindowBase*>(&background_window_));
    auto make = [&](DWORD ex, const wchar_t* cls, const wchar_t* text, DWORD style, const RECT& r, int id) {
        HWND control =
            CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, Width(r), Height(r),
                            picture1_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
        return control;
    };
    // Creation order is the tab order: account, password, connect, the two options.
    user_text_ = make(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, kUserTextRect, kUserText);
    pass_text_ = make(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD,
                      kPassTextRect, kPassText);
    btn_log_ = make(0, L"BUTTON", L"连 接", WS_TABSTOP | BS_PUSHBUTTON, kBtnLogRect, kBtnLog);
    start_with_windows_ = make(0, kCheckBoxClass, L"开机启动", WS_TABSTOP | BS_CHECKBOX,
                               kStartWithWindowsRect, kStartWithWindowsBox);
    redial_on_drop_ =
        make(0, kCheckBoxClass, L"断网重拨", WS_TABSTOP | BS_CHECKBOX, kRedialOnDropRect, kRedialOnDropBox);

    for (HWND control : {user_text_, pass_text_, btn_log_})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    for (HWND control : {start_with_windows_, redial_on_drop_})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(check_font_.get()), FALSE);
    // One filled circle per character, whatever font the box uses.
    SendMessageW(pass_text_, EM_SETPASSWORDCHAR, 0x25CF, 0);
    for (HWND edit : {user_text_, pass_text_})
        SetWindowSubclass(edit, &MainWindow::EditSubclassProc, kEditSubclassId,
                          reinterpret_cast<DWORD_PTR>(this));

    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_, nullptr);
    if (tooltip_) {
        AddTool(tooltip_, picture1_, user_text_, const_cast<wchar_t*>(L"请在此输入你的上网帐号！"));
        AddTool(tooltip_, picture1_, pass_text_, const_cast<wchar_t*>(L"请在此输入你的密码！"));
        AddTool(tooltip_, picture1_, start_with_windows_,
                const_cast<wchar_t*>(L"如需开机自动连接网络，请勾选本项！"));
        AddTool(tooltip_, picture1_, redial_on_drop_,
                const_cast<wchar_t*>(L"如需断网后自动重新拨号，请勾选本项！"));
    }
}

bool MainWindow::PreTranslate(MSG& msg) {
    if (!window_ || !IsWindow(window_)) return false;
    // Only key messages of our own controls: the message boxes and menus run their own loops.
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    if (msg.hwnd != window_ && !IsChild(window_, msg.hwnd)) return false;
    return IsDialogMessageW(window_, &msg) != FALSE;
}

// --- window procedures ---------------------------------------------------------------------------

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    if (quit_message_ && message == quit_message_) {
        // Answer first: the setup program then waits for the process to end, not for the unload.
        ReplyMessage(TRUE);
        if (frm_) frm_->OnMenuItem(TrayMenuItem::Exit);
        return TRUE;
    }
    switch (message) {
        case WM_MOUSEMOVE:
            // The background covers the whole client area, so this is the tray icon's callback:
            // its mouse message travels in lParam.
            if (frm_) frm_->OnTrayCallback(static_cast<unsigned>(lparam));
            return 0;
        case WM_TIMER:
            if (!frm_) return 0;
            if (wparam == kDialWatchTimer) frm_->OnDialWatchTick();
            if (wparam == kSupervisionTimer) frm_->OnSupervisionTick();
            if (wparam == kHangUpWaitTimer) frm_->OnHangUpWaitTick();
            return 0;
        case kConnectionEndedMessage:
            if (frm_) frm_->OnConnectionEnded();
            return 0;
        case kConnectionMadeMessage:
            if (frm_) frm_->OnConnectionMade();
            return 0;
        case kLinkChangedMessage:
            if (frm_) frm_->OnLinkChanged();
            return 0;
        case WM_POWERBROADCAST:
            if (frm_ && wparam == PBT_APMSUSPEND) frm_->OnSuspend();
            if (frm_ && wparam == PBT_APMRESUMEAUTOMATIC) frm_->OnResume();
            return TRUE;
        case WM_SIZE:
            if (frm_) frm_->OnResize(wparam == SIZE_MINIMIZED);
            return 0;
        case WM_CLOSE:
            // Closing only hides the window in the tray; the tray menu's quit ends the program.
            if (frm_)
                frm_->OnClose();
            else
                Hide();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return OnControlColour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
        case WM_ENDSESSION:
            // The Restart Manager's close quits; a logoff only takes the icon down (MainFrm::OnEndSession).
            if (wparam && frm_) frm_->OnEndSession((lparam & ENDSESSION_CLOSEAPP) != 0);
            return 0;
        case WM_DESTROY:
            KillTimer(window_, kDialWatchTimer);
            KillTimer(window_, kSupervisionTimer);
            KillTimer(window_, kHangUpWaitTimer);
            connection_watch_.Stop();
            if (frm_) frm_->OnUnload();
            return 0;
        default:
            return DefWindowProcW(window_, message, wparam, lparam);
    }
}

LRESULT MainWindow::HandleBackground(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const POINT pt = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PaintDc paint(window);
            PaintBackground(paint.get());
            return 0;
        }
        case WM_MOUSEMOVE: {
            if (!frm_) return 0;
            int hit = HitTitleButton(pt);
            if (hit == 1)
                frm_->OnTitleButtonMouseMove(TitleButton::Mini);
            else if (hit == 2)
                frm_->OnTitleButtonMouseMove(TitleButton::Close);
            else
                frm_->OnBackgroundMouseMove();
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: {
            if (!frm_) return 0;
            const MouseButton button = message == WM_LBUTTONDOWN   ? MouseButton::Left
                                       : message == WM_RBUTTONDOWN ? MouseButton::Right
                                                                   : MouseButton::Middle;
            int hit = HitTitleButton(pt);
            if (hit != 0) {
                // A title button takes the mouse until the release, which decides whether it clicked.
                pressed_button_ = button == MouseButton::Left ? hit : 0;
                SetCapture(window);
                frm_->OnTitleButtonMouseDown(hit == 1 ? TitleButton::Mini : TitleButton::Close);
            } else {
                frm_->OnDragAreaMouseDown(button);
            }
            return 0;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            int pressed = pressed_button_;
            pressed_button_ = 0;
            if (GetCapture() == window) ReleaseCapture();
            if (frm_ && message == WM_LBUTTONUP && pressed != 0 && HitTitleButton(pt) == pressed)
                frm_->OnTitleButtonClick(pressed == 1 ? TitleButton::Mini : TitleButton::Close);
            return 0;
        }
        case WM_CAPTURECHANGED:
            pressed_button_ = 0;
            return 0;
        case WM_COMMAND:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_DRAWITEM:
        case WM_NOTIFY:
            // The controls live on the background; their notifications belong to the main window.
            return SendMessageW(window_, message, wparam, lparam);
        default:
            return DefWindowProcW(window, message, wparam, lparam);
    }
}

LRESULT CALLBACK MainWindow::EditSubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                              UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<MainWindow*>(ref);
    switch (message) {
        case WM_GETDLGCODE:
            // Enter belongs to the boxes (the dialog manager would turn it into a default-button press).
            if (lparam && reinterpret_cast<MSG*>(lparam)->message == WM_KEYDOWN && wparam == VK_RETURN)
                return DefSubclassProc(window, message, wparam, lparam) | DLGC_WANTALLKEYS;
            break;
        case WM_KEYDOWN:
            if (wparam == VK_RETURN) return 0;
            break;
        case WM_CHAR:
            if (wparam == VK_RETURN) {
                // Swallowed either way: no beep, no character.
                if (self->frm_) {
                    if (window == self->user_text_)
                        self->frm_->OnAccountEnter();
                    else
                        self->frm_->OnPasswordEnter();
                }
                return 0;
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, &MainWindow::EditSubclassProc, kEditSubclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wparam, lparam);
}

void MainWindow::OnCommand(int id, int code, HWND) {
    if (!frm_) return;
    if (id == kBtnLog && code == BN_CLICKED) {
        frm_->OnConnectClicked();
    } else if ((id == kStartWithWindowsBox || id == kRedialOnDropBox) && code == BN_CLICKED) {
        HWND box = id == kStartWithWindowsBox ? start_with_windows_ : redial_on_drop_;
        // The boxes do not tick themselves: the action decides what they show.
        bool ticked = SendMessageW(box, BM_GETCHECK, 0, 0) != BST_CHECKED;
        SendMessageW(box, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
        frm_->OnOptionChanged(
            id == kStartWithWindowsBox ? OptionBox::StartWithWindows : OptionBox::RedialOnDrop, ticked);
    }
}

LRESULT MainWindow::OnControlColour(HDC dc, HWND control) {
    if ((control == start_with_windows_ || control == redial_on_drop_) && option_brush_) {
        SetBkColor(dc, MainFrm::kOptionBackground);
        return reinterpret_cast<LRESULT>(option_brush_.get());
    }
    return DefWindowProcW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
}

void MainWindow::PaintBackground(HDC dc) {
    if (background_) {
        UniqueMemoryDc memory(CreateCompatibleDC(dc));
        SelectGuard select(memory.get(), background_.get());
        BitBlt(dc, 0, 0, kClientWidth, 300, memory.get(), 0, 0, SRCCOPY);
        for (int b = 0; b < 2; ++b) {
            const auto& picture = pictures_[b][static_cast<int>(shown_[b])];
            if (!picture) continue;
            SelectGuard select_picture(memory.get(), picture.get());
            const RECT& r = kTitleButtonRects[b];
            BitBlt(dc, r.left, r.top, Width(r), Height(r), memory.get(), 0, 0, SRCCOPY);
        }
    } else {
        RECT all = {0, 0, Width(kPicture1Rect), Height(kPicture1Rect)};
        FillRect(dc, &all, white_brush_.get());
    }
    // The labels are windowless, as the design has them: drawn on the background.
    SelectGuard select_font(dc, font_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    RECT label2 = kLabel2Rect, label3 = kLabel3Rect;
    DrawTextW(dc, L"用 户 名：", -1, &label2, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    DrawTextW(dc, L"密    码：", -1, &label3, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    if (!status_.empty()) {
        SetTextColor(dc, RGB(255, 255, 255));
        RECT stats = kStatsRect;
        DrawTextW(dc, status_.c_str(), -1, &stats, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

int MainWindow::HitTitleButton(POINT pt) const {
    for (int b = 0; b < 2; ++b)
        if (PtInRect(&kTitleButtonRects[b], pt)) return b + 1;
    return 0;
}

void MainWindow::InvalidateTitleButton(TitleButton button) {
    if (picture1_) InvalidateRect(picture1_, &kTitleButtonRects[button == TitleButton::Mini ? 0 : 1], FALSE);
}

// --- MainFrmView ---------------------------------------------------------------------------------

void MainWindow::AttachSkin() {
    if (skin_attach_) skin_attach_(window_);
}

void MainWindow::SetOptionBackground(std::uint32_t colour_bgr) {
    option_brush_.reset(CreateSolidBrush(static_cast<COLORREF>(colour_bgr)));
    for (HWND box : {start_with_windows_, redial_on_drop_}) InvalidateRect(box, nullptr, TRUE);
}

void MainWindow::MakeTranslucent(std::uint8_t alpha) {
    LONG_PTR ex_style = GetWindowLongPtrW(window_, GWL_EXSTYLE);
    SetWindowLongPtrW(window_, GWL_EXSTYLE, ex_style | WS_EX_LAYERED);
    SetLayeredWindowAttributes(window_, 0, alpha, LWA_ALPHA);
}

std::string MainWindow::AccountText() { return WideToUtf8(WindowText(user_text_)); }
void MainWindow::SetAccountText(std::string_view text) {
    SetWindowTextW(user_text_, Utf8ToWide(text).c_str());
}
std::string MainWindow::PasswordText() { return WideToUtf8(WindowText(pass_text_)); }
void MainWindow::SetPasswordText(std::string_view text) {
    SetWindowTextW(pass_text_, Utf8ToWide(text).c_str());
}
void MainWindow::FocusPasswordBox() { SetFocus(pass_text_); }

void MainWindow::SetStatusText(std::string_view text) {
    status_ = Utf8ToWide(text);
    if (!picture1_) return;
    // The status is drawn on the background; it is also the background's window text, so that
    // accessibility tools (and the end-to-end tests) can read it.
    SetWindowTextW(picture1_, status_.c_str());
    InvalidateRect(picture1_, &kStatsRect, FALSE);
}

void MainWindow::SetConnectEnabled(bool enabled) { EnableWindow(btn_log_, enabled ? TRUE : FALSE); }

void MainWindow::ShowOptionTicked(OptionBox box, bool ticked) {
    SendMessageW(box == OptionBox::StartWithWindows ? start_with_windows_ : redial_on_drop_, BM_SETCHECK,
                 ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void MainWindow::CentreOnScreen() {
    RECT frame;
    GetWindowRect(window_, &frame);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - Width(frame)) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - Height(frame)) / 2;
    SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::Minimise() { ShowWindow(window_, SW_MINIMIZE); }
void MainWindow::Hide() { ShowWindow(window_, SW_HIDE); }

void MainWindow::ShowNormal() {
    // A window that was never shown restores to its hidden normal state: show it, then restore.
    if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
    ShowWindow(window_, SW_SHOWNORMAL);
    SetForegroundWindow(window_);
}

void MainWindow::BringToForeground() { SetForegroundWindow(window_); }

void MainWindow::BeginDrag() {
    ReleaseCapture();
    SendMessageW(window_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void MainWindow::SetTitleButtonPicture(TitleButton button, ButtonPicture picture) {
    int index = button == TitleButton::Mini ? 0 : 1;
    if (shown_[index] == picture) return;
    shown_[index] = picture;
    InvalidateTitleButton(button);
}

void MainWindow::ShowMessage(std::string_view text, std::string_view title, unsigned icon) {
    MessageBoxW(window_, Utf8ToWide(text).c_str(), Utf8ToWide(title).c_str(), icon);
}

namespace {
UINT_PTR TimerIdOf(FrmTimer timer) {
    switch (timer) {
        case FrmTimer::DialWatch:
            return MainWindow::kDialWatchTimer;
        case FrmTimer::Supervision:
            return MainWindow::kSupervisionTimer;
        case FrmTimer::HangUpWait:
            return MainWindow::kHangUpWaitTimer;
    }
    return MainWindow::kDialWatchTimer;
}
}  // namespace

void MainWindow::StartTimer(FrmTimer timer, unsigned interval_ms) {
    SetTimer(window_, TimerIdOf(timer), interval_ms, nullptr);
}

void MainWindow::StopTimer(FrmTimer timer) { KillTimer(window_, TimerIdOf(timer)); }

void MainWindow::PopUpTrayMenu() {
    if (!about_ || !frm_) return;
    std::optional<TrayMenuItem> item = about_->PopUpMenu(window_);
    if (item && frm_) frm_->OnMenuItem(*item);
}

void MainWindow::ShowAboutWindow() {
    if (about_) about_->Show();
}

void MainWindow::QuitProgram() {
    if (quitting_) return;
    quitting_ = true;
    if (window_) DestroyWindow(window_);
    if (about_) about_->Destroy();
    PostQuitMessage(0);
}

}  // namespace vt
