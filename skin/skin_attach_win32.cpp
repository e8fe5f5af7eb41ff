#include <string>

#include "base/handles.h"
#include "skin/skin_dispatch.h"
#include "skin/skin_engine.h"
#include "skin/skin_painters.h"
#include "skin/skin_primitives.h"
#include "skin/skin_vocabulary.h"
#include "skin/skin_window.h"

namespace vt {

namespace {

ControlKind KindOf(HWND window) { return ClassifyWindowClass(WindowClassName(window)); }

// The four face surfaces of a push button and its fade picture, each a memory DC of the window's full
// size compatible with its window DC, owned by the window's skin state until detach.
void CreateButtonFaces(HWND window) {
    WindowDc window_dc(window, true);
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    for (const ButtonSurfaceNames& names : ButtonSurfaceProperties()) {
        UniqueMemoryDc face(CreateCompatibleDC(window_dc.get()));
        UniqueBitmap bitmap(CreateCompatibleBitmap(window_dc.get(), bounds.width, bounds.height));
        if (face && bitmap) SelectObject(face.get(), bitmap.get());
        SetSkinProp(window, names.surface.c_str(), reinterpret_cast<intptr_t>(face.release()));
        SetSkinProp(window, names.bitmap.c_str(), reinterpret_cast<intptr_t>(bitmap.release()));
    }
    RenderButtonStates(window);
}

void DeleteButtonFaces(HWND window) {
    for (const ButtonSurfaceNames& names : ButtonSurfaceProperties()) {
        // The DC goes first so that its bitmap is no longer selected anywhere when deleted.
        UniqueMemoryDc face(reinterpret_cast<HDC>(GetSkinProp(window, names.surface.c_str())));
        UniqueBitmap bitmap(reinterpret_cast<HBITMAP>(GetSkinProp(window, names.bitmap.c_str())));
        face.reset();
        bitmap.reset();
        RemoveSkinProp(window, names.surface.c_str());
        RemoveSkinProp(window, names.bitmap.c_str());
    }
}

void SetRoundedRegion(HWND window) {
    WindowBounds bounds;
    GetWindowBounds(window, bounds);
    UniqueRegion region(CreateRoundRectRgn(0, 0, bounds.width + 1, bounds.height + 1, 3, 3));
    // On success the region belongs to the window.
    if (region && SetWindowRgn(window, region.get(), TRUE)) region.release();
}

void PrepareButton(HWND window) {
    CreateButtonFaces(window);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    // Check boxes, radio buttons, group boxes, user and owner-drawn buttons keep their style.
    if (!ButtonKeepsOwnPainting(style)) SendMessageW(window, BM_SETSTYLE, BS_OWNERDRAW, TRUE);
    SetSkinProp(window, kPropOldStyle, static_cast<intptr_t>(style));
    SetSkinProp(window, kPropMouseFlag, 0);
    SetSkinProp(window, kPropTimerId, 0);
    SetSkinProp(window, kPropOldState, IsWindowEnabled(window) ? kSkinNormal : kSkinDisabled);
    SetSkinProp(window, kPropAlphaLevel, 0);
    SetRoundedRegion(window);
}

void ReleaseButton(HWND window) {
    DeleteButtonFaces(window);
    StopFadeTimer(window);
    // Only the button type goes back: the visibility and enabled bits may have changed since attach.
    const auto old_style = static_cast<LONG>(GetSkinProp(window, kPropOldStyle));
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    SetWindowLongW(window, GWL_STYLE, (style & ~BS_TYPEMASK) | (old_style & BS_TYPEMASK));
    for (const char* name : {kPropOldStyle, kPropMouseFlag, kPropTimerId, kPropOldState, kPropAlphaLevel}) {
        RemoveSkinProp(window, name);
    }
    SetWindowRgn(window, nullptr, TRUE);
}

void RepaintWhole(HWND window) {
    SendMessageW(window, WM_NCPAINT, 1, 0);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT);
}

}  // namespace

std::string WindowClassName(HWND window) {
    char buffer[256] = {};
    const int length = GetClassNameA(window, buffer, 255);
    if (length <= 0) return {};
    return std::string(buffer);  // cut at the first NUL
}

bool IsFunctionExported(const char* function, const char* library) {
    HMODULE module = GetModuleHandleA(library);
    bool loaded_here = false;
    if (!module) {
        module = LoadLibraryA(library);
        if (!module) return false;
        loaded_here = true;
    }
    const bool exported = GetProcAddress(module, function) != nullptr;
    if (loaded_here) FreeLibrary(module);
    return exported;
}

int SkinWindow(HWND window) {
    SkinEngine& engine = SkinEngineState();
    if (!engine.SkinReady) {
        engine.SkinReady = true;
        engine.HasUserTrackMouse = IsFunctionExported("TrackMouseEvent", "User32");
        BuildSkinBitmaps();
    }
    return AttachSkin(window);
}

int AttachSkin(HWND window) {
    if (!window || GetSkinProp(window, kPropProcAddr) != 0) return 0;
    switch (KindOf(window)) {
        case ControlKind::FormOrDialog:
            EnumChildWindows(window, AttachChildProc, 0);
            break;
        case ControlKind::PushButton:
            PrepareButton(window);
            break;
        case ControlKind::ComboOrToggle:
            SetSkinProp(window, kPropMouseFlag, 0);
            SetSkinProp(window, kPropOldState, 0);
            break;
        case ControlKind::Header:
            SetSkinProp(window, kPropMouseFlag, 0);
            SetSkinProp(window, kPropHdIndex, -1);
            SetSkinProp(window, kPropHmIndex, -1);
            break;
        case ControlKind::ProgressBar:
        case ControlKind::Other:
            break;
    }
    ++SkinEngineState().SkinnedCount;
    const LONG_PTR previous =
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SkinWndProc));
    SetSkinProp(window, kPropProcAddr, static_cast<intptr_t>(previous));
    RepaintWhole(window);
    return 1;
}

int DetachSkin(HWND window) {
    if (!window) return 0;
    const intptr_t previous = GetSkinProp(window, kPropProcAddr);
    if (previous == 0) return 0;
    switch (KindOf(window)) {
        case ControlKind::FormOrDialog:
            EnumChildWindows(window, DetachChildProc, 0);
            break;
        case ControlKind::PushButton:
            ReleaseButton(window);
            break;
        case ControlKind::ComboOrToggle:
            RemoveSkinProp(window, kPropMouseFlag);
            RemoveSkinProp(window, kPropOldState);
            break;
        case ControlKind::Header:
            RemoveSkinProp(window, kPropMouseFlag);
            RemoveSkinProp(window, kPropHdIndex);
            RemoveSkinProp(window, kPropHmIndex);
            break;
        case ControlKind::ProgressBar:
        case ControlKind::Other:
            break;
    }
    RemoveSkinProp(window, kPropProcAddr);
    SetWindowLongPtrW(window, GWLP_WNDPROC, static_cast<LONG_PTR>(previous));
    RepaintWhole(window);
    SkinEngine& engine = SkinEngineState();
    if (--engine.SkinnedCount <= 0) {
        engine.SkinnedCount = 0;
        ReleaseSkinBitmaps();
        engine.SkinReady = false;
    }
    return 1;
}

BOOL CALLBACK AttachChildProc(HWND window, LPARAM) {
    AttachSkin(window);
    return TRUE;
}

BOOL CALLBACK DetachChildProc(HWND window, LPARAM) {
    DetachSkin(window);
    return TRUE;
}

BOOL CALLBACK RefreshToggleProc(HWND window, LPARAM) {
    if (GetSkinProp(window, kPropProcAddr) == 0) return TRUE;
    const std::string lower = LowerAscii(WindowClassName(window));
    if (IsCheckBoxClass(lower)) {
        PaintCheckBox(window, kSkinNormal, true);
    } else if (IsOptionButtonClass(lower)) {
        PaintOptionButton(window, kSkinNormal, true);
    }
    return TRUE;
}

namespace {

LRESULT DispatchToKind(const SkinMessage& msg) {
    switch (msg.kind) {
        case ControlKind::PushButton:
            return HandlePushButtonMessage(msg);
        case ControlKind::ComboOrToggle:
            if (IsCheckBoxClass(msg.lower_class) || IsOptionButtonClass(msg.lower_class)) {
                return HandleToggleMessage(msg);
            }
            return HandleComboMessage(msg);
        case ControlKind::ProgressBar:
            return HandleProgressMessage(msg);
        case ControlKind::Header:
            return HandleHeaderMessage(msg);
        case ControlKind::FormOrDialog:
        case ControlKind::Other:
            if (msg.lower_class == "combolbox") return HandleComboMessage(msg);
            return HandleFrameMessage(msg);
    }
    return msg.PassOn();
}

// Passes the message on, then skins the window named by lParam (an idle modal dialog or menu, or a
// combo box's list asking for its colours).
LRESULT PassOnThenAttach(const SkinMessage& msg) {
    const LRESULT result = msg.PassOn();
    if (msg.lparam != 0) AttachSkin(reinterpret_cast<HWND>(msg.lparam));
    return result;
}

}  // namespace

LRESULT CALLBACK SkinWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!window) return 0;
    const auto previous = reinterpret_cast<WNDPROC>(GetSkinProp(window, kPropProcAddr));
    if (!previous) return DefWindowProcW(window, message, wparam, lparam);
    switch (message) {
        case WM_DESTROY:
            DetachSkin(window);
            return CallWindowProcW(previous, window, message, wparam, lparam);
        case WM_ENTERIDLE:
        case WM_CTLCOLORLISTBOX:
            return PassOnThenAttach({previous, window, message, wparam, lparam, ControlKind::Other, {}});
        case WM_SIZE:
        case WM_ACTIVATE:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_PAINT:
        case WM_WINDOWPOSCHANGING:
        case WM_NCPAINT:
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_TIMER:
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_MOUSELEAVE:
        case WM_PRINTCLIENT:
        case WM_UPDATEUISTATE:
            break;
        default:
            return CallWindowProcW(previous, window, message, wparam, lparam);
    }
    std::string lower = LowerAscii(WindowClassName(window));
    const ControlKind kind = ClassifyWindowClass(lower);
    const SkinMessage msg{previous, window, message, wparam, lparam, kind, std::move(lower)};
    if (message == WM_ACTIVATE) return HandleActivateMessage(msg);
    // Printing into a given DC and a change of the keyboard cues concern only the controls that draw
    // from a stored state over the control's own drawing: push buttons, check boxes and option buttons.
    if (message == WM_PRINTCLIENT || message == WM_UPDATEUISTATE) {
        const bool toggle = IsCheckBoxClass(msg.lower_class) || IsOptionButtonClass(msg.lower_class);
        if (kind != ControlKind::PushButton && !toggle) return msg.PassOn();
    }
    const LRESULT result = DispatchToKind(msg);
    if (message == WM_LBUTTONUP) {
        // Repaint every skinned check box and option button beside the released window, so that the
        // marks a click cleared show it.
        HWND parent = GetParent(window);
        EnumChildWindows(parent ? parent : window, RefreshToggleProc, 0);
    }
    return result;
}

}  // namespace vt
