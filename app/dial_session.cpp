#include "app/dial_session.h"

#include <algorithm>

namespace vt {

FailureKind ClassifyFailure(unsigned long code) {
    switch (code) {
        case 691:
            return FailureKind::Refused;
        case 646:  // not at this time of day
        case 647:  // account disabled
        case 648:  // password expired
        case 649:  // no dial-in permission
        case 708:  // account expired
            return FailureKind::Final;
        case 813:
            return FailureKind::LineInUse;
        default:
            return FailureKind::Transient;
    }
}

std::int64_t DialSession::RetryDelayMs(int refusals) {
    std::int64_t delay = kFirstRetryDelayMs;
    for (int i = 1; i < refusals && delay < kLongestRetryDelayMs; ++i) delay *= 2;
    return std::min(delay, kLongestRetryDelayMs);
}

DialSession::Start DialSession::RequestDial(DialOrigin origin, bool line_released) {
    origin_ = origin;
    line_up_ = false;
    if (origin == DialOrigin::Subscriber) {
        // The subscriber is there and may have corrected the account: every hold is lifted.
        hold_ = Hold::None;
        refusals_ = 0;
    }
    if (phase_ == Phase::HeldForHangUp) return Start::AlreadyHeld;
    if (line_released) return Start::Now;
    phase_ = Phase::HeldForHangUp;
    hang_up_wait_ticks_ = 0;
    return Start::Held;
}

bool DialSession::HangUpWaitTick(bool line_released) {
    if (phase_ != Phase::HeldForHangUp) return false;
    ++hang_up_wait_ticks_;
    // A line that is never reported released must not stop the dial for good.
    return line_released || hang_up_wait_ticks_ >= kHangUpWaitTicks;
}

void DialSession::AbandonHeldDial() {
    if (phase_ == Phase::HeldForHangUp) phase_ = Phase::Idle;
}

void DialSession::DialLaunched() {
    phase_ = Phase::Watching;
    countdown_ = kWatchTicks;
    answer_awaited_ = true;
    busy_ticks_ = 0;
    hung_up_since_dial_ = false;
    line_up_ = false;
    last_received_.reset();  // the next connection counts from its own start
}

bool DialSession::WatchTick() {
    --countdown_;
    if (countdown_ >= 1) return true;
    phase_ = Phase::Idle;
    return false;
}

DialSession::Verdict DialSession::DialFailed(unsigned long code, std::int64_t now_ms) {
    if (phase_ == Phase::Watching) {
        countdown_ = 0;
        phase_ = Phase::Idle;
    }
    answer_awaited_ = false;
    busy_ticks_ = 0;
    if (code == 623) recreate_entry_ = true;

    const FailureKind kind = ClassifyFailure(code);
    bool stop = false;
    if (kind == FailureKind::Final) {
        stop = true;
    } else if (kind == FailureKind::LineInUse) {
        hold_ = Hold::Paused;
    } else if (kind == FailureKind::Refused) {
        // The subscriber may have mistyped; only an automatic dial hopes for a held session's end.
        ++refusals_;
        if (origin_ == DialOrigin::Subscriber || refusals_ >= kRefusalsBeforeStop) {
            stop = true;
        } else {
            hold_ = Hold::BackingOff;
            retry_at_ms_ = now_ms + RetryDelayMs(refusals_);
        }
    } else if (hold_ == Hold::BackingOff) {
        // Another failure between refusals: the count stands, the rhythm is the supervision's again.
        hold_ = Hold::None;
    }
    if (stop) hold_ = Hold::Stopped;

    Verdict verdict;
    verdict.stopped = stop;
    verdict.tell = origin_ == DialOrigin::Subscriber || stop || !outage_told_ || code != told_code_;
    if (verdict.tell) {
        outage_told_ = true;
        told_code_ = code;
    }
    return verdict;
}

bool DialSession::Connected() {
    if (phase_ == Phase::Watching) phase_ = Phase::Idle;
    // A connection is what the dial waited for: whatever the tool answers later does not count.
    answer_awaited_ = false;
    line_up_ = true;
    hold_ = Hold::None;
    refusals_ = 0;
    const bool was_told = outage_told_;
    outage_told_ = false;
    told_code_ = 0;
    return was_told;
}

void DialSession::HangUpStarted() {
    hung_up_since_dial_ = true;
    line_up_ = false;
    last_received_.reset();
}

bool DialSession::DropNoticed() {
    if (!line_up_ || phase_ != Phase::Idle) return false;
    line_up_ = false;
    last_received_.reset();
    return true;
}

bool DialSession::WaitForRunningTool() {
    if (busy_ticks_ >= kBusyTicksAtMost) return false;
    ++busy_ticks_;
    return true;
}

void DialSession::ToolAnswerRead() {
    answer_awaited_ = false;
    busy_ticks_ = 0;
}

bool DialSession::AutomaticDialDue(std::int64_t now_ms) const {
    switch (hold_) {
        case Hold::None:
            return true;
        case Hold::BackingOff:
            return now_ms >= retry_at_ms_;
        default:
            return false;
    }
}

void DialSession::OtherConnectionEnded() {
    if (hold_ == Hold::Paused) hold_ = Hold::None;
}

bool DialSession::TakeEntryRecreation() {
    const bool recreate = recreate_entry_;
    recreate_entry_ = false;
    return recreate;
}

bool DialSession::CarriedTraffic(std::optional<unsigned long> received) {
    const std::optional<unsigned long> last = last_received_;
    last_received_ = received;
    // Unsigned arithmetic would turn a counter that went back into a huge growth: compare first.
    return received && last && *received > *last && *received - *last > kTrafficBytesPerPeriod;
}

}  // namespace vt
