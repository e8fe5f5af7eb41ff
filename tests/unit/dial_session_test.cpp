// The supervision's policy as a table: from a state, an event and what the line says, one decision and the
// next state. A rule is a row.
#include "app/dial_session.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <type_traits>

namespace vt {

namespace {

using State = DialSession::State;
using Decision = DialSession::Decision;
using Phase = DialSession::Phase;
using Hold = DialSession::Hold;
using Act = DialSession::Act;
using News = DialSession::News;
using Redialling = DialSession::Redialling;
using Kind = FailureKind;
constexpr DialOrigin kSub = DialOrigin::Subscriber;
constexpr DialOrigin kAuto = DialOrigin::Automatic;
constexpr std::int64_t kNow = 1'000'000;
constexpr ToolRun kRunning{ToolRun::State::Running, 0};
constexpr ToolRun Ended(unsigned long code) { return {ToolRun::State::Ended, code}; }
// The figures the line gives for `received` bytes.
constexpr std::optional<LineCounters> Figures(std::uint64_t received) {
    return LineCounters{.bytes_received = received};
}

struct Facts {
    bool connected = false;
    bool listed = false;
    bool other = false;  // another connection holds the device
    std::optional<std::uint64_t> received;
    ToolRun dial, hang_up;
    std::int64_t now = kNow;
    Link link = Link::Unknown;
    bool supervises = true;
    bool elsewhere = false;        // another copy holds the supervision (asked without the option)
    bool hung_up_by_hand = false;  // another copy's subscriber hung up
};

class FakeLine final : public DialLine {
public:
    explicit FakeLine(const Facts& facts) : f_(facts) {}
    bool Connected() override { return f_.connected; }
    bool Listed() override { return f_.listed; }
    bool OtherConnection() override { return f_.other; }
    std::optional<LineCounters> Counters() override {
        if (!f_.received) return std::nullopt;
        return LineCounters{.bytes_received = *f_.received};
    }
    ToolRun ToolAnswer(ToolJob job) override { return job == ToolJob::Dial ? f_.dial : f_.hang_up; }
    std::int64_t NowMs() override { return f_.now; }
    Link LinkNow() override { return f_.link; }
    bool HoldsSupervision() override { return f_.supervises; }
    bool SupervisedElsewhere() override { return f_.elsewhere; }
    bool HungUpElsewhere() override { return f_.hung_up_by_hand; }

private:
    const Facts& f_;
};

using Send = Decision (*)(DialSession&);

// The events, by name.
namespace Ev {
constexpr Send Subscriber = [](DialSession& s) { return s.Request(kSub); };
constexpr Send Automatic = [](DialSession& s) { return s.Request(kAuto); };
constexpr Send Watch = [](DialSession& s) { return s.WatchTick(); };
constexpr Send Supervise = [](DialSession& s) { return s.SupervisionTick(); };
constexpr Send HangUpWait = [](DialSession& s) { return s.HangUpWaitTick(); };
constexpr Send Online = [](DialSession& s) { return s.ProbeAnswered({}); };
constexpr Send Offline = [](DialSession& s) { return s.ProbeAnswered({Pages::Unreachable}); };
constexpr Send OfflineDeadProxy = [](DialSession& s) { return s.ProbeAnswered({Pages::Unreachable, true}); };
constexpr Send ProxyDead = [](DialSession& s) { return s.ProbeAnswered({Pages::ProxyFails, true}); };
constexpr Send NamesFail = [](DialSession& s) { return s.ProbeAnswered({Pages::NamesFail}); };
constexpr Send Ended = [](DialSession& s) { return s.ConnectionEnded(); };
constexpr Send Made = [](DialSession& s) { return s.ConnectionMade(); };
constexpr Send Sleep = [](DialSession& s) { return s.Suspended(); };
constexpr Send Wake = [](DialSession& s) { return s.Resumed(); };
constexpr Send Link = [](DialSession& s) { return s.LinkChanged(); };
constexpr Send OptionOn = [](DialSession& s) { return s.SetRedial(true); };
constexpr Send OptionOff = [](DialSession& s) { return s.SetRedial(false); };
}  // namespace Ev

struct Row {
    const char* rule;
    State before;
    Send event;
    Facts facts;
    Decision decision;
    State after;
};

// The fields in which two states or decisions differ, for a failing row.
template <typename T>
void Differ(std::string& out, const char* name, const T& a, const T& b) {
    if (a == b) return;
    auto text = [](const auto& v) -> std::string {
        using V = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<V, bool>)
            return v ? "true" : "false";
        else if constexpr (std::is_enum_v<V>)
            return std::to_string(static_cast<int>(v));
        else if constexpr (std::is_arithmetic_v<V>)
            return std::to_string(v);
        else
            return v ? "set" : "none";
    };
    out += std::string(" ") + name + ": " + text(a) + " (expected " + text(b) + ")";
}
std::string Differences(const Decision& a, const Decision& b) {
    std::string out;
    Differ(out, "act", a.act, b.act);
    Differ(out, "origin", a.origin, b.origin);
    Differ(out, "remake_entry", a.remake_entry, b.remake_entry);
    Differ(out, "code", a.code, b.code);
    Differ(out, "stopped", a.stopped, b.stopped);
    Differ(out, "news", a.news, b.news);
    Differ(out, "pages", a.pages, b.pages);
    Differ(out, "proxy_dead", a.proxy_dead, b.proxy_dead);
    Differ(out, "dropped", a.dropped, b.dropped);
    Differ(out, "figures", a.figures, b.figures);
    Differ(out, "redialling", a.redialling, b.redialling);
    Differ(out, "redial_in_ms", a.redial_in_ms, b.redial_in_ms);
    Differ(out, "supervised_elsewhere", a.supervised_elsewhere, b.supervised_elsewhere);
    Differ(out, "release_supervision", a.release_supervision, b.release_supervision);
    return out;
}
std::string Differences(const State& a, const State& b) {
    std::string out;
#define VT_FIELD(f) Differ(out, #f, a.f, b.f)
    VT_FIELD(phase);
    VT_FIELD(origin);
    VT_FIELD(ticks);
    VT_FIELD(hold);
    VT_FIELD(refusals);
    VT_FIELD(retry_at_ms);
    VT_FIELD(blocker_seen);
    VT_FIELD(line_up);
    VT_FIELD(hung_up);
    VT_FIELD(remake_entry);
    VT_FIELD(told);
    VT_FIELD(link_told);
    VT_FIELD(received);
    VT_FIELD(suspended_at_ms);
    VT_FIELD(resumed_at_ms);
    VT_FIELD(tale);
    VT_FIELD(redial);
    VT_FIELD(pages_told);
    VT_FIELD(pages_redials);
    VT_FIELD(pages_retry_at_ms);
#undef VT_FIELD
    return out;
}

// clang-format off
const Row kRows[] = {
    // Where a dial comes from, and what holds it.
    {"the option turned on", {}, Ev::OptionOn, {}, {}, {.redial = true}},
    {"and off: the supervision goes to whoever wants it", {.redial = true}, Ev::OptionOff, {},
     {.release_supervision = true}, {}},
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
    {"a copy without the option leaves the lock alone and dials when no copy supervises", {}, Ev::Automatic,
     {.supervises = false}, {Act::Launch, kAuto}, {.phase = Phase::Watching, .origin = kAuto}},
    {"and holds back while another copy does", {}, Ev::Automatic, {.elsewhere = true}, {.supervised_elsewhere = true}, {}},
    {"its owed dial on the cable's return takes no lock either", {.phase = Phase::Owed, .link_told = true},
     Ev::Link, {.link = Link::Up, .supervises = false}, {Act::Launch, kAuto},
     {.phase = Phase::Watching, .origin = kAuto}},
    {"nor on the wake", {.phase = Phase::Owed, .suspended_at_ms = 1}, Ev::Wake, {.supervises = false},
     {Act::Launch, kAuto}, {.phase = Phase::Watching, .origin = kAuto, .resumed_at_ms = kNow}},
    {"no automatic dial goes into a suspend", {.suspended_at_ms = kNow - 1000}, Ev::Automatic, {}, {},
     {.phase = Phase::Owed, .suspended_at_ms = kNow - 1000}},
    {"until two minutes have passed", {.suspended_at_ms = kNow - 119'999}, Ev::Automatic, {}, {},
     {.phase = Phase::Owed, .suspended_at_ms = kNow - 119'999}},
    {"two minutes of running after a suspend with no resume told", {.suspended_at_ms = kNow - 120'000},
     Ev::Automatic, {}, {Act::Launch, kAuto},
     {.phase = Phase::Watching, .origin = kAuto, .suspended_at_ms = kNow - 120'000}},

    // The dial watch and the tool's answer.
    {"the third watch tick gives up, the tool's answer still to come",
     {.phase = Phase::Watching, .origin = kAuto, .ticks = 2}, Ev::Watch, {.dial = kRunning}, {Act::Failed},
     {.phase = Phase::Awaiting, .origin = kAuto}},
    {"the second does not", {.phase = Phase::Watching, .origin = kAuto, .ticks = 1}, Ev::Watch,
     {.dial = kRunning}, {}, {.phase = Phase::Watching, .origin = kAuto, .ticks = 2}},
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
    // The probe's answer, and the wait for the line's release.
    {"the probe's own download is no traffic", {.line_up = true, .received = 900}, Ev::Online,
     {.received = 60'000}, {.figures = Figures(60'000)}, {.line_up = true, .received = 60'000}},
    {"a line that reaches nothing is hung up and redialled, untold", {.line_up = true, .received = 900},
     Ev::Offline, {},
     {.act = Act::HangUpAndRedial, .origin = kAuto, .pages = Pages::Unreachable, .dropped = true},
     {.phase = Phase::Held, .origin = kAuto, .hung_up = true, .pages_redials = 1,
      .pages_retry_at_ms = kNow + 120'000}},
    {"a redial that did not bring the pages back is not repeated at the next tick; told once, a dead proxy named",
     {.line_up = true, .pages_redials = 1, .pages_retry_at_ms = kNow + 1}, Ev::OfflineDeadProxy, {},
     {.news = News::PagesFail, .pages = Pages::Unreachable, .proxy_dead = true},
     {.line_up = true, .pages_told = Pages::Unreachable, .pages_redials = 1, .pages_retry_at_ms = kNow + 1}},
    {"the wait over, the next redial, the wait doubled",
     {.line_up = true, .pages_told = Pages::Unreachable, .pages_redials = 1, .pages_retry_at_ms = kNow},
     Ev::Offline, {},
     {.act = Act::HangUpAndRedial, .origin = kAuto, .pages = Pages::Unreachable, .dropped = true},
     {.phase = Phase::Held, .origin = kAuto, .hung_up = true, .pages_told = Pages::Unreachable,
      .pages_redials = 2, .pages_retry_at_ms = kNow + 240'000}},
    {"a dead proxy before a working path: no hang-up, named once", {.line_up = true, .received = 900},
     Ev::ProxyDead, {.received = 1000},
     {.news = News::PagesFail, .pages = Pages::ProxyFails, .proxy_dead = true, .figures = Figures(1000)},
     {.line_up = true, .received = 1000, .pages_told = Pages::ProxyFails}},
    {"and not again", {.line_up = true, .pages_told = Pages::ProxyFails}, Ev::ProxyDead, {},
     {.pages = Pages::ProxyFails, .proxy_dead = true}, {.line_up = true, .pages_told = Pages::ProxyFails}},
    {"failing names: told, and one redial", {.line_up = true}, Ev::NamesFail, {},
     {.act = Act::HangUpAndRedial, .origin = kAuto, .news = News::PagesFail, .pages = Pages::NamesFail,
      .dropped = true},
     {.phase = Phase::Held, .origin = kAuto, .hung_up = true, .pages_told = Pages::NamesFail,
      .pages_retry_at_ms = kNow + 1'800'000}},
    {"no more than one in thirty minutes",
     {.line_up = true, .pages_told = Pages::NamesFail, .pages_retry_at_ms = kNow + 1}, Ev::NamesFail, {},
     {.pages = Pages::NamesFail}, {.line_up = true, .pages_told = Pages::NamesFail, .pages_retry_at_ms = kNow + 1}},
    {"the pages' redials outlive the new connection",
     {.phase = Phase::Watching, .pages_redials = 1, .pages_retry_at_ms = kNow + 1}, Ev::Watch,
     {.connected = true}, {Act::Connected}, {.line_up = true, .pages_redials = 1, .pages_retry_at_ms = kNow + 1}},
    {"the pages answering end their outage",
     {.line_up = true, .pages_told = Pages::Unreachable, .pages_redials = 3, .pages_retry_at_ms = kNow + 1},
     Ev::Online, {.received = 5}, {.figures = Figures(5)}, {.line_up = true, .received = 5}},
    {"the subscriber's dial ends their spacing", {.pages_told = Pages::Unreachable, .pages_redials = 3},
     Ev::Subscriber, {}, {Act::Launch, kSub}, {.phase = Phase::Watching}},
    {"a copy that does not supervise dials at once after its own hang-up",
     {.phase = Phase::Held, .origin = kSub, .hung_up = true}, Ev::HangUpWait, {.supervises = false},
     {Act::Launch, kSub}, {.phase = Phase::Watching}},
    {"a release never told stops no dial", {.phase = Phase::Held, .ticks = 19, .hung_up = true},
     Ev::HangUpWait, {.listed = true}, {Act::Launch, kSub}, {.phase = Phase::Watching}},
    {"an automatic held dial waits for the cable",
     {.phase = Phase::Held, .origin = kAuto, .hung_up = true, .link_told = true}, Ev::HangUpWait,
     {.link = Link::Down}, {Act::NoLink},
     {.phase = Phase::Owed, .origin = kAuto, .hung_up = true, .link_told = true}},

    // The system's signals.
    {"a drop without the option is shown, no dial", {.line_up = true, .received = 5}, Ev::Ended, {},
     {.act = Act::Down, .dropped = true}, {}},
    {"a drop while asleep is shown at the wake", {.line_up = true, .suspended_at_ms = 1}, Ev::Wake, {},
     {.act = Act::Down, .dropped = true}, {.resumed_at_ms = kNow}},
    {"a connection however made ends a stop and a pause", {.hold = Hold::Stopped, .refusals = 5}, Ev::Made,
     {.connected = true}, {Act::Connected}, {.line_up = true}},
    {"a connection made is shown at once", {.phase = Phase::Watching}, Ev::Made, {.connected = true},
     {Act::Connected}, {.line_up = true}},
    {"another entry's connection made", {.phase = Phase::Watching}, Ev::Made, {}, {},
     {.phase = Phase::Watching}},
    {"the wake without the option", {.suspended_at_ms = 1}, Ev::Wake, {}, {}, {.resumed_at_ms = kNow}},
    {"the cable back: the owed dial goes", {.phase = Phase::Owed, .link_told = true}, Ev::Link,
     {.link = Link::Up}, {Act::Launch, kAuto}, {.phase = Phase::Watching, .origin = kAuto}},
    {"and told once", {.phase = Phase::Owed, .link_told = true}, Ev::Link, {.link = Link::Down},
     {Act::NoLink}, {.phase = Phase::Owed, .link_told = true}},
};

// With the redial option on: every state of these rows has it, before and after.
const Row kWithRedial[] = {
    {"another copy supervises", {}, Ev::Automatic, {.supervises = false}, {.supervised_elsewhere = true}, {}},
    {"a late answer counts at the next supervision tick",
     {.phase = Phase::Awaiting, .origin = kAuto}, Ev::Supervise, {.dial = Ended(691)},
     {.act = Act::Failed, .code = 691, .news = News::Failure, .redialling = Redialling::BackingOff,
      .redial_in_ms = 60'000},
     {.origin = kAuto, .hold = Hold::BackingOff, .refusals = 1, .retry_at_ms = kNow + 60'000,
      .told = Kind::Refused}},
    {"an automatic 691 is retried a minute later",
     {.phase = Phase::Watching, .origin = kAuto}, Ev::Watch, {.dial = Ended(691)},
     {.act = Act::Failed, .code = 691, .news = News::Failure, .redialling = Redialling::BackingOff,
      .redial_in_ms = 60'000},
     {.origin = kAuto, .hold = Hold::BackingOff, .refusals = 1, .retry_at_ms = kNow + 60'000,
      .told = Kind::Refused}},
    {"the fifth refusal in a row stops",
     {.phase = Phase::Watching, .origin = kAuto, .refusals = 4, .told = Kind::Refused},
     Ev::Watch, {.dial = Ended(691)},
     {.act = Act::Failed, .code = 691, .stopped = true, .news = News::Failure,
      .redialling = Redialling::Stopped},
     {.origin = kAuto, .hold = Hold::Stopped, .refusals = 5, .told = Kind::Refused}},
    {"an idle line is probed", {.line_up = true}, Ev::Supervise,
     {.connected = true, .received = 900}, {.act = Act::Probe, .figures = Figures(900)},
     {.line_up = true, .received = 900}},
    {"a copy that does not supervise never probes", {.line_up = true}, Ev::Supervise,
     {.connected = true, .supervises = false}, {.supervised_elsewhere = true}, {.line_up = true}},
    {"a line first seen up is shown", {}, Ev::Supervise, {.connected = true}, {Act::Connected},
     {.line_up = true}},
    {"a pause holds while the other connection is seen", {.hold = Hold::Paused},
     Ev::Supervise, {.other = true}, {}, {.hold = Hold::Paused, .blocker_seen = true}},
    {"a pause whose cause cannot be seen keeps the supervision's rhythm",
     {.hold = Hold::Paused}, Ev::Supervise, {},
     {.act = Act::Launch, .origin = kAuto, .redialling = Redialling::Resumed},
     {.phase = Phase::Watching, .origin = kAuto}},
    {"more than the bound since the last tick is traffic: no probe",
     {.line_up = true, .received = 1000}, Ev::Supervise, {.connected = true, .received = 1513},
     {.figures = Figures(1513)}, {.line_up = true, .received = 1513}},
    {"the bound itself is keep-alives: probed", {.line_up = true, .received = 1000},
     Ev::Supervise, {.connected = true, .received = 1512}, {.act = Act::Probe, .figures = Figures(1512)},
     {.line_up = true, .received = 1512}},
    {"a counter that went back (a new connection) is no traffic: probed",
     {.line_up = true, .received = 5'000'000}, Ev::Supervise, {.connected = true, .received = 200},
     {.act = Act::Probe, .figures = Figures(200)}, {.line_up = true, .received = 200}},
    {"counters that cannot be read are no traffic: probed", {.line_up = true, .received = 1000},
     Ev::Supervise, {.connected = true}, {Act::Probe}, {.line_up = true}},
    {"a counter past 4 GiB is whole, not a quiet line", {.line_up = true, .received = 4'294'967'000},
     Ev::Supervise, {.connected = true, .received = 4'294'977'296}, {.figures = Figures(4'294'977'296)},
     {.line_up = true, .received = 4'294'977'296}},
    {"going to sleep is noted", {.line_up = true}, Ev::Sleep, {}, {},
     {.line_up = true, .suspended_at_ms = kNow}},
    {"no probe while the machine goes to sleep", {.line_up = true, .suspended_at_ms = kNow},
     Ev::Supervise, {.connected = true}, {}, {.line_up = true, .suspended_at_ms = kNow}},
    {"what the wake kept back waits while a dial is under way once it has settled",
     {.resumed_at_ms = kNow - 30'000, .tale = DialSession::Tale{651, false, Kind::Transient}},
     Ev::Supervise, {}, {Act::Launch, kAuto},
     {.phase = Phase::Watching, .origin = kAuto, .resumed_at_ms = kNow - 30'000,
      .tale = DialSession::Tale{651, false, Kind::Transient}}},
    {"and is told when none is, the line still down",
     {.hold = Hold::BackingOff, .retry_at_ms = kNow + 1, .resumed_at_ms = kNow - 30'000,
      .tale = DialSession::Tale{691, false, Kind::Refused}},
     Ev::Supervise, {}, {.code = 691, .news = News::Failure},
     {.hold = Hold::BackingOff, .retry_at_ms = kNow + 1, .told = Kind::Refused, .resumed_at_ms = kNow - 30'000}},
    {"a copy that does not supervise probes nothing after a wake", {.line_up = true}, Ev::Wake,
     {.connected = true, .supervises = false}, {.supervised_elsewhere = true},
     {.line_up = true, .resumed_at_ms = kNow}},
    {"a drop is redialled at once", {.line_up = true}, Ev::Ended, {},
     {.act = Act::Launch, .origin = kAuto, .dropped = true},
     {.phase = Phase::Watching, .origin = kAuto}},
    {"the end of the connection that held the device",
     {.hold = Hold::Paused, .blocker_seen = true}, Ev::Ended, {},
     {.act = Act::Launch, .origin = kAuto, .redialling = Redialling::Resumed},
     {.phase = Phase::Watching, .origin = kAuto}},
    {"another user's hang-up is not undone at once", {.line_up = true}, Ev::Ended,
     {.hung_up_by_hand = true}, {.act = Act::Down, .dropped = true}, {}},
    {"another connection's end", {.line_up = true}, Ev::Ended, {.connected = true}, {},
     {.line_up = true}},
    {"the end of this program's own dial", {.phase = Phase::Watching}, Ev::Ended, {}, {},
     {.phase = Phase::Watching}},
    {"the end of its own hang-up", {.hung_up = true}, Ev::Ended, {}, {},
     {.hung_up = true}},
    {"an end proves nothing of a cause never seen", {.hold = Hold::Paused}, Ev::Ended, {}, {},
     {.hold = Hold::Paused}},
    {"a drop while going to sleep waits for the wake",
     {.line_up = true, .suspended_at_ms = kNow}, Ev::Ended, {}, {.dropped = true},
     {.phase = Phase::Owed, .suspended_at_ms = kNow}},
    {"the wake dials what was owed, spacing forgotten",
     {.phase = Phase::Owed, .hold = Hold::BackingOff, .retry_at_ms = kNow + 1, .suspended_at_ms = 1},
     Ev::Wake, {}, {Act::Launch, kAuto},
     {.phase = Phase::Watching, .origin = kAuto, .retry_at_ms = kNow + 1, .resumed_at_ms = kNow}},
    {"the wake checks a line that reads up", {.line_up = true, .received = 900}, Ev::Wake,
     {.connected = true}, {Act::Probe}, {.line_up = true, .resumed_at_ms = kNow}},
    {"an adapter without link just after the wake is no news yet",
     {.phase = Phase::Owed, .suspended_at_ms = 1}, Ev::Wake, {.link = Link::Down},
     {Act::NoLink}, {.phase = Phase::Owed, .resumed_at_ms = kNow}},
    {"a cable still out once the wake has settled is told",
     {.phase = Phase::Owed, .resumed_at_ms = kNow - 30'000}, Ev::Supervise,
     {.link = Link::Down}, {.act = Act::NoLink, .news = News::NoLink},
     {.phase = Phase::Owed, .told = Kind::Transient, .link_told = true, .resumed_at_ms = kNow - 30'000}},
    {"the cable pulled from a line down is told", {}, Ev::Link, {.link = Link::Down},
     {.act = Act::NoLink, .news = News::NoLink},
     {.phase = Phase::Owed, .told = Kind::Transient, .link_told = true}},
    {"the cable back ends its told outage, a dial under way too",
     {.phase = Phase::Watching, .link_told = true}, Ev::Link, {.link = Link::Up}, {},
     {.phase = Phase::Watching}},
};

// clang-format on

TEST(DialSessionTable, EachRuleIsARow) {
    for (const bool redial : {false, true}) {
        for (Row row : redial ? std::span<const Row>(kWithRedial) : std::span<const Row>(kRows)) {
            if (redial) row.before.redial = row.after.redial = true;
            FakeLine line(row.facts);
            DialSession session(line, row.before);
            const Decision decision = row.event(session);
            EXPECT_TRUE(decision == row.decision)
                << row.rule << ": decision" << Differences(decision, row.decision);
            EXPECT_TRUE(session.state() == row.after)
                << row.rule << ": state" << Differences(session.state(), row.after);
        }
    }
}

TEST(DialSessionTable, TheSupervisionIsAskedAgainAtEachTick) {
    // The copy that held it quits between two ticks: the next tick's answer counts.
    Facts facts{.connected = true, .supervises = false};
    FakeLine line(facts);
    DialSession session(line, {.line_up = true, .redial = true});
    EXPECT_EQ(session.SupervisionTick().act, Act::Nothing);
    facts.supervises = true;
    EXPECT_EQ(session.SupervisionTick().act, Act::Probe);
}

TEST(DialSessionTable, RetrySpacingDoublesUpToTenMinutes) {
    std::vector<std::int64_t> delays;
    for (int refusals = 1; refusals <= 6; ++refusals) delays.push_back(DialSession::RetryDelayMs(refusals));
    EXPECT_EQ(delays, (std::vector<std::int64_t>{60'000, 120'000, 240'000, 480'000, 600'000, 600'000}));
    EXPECT_EQ(DialSession::PagesRetryDelayMs(5), 1'800'000);  // 2, 4, 8, 16 minutes, then half an hour
    EXPECT_EQ(DialSession::PagesRetryDelayMs(4), 960'000);
}

}  // namespace
}  // namespace vt
