#pragma once
// The life of a dial and the supervision's policy, apart from the platform and from every text. MainFrm
// tells it what happened (an event) and carries out the one Decision it answers; the session asks the line
// what it needs through DialLine. Texts, balloons, timers and services stay in MainFrm. Times are
// milliseconds of a monotonic clock that does not count the time the machine sleeps.
//
// The policy, for a line left alone over nights, sleeps and pulled cables:
// - A dial is the subscriber's (the connect button, Enter, the tray menu, a start the subscriber made) or
//   automatic (the hidden start at logon, a supervision redial, the redial after a drop, after a wake, on
//   the cable's return). Nothing ever holds the subscriber's dial back.
// - An automatic dial starts only in the copy that holds the supervision, not while the machine goes to
//   sleep, not while every cable is out (told once an outage; it starts when the cable is back), and not
//   against the holds below.
// - The provider's 691 may mean a wrong password, or a session of the last drop still held for a few
//   minutes: an automatic dial refused so is tried again at growing intervals, and redialling stops after
//   kRefusalsBeforeStop refusals with no connection between them. Numbers that no retry mends stop at
//   once, as does any refusal of the subscriber's own dial (the subscriber is there to correct it).
// - 813 (another broadband connection holds the device) pauses automatic dials until that connection is
//   seen to end, a connection is seen, or the subscriber dials.
// - An outage is told once: its first failure, a change of what it means, the stop, and its end. Failures
//   while the machine sleeps or in the first moments after a wake are held back, and told only when no dial
//   connects by the time the wake has settled; an adapter without link in those moments is told only if it
//   still has none then.
// - A line that carries no traffic is probed; the pages failing is not yet the line failing. A proxy left
//   behind by a program that ended, or the provider's names, fail the pages of a working line: the probe
//   tells them apart, and only a line that reaches nothing is hung up and redialled. A redial that did
//   not bring the pages back is not repeated at every tick but spaced out, so that a night without the
//   internet is a handful of redials, not one per tick.
#include <cstdint>
#include <optional>

#include "app/dial_failure.h"
#include "services/connection.h"
#include "services/link_state.h"
#include "services/probe.h"

namespace vt {

enum class DialOrigin { Subscriber, Automatic };

// What the supervision's probe found. The pages are asked through the system's own settings (its proxy
// included); only when they fail, a page directly and then a fixed address.
enum class Pages {
    Answered,
    ProxyFails,   // the pages fail through the proxy in force, a page answers directly
    NamesFail,    // nothing answers by name, a fixed address does
    Unreachable,  // nothing answers
};
struct ProbeAnswer {
    Pages pages = Pages::Answered;
    bool proxy_dead = false;  // the proxy in force is on this machine and refuses
    bool operator==(const ProbeAnswer&) const = default;
};
// What failed pages mean, from what lies beyond them.
ProbeAnswer JudgeFailedPages(const PathFindings& paths);

// What the session asks of the line, at the moment of the event.
class DialLine {
public:
    virtual ~DialLine() = default;
    virtual bool Connected() = 0;        // the entry's connection is up
    virtual bool Listed() = 0;           // the system still lists a connection of the entry, in any state
    virtual bool OtherConnection() = 0;  // another entry's connection holds the broadband device
    // The connection's figures (whole counts, not 32-bit ones that wrap); nothing when unknown.
    virtual std::optional<LineCounters> Counters() = 0;
    virtual ToolRun ToolAnswer(ToolJob job) = 0;  // how the tool's last run stands
    virtual std::int64_t NowMs() = 0;
    virtual Link LinkNow() = 0;
    // This copy supervises the line (asked again each time, so that the role passes on when its holder
    // quits).
    virtual bool HoldsSupervision() = 0;
    // Another copy holds the supervision. Asked instead of HoldsSupervision by a copy without the redial
    // option, which must leave the lock as it found it.
    virtual bool SupervisedElsewhere() = 0;
    // A subscriber hung the line up by hand in another copy (another user's) and has not dialled since.
    virtual bool HungUpElsewhere() = 0;
};

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
    // After a suspend, automatic dials wait for the resume, or this long of the program running in case
    // no resume is told.
    static constexpr std::int64_t kSuspendHoldMs = 120'000;
    // Failures of automatic dials this soon after a resume are told only when no dial connects by then:
    // the adapter or the modem often needs a few seconds after a wake.
    static constexpr std::int64_t kWakeSettleMs = 30'000;
    // Redials for pages that reach nothing: the first at once, each later one only after a wait that
    // doubles from the first to the longest. Redials for failing names: at most one per the longest wait.
    static constexpr std::int64_t kFirstPagesRetryMs = 120'000;
    static constexpr std::int64_t kLongestPagesRetryMs = 1'800'000;

    // Idle: nothing of this program is dialling. Owed: an automatic dial waits for the wake or the cable.
    // Held: a dial waits for this program's hang-up to release the line. Watching: the tool was started
    // and the watch counts. Awaiting: the watch ran out while the tool's answer is still to come.
    enum class Phase { Idle, Owed, Held, Watching, Awaiting };
    enum class Hold { None, BackingOff, Paused, Stopped };

    // A failure kept back while the machine sleeps or wakes.
    struct Tale {
        unsigned long code = 0;
        bool stopped = false;
        FailureKind kind = FailureKind::Transient;
        bool operator==(const Tale&) const = default;
    };

    struct State {
        Phase phase = Phase::Idle;
        DialOrigin origin = DialOrigin::Subscriber;  // whose dial is held, watched or awaited
        int ticks = 0;                               // ticks spent in Held, Watching or Awaiting
        Hold hold = Hold::None;
        int refusals = 0;
        std::int64_t retry_at_ms = 0;     // BackingOff
        bool blocker_seen = false;        // Paused: the connection that holds the device was seen
        bool line_up = false;             // the entry was seen up, and neither dropped nor hung up since
        bool hung_up = false;             // this program hung up since its last dial
        bool remake_entry = false;        // the last dial found no entry
        std::optional<FailureKind> told;  // what of the current outage was told
        bool link_told = false;           // the missing cable was told in this outage
        std::optional<std::uint64_t> received;  // the traffic counter at the last look
        std::optional<std::int64_t> suspended_at_ms;
        std::optional<std::int64_t> resumed_at_ms;
        std::optional<Tale> tale;
        bool redial = false;  // the redial option
        // The pages' outage: what of it was told, and this program's redials for it (they survive the
        // redial's new connection; the pages answering or the subscriber's dial ends them).
        std::optional<Pages> pages_told;
        int pages_redials = 0;
        std::int64_t pages_retry_at_ms = 0;
        bool operator==(const State&) const = default;
    };

    enum class Act {
        Nothing,
        AlreadyConnected,  // a dial was asked for, and the line is up
        Launch,            // start the dial tool (the entry made first with remake_entry), then watch it
        Hold,              // the dial waits for the line's release (HangUpWaitTick)
        Probe,             // ask the probe pages (then ProbeAnswered)
        HangUpAndRedial,   // hang the line up (the pages failed); the redial waits for the release
        Down,              // the line went down and nothing dials
        Connected,         // the line is up: a dial under way is over
        Failed,            // the dial failed with `code`; 0: the watch ran out without a number
        NoLink,            // no cable or modem: an automatic dial waits for it
    };
    // What a balloon tells. PagesFail: the probe's finding (`pages`, `proxy_dead`) on a line that is up.
    enum class News { None, Failure, Reconnected, NoLink, PagesFail };
    // What became of automatic redialling at this event; told only while the option is on.
    enum class Redialling { Unchanged, BackingOff, Paused, Stopped, Resumed };

    struct Decision {
        Act act = Act::Nothing;
        DialOrigin origin = DialOrigin::Automatic;  // Launch, Hold
        bool remake_entry = false;                  // Launch
        unsigned long code = 0;                     // Failed, and News::Failure
        bool stopped = false;  // Failed and News::Failure: redialling has stopped until the subscriber dials
        News news = News::None;         // what a balloon tells
        Pages pages = Pages::Answered;  // HangUpAndRedial, News::PagesFail: what the probe found
        bool proxy_dead = false;        // HangUpAndRedial, News::PagesFail: the proxy in force is dead
        // What happened, for the tray and the log. `dropped`: the line the session had up is gone, other
        // than by the subscriber's hang-up; `figures` are then the last ones read, else those read now.
        bool dropped = false;
        std::optional<LineCounters> figures = std::nullopt;
        Redialling redialling = Redialling::Unchanged;
        std::int64_t redial_in_ms = 0;      // Redialling::BackingOff: the wait before the next dial
        bool supervised_elsewhere = false;  // asked now: another copy supervises the line
        bool release_supervision = false;   // the option is off: the lock goes to whoever wants it
        bool operator==(const Decision&) const = default;
    };

    explicit DialSession(DialLine& line) : line_(line) {}
    // Resumes from `state` (for tests: a row starts anywhere).
    DialSession(DialLine& line, const State& state) : line_(line), s_(state) {}

    // A dial is asked for: the subscriber's lifts every hold and never waits; an automatic one (the hidden
    // start) passes the supervision's conditions.
    Decision Request(DialOrigin origin);
    Decision WatchTick();        // the dial watch, while one runs
    Decision SupervisionTick();  // the redial supervision, while the option is on
    Decision HangUpWaitTick();   // Hold, while still waiting; anything else ends the wait
    Decision ProbeAnswered(ProbeAnswer answer);
    // Launch could not be carried out (the account box holds what the tool would misread).
    void LaunchRefused();
    // The program itself hangs the line up (the subscriber's disconnect): its end is no drop.
    void HangUpStarted();
    // The system's signals: a Remote Access connection (any) ended or was made; power; the cable.
    Decision ConnectionEnded();
    Decision ConnectionMade();
    Decision Suspended();
    Decision Resumed();
    Decision LinkChanged();
    Decision SetRedial(bool on);

    const State& state() const { return s_; }
    // The wait after the `refusals`-th refusal in a row.
    static std::int64_t RetryDelayMs(int refusals);
    // The wait after the `redials`-th redial for pages that reach nothing.
    static std::int64_t PagesRetryDelayMs(int redials);

private:
    Decision Failure(unsigned long code);
    // Why an automatic dial cannot start now, if it cannot (the phase then Idle or Owed).
    std::optional<Decision> Gate(bool from_tick);
    Decision Automatic(bool from_tick);
    Decision Start(DialOrigin origin);  // Launch, or Hold while the line is being released
    Decision Launch(DialOrigin origin);
    Decision Up();
    Decision Finish(Decision decision);
    Decision HangUpForPages(Decision decision);
    // Runs an event and says what it did to the line and to the redialling.
    template <typename Event>
    Decision Report(Event&& event);
    // The events themselves.
    Decision OnRequest(DialOrigin origin);
    Decision OnWatchTick();
    Decision OnSupervisionTick();
    Decision OnHangUpWaitTick();
    Decision OnProbeAnswered(ProbeAnswer answer);
    Decision OnConnectionEnded();
    Decision OnConnectionMade();
    Decision OnSuspended();
    Decision OnResumed();
    Decision OnLinkChanged();
    std::optional<std::uint64_t> BytesReceived();  // reads the figures, keeping them for the decision
    bool Released();
    bool Supervises();  // this copy may dial on its own: the lock with the option, or nobody else without
    bool Asleep(std::int64_t now) const;
    bool Waking(std::int64_t now) const;
    void Forget();  // the line is down: its traffic counter is no baseline

    DialLine& line_;
    State s_;
    std::optional<LineCounters> read_;  // read at the current event
    std::optional<LineCounters> last_;  // the last read of the line now up
    bool elsewhere_ = false;            // the current event found another copy supervising
};

}  // namespace vt
