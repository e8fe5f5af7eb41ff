#pragma once
// What a failed dial means to a subscriber: the dial tool's exit code is the Remote Access error number,
// and the common ones are explained in plain Chinese with what to do. Platform-free; texts are UTF-8.
#include <string>

namespace vt {

// The reason and what to do, "" for a number the table does not know.
std::string DialFailureReason(unsigned long code);

// The status text after a failure with `code`: "- 拨号失败 (691)"; with `redial_stopped`, the status
// says that redialling has stopped instead.
std::string DialFailureStatus(unsigned long code, bool redial_stopped);

// The balloon after a failure with `code`: the number always, the reason when it is known (else the
// system's own text, when it has one), and, with `redial_stopped`, that redialling has stopped and what
// the subscriber can do.
std::string DialFailureBalloon(unsigned long code, bool redial_stopped, const std::string& system_text = {});

}  // namespace vt
