#include "services/connection_watch.h"

#include "services/ras_records.h"

namespace vt {

bool ConnectionEndWatch::Start(HWND window, UINT ended_message, UINT made_message) {
    Stop();
    const ras::Api& api = ras::LoadApi();
    if (!api.connection_notification || !window) return false;
    // Auto-reset: each change wakes the thread once.
    UniqueKernelHandle ended(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    UniqueKernelHandle made(made_message ? CreateEventW(nullptr, FALSE, FALSE, nullptr) : nullptr);
    UniqueKernelHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ended || !stop || (made_message && !made)) return false;
    // Every connection, not only the entry's: a connection made after this call (the next dial) has no
    // handle yet, and the receiver asks the system which one changed anyway. The two kinds go to two
    // events, so that a connection made is never taken for an end.
    if (api.connection_notification(INVALID_HANDLE_VALUE, ended.get(), ras::kNotifyDisconnection) != 0)
        return false;
    // Without the news of connections made the watch still tells of ends, which matter more: a made
    // connection is also found by the next watch tick.
    if (made && api.connection_notification(INVALID_HANDLE_VALUE, made.get(), ras::kNotifyConnection) != 0)
        made.reset();
    window_ = window;
    ended_message_ = ended_message;
    made_message_ = made ? made_message : 0;
    ended_ = std::move(ended);
    made_ = std::move(made);
    stop_ = std::move(stop);
    // A thread of its own that blocks until a signal, rather than the thread pool's wait: the pool's wait
    // thread may wake on its own schedule, and a tray program should cost nothing while the line is quiet.
    // The smallest stack will do: the thread only waits and posts.
    thread_.reset(CreateThread(nullptr, 16 * 1024, &ConnectionEndWatch::Watch, this,
                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread_) {
        ended_.reset();
        made_.reset();
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
    // The system keeps its own reference to the events; closing ours only ends our interest.
    ended_.reset();
    made_.reset();
    stop_.reset();
    window_ = nullptr;
    ended_message_ = 0;
    made_message_ = 0;
}

DWORD WINAPI ConnectionEndWatch::Watch(void* context) {
    const auto* watch = static_cast<const ConnectionEndWatch*>(context);
    const HANDLE handles[3] = {watch->stop_.get(), watch->ended_.get(), watch->made_.get()};
    const DWORD count = watch->made_ ? 3 : 2;
    // The stop comes first, so that a stop and a change signalled together post nothing more.
    for (;;) {
        const DWORD signalled = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (signalled == WAIT_OBJECT_0 + 1) {
            PostMessageW(watch->window_, watch->ended_message_, 0, 0);
        } else if (signalled == WAIT_OBJECT_0 + 2) {
            PostMessageW(watch->window_, watch->made_message_, 0, 0);
        } else {
            return 0;
        }
    }
}

}  // namespace vt
