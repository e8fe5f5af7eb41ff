// Every painter, attach and detach releases the GDI objects it made. GetGuiResources is a stub under Wine,
// so the count of leaked objects is read from the free handle capacity before and after each loop.
#include <gtest/gtest.h>

#include "skin/skin_engine.h"
#include "skin/skin_painters.h"
#include "skin/skin_vocabulary.h"
#include "skin/skin_window.h"
#include "skin_test_support.h"

namespace vt {
namespace {

using namespace skin_test;

// Runs `round` once to warm every cache, then measures the objects that `rounds` repetitions leak.
template <typename Round>
int LeakedObjects(int rounds, Round round) {
    round();
    Pump();
    const int before = FreeGdiCapacity();
    for (int i = 0; i < rounds; ++i) round();
    Pump();
    const int after = FreeGdiCapacity();
    return before - after;
}

struct PainterBench {
    HWND form = MakeForm(340, 263);
    HWND button = MakeChild(form, L"BUTTON", L"连 接", BS_PUSHBUTTON, 10, 10, 90, 28);
    HWND box = MakeChild(form, kCheckBoxClass, L"开机启动", BS_AUTOCHECKBOX, 10, 50, 100, 17);
    HWND option = MakeChild(form, kOptionButtonClass, L"o", BS_AUTORADIOBUTTON, 10, 80, 100, 17);
    HWND combo = MakeChild(form, L"COMBOBOX", L"", CBS_DROPDOWNLIST, 10, 110, 150, 200);
    HWND header = MakeHeader(form, 0, 10, 150, {{L"账号", 120}});
    PainterBench() {
        SkinWindow(form);
        SetSkinProp(button, kPropAlphaLevel, 255);
        SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
        SendMessageW(option, BM_SETCHECK, BST_CHECKED, 0);
        UpdateWindow(form);
        Pump(20);
    }
    ~PainterBench() { DestroyWindow(form); }
};

TEST(SkinHandles, AttachDetachCyclesLeakNothing) {
    HWND form = MakeForm();
    MakeChild(form, L"BUTTON", L"连 接", BS_PUSHBUTTON, 10, 10, 90, 28);
    MakeChild(form, L"BUTTON", L"cancel", BS_PUSHBUTTON | WS_DISABLED, 110, 10, 90, 28);
    MakeChild(form, L"EDIT", L"", 0, 10, 50, 100, 22, WS_EX_CLIENTEDGE);
    MakeChild(form, kCheckBoxClass, L"开机启动", BS_AUTOCHECKBOX, 10, 80, 100, 17);
    MakeChild(form, L"COMBOBOX", L"", CBS_DROPDOWNLIST, 10, 110, 150, 200);
    MakeChild(form, WC_HEADERW, L"", 0, 10, 150, 300, 22);
    UpdateWindow(form);
    EXPECT_EQ(LeakedObjects(SoakCount(1000),
                            [&] {
                                ASSERT_EQ(SkinWindow(form), 1);
                                ASSERT_EQ(DetachSkin(form), 1);
                            }),
              0);
    EXPECT_EQ(SkinEngineState().SkinnedCount, 0);
    DestroyWindow(form);
}

TEST(SkinHandles, ButtonPaintersLeakNothing) {
    PainterBench bench;
    EXPECT_EQ(LeakedObjects(SoakCount(10000), [&] { PaintButtonFace(bench.button, nullptr); }), 0);
    Surface target = CreateSurface(90, 28);
    EXPECT_EQ(LeakedObjects(SoakCount(10000), [&] { PaintButtonFace(bench.button, target.dc()); }), 0);
    EXPECT_EQ(LeakedObjects(SoakCount(10000), [&] { RenderButtonStates(bench.button); }), 0);
}

TEST(SkinHandles, TogglePaintersLeakNothing) {
    PainterBench bench;
    EXPECT_EQ(LeakedObjects(SoakCount(10000), [&] { PaintCheckBox(bench.box, 1, true); }), 0);
    EXPECT_EQ(LeakedObjects(SoakCount(10000), [&] { PaintOptionButton(bench.option, 2, true); }), 0);
}

TEST(SkinHandles, ComboAndHeaderPaintersLeakNothing) {
    PainterBench bench;
    EXPECT_EQ(LeakedObjects(SoakCount(10000),
                            [&] {
                                int state = 1;
                                PaintComboButton(bench.combo, nullptr, state, true);
                            }),
              0);
    EXPECT_EQ(LeakedObjects(SoakCount(10000), [&] { PaintHeaderItem(bench.header, nullptr, 0, 1); }), 0);
}

TEST(SkinHandles, SkinnedRepaintsLeakNothing) {
    PainterBench bench;
    RegisterSuperclass(PROGRESS_CLASSW, L"ProgressBar20WndClass");
    HWND bar = MakeChild(bench.form, L"ProgressBar20WndClass", L"", WS_BORDER, 10, 230, 200, 18);
    SendMessageW(bar, PBM_SETPOS, 40, 0);
    AttachSkin(bar);
    MakeChild(bench.form, L"EDIT", L"", 0, 200, 10, 100, 22, WS_EX_CLIENTEDGE);
    EXPECT_EQ(LeakedObjects(SoakCount(2000),
                            [&] {
                                RedrawWindow(
                                    bench.form, nullptr, nullptr,
                                    RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
                            }),
              0);
}

TEST(SkinHandles, TheMeasureSeesALeak) {
    std::vector<HBRUSH> kept;
    EXPECT_EQ(LeakedObjects(25, [&] { kept.push_back(CreateSolidBrush(RGB(1, 2, 3))); }), 25);
    for (HBRUSH brush : kept) DeleteObject(brush);
}

}  // namespace
}  // namespace vt
