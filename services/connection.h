#pragma once
// The connection state of a phonebook entry, and the platform's dial tool started for dialing and
// hanging up. Texts are UTF-8.
#include <string>
#include <string_view>

namespace vt {

// The dial tool's two jobs, and how the last run of one stands. `Unknown`: none was started in this run,
// it could not be started, or the system would not say.
enum class ToolJob { Dial, HangUp };
struct ToolRun {
    enum class State { Unknown, Running, Ended };
    State state = State::Unknown;
    unsigned long exit_code = 0;  // when Ended: the Remote Access error number, 0 on success
};

#ifdef _WIN32
// True when a connection of the entry `name` (letter case aside) is listed and its state is
// "connected": one still dialling, failing or closing is not. Any failure of the enumeration or the
// status call, or a name longer than the platform's 256 bytes, reads as not connected.
bool IsEntryConnected(std::string_view name);

// Starts the system folder's rasdial.exe, hidden, with no console window and without waiting, to dial
// the "Veltrane" entry with `account` and `password`; the tool receives them exactly, as two arguments.
// True when the tool started. Its process is kept for LastToolRun(ToolJob::Dial).
bool LaunchDial(std::string_view account, std::string_view password);

// The same for hanging up the "Veltrane" entry; kept for LastToolRun(ToolJob::HangUp).
bool LaunchHangUp();

// How the last run of `job` stands, read without waiting.
ToolRun LastToolRun(ToolJob job);

// The system's own text for the Remote Access error `code` (in the system's language), "" when it has none.
std::string DialErrorText(unsigned long code);
#endif

}  // namespace vt
