#include "app/main_frm.h"

#include <optional>

#include "base/compat.h"
#include "services/credential_rules.h"
#include "services/settings_path.h"

#include "app/dial_failure.h"

namespace vt {

namespace {
constexpr std::string_view kSection = compat::kSettingsSection;
constexpr std::string_view kBalloonTitle = "提示：";
constexpr unsigned kBalloonInfoFlag = 1;
constexpr unsigned kIconCritical = 16;
constexpr unsigned kIconWarning = 48;
constexpr unsigned kIconInformation = 64;
constexpr std::string_view kTrayTip = "Veltrane";

constexpr std::string_view kConnectedBalloon = "网络已连接！";
constexpr std::string_view kReconnectedBalloon = "网络已重新连接。";
constexpr std::string_view kDialingBalloon = "正在自动拨号中，请稍后......";
constexpr std::string_view kNoAccountBalloon = "您还没有填写上网帐号或密码哦！";
constexpr std::string_view kRestoredBalloon = "下次找不到我了，可以在这里看看！(*^__^*)";

constexpr std::string_view kStatusDialing = "- 正在拨号...";
constexpr std::string_view kStatusConnected = "- 网络已连接";
constexpr std::string_view kStatusFailed = "- 拨号失败";
constexpr std::string_view kStatusNoLink = "- 网线未连接";
constexpr std::string_view kNoLinkBalloon =
    "网线未连接或光猫未开机，暂时无法拨号。请检查网线和光猫；网线接好后程序会自动拨号。";

constexpr std::string_view kNoAccountOrPassword = "您还没有输入帐号或密码！";
constexpr std::string_view kRunValueDenied =
    "Veltrane在添加开机启动项时被提示拒绝的权限或被其它安全软件阻止！本次设置开机启动失效，请重试！";
constexpr std::string_view kRunValueDeniedTitle = "错误！";
constexpr std::string_view kRunValueFailed = "Veltrane无法写入开机启动项！本次设置开机启动失效，请重试！";
constexpr std::string_view kSettingsNotSaved =
    "Veltrane无法保存您的设置（帐号、密码或选项），设置文件无法写入：\n";
constexpr std::string_view kSettingsNotSavedAfter =
    "\n本次仍可正常使用，但下次启动时这些设置将会丢失。请检查该文件是否只读或被其它程序占用。";
constexpr std::string_view kRedialNeedsAccount =
    "请先输入宽带账号及密码，并点击“连接”按钮保存账号密码后，才可进行本操作！";

// Sets a flag for as long as it lives: the flows that let other handlers run mark themselves so.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;
    ~ScopedFlag() { flag_ = false; }

private:
    bool& flag_;
};
}  // namespace

MainFrm::MainFrm(MainFrmServices& services, MainFrmView& view) : services_(services), view_(view) {}

void MainFrm::OnLoad() {
    if (unloaded_) return;
    // Start-up only writes again what it read: a failure there loses nothing the subscriber chose.
    const ScopedFlag loading(loading_);
    view_.AttachSkin();
    view_.SetOptionBackground(kOptionBackground);
    view_.MakeTranslucent(kWindowAlpha);

    view_.SetAccountText(services_.ReadSetting(kSection, compat::kAccountKey));
    // Read exactly: an earlier version stored cipher texts unquoted, and a blank at either end is part of
    // the password. Such a text is stored again at once in the form that keeps it, before any other write
    // of this start: the platform's profile writer may rewrite the whole file (Wine's does, and drops
    // every value's blanks on the way).
    cipher_text_ = services_.ReadSettingExact(kSection, compat::kCipherTextKey);
    if (ProfileValueNeedsQuotes(cipher_text_))
        services_.WriteSetting(kSection, compat::kCipherTextKey, cipher_text_);

    if (!services_.EntryExists(kEntryName)) services_.CreateDialEntry(kEntryName, compat::kEntryUser, "");

    const std::string folder = services_.ExeFolder();
    const std::string icon_path = folder + "\\adsl.ico";
    services_.AddTrayIcon(icon_path, kTrayTip);
    // Before the first dial, so that its connection is heard as it comes up.
    services_.WatchConnections();

    bool started_in_tray = false;
    const bool account_stored = !cipher_text_.empty() && !view_.AccountText().empty();
    const std::string stored_password = account_stored ? services_.DecipherPassword(cipher_text_) : "";
    if (account_stored && RefuseCredentials(view_.AccountText(), stored_password)) {
        // Stored by an earlier version or by hand, and not fit for the dial tool: no dial, and the window
        // shows (the "hide" word ignored) so that the subscriber can enter them again. The placeholder
        // still stands for the stored password, which the connect command checks again.
        if (unloaded_) return;
        view_.SetPasswordText(kPasswordPlaceholder);
    } else if (account_stored) {
        if (services_.CommandLineArgs() == compat::kHiddenStartWord) {
            view_.CentreOnScreen();
            view_.Minimise();
            started_in_tray = true;
        }
        password_ = stored_password;
        view_.SetPasswordText(kPasswordPlaceholder);
        // The start at logon dials on its own; a start the subscriber made is the subscriber's dial.
        AskDial(started_in_tray ? DialOrigin::Automatic : DialOrigin::Subscriber);
    } else {
        ShowInfoBalloon(kNoAccountBalloon);
    }

    run_value_text_ = services_.ReadRunValue();
    if (!run_value_text_.empty()) SetOption(OptionBox::StartWithWindows, true);
    // The options' message boxes let other handlers run; the tray menu may have quit meanwhile.
    if (unloaded_) return;
    if (services_.ReadSetting(kSection, compat::kRedialKey) == "1") SetOption(OptionBox::RedialOnDrop, true);
    if (unloaded_) return;

    services_.WriteSetting(kSection, compat::kExeUrlKey,
                           services_.ExeUrlFrom(folder, services_.ExeBaseName()));
    services_.InstallTaskbarWatch(icon_path, kTrayTip);
    services_.TrimWorkingSet();
    if (!started_in_tray) view_.ShowNormal();
}

void MainFrm::OnUnload() {
    if (unloaded_) return;
    unloaded_ = true;
    services_.RemoveTrayIcon();
    services_.UninstallTaskbarWatch();
}

bool MainFrm::OnDdeExecute(std::string_view command) {
    if (unloaded_) return true;
    if (command == compat::kSetupQuitCommand) {
        // Exactly the tray menu's quit: the tray icon goes and nothing is written on the way out.
        OnMenuItem(TrayMenuItem::Exit);
        return true;
    }
    if (command != compat::kShowCommand) return true;
    view_.ShowNormal();
    ShowInfoBalloon(kRestoredBalloon);
    return true;
}

void MainFrm::OnConnectClicked() { ConnectCommand(); }

void MainFrm::OnPasswordEnter() { ConnectCommand(); }

void MainFrm::OnAccountEnter() {
    if (unloaded_) return;
    view_.FocusPasswordBox();
}

void MainFrm::ConnectCommand() {
    if (unloaded_) return;
    const bool password_stored = !cipher_text_.empty();
    std::string password = view_.PasswordText();
    // A cleared box does not erase the stored password.
    if (password_stored && password.empty()) {
        password = kPasswordPlaceholder;
        view_.SetPasswordText(password);
    }
    if (view_.AccountText().empty() || password.empty()) {
        view_.ShowMessage(kNoAccountOrPassword, kBalloonTitle, kIconInformation);
        return;
    }
    // The placeholder stands for the stored password only when there is one; with none stored it is
    // what the user typed.
    const bool new_password = password != kPasswordPlaceholder || !password_stored;
    // A password is stored but start-up may not have loaded it (no account name was stored with it, or
    // it was refused): dial with the stored password, not with the label's initial text.
    const std::string plain = new_password      ? password
                              : !AccountKnown() ? services_.DecipherPassword(cipher_text_)
                                                : password_;
    // Before anything is kept, stored or dialled: a refused value leaves everything as it was.
    if (RefuseCredentials(view_.AccountText(), plain)) return;
    password_ = plain;
    if (new_password) {
        cipher_text_ = services_.EncipherPassword(password);
        view_.SetPasswordText(kPasswordPlaceholder);
    }

    if (AskDial(DialOrigin::Subscriber) == DialSession::Act::AlreadyConnected) view_.SetConnectEnabled(true);
    const bool user_saved = services_.WriteSetting(kSection, compat::kAccountKey, view_.AccountText());
    const bool cipher_saved = services_.WriteSetting(kSection, compat::kCipherTextKey, cipher_text_);
    if (!user_saved || !cipher_saved) WarnSettingsNotSaved();
}

bool MainFrm::StoreSetting(std::string_view key, std::string_view value) {
    const bool saved = services_.WriteSetting(kSection, key, value);
    if (!saved) WarnSettingsNotSaved();
    return saved;
}

void MainFrm::WarnSettingsNotSaved() {
    if (loading_ || settings_warned_ || unloaded_) return;
    settings_warned_ = true;
    const std::string location = services_.SettingsLocation();
    std::string text;
    text.reserve(kSettingsNotSaved.size() + location.size() + kSettingsNotSavedAfter.size());
    text.append(kSettingsNotSaved).append(location).append(kSettingsNotSavedAfter);
    view_.ShowMessage(text, kBalloonTitle, kIconWarning);
}

bool MainFrm::RefuseCredentials(std::string_view account, std::string_view password) {
    const std::optional<std::string> refusal = CredentialRefusal(account, password);
    if (!refusal) return false;
    view_.ShowMessage(*refusal, kBalloonTitle, kIconInformation);
    return true;
}

DialSession::Act MainFrm::AskDial(DialOrigin origin) {
    const Decision decision = session_.Request(origin);
    if (decision.act == DialSession::Act::AlreadyConnected) {
        ShowInfoBalloon(kConnectedBalloon);
    } else {
        if (decision.act == DialSession::Act::Launch || decision.act == DialSession::Act::Hold)
            ShowInfoBalloon(kDialingBalloon);
        Carry(decision);
    }
    return decision.act;
}

void MainFrm::Carry(const Decision& decision) {
    using Act = DialSession::Act;
    switch (decision.act) {
        case Act::Nothing:
        case Act::AlreadyConnected:
            break;
        case Act::Launch:
            Launch(decision);
            break;
        case Act::Hold:
            ShowHeld();
            break;
        case Act::Probe:
            // The probe lets other handlers run: what it found is carried out after it.
            Tell(decision);
            Probe();
            return;
        case Act::HangUpAndRedial:
            services_.LaunchHangUp();
            ShowHeld();
            break;
        case Act::Connected:
            view_.SetStatusText(kStatusConnected);
            view_.SetConnectEnabled(true);
            view_.StopTimer(FrmTimer::DialWatch);
            view_.StopTimer(FrmTimer::HangUpWait);
            break;
        case Act::Failed:
            view_.SetConnectEnabled(true);
            view_.StopTimer(FrmTimer::DialWatch);
            view_.SetStatusText(decision.code ? DialFailureStatus(decision.code, decision.stopped)
                                              : std::string(kStatusFailed));
            break;
        case Act::NoLink:
            view_.SetStatusText(kStatusNoLink);
            break;
    }
    Tell(decision);
}

void MainFrm::ShowHeld() {
    // A dial that meets a line still being released is refused: it starts once the line is free.
    view_.SetConnectEnabled(false);
    view_.SetStatusText(kStatusDialing);
    view_.StopTimer(FrmTimer::DialWatch);
    view_.StartTimer(FrmTimer::HangUpWait, kHangUpWaitIntervalMs);
}

void MainFrm::Launch(const Decision& decision) {
    // The account comes from its box, which may have changed since it was checked (a redial, a dial that
    // waited for the line): the dial tool is never started with values it would misread or wait on for
    // ever. The dial is given up before the box lets other handlers run, so that a dial asked for
    // meanwhile starts afresh.
    if (const std::optional<std::string> refusal = CredentialRefusal(view_.AccountText(), password_)) {
        session_.LaunchRefused();
        view_.SetConnectEnabled(true);
        view_.SetStatusText(kStatusFailed);
        view_.ShowMessage(*refusal, kBalloonTitle, kIconInformation);
        return;
    }
    if (decision.remake_entry && !services_.EntryExists(kEntryName))
        services_.CreateDialEntry(kEntryName, compat::kEntryUser, "");
    view_.SetConnectEnabled(false);
    services_.LaunchDial(view_.AccountText(), password_);
    view_.SetStatusText(kStatusDialing);
    view_.StartTimer(FrmTimer::DialWatch, kDialWatchIntervalMs);
}

void MainFrm::Probe() {
    // One probe at a time: a check asked for while one runs (a wake, say) takes its answer.
    if (probing_) return;
    bool online = false;
    {
        const ScopedFlag probing(probing_);
        for (const std::string& address : services_.ProbeAddresses()) {
            online = services_.ProbeInternet(address);
            if (unloaded_) return;
            if (online) break;
        }
    }
    Carry(session_.ProbeAnswered(online));
}

void MainFrm::Tell(const Decision& decision) {
    switch (decision.news) {
        case DialSession::News::None:
            return;
        case DialSession::News::Reconnected:
            ShowInfoBalloon(kReconnectedBalloon);
            return;
        case DialSession::News::NoLink:
            ShowInfoBalloon(kNoLinkBalloon);
            return;
        case DialSession::News::Failure: {
            const std::string system_text = DialFailureReason(decision.code).empty()
                                                ? services_.DialErrorText(decision.code)
                                                : std::string();
            ShowInfoBalloon(
                DialFailureBalloon(decision.code, decision.stopped, redial_on_drop_, system_text));
            return;
        }
    }
}

void MainFrm::OnHangUpWaitTick() {
    if (unloaded_) return;
    const Decision decision = session_.HangUpWaitTick();
    if (decision.act == DialSession::Act::Hold) {
        Tell(decision);
        return;
    }
    view_.StopTimer(FrmTimer::HangUpWait);
    Carry(decision);
}

void MainFrm::OnDialWatchTick() {
    if (unloaded_) return;
    Carry(session_.WatchTick());
}

void MainFrm::OnSupervisionTick() {
    // The probes let other handlers run, among them another tick of this timer (skipped here) and
    // the tray menu's quit (after which this tick must not touch the window).
    if (unloaded_ || supervising_) return;
    const ScopedFlag supervising(supervising_);
    // A watch that could not start (or stopped) is tried again: without it a drop waits for a tick.
    services_.WatchConnections();
    Carry(session_.SupervisionTick());
}

void MainFrm::OnConnectionEnded() {
    // A tick in the middle of its probes decides for itself.
    if (unloaded_ || supervising_) return;
    Carry(session_.ConnectionEnded());
}

void MainFrm::OnConnectionMade() {
    if (unloaded_) return;
    Carry(session_.ConnectionMade());
}

void MainFrm::OnSuspend() {
    if (unloaded_) return;
    Carry(session_.Suspended());
}

void MainFrm::OnResume() {
    if (unloaded_) return;
    Carry(session_.Resumed());
}

void MainFrm::OnLinkChanged() {
    if (unloaded_) return;
    Carry(session_.LinkChanged());
}

void MainFrm::OnEndSession(bool close_app) {
    // The Restart Manager closes the program for an installer and the session goes on: a copy that only
    // took its icon down would run on unseen, every message ignored, and block a new start.
    if (close_app) {
        OnMenuItem(TrayMenuItem::Exit);
        return;
    }
    // Logging off ends the process without destroying the window: the icon goes first, or the shell would
    // keep a dead icon until the pointer passes over it.
    OnUnload();
}

void MainFrm::OnOptionChanged(OptionBox box, bool ticked) {
    if (unloaded_ || OptionTicked(box) == ticked) return;
    (box == OptionBox::StartWithWindows ? start_with_windows_ : redial_on_drop_) = ticked;
    if (box == OptionBox::StartWithWindows) {
        ApplyStartWithWindows();
    } else {
        ApplyRedialOnDrop();
    }
}

void MainFrm::SetOption(OptionBox box, bool ticked) {
    if (unloaded_ || OptionTicked(box) == ticked) return;
    (box == OptionBox::StartWithWindows ? start_with_windows_ : redial_on_drop_) = ticked;
    view_.ShowOptionTicked(box, ticked);
    if (box == OptionBox::StartWithWindows) {
        ApplyStartWithWindows();
    } else {
        ApplyRedialOnDrop();
    }
}

void MainFrm::ApplyStartWithWindows() {
    const RunValueResult result = start_with_windows_ ? services_.WriteRunValue(services_.RunValueDataFor(
                                                            services_.ExeFolder(), services_.ExeBaseName()))
                                                      : services_.DeleteRunValue();
    // Any failure to write leaves nothing behind a ticked box: it is told and the box unticked. A failed
    // delete other than a refusal (the value was not there) passes silently.
    const bool denied = result == RunValueResult::AccessDenied;
    if (!denied && !(start_with_windows_ && result == RunValueResult::Failed)) return;
    view_.ShowMessage(denied ? kRunValueDenied : kRunValueFailed, kRunValueDeniedTitle, kIconCritical);
    if (unloaded_) return;
    // Unticking runs this action again, which tries to delete the value.
    SetOption(OptionBox::StartWithWindows, false);
}

void MainFrm::ApplyRedialOnDrop() {
    if (redial_on_drop_) {
        if (!AccountKnown()) {
            // Without an account the option cannot stay on: untick first (stores "0"), then explain.
            SetOption(OptionBox::RedialOnDrop, false);
            if (unloaded_) return;
            view_.ShowMessage(kRedialNeedsAccount, kBalloonTitle, kIconInformation);
            return;
        }
        session_.SetRedial(true);
        view_.StartTimer(FrmTimer::Supervision, kSupervisionIntervalMs);
        StoreSetting(compat::kRedialKey, "1");
    } else {
        session_.SetRedial(false);
        view_.StopTimer(FrmTimer::Supervision);
        StoreSetting(compat::kRedialKey, "0");
    }
}

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
