// The link reader and its watch on the stand-in IP helper library (tests/doubles): the table's fields as
// the rule reads them, a cable pulled and put back posted within 2 s whether the system tells it or not,
// and a stop that leaves no thread or callback behind; and the reader on Wine's own library.
#include <windows.h>
// after windows.h
#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "base/function_lookup.h"
#include "base/handles.h"
#include "services/link_state.h"
#include "tests/doubles/line_state.h"

namespace vt {
namespace {

// The stand-in's count of tables handed out and not freed; -1 when the system's library is loaded.
long TablesOutstanding() {
    ReadLinkState();  // loads the library
    const auto count = LookUpFunction<DWORD(WINAPI*)()>(L"iphlpapi.dll", "VeltraneTablesOutstanding");
    return count ? static_cast<long>(count()) : -1;
}

int ThreadsOfThisProcess() {
    const UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    return count;
}

// The state carried by the next message to `window` within `timeout_ms`, pumped rather than slept.
std::optional<Link> NextMessage(HWND window, DWORD timeout_ms = 2000) {
    const DWORD begin = GetTickCount();
    for (MSG msg;;) {
        const DWORD spent = GetTickCount() - begin;
        // The watch's own window is on this thread: its reads run as its messages are dispatched.
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == window && msg.message == WM_APP) {
                if (timeout_ms > 0) std::printf("  message after %lu ms\n", spent);
                return static_cast<Link>(msg.wParam);
            }
            DispatchMessageW(&msg);
        }
        if (spent >= timeout_ms) return std::nullopt;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout_ms - spent, QS_ALLINPUT);
    }
}

TEST(LinkReader, ReadsEachFieldOfTheStandInTable) {
    line::UsePrivateState(L"veltrane-link-test.ini");
    ASSERT_EQ(TablesOutstanding(), 0) << "the stand-in iphlpapi.dll is not loaded (WINEDLLOVERRIDES)";
    const std::pair<const char*, Link> cases[] = {
        {"", Link::Unknown},  // the loopback interface alone
        {"adapter 2 6 up hardware,connector E", Link::Up},
        {"adapter 2 71 up hardware,connector W", Link::Up},
        {"adapter 2 71 unknown hardware,connector W", Link::Unknown},
        {"adapter 2 6 down hardware,connector E\nadapter 3 6 up hardware,connector,filter Q\n"
         "adapter 4 6 up - V\nadapter 5 6 up hardware VMnet8\nadapter 6 71 up connector,absent W2\n"
         "adapter 7 6 up connector,disabled E2",
         Link::Down},
        {"adapter 2 6 up hardware,connector E\nfail GetIfTable2 8", Link::Unknown},
    };
    for (const auto& [lines, expected] : cases) {
        line::Save(line::Parse(lines));
        EXPECT_EQ(ReadLinkState(), expected) << lines;
    }
    EXPECT_EQ(TablesOutstanding(), 0);
}

// Each row starts the watch and then changes the cable. A quiet system tells nothing, as Wine's: the
// reads while down hear a returning cable, and a pull is read when the dialer asks (Refresh).
TEST(LinkWatch, HearsACablePulledAndPutBack) {
    line::UsePrivateState(L"veltrane-link-test.ini");
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    enum Step { kPull, kPlug, kPullAndRefresh };
    const struct {
        const char* name;
        bool quiet, plugged;
        std::vector<Step> steps;
    } cases[] = {
        {"the system tells", false, true, {kPull, kPlug, kPull}},
        {"a quiet system", true, false, {kPlug, kPullAndRefresh, kPlug}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        line::Save(line::Parse(c.quiet ? "link quiet" : ""));
        line::SetCable(c.plugged);
        const int threads = ThreadsOfThisProcess();
        LinkWatch watch;
        ASSERT_TRUE(watch.Start(window, WM_APP));
        EXPECT_TRUE(watch.HearsSystem());
        EXPECT_EQ(watch.Last(), c.plugged ? Link::Up : Link::Down);
        for (Step step : c.steps) {
            line::SetCable(step == kPlug);
            if (step == kPullAndRefresh) {
                EXPECT_EQ(watch.Refresh(), Link::Down);
            }
            EXPECT_EQ(NextMessage(window), step == kPlug ? Link::Up : Link::Down);
        }
        watch.Stop();
        // No thread of its own, and the library's ends with the last registration.
        EXPECT_EQ(ThreadsOfThisProcess(), threads);
        EXPECT_EQ(NextMessage(window, 0), std::nullopt);
    }
    EXPECT_EQ(TablesOutstanding(), 0);
    DestroyWindow(window);
}

// Its own CTest entry runs it without the stand-in: the loopback interface is listed everywhere, and is
// no adapter of the line's.
TEST(LinkOnWine, ReadsTheSystemTable) {
    if (TablesOutstanding() >= 0) GTEST_SKIP() << "the stand-in is loaded: LinkOnWine.* runs without it";
    const std::optional<std::vector<AdapterRow>> rows = ReadAdapterRows();
    ASSERT_TRUE(rows);
    EXPECT_TRUE(std::ranges::any_of(*rows, [](const AdapterRow& row) {
        return row.type == 24 && row.media == MediaState::Connected && !row.connector && !row.filter;
    }));
}

}  // namespace
}  // namespace vt
