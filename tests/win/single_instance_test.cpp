// The single-instance test and the DDE hand-over between two copies, on real DDEML conversations.
#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

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

TEST(InstanceMutexTest, TheSecondHolderOfTheNameSeesTheFirst) {
    const wchar_t* name = L"Veltrane.Test.InstanceMutex";
    InstanceMutex first(name);
    EXPECT_FALSE(first.another_is_running());
    {
        InstanceMutex second(name);
        EXPECT_TRUE(second.another_is_running());
    }
    // A name nobody holds any more is free again.
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
