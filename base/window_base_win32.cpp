#include "base/window_base.h"

namespace vt {

WindowBase* WindowBase::BoundTo(HWND window) {
    return reinterpret_cast<WindowBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK WindowBase::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    WindowBase* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        if (!self) return DefWindowProcW(window, message, wparam, lparam);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = BoundTo(window);
    }
    if (!self) return DefWindowProcW(window, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        // Forgotten before the default handling, so that nothing the platform sends from there on
        // reaches an object that may be on its way out.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        const LRESULT result = DefWindowProcW(window, message, wparam, lparam);
        if (self->window_ == window) {
            self->window_ = nullptr;
            self->OnForgotten();
        }
        return result;
    }
    return self->HandleMessage(message, wparam, lparam);
}

void WindowBase::DestroyOwnWindow() {
    if (window_ && IsWindow(window_) && BoundTo(window_) == this &&
        GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId())
        DestroyWindow(window_);
}

}  // namespace vt
