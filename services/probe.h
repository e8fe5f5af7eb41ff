#pragma once
// Whether the internet answers: an HTTP GET through the platform's scriptable request object.
#include <string>
#include <string_view>

namespace vt {

// What the supervision finds beyond the pages when they fail through the system's settings.
struct PathFindings {
    std::string proxy;        // the proxy in force as the system holds it ("127.0.0.1:7890"); "" for none
    bool proxy_dead = false;  // it is on this machine and nothing listens at its port
    bool direct = false;      // a page answered without the proxy
    bool address = false;     // a fixed address answered without the proxy
    bool operator==(const PathFindings&) const = default;
};

// The proxy an http or https page goes through, from Internet Settings' ProxyServer text: "host:port",
// or per scheme "http=host:port;https=host:port" (the https one first, the first probe page's); "" when
// none applies.
std::string ProxyForPages(std::string_view proxy_server);
// The host and port of "host:port", "[::1]:port", "http://host:port/..."; port 0 when none is given.
struct HostPort {
    std::string host;
    unsigned port = 0;
};
HostPort SplitHostPort(std::string_view address);
// 127.0.0.0/8, "localhost", "::1": an address of this machine, which no request leaves.
bool IsLoopbackHost(std::string_view host);

// The two pages the supervision probes, in order: a large portal's home page over HTTPS, then another's
// over HTTP. Both answer reliably from mainland China.
extern const char* const kProbeAddresses[2];
// A fixed address asked without names when the pages fail: a public resolver's web service, whose answer
// (of any kind, an error page too) proves that addresses beyond the line are reached.
extern const char* const kProbeFixedAddress;

#ifdef _WIN32
// Seconds the whole-second clock may move on after the request is sent before the probe gives up, so a
// probe ends between 2 and 3 seconds after sending at the latest.
inline constexpr int kProbeTimeoutSeconds = 2;

// True when a GET of `url` completes within the time limit with a non-empty response text (the status
// code is not examined: an error page with a body counts as online). While it waits, the calling thread's
// window messages keep being dispatched, so other handlers may run before it returns. A WM_QUIT met
// during the wait ends the wait (false) and is posted again for the caller's message loop.
bool ProbeInternet(std::string_view url);

// Pumps as ProbeInternet does, for up to about 10 s: what lies beyond the pages. The proxy in force is read
// from the user's Internet Settings; the page and the fixed address are asked through WinHTTP's own
// setting, which is direct unless an administrator set a machine proxy (netsh winhttp).
PathFindings CheckPaths();
// The proxy the pages go through, from the user's Internet Settings; "" for none.
std::string ReadProxyInForce();
#endif

}  // namespace vt
