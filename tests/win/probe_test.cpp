// The internet probe against HTTP stubs on 127.0.0.1 (tests/doubles/http_stub.cpp). The prefix sends every
// HTTP request to a dead proxy on 127.0.0.1:9; these tests add 127.0.0.1 to the proxy bypass list for their
// run (proxy_bypass.h) so that requests go straight to the stub. Nothing leaves loopback.
#include "services/probe.h"

#include <gtest/gtest.h>

#include <string>

#include "base/handles.h"
#include "tests/doubles/http_stub.h"
#include "tests/doubles/proxy_bypass.h"

namespace vt {
namespace {

class Probe : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bypass_.active()); }

    static DWORD TimedProbe(const std::string& url, bool& online) {
        DWORD begin = GetTickCount();
        online = ProbeInternet(url);
        return GetTickCount() - begin;
    }

private:
    line::LoopbackProxyBypass bypass_;
};

TEST_F(Probe, AnyResponseWithABodyIsOnline) {
    line::HttpStub ok = line::HttpStub::Reply(200, "<html>hello</html>");
    line::HttpStub error_page = line::HttpStub::Reply(404, "<html>not found</html>");
    line::HttpStub server_error = line::HttpStub::Reply(503, "busy");
    ASSERT_TRUE(ok.running() && error_page.running() && server_error.running());
    EXPECT_TRUE(ProbeInternet(ok.Url()));
    EXPECT_TRUE(ProbeInternet(error_page.Url("/missing")));
    EXPECT_TRUE(ProbeInternet(server_error.Url()));
    ASSERT_EQ(error_page.Requests().size(), 1u);
    EXPECT_EQ(error_page.Requests()[0].rfind("GET /missing", 0), 0u) << error_page.Requests()[0];
}

TEST_F(Probe, EmptyBodyIsOffline) {
    line::HttpStub empty = line::HttpStub::Reply(200, "");
    ASSERT_TRUE(empty.running());
    bool online = true;
    DWORD elapsed = TimedProbe(empty.Url(), online);
    EXPECT_FALSE(online);
    EXPECT_LT(elapsed, 2000u);  // it completed; no time-out was needed
    EXPECT_EQ(empty.Requests().size(), 1u);
}

TEST_F(Probe, RefusedConnectionIsOffline) {
    int port = 0;
    {
        line::HttpStub gone = line::HttpStub::Reply(200, "x");
        ASSERT_TRUE(gone.running());
        port = gone.port();
    }  // the stub has ended: nothing listens on its port any more
    bool online = true;
    DWORD elapsed = TimedProbe("http://127.0.0.1:" + std::to_string(port) + "/", online);
    EXPECT_FALSE(online);
    EXPECT_LE(elapsed, 3500u);
}

TEST_F(Probe, MalformedAddressIsOffline) {
    EXPECT_FALSE(ProbeInternet(""));
    EXPECT_FALSE(ProbeInternet("not a url"));
}

LRESULT CALLBACK CountTicks(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER) {
        auto* ticks = reinterpret_cast<int*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        ++*ticks;
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

// The one wait for the whole time-out: the probe gives up on a silent server, and the thread's messages
// keep being dispatched meanwhile.
TEST_F(Probe, SilentServerIsOfflineAfterTheTimeOutWhileMessagesAreDispatched) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = CountTicks;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"VeltraneProbeTicks";
    ASSERT_NE(RegisterClassW(&window_class), 0);
    UniqueWindow window(CreateWindowExW(0, L"VeltraneProbeTicks", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(window);
    int ticks = 0;
    SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&ticks));
    ASSERT_NE(SetTimer(window.get(), 1, 100, nullptr), 0u);

    line::HttpStub silent = line::HttpStub::Silent();
    ASSERT_TRUE(silent.running());
    bool online = true;
    DWORD elapsed = TimedProbe(silent.Url(), online);
    KillTimer(window.get(), 1);
    EXPECT_FALSE(online);
    // The whole-second clock must move on by more than 2: between 2 and 3 seconds after sending.
    EXPECT_GE(elapsed, 1950u);
    EXPECT_LE(elapsed, 3500u);
    EXPECT_EQ(silent.Requests().size(), 1u);  // the request reached the server, which kept silent
    // About 20 ticks in 2 to 3 seconds; a probe that stopped the queue would see none.
    EXPECT_GE(ticks, 10);
}

TEST_F(Probe, QuitRequestEndsTheWaitAndIsPostedAgain) {
    line::HttpStub silent = line::HttpStub::Silent();
    ASSERT_TRUE(silent.running());
    PostQuitMessage(7);
    bool online = true;
    DWORD elapsed = TimedProbe(silent.Url(), online);
    EXPECT_FALSE(online);
    EXPECT_LT(elapsed, 1500u);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
}  // namespace vt
