#pragma once
// A real main window for the skin's tests and benchmark: MainWindow with MainFrm behind it, quiet stand-in
// services (no file, registry, network or tray), skinned at load through the same entry the program uses.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/main_frm.h"
#include "app/main_window.h"
#include "skin/skin_window.h"
#include "tests/win/quiet_services.h"

namespace vt::skin_test {

using test::QuietServices;

// The main window, loaded (and so shown, with no stored account) and, when `skinned`, skinned at load.
struct LoadedMainWindow {
    QuietServices services;
    MainWindow window;
    MainFrm frm{services, window};

    explicit LoadedMainWindow(HINSTANCE instance = GetModuleHandleW(nullptr)) : window(instance) {}

    bool Load(bool skinned = true) {
        if (!window.Create()) return false;
        window.SetBehaviour(&frm);
        if (skinned) window.SetSkinAttach([](HWND hwnd) { SkinWindow(hwnd); });
        frm.OnLoad();
        return true;
    }
    HWND hwnd() const { return window.hwnd(); }
    HWND Picture() const { return GetDlgItem(window.hwnd(), MainWindow::kPicture1); }
    HWND Control(int id) const { return GetDlgItem(Picture(), id); }
};

// Closes the message boxes of this thread from a thread timer (which the boxes' own modal loops
// dispatch): each box is left open until the skin has reached it, or for at most `patience_ticks`
// ticks, then its buttons are looked at, `behind` (when given) looks at the windows behind it while it
// is open, and IDOK is posted to it.
struct MessageBoxRecord {
    std::wstring title;
    bool skinned = false;
    int buttons = 0;          // visible buttons of the box
    int skinned_buttons = 0;  // ... that carry the skin
    int faced_buttons = 0;    // ... that show the skin's face (its frame colour at the left edge)
    int themed_buttons = 0;   // ... that are the themed controls (common controls 6)
};

class MessageBoxCloser {
public:
    explicit MessageBoxCloser(int patience_ticks = 150, bool inspect = true,
                              std::function<void()> behind = nullptr) {
        patience_ = patience_ticks;
        inspect_ = inspect;
        behind_ = std::move(behind);
        records_.clear();
        timer_ = SetTimer(nullptr, 0, 10, &MessageBoxCloser::Tick);
    }
    ~MessageBoxCloser() {
        KillTimer(nullptr, timer_);
        behind_ = nullptr;
    }
    MessageBoxCloser(const MessageBoxCloser&) = delete;
    MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;
    const std::vector<MessageBoxRecord>& records() const { return records_; }

private:
    static BOOL CALLBACK FindBox(HWND window, LPARAM param) {
        if (!IsWindowVisible(window) || WindowClassName(window) != "#32770") return TRUE;
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    static BOOL CALLBACK CollectButtons(HWND child, LPARAM param) {
        auto* buttons = reinterpret_cast<std::vector<HWND>*>(param);
        char name[32] = {};
        GetClassNameA(child, name, 32);
        if (lstrcmpiA(name, "button") == 0 && IsWindowVisible(child)) buttons->push_back(child);
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
        if (!box) {
            waited_ = 0;
            return;
        }
        if (box == closing_) return;  // IDOK is on its way
        const bool skinned = GetPropA(box, "PROCADDR") != nullptr;
        if (!skinned && ++waited_ < patience_) return;
        waited_ = 0;
        MessageBoxRecord record;
        wchar_t title[64] = {};
        GetWindowTextW(box, title, 64);
        record.title = title;
        record.skinned = skinned;
        if (inspect_) {
            std::vector<HWND> buttons;
            EnumChildWindows(box, CollectButtons, reinterpret_cast<LPARAM>(&buttons));
            for (HWND button : buttons) {
                ++record.buttons;
                if (!GetPropA(button, "PROCADDR")) continue;
                ++record.skinned_buttons;
                SIZE ideal{};  // only the themed button answers this
                record.themed_buttons +=
                    SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) != 0;
                RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                RECT rect{};
                GetWindowRect(button, &rect);
                HDC dc = GetWindowDC(button);
                record.faced_buttons += GetPixel(dc, 0, (rect.bottom - rect.top) / 2) == RGB(27, 143, 213);
                ReleaseDC(button, dc);
            }
        }
        records_.push_back(record);
        closing_ = box;
        if (behind_) behind_();
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }

    static inline std::vector<MessageBoxRecord> records_;
    static inline int patience_ = 150;
    static inline bool inspect_ = true;
    static inline std::function<void()> behind_;
    static inline int waited_ = 0;
    static inline HWND closing_ = nullptr;
    UINT_PTR timer_ = 0;
};

}  // namespace vt::skin_test
