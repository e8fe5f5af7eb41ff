// Skin engine figures: building the built-in bitmaps and one call of each face painter at a typical
// size, each beside a plain copy of a surface of the same size onto the same window, in microseconds.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <functional>

#include "bench/bench_timing.h"
#include "skin/skin_engine.h"
#include "skin/skin_painters.h"
#include "skin/skin_primitives.h"
#include "skin/skin_vocabulary.h"
#include "skin/skin_window.h"

namespace {

using namespace vt;

using bench::Microseconds;

// A plain copy of a width x height surface onto the window's whole-window DC.
double PlainCopy(HWND window, int width, int height, int calls) {
    Surface surface = CreateSurface(width, height);
    FillBox(surface.dc(), 0, 0, width, height, RGB(200, 220, 240));
    return Microseconds(calls, [&] {
        HDC dc = GetWindowDC(window);
        BitBlt(dc, 0, 0, width, height, surface.dc(), 0, 0, SRCCOPY);
        ReleaseDC(window, dc);
    });
}

void Row(const char* name, int width, int height, double painter, double copy) {
    std::printf("%-22s %4d x %-4d %10.1f %10.1f %8.1f\n", name, width, height, painter, copy, painter / copy);
}

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h) {
    HWND child = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

}  // namespace

int wmain() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW form_class{};
    form_class.cbSize = sizeof(form_class);
    form_class.lpfnWndProc = DefWindowProcW;
    form_class.hInstance = GetModuleHandleW(nullptr);
    form_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form_class.lpszClassName = L"ThunderRT6FormDC";
    RegisterClassExW(&form_class);
    WNDCLASSEXW check_class{};
    check_class.cbSize = sizeof(check_class);
    GetClassInfoExW(nullptr, L"BUTTON", &check_class);
    check_class.hInstance = GetModuleHandleW(nullptr);
    check_class.lpszClassName = L"ThunderRT6CheckBox";
    RegisterClassExW(&check_class);
    check_class.lpszClassName = L"ThunderRT6OptionButton";
    RegisterClassExW(&check_class);

    HWND form = CreateWindowExW(0, L"ThunderRT6FormDC", L"bench", WS_POPUP | WS_VISIBLE, 20, 20, 340, 263,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND button = Child(form, L"BUTTON", L"连 接", BS_PUSHBUTTON, 120, 150, 90, 28);
    HWND box = Child(form, L"ThunderRT6CheckBox", L"开机启动", BS_AUTOCHECKBOX, 40, 200, 100, 17);
    HWND option = Child(form, L"ThunderRT6OptionButton", L"断网重拨", BS_AUTORADIOBUTTON, 180, 200, 100, 17);
    HWND combo = Child(form, L"COMBOBOX", L"", CBS_DROPDOWNLIST, 10, 10, 150, 200);
    HWND header = Child(form, WC_HEADERW, L"", 0, 10, 60, 300, 22);
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_WIDTH;
    item.cxy = 120;
    item.pszText = const_cast<wchar_t*>(L"账号");
    SendMessageW(header, HDM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(option, BM_SETCHECK, BST_CHECKED, 0);
    SkinWindow(form);
    UpdateWindow(form);

    const int calls = 500;
    WindowBounds bounds;
    std::printf("%-22s %-11s %10s %10s %8s\n", "operation", "size", "us/call", "copy us", "ratio");

    // The bitmaps' counterpart: a plain copy of each of the five surfaces, in all 2146 pixels.
    const double build = Microseconds(50, [] { BuildSkinBitmaps(); });
    const SkinEngine& engine = SkinEngineState();
    const double copy_five = Microseconds(calls, [&] {
        HDC dc = GetWindowDC(form);
        BitBlt(dc, 0, 0, 7, 84, engine.ButtonSkin.dc(), 0, 0, SRCCOPY);
        BitBlt(dc, 10, 0, 15, 18, engine.ComboSkin.dc(), 0, 0, SRCCOPY);
        BitBlt(dc, 30, 0, 18, 24, engine.GlyphSkin.dc(), 0, 0, SRCCOPY);
        BitBlt(dc, 50, 0, 13, 52, engine.ToggleSkin.dc(), 0, 0, SRCCOPY);
        BitBlt(dc, 70, 0, 9, 20, engine.HeaderSkin.dc(), 0, 0, SRCCOPY);
        ReleaseDC(form, dc);
    });
    std::printf("%-22s %-11s %10.1f %10.1f %8.1f\n", "BuildSkinBitmaps", "5 bitmaps", build, copy_five,
                build / copy_five);

    GetWindowBounds(button, bounds);
    // Every temporary surface costs one of these; the painters make one to three per call.
    Row("CreateSurface", bounds.width, bounds.height,
        Microseconds(calls, [&] { Surface surface = CreateSurface(bounds.width, bounds.height); }),
        PlainCopy(button, bounds.width, bounds.height, calls));
    const double copy_button = PlainCopy(button, bounds.width, bounds.height, calls);
    Row("RenderButtonStates", bounds.width, bounds.height,
        Microseconds(calls, [&] { RenderButtonStates(button); }), copy_button);
    SetSkinProp(button, kPropAlphaLevel, 128);
    Row("PaintButtonFace", bounds.width, bounds.height,
        Microseconds(calls, [&] { PaintButtonFace(button, nullptr); }), copy_button);

    GetWindowBounds(combo, bounds);
    const int bw = GetSystemMetrics(SM_CXVSCROLL) + 1;
    Row("PaintComboButton", bw, bounds.height - 2,
        Microseconds(calls,
                     [&] {
                         int state = 1;
                         PaintComboButton(combo, nullptr, state, true);
                     }),
        PlainCopy(combo, bw, bounds.height - 2, calls));

    const int cw = GetSystemMetrics(SM_CXMENUCHECK), ch = GetSystemMetrics(SM_CYMENUCHECK);
    Row("PaintCheckBox", cw, ch, Microseconds(calls, [&] { PaintCheckBox(box, 1, true); }),
        PlainCopy(box, cw, ch, calls));
    Row("PaintOptionButton", cw, ch, Microseconds(calls, [&] { PaintOptionButton(option, 1, true); }),
        PlainCopy(option, cw, ch, calls));

    GetWindowBounds(header, bounds);
    Row("PaintHeaderItem", 120, bounds.height,
        Microseconds(calls, [&] { PaintHeaderItem(header, nullptr, 0, 1); }),
        PlainCopy(header, 120, bounds.height, calls));

    DestroyWindow(form);
    return 0;
}
