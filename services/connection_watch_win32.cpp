#include "services/connection_watch.h"

#include "services/ras_records.h"

namespace vt {

bool ConnectionEndWatch::Start(HWND window, UINT message) {
    Stop();
    const ras::Api& api = ras::LoadApi();
    if (!api.connection_notification || !window) return false;
    // Auto-reset: the satisfied wait itself resets it, so each end wakes the wait once, and the wait,
    // registered without WT_EXECUTEONLYONCE, stays armed for the next.
    UniqueKernelHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!event) return false;
    // Every connection, not only the entry's: a connection made after this call (the next dial) has no
    // handle yet, and the receiver asks the system which one ended anyway.
    if (api.connection_notification(INVALID_HANDLE_VALUE, event.get(), ras::kNotifyDisconnection) != 0)
        return false;
    window_ = window;
    message_ = message;
    // The callback only posts, so it may run on the wait thread itself instead of a pool thread.
    HANDLE wait = nullptr;
    if (!RegisterWaitForSingleObject(&wait, event.get(), &ConnectionEndWatch::Signalled, this, INFINITE,
                                     WT_EXECUTEINWAITTHREAD))
        return false;
    // The system keeps its own reference to the event; closing ours at Stop only ends our interest.
    event_ = std::move(event);
    wait_ = wait;
    return true;
}

void ConnectionEndWatch::Stop() {
    if (wait_) {
        // INVALID_HANDLE_VALUE: returns only when no callback runs or can run any more.
        UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
        wait_ = nullptr;
    }
    event_.reset();
    window_ = nullptr;
    message_ = 0;
}

void CALLBACK ConnectionEndWatch::Signalled(void* context, BOOLEAN /*timed_out*/) {
    const auto* watch = static_cast<const ConnectionEndWatch*>(context);
    PostMessageW(watch->window_, watch->message_, 0, 0);
}

}  // namespace vt
