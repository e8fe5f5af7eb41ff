#pragma once
// The balloons the shell shows, read from outside the program that asks for them. Header-only, for the
// end-to-end tests and the benchmarks.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace vt::e2e {

// Every balloon the shell shows while it lives, in order, apart from one already showing when it starts:
// the shell shows one at a time, as a visible balloon tooltip of its own, and a new one of the same icon
// replaces the one showing.
class BalloonWatch {
public:
    BalloonWatch() : thread_([this] { Run(); }) {}
    BalloonWatch(const BalloonWatch&) = delete;
    BalloonWatch& operator=(const BalloonWatch&) = delete;
    ~BalloonWatch() {
        ending_ = true;
        thread_.join();
    }
    // What was shown since the last Mark.
    std::vector<std::wstring> Seen() {
        std::lock_guard<std::mutex> guard(lock_);
        return seen_;
    }
    std::size_t Count() { return Seen().size(); }
    void Mark() {
        std::lock_guard<std::mutex> guard(lock_);
        seen_.clear();
    }
    // Waits for a balloon saying `text` since the last Mark.
    bool WaitFor(const std::wstring& text, DWORD timeout_ms) {
        return WaitUntil(
            [&] {
                const std::vector<std::wstring> seen = Seen();
                return std::find(seen.begin(), seen.end(), text) != seen.end();
            },
            timeout_ms);
    }

private:
    static BOOL CALLBACK Visit(HWND window, LPARAM param) {
        wchar_t name[32] = {};
        GetClassNameW(window, name, 32);
        if (std::wstring_view(name) == L"tooltips_class32" && IsWindowVisible(window) &&
            (GetWindowLongW(window, GWL_STYLE) & TTS_BALLOON))
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
        return TRUE;
    }
    void Run() {
        std::vector<std::pair<HWND, std::wstring>> showing;
        for (bool first = true; !ending_; first = false) {
            std::vector<HWND> windows;
            EnumWindows(Visit, reinterpret_cast<LPARAM>(&windows));
            std::vector<std::pair<HWND, std::wstring>> now;
            for (HWND window : windows) now.emplace_back(window, WindowText(window));
            for (const auto& balloon : now)
                if (!first && !balloon.second.empty() &&
                    std::find(showing.begin(), showing.end(), balloon) == showing.end()) {
                    std::lock_guard<std::mutex> guard(lock_);
                    seen_.push_back(balloon.second);
                }
            showing = std::move(now);
            Sleep(20);
        }
    }

    std::atomic<bool> ending_{false};
    std::mutex lock_;
    std::vector<std::wstring> seen_;
    std::thread thread_;
};

}  // namespace vt::e2e
