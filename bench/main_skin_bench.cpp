// The skinned main window on the themed controls (the benchmark carries the program's manifest): one fade
// tick of the connect button with the paint it brings, and a full repaint of the main window skinned beside
// the same window unskinned, in one run; then the parts a tick and a pointer cycle are made of, to show
// where the time goes. Figures in microseconds per call.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <functional>

#include "app/main_window.h"
#include "bench/bench_timing.h"
#include "skin/skin_engine.h"
#include "skin/skin_painters.h"
#include "skin/skin_primitives.h"
#include "skin/skin_vocabulary.h"
#include "skin/skin_window.h"
#include "tests/win/pump.h"
#include "tests/win/skin_main_window_support.h"

namespace {

using namespace vt;

using bench::Microseconds;

void Row(const char* name, double us) { std::printf("  %-46s %10.1f\n", name, us); }

}  // namespace

int wmain() {
    // The program's artwork lives in the resource module beside the benchmark; without it the window
    // paints a white background instead, for both runs alike.
    HMODULE resources = LoadLibraryW(L"veltrane_res_probe.dll");
    HINSTANCE instance = resources ? resources : GetModuleHandleW(nullptr);
    SetCursorPos(1200, 780);
    skin_test::LoadedMainWindow main(instance);
    if (!main.Load(false)) {
        std::printf("the main window could not be created\n");
        return 1;
    }
    HWND hwnd = main.hwnd();
    HWND connect = main.Control(MainWindow::kBtnLog);
    HWND check1 = main.Control(MainWindow::kStartWithWindowsBox);
    UpdateWindow(hwnd);
    Pump();

    const int repaints = 200;
    const UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE | RDW_FRAME;
    auto repaint = [&] { RedrawWindow(hwnd, nullptr, nullptr, flags); };

    // Unskinned and skinned alternately, twice, so that a drift of the machine touches both.
    double plain = 0, skinned = 0;
    for (int round = 0; round < 2; ++round) {
        plain += Microseconds(repaints, repaint) / 2;
        SkinWindow(hwnd);
        Pump();
        skinned += Microseconds(repaints, repaint) / 2;
        if (round == 0) DetachSkin(hwnd);
        Pump();
    }

    // One fade tick: the timer message the fade timer sends and the paint of the button that follows it
    // (drawn inside the tick or asked for by it), the fade kept running from 0 to 255.
    const int ticks = 5000;
    SendMessageW(connect, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    SetSkinProp(connect, kPropOldState, kSkinHover);
    SetSkinProp(connect, kPropAlphaLevel, 0);
    const double tick = Microseconds(ticks, [&] {
        if (GetSkinProp(connect, kPropTimerId) == 0) StartFadeTimer(connect);  // a new fade every 86 ticks
        SendMessageW(connect, WM_TIMER, 1, 0);
        UpdateWindow(connect);
    });
    Pump();

    SIZE ideal{};
    const bool themed = SendMessageW(check1, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) != 0;
    std::printf("main window (340 x 263, %s artwork, %s controls), %d repaints, %d fade ticks\n",
                resources ? "with its" : "without", themed ? "themed" : "old", repaints, ticks);
    std::printf("  %-46s %10s\n", "operation", "us/call");
    Row("fade tick of the connect button, with its paint", tick);
    Row("full repaint, unskinned", plain);
    Row("full repaint, skinned", skinned);
    std::printf("  %-46s %10.2f   (goal: within 3)\n", "skinned / unskinned", skinned / plain);
    std::printf("  %-46s %10.3f   (goal: under 0.2)\n", "fade tick in ms", tick / 1000);

    // Where the time goes.
    std::printf("parts\n");
    const int calls = 500;
    Row("PaintButtonFace (the tick's paint)",
        Microseconds(calls, [&] { PaintButtonFace(connect, nullptr); }));
    Row("GetPropA", Microseconds(calls, [&] { GetPropA(connect, "ALPHALEVEL"); }));
    Row("SetPropA", Microseconds(calls, [&] { SetPropA(connect, "ALPHALEVEL", nullptr); }));
    Row("IsWindowEnabled", Microseconds(calls, [&] { IsWindowEnabled(connect); }));
    Row("GetWindowRect", Microseconds(calls, [&] {
            RECT r;
            GetWindowRect(connect, &r);
        }));
    Row("WindowClassName", Microseconds(calls, [&] { WindowClassName(connect); }));
    Row("GetWindowDC + ReleaseDC of the button", Microseconds(calls, [&] {
            HDC dc = GetWindowDC(connect);
            ReleaseDC(connect, dc);
        }));
    WindowBounds bounds;
    GetWindowBounds(connect, bounds);
    HDC face = reinterpret_cast<HDC>(GetSkinProp(connect, FaceSurfacePropertyName(1).c_str()));
    HDC window_dc = GetWindowDC(connect);
    Row("AlphaBlend of one face onto the button", Microseconds(calls, [&] {
            const BLENDFUNCTION blend{AC_SRC_OVER, 0, 128, 0};
            AlphaBlend(window_dc, 0, 0, bounds.width, bounds.height, face, 0, 0, bounds.width, bounds.height,
                       blend);
        }));
    ReleaseDC(connect, window_dc);
    Row("CreateDC(\"DISPLAY\") + DeleteDC", Microseconds(calls, [] {
            HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
            DeleteDC(dc);
        }));
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    Row("CreateCompatibleDC + DeleteDC", Microseconds(calls, [&] { DeleteDC(CreateCompatibleDC(display)); }));
    Row("CreateCompatibleBitmap 13 x 13 + DeleteObject",
        Microseconds(calls, [&] { DeleteObject(CreateCompatibleBitmap(display, 13, 13)); }));
    Row("SelectObject of a bitmap, and back", Microseconds(calls, [&] {
            HDC memory = CreateCompatibleDC(display);
            HBITMAP bitmap = CreateCompatibleBitmap(display, 13, 13);
            HGDIOBJ old = SelectObject(memory, bitmap);
            SelectObject(memory, old);
            DeleteObject(bitmap);
            DeleteDC(memory);
        }));
    DeleteDC(display);
    Row("CreateSurface 13 x 13", Microseconds(calls, [] { Surface s = CreateSurface(13, 13); }));
    Row("RenderButtonStates", Microseconds(calls, [&] { RenderButtonStates(connect); }));
    Row("PaintCheckBox (forced)", Microseconds(calls, [&] { PaintCheckBox(check1, 1, true); }));
    Row("pointer cycle over a check box (5 messages)", Microseconds(calls, [&] {
            SendMessageW(check1, WM_MOUSEMOVE, 0, MAKELPARAM(8, 6));
            SendMessageW(check1, WM_MOUSEMOVE, 0, MAKELPARAM(9, 6));
            SendMessageW(check1, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 6));
            SendMessageW(check1, WM_LBUTTONUP, 0, MAKELPARAM(8, 6));
            SendMessageW(check1, WM_MOUSELEAVE, 0, 0);
        }));
    const struct {
        const char* name;
        UINT message;
        WPARAM wparam;
    } steps[] = {{"  WM_MOUSEMOVE (hover, forced paint)", WM_MOUSEMOVE, 0},
                 {"  WM_LBUTTONDOWN", WM_LBUTTONDOWN, MK_LBUTTON},
                 {"  WM_LBUTTONUP (and the sibling refresh)", WM_LBUTTONUP, 0},
                 {"  WM_MOUSELEAVE", WM_MOUSELEAVE, 0}};
    for (const auto& step : steps) {
        Row(step.name, Microseconds(calls, [&] {
                SetSkinProp(check1, kPropOldState, 3);  // so that an unforced paint paints
                SendMessageW(check1, step.message, step.wparam, MAKELPARAM(8, 6));
            }));
    }
    WNDPROC own_proc = reinterpret_cast<WNDPROC>(GetSkinProp(check1, kPropProcAddr));
    Row("  the same four, unskinned procedure only", Microseconds(calls, [&] {
            for (const auto& step : steps)
                CallWindowProcW(own_proc, check1, step.message, step.wparam, MAKELPARAM(8, 6));
        }));
    Row("PaintCheckBox, checked (forced)", Microseconds(calls, [&] {
            SendMessageW(check1, BM_SETCHECK, BST_CHECKED, 0);
            PaintCheckBox(check1, 1, true);
        }));
    {
        ScratchSurface canvas(13, 13);
        const SkinEngine& engine = SkinEngineState();
        Row("  FillBox 13 x 13 on a scratch surface",
            Microseconds(calls, [&] { FillBox(canvas.dc(), 0, 0, 13, 13, RGB(255, 255, 255)); }));
        Row("  BlitTransparent of the 9 x 8 check mark", Microseconds(calls, [&] {
                BlitTransparent(canvas.dc(), 2, 2, 9, 8, engine.GlyphSkin.dc(), 0, 0, RGB(255, 0, 255));
            }));
        Row("  ScratchSurface 9 x 8 borrowed and returned",
            Microseconds(calls, [&] { ScratchSurface s(9, 8); }));
        Row("  BitBlt 13 x 13 onto the window DC", Microseconds(calls, [&] {
                HDC dc = GetWindowDC(check1);
                BitBlt(dc, 0, 2, 13, 13, canvas.dc(), 0, 0, SRCCOPY);
                ReleaseDC(check1, dc);
            }));
        Row("  PaintCheckBox state 0 (forced)", Microseconds(calls, [&] { PaintCheckBox(check1, 0, true); }));
        Row("  PaintCheckBox state 1 (forced)", Microseconds(calls, [&] { PaintCheckBox(check1, 1, true); }));
        Row("  GetSkinProp", Microseconds(calls, [&] { GetSkinProp(check1, kPropOldState); }));
        Row("  SetSkinProp", Microseconds(calls, [&] { SetSkinProp(check1, kPropOldState, 1); }));
        Row("  BM_GETCHECK", Microseconds(calls, [&] { SendMessageW(check1, BM_GETCHECK, 0, 0); }));
        Row("  GetSystemMetrics x 2", Microseconds(calls, [&] {
                GetSystemMetrics(SM_CXMENUCHECK);
                GetSystemMetrics(SM_CYMENUCHECK);
            }));
        Row("  StretchBlt 11 x 5 to 11 x 11", Microseconds(calls, [&] {
                StretchBlt(canvas.dc(), 1, 1, 11, 11, engine.ToggleSkin.dc(), 1, 17, 11, 5, SRCCOPY);
            }));
        Row("  TrackMouseEvent", Microseconds(calls, [&] { TrackMouseLeave(check1); }));
    }
    Row("BM_SETCHECK alone", Microseconds(calls, [&] { SendMessageW(check1, BM_SETCHECK, BST_CHECKED, 0); }));
    Pump();
    return 0;
}
