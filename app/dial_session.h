#pragma once
// The life of a dial and the supervision's redial policy, apart from the platform and from every text.
// MainFrm tells it what happened (a dial asked for, a tick, the tool's answer, a connection seen) and does
// what it answers: the texts, balloons, timers and services stay in MainFrm. Times are milliseconds of a
// monotonic clock.
//
// The policy, for a line left alone over a night:
// - A dial is the subscriber's (the connect button, Enter, the tray menu, a start the subscriber made) or
//   automatic (the hidden start at logon, a supervision redial, the redial after a drop).
// - The provider's 691 may mean a wrong password, or a session of the last drop still held for a few
//   minutes: an automatic dial refused so is tried again at growing intervals, and redialling stops after
//   kRefusalsBeforeStop refusals with no connection between them. Numbers that no retry mends stop at
//   once, as does any refusal of the subscriber's own dial (the subscriber is there to correct it).
// - 813 (another broadband connection holds the device) pauses automatic dials until that connection
//   ends, a connection is seen, or the subscriber dials.
// - Any other failure keeps the supervision's rhythm.
// - An outage is told once: the first failure, a change of number and the stop, then its end.
#include <cstdint>
#include <optional>

namespace vt {

enum class DialOrigin { Subscriber, Automatic };

// What a Remote Access error number means for redialling.
enum class FailureKind {
    Transient,  // anything else: the next supervision tick dials again
    Refused,    // 691
    Final,      // 646, 647, 648, 649, 708: the account cannot log on now; retrying cannot help
    LineInUse,  // 813
};
FailureKind ClassifyFailure(unsigned long code);

class DialSession {
public:
    // The dial watch gives up after this many ticks without a connection.
    static constexpr int kWatchTicks = 3;
    // Supervision ticks skipped while the last dial's tool still runs (a second dial would be refused);
    // bounded, so that a tool that never ends cannot stop the supervision.
    static constexpr int kBusyTicksAtMost = 2;
    // A dial after a hang-up waits for the line's release, asked this many times (every 500 ms) at most.
    static constexpr int kHangUpWaitTicks = 20;
    // Automatic dials refused with 691: the wait before the next grows from the first to the longest,
    // doubling; this many refusals in a row stop redialling.
    static constexpr int kRefusalsBeforeStop = 5;
    static constexpr std::int64_t kFirstRetryDelayMs = 60'000;
    static constexpr std::int64_t kLongestRetryDelayMs = 600'000;
    // A connection that received more than this since the last supervision tick carries traffic and
    // needs no probe. The provider's keep-alive echoes over a period are far less.
    static constexpr unsigned long kTrafficBytesPerPeriod = 512;

    enum class Phase { Idle, HeldForHangUp, Watching };
    enum class Hold { None, BackingOff, Paused, Stopped };
    enum class Start { Now, Held, AlreadyHeld };

    struct Verdict {
        bool tell = false;     // a balloon: the subscriber's dial, or news of the outage
        bool stopped = false;  // redialling has stopped until the subscriber dials or a connection is seen
    };

    // A dial is asked for. `line_released`: no hang-up of this program is still releasing the line. Now:
    // start the tool (then DialLaunched); Held: wait for the release (HangUpWaitTick); AlreadyHeld: a dial
    // already waits, and this request only joins it. The subscriber's request lifts every hold.
    Start RequestDial(DialOrigin origin, bool line_released);
    // A wait tick of the held dial: true when it starts now (the line released, or waited long enough).
    bool HangUpWaitTick(bool line_released);
    // The held dial will not start after all.
    void AbandonHeldDial();
    // The tool was started: the watch counts down from kWatchTicks and its answer is awaited.
    void DialLaunched();
    // A watch tick found no connection and no answer from the tool: counts down; true while the watch
    // goes on, false when it has run out (the dial failed without a number).
    bool WatchTick();
    // The tool ended with the Remote Access error `code` at `now_ms` (the watch, if on, ends).
    Verdict DialFailed(unsigned long code, std::int64_t now_ms);
    // The entry is connected. Refusals, holds and the outage end: true once after an outage that was told.
    bool Connected();
    // The program itself hangs the line up: the connection's end that follows is no drop.
    void HangUpStarted();
    bool HangUpSinceDial() const { return hung_up_since_dial_; }
    // The entry's connection ended while nothing of this program was dialling or hanging up: true when it
    // was up, so this is a drop to redial at once (under the same holds as a supervision redial).
    bool DropNoticed();

    // The supervision tick's reading of a dial whose tool outlived its watch.
    bool AwaitingToolAnswer() const { return answer_awaited_; }
    // The tool still runs: true when this tick waits for it.
    bool WaitForRunningTool();
    // The tool ended without a failure (or cannot be asked, or was waited for long enough).
    void ToolAnswerRead();

    // Whether an automatic dial may start at `now_ms`.
    bool AutomaticDialDue(std::int64_t now_ms) const;
    // The connection that held the device (813) has gone.
    void OtherConnectionEnded();
    // The last dial found no entry: true once, and the entry should be made before the next dial.
    bool TakeEntryRecreation();

    // The connection's received-bytes counter at a supervision tick (nothing when unknown): true when it
    // grew enough since the last tick to show the line works. A counter that went back (a new connection
    // or a wrap) or a first reading shows nothing; the line is then probed.
    bool CarriedTraffic(std::optional<unsigned long> received);
    // The counter as the connection is first seen up: the first tick compares with it, so that a line
    // carrying traffic from the start is not probed then either.
    void TrafficFrom(std::optional<unsigned long> received) { last_received_ = received; }

    Phase phase() const { return phase_; }
    Hold hold() const { return hold_; }
    bool Stopped() const { return hold_ == Hold::Stopped; }
    int Countdown() const { return countdown_; }
    int Refusals() const { return refusals_; }
    // The wait after the `refusals`-th refusal in a row.
    static std::int64_t RetryDelayMs(int refusals);

private:
    Phase phase_ = Phase::Idle;
    DialOrigin origin_ = DialOrigin::Subscriber;
    int countdown_ = kWatchTicks;
    int hang_up_wait_ticks_ = 0;
    bool answer_awaited_ = false;
    int busy_ticks_ = 0;
    bool recreate_entry_ = false;
    bool hung_up_since_dial_ = false;
    bool line_up_ = false;

    Hold hold_ = Hold::None;
    int refusals_ = 0;
    std::int64_t retry_at_ms_ = 0;

    bool outage_told_ = false;
    unsigned long told_code_ = 0;

    std::optional<unsigned long> last_received_;
};

}  // namespace vt
