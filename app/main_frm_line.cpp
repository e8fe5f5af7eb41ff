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
        line_state_ = LineState::NotConnected;
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
    Follow(decision, DialLog::DropNoticedBy::FailedProbe);
    // The tip says so while it lasts, told or not: a proxy that fails leaves the internet reachable.
    pages_failing_ = line_state_ == LineState::Connected &&
                     (answer.pages == Pages::Unreachable || answer.pages == Pages::NamesFail);
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
            services_.Log().PagesFailing(notice);
            diagnosis_ = FormatLocalTime(services_.LocalNow()) + " " + notice;
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
    // Only a change seen both ways is news: an unreadable link says nothing.
    const Link link = services_.ReadLink();
    if (link != Link::Unknown && link_ && *link_ != link) {
        if (link == Link::Down) tip_error_.reset();
        if (link == Link::Down) services_.Log().LinkLost(services_.LinkAdapterName());
        if (link == Link::Up) services_.Log().LinkBack(services_.LinkAdapterName());
    }
    if (link != Link::Unknown) link_ = link;
    Carry(Ask(&DialSession::LinkChanged, DialLog::DropNoticedBy::Check));
}

MainFrm::Decision MainFrm::Ask(Decision (DialSession::*event)(), DialLog::DropNoticedBy noticed) {
    const Decision decision = (session_.*event)();
    Follow(decision, noticed);
    return decision;
}

void MainFrm::Follow(const Decision& decision, DialLog::DropNoticedBy noticed) {
    using Act = DialSession::Act;
    using Redialling = DialSession::Redialling;
    DialLog& log = services_.Log();
    if (decision.dropped) {
        // The session's last look, or the figures read as the line came up; the system's duration was read
        // then, and the drop came later.
        std::optional<LineCounters> last = decision.figures ? decision.figures : counters_;
        if (last && line_state_ == LineState::Connected)
            last->duration_s =
                static_cast<std::uint64_t>(std::max<std::int64_t>(0, services_.NowMs() - connected_at_ms_)) /
                1000;
        log.Dropped(noticed, last);
        LineDown();
    } else if (decision.figures && line_state_ == LineState::Connected) {
        // The supervision's look at the traffic is the only reading of the figures while nothing happens:
        // the tip's duration is set again from it.
        Counted(*decision.figures);
    }
    switch (decision.act) {
        case Act::Launch:
        case Act::Hold:
        case Act::HangUpAndRedial:
            line_state_ = LineState::Dialling;
            break;
        case Act::Connected:
        case Act::AlreadyConnected:
            LineUp();
            break;
        case Act::Failed:
            line_state_ = LineState::NotConnected;
            tip_stopped_ = decision.stopped;
            // A watch that ran out has no number: an older one no longer says why.
            tip_error_.reset();
            if (decision.code == 0) {
                log.DialUnanswered();
                break;
            }
            {
                // The table's cause, or the system's own text where the table has none.
                std::string cause = DialFailureCause(decision.code);
                if (cause.empty()) cause = services_.DialErrorText(decision.code);
                log.DialFailed(decision.code, cause);
                last_failure_ = LastFailure{decision.code, cause, DialFailureNextStep(decision.code),
                                            services_.LocalNow()};
                // With the cable out the number is the cable's, and says nothing once it is back.
                if (link_ != Link::Down) tip_error_ = decision.code;
            }
            break;
        case Act::NoLink:
        case Act::Down:
            line_state_ = LineState::NotConnected;
            tip_error_.reset();
            break;
        case Act::Nothing:
        case Act::Probe:
            break;
    }
    switch (decision.redialling) {
        case Redialling::Unchanged:
            break;
        case Redialling::BackingOff:
            log.RedialBackoff(static_cast<std::uint64_t>(decision.redial_in_ms / 1000));
            break;
        case Redialling::Paused:
            log.RedialPaused("另一个宽带连接正在使用这条线路（错误 813）");
            break;
        case Redialling::Stopped:
            log.RedialStopped(decision.code ? "错误 " + std::to_string(decision.code) + "，等待用户重新连接"
                                            : std::string());
            break;
        case Redialling::Resumed:
            log.RedialResumed();
            tip_stopped_ = false;
            break;
    }
    if (!foreign_lock_told_ && services_.SupervisionLockForeign()) {
        // Every copy would otherwise fall silent, each blaming another.
        log.SupervisionLockForeign();
        foreign_lock_told_ = true;
    }
    // Told once a time the role is elsewhere, again after this copy held it.
    if (decision.supervised_elsewhere && !other_copy_told_) log.AnotherCopySupervises();
    if (decision.supervised_elsewhere) other_copy_told_ = true;
    // A probe or an automatic dial is this copy's own supervision at work.
    if (decision.act == Act::Probe || (decision.act == Act::Launch && decision.origin == DialOrigin::Automatic))
        other_copy_told_ = false;
}

void MainFrm::LineUp() {
    if (line_state_ == LineState::Connected) return;
    line_state_ = LineState::Connected;
    tip_error_.reset();
    tip_stopped_ = false;
    start_dial_ = false;
    connected_at_ms_ = services_.NowMs();
    const std::optional<ConnectionDetails> details = ReadDetails();
    services_.Log().Connected(details ? details->ipv4 : std::string(),
                              details ? details->ipv6 : std::string());
}

void MainFrm::LineDown() {
    line_state_ = LineState::NotConnected;
    pages_failing_ = false;
    tip_error_.reset();
    counters_.reset();
}

std::optional<ConnectionDetails> MainFrm::ReadDetails() {
    std::optional<ConnectionDetails> details = services_.ReadConnection(kEntryName);
    if (details && details->counters) Counted(*details->counters);
    return details;
}

void MainFrm::Counted(const LineCounters& counters) {
    counters_ = counters;
    // The system's duration counts from the connection's own start, which may precede this program.
    connected_at_ms_ = services_.NowMs() - static_cast<std::int64_t>(counters.duration_s) * 1000;
}

void MainFrm::ShowLine() {
    if (unloaded_) return;
    const std::int64_t up_ms = std::max<std::int64_t>(0, services_.NowMs() - connected_at_ms_);
    TipFacts facts;
    facts.state = line_state_;
    facts.connected_s = static_cast<std::uint64_t>(up_ms / 1000);
    facts.failure = tip_error_;
    facts.redial_stopped = tip_stopped_;
    facts.no_link = link_ == Link::Down;
    facts.no_internet = pages_failing_;
    const std::string tip = TrayTip(facts);
    if (tip == shown_tip_) return;
    shown_tip_ = tip;
    services_.ShowLineState(line_state_, tip);
}

LineSnapshot MainFrm::Snapshot() {
    LineSnapshot snapshot;
    snapshot.state = line_state_;
    snapshot.last_failure = last_failure_;
    if (line_state_ == LineState::Connected && !unloaded_) {
        if (std::optional<ConnectionDetails> details = ReadDetails()) snapshot.details = std::move(*details);
    }
    return snapshot;
}

}  // namespace vt
