#include "skin/skin_window.h"

#include <gtest/gtest.h>

#include "skin/skin_engine.h"
#include "skin/skin_vocabulary.h"
#include "skin_test_support.h"

namespace vt {
namespace {

using namespace skin_test;

WNDPROC ProcOf(HWND window) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)); }

bool Skinned(HWND window) { return GetSkinProp(window, kPropProcAddr) != 0; }

// Properties the window gained, compared with a snapshot taken before.
std::set<std::string> Added(HWND window, const std::set<std::string>& before) {
    std::set<std::string> added;
    for (const auto& name : PropertyNames(window)) {
        if (!before.count(name)) added.insert(name);
    }
    return added;
}

// The main window's layout: text boxes, a connect button, two option boxes, a label.
struct MainLikeForm {
    HWND form = MakeForm(340, 263, L"Veltrane");
    HWND account = MakeChild(form, L"EDIT", L"user", ES_AUTOHSCROLL, 90, 80, 150, 22, WS_EX_CLIENTEDGE);
    HWND password = MakeChild(form, L"EDIT", L"", ES_PASSWORD, 90, 110, 150, 22, WS_EX_CLIENTEDGE);
    HWND connect = MakeChild(form, L"BUTTON", L"连 接", BS_PUSHBUTTON, 120, 150, 90, 28);
    HWND autostart = MakeChild(form, kCheckBoxClass, L"开机启动", BS_AUTOCHECKBOX, 40, 200, 100, 17);
    HWND redial = MakeChild(form, kCheckBoxClass, L"断网重拨", BS_AUTOCHECKBOX, 180, 200, 100, 17);
    HWND status = MakeChild(form, L"STATIC", L"- 网络已连接", 0, 10, 5, 200, 16);
    std::vector<HWND> all() const { return {form, account, password, connect, autostart, redial, status}; }
};

TEST(SkinAttach, SkinsTheFormAndEveryControlExactlyOnce) {
    MainLikeForm main;
    std::vector<WNDPROC> original;
    for (HWND w : main.all()) original.push_back(ProcOf(w));
    EXPECT_EQ(SkinWindow(main.form), 1);
    const SkinEngine& engine = SkinEngineState();
    EXPECT_TRUE(engine.SkinReady);
    EXPECT_TRUE(engine.HasUserTrackMouse);
    EXPECT_TRUE(engine.ButtonSkin);
    EXPECT_TRUE(engine.HeaderSkin);
    EXPECT_EQ(engine.SkinnedCount, 7);
    const auto all = main.all();
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(ProcOf(all[i]), &SkinWndProc) << i;
        EXPECT_EQ(GetSkinProp(all[i], kPropProcAddr), reinterpret_cast<intptr_t>(original[i])) << i;
    }
    EXPECT_EQ(SkinWindow(main.form), 0);
    EXPECT_EQ(AttachSkin(main.connect), 0);
    EXPECT_EQ(AttachSkin(nullptr), 0);
    EXPECT_EQ(engine.SkinnedCount, 7);
    DestroyWindow(main.form);
}

// Controls at any depth are reached; a text box and a picture keep their own look: they get the property
// that holds their procedure, and nothing else.
TEST(SkinAttach, ReachesControlsAtAnyDepthAndTextBoxesGetProcAddrAlone) {
    HWND form = MakeForm(200, 200);
    HWND frame = MakeChild(form, L"STATIC", L"", 0, 0, 0, 150, 150);
    HWND inner = MakeChild(frame, L"BUTTON", L"in", BS_PUSHBUTTON, 10, 10, 50, 20);
    HWND edit = MakeChild(form, L"EDIT", L"", 0, 10, 160, 100, 22, WS_EX_CLIENTEDGE);
    HWND picture = MakeChild(form, L"STATIC", L"", SS_BITMAP, 120, 160, 60, 22);
    const auto edit_before = PropertyNames(edit);
    const auto picture_before = PropertyNames(picture);
    EXPECT_EQ(SkinWindow(form), 1);
    EXPECT_TRUE(Skinned(frame));
    EXPECT_TRUE(Skinned(inner));
    EXPECT_EQ(GetSkinProp(inner, kPropOldState), 0);
    EXPECT_EQ(SkinEngineState().SkinnedCount, 5);
    EXPECT_EQ(Added(edit, edit_before), std::set<std::string>{"PROCADDR"});
    EXPECT_EQ(Added(picture, picture_before), std::set<std::string>{"PROCADDR"});
    DestroyWindow(form);
}

TEST(SkinAttach, PushButtonStatePropertiesStyleAndRegion) {
    HWND form = MakeForm();
    HWND enabled = MakeChild(form, L"BUTTON", L"OK", BS_PUSHBUTTON, 10, 10, 80, 25);
    HWND disabled = MakeChild(form, L"BUTTON", L"No", BS_DEFPUSHBUTTON | WS_DISABLED, 10, 40, 80, 25);
    HWND check = MakeChild(form, L"BUTTON", L"box", BS_AUTOCHECKBOX, 10, 70, 80, 20);
    HWND group = MakeChild(form, L"BUTTON", L"group", BS_GROUPBOX, 100, 10, 100, 100);
    HWND command = MakeChild(form, kCommandButtonClass, L"cmd", BS_PUSHBUTTON, 10, 100, 80, 25);
    const LONG enabled_style = GetWindowLongW(enabled, GWL_STYLE);
    const LONG disabled_style = GetWindowLongW(disabled, GWL_STYLE);
    const LONG check_style = GetWindowLongW(check, GWL_STYLE);
    const LONG group_style = GetWindowLongW(group, GWL_STYLE);
    ASSERT_EQ(SkinWindow(form), 1);

    EXPECT_EQ(GetSkinProp(enabled, kPropOldState), 0);
    EXPECT_EQ(GetSkinProp(disabled, kPropOldState), 3);
    EXPECT_EQ(GetSkinProp(enabled, kPropOldStyle), enabled_style);
    EXPECT_EQ(GetSkinProp(disabled, kPropOldStyle), disabled_style);
    EXPECT_EQ(GetWindowLongW(enabled, GWL_STYLE) & 0xF, BS_OWNERDRAW);
    EXPECT_EQ(GetWindowLongW(disabled, GWL_STYLE) & 0xF, BS_OWNERDRAW);
    EXPECT_EQ(GetWindowLongW(command, GWL_STYLE) & 0xF, BS_OWNERDRAW);  // class compared lower-cased
    // Style bits 2 or 4: the style stays, the faces and properties are made all the same.
    EXPECT_EQ(GetWindowLongW(check, GWL_STYLE), check_style);
    EXPECT_EQ(GetWindowLongW(group, GWL_STYLE), group_style);
    EXPECT_EQ(GetSkinProp(check, kPropOldStyle), check_style);
    for (HWND button : {enabled, disabled, check, group, command}) {
        // The four faces and the fade picture.
        for (const ButtonSurfaceNames& names : ButtonSurfaceProperties()) {
            const HDC face = reinterpret_cast<HDC>(GetSkinProp(button, names.surface.c_str()));
            const HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(GetSkinProp(button, names.bitmap.c_str()));
            ASSERT_NE(face, nullptr);
            ASSERT_NE(bitmap, nullptr);
            EXPECT_EQ(GetCurrentObject(face, OBJ_BITMAP), bitmap);
        }
        const auto names = PropertyNames(button);
        for (const char* name : {"PROCADDR", "OLDSTATE", "OLDSTYLE", "MOUSEFLAG", "TIMERID", "ALPHALEVEL"}) {
            EXPECT_EQ(names.count(name), 1u) << name;
        }
        EXPECT_EQ(GetSkinProp(button, kPropMouseFlag), 0);
        EXPECT_EQ(GetSkinProp(button, kPropTimerId), 0);
        EXPECT_EQ(GetSkinProp(button, kPropAlphaLevel), 0);
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        EXPECT_NE(GetWindowRgn(button, region), ERROR);
        RECT box{};
        GetRgnBox(region, &box);
        EXPECT_EQ(box.left, 0);
        EXPECT_EQ(box.top, 0);
        DeleteObject(region);
    }
    DestroyWindow(form);
}

TEST(SkinAttach, DetachRestoresEverythingAndTheLastOneReleasesTheSurfaces) {
    HWND form = MakeForm();
    HWND button = MakeChild(form, L"BUTTON", L"OK", BS_PUSHBUTTON, 10, 10, 80, 25);
    HWND edit = MakeChild(form, L"EDIT", L"", 0, 10, 40, 80, 22);
    HWND box = MakeChild(form, kCheckBoxClass, L"x", BS_AUTOCHECKBOX, 10, 70, 80, 20);
    HWND header = MakeChild(form, WC_HEADERW, L"", 0, 10, 100, 200, 20);
    std::vector<WNDPROC> procs;
    std::vector<std::set<std::string>> props;
    for (HWND w : {form, button, edit, box, header}) {
        procs.push_back(ProcOf(w));
        props.push_back(PropertyNames(w));
    }
    const LONG style = GetWindowLongW(button, GWL_STYLE);
    ASSERT_EQ(SkinWindow(form), 1);
    EXPECT_EQ(GetSkinProp(header, kPropHdIndex), -1);
    EXPECT_EQ(GetSkinProp(header, kPropHmIndex), -1);
    EXPECT_EQ(PropertyNames(box).count("OLDSTATE"), 1u);
    StartFadeTimer(button);

    EXPECT_EQ(DetachSkin(form), 1);
    EXPECT_EQ(DetachSkin(form), 0);
    EXPECT_EQ(DetachSkin(nullptr), 0);
    size_t i = 0;
    for (HWND w : {form, button, edit, box, header}) {
        EXPECT_EQ(ProcOf(w), procs[i]) << i;
        EXPECT_EQ(PropertyNames(w), props[i]) << i;
        ++i;
    }
    EXPECT_EQ(GetWindowLongW(button, GWL_STYLE), style);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(button, region), ERROR);
    DeleteObject(region);
    const SkinEngine& engine = SkinEngineState();
    EXPECT_EQ(engine.SkinnedCount, 0);
    EXPECT_FALSE(engine.SkinReady);
    EXPECT_FALSE(engine.ButtonSkin);
    EXPECT_FALSE(engine.ComboSkin);

    // The next attach builds them again.
    EXPECT_EQ(SkinWindow(form), 1);
    EXPECT_TRUE(engine.SkinReady);
    EXPECT_TRUE(engine.ButtonSkin);
    EXPECT_EQ(GetPixel(engine.ButtonSkin.dc(), 0, 3), RGB(27, 143, 213));
    EXPECT_EQ(engine.SkinnedCount, 5);
    DestroyWindow(form);
}

TEST(SkinAttach, DestroyingTheLastSkinnedWindowReleasesAndTheNextRebuilds) {
    HWND first = MakeForm();
    MakeChild(first, L"BUTTON", L"OK", BS_PUSHBUTTON, 10, 10, 80, 25);
    HWND second = MakeForm();
    ASSERT_EQ(SkinWindow(first), 1);
    ASSERT_EQ(SkinWindow(second), 1);
    const SkinEngine& engine = SkinEngineState();
    EXPECT_EQ(engine.SkinnedCount, 3);
    DestroyWindow(first);
    EXPECT_EQ(engine.SkinnedCount, 1);
    EXPECT_TRUE(engine.ButtonSkin);
    DestroyWindow(second);
    EXPECT_EQ(engine.SkinnedCount, 0);
    EXPECT_FALSE(engine.SkinReady);
    EXPECT_FALSE(engine.ButtonSkin);
    HWND third = MakeForm();
    EXPECT_EQ(SkinWindow(third), 1);
    EXPECT_TRUE(engine.ButtonSkin);
    EXPECT_TRUE(engine.GlyphSkin);
    DestroyWindow(third);
}

TEST(SkinAttach, DetachKeepsStateChangesMadeWhileSkinned) {
    HWND form = MakeForm();
    HWND button = MakeChild(form, L"BUTTON", L"OK", BS_DEFPUSHBUTTON, 10, 10, 80, 25);
    ASSERT_EQ(SkinWindow(form), 1);
    EnableWindow(button, FALSE);
    ShowWindow(button, SW_HIDE);
    EXPECT_EQ(DetachSkin(button), 1);
    EXPECT_EQ(GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_FALSE(IsWindowVisible(button));
    DestroyWindow(form);
}

TEST(SkinWndProc, NullAndUnskinnedWindows) {
    EXPECT_EQ(SkinWndProc(nullptr, WM_GETTEXTLENGTH, 0, 0), 0);
    HWND form = MakeForm(100, 100, L"abcd");
    // A window whose skin went away while a message was in flight gets the default procedure.
    EXPECT_EQ(SkinWndProc(form, WM_GETTEXTLENGTH, 0, 0), 4);
    DestroyWindow(form);
}

TEST(SkinWndProc, ReleaseRepaintsSiblingToggles) {
    HWND form = MakeForm();
    HWND button = MakeChild(form, L"BUTTON", L"OK", BS_PUSHBUTTON, 10, 10, 80, 25);
    HWND box = MakeChild(form, kCheckBoxClass, L"a", BS_AUTOCHECKBOX, 10, 40, 80, 20);
    HWND option = MakeChild(form, kOptionButtonClass, L"b", BS_AUTORADIOBUTTON, 10, 70, 80, 20);
    HWND plain = MakeChild(form, L"BUTTON", L"c", BS_AUTOCHECKBOX, 10, 100, 80, 20);
    ASSERT_EQ(SkinWindow(form), 1);
    SetSkinProp(box, kPropOldState, 1);
    SetSkinProp(option, kPropOldState, 2);
    SetSkinProp(plain, kPropOldState, 1);
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(GetSkinProp(box, kPropOldState), 0);
    EXPECT_EQ(GetSkinProp(option, kPropOldState), 0);
    EXPECT_EQ(GetSkinProp(plain, kPropOldState), 1);  // class "button" is not repainted here
    DestroyWindow(form);
}

TEST(SkinAttach, ComboListIsSkinnedTheFirstTimeOnly) {
    HWND form = MakeForm();
    HWND combo = MakeChild(form, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 10, 10, 150, 200);
    for (const wchar_t* item : {L"one", L"two", L"three"}) {
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    ASSERT_EQ(SkinWindow(form), 1);
    const SkinEngine& engine = SkinEngineState();
    EXPECT_EQ(engine.SkinnedCount, 2);
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    HWND list = info.hwndList;
    EXPECT_FALSE(Skinned(list));
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_TRUE(PumpUntil([&] { return Skinned(list); }, 2000));
    EXPECT_EQ(LowerAscii(WindowClassName(list)), "combolbox");
    EXPECT_EQ(engine.SkinnedCount, 3);
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    Pump(30);
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    UpdateWindow(list);
    Pump(50);
    EXPECT_EQ(engine.SkinnedCount, 3);
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    DestroyWindow(form);
}

TEST(SkinAttach, ActivationSpreadsToOwnedWindowsAndForms) {
    HWND form = MakeForm();
    ASSERT_EQ(SkinWindow(form), 1);
    RegisterTestClasses();
    HWND other_form = CreateWindowExW(0, kFormClass, L"about", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    HWND stranger = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
    HWND owned = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, form, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(form, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(stranger));
    EXPECT_FALSE(Skinned(stranger));
    SendMessageW(form, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(owned));
    EXPECT_TRUE(Skinned(owned));
    SendMessageW(form, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(other_form));
    EXPECT_TRUE(Skinned(other_form));
    DestroyWindow(owned);
    DestroyWindow(other_form);
    DestroyWindow(stranger);
    DestroyWindow(form);
}

TEST(SkinAttach, SunkenTextBoxGetsAFlatFrame) {
    HWND form = MakeForm();
    HWND sunken = MakeChild(form, L"EDIT", L"", 0, 10, 10, 100, 22, WS_EX_CLIENTEDGE);
    HWND flat = MakeChild(form, L"EDIT", L"", 0, 10, 40, 100, 22);
    HWND disabled = MakeChild(form, L"EDIT", L"", WS_DISABLED, 10, 70, 100, 22, WS_EX_CLIENTEDGE);
    UpdateWindow(form);
    const COLORREF flat_before = WindowPixel(flat, 0, 0);
    ASSERT_EQ(SkinWindow(form), 1);
    UpdateWindow(form);
    Pump(30);
    EXPECT_EQ(WindowPixel(sunken, 0, 0), RGB(84, 165, 213));
    EXPECT_EQ(WindowPixel(sunken, 99, 21), RGB(84, 165, 213));
    EXPECT_EQ(WindowPixel(disabled, 50, 0), RGB(164, 207, 233));
    EXPECT_EQ(WindowPixel(flat, 0, 0), flat_before);
    DestroyWindow(form);
}

TEST(SkinAttach, IsFunctionExportedLoadsAndReleases) {
    EXPECT_TRUE(IsFunctionExported("TrackMouseEvent", "User32"));
    EXPECT_FALSE(IsFunctionExported("NoSuchFunctionAnywhere", "User32"));
    EXPECT_FALSE(IsFunctionExported("TrackMouseEvent", "no_such_library_here"));
    ASSERT_EQ(GetModuleHandleA("msacm32"), nullptr);
    EXPECT_TRUE(IsFunctionExported("acmGetVersion", "msacm32"));
    EXPECT_EQ(GetModuleHandleA("msacm32"), nullptr);
}

}  // namespace
}  // namespace vt
