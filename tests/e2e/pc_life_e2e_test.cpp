// The real program through the PC's own life, driven from outside: the machine sleeps and wakes, the cable
// is pulled and put back, an installer's Restart Manager closes the program. The system's messages are
// sent to the main window as the system sends them; the balloons are read where the shell shows them.
#include <gtest/gtest.h>
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "tests/doubles/http_stub.h"
#include "tests/e2e/balloon_watch.h"
#include "tests/e2e/e2e_case.h"

namespace vt::e2e {
namespace {

const wchar_t kNoLinkBalloon[] =
    L"网线未连接或光猫未开机，暂时无法拨号。请检查网线和光猫，接好后程序会自动拨号。";

// Whether the shell still keeps the program's tray icon: a change that changes nothing is taken only for
// an icon it keeps.
bool TrayIconShown(HWND window) {
    NOTIFYICONDATAW record{};
    record.cbSize = NOTIFYICONDATAW_V2_SIZE;
    record.hWnd = window;
    record.uID = 1;  // the program's one icon
    return Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

class PcLifeE2e : public E2eCase {
protected:
    PcLifeE2e() : E2eCase(L"veltrane-e2e-life.ini") {}
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(E2eCase::SetUp());
        // Probes of a connected, quiet line reach a stub that answers: the line works.
        ASSERT_TRUE(stub_.running());
        SetProxy(L"127.0.0.1:" + std::to_wstring(stub_.port()));
        StoreAccount(L"user", "secret", true);
    }

    // Starts the program hidden, as at logon, on a line that is up, with "断网重拨" ticked.
    void StartConnected() {
        SetLine([](line::State& s) {
            s.entries.push_back("Veltrane");
            s.connected.push_back("Veltrane");
            s.dial = {line::DialMode::Connect, 1, 0};
        });
        balloons_ = std::make_unique<BalloonWatch>();
        ASSERT_TRUE(program_.Launch(L"hide"));
        ASSERT_TRUE(WaitUntil([&] { return program_.Checked(kRedialOnDropBox); }, 5000));
        ASSERT_TRUE(WaitUntil([&] { return TrayIconShown(program_.window()); }, 5000));
        // The start's own news, which the shell may show late, is not what a case watches for.
        balloons_->WaitFor(L"网络已连接！", 5000);
        balloons_->Mark();
    }
    void Drop() {
        SetLine([](line::State& s) { s.connected.clear(); });
    }
    bool Power(WPARAM event) {
        return SendMessageTimeoutW(program_.window(), WM_POWERBROADCAST, event, 0, SMTO_NORMAL, 5000,
                                   nullptr) != 0;
    }
    static std::string Joined(const std::vector<std::wstring>& texts) {
        std::string out;
        for (const std::wstring& text : texts) out += "[" + WideToUtf8(text) + "] ";
        return out;
    }
    void PulledAndPutBack(bool told);

    line::HttpStub stub_ = line::HttpStub::Reply(200, "<html>ok</html>");
    std::unique_ptr<BalloonWatch> balloons_;
};

// Connected with "断网重拨" ticked; the line drops while the machine sleeps: nothing is dialled asleep. At
// the wake the adapter has no link for a moment, then a dial starts at once; it meets a modem not ready
// yet (651), and the next, at the supervision's tick, connects. What the wake's first seconds mend, the
// missing link and the failure, is not told.
TEST_F(PcLifeE2e, AWakeAfterADropInSleepDialsAtOnceAndTellsNothingThatItMends) {
    SetLine([](line::State& s) { s.script = {651, 0}; });
    ASSERT_TRUE(line::SetCable(true));
    StartConnected();
    // The sleep begins just after a supervision tick (its probe reaches the stub), so that the tick that
    // mends the wake's failure comes well inside the wake's first 30 s.
    const std::size_t probes = stub_.Requests().size();
    ASSERT_TRUE(WaitUntil([&] { return stub_.Requests().size() > probes; }, 40000)) << "no supervision tick";
    ASSERT_TRUE(Power(PBT_APMSUSPEND));
    Drop();
    ASSERT_TRUE(line::SetCable(false));
    // A drop is redialled within a second or two while awake (see DialerE2e): none starts asleep.
    EXPECT_TRUE(line::WaitForDialStarts(1, 6000).empty()) << "dialled while asleep";
    EXPECT_EQ(program_.Status(), L"");

    const ULONGLONG woke = TickMs();
    ASSERT_TRUE(Power(PBT_APMRESUMEAUTOMATIC));
    EXPECT_TRUE(StatusBecomes(L"- 网线未连接"));
    ASSERT_TRUE(line::SetCable(true));
    ASSERT_EQ(line::WaitForDialStarts(1, 10000).size(), 1u) << "no dial after the wake";
    const ULONGLONG first_dial = TickMs() - woke;
    std::printf("[ figure ] wake to the first dial, the link back meanwhile: %llu ms\n", first_dial);
    EXPECT_LT(first_dial, 5000u);
    EXPECT_TRUE(StatusBecomes(L"- 拨号失败 (651)"));
    ASSERT_EQ(line::WaitForDialStarts(2, 30000).size(), 2u) << "the failure was not redialled";
    EXPECT_TRUE(StatusBecomes(L"- 网络已连接"));
    // Past the wake's first 30 s, when a failure still unmended would be told: nothing was, asleep or awake.
    WaitUntil([&] { return balloons_->Count() > 0; },
              static_cast<DWORD>(woke + 32000 - std::min(TickMs(), woke + 32000)));
    EXPECT_TRUE(balloons_->Seen().empty()) << Joined(balloons_->Seen());
    EXPECT_EQ(line::ReadDialLog().size(), 2u);
}

// Connected with "断网重拨" ticked; the cable is pulled and the line drops: no dial while it is out, the
// status says so, and one balloon; the cable back, a dial within 2 s of the link, and one balloon more.
// `told`: the system tells the adapters' changes; else nothing is told (as under Wine, or an adapter without
// IP), and the program's own reads while the link is down must see the cable's return.
void PcLifeE2e::PulledAndPutBack(bool told) {
    SetLine([told](line::State& s) { s.link.quiet = !told; });
    ASSERT_TRUE(line::SetCable(true));
    StartConnected();
    ASSERT_TRUE(line::SetCable(false));
    Drop();
    EXPECT_TRUE(StatusBecomes(L"- 网线未连接"));
    EXPECT_TRUE(line::WaitForDialStarts(1, 5000).empty()) << "dialled with the cable out";
    EXPECT_EQ(balloons_->Seen(), std::vector<std::wstring>{kNoLinkBalloon}) << Joined(balloons_->Seen());

    ASSERT_TRUE(line::SetCable(true));
    const ULONGLONG plugged = TickMs();
    ASSERT_EQ(line::WaitForDialStarts(1, 10000).size(), 1u) << "no dial after the cable's return";
    const ULONGLONG to_dial = TickMs() - plugged;
    std::printf("[ figure ] the cable's return to the dial (%s): %llu ms\n", told ? "told" : "quiet",
                to_dial);
    EXPECT_LT(to_dial, 2000u);
    EXPECT_TRUE(StatusBecomes(L"- 网络已连接"));
    // The outage was told, so its end is told too: two balloons in all.
    balloons_->WaitFor(L"网络已重新连接。", 5000);
    EXPECT_EQ(balloons_->Seen(), (std::vector<std::wstring>{kNoLinkBalloon, L"网络已重新连接。"}))
        << Joined(balloons_->Seen());
}

TEST_F(PcLifeE2e, TheCablePulledAndPutBackIsOneNoticeAndADialAtItsReturn) { PulledAndPutBack(true); }

TEST_F(PcLifeE2e, TheCablesReturnIsSeenWhenTheSystemTellsNothing) { PulledAndPutBack(false); }

// An installer's Restart Manager closes the program and the session goes on: the program ends as the
// tray menu's quit ends it, takes its icon with it, and leaves the one-copy lock to a new start.
TEST_F(PcLifeE2e, TheRestartManagersCloseEndsTheProgramAndANewStartWorks) {
    StartConnected();
    const HWND window = program_.window();
    DWORD_PTR agreed = 0;
    ASSERT_TRUE(
        SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_NORMAL, 5000, &agreed));
    EXPECT_NE(agreed, 0u);
    SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_NORMAL, 5000, nullptr);
    ASSERT_TRUE(program_.Exited(10000)) << "still running after the close";
    EXPECT_EQ(program_.ExitCode(), 0u);
    EXPECT_FALSE(TrayIconShown(window));

    Program again;
    ASSERT_TRUE(again.Launch(L"hide"));
    EXPECT_FALSE(again.Exited(1000)) << "the new start ended: the one-copy lock was still held";
    EXPECT_TRUE(WaitUntil([&] { return TrayIconShown(again.window()); }, 5000));
    EXPECT_TRUE(line::ReadDialLog().empty());
}

}  // namespace
}  // namespace vt::e2e
