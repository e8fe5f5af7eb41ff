// MainFrm carries out the dial session's decisions: the dial tool, the watches, the probes and what the
// subscriber is told of the line.
#include "app/main_frm.h"

#include <algorithm>
#include <optional>
#include <string>

#include "app/dial_failure.h"
#include "app/main_frm_parts.h"
#include "services/credential_rules.h"

namespace vt {

using namespace main_frm_parts;

DialSession::Act MainFrm::AskDial(DialOrigin origin) {
    const Decision decision = session_.Request(origin);
    Follow(decision, DialLog::DropNoticedBy::Check);
    if (decision.act == DialSession::Act::AlreadyConnected) {
        ShowInfoBalloon(kConnectedBalloon);
    } else {
        if (decision.act == DialSession::Act::Launch || decision.act == DialSession::Act::Hold)
            ShowInfoBalloon(kDialingBalloon);
        Carry(decision);
    }
    ShowLine();  // the line was up already
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
        case Act::Down:
            view_.SetStatusText(kStatusDown);
            break;
    }
    Tell(decision);
    ShowLine();
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
        report_.DialRefused();
        ShowLine();
        view_.SetConnectEnabled(true);
        view_.SetStatusText(kStatusFailed);
        view_.ShowMessage(*refusal, kBalloonTitle, kIconInformation);
        return;
    }
    if (decision.remake_entry && !services_.EntryExists(kEntryName))
        services_.CreateDialEntry(kEntryName, compat::kEntryUser, "");
    view_.SetConnectEnabled(false);
    services_.Log().Dialling(decision.origin == DialOrigin::Subscriber ? DialLog::DialBy::Subscriber
                             : start_dial_                             ? DialLog::DialBy::AtStart
                                                                       : DialLog::DialBy::Redial,
                             view_.AccountText());
    start_dial_ = false;
    services_.LaunchDial(view_.AccountText(), password_);
    view_.SetStatusText(kStatusDialing);
    view_.StartTimer(FrmTimer::DialWatch, kDialWatchIntervalMs);
}

void MainFrm::Probe() {
    // One probe at a time: a check asked for while one runs (a wake, say) takes its answer.
    if (probing_) return;
    ProbeAnswer answer;
    {
        const ScopedFlag probing(probing_);
        bool online = false;
        for (const std::string& address : services_.ProbeAddresses()) {
            online = services_.ProbeInternet(address);
            if (unloaded_) return;
            if (online) break;
        }
        // Failed pages are not yet a failed line: what lies beyond them decides.
        if (!online) {
            paths_ = services_.CheckPaths();
            if (unloaded_) return;
            answer = JudgeFailedPages(paths_);
        }
    }
    const Decision decision = session_.ProbeAnswered(answer);
    // A hang-up told nothing yet (the first of an outage): its log line still names a dead proxy.
    if (decision.act == DialSession::Act::HangUpAndRedial && decision.proxy_dead &&
        decision.news == DialSession::News::None)
        services_.Log().PagesFailing(DeadProxyText(paths_.proxy));
    Follow(decision, DialLog::DropNoticedBy::FailedProbe);
    report_.Probed(answer);
    Carry(decision);
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
        case DialSession::News::PagesFail: {
            const std::string notice = PagesNotice(decision.pages, paths_.proxy, decision.proxy_dead);
            report_.PagesTold(notice);
            // Pages that fail with no proxy while the path around answers are a passing hitch or a setting
            // this program cannot name: the log keeps it, the subscriber is not troubled.
            if (decision.pages != Pages::ProxyFails || !paths_.proxy.empty()) ShowInfoBalloon(notice);
            return;
        }
        case DialSession::News::Failure: {
            const std::string system_text = DialFailureCause(decision.code).empty()
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
    const Decision decision = Ask(&DialSession::HangUpWaitTick, DialLog::DropNoticedBy::Check);
    if (decision.act == DialSession::Act::Hold) {
        Tell(decision);
        return;
    }
    view_.StopTimer(FrmTimer::HangUpWait);
    Carry(decision);
}

void MainFrm::OnDialWatchTick() {
    if (unloaded_) return;
    Carry(Ask(&DialSession::WatchTick, DialLog::DropNoticedBy::Check));
}

void MainFrm::OnSupervisionTick() {
    // The probes let other handlers run, among them another tick of this timer (skipped here) and
    // the tray menu's quit (after which this tick must not touch the window).
    if (unloaded_ || supervising_) return;
    const ScopedFlag supervising(supervising_);
    // A watch that could not start (or stopped) is tried again: without it a drop waits for a tick.
    services_.WatchConnections();
    Carry(Ask(&DialSession::SupervisionTick, DialLog::DropNoticedBy::Check));
}

void MainFrm::OnConnectionEnded() {
    // A tick in the middle of its probes decides for itself.
    if (unloaded_ || supervising_) return;
    Carry(Ask(&DialSession::ConnectionEnded, DialLog::DropNoticedBy::SystemSignal));
}

void MainFrm::OnConnectionMade() {
    if (unloaded_) return;
    Carry(Ask(&DialSession::ConnectionMade, DialLog::DropNoticedBy::SystemSignal));
}

void MainFrm::OnSuspend() {
    if (unloaded_) return;
    services_.Log().Suspending();
    Carry(Ask(&DialSession::Suspended, DialLog::DropNoticedBy::Wake));
}

void MainFrm::OnResume() {
    if (unloaded_) return;
    services_.Log().ResumedFromSleep();
    Carry(Ask(&DialSession::Resumed, DialLog::DropNoticedBy::Wake));
}

void MainFrm::OnLinkChanged() {
    if (unloaded_) return;
    report_.LinkRead(services_.ReadLink());
    Carry(Ask(&DialSession::LinkChanged, DialLog::DropNoticedBy::Check));
}

MainFrm::Decision MainFrm::Ask(Decision (DialSession::*event)(), DialLog::DropNoticedBy noticed) {
    const Decision decision = (session_.*event)();
    Follow(decision, noticed);
    return decision;
}

void MainFrm::Follow(const Decision& decision, DialLog::DropNoticedBy noticed) {
    report_.Follow(decision, noticed);
    if (report_.State() == LineState::Connected) start_dial_ = false;
}

void MainFrm::ShowLine() {
    if (!unloaded_) report_.Show();
}

LineSnapshot MainFrm::Snapshot() { return report_.Snapshot(!unloaded_); }

}  // namespace vt
