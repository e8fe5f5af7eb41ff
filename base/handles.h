#pragma once
// Owning wrappers for Win32 handles. One move-only template; each kind is a one-line alias naming the
// function that releases it. A painter or a service that returns early cannot leak.
#include <windows.h>

#include <utility>

namespace vt {

namespace detail {
// What a kind's "no handle" is: null for most kinds; INVALID_HANDLE_VALUE for files and snapshots.
template <typename T>
struct NullIsNone {
    static T none() { return T{}; }
};
struct InvalidValueIsNone {
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
};
}  // namespace detail

template <typename T, auto Close, typename None = detail::NullIsNone<T>>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T value) : value_(value) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != None::none(); }
    T release() { return std::exchange(value_, None::none()); }
    void reset(T value = None::none()) {
        T old = std::exchange(value_, value);
        if (old != None::none()) Close(old);
    }
    // For out-parameters of creation calls: releases what is held first.
    T* put() {
        reset();
        return &value_;
    }

private:
    T value_ = None::none();
};

namespace detail {
inline void CloseRegKey(HKEY key) { RegCloseKey(key); }
inline void CloseKernelHandle(HANDLE handle) { CloseHandle(handle); }
inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void DeleteMemoryDc(HDC dc) { DeleteDC(dc); }
inline void DestroyIconHandle(HICON icon) { DestroyIcon(icon); }
inline void DestroyMenuHandle(HMENU menu) { DestroyMenu(menu); }
inline void DestroyWindowHandle(HWND window) { DestroyWindow(window); }
}  // namespace detail

using UniqueRegKey = UniqueHandle<HKEY, detail::CloseRegKey>;
using UniqueKernelHandle = UniqueHandle<HANDLE, detail::CloseKernelHandle>;
// A file's or a snapshot's handle: their creation calls fail with INVALID_HANDLE_VALUE, not null.
using UniqueFile = UniqueHandle<HANDLE, detail::CloseKernelHandle, detail::InvalidValueIsNone>;
using UniqueMemoryDc = UniqueHandle<HDC, detail::DeleteMemoryDc>;
using UniqueBitmap = UniqueHandle<HBITMAP, detail::DeleteGdiObject>;
using UniqueBrush = UniqueHandle<HBRUSH, detail::DeleteGdiObject>;
using UniqueFont = UniqueHandle<HFONT, detail::DeleteGdiObject>;
using UniqueRegion = UniqueHandle<HRGN, detail::DeleteGdiObject>;
using UniqueIcon = UniqueHandle<HICON, detail::DestroyIconHandle>;
using UniqueMenu = UniqueHandle<HMENU, detail::DestroyMenuHandle>;
using UniqueWindow = UniqueHandle<HWND, detail::DestroyWindowHandle>;

// A window's DC from GetDC / GetWindowDC: released against the window it came from.
class WindowDc {
public:
    explicit WindowDc(HWND window, bool whole_window = false)
        : window_(window), dc_(whole_window ? GetWindowDC(window) : GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint / EndPaint as one scope.
class PaintDc {
public:
    explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { EndPaint(window_, &paint_); }
    HDC get() const { return dc_; }
    const PAINTSTRUCT& paint() const { return paint_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Selects an object into a DC for one scope and puts the previous one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A COM interface pointer that releases its reference.
template <typename I>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ~ComPtr() { reset(); }
    I* get() const { return ptr_; }
    I* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    void reset() {
        if (ptr_) std::exchange(ptr_, nullptr)->Release();
    }
    I** put() {
        reset();
        return &ptr_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

private:
    I* ptr_ = nullptr;
};

}  // namespace vt
