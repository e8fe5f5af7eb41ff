#pragma once
// What the subscriber and the dial log are told of the line, apart from the platform: the tray's state and
// tip, the last failure of this run, the connected time and figures, the log's narration and the status
// view's snapshot. It follows the dial session's decisions (what happened) and the few facts MainFrm reads
// beside them (the link, the probe's finding, the subscriber's hang-up), and speaks through LineOutlet.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/dial_session.h"
#include "services/dial_log.h"
#include "services/line_texts.h"

namespace vt {

// Where the report reads what it tells, and where it tells it.
class LineOutlet {
public:
    virtual ~LineOutlet() = default;
    virtual DialLog& Log() = 0;
    virtual std::int64_t NowMs() = 0;  // MainFrmServices::NowMs' clock
    virtual LocalTime LocalNow() = 0;
    // The entry's connection while it is up (addresses, figures, device); nothing when it is not.
    virtual std::optional<ConnectionDetails> ReadConnection() = 0;
    // The system's own text for a Remote Access error number, "" when it has none.
    virtual std::string DialErrorText(unsigned long code) = 0;
    // The tray icon's state and tip.
    virtual void ShowLineState(LineState state, std::string_view tip) = 0;
    // The supervision lock's name is held by something no copy makes.
    virtual bool SupervisionLockForeign() = 0;
    // The adapter whose link a link line is about.
    virtual std::string LinkAdapterName() = 0;
};

class LineReport {
public:
    explicit LineReport(LineOutlet& outlet) : outlet_(outlet) {}

    // What the session said happened at an event; `noticed` is how a drop in it was noticed.
    void Follow(const DialSession::Decision& decision, DialLog::DropNoticedBy noticed);
    // The probe's last look on a line that is up: the tip says "no internet" while it lasts.
    void Probed(const ProbeAnswer& answer);
    // What the look beyond failed pages found, as the subscriber was told it.
    void PagesTold(std::string_view notice);
    // The adapters' link as read now: a change seen both ways is logged; an unreadable link says nothing.
    void LinkRead(Link link, bool log_change = true);
    // The subscriber hung the line up (no drop); a dial the account box refused.
    void HungUpBySubscriber();
    void DialRefused();
    // The tray's icon and tip from what is known; the shell is asked only when the tip changes.
    void Show();
    // What the line is now, for the status view: the connection's details are read while it is up, when
    // `read_details`.
    LineSnapshot Snapshot(bool read_details = true);

    LineState State() const { return state_; }
    // What the last told look beyond failed pages found, with its time; "" when none.
    const std::string& Diagnosis() const { return diagnosis_; }

private:
    void Up();
    void Down();
    std::optional<ConnectionDetails> ReadDetails();
    void Counted(const LineCounters& counters);

    LineOutlet& outlet_;
    LineState state_ = LineState::NotConnected;
    std::optional<unsigned long> tip_error_;  // the failure the tip tells while not connected
    bool tip_stopped_ = false;                // redialling stopped after that failure
    std::optional<LastFailure> last_failure_;
    std::int64_t connected_at_ms_ = 0;      // on NowMs' clock, set again from the system's duration
    std::optional<LineCounters> counters_;  // the connection's figures as last read
    std::string shown_tip_;
    std::optional<Link> link_;      // the link as last read
    bool other_copy_told_ = false;  // the log said that another copy supervises
    bool foreign_lock_told_ = false;
    bool pages_failing_ = false;  // the line is up, and the probe's last look found no internet
    std::string diagnosis_;
};

}  // namespace vt
