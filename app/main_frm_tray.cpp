// MainFrm's tray icon, title strip and tray menu.
#include "app/main_frm.h"

#include "app/main_frm_parts.h"
#include "tray/tray_menu.h"

namespace vt {

using namespace main_frm_parts;

void MainFrm::OnTrayCallback(unsigned code) {
    if (unloaded_) return;
    if (code == kTrayLeftButtonDown) {
        view_.ShowNormal();
        services_.TrimWorkingSet();
    } else if (code == kTrayRightButtonDown) {
        view_.BringToForeground();
        view_.PopUpTrayMenu();
    }
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
        case TrayMenuItem::Link:
            MenuConnect();
            break;
        case TrayMenuItem::Disconnect:
            session_.HangUpStarted();
            services_.LaunchHangUp();
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

void MainFrm::ShowInfoBalloon(std::string_view text) {
    services_.ShowBalloon(text, kBalloonTitle, kBalloonInfoFlag);
}

}  // namespace vt
