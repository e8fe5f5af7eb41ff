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
}  // namespace

MainFrm::MainFrm(MainFrmServices& services, MainFrmView& view) : services_(services), view_(view) {}

void MainFrm::OnLoad() {
    if (unloaded_) return;
    // Start-up only writes again what it read: a failure there loses nothing the subscriber chose.
    loading_ = true;
    struct Loaded {
        bool& flag;
        ~Loaded() { flag = false; }
    } loaded{loading_};
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
        if (services_.IsEntryConnected(kEntryName)) {
            ShowInfoBalloon(kConnectedBalloon);
            session_.Connected();
            session_.TrafficFrom(services_.BytesReceived(kEntryName));
        } else {
            ShowInfoBalloon(kDialingBalloon);
            // The start at logon dials on its own; a start the subscriber made is the subscriber's dial.
            DialEntry(started_in_tray ? DialOrigin::Automatic : DialOrigin::Subscriber);
        }
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

    if (services_.IsEntryConnected(kEntryName)) {
        ShowInfoBalloon(kConnectedBalloon);
        view_.SetConnectEnabled(true);
        session_.Connected();
    } else {
        ShowInfoBalloon(kDialingBalloon);
        DialEntry(DialOrigin::Subscriber);
    }
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

void MainFrm::DialEntry(DialOrigin origin) {
    // The account comes from its box, which may have changed since it was checked (the redial tick):
    // the dial tool is never started with values it would misread or wait on for ever.
    if (RefuseCredentials(view_.AccountText(), password_)) return;
    view_.SetConnectEnabled(false);
    const DialSession::Start start = session_.RequestDial(origin, LineReleased());
    if (start == DialSession::Start::Now) LaunchWatchedDial();
    view_.SetStatusText(kStatusDialing);
    if (start == DialSession::Start::Now) {
        view_.StartTimer(FrmTimer::DialWatch, kDialWatchIntervalMs);
    } else if (start == DialSession::Start::Held) {
        // A dial that meets a line still being released is refused: it starts once the line is free.
        view_.StopTimer(FrmTimer::DialWatch);
        view_.StartTimer(FrmTimer::HangUpWait, kHangUpWaitIntervalMs);
    }
}

bool MainFrm::LineReleased() {
    if (services_.LastToolRun(ToolJob::HangUp).state == ToolRun::State::Running) return false;
    // The tool may end before the system has let the line go; only a line hung up here is asked about, so
    // that an unrelated slow dial does not hold a new one back.
    return !session_.HangUpSinceDial() || !services_.IsEntryListed(kEntryName);
}

void MainFrm::OnHangUpWaitTick() {
    if (unloaded_) return;
    if (session_.phase() != DialSession::Phase::HeldForHangUp) {
        view_.StopTimer(FrmTimer::HangUpWait);
        return;
    }
    if (!session_.HangUpWaitTick(LineReleased())) return;
    view_.StopTimer(FrmTimer::HangUpWait);
    // The boxes may have changed while the dial waited: the same check as any dial's. The dial is given up
    // before the box lets other handlers run, so that a dial asked for meanwhile starts afresh.
    if (const std::optional<std::string> refusal = CredentialRefusal(view_.AccountText(), password_)) {
        session_.AbandonHeldDial();
        view_.SetConnectEnabled(true);
        view_.SetStatusText(kStatusFailed);
        view_.ShowMessage(*refusal, kBalloonTitle, kIconInformation);
        return;
    }
    LaunchWatchedDial();
    view_.StartTimer(FrmTimer::DialWatch, kDialWatchIntervalMs);
}

void MainFrm::LaunchWatchedDial() {
    if (session_.TakeEntryRecreation() && !services_.EntryExists(kEntryName))
        services_.CreateDialEntry(kEntryName, compat::kEntryUser, "");
    services_.LaunchDial(view_.AccountText(), password_);
    session_.DialLaunched();
}

void MainFrm::HangUp() {
    session_.HangUpStarted();
    services_.LaunchHangUp();
}

void MainFrm::NoteConnected() {
    if (session_.Connected()) ShowInfoBalloon(kReconnectedBalloon);
}

void MainFrm::OnDialWatchTick() {
    if (unloaded_) return;
    if (services_.IsEntryConnected(kEntryName)) {
        view_.SetStatusText(kStatusConnected);
        view_.SetConnectEnabled(true);
        view_.StopTimer(FrmTimer::DialWatch);
        NoteConnected();
        session_.TrafficFrom(services_.BytesReceived(kEntryName));
        return;
    }
    // The tool's own answer, read without waiting: a failure is known before the countdown runs out.
    // A tool that ended with success but no connection leaves the verdict to the countdown.
    const ToolRun dial = services_.LastToolRun(ToolJob::Dial);
    if (dial.state == ToolRun::State::Ended && dial.exit_code != 0) {
        view_.SetConnectEnabled(true);
        view_.StopTimer(FrmTimer::DialWatch);
        ReportDialFailure(dial.exit_code);
        return;
    }
    if (session_.WatchTick()) return;
    view_.SetConnectEnabled(true);
    view_.StopTimer(FrmTimer::DialWatch);
    view_.SetStatusText(kStatusFailed);
}

void MainFrm::OnSupervisionTick() {
    // The probes let other handlers run, among them another tick of this timer (skipped here) and
    // the tray menu's quit (after which this tick must not touch the window).
    if (unloaded_ || supervising_) return;
    supervising_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{supervising_};

    // A dial whose tool ended after its watch: its answer counts now.
    if (session_.AwaitingToolAnswer() && session_.phase() != DialSession::Phase::Watching) {
        const ToolRun dial = services_.LastToolRun(ToolJob::Dial);
        if (dial.state == ToolRun::State::Ended && dial.exit_code != 0) {
            ReportDialFailure(dial.exit_code);
        } else if (dial.state == ToolRun::State::Running && session_.WaitForRunningTool()) {
            return;
        } else {
            session_.ToolAnswerRead();
        }
    }

    if (services_.IsEntryConnected(kEntryName)) {
        // A connection made otherwise also ends a stop or a pause.
        NoteConnected();
        // A line that received traffic since the last tick works: no third party's page is asked.
        if (session_.CarriedTraffic(services_.BytesReceived(kEntryName))) return;
        for (const std::string& address : services_.ProbeAddresses()) {
            const bool online = services_.ProbeInternet(address);
            if (unloaded_ || online) return;
        }
        HangUp();
        DialEntry(DialOrigin::Automatic);
        return;
    }
    if (session_.phase() != DialSession::Phase::Idle) return;  // a dial is under way or waits for the line
    RedialIfDue();
}

void MainFrm::RedialIfDue() {
    // While another connection holds the device, a dial would only meet 813 again.
    if (session_.hold() == DialSession::Hold::Paused && !services_.OtherBroadbandConnected(kEntryName))
        session_.OtherConnectionEnded();
    if (!session_.AutomaticDialDue(services_.NowMs())) return;
    DialEntry(DialOrigin::Automatic);
}

void MainFrm::OnConnectionEnded() {
    // A tick in the middle of its probes decides for itself; without the option nothing redials.
    if (unloaded_ || supervising_ || !redial_on_drop_) return;
    // The signal comes for any connection's end: the entry's own is told by its absence. The end of the
    // connection that held the device lifts a pause as soon as it comes.
    if (services_.IsEntryConnected(kEntryName)) return;
    const bool paused =
        session_.hold() == DialSession::Hold::Paused && session_.phase() == DialSession::Phase::Idle;
    if (!paused && !session_.DropNoticed()) return;
    RedialIfDue();
}

void MainFrm::ReportDialFailure(unsigned long code) {
    const DialSession::Verdict verdict = session_.DialFailed(code, services_.NowMs());
    // Without the option nothing redials, so nothing has stopped.
    const bool stopped = session_.Stopped() && redial_on_drop_;
    view_.SetStatusText(DialFailureStatus(code, stopped));
    if (!verdict.tell) return;
    const std::string system_text =
        DialFailureReason(code).empty() ? services_.DialErrorText(code) : std::string();
    ShowInfoBalloon(DialFailureBalloon(code, verdict.stopped && redial_on_drop_, system_text));
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
    const MainFrmServices::RunValueResult result = start_with_windows_
                                                       ? services_.WriteRunValue(services_.RunValueDataFor(
                                                             services_.ExeFolder(), services_.ExeBaseName()))
                                                       : services_.DeleteRunValue();
    // Any failure to write leaves nothing behind a ticked box: it is told and the box unticked. A failed
    // delete other than a refusal (the value was not there) passes silently.
    const bool denied = result == MainFrmServices::RunValueResult::AccessDenied;
    if (!denied && !(start_with_windows_ && result == MainFrmServices::RunValueResult::Failed)) return;
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
        view_.StartTimer(FrmTimer::Supervision, kSupervisionIntervalMs);
        StoreSetting(compat::kRedialKey, "1");
    } else {
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
            HangUp();
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
    if (services_.IsEntryConnected(kEntryName)) {
        ShowInfoBalloon(kConnectedBalloon);
        session_.Connected();
        return;
    }
    ShowInfoBalloon(kDialingBalloon);
    DialEntry(DialOrigin::Subscriber);
}

void MainFrm::ShowInfoBalloon(std::string_view text) {
    services_.ShowBalloon(text, kBalloonTitle, kBalloonInfoFlag);
}

}  // namespace vt
