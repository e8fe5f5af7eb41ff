// MainFrm's tray icon, title strip and tray menu.
#include "app/main_frm.h"

#include "app/main_frm_parts.h"
#include "tray/tray_menu.h"

namespace vt {

using namespace main_frm_parts;

void MainFrm::OnTrayCallback(unsigned code) {
    if (unloaded_) return;
    if (code == kTrayMouseMove) {
        // The pointer rests on the icon: the tip about to show tells the duration of now.
        ShowLine();
        return;
    }
    const unsigned previous = last_tray_code_;
    last_tray_code_ = code;
    // The shell follows a right click with the menu key's message too: the click has opened the menu.
    const bool menu_key =
        code == kTrayContextMenu && previous != kTrayRightButtonDown && previous != kTrayRightButtonUp;
    if (code == kTrayLeftButtonDown || code == kTrayKeySelect) {
        view_.ShowNormal();
        services_.TrimWorkingSet();
    } else if (code == kTrayRightButtonDown || menu_key) {
        view_.BringToForeground();
        view_.PopUpTrayMenu();
    }
}

void MainFrm::OnStatusDoubleClick() {
    if (unloaded_) return;
    view_.OpenStatusView();
}

void MainFrm::ResetTitleButtons() {
    view_.SetTitleButtonPicture(TitleButton::Close, ButtonPicture::Normal);
    view_.SetTitleButtonPicture(TitleButton::Mini, ButtonPicture::Normal);
}

void MainFrm::OnBackgroundMouseMove() {
    if (unloaded_) return;
    ResetTitleButtons();
}

void MainFrm::OnTitleButtonMouseDown(TitleButton button) {
    if (unloaded_) return;
    view_.SetTitleButtonPicture(button, ButtonPicture::Pressed);
}

void MainFrm::OnTitleButtonMouseMove(TitleButton button) {
    if (unloaded_) return;
    view_.SetTitleButtonPicture(button, ButtonPicture::Hover);
}

void MainFrm::OnTitleButtonClick(TitleButton) {
    if (unloaded_) return;
    view_.Minimise();
}

void MainFrm::OnDragAreaMouseDown(MouseButton button) {
    if (unloaded_ || button != MouseButton::Left) return;
    view_.BeginDrag();
}

void MainFrm::OnResize(bool minimised) {
    if (unloaded_ || !minimised) return;
    HideToTray();
}

void MainFrm::OnClose() {
    if (unloaded_) return;
    // Not by minimising: a window already minimised in the tray would show as a minimised bar, and with
    // no change of state no resize would come to hide it again.
    HideToTray();
}

void MainFrm::HideToTray() {
    view_.Hide();
    view_.SetTitleButtonPicture(TitleButton::Mini, ButtonPicture::Normal);
    view_.SetTitleButtonPicture(TitleButton::Close, ButtonPicture::Normal);
    services_.TrimWorkingSet();
}

void MainFrm::OnMenuItem(TrayMenuItem item) {
    if (unloaded_) return;
    switch (item) {
        case TrayMenuItem::Connect:
            MenuConnect();
            break;
        case TrayMenuItem::Disconnect:
            session_.HangUpStarted();
            services_.MarkHandHangUp();
            report_.HungUpBySubscriber();
            services_.LaunchHangUp();
            ShowLine();
            break;
        case TrayMenuItem::Help:
            services_.OpenLink(kHelpPageUrl);
            break;
        case TrayMenuItem::SiteUrl:
            services_.OpenLink(kMakerSiteUrl);
            break;
        case TrayMenuItem::About:
            view_.ShowAboutWindow();
            break;
        case TrayMenuItem::Status:
            view_.OpenStatusView();
            break;
        case TrayMenuItem::CopyDiagnostics:
            CopyDiagnostics();
            break;
        case TrayMenuItem::ShowIcon:
            // No documented call keeps the icon on the taskbar: the page where the subscriber does.
            services_.OpenLink(IsWindows10OrLater(windows_version_) ? kTaskbarSettingsPage
                                                                    : kNotificationIconsPage);
            break;
        case TrayMenuItem::Exit:
            // Destroying the main window runs OnUnload; calling it again is harmless and makes sure
            // nothing acts on the window afterwards.
            view_.QuitProgram();
            OnUnload();
            break;
    }
}

void MainFrm::MenuConnect() {
    // Nothing to dial with yet (no account, or no password known): the connect command's answer.
    if (view_.AccountText().empty() || !AccountKnown()) {
        view_.ShowMessage(kNoAccountOrPassword, kBalloonTitle, kIconInformation);
        return;
    }
    if (RefuseCredentials(view_.AccountText(), password_)) return;
    AskDial(DialOrigin::Subscriber);
}

void MainFrm::CopyDiagnostics() {
    DiagnosticsFacts facts = services_.SystemFacts();
    facts.now = services_.LocalNow();
    facts.line = Snapshot();
    // The device the connection runs on says more than the one the system lists first.
    if (!facts.line.details.device.empty()) facts.device = facts.line.details.device;
    facts.account = view_.AccountText();
    facts.redial_on = redial_on_drop_;
    facts.start_with_windows = start_with_windows_;
    facts.diagnosis = report_.Diagnosis();
    const std::string text = DiagnosticsText(facts, services_.Log().LastLines(kDiagnosticsLogLines));
    ShowInfoBalloon(services_.CopyText(text) ? kDiagnosticsCopied : kDiagnosticsNotCopied);
}

void MainFrm::ShowInfoBalloon(std::string_view text) {
    services_.ShowBalloon(text, kBalloonTitle, kBalloonInfoFlag);
}

}  // namespace vt
