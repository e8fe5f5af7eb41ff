#include "app/dial_session.h"

#include <algorithm>

namespace vt {

using Decision = DialSession::Decision;
using Act = DialSession::Act;
using News = DialSession::News;

std::int64_t DialSession::RetryDelayMs(int refusals) {
    std::int64_t delay = kFirstRetryDelayMs;
    for (int i = 1; i < refusals && delay < kLongestRetryDelayMs; ++i) delay *= 2;
    return std::min(delay, kLongestRetryDelayMs);
}

ProbeAnswer JudgeFailedPages(const PathFindings& paths) {
    ProbeAnswer answer{Pages::Unreachable, paths.proxy_dead};
    if (paths.direct)
        answer.pages = Pages::ProxyFails;
    else if (paths.address)
        answer.pages = Pages::NamesFail;
    return answer;
}

std::int64_t DialSession::PagesRetryDelayMs(int redials) {
    std::int64_t delay = kFirstPagesRetryMs;
    for (int i = 1; i < redials && delay < kLongestPagesRetryMs; ++i) delay *= 2;
    return std::min(delay, kLongestPagesRetryMs);
}

bool DialSession::Supervises() {
    // A copy without the option never takes the lock, so that it cannot keep it from a copy whose
    // subscriber wants the line kept; it still makes its own automatic dials when no copy supervises.
    const bool supervises = s_.redial ? line_.HoldsSupervision() : !line_.SupervisedElsewhere();
    if (!supervises) elsewhere_ = true;
    return supervises;
}

std::optional<std::uint64_t> DialSession::BytesReceived() {
    read_ = line_.Counters();
    if (!read_) return std::nullopt;
    last_ = read_;
    return read_->bytes_received;
}

template <typename Event>
Decision DialSession::Report(Event&& event) {
    const bool was_up = s_.line_up;
    const Hold hold = s_.hold;
    const std::int64_t retry_at = s_.retry_at_ms;
    const std::optional<LineCounters> last = last_;
    read_.reset();
    elsewhere_ = false;
    Decision decision = event();
    if (was_up && !s_.line_up) {
        decision.dropped = true;
        decision.figures = read_ ? read_ : last;
    } else {
        decision.figures = read_;
    }
    decision.supervised_elsewhere = elsewhere_;
    // Without the option nothing redials, so there is nothing to tell of its course.
    if (s_.redial && (s_.hold != hold || s_.retry_at_ms != retry_at)) {
        switch (s_.hold) {
            case Hold::BackingOff:
                decision.redialling = Redialling::BackingOff;
                decision.redial_in_ms = std::max<std::int64_t>(0, s_.retry_at_ms - line_.NowMs());
                break;
            case Hold::Paused:
                decision.redialling = Redialling::Paused;
                break;
            case Hold::Stopped:
                decision.redialling = Redialling::Stopped;
                break;
            case Hold::None:
                if (hold == Hold::Paused || hold == Hold::Stopped) decision.redialling = Redialling::Resumed;
                break;
        }
    }
    return decision;
}

Decision DialSession::SetRedial(bool on) {
    return Report([&] {
        s_.redial = on;
        Decision decision;
        decision.release_supervision = !on;
        return decision;
    });
}

// Each event, and what it did.
Decision DialSession::Request(DialOrigin origin) {
    return Report([&] { return OnRequest(origin); });
}
Decision DialSession::WatchTick() {
    return Report([&] { return OnWatchTick(); });
}
Decision DialSession::SupervisionTick() {
    return Report([&] { return OnSupervisionTick(); });
}
Decision DialSession::HangUpWaitTick() {
    return Report([&] { return OnHangUpWaitTick(); });
}
Decision DialSession::ProbeAnswered(ProbeAnswer answer) {
    return Report([&] { return OnProbeAnswered(answer); });
}
Decision DialSession::ConnectionEnded() {
    return Report([&] { return OnConnectionEnded(); });
}
Decision DialSession::ConnectionMade() {
    return Report([&] { return OnConnectionMade(); });
}
Decision DialSession::Suspended() {
    return Report([&] { return OnSuspended(); });
}
Decision DialSession::Resumed() {
    return Report([&] { return OnResumed(); });
}
Decision DialSession::LinkChanged() {
    return Report([&] { return OnLinkChanged(); });
}

bool DialSession::Asleep(std::int64_t now) const {
    return s_.suspended_at_ms && now - *s_.suspended_at_ms < kSuspendHoldMs;
}

bool DialSession::Waking(std::int64_t now) const {
    return s_.resumed_at_ms && now - *s_.resumed_at_ms < kWakeSettleMs;
}

void DialSession::Forget() {
    s_.line_up = false;
    s_.received.reset();
    last_.reset();
}

bool DialSession::Released() {
    if (line_.ToolAnswer(ToolJob::HangUp).state == ToolRun::State::Running) return false;
    // The tool may end before the system has let the line go; only a line hung up here is asked about, so
    // that an unrelated slow dial does not hold a new one back.
    return !s_.hung_up || !line_.Listed();
}

Decision DialSession::OnRequest(DialOrigin origin) {
    if (line_.Connected()) {
        Up();
        return Decision{Act::AlreadyConnected};
    }
    if (origin == DialOrigin::Automatic) return Finish(Automatic(false));
    // The subscriber is there and may have corrected the account: every hold is lifted, and what was kept
    // back of an earlier outage is no news any more.
    s_.hold = Hold::None;
    s_.refusals = 0;
    s_.blocker_seen = false;
    s_.tale.reset();
    s_.pages_told.reset();
    s_.pages_redials = 0;
    s_.pages_retry_at_ms = 0;
    if (s_.phase == Phase::Held) {
        s_.origin = DialOrigin::Subscriber;
        return Decision{Act::Hold, DialOrigin::Subscriber};
    }
    return Start(DialOrigin::Subscriber);
}

Decision DialSession::Start(DialOrigin origin) {
    s_.origin = origin;
    s_.ticks = 0;
    if (!Released()) {
        // A dial that meets a line still being released is refused: it starts once the line is free.
        s_.phase = Phase::Held;
        return Decision{Act::Hold, origin};
    }
    return Launch(origin);
}

Decision DialSession::Launch(DialOrigin origin) {
    Decision launch{Act::Launch, origin, s_.remake_entry};
    s_.remake_entry = false;
    s_.origin = origin;
    s_.phase = Phase::Watching;
    s_.ticks = 0;
    s_.hung_up = false;
    Forget();  // the next connection counts from its own start
    return launch;
}

std::optional<Decision> DialSession::Gate(bool from_tick) {
    if (!Supervises()) {
        s_.phase = Phase::Idle;  // the copy that supervises dials
        return Decision{};
    }
    const std::int64_t now = line_.NowMs();
    if (Asleep(now)) {
        s_.phase = Phase::Owed;
        return Decision{};
    }
    switch (s_.hold) {
        case Hold::Stopped:
            s_.phase = Phase::Idle;
            return Decision{};
        case Hold::BackingOff:
            if (now < s_.retry_at_ms) {
                s_.phase = Phase::Idle;
                return Decision{};
            }
            break;
        case Hold::Paused:
            // A dial would only meet 813 again. The end of a connection lifts the pause only when the one
            // that held the device was seen and has gone: one that cannot be seen (another user's, say)
            // leaves the retries to the supervision's rhythm, not to every connection's end.
            if (line_.OtherConnection()) {
                s_.blocker_seen = true;
                s_.phase = Phase::Idle;
                return Decision{};
            }
            if (!s_.blocker_seen && !from_tick) {
                s_.phase = Phase::Idle;
                return Decision{};
            }
            s_.hold = Hold::None;
            s_.blocker_seen = false;
            break;
        case Hold::None:
            break;
    }
    if (line_.LinkNow() != Link::Down) {
        s_.link_told = false;
        return std::nullopt;
    }
    s_.phase = Phase::Owed;
    Decision no_link{Act::NoLink};
    // An adapter often has no link for the first seconds after a wake: that is told only once the wake has
    // settled, by the first look after it.
    if (!s_.link_told && !Waking(now)) {
        no_link.news = News::NoLink;
        s_.link_told = true;
        // A told cable is a told outage, whose end is told as any other's.
        if (!s_.told) s_.told = FailureKind::Transient;
    }
    return no_link;
}

Decision DialSession::Automatic(bool from_tick) {
    switch (s_.phase) {
        case Phase::Held:
            // Joins the held dial, which stays whoever's it is: the subscriber's keeps its rules.
            return Decision{Act::Hold, s_.origin};
        case Phase::Watching:
            return Decision{};
        case Phase::Awaiting:
            // The last dial's tool still runs: a second dial would be refused.
            if (line_.ToolAnswer(ToolJob::Dial).state == ToolRun::State::Running) return Decision{};
            break;
        default:
            break;
    }
    s_.phase = Phase::Idle;
    s_.ticks = 0;
    if (std::optional<Decision> held_back = Gate(from_tick)) return *held_back;
    return Start(DialOrigin::Automatic);
}

Decision DialSession::Up() {
    const bool outage_told = s_.told.has_value();
    s_.phase = Phase::Idle;
    s_.ticks = 0;
    s_.line_up = true;
    // A connection, however it was made, ends the outage and every hold.
    s_.hold = Hold::None;
    s_.refusals = 0;
    s_.blocker_seen = false;
    s_.told.reset();
    s_.tale.reset();
    s_.link_told = false;
    // The traffic counter as the line is seen up is the first tick's baseline: a line that carries traffic
    // from its start is not probed at the first tick.
    s_.received = BytesReceived();
    Decision up{Act::Connected};
    if (outage_told) up.news = News::Reconnected;
    return up;
}

Decision DialSession::Failure(unsigned long code) {
    const FailureKind kind = FailureKindOf(code);
    const DialOrigin origin = s_.origin;
    s_.phase = Phase::Idle;
    s_.ticks = 0;
    bool stop = false;
    switch (kind) {
        case FailureKind::Final:
            stop = true;
            break;
        case FailureKind::LineInUse:
            s_.hold = Hold::Paused;
            s_.blocker_seen = line_.OtherConnection();
            break;
        case FailureKind::Refused:
            // The subscriber may have mistyped; only an automatic dial hopes for a held session's end.
            ++s_.refusals;
            if (origin == DialOrigin::Subscriber || s_.refusals >= kRefusalsBeforeStop) {
                stop = true;
            } else {
                s_.hold = Hold::BackingOff;
                s_.retry_at_ms = line_.NowMs() + RetryDelayMs(s_.refusals);
            }
            break;
        case FailureKind::EntryMissing:
        case FailureKind::Transient:
            if (kind == FailureKind::EntryMissing) s_.remake_entry = true;
            // Another failure between refusals: the count stands, the rhythm is the supervision's again.
            if (s_.hold == Hold::BackingOff) s_.hold = Hold::None;
            break;
    }
    if (stop) s_.hold = Hold::Stopped;

    Decision failed{Act::Failed};
    failed.code = code;
    failed.stopped = stop && s_.redial;  // without the option nothing redials, so nothing has stopped
    const bool news = origin == DialOrigin::Subscriber || stop || s_.told != kind;
    if (!news) return failed;
    const std::int64_t now = line_.NowMs();
    if (origin == DialOrigin::Automatic && (Asleep(now) || Waking(now))) {
        s_.tale = Tale{code, failed.stopped, kind};
        return failed;
    }
    if (origin == DialOrigin::Automatic && !stop && line_.LinkNow() == Link::Down) {
        // The cable is the news, not the number it causes.
        if (!s_.link_told) failed.news = News::NoLink;
        s_.link_told = true;
        // A told cable is a told outage: its end is told too.
        if (!s_.told) s_.told = kind;
        return failed;
    }
    failed.news = News::Failure;
    s_.told = kind;
    return failed;
}

Decision DialSession::Finish(Decision decision) {
    if (!s_.tale || Asleep(line_.NowMs()) || Waking(line_.NowMs())) return decision;
    // A dial under way speaks for itself: its failure is told, its connection makes the tale no news.
    if (s_.phase == Phase::Held || s_.phase == Phase::Watching || s_.phase == Phase::Awaiting)
        return decision;
    // The wake has settled without a connection: what was kept back is told now, unless a newer failure
    // of the same outage speaks for itself.
    if (decision.act != Act::Failed && decision.news == News::None && !line_.Connected()) {
        decision.news = News::Failure;
        decision.code = s_.tale->code;
        decision.stopped = s_.tale->stopped;
        s_.told = s_.tale->kind;
    }
    s_.tale.reset();
    return decision;
}

Decision DialSession::OnWatchTick() {
    if (line_.Connected()) return Finish(Up());
    if (s_.phase != Phase::Watching) return Finish(Decision{Act::Failed});
    // The tool's own answer, read without waiting: a failure is known before the watch runs out. A tool
    // that ended with success but no connection leaves the verdict to the watch.
    const ToolRun dial = line_.ToolAnswer(ToolJob::Dial);
    if (dial.state == ToolRun::State::Ended && dial.exit_code != 0) return Finish(Failure(dial.exit_code));
    if (++s_.ticks < kWatchTicks) return Finish(Decision{});
    // The tool may still answer: the supervision reads it later.
    s_.phase = Phase::Awaiting;
    s_.ticks = 0;
    return Finish(Decision{Act::Failed});
}

Decision DialSession::OnSupervisionTick() {
    if (!s_.redial) return Decision{};
    switch (s_.phase) {
        case Phase::Held:
        case Phase::Watching:
            return Finish(Decision{});
        case Phase::Awaiting: {
            // A dial whose tool ended after its watch: its answer counts now.
            const ToolRun dial = line_.ToolAnswer(ToolJob::Dial);
            if (dial.state == ToolRun::State::Ended && dial.exit_code != 0)
                return Finish(Failure(dial.exit_code));
            if (dial.state == ToolRun::State::Running && s_.ticks < kBusyTicksAtMost) {
                ++s_.ticks;
                return Finish(Decision{});
            }
            s_.phase = Phase::Idle;
            s_.ticks = 0;
            break;
        }
        default:
            break;
    }
    // Asked at every tick, so that the role passes on when the copy that held it quits.
    const bool supervises = Supervises();
    if (!line_.Connected()) return Finish(supervises ? Automatic(true) : Decision{});
    // Seen up for the first time (a slow dial, or a connection made otherwise), or after a told outage.
    if (!s_.line_up || s_.told) return Finish(Up());
    if (Asleep(line_.NowMs()) || !supervises) return Finish(Decision{});
    // A line that received traffic since the last tick works: no third party's page is asked.
    const std::optional<std::uint64_t> received = BytesReceived();
    const std::optional<std::uint64_t> last = s_.received;
    s_.received = received;
    // Unsigned arithmetic would turn a counter that went back into a huge growth: compare first.
    if (received && last && *received > *last && *received - *last > kTrafficBytesPerPeriod)
        return Finish(Decision{});
    return Finish(Decision{Act::Probe});
}

Decision DialSession::OnProbeAnswered(ProbeAnswer answer) {
    if (answer.pages == Pages::Answered) {
        // The probe's own download is no traffic of the subscriber's: the next tick counts from here.
        s_.received = BytesReceived();
        s_.pages_told.reset();
        s_.pages_redials = 0;
        s_.pages_retry_at_ms = 0;
        return Finish(Decision{});
    }
    // A dial started while the probe waited decides for itself.
    if (s_.phase == Phase::Watching || Asleep(line_.NowMs())) return Finish(Decision{});
    const std::int64_t now = line_.NowMs();
    Decision decision;
    decision.pages = answer.pages;
    decision.proxy_dead = answer.proxy_dead;
    // A failure whose redial already came and went is told: the redial did not mend it.
    bool tell = answer.pages != Pages::Unreachable || s_.pages_redials > 0;
    switch (answer.pages) {
        case Pages::Answered:
            break;
        case Pages::ProxyFails:
            // The line reaches the internet; a redial would only cut the subscriber's other traffic.
            s_.received = BytesReceived();
            break;
        case Pages::NamesFail:
            // A new session may bring other name servers, but no more often than the longest wait.
            if (now >= s_.pages_retry_at_ms) {
                s_.pages_retry_at_ms = now + kLongestPagesRetryMs;
                decision = HangUpForPages(decision);
            }
            break;
        case Pages::Unreachable:
            if (s_.pages_redials == 0 || now >= s_.pages_retry_at_ms) {
                ++s_.pages_redials;
                s_.pages_retry_at_ms = now + PagesRetryDelayMs(s_.pages_redials);
                decision = HangUpForPages(decision);
            }
            break;
    }
    if (tell && s_.pages_told != answer.pages) {
        s_.pages_told = answer.pages;
        decision.news = News::PagesFail;
    }
    return Finish(decision);
}

Decision DialSession::HangUpForPages(Decision decision) {
    s_.hung_up = true;
    Forget();
    if (s_.phase != Phase::Held) {
        s_.origin = DialOrigin::Automatic;
        s_.phase = Phase::Held;
        s_.ticks = 0;
    }
    decision.act = Act::HangUpAndRedial;
    decision.origin = s_.origin;
    return decision;
}

Decision DialSession::OnHangUpWaitTick() {
    if (s_.phase != Phase::Held) return Finish(Decision{});
    // A line that is never reported released must not stop the dial for good.
    if (!Released() && ++s_.ticks < kHangUpWaitTicks) return Decision{Act::Hold, s_.origin};
    s_.phase = Phase::Idle;
    s_.ticks = 0;
    if (s_.origin == DialOrigin::Automatic) {
        if (std::optional<Decision> held_back = Gate(false)) return Finish(*held_back);
    }
    return Finish(Launch(s_.origin));
}

void DialSession::LaunchRefused() {
    s_.phase = Phase::Idle;
    s_.ticks = 0;
}

void DialSession::HangUpStarted() {
    s_.hung_up = true;
    Forget();
}

Decision DialSession::OnConnectionEnded() {
    // The signal comes for any connection's end: the entry's own is told by its absence.
    if (line_.Connected()) return Finish(Decision{});
    const bool idle = s_.phase == Phase::Idle || s_.phase == Phase::Owed;
    if (idle && s_.hold == Hold::Paused) {
        // Perhaps the end of the connection that held the device.
        return Finish(s_.redial ? Automatic(false) : Decision{});
    }
    // The end of this program's own dial or hang-up is no drop.
    if (!s_.line_up || s_.phase != Phase::Idle) return Finish(Decision{});
    Forget();
    // Another user's subscriber hung up: undone at the supervision's next tick at the earliest, as the
    // subscriber's own hang-up here would be, not at once.
    if (!s_.redial || line_.HungUpElsewhere()) return Finish(Decision{Act::Down});
    return Finish(Automatic(false));
}

Decision DialSession::OnConnectionMade() {
    if (!line_.Connected()) return Finish(Decision{});
    if (s_.line_up && s_.phase == Phase::Idle && !s_.told) return Finish(Decision{});
    return Finish(Up());
}

Decision DialSession::OnSuspended() {
    s_.suspended_at_ms = line_.NowMs();
    return Decision{};
}

Decision DialSession::OnResumed() {
    s_.suspended_at_ms.reset();
    s_.resumed_at_ms = line_.NowMs();
    s_.received.reset();
    // The session the provider held after a drop has long gone: the refusals' spacing is over.
    if (s_.hold == Hold::BackingOff) s_.hold = Hold::None;
    const bool owed = s_.phase == Phase::Owed;
    // A connection that ended asleep without a word: the line is shown down at once, whatever follows.
    const bool dropped = s_.line_up && s_.phase == Phase::Idle && !line_.Connected();
    if (!s_.redial && !owed) {
        if (!dropped) return Finish(Decision{});
        Forget();
        return Finish(Decision{Act::Down});
    }
    if (s_.phase == Phase::Held || s_.phase == Phase::Watching) return Finish(Decision{});
    if (!line_.Connected()) {
        // A connection that ended asleep is a drop like any.
        Forget();
        return Finish(Automatic(false));
    }
    if (!s_.line_up) return Finish(Up());
    // A session that ended asleep without a word still reads as connected: the probe finds out.
    if (!s_.redial || !Supervises()) return Finish(Decision{});
    return Finish(Decision{Act::Probe});
}

Decision DialSession::OnLinkChanged() {
    if (line_.LinkNow() != Link::Down) s_.link_told = false;  // that outage of the cable is over
    const bool owed = s_.phase == Phase::Owed;
    if (!owed && (!s_.redial || s_.phase != Phase::Idle)) return Finish(Decision{});
    if (line_.Connected()) return Finish(Decision{});
    // Down: told once, and the dial waits; back (or unreadable): the dial goes at once.
    return Finish(Automatic(false));
}

}  // namespace vt
