// The skin on the old controls of the windowing library, in a program built without the common controls 6
// manifest (every other test program carries it, as Veltrane.exe does). The skin attaches to any window of
// the process, message boxes included, whatever controls they are made of; these cases keep it honest
// there.
#include <gtest/gtest.h>

#include "skin/skin_engine.h"
#include "skin/skin_vocabulary.h"
#include "skin/skin_window.h"
#include "tests/win/skin_main_window_support.h"
#include "tests/win/skin_test_support.h"

namespace vt {
namespace {

using namespace skin_test;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kHoverTopLine = RGB(76, 195, 251);
constexpr COLORREF kPressedTopLine = RGB(57, 188, 251);

intptr_t Prop(HWND window, const char* name) { return GetSkinProp(window, name); }

TEST(SkinOldControls, MessageBoxOfASkinnedWindowIsSkinnedWithItsButtons) {
    SetCursorPos(1200, 780);
    HWND form = MakeForm();
    ASSERT_EQ(SkinWindow(form), 1);
    SetForegroundWindow(form);
    MessageBoxCloser closer;
    MessageBoxW(form, L"请先输入帐号和密码！", L"提示：", MB_OK | MB_ICONINFORMATION);
    ASSERT_EQ(closer.records().size(), 1u);
    const MessageBoxRecord& box = closer.records()[0];
    EXPECT_TRUE(box.skinned);
    EXPECT_GE(box.buttons, 1);
    EXPECT_EQ(box.themed_buttons, 0);
    EXPECT_EQ(box.skinned_buttons, box.buttons);
    EXPECT_EQ(box.faced_buttons, box.buttons);
    DestroyWindow(form);
}

// The old button paints at once inside its own messages rather than later: the fade, the pressed face and
// the release look hold there too.
TEST(SkinOldControls, PushButtonFadesAndShowsItsReleaseLookAtOnce) {
    SetCursorPos(1200, 780);
    HWND form = MakeForm(400, 300);
    HWND button = MakeChild(form, L"BUTTON", L"连 接", BS_PUSHBUTTON, 10, 10, 80, 25);
    SIZE ideal{};
    ASSERT_EQ(SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)), 0);
    ASSERT_EQ(SkinWindow(form), 1);
    UpdateWindow(form);
    Pump(30);
    SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    Pump(200);
    EXPECT_EQ(Prop(button, kPropTimerId), 1);  // a repaint in between leaves the fade running
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(Prop(button, kPropTimerId), 1);
    EXPECT_TRUE(PumpUntil([&] { return Prop(button, kPropTimerId) == 0; }, 5000));
    EXPECT_EQ(WindowPixel(button, 40, 1), kHoverTopLine);
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    Pump(20);
    EXPECT_EQ(WindowPixel(button, 40, 1), kPressedTopLine);
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    EXPECT_EQ(WindowPixel(button, 40, 1), kHoverTopLine);
    EXPECT_TRUE(PumpUntil([&] { return Prop(button, kPropTimerId) == 0; }, 5000));
    EXPECT_EQ(WindowPixel(button, 40, 1), kWhite);
    DestroyWindow(form);
}

}  // namespace
}  // namespace vt
