#pragma once
// The Win32 main window `MainFrm`: a borderless, translucent 340 x 263 window with no task-bar button.
// It makes the controls, implements MainFrmView and turns its messages into MainFrm calls. The
// background picture with the title strip (app/title_strip.h) is a child covering the client area and
// holding every control, so that the main window's own WM_MOUSEMOVE carries only the tray icon's
// callbacks.
#include <windows.h>

#include <functional>

#include "app/main_frm.h"
#include "app/title_strip.h"
#include "base/compat.h"
#include "base/handles.h"
#include "base/window_base.h"

namespace vt {

class AboutWindow;
class StatusWindow;
class TrayIcon;

class MainWindow final : public MainFrmView, public WindowBase {
public:
    // Control identifiers, also used by tests that drive the window from outside.
    enum ControlId : int {
        kPicture1 = 100,
        kUserText = 101,
        kPassText = 102,
        kBtnLog = 103,
        kStartWithWindowsBox = 104,
        kRedialOnDropBox = 105,
    };
    // Posted when the system signals that a Remote Access connection has ended.
    static constexpr UINT kConnectionEndedMessage = WM_APP + 1;
    static constexpr UINT kConnectionMadeMessage = WM_APP + 2;              // and when one comes up
    static constexpr UINT kLinkChangedMessage = WM_APP + 3;                 // the adapters' link changed
    static constexpr const wchar_t* kClassName = compat::kMainWindowClass;  // a form in the skin's kind table
    static constexpr wchar_t kCheckBoxClass[] = L"ThunderCheckBox";         // a toggle in the kind table

    explicit MainWindow(HINSTANCE instance);
    ~MainWindow() override;

    // Registers the classes and creates the window, hidden. Returns false when that fails.
    bool Create();
    void SetBehaviour(MainFrm* frm);
    // The skin attach used at start-up; empty by default (the window then keeps the platform's look).
    void SetSkinAttach(std::function<void(HWND)> attach) { skin_attach_ = std::move(attach); }
    void SetAboutWindow(AboutWindow* about) { about_ = about; }
    void SetStatusWindow(StatusWindow* status) { status_ = status; }
    // The notification-area icon hears every message of the window from now on ("TaskbarCreated", DPI
    // and display changes) and is brought back at the dial watch's and the supervision's ticks.
    void SetTrayIcon(TrayIcon* tray) { tray_ = tray; }
    // Routes tab and arrow keys between the controls; call from the message loop.
    bool PreTranslate(MSG& msg);

    // MainFrmView
    void AttachSkin() override;
    void SetOptionBackground(std::uint32_t colour_bgr) override;
    void MakeTranslucent(std::uint8_t alpha) override;
    std::string AccountText() override;
    void SetAccountText(std::string_view text) override;
    std::string PasswordText() override;
    void SetPasswordText(std::string_view text) override;
    void FocusPasswordBox() override;
    void SetStatusText(std::string_view text) override;
    void SetConnectEnabled(bool enabled) override;
    void ShowOptionTicked(OptionBox box, bool ticked) override;
    void CentreOnScreen() override;
    void Minimise() override;
    void Hide() override;
    void ShowNormal() override;
    void BringToForeground() override;
    void BeginDrag() override;
    void SetTitleButtonPicture(TitleButton button, ButtonPicture picture) override;
    void ShowMessage(std::string_view text, std::string_view title, unsigned icon) override;
    void StartTimer(FrmTimer timer, unsigned interval_ms) override;
    void StopTimer(FrmTimer timer) override;
    void PopUpTrayMenu() override;
    void ShowAboutWindow() override;
    void OpenStatusView() override;
    void QuitProgram() override;

private:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void CreateControls();
    void OnTimer(UINT_PTR id);
    void OnEnterKey(int id);
    void OnCommand(int id, int code);
    LRESULT OnControlColour(HDC dc, HWND control);
    HWND Control(int id) const { return GetDlgItem(strip_.hwnd(), id); }

    HINSTANCE instance_;
    TitleStrip strip_;
    UniqueBrush option_brush_;
    MainFrm* frm_ = nullptr;
    AboutWindow* about_ = nullptr;
    StatusWindow* status_ = nullptr;
    TrayIcon* tray_ = nullptr;
    std::function<void(HWND)> skin_attach_;
    UINT quit_message_ = 0;  // the setup program's registered "退出程序" (app/single_instance.h)
    bool quitting_ = false;
};

}  // namespace vt
