// The one-copy name, the supervision lock, and the DDE hand-over between two copies on real DDEML
// conversations.
#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/doubles/refusing_mutex.h"

namespace vt {
namespace {

// A running copy's side on its own thread with its own message loop, as in the program.
class ServerThread {
public:
    ServerThread() {
        ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this] {
            thread_id_ = GetCurrentThreadId();
            DdeCommandServer server;
            started_ = server.Start([this](const std::wstring& text) {
                received_ = text;
                ++count_;
            });
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue exists before we signal
            SetEvent(ready_);
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        });
        WaitForSingleObject(ready_, 5000);
    }
    ~ServerThread() {
        PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
        thread_.join();
        CloseHandle(ready_);
    }
    bool started() const { return started_; }
    std::wstring received() const { return received_; }
    int count() const { return count_; }
    DWORD id() const { return thread_id_; }

private:
    HANDLE ready_;
    std::thread thread_;
    DWORD thread_id_ = 0;
    bool started_ = false;
    std::wstring received_;
    std::atomic<int> count_{0};
};

// How another copy holds a name: not at all; on a thread of its own, as a copy's window thread (then
// letting go, or ending without letting go, as in a crash); or at another integrity level; or something
// else on the name: an object of another kind.
enum class Holder { kNone, kHolding, kReleased, kAbandoned, kRefusing, kOtherKind };

class OtherCopy {
public:
    OtherCopy(Holder how, const std::wstring& name) {
        if (how == Holder::kRefusing) refusing_ = line::HoldRefusingMutex(name.c_str());
        if (how == Holder::kOtherKind) refusing_.reset(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
        if (how == Holder::kNone || how == Holder::kRefusing || how == Holder::kOtherKind) return;
        thread_ = std::thread([this, how, name] {
            SharedLock lock(name);
            lock.TryTake();
            if (how == Holder::kAbandoned) return lock.HoldUntilThreadEnds();
            if (how == Holder::kReleased) lock.Release();
            SetEvent(ready_.get());
            WaitForSingleObject(close_.get(), INFINITE);
        });
        if (how == Holder::kAbandoned)
            thread_.join();
        else
            WaitForSingleObject(ready_.get(), 5000);
    }
    ~OtherCopy() { Close(); }
    void Close() {
        refusing_.reset();
        SetEvent(close_.get());
        if (thread_.joinable()) thread_.join();
    }

private:
    UniqueKernelHandle refusing_;
    UniqueKernelHandle ready_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueKernelHandle close_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::thread thread_;
};

TEST(InstanceMutexTest, ANameHeldBeforeMeansACopyRunsUntilItsHolderEnds) {
    for (Holder holder : {Holder::kNone, Holder::kHolding, Holder::kRefusing}) {
        SCOPED_TRACE(static_cast<int>(holder));
        const std::wstring name = L"Veltrane.Test.InstanceMutex." + std::to_wstring(static_cast<int>(holder));
        OtherCopy other(holder, name);
        InstanceMutex mutex(name.c_str());
        EXPECT_EQ(mutex.another_is_running(), holder != Holder::kNone);
        // Asked again while the holder runs, the answer stands; once it has ended, the name is ours.
        EXPECT_EQ(mutex.Retake(), holder == Holder::kNone);
        other.Close();
        EXPECT_TRUE(mutex.Retake());
    }
}

TEST(SupervisionLockTest, OneHolderAtATimeAndTheNextTakesOverWhenItLetsGo) {
    // A name no copy could have made (refusing us, or of another kind) leaves no copy to hold the lock:
    // each then supervises, and says so.
    struct Row {
        Holder holder;
        bool supervises, holds, elsewhere;
    };
    const Row rows[] = {{Holder::kNone, true, true, false},      {Holder::kHolding, false, false, true},
                        {Holder::kReleased, true, true, false},  {Holder::kAbandoned, true, true, false},
                        {Holder::kRefusing, true, false, false}, {Holder::kOtherKind, true, false, false}};
    for (const auto& [holder, supervises, holds, elsewhere] : rows) {
        SCOPED_TRACE(static_cast<int>(holder));
        const std::wstring name =
            L"Global\\Veltrane.Test.Supervision." + std::to_wstring(static_cast<int>(holder));
        OtherCopy other(holder, name);
        SupervisionLock lock(name.c_str());
        // A copy without the redial option asks without keeping.
        EXPECT_EQ(lock.HeldElsewhere(), elsewhere);
        EXPECT_FALSE(lock.Holds());
        EXPECT_EQ(lock.TrySupervise(), supervises);
        EXPECT_EQ(lock.Holds(), holds);
        EXPECT_EQ(lock.Foreign(), supervises && !holds);
        other.Close();  // the other copy quits: asked again, this one supervises
        EXPECT_TRUE(lock.TrySupervise());
    }
}

TEST(HandHangUpMark, SeenByTheOtherCopiesUntilTheSubscriberDialsAgain) {
    HandHangUpMark mine, other;
    mine.Set();
    EXPECT_TRUE(other.SetElsewhere());
    EXPECT_FALSE(mine.SetElsewhere());  // its own hang-up, which its session knows
    mine.Clear();
    EXPECT_FALSE(other.SetElsewhere());
}

TEST(DdeHandOver, TheRunningCopyReceivesTheCommandText) {
    ServerThread server;
    ASSERT_TRUE(server.started());
    EXPECT_TRUE(SendDdeCommand(L"Nor", 1500));
    EXPECT_EQ(server.received(), L"Nor");
    // Every command is accepted, whatever its text.
    EXPECT_TRUE(SendDdeCommand(L"anything else", 1500));
    EXPECT_EQ(server.received(), L"anything else");
    EXPECT_EQ(server.count(), 2);
}

TEST(DdeHandOver, WithNoRunningCopyTheSenderGivesUpAtOnce) {
    const DWORD started = GetTickCount();
    EXPECT_FALSE(SendDdeCommand(L"Nor", 1500));
    EXPECT_LT(GetTickCount() - started, 1500u);
}

TEST(DdeHandOver, AHungRunningCopyDoesNotHoldTheSenderPastItsLimit) {
    ServerThread server;
    ASSERT_TRUE(server.started());
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, server.id());
    ASSERT_NE(thread, nullptr);
    SuspendThread(thread);
    const DWORD started = GetTickCount();
    const bool accepted = SendDdeCommand(L"Nor", 800);
    const DWORD took = GetTickCount() - started;
    ResumeThread(thread);
    CloseHandle(thread);
    EXPECT_FALSE(accepted);
    EXPECT_LT(took, 1500u);
}

}  // namespace
}  // namespace vt
