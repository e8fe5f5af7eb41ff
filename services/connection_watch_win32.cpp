#include "services/connection_watch.h"

#include "services/ras_records.h"

namespace vt {

bool ConnectionEndWatch::Start(HWND window, UINT message) {
    Stop();
    const ras::Api& api = ras::LoadApi();
    if (!api.connection_notification || !window) return false;
    // Auto-reset: each end wakes the thread once.
    UniqueKernelHandle ended(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    UniqueKernelHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ended || !stop) return false;
    // Every connection, not only the entry's: a connection made after this call (the next dial) has no
    // handle yet, and the receiver asks the system which one ended anyway.
    if (api.connection_notification(INVALID_HANDLE_VALUE, ended.get(), ras::kNotifyDisconnection) != 0)
        return false;
    window_ = window;
    message_ = message;
    ended_ = std::move(ended);
    stop_ = std::move(stop);
    // A thread of its own that blocks until a signal, rather than the thread pool's wait: the pool's wait
    // thread may wake on its own schedule, and a tray program should cost nothing while the line is quiet.
    // The smallest stack will do: the thread only waits and posts.
    thread_.reset(CreateThread(nullptr, 16 * 1024, &ConnectionEndWatch::Watch, this,
                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread_) {
        ended_.reset();
        stop_.reset();
        return false;
    }
    return true;
}

void ConnectionEndWatch::Stop() {
    if (thread_) {
        // The thread only ever posts, which never blocks, so waiting for it here cannot deadlock.
        SetEvent(stop_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }
    // The system keeps its own reference to the event; closing ours only ends our interest.
    ended_.reset();
    stop_.reset();
    window_ = nullptr;
    message_ = 0;
}

DWORD WINAPI ConnectionEndWatch::Watch(void* context) {
    const auto* watch = static_cast<const ConnectionEndWatch*>(context);
    const HANDLE handles[2] = {watch->stop_.get(), watch->ended_.get()};
    // The stop comes first, so that a stop and an end signalled together post nothing more.
    while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
        PostMessageW(watch->window_, watch->message_, 0, 0);
    return 0;
}

}  // namespace vt
