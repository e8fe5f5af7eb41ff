#include <windows.h>

#include <gtest/gtest.h>

// The bench itself: a Windows test runs under Wine in its own prefix, with a display.
TEST(Bench, RunsUnderWineWithADisplay) {
    wchar_t windir[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windir, MAX_PATH), 0u);
    HWND wnd = CreateWindowExW(0, L"STATIC", L"x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    EXPECT_TRUE(DestroyWindow(wnd));
}
