// The link reader and its watch against the stand-in IP helper library (tests/doubles): what each field
// of the interface table means to the rule, a cable pulled and put back heard within 2 s whether the
// system tells the change or not, and a stop that leaves no thread or callback behind.
#include <windows.h>
// after windows.h
#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "services/link_state.h"
#include "tests/doubles/line_state.h"

namespace vt {
namespace {

constexpr UINT kLinkMessage = WM_APP + 7;

// The stand-in's count of tables handed out and not freed; -1 when the system's library is loaded.
long TablesOutstanding() {
    auto count = reinterpret_cast<DWORD(WINAPI*)()>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"iphlpapi.dll"), "VeltraneTablesOutstanding")));
    return count ? static_cast<long>(count()) : -1;
}

int ThreadsOfThisProcess() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        line::UsePrivateState(L"veltrane-link-test.ini");
        window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ReadLinkState();  // loads the library
        ASSERT_EQ(TablesOutstanding(), 0) << "the stand-in iphlpapi.dll is not loaded (WINEDLLOVERRIDES)";
    }
    void TearDown() override { DestroyWindow(window_); }

    // The state of the next link message, if one comes within `timeout_ms` (pumped, not slept).
    std::optional<LinkState> NextMessage(DWORD timeout_ms = 2000) {
        const DWORD begin = GetTickCount();
        for (;;) {
            MSG msg;
            if (PeekMessageW(&msg, window_, kLinkMessage, kLinkMessage, PM_REMOVE)) {
                std::printf("  link message after %lu ms\n", GetTickCount() - begin);
                return static_cast<LinkState>(msg.wParam);
            }
            const DWORD spent = GetTickCount() - begin;
            if (spent >= timeout_ms) return std::nullopt;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout_ms - spent, QS_POSTMESSAGE);
        }
    }

    HWND window_ = nullptr;
};

TEST_F(LinkTest, ReaderMapsEachFieldOfTheTable) {
    struct Case {
        const char* lines;
        LinkState expected;
    };
    const Case cases[] = {
        {"", LinkState::Unknown},  // the loopback interface alone
        {"adapter 2 6 up hardware Ethernet", LinkState::Up},
        {"adapter 2 6 down hardware Ethernet", LinkState::Down},
        {"adapter 2 6 unknown hardware Ethernet", LinkState::Unknown},
        {"adapter 2 71 down hardware WLAN\nadapter 3 71 up hardware WLAN-2", LinkState::Up},
        {"adapter 2 6 down hardware Ethernet\nadapter 3 6 up hardware,filter Ethernet-QoS", LinkState::Down},
        {"adapter 2 6 down hardware Ethernet\nadapter 3 6 up - vEthernet", LinkState::Down},
        {"adapter 2 6 down hardware Ethernet\nadapter 3 23 up - PPP", LinkState::Down},
        {"adapter 2 6 up hardware Ethernet\nfail GetIfTable2 8", LinkState::Unknown},
    };
    for (const Case& c : cases) {
        line::Save(line::Parse(c.lines));
        EXPECT_EQ(ReadLinkState(), c.expected) << c.lines;
    }
    EXPECT_EQ(TablesOutstanding(), 0);
}

// Each row starts the watch on a line and then changes it; every change must be posted within 2 s. A quiet
// line tells nothing, as under Wine: the reads while down hear a returning cable, and a pull is read
// when the dialer asks (Refresh).
TEST_F(LinkTest, WatchHearsACablePulledAndPutBack) {
    enum class Step { Pull, Plug, PullAndRefresh };
    struct Case {
        const char* name;
        bool quiet, plugged;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"the system tells", false, true, {Step::Pull, Step::Plug, Step::Pull}},
        {"a quiet system, cable back", true, false, {Step::Plug}},
        {"a quiet system, cable out and in", true, true, {Step::PullAndRefresh, Step::Plug}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        line::Save(line::Parse(c.quiet ? "link quiet" : ""));
        line::SetCable(c.plugged);
        const int threads = ThreadsOfThisProcess();
        LinkWatch watch;
        ASSERT_TRUE(watch.Start(window_, kLinkMessage));
        EXPECT_EQ(watch.HearsSystem(), true);
        EXPECT_EQ(watch.Last(), c.plugged ? LinkState::Up : LinkState::Down);
        for (Step step : c.steps) {
            line::SetCable(step == Step::Plug);
            if (step == Step::PullAndRefresh) {
                EXPECT_EQ(watch.Refresh(), LinkState::Down);
            }
            EXPECT_EQ(NextMessage(), step == Step::Plug ? LinkState::Up : LinkState::Down);
        }
        watch.Stop();
        EXPECT_FALSE(watch.Running());
        // Our thread and the library's, which ends with the last registration.
        EXPECT_EQ(ThreadsOfThisProcess(), threads);
        EXPECT_EQ(NextMessage(0), std::nullopt);
    }
    EXPECT_EQ(TablesOutstanding(), 0);
}

// The reader on Wine's own table, as a program without the stand-in beside it has it: the loopback
// interface is listed everywhere, and is no adapter of the line's. Its own CTest entry runs it so.
TEST(LinkOnWine, ReadsTheSystemTable) {
    ReadLinkState();
    if (TablesOutstanding() >= 0)
        GTEST_SKIP() << "the stand-in is loaded: LinkOnWine.* runs without it on its own";
    const std::optional<std::vector<AdapterRow>> rows = ReadAdapterRows();
    ASSERT_TRUE(rows);
    EXPECT_TRUE(std::ranges::any_of(*rows, [](const AdapterRow& row) {
        return row.type == 24 && row.media == MediaState::Connected && !row.hardware && !row.filter;
    }));
}

}  // namespace
}  // namespace vt
