// The supervision's policy as a table: from a state, an event and what the line says, one decision and the
// next state. A rule is a row.
#include "app/dial_session.h"

#include <gtest/gtest.h>

namespace vt {

namespace {

using State = DialSession::State;
using Decision = DialSession::Decision;
using Phase = DialSession::Phase;
using Hold = DialSession::Hold;
using Act = DialSession::Act;
using News = DialSession::News;
using Kind = FailureKind;
constexpr DialOrigin kSub = DialOrigin::Subscriber;
constexpr DialOrigin kAuto = DialOrigin::Automatic;
constexpr std::int64_t kNow = 1'000'000;
constexpr ToolRun kRunning{ToolRun::State::Running, 0};
constexpr ToolRun Ended(unsigned long code) { return {ToolRun::State::Ended, code}; }

struct Facts {
    bool connected = false;
    bool listed = false;
    bool other = false;  // another connection holds the device
    std::optional<unsigned long> received;
    ToolRun dial, hang_up;
    std::int64_t now = kNow;
    Link link = Link::Unknown;
    bool supervises = true;
};

class FakeLine final : public DialLine {
public:
    explicit FakeLine(const Facts& facts) : f_(facts) {}
    bool Connected() override { return f_.connected; }
    bool Listed() override { return f_.listed; }
    bool OtherConnection() override { return f_.other; }
    std::optional<unsigned long> BytesReceived() override { return f_.received; }
    ToolRun ToolAnswer(ToolJob job) override { return job == ToolJob::Dial ? f_.dial : f_.hang_up; }
    std::int64_t NowMs() override { return f_.now; }
    Link LinkNow() override { return f_.link; }
    bool HoldsSupervision() override { return f_.supervises; }

private:
    const Facts& f_;
};

enum class Ev {
    Subscriber,
    Automatic,
    Watch,
    Supervise,
    HangUpWait,
    Online,
    Offline,
    Ended,
    Made,
    Sleep,
    Wake,
    Link
};

struct Row {
    const char* rule;
    State before;
    Ev event;
    Facts facts;
    Decision decision;
    State after;
};

using Send = Decision (*)(DialSession&);
constexpr Send kSend[] = {
    [](DialSession& s) { return s.Request(kSub); },
    [](DialSession& s) { return s.Request(kAuto); },
    [](DialSession& s) { return s.WatchTick(); },
    [](DialSession& s) { return s.SupervisionTick(); },
    [](DialSession& s) { return s.HangUpWaitTick(); },
    [](DialSession& s) { return s.ProbeAnswered(true); },
    [](DialSession& s) { return s.ProbeAnswered(false); },
    [](DialSession& s) { return s.ConnectionEnded(); },
    [](DialSession& s) { return s.ConnectionMade(); },
    [](DialSession& s) { return s.Suspended(); },
    [](DialSession& s) { return s.Resumed(); },
    [](DialSession& s) { return s.LinkChanged(); },
};

// clang-format off
const Row kRows[] = {
    // Where a dial comes from, and what holds it.
    {"the subscriber's dial starts at once", {}, Ev::Subscriber, {}, {Act::Launch, kSub},
     {.phase = Phase::Watching}},
    {"the subscriber's dial lifts a stop", {.hold = Hold::Stopped, .refusals = 5}, Ev::Subscriber, {},
     {Act::Launch, kSub}, {.phase = Phase::Watching}},
    {"nothing holds the subscriber's dial", {.suspended_at_ms = kNow}, Ev::Subscriber,
     {.link = Link::Down, .supervises = false}, {Act::Launch, kSub},
     {.phase = Phase::Watching, .suspended_at_ms = kNow}},
    {"a dial after this program's hang-up waits while the line is listed", {.hung_up = true}, Ev::Subscriber,
     {.listed = true}, {Act::Hold, kSub}, {.phase = Phase::Held, .hung_up = true}},
    {"a dial asked for on a line that is up", {}, Ev::Subscriber, {.connected = true},
     {Act::AlreadyConnected}, {.line_up = true}},
    {"an automatic request joins the subscriber's held dial and leaves it theirs",
     {.phase = Phase::Held, .origin = kSub}, Ev::Automatic, {}, {Act::Hold, kSub},
     {.phase = Phase::Held, .origin = kSub}},
    {"the subscriber takes over a held automatic dial", {.phase = Phase::Held, .origin = kAuto},
     Ev::Subscriber, {}, {Act::Hold, kSub}, {.phase = Phase::Held, .origin = kSub}},
    {"the hidden start with the cable out waits for it, told once", {}, Ev::Automatic, {.link = Link::Down},
     {.act = Act::NoLink, .news = News::NoLink}, {.phase = Phase::Owed, .origin = kSub, .told = Kind::Transient, .link_told = true}},
    {"an unreadable link holds nothing", {}, Ev::Automatic, {.link = Link::Unknown}, {Act::Launch, kAuto},
     {.phase = Phase::Watching, .origin = kAuto}},
    {"another copy supervises", {}, Ev::Automatic, {.supervises = false}, {}, {}},
    {"no automatic dial goes into a suspend", {.suspended_at_ms = kNow - 1000}, Ev::Automatic, {}, {},
     {.phase = Phase::Owed, .suspended_at_ms = kNow - 1000}},
    {"two minutes of running after a suspend with no resume told", {.suspended_at_ms = kNow - 120'000},
     Ev::Automatic, {}, {Act::Launch, kAuto},
     {.phase = Phase::Watching, .origin = kAuto, .suspended_at_ms = kNow - 120'000}},

    // The dial watch and the tool's answer.
    {"the watch finds the line up", {.phase = Phase::Watching}, Ev::Watch, {.connected = true},
     {Act::Connected}, {.line_up = true}},
    {"the line back after a told outage", {.phase = Phase::Watching, .told = Kind::Transient}, Ev::Watch,
     {.connected = true}, {.act = Act::Connected, .news = News::Reconnected}, {.line_up = true}},
    {"the first failure of an outage is told", {.phase = Phase::Watching, .origin = kAuto}, Ev::Watch,
     {.dial = Ended(678)}, {.act = Act::Failed, .code = 678, .news = News::Failure},
     {.origin = kAuto, .told = Kind::Transient}},
    {"another number of the same meaning is not",
     {.phase = Phase::Watching, .origin = kAuto, .told = Kind::Transient}, Ev::Watch, {.dial = Ended(651)},
     {.act = Act::Failed, .code = 651}, {.origin = kAuto, .told = Kind::Transient}},
    {"813 pauses, noting whether the connection that holds the device is seen",
     {.phase = Phase::Watching, .origin = kAuto, .told = Kind::Transient}, Ev::Watch,
     {.other = true, .dial = Ended(813)}, {.act = Act::Failed, .code = 813, .news = News::Failure},
     {.origin = kAuto, .hold = Hold::Paused, .blocker_seen = true, .told = Kind::LineInUse}},
    {"an automatic 691 is retried a minute later",
     {.phase = Phase::Watching, .origin = kAuto, .redial = true}, Ev::Watch, {.dial = Ended(691)},
     {.act = Act::Failed, .code = 691, .news = News::Failure},
     {.origin = kAuto, .hold = Hold::BackingOff, .refusals = 1, .retry_at_ms = kNow + 60'000,
      .told = Kind::Refused, .redial = true}},
    {"the fifth refusal in a row stops",
     {.phase = Phase::Watching, .origin = kAuto, .refusals = 4, .told = Kind::Refused, .redial = true},
     Ev::Watch, {.dial = Ended(691)},
     {.act = Act::Failed, .code = 691, .stopped = true, .news = News::Failure},
     {.origin = kAuto, .hold = Hold::Stopped, .refusals = 5, .told = Kind::Refused, .redial = true}},
    {"an account that cannot log on stops at once", {.phase = Phase::Watching, .origin = kAuto}, Ev::Watch,
     {.dial = Ended(647)}, {.act = Act::Failed, .code = 647, .news = News::Failure},
     {.origin = kAuto, .hold = Hold::Stopped, .told = Kind::Final}},
    {"the subscriber's failures are all told",
     {.phase = Phase::Watching, .origin = kSub, .told = Kind::Transient}, Ev::Watch, {.dial = Ended(678)},
     {.act = Act::Failed, .code = 678, .news = News::Failure}, {.told = Kind::Transient}},
    {"the subscriber's refusal stops at once, stopped said only with the option",
     {.phase = Phase::Watching, .origin = kSub}, Ev::Watch, {.dial = Ended(691)},
     {.act = Act::Failed, .code = 691, .news = News::Failure},
     {.hold = Hold::Stopped, .refusals = 1, .told = Kind::Refused}},
    {"a failure just after a wake is kept back",
     {.phase = Phase::Watching, .origin = kAuto, .resumed_at_ms = kNow - 10'000}, Ev::Watch,
     {.dial = Ended(651)}, {.act = Act::Failed, .code = 651},
     {.origin = kAuto, .resumed_at_ms = kNow - 10'000,
      .tale = DialSession::Tale{651, false, Kind::Transient}}},
    {"with the cable out the cable is the news", {.phase = Phase::Watching, .origin = kAuto}, Ev::Watch,
     {.dial = Ended(651), .link = Link::Down}, {.act = Act::Failed, .code = 651, .news = News::NoLink},
     {.origin = kAuto, .told = Kind::Transient, .link_told = true}},
    // The supervision tick.
    {"an idle line is probed", {.line_up = true, .redial = true}, Ev::Supervise,
     {.connected = true, .received = 900}, {Act::Probe}, {.line_up = true, .received = 900, .redial = true}},
    {"a copy that does not supervise never probes", {.line_up = true, .redial = true}, Ev::Supervise,
     {.connected = true, .supervises = false}, {}, {.line_up = true, .redial = true}},
    {"a line first seen up is shown", {.redial = true}, Ev::Supervise, {.connected = true}, {Act::Connected},
     {.line_up = true, .redial = true}},
    {"a pause holds while the other connection is seen", {.hold = Hold::Paused, .redial = true},
     Ev::Supervise, {.other = true}, {}, {.hold = Hold::Paused, .blocker_seen = true, .redial = true}},
    {"a pause whose cause cannot be seen keeps the supervision's rhythm",
     {.hold = Hold::Paused, .redial = true}, Ev::Supervise, {}, {Act::Launch, kAuto},
     {.phase = Phase::Watching, .origin = kAuto, .redial = true}},
    {"no probe while the machine goes to sleep", {.line_up = true, .suspended_at_ms = kNow, .redial = true},
     Ev::Supervise, {.connected = true}, {}, {.line_up = true, .suspended_at_ms = kNow, .redial = true}},
    {"what the wake kept back is told once it has settled",
     {.resumed_at_ms = kNow - 30'000, .tale = DialSession::Tale{651, false, Kind::Transient}, .redial = true},
     Ev::Supervise, {}, {.act = Act::Launch, .code = 651, .news = News::Failure},
     {.phase = Phase::Watching, .origin = kAuto, .told = Kind::Transient, .resumed_at_ms = kNow - 30'000,
      .redial = true}},

    // The probe's answer, and the wait for the line's release.
    {"the probe's own download is no traffic", {.line_up = true, .received = 900}, Ev::Online,
     {.received = 60'000}, {}, {.line_up = true, .received = 60'000}},
    {"a line that carries nothing is hung up and redialled", {.line_up = true, .received = 900}, Ev::Offline,
     {}, {Act::HangUpAndRedial, kAuto}, {.phase = Phase::Held, .origin = kAuto, .hung_up = true}},
    {"a release never told stops no dial", {.phase = Phase::Held, .ticks = 19, .hung_up = true},
     Ev::HangUpWait, {.listed = true}, {Act::Launch, kSub}, {.phase = Phase::Watching}},
    {"an automatic held dial waits for the cable",
     {.phase = Phase::Held, .origin = kAuto, .hung_up = true, .link_told = true}, Ev::HangUpWait,
     {.link = Link::Down}, {Act::NoLink},
     {.phase = Phase::Owed, .origin = kAuto, .hung_up = true, .link_told = true}},

    // The system's signals.
    {"a drop is redialled at once", {.line_up = true, .redial = true}, Ev::Ended, {}, {Act::Launch, kAuto},
     {.phase = Phase::Watching, .origin = kAuto, .redial = true}},
    {"the end of the connection that held the device",
     {.hold = Hold::Paused, .blocker_seen = true, .redial = true}, Ev::Ended, {}, {Act::Launch, kAuto},
     {.phase = Phase::Watching, .origin = kAuto, .redial = true}},
    {"a drop without the option is only noted", {.line_up = true, .received = 5}, Ev::Ended, {}, {}, {}},
    {"another connection's end", {.line_up = true, .redial = true}, Ev::Ended, {.connected = true}, {},
     {.line_up = true, .redial = true}},
    {"the end of this program's own dial", {.phase = Phase::Watching, .redial = true}, Ev::Ended, {}, {},
     {.phase = Phase::Watching, .redial = true}},
    {"the end of its own hang-up", {.hung_up = true, .redial = true}, Ev::Ended, {}, {},
     {.hung_up = true, .redial = true}},
    {"an end proves nothing of a cause never seen", {.hold = Hold::Paused, .redial = true}, Ev::Ended, {}, {},
     {.hold = Hold::Paused, .redial = true}},
    {"a drop while going to sleep waits for the wake",
     {.line_up = true, .suspended_at_ms = kNow, .redial = true}, Ev::Ended, {}, {},
     {.phase = Phase::Owed, .suspended_at_ms = kNow, .redial = true}},
    {"a connection however made ends a stop and a pause", {.hold = Hold::Stopped, .refusals = 5}, Ev::Made,
     {.connected = true}, {Act::Connected}, {.line_up = true}},
    {"a connection made is shown at once", {.phase = Phase::Watching}, Ev::Made, {.connected = true},
     {Act::Connected}, {.line_up = true}},
    {"another entry's connection made", {.phase = Phase::Watching}, Ev::Made, {}, {},
     {.phase = Phase::Watching}},
    {"the wake dials what was owed, spacing forgotten",
     {.phase = Phase::Owed, .hold = Hold::BackingOff, .retry_at_ms = kNow + 1, .suspended_at_ms = 1,
      .redial = true},
     Ev::Wake, {}, {Act::Launch, kAuto},
     {.phase = Phase::Watching, .origin = kAuto, .retry_at_ms = kNow + 1, .resumed_at_ms = kNow,
      .redial = true}},
    {"the wake checks a line that reads up", {.line_up = true, .received = 900, .redial = true}, Ev::Wake,
     {.connected = true}, {Act::Probe}, {.line_up = true, .resumed_at_ms = kNow, .redial = true}},
    {"the wake without the option", {.suspended_at_ms = 1}, Ev::Wake, {}, {}, {.resumed_at_ms = kNow}},
    {"an adapter without link just after the wake is no news yet",
     {.phase = Phase::Owed, .suspended_at_ms = 1, .redial = true}, Ev::Wake, {.link = Link::Down},
     {Act::NoLink}, {.phase = Phase::Owed, .resumed_at_ms = kNow, .redial = true}},
    {"a cable still out once the wake has settled is told",
     {.phase = Phase::Owed, .resumed_at_ms = kNow - 30'000, .redial = true}, Ev::Supervise,
     {.link = Link::Down}, {.act = Act::NoLink, .news = News::NoLink},
     {.phase = Phase::Owed, .told = Kind::Transient, .link_told = true, .resumed_at_ms = kNow - 30'000,
      .redial = true}},
    {"the cable back: the owed dial goes", {.phase = Phase::Owed, .link_told = true}, Ev::Link,
     {.link = Link::Up}, {Act::Launch, kAuto}, {.phase = Phase::Watching, .origin = kAuto}},
    {"the cable pulled from a line down is told", {.redial = true}, Ev::Link, {.link = Link::Down},
     {.act = Act::NoLink, .news = News::NoLink},
     {.phase = Phase::Owed, .told = Kind::Transient, .link_told = true, .redial = true}},
    {"and told once", {.phase = Phase::Owed, .link_told = true}, Ev::Link, {.link = Link::Down},
     {Act::NoLink}, {.phase = Phase::Owed, .link_told = true}},
};

// clang-format on

TEST(DialSessionTable, EachRuleIsARow) {
    for (const Row& row : kRows) {
        FakeLine line(row.facts);
        DialSession session(line, row.before);
        EXPECT_TRUE(kSend[int(row.event)](session) == row.decision) << row.rule;
        EXPECT_TRUE(session.state() == row.after) << row.rule;
    }
}

TEST(DialSessionTable, RetrySpacingDoublesUpToTenMinutes) {
    std::vector<std::int64_t> delays;
    for (int refusals = 1; refusals <= 6; ++refusals) delays.push_back(DialSession::RetryDelayMs(refusals));
    EXPECT_EQ(delays, (std::vector<std::int64_t>{60'000, 120'000, 240'000, 480'000, 600'000, 600'000}));
}

}  // namespace
}  // namespace vt
