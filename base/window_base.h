#pragma once
// The one window procedure of the program's own windows. A class registered with WindowBase::Procedure
// makes windows whose C++ object is handed over as the creation parameter: the object is bound at
// WM_NCCREATE, receives every message from then on through HandleMessage, and is forgotten at
// WM_NCDESTROY. Messages before WM_NCCREATE, or for a window made without an object, get the default
// procedure.
#include <windows.h>

namespace vt {

class WindowBase {
public:
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    // The object bound to `window`, or null.
    static WindowBase* BoundTo(HWND window);

    HWND hwnd() const { return window_; }

protected:
    WindowBase() = default;
    virtual ~WindowBase() = default;

    // Every message between WM_NCCREATE and WM_NCDESTROY; hwnd() is the window. What it does not
    // handle goes to DefWindowProcW.
    virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) = 0;
    // After the window is gone and forgotten (hwnd() is null again).
    virtual void OnForgotten() {}
    // Destroys the window when this object still owns it and it belongs to the calling thread: a handle
    // whose WM_NCDESTROY went astray may by now name another window.
    void DestroyOwnWindow();

    HWND window_ = nullptr;  // set at WM_NCCREATE, cleared at WM_NCDESTROY
};

}  // namespace vt
