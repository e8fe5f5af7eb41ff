#include "app/main_window.h"

#include <commctrl.h>

#include "app/status_window.h"
#include "base/text.h"
#include "base/window_kit.h"
#include "tray/about_window.h"
#include "tray/tray_icon.h"

namespace vt {
namespace {

constexpr int kClientWidth = 340;
constexpr int kClientHeight = 263;
constexpr RECT kPictureRect = {0, 0, 345, 273};

// The controls in tab order. Positions are the design's twips divided by 15 (pixels at 96 dots per
// inch), on the background picture, which sits at the client origin.
struct ControlSpec {
    int id;
    const wchar_t* class_name;
    const wchar_t* text;
    DWORD style;
    int x, y, width, height;
    SongFont font;
    const wchar_t* tip;
};
// clang-format off
constexpr ControlSpec kControls[] = {
    {MainWindow::kUserText, L"EDIT", L"", ES_AUTOHSCROLL, 104, 126, 209, 21, SongFont::Text,
     L"请在此输入你的上网帐号！"},
    {MainWindow::kPassText, L"EDIT", L"", ES_AUTOHSCROLL | ES_PASSWORD, 104, 157, 209, 21, SongFont::Text,
     L"请在此输入你的密码！"},
    {MainWindow::kBtnLog, L"BUTTON", L"连 接", BS_PUSHBUTTON, 240, 224, 73, 25, SongFont::Text, nullptr},
    {MainWindow::kStartWithWindowsBox, MainWindow::kCheckBoxClass, L"开机启动", BS_CHECKBOX, 30, 230, 82, 17,
     SongFont::Small, L"如需开机自动连接网络，请勾选本项！"},
    {MainWindow::kRedialOnDropBox, MainWindow::kCheckBoxClass, L"断网重拨", BS_CHECKBOX, 117, 230, 88, 17,
     SongFont::Small, L"如需断网后自动重新拨号，请勾选本项！"},
};
// clang-format on

bool IsEdit(const ControlSpec& c) { return c.class_name == std::wstring_view(L"EDIT"); }

// A timer's identifier is its place in FrmTimer plus one: zero names no timer.
constexpr UINT_PTR TimerIdOf(FrmTimer timer) { return static_cast<UINT_PTR>(timer) + 1; }

// The option boxes' identifiers follow OptionBox's order.
constexpr int IdOf(OptionBox box) { return MainWindow::kStartWithWindowsBox + static_cast<int>(box); }
static_assert(IdOf(OptionBox::RedialOnDrop) == MainWindow::kRedialOnDropBox);
bool IsOptionBox(int id) {
    return id == MainWindow::kStartWithWindowsBox || id == MainWindow::kRedialOnDropBox;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance), strip_(instance) {}

MainWindow::~MainWindow() { DestroyOwnWindow(); }

void MainWindow::SetBehaviour(MainFrm* frm) {
    frm_ = frm;
    strip_.SetBehaviour(frm);
}

bool MainWindow::Create() {
    if (window_) return true;
    // The option boxes are check boxes under a toggle class name of the skin's kind table.
    if (!RegisterFormClass(instance_) || !RegisterRenamedClass(instance_, L"BUTTON", kCheckBoxClass))
        return false;
    RECT frame = {0, 0, kClientWidth, kClientHeight};
    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU;
    const DWORD ex_style = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;  // no task-bar button
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    if (!CreateWindowExW(ex_style, kClassName, compat::kMainWindowTitle, style, 0, 0,
                         frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance_,
                         static_cast<WindowBase*>(this)))
        return false;
    CentreOnScreen();
    if (!strip_.Create(window_, kPicture1, kPictureRect)) return false;
    CreateControls();
    // A copy started elevated (by an old setup program's finish page, or by hand) must still hear an
    // unelevated setup program's quit.
    quit_message_ = RegisterWindowMessageW(compat::kQuitMessageName);
    if (quit_message_) AllowMessageFromLowerIntegrity(window_, quit_message_);
    // Focus rectangles and access-key underlines as a dialog box has them: hidden when the last input
    // came from the mouse (and the keyboard cues setting is off), shown once the keyboard is used.
    SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
    return true;
}

void MainWindow::CreateControls() {
    HWND tooltip = CreateTooltip(window_);
    for (const ControlSpec& c : kControls) {
        HWND control = CreateWindowExW(
            IsEdit(c) ? WS_EX_CLIENTEDGE : 0, c.class_name, c.text,
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | c.style, c.x, c.y, c.width, c.height, strip_.hwnd(),
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(SongFontOf(c.font)), FALSE);
        if (IsEdit(c)) TakeEnterKey(control, [this, id = c.id] { OnEnterKey(id); });
        if (c.tip) AddControlTip(tooltip, strip_.hwnd(), control, c.tip);
    }
    strip_.AddStatusTip(tooltip);
    // One filled circle per character, whatever font the box uses.
    SendMessageW(Control(kPassText), EM_SETPASSWORDCHAR, 0x25CF, 0);
}

bool MainWindow::PreTranslate(MSG& msg) {
    if (!window_ || !IsWindow(window_)) return false;
    // Only key messages of our own controls: the message boxes and menus run their own loops.
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    if (msg.hwnd != window_ && !IsChild(window_, msg.hwnd)) return false;
    return IsDialogMessageW(window_, &msg) != FALSE;
}

// --- routing -------------------------------------------------------------------------------------

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    if (tray_ && tray_->HandleMessage(message)) return 0;
    if (quit_message_ && message == quit_message_) {
        // Answer first: the setup program then waits for the process to end, not for the unload.
        ReplyMessage(TRUE);
        // The setup program's, like its DDE command: it starts the copy again once its files are in place.
        if (frm_) frm_->OnDdeExecute(compat::kSetupQuitCommand);
        return TRUE;
    }
    switch (message) {
        case WM_MOUSEMOVE:
            // The background covers the whole client area, so this is the tray icon's callback:
            // its mouse message travels in lParam.
            if (frm_) frm_->OnTrayCallback(static_cast<unsigned>(lparam));
            return 0;
        case WM_TIMER:
            OnTimer(wparam);
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
            frm_ ? frm_->OnClose() : Hide();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wparam), HIWORD(wparam));
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return OnControlColour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
        case WM_ENDSESSION:
            // The Restart Manager's close quits; a logoff only takes the icon down (MainFrm::OnEndSession).
            if (wparam && frm_) frm_->OnEndSession((lparam & ENDSESSION_CLOSEAPP) != 0);
            return 0;
        case WM_DESTROY:
            for (FrmTimer timer : {FrmTimer::DialWatch, FrmTimer::Supervision, FrmTimer::HangUpWait})
                StopTimer(timer);
            if (frm_) frm_->OnUnload();
            return 0;
        default:
            return DefWindowProcW(window_, message, wparam, lparam);
    }
}

void MainWindow::OnTimer(UINT_PTR id) {
    if (!frm_) return;
    // An icon the shell refused (no taskbar yet at logon, a busy Explorer) is asked for again here: the
    // program has no timer of its own for it.
    if (tray_ && id != TimerIdOf(FrmTimer::HangUpWait)) tray_->Tick();
    if (id == TimerIdOf(FrmTimer::DialWatch)) frm_->OnDialWatchTick();
    if (id == TimerIdOf(FrmTimer::Supervision)) frm_->OnSupervisionTick();
    if (id == TimerIdOf(FrmTimer::HangUpWait)) frm_->OnHangUpWaitTick();
}

void MainWindow::OnEnterKey(int id) {
    if (frm_ && id == kUserText) frm_->OnAccountEnter();
    if (frm_ && id == kPassText) frm_->OnPasswordEnter();
}

void MainWindow::OnCommand(int id, int code) {
    if (!frm_ || code != BN_CLICKED) return;
    if (id == kBtnLog) frm_->OnConnectClicked();
    if (!IsOptionBox(id)) return;
    const auto box = static_cast<OptionBox>(id - kStartWithWindowsBox);
    // The boxes do not tick themselves: the action decides what they show.
    const bool ticked = SendMessageW(Control(id), BM_GETCHECK, 0, 0) != BST_CHECKED;
    ShowOptionTicked(box, ticked);
    frm_->OnOptionChanged(box, ticked);
}

LRESULT MainWindow::OnControlColour(HDC dc, HWND control) {
    if (IsOptionBox(GetDlgCtrlID(control)) && option_brush_) {
        SetBkColor(dc, MainFrm::kOptionBackground);
        return reinterpret_cast<LRESULT>(option_brush_.get());
    }
    return DefWindowProcW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
}

// --- MainFrmView ---------------------------------------------------------------------------------

void MainWindow::AttachSkin() {
    if (skin_attach_) skin_attach_(window_);
}

void MainWindow::SetOptionBackground(std::uint32_t colour_bgr) {
    option_brush_.reset(CreateSolidBrush(static_cast<COLORREF>(colour_bgr)));
    for (int id : {kStartWithWindowsBox, kRedialOnDropBox}) InvalidateRect(Control(id), nullptr, TRUE);
}

void MainWindow::MakeTranslucent(std::uint8_t alpha) { vt::MakeTranslucent(window_, alpha); }
std::string MainWindow::AccountText() { return WideToUtf8(WindowTextOf(Control(kUserText))); }
void MainWindow::SetAccountText(std::string_view text) {
    SetWindowTextW(Control(kUserText), Utf8ToWide(text).c_str());
}
std::string MainWindow::PasswordText() { return WideToUtf8(WindowTextOf(Control(kPassText))); }
void MainWindow::SetPasswordText(std::string_view text) {
    SetWindowTextW(Control(kPassText), Utf8ToWide(text).c_str());
}
void MainWindow::FocusPasswordBox() { SetFocus(Control(kPassText)); }
void MainWindow::SetStatusText(std::string_view text) { strip_.SetStatus(text); }
void MainWindow::SetConnectEnabled(bool enabled) { EnableWindow(Control(kBtnLog), enabled ? TRUE : FALSE); }
void MainWindow::ShowOptionTicked(OptionBox box, bool ticked) {
    SendMessageW(Control(IdOf(box)), BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void MainWindow::CentreOnScreen() { vt::CentreOnScreen(window_); }
void MainWindow::Minimise() { ShowWindow(window_, SW_MINIMIZE); }
void MainWindow::Hide() { ShowWindow(window_, SW_HIDE); }
void MainWindow::BringToForeground() { SetForegroundWindow(window_); }

void MainWindow::ShowNormal() {
    // A window that was never shown restores to its hidden normal state: show it, then restore.
    if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
    ShowWindow(window_, SW_SHOWNORMAL);
    SetForegroundWindow(window_);
}

void MainWindow::BeginDrag() {
    ReleaseCapture();
    SendMessageW(window_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void MainWindow::SetTitleButtonPicture(TitleButton button, ButtonPicture picture) {
    strip_.ShowPicture(button, picture);
}

void MainWindow::ShowMessage(std::string_view text, std::string_view title, unsigned icon) {
    MessageBoxW(window_, Utf8ToWide(text).c_str(), Utf8ToWide(title).c_str(), icon);
}

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

void MainWindow::OpenStatusView() {
    if (status_) status_->Open();
}

void MainWindow::QuitProgram() {
    if (quitting_) return;
    quitting_ = true;
    if (window_) DestroyWindow(window_);
    if (about_) about_->Destroy();
    if (status_) status_->Close();
    PostQuitMessage(0);
}

}  // namespace vt
