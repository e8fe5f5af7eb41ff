#include "base/window_kit.h"

#include <commctrl.h>

#include <iterator>

#include "base/compat.h"
#include "base/function_lookup.h"
#include "base/handles.h"
#include "base/window_base.h"
#include "res/resource.h"

namespace vt {

bool RegisterFormClass(HINSTANCE instance) {
    WNDCLASSEXW form{};
    form.cbSize = sizeof(form);
    if (GetClassInfoExW(instance, compat::kMainWindowClass, &form)) return true;
    form.cbSize = sizeof(form);
    form.lpfnWndProc = &WindowBase::Procedure;
    form.hInstance = instance;
    form.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_VELTRANE));
    form.hIconSm = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_VELTRANE), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // Only shown while a form erases before its first paint: every form paints its whole client.
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    form.lpszClassName = compat::kMainWindowClass;
    return RegisterClassExW(&form) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool RegisterRenamedClass(HINSTANCE instance, const wchar_t* system_class, const wchar_t* name) {
    WNDCLASSEXW renamed{};
    renamed.cbSize = sizeof(renamed);
    if (!GetClassInfoExW(nullptr, system_class, &renamed)) return false;
    renamed.hInstance = instance;
    renamed.lpszClassName = name;
    return RegisterClassExW(&renamed) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void CentreOnScreen(HWND window) {
    RECT frame;
    if (!GetWindowRect(window, &frame)) return;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MakeTranslucent(HWND window, BYTE alpha) {
    SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
}

HFONT SongFontOf(SongFont which) {
    struct Look {
        int height;
        int weight;
        bool underline;
    };
    static constexpr Look kLooks[] = {
        {-13, FW_NORMAL, false}, {-12, FW_NORMAL, false}, {-12, FW_NORMAL, true}, {-16, FW_BOLD, false}};
    static UniqueFont made[std::size(kLooks)];
    const auto index = static_cast<size_t>(which);
    if (!made[index]) {
        LOGFONTW font{};
        font.lfHeight = kLooks[index].height;
        font.lfWeight = kLooks[index].weight;
        font.lfUnderline = kLooks[index].underline ? TRUE : FALSE;
        // The Chinese character set, so that a system without this face picks another Chinese one.
        font.lfCharSet = GB2312_CHARSET;
        lstrcpynW(font.lfFaceName, L"宋体", LF_FACESIZE);
        made[index].reset(CreateFontIndirectW(&font));
    }
    return made[index].get();
}

HWND CreateTooltip(HWND owner) {
    return CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                           reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)), nullptr);
}

namespace {
void AddTip(HWND tooltip, TOOLINFOW& tool, const wchar_t* text) {
    if (!tooltip) return;
    tool.cbSize = sizeof(tool);
    // The tooltip copies the text; it only reads through the pointer.
    tool.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}
}  // namespace

void AddControlTip(HWND tooltip, HWND parent, HWND control, const wchar_t* text) {
    TOOLINFOW tool{};
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    AddTip(tooltip, tool, text);
}

void AddAreaTip(HWND tooltip, HWND window, UINT_PTR id, const RECT& area, const wchar_t* text) {
    TOOLINFOW tool{};
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = window;
    tool.uId = id;
    tool.rect = area;
    AddTip(tooltip, tool, text);
}

std::wstring WindowTextOf(HWND window) {
    std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(copied > 0 ? copied : 0);
    return text;
}

namespace {
constexpr UINT_PTR kEnterKeySubclass = 1;
using EnterHandler = std::function<void()>;

LRESULT CALLBACK EnterKeyProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                              DWORD_PTR ref) {
    auto* on_enter = reinterpret_cast<EnterHandler*>(ref);
    switch (message) {
        case WM_GETDLGCODE:
            // Enter belongs to the box (the dialog manager would turn it into a default-button press).
            if (lparam && reinterpret_cast<MSG*>(lparam)->message == WM_KEYDOWN && wparam == VK_RETURN)
                return DefSubclassProc(edit, message, wparam, lparam) | DLGC_WANTALLKEYS;
            break;
        case WM_KEYDOWN:
            if (wparam == VK_RETURN) return 0;
            break;
        case WM_CHAR:
            if (wparam != VK_RETURN) break;
            // Swallowed either way: no beep, no character.
            if (*on_enter) (*on_enter)();
            return 0;
        case WM_NCDESTROY:
            RemoveWindowSubclass(edit, &EnterKeyProc, kEnterKeySubclass);
            delete on_enter;
            break;
        default:
            break;
    }
    return DefSubclassProc(edit, message, wparam, lparam);
}
}  // namespace

bool TakeEnterKey(HWND edit, std::function<void()> on_enter) {
    auto* kept = new std::function<void()>(std::move(on_enter));
    if (SetWindowSubclass(edit, &EnterKeyProc, kEnterKeySubclass, reinterpret_cast<DWORD_PTR>(kept)))
        return true;
    delete kept;
    return false;
}

bool AllowMessageFromLowerIntegrity(HWND window, UINT message) {
    // Looked up at run time: Windows 7 brought the per-window call, Vista has only the per-process one,
    // XP neither (and no integrity levels to cross).
    using PerWindow = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    using PerProcess = BOOL(WINAPI*)(UINT, DWORD);
    constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW for the per-window call, MSGFLT_ADD for the other
    if (auto per_window = LookUpFunction<PerWindow>(L"user32.dll", "ChangeWindowMessageFilterEx"))
        return per_window(window, message, kAllow, nullptr) != FALSE;
    if (auto per_process = LookUpFunction<PerProcess>(L"user32.dll", "ChangeWindowMessageFilter"))
        return per_process(message, kAllow) != FALSE;
    return false;
}

}  // namespace vt
