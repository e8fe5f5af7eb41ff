#include "app/main_frm.h"

#include <charconv>
#include <optional>

#include "app/single_instance.h"
#include "services/credential_rules.h"
#include "services/settings_path.h"

#include "app/dial_failure.h"

namespace vt {

namespace {
constexpr std::string_view kSection = "Option";
constexpr std::string_view kInitialPassWord = "PassWord";
constexpr std::string_view kBalloonTitle = "提示：";
constexpr unsigned kBalloonInfoFlag = 1;
constexpr unsigned kIconCritical = 16;
constexpr unsigned kIconWarning = 48;
constexpr unsigned kIconInformation = 64;
constexpr std::string_view kTrayTip = "Veltrane";

constexpr std::string_view kConnectedBalloon = "网络已连接！";
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
constexpr std::string_view kRunValueFailed =
    "Veltrane无法写入开机启动项！本次设置开机启动失效，请重试！";
constexpr std::string_view kSettingsNotSaved =
    "Veltrane无法保存您的设置（帐号、密码或选项），设置文件无法写入：\n";
constexpr std::string_view kSettingsNotSavedAfter =
    "\n本次仍可正常使用，但下次启动时这些设置将会丢失。请检查该文件是否只读或被其它程序占用。";
constexpr std::string_view kRedialNeedsAccount =
    "请先输入宽带账号及密码，并点击“连接”按钮保存账号密码后，才可进行本操作！";

// The countdown is held as decimal text; anything unreadable counts as 0, so the watch ends.
int CountdownValue(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() ? value : 0;
}
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

    view_.SetAccountText(services_.ReadSetting(kSection, "UserName"));
    // Read exactly: an earlier version stored cipher texts unquoted, and a blank at either end is part of
    // the password. Such a text is stored again at once in the form that keeps it, before any other write
    // of this start: the platform's profile writer may rewrite the whole file (Wine's does, and drops
    // every value's blanks on the way).
    cipher_text_ = services_.ReadSettingExact(kSection, "CipherText");
    if (ProfileValueNeedsQuotes(cipher_text_)) services_.WriteSetting(kSection, "CipherText", cipher_text_);

    if (!services_.EntryExists(kEntryName)) services_.CreateDialEntry(kEntryName, "Zormik", "");

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
        if (services_.CommandLineArgs() == "hide") {
            view_.CentreOnScreen();
            view_.Minimise();
            started_in_tray = true;
        }
        pass_word_ = stored_password;
        view_.SetPasswordText(kPasswordPlaceholder);
        if (services_.IsEntryConnected(kEntryName)) {
            ShowInfoBalloon(kConnectedBalloon);
        } else {
            ShowInfoBalloon(kDialingBalloon);
            DialEntry();
        }
    } else {
        ShowInfoBalloon(kNoAccountBalloon);
    }

    exp_time_ = services_.ReadRunValue();
    if (!exp_time_.empty()) SetOption(OptionBox::Check1, true);
    // The options' message boxes let other handlers run; the tray menu may have quit meanwhile.
    if (unloaded_) return;
    if (services_.ReadSetting(kSection, "DiscRedial") == "1") SetOption(OptionBox::Check2, true);
    if (unloaded_) return;

    services_.WriteSetting(kSection, "ExeUrl", services_.ExeUrlFrom(folder, services_.ExeBaseName()));
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
    if (command == kSetupQuitCommand) {
        // Exactly the tray menu's quit: the tray icon goes and nothing is written on the way out.
        OnMenuItem(TrayMenuItem::Exit);
        return true;
    }
    if (command != "Nor") return true;
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
    const std::string plain = new_password                     ? password
                              : pass_word_ == kInitialPassWord ? services_.DecipherPassword(cipher_text_)
                                                               : pass_word_;
    // Before anything is kept, stored or dialled: a refused value leaves everything as it was.
    if (RefuseCredentials(view_.AccountText(), plain)) return;
    pass_word_ = plain;
    if (new_password) {
        cipher_text_ = services_.EncipherPassword(password);
        view_.SetPasswordText(kPasswordPlaceholder);
    }

    // The subscriber dials again (perhaps with a corrected account): redialling may resume.
    redial_stopped_ = false;
    if (services_.IsEntryConnected(kEntryName)) {
        ShowInfoBalloon(kConnectedBalloon);
        view_.SetConnectEnabled(true);
    } else {
        ShowInfoBalloon(kDialingBalloon);
        DialEntry();
    }
    const bool user_saved = services_.WriteSetting(kSection, "UserName", view_.AccountText());
    const bool cipher_saved = services_.WriteSetting(kSection, "CipherText", cipher_text_);
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

void MainFrm::DialEntry() {
    // The account comes from its box, which may have changed since it was checked (the redial tick):
    // the dial tool is never started with values it would misread or wait on for ever.
    if (RefuseCredentials(view_.AccountText(), pass_word_)) return;
    view_.SetConnectEnabled(false);
    const bool hanging_up = services_.LastToolRun(ToolJob::HangUp).state == ToolRun::State::Running;
    if (!hanging_up && !dial_waiting_) {
        LaunchWatchedDial();
        view_.SetStatusText(kStatusDialing);
        ip_interval_ = "3";
        view_.StartTimer(FrmTimer::Sleep, kSleepIntervalMs);
        return;
    }
    view_.SetStatusText(kStatusDialing);
    ip_interval_ = "3";
    // A dial that meets a line still being hung up is lost: it starts once the hang-up has ended.
    view_.StopTimer(FrmTimer::Sleep);
    if (dial_waiting_) return;
    dial_waiting_ = true;
    hang_up_wait_ticks_ = 0;
    view_.StartTimer(FrmTimer::HangUpWait, kHangUpWaitIntervalMs);
}

void MainFrm::OnHangUpWaitTick() {
    if (unloaded_) return;
    if (!dial_waiting_) {
        view_.StopTimer(FrmTimer::HangUpWait);
        return;
    }
    ++hang_up_wait_ticks_;
    const bool ended = services_.LastToolRun(ToolJob::HangUp).state != ToolRun::State::Running;
    if (!ended && hang_up_wait_ticks_ < kHangUpWaitTicks) return;
    view_.StopTimer(FrmTimer::HangUpWait);
    dial_waiting_ = false;
    LaunchWatchedDial();
    ip_interval_ = "3";
    view_.StartTimer(FrmTimer::Sleep, kSleepIntervalMs);
}

void MainFrm::LaunchWatchedDial() {
    if (recreate_entry_) {
        recreate_entry_ = false;
        if (!services_.EntryExists(kEntryName)) services_.CreateDialEntry(kEntryName, "Zormik", "");
    }
    services_.LaunchDial(view_.AccountText(), pass_word_);
    dial_outcome_read_ = false;
}

void MainFrm::OnSleepTick() {
    if (unloaded_) return;
    if (services_.IsEntryConnected(kEntryName)) {
        view_.SetStatusText(kStatusConnected);
        view_.SetConnectEnabled(true);
        view_.StopTimer(FrmTimer::Sleep);
        // A working connection ends any earlier verdict.
        dial_outcome_read_ = true;
        redial_stopped_ = false;
        return;
    }
    // The tool's own answer, read without waiting: a failure is known before the countdown runs out.
    // A tool that ended with success but no connection leaves the verdict to the countdown.
    const ToolRun dial = services_.LastToolRun(ToolJob::Dial);
    if (dial.state == ToolRun::State::Ended && dial.exit_code != 0) {
        view_.SetConnectEnabled(true);
        view_.StopTimer(FrmTimer::Sleep);
        ip_interval_ = "0";
        ReportDialFailure(dial.exit_code);
        return;
    }
    const int left = CountdownValue(ip_interval_) - 1;
    ip_interval_ = std::to_string(left);
    if (left >= 1) return;
    view_.SetConnectEnabled(true);
    view_.StopTimer(FrmTimer::Sleep);
    view_.SetStatusText(kStatusFailed);
}

void MainFrm::OnTimer1Tick() {
    // The probes let other handlers run, among them another tick of this timer (skipped here) and
    // the tray menu's quit (after which this tick must not touch the window).
    if (unloaded_ || supervising_) return;
    supervising_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{supervising_};

    // A dial whose tool ended after its watch: its answer counts now.
    if (!dial_outcome_read_) {
        const ToolRun dial = services_.LastToolRun(ToolJob::Dial);
        if (dial.state == ToolRun::State::Ended && dial.exit_code != 0) {
            ReportDialFailure(dial.exit_code);
        } else if (dial.state == ToolRun::State::Running && busy_ticks_ < 2) {
            // Still under way: a second dial now would only be refused. Twice at most, so that a tool
            // that never ends cannot stop the supervision.
            ++busy_ticks_;
            return;
        } else {
            dial_outcome_read_ = true;
        }
    }
    busy_ticks_ = 0;
    // After the provider refused the credentials, only a connection made otherwise resumes the watch.
    if (redial_stopped_) {
        if (!services_.IsEntryConnected(kEntryName)) return;
        redial_stopped_ = false;
    }

    if (services_.IsEntryConnected(kEntryName)) {
        for (const std::string& address : services_.ProbeAddresses()) {
            const bool online = services_.ProbeInternet(address);
            if (unloaded_ || online) return;
        }
        services_.LaunchHangUp();
    }
    DialEntry();
}

void MainFrm::ReportDialFailure(unsigned long code) {
    dial_outcome_read_ = true;
    if (code == 623) recreate_entry_ = true;
    if (CredentialsRefused(code)) redial_stopped_ = true;
    const bool stopped = redial_stopped_ && check2_;
    view_.SetStatusText(DialFailureStatus(code, stopped));
    const std::string system_text = DialFailureReason(code).empty() ? services_.DialErrorText(code) : std::string();
    ShowInfoBalloon(DialFailureBalloon(code, stopped, system_text));
}

void MainFrm::OnOptionChanged(OptionBox box, bool ticked) {
    if (unloaded_ || OptionTicked(box) == ticked) return;
    (box == OptionBox::Check1 ? check1_ : check2_) = ticked;
    if (box == OptionBox::Check1) {
        RunCheck1Action();
    } else {
        RunCheck2Action();
    }
}

void MainFrm::SetOption(OptionBox box, bool ticked) {
    if (unloaded_ || OptionTicked(box) == ticked) return;
    (box == OptionBox::Check1 ? check1_ : check2_) = ticked;
    view_.ShowOptionTicked(box, ticked);
    if (box == OptionBox::Check1) {
        RunCheck1Action();
    } else {
        RunCheck2Action();
    }
}

void MainFrm::RunCheck1Action() {
    const MainFrmServices::RunValueResult result = check1_
                                                       ? services_.WriteRunValue(services_.RunValueDataFor(
                                                             services_.ExeFolder(), services_.ExeBaseName()))
                                                       : services_.DeleteRunValue();
    // Any failure to write leaves nothing behind a ticked box: it is told and the box unticked. A failed
    // delete other than a refusal (the value was not there) passes silently.
    const bool denied = result == MainFrmServices::RunValueResult::AccessDenied;
    if (!denied && !(check1_ && result == MainFrmServices::RunValueResult::Failed)) return;
    view_.ShowMessage(denied ? kRunValueDenied : kRunValueFailed, kRunValueDeniedTitle, kIconCritical);
    if (unloaded_) return;
    // Unticking runs this action again, which tries to delete the value.
    SetOption(OptionBox::Check1, false);
}

void MainFrm::RunCheck2Action() {
    if (check2_) {
        if (pass_word_ == kInitialPassWord) {
            // Without an account the option cannot stay on: untick first (stores "0"), then explain.
            SetOption(OptionBox::Check2, false);
            if (unloaded_) return;
            view_.ShowMessage(kRedialNeedsAccount, kBalloonTitle, kIconInformation);
            return;
        }
        view_.StartTimer(FrmTimer::Timer1, kTimer1IntervalMs);
        StoreSetting("DiscRedial", "1");
    } else {
        view_.StopTimer(FrmTimer::Timer1);
        StoreSetting("DiscRedial", "0");
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

void MainFrm::refreshSkin() {
    view_.SetTitleButtonPicture(TitleButton::Close1, ButtonPicture::Normal);
    view_.SetTitleButtonPicture(TitleButton::Mini, ButtonPicture::Normal);
}

void MainFrm::OnBackgroundMouseMove() {
    if (unloaded_) return;
    refreshSkin();
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
    view_.SetTitleButtonPicture(TitleButton::Close1, ButtonPicture::Normal);
    services_.TrimWorkingSet();
}

void MainFrm::OnMenuItem(TrayMenuItem item) {
    if (unloaded_) return;
    switch (item) {
        case TrayMenuItem::Link:
            MenuConnect();
            break;
        case TrayMenuItem::Duankai:
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
    if (view_.AccountText().empty() || pass_word_ == kInitialPassWord) {
        view_.ShowMessage(kNoAccountOrPassword, kBalloonTitle, kIconInformation);
        return;
    }
    if (RefuseCredentials(view_.AccountText(), pass_word_)) return;
    redial_stopped_ = false;
    if (services_.IsEntryConnected(kEntryName)) {
        ShowInfoBalloon(kConnectedBalloon);
        return;
    }
    ShowInfoBalloon(kDialingBalloon);
    DialEntry();
}

void MainFrm::ShowInfoBalloon(std::string_view text) {
    services_.ShowBalloon(text, kBalloonTitle, kBalloonInfoFlag);
}

}  // namespace vt
