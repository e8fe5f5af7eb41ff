// What the line did, told: the tray's state and tip, the last failure and the log's lines, from the dial
// session's decisions.
#include "app/line_report.h"

#include <algorithm>

#include "app/dial_failure.h"

namespace vt {

void LineReport::Follow(const DialSession::Decision& decision, DialLog::DropNoticedBy noticed) {
    using Act = DialSession::Act;
    using Redialling = DialSession::Redialling;
    DialLog& log = outlet_.Log();
    if (decision.dropped) {
        // The session's last look, or the figures read as the line came up; the system's duration was read
        // then, and the drop came later.
        std::optional<LineCounters> last = decision.figures ? decision.figures : counters_;
        if (last && state_ == LineState::Connected)
            last->duration_s =
                static_cast<std::uint64_t>(std::max<std::int64_t>(0, outlet_.NowMs() - connected_at_ms_)) /
                1000;
        log.Dropped(noticed, last);
        Down();
    } else if (decision.figures && state_ == LineState::Connected) {
        // The supervision's look at the traffic is the only reading of the figures while nothing happens:
        // the tip's duration is set again from it.
        Counted(*decision.figures);
    }
    switch (decision.act) {
        case Act::Launch:
        case Act::Hold:
        case Act::HangUpAndRedial:
            state_ = LineState::Dialling;
            break;
        case Act::Connected:
        case Act::AlreadyConnected:
            Up();
            break;
        case Act::Failed:
            state_ = LineState::NotConnected;
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
                if (cause.empty()) cause = outlet_.DialErrorText(decision.code);
                log.DialFailed(decision.code, cause);
                last_failure_ =
                    LastFailure{decision.code, cause, DialFailureNextStep(decision.code), outlet_.LocalNow()};
                // With the cable out the number is the cable's, and says nothing once it is back.
                if (link_ != Link::Down) tip_error_ = decision.code;
            }
            break;
        case Act::NoLink:
        case Act::Down:
            state_ = LineState::NotConnected;
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
    if (!foreign_lock_told_ && outlet_.SupervisionLockForeign()) {
        // Every copy would otherwise fall silent, each blaming another.
        log.SupervisionLockForeign();
        foreign_lock_told_ = true;
    }
    // Told once a time the role is elsewhere, again after this copy held it.
    if (decision.supervised_elsewhere && !other_copy_told_) log.AnotherCopySupervises();
    if (decision.supervised_elsewhere) other_copy_told_ = true;
    // A probe or an automatic dial is this copy's own supervision at work.
    if (decision.act == Act::Probe ||
        (decision.act == Act::Launch && decision.origin == DialOrigin::Automatic))
        other_copy_told_ = false;
}

void LineReport::Probed(const ProbeAnswer& answer) {
    // Told or not: a proxy that fails leaves the internet reachable.
    pages_failing_ = state_ == LineState::Connected &&
                     (answer.pages == Pages::Unreachable || answer.pages == Pages::NamesFail);
}

void LineReport::PagesTold(std::string_view notice) {
    outlet_.Log().PagesFailing(notice);
    diagnosis_ = FormatLocalTime(outlet_.LocalNow()) + " " + std::string(notice);
}

void LineReport::LinkRead(Link link, bool log_change) {
    if (link == Link::Unknown) return;
    if (log_change && link_ && *link_ != link) {
        if (link == Link::Down) {
            tip_error_.reset();
            outlet_.Log().LinkLost(outlet_.LinkAdapterName());
        } else {
            outlet_.Log().LinkBack(outlet_.LinkAdapterName());
        }
    }
    link_ = link;
}

void LineReport::HungUpBySubscriber() {
    outlet_.Log().HungUpBySubscriber();
    Down();
}

void LineReport::DialRefused() { state_ = LineState::NotConnected; }

void LineReport::Up() {
    if (state_ == LineState::Connected) return;
    state_ = LineState::Connected;
    tip_error_.reset();
    tip_stopped_ = false;
    connected_at_ms_ = outlet_.NowMs();
    const std::optional<ConnectionDetails> details = ReadDetails();
    outlet_.Log().Connected(details ? details->ipv4 : std::string(), details ? details->ipv6 : std::string());
}

void LineReport::Down() {
    state_ = LineState::NotConnected;
    pages_failing_ = false;
    tip_error_.reset();
    counters_.reset();
}

std::optional<ConnectionDetails> LineReport::ReadDetails() {
    std::optional<ConnectionDetails> details = outlet_.ReadConnection();
    if (details && details->counters) Counted(*details->counters);
    return details;
}

void LineReport::Counted(const LineCounters& counters) {
    counters_ = counters;
    // The system's duration counts from the connection's own start, which may precede this program.
    connected_at_ms_ = outlet_.NowMs() - static_cast<std::int64_t>(counters.duration_s) * 1000;
}

void LineReport::Show() {
    const std::int64_t up_ms = std::max<std::int64_t>(0, outlet_.NowMs() - connected_at_ms_);
    TipFacts facts;
    facts.state = state_;
    facts.connected_s = static_cast<std::uint64_t>(up_ms / 1000);
    facts.failure = tip_error_;
    facts.redial_stopped = tip_stopped_;
    facts.no_link = link_ == Link::Down;
    facts.no_internet = pages_failing_;
    const std::string tip = TrayTip(facts);
    if (tip == shown_tip_) return;
    shown_tip_ = tip;
    outlet_.ShowLineState(state_, tip);
}

LineSnapshot LineReport::Snapshot(bool read_details) {
    LineSnapshot snapshot;
    snapshot.state = state_;
    snapshot.last_failure = last_failure_;
    if (state_ == LineState::Connected && read_details) {
        if (std::optional<ConnectionDetails> details = ReadDetails()) snapshot.details = std::move(*details);
    }
    return snapshot;
}

}  // namespace vt
