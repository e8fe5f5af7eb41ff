#pragma once
// Whether the internet answers: an HTTP GET through the platform's scriptable request object.
#include <string_view>

namespace vt {

// The two pages the supervision probes, in order: a large portal's home page over HTTPS, then another's
// over HTTP. Both answer reliably from mainland China.
extern const char* const kProbeAddresses[2];

#ifdef _WIN32
// Seconds the whole-second clock may move on after the request is sent before the probe gives up, so a
// probe ends between 2 and 3 seconds after sending at the latest.
inline constexpr int kProbeTimeoutSeconds = 2;

// True when a GET of `url` completes within the time limit with a non-empty response text (the status
// code is not examined: an error page with a body counts as online). While it waits, the calling thread's
// window messages keep being dispatched, so other handlers may run before it returns. A WM_QUIT met
// during the wait ends the wait (false) and is posted again for the caller's message loop.
bool ProbeInternet(std::string_view url);
#endif

}  // namespace vt
