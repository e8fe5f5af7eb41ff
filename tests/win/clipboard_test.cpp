// The clipboard helper on the real clipboard: the text read back, a holder that lets go in time, one that
// does not.
#include "services/clipboard.h"

#include <gtest/gtest.h>

#include <thread>

namespace vt {
namespace {

std::wstring ClipboardText(HWND owner) {
    std::wstring text;
    if (!OpenClipboard(owner)) return L"<not opened>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

HWND MakeWindow() {
    return CreateWindowExW(0, L"STATIC", L"clipboard owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           nullptr, nullptr);
}

// Another thread's window holds the clipboard open for `hold_ms`; returns once it holds it.
std::thread HoldClipboard(DWORD hold_ms) {
    HANDLE holding = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([holding, hold_ms] {
        HWND window = MakeWindow();
        if (OpenClipboard(window)) {
            SetEvent(holding);
            Sleep(hold_ms);
            CloseClipboard();
        }
        SetEvent(holding);
        DestroyWindow(window);
    });
    WaitForSingleObject(holding, 5000);
    CloseHandle(holding);
    return holder;
}

TEST(Clipboard, TheTextIsReadBackAsUnicode) {
    HWND owner = MakeWindow();
    const std::string text = "Veltrane 诊断信息 2026-12-07 21:20:00\r\nIPv4：100.64.3.4（运营商内网）\r\n";
    ASSERT_TRUE(CopyTextToClipboard(owner, text));
    EXPECT_EQ(ClipboardText(owner),
              L"Veltrane 诊断信息 2026-12-07 21:20:00\r\nIPv4：100.64.3.4（运营商内网）\r\n");
    EXPECT_FALSE(CopyTextToClipboard(nullptr, "no owner"));
    EXPECT_EQ(ClipboardText(owner),
              L"Veltrane 诊断信息 2026-12-07 21:20:00\r\nIPv4：100.64.3.4（运营商内网）\r\n");

    // A holder that lets go within the wait.
    std::thread brief = HoldClipboard(60);
    EXPECT_TRUE(CopyTextToClipboard(owner, "after a wait"));
    brief.join();
    EXPECT_EQ(ClipboardText(owner), L"after a wait");
    // One that does not: the copy gives up and the clipboard keeps what it had.
    std::thread long_holder = HoldClipboard(600);
    EXPECT_FALSE(CopyTextToClipboard(owner, "too late"));
    long_holder.join();
    EXPECT_EQ(ClipboardText(owner), L"after a wait");
    DestroyWindow(owner);
}

}  // namespace
}  // namespace vt
