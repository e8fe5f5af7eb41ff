// What lies beyond the pages when they fail: the proxy in force, a page without it, a fixed address.
// WinHTTP, not the pages' WinINet: it ignores Internet Options' proxy, which is what is being judged.
#include <windows.h>

#include <winhttp.h>

#include <memory>
#include <string>

#include "base/function_lookup.h"
#include "base/handles.h"
#include "base/text.h"
#include "services/probe.h"

namespace vt {
namespace {

// Loaded at the first check: a line whose pages answer never needs it.
struct WinHttp {
    decltype(&WinHttpOpen) open = nullptr;
    decltype(&WinHttpSetTimeouts) set_timeouts = nullptr;
    decltype(&WinHttpConnect) connect = nullptr;
    decltype(&WinHttpOpenRequest) open_request = nullptr;
    decltype(&WinHttpSendRequest) send_request = nullptr;
    decltype(&WinHttpReceiveResponse) receive_response = nullptr;
    decltype(&WinHttpCloseHandle) close = nullptr;

    bool ready() const {
        return open && set_timeouts && connect && open_request && send_request && receive_response && close;
    }
    static const WinHttp& Get() {
        static const WinHttp library = Load();
        return library;
    }

private:
    static WinHttp Load() {
        // Through the house's look-up, which loads the library and keeps it.
        constexpr const wchar_t* kLibrary = L"winhttp.dll";
        WinHttp library;
        library.open = LookUpFunction<decltype(open)>(kLibrary, "WinHttpOpen");
        library.set_timeouts = LookUpFunction<decltype(set_timeouts)>(kLibrary, "WinHttpSetTimeouts");
        library.connect = LookUpFunction<decltype(connect)>(kLibrary, "WinHttpConnect");
        library.open_request = LookUpFunction<decltype(open_request)>(kLibrary, "WinHttpOpenRequest");
        library.send_request = LookUpFunction<decltype(send_request)>(kLibrary, "WinHttpSendRequest");
        library.receive_response =
            LookUpFunction<decltype(receive_response)>(kLibrary, "WinHttpReceiveResponse");
        library.close = LookUpFunction<decltype(close)>(kLibrary, "WinHttpCloseHandle");
        return library;
    }
};

class Internet {
public:
    Internet(const WinHttp& http, HINTERNET handle) : http_(http), handle_(handle) {}
    Internet(const Internet&) = delete;
    Internet& operator=(const Internet&) = delete;
    ~Internet() {
        if (handle_) http_.close(handle_);
    }
    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    const WinHttp& http_;
    HINTERNET handle_;
};

enum class Asked { Answered, Refused, Failed };

// One GET; any HTTP answer counts, an error page included: it proves the path, not the page.
Asked Ask(const WinHttp& http, DWORD access, std::string_view url, int limit_ms) {
    const HostPort target = SplitHostPort(url);
    if (target.host.empty()) return Asked::Failed;
    const bool secure = url.starts_with("https:");
    const INTERNET_PORT port = static_cast<INTERNET_PORT>(target.port ? target.port
                                                          : secure    ? INTERNET_DEFAULT_HTTPS_PORT
                                                                      : INTERNET_DEFAULT_HTTP_PORT);
    Internet session(http,
                     http.open(L"Mozilla/4.0", access, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return Asked::Failed;
    http.set_timeouts(session.get(), limit_ms, limit_ms, limit_ms, limit_ms);
    Internet connection(http, http.connect(session.get(), Utf8ToWide(target.host).c_str(), port, 0));
    if (!connection) return Asked::Failed;
    const std::size_t host_at = url.find("//");
    const std::size_t path_at = url.find('/', host_at == std::string_view::npos ? 0 : host_at + 2);
    const std::wstring path = path_at == std::string_view::npos ? L"/" : Utf8ToWide(url.substr(path_at));
    Internet request(http,
                     http.open_request(connection.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                       WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return Asked::Failed;
    if (http.send_request(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                          0) &&
        http.receive_response(request.get(), nullptr))
        return Asked::Answered;
    return GetLastError() == ERROR_WINHTTP_CANNOT_CONNECT ? Asked::Refused : Asked::Failed;
}

}  // namespace

std::string ReadProxyInForce() {
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
                      0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return {};
    auto read_text = [&key](const wchar_t* name) {
        wchar_t value[1024] = {};
        DWORD size = sizeof(value) - sizeof(wchar_t), type = 0;
        if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::string();
        return WideToUtf8(value);
    };
    DWORD enabled = 0, size = sizeof(enabled), type = 0;
    if (RegQueryValueExW(key.get(), L"ProxyEnable", nullptr, &type, reinterpret_cast<BYTE*>(&enabled),
                         &size) == ERROR_SUCCESS &&
        type == REG_DWORD && enabled) {
        if (std::string proxy = ProxyForPages(read_text(L"ProxyServer")); !proxy.empty()) return proxy;
    }
    // A configuration script is served by the proxy program too, often from the same local port.
    return read_text(L"AutoConfigURL");
}

namespace {

struct Check {
    PathFindings findings;
};

DWORD WINAPI RunCheck(void* parameter) {
    const std::unique_ptr<std::shared_ptr<Check>> owner(static_cast<std::shared_ptr<Check>*>(parameter));
    PathFindings& found = (*owner)->findings;
    const WinHttp& http = WinHttp::Get();
    if (!http.ready()) return 0;
    // Only a proxy on this machine is asked directly: a refusal there is certain and leaves nothing.
    if (const HostPort proxy = SplitHostPort(found.proxy); proxy.port && IsLoopbackHost(proxy.host)) {
        const std::string local =
            "http://" + (proxy.host.find(':') != std::string::npos ? "[" + proxy.host + "]" : proxy.host) +
            ":" + std::to_string(proxy.port) + "/";
        found.proxy_dead = Ask(http, WINHTTP_ACCESS_TYPE_NO_PROXY, local, 1000) == Asked::Refused;
    }
    found.direct = Ask(http, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, kProbeAddresses[1], 3000) == Asked::Answered;
    if (!found.direct)
        found.address =
            Ask(http, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, kProbeFixedAddress, 3000) == Asked::Answered;
    return 0;
}

}  // namespace

PathFindings CheckPaths() {
    auto check = std::make_shared<Check>();
    check->findings.proxy = ReadProxyInForce();
    // The requests block: they run on a thread of their own, with a small stack, while this one keeps the
    // window's messages flowing. The thread shares the result, so a quit met here may leave it behind.
    auto* shared = new std::shared_ptr<Check>(check);
    UniqueKernelHandle thread(
        CreateThread(nullptr, 64 * 1024, RunCheck, shared, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread) {
        delete shared;
        return check->findings;
    }
    HANDLE handle = thread.get();
    for (;;) {
        const DWORD waited = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
        if (waited != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // The caller's loop must still see it; what the thread finds no longer matters.
                PostQuitMessage(static_cast<int>(msg.wParam));
                return PathFindings{check->findings.proxy};
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return check->findings;
}

}  // namespace vt
