#pragma once
// What a failed dial means: the dial tool's exit code is the Remote Access error number, and one table says
// for each common number what it means for redialling and, in plain Chinese, its cause in a few words and
// the subscriber's next step. The log and the diagnostics keep the cause; the balloon and the status view
// say both. Platform-free; texts are UTF-8.
#include <string>

namespace vt {

// What a number means for redialling.
enum class FailureKind {
    Transient,     // the line, the device or the provider did not answer: the supervision dials again
    Refused,       // the account was refused: a wrong password, or the session of a drop still held
    Final,         // the account cannot log on now; no retry can help
    LineInUse,     // another broadband connection holds the device
    EntryMissing,  // the phonebook entry is gone: it is made again before the next dial
};

// The table's kind for `code`; a number the table does not know is Transient.
FailureKind FailureKindOf(unsigned long code);

// The cause in a few words, without closing punctuation ("账号或密码错误，或宽带已欠费、到期"); "" for a
// number the table does not know.
std::string DialFailureCause(unsigned long code);

// What the subscriber can do, a sentence or two; for a number the table does not know, how to get help.
std::string DialFailureNextStep(unsigned long code);

// The cause and the next step as one text; `system_text` (the system's own words) stands for the cause of
// a number the table does not know.
std::string DialFailureReason(unsigned long code, const std::string& system_text = {});

// The status text after a failure with `code`: "- 拨号失败 (691)"; with `redial_stopped`, the status
// says that redialling has stopped instead.
std::string DialFailureStatus(unsigned long code, bool redial_stopped);

// The balloon after a failure with `code`: the number always, then the reason; with `redial_on` and
// redialling going on, what the redial will do about it; with `redial_stopped`, that redialling has stopped
// and what brings it back.
std::string DialFailureBalloon(unsigned long code, bool redial_stopped, bool redial_on,
                               const std::string& system_text = {});

}  // namespace vt
