#include "app/main_frm.h"

#include <optional>

#include "app/dial_failure.h"
#include "app/main_frm_parts.h"
#include "base/compat.h"
#include "services/credential_rules.h"
#include "services/settings_path.h"

namespace vt {

using namespace main_frm_parts;

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

    const DiagnosticsFacts facts = services_.SystemFacts();
    windows_version_ = facts.windows_version;
    services_.Log().Started(facts.version, facts.windows_version, StartOrigin());
    if (!services_.EntryExists(kEntryName)) services_.CreateDialEntry(kEntryName, compat::kEntryUser, "");

    const std::string folder = services_.ExeFolder();
    // The first add carries the line's state: the icon never shows a state it does not know. A line that
    // is up already (dialled before this start, or by Windows itself) is the session's, with or without an
    // account to dial with, so that its end is heard; the window's status is left as start-up sets it.
    Ask(&DialSession::ConnectionMade, DialLog::DropNoticedBy::Check);
    ShowLine();
    services_.ShowTrayIcon();
    // Before the first dial, so that its connection is heard as it comes up.
    services_.WatchConnections();
    // The link as it stands, so that the log tells its first change.
    report_.LinkRead(services_.ReadLink(), false);

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
        start_dial_ = started_in_tray;
        const DialSession::Act act =
            AskDial(started_in_tray ? DialOrigin::Automatic : DialOrigin::Subscriber);
        if (act != DialSession::Act::Launch && act != DialSession::Act::Hold) start_dial_ = false;
    } else {
        ShowInfoBalloon(kNoAccountBalloon);
    }

    run_value_text_ = services_.ReadRunValue();
    if (!run_value_text_.empty()) SetOption(OptionBox::StartWithWindows, true);
    // The options' message boxes let other handlers run; the tray menu may have quit meanwhile.
    if (unloaded_) return;
    if (services_.ReadSetting(kSection, compat::kRedialKey) == "1") SetOption(OptionBox::RedialOnDrop, true);
    if (unloaded_) return;
    // The hidden start's own dial may have taken the supervision; without the option this copy keeps
    // nothing, and must not keep another copy from it.
    if (!redial_on_drop_) services_.ReleaseSupervision();

    services_.WriteSetting(kSection, compat::kExeUrlKey,
                           services_.ExeUrlFrom(folder, services_.ExeBaseName()));
    // Windows 11 puts a new program's icon among the hidden ones, where its states are never seen: told
    // once, last, so that no start-up balloon takes its place.
    if (IsWindows11(windows_version_) && services_.ReadSetting(kSection, compat::kTaskbarHintKey) != "1") {
        ShowInfoBalloon(kTaskbarHintBalloon);
        services_.WriteSetting(kSection, compat::kTaskbarHintKey, "1");
    }
    services_.TrimWorkingSet();
    if (!started_in_tray) view_.ShowNormal();
}

void MainFrm::OnUnload() {
    if (unloaded_) return;
    unloaded_ = true;
    services_.RemoveTrayIcon();
}

bool MainFrm::OnDdeExecute(std::string_view command) {
    if (unloaded_) return true;
    if (command == compat::kSetupQuitCommand) {
        // Exactly the tray menu's quit, but for the note that the setup program's restart is coming.
        services_.Log().QuitForRestart(DialLog::StartedBy::Setup);
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

void MainFrm::OnEndSession(bool close_app) {
    // The Restart Manager closes the program for an installer and the session goes on: a copy that only
    // took its icon down would run on unseen, every message ignored, and block a new start.
    if (close_app) {
        services_.Log().QuitForRestart(DialLog::StartedBy::RestartManager);
        OnMenuItem(TrayMenuItem::Exit);
        return;
    }
    // Logging off ends the process without destroying the window: the icon goes first, or the shell would
    // keep a dead icon until the pointer passes over it.
    OnUnload();
}

DialLog::StartedBy MainFrm::StartOrigin() {
    // Both restarts pass the hidden-start word, as the Run value does: the log's own note of the quit
    // tells them apart.
    if (services_.CommandLineArgs() != compat::kHiddenStartWord) return DialLog::StartedBy::Subscriber;
    return services_.Log().AwaitedRestart().value_or(DialLog::StartedBy::Logon);
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
        if (session_.SetRedial(false).release_supervision) services_.ReleaseSupervision();
        view_.StopTimer(FrmTimer::Supervision);
        StoreSetting(compat::kRedialKey, "0");
    }
}

}  // namespace vt
