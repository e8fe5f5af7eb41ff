#include "tray/about_window.h"

#include <windowsx.h>

#include "base/compat.h"
#include "base/handles.h"
#include "base/text.h"
#include "base/window_kit.h"

namespace vt {
namespace {

// The caption and the tips of the two links (the lines themselves are in Paint's table).
constexpr std::string_view kAboutCaption = "关于Veltrane ...";
constexpr std::string_view kAboutSiteTip = "点击立即访问Veltrane官网";
constexpr std::string_view kAboutMailTip = "给作者发送E-Mail";

constexpr int kClientWidth = 330;
constexpr int kClientHeight = 178;
constexpr RECT kFrameRect = {10, 8, 320, 168};
constexpr int kSiteLink = 1;
constexpr int kMailLink = 2;

// Menu command identifiers: one per item, offset so that 0 stays "nothing chosen".
constexpr UINT kFirstMenuCommand = 1000;

UINT CommandFor(TrayMenuItem item) { return kFirstMenuCommand + static_cast<UINT>(item); }

}  // namespace

AboutWindow::LabelRects AboutWindow::Layout() {
    return {
        {28, 26, 300, 44},    // product and version
        {28, 54, 300, 70},    // notice
        {28, 78, 300, 94},    // author
        {28, 110, 300, 126},  // web site
        {28, 134, 300, 150},  // mail
    };
}

AboutWindow::AboutWindow(HINSTANCE instance, LinkOpener open_link)
    : instance_(instance), open_link_(std::move(open_link)) {}

AboutWindow::~AboutWindow() { Destroy(); }

bool AboutWindow::EnsureCreated() {
    if (window_ && IsWindow(window_)) return true;
    if (!RegisterFormClass(instance_)) return false;
    if (!hand_) hand_ = LoadCursorW(nullptr, IDC_HAND);

    RECT frame = {0, 0, kClientWidth, kClientHeight};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    if (!CreateWindowExW(WS_EX_DLGMODALFRAME, compat::kMainWindowClass, Utf8ToWide(kAboutCaption).c_str(),
                         style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                         frame.bottom - frame.top, nullptr, nullptr, instance_,
                         static_cast<WindowBase*>(this)))
        return false;

    HWND tooltip = CreateTooltip(window_);
    const LabelRects rects = Layout();
    AddAreaTip(tooltip, window_, kSiteLink, rects.site, Utf8ToWide(kAboutSiteTip).c_str());
    AddAreaTip(tooltip, window_, kMailLink, rects.mail, Utf8ToWide(kAboutMailTip).c_str());
    CentreOnScreen(window_);
    if (skin_attach_) skin_attach_(window_);
    return true;
}

std::optional<TrayMenuItem> AboutWindow::PopUpMenu(HWND owner) {
    if (!EnsureCreated()) return std::nullopt;
    UniqueMenu root(CreatePopupMenu());
    if (!root) return std::nullopt;
    HMENU current = root.get();
    HMENU parent = nullptr;
    for (const TrayMenuEntry& entry : TrayMenuLayout()) {
        const std::wstring caption = Utf8ToWide(entry.caption);
        switch (entry.kind) {
            case TrayMenuEntry::Kind::SubMenuStart: {
                HMENU sub = CreatePopupMenu();
                // Appended at once: the root then owns the sub-menu and destroys it with itself.
                AppendMenuW(current, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), caption.c_str());
                parent = current;
                current = sub;
                break;
            }
            case TrayMenuEntry::Kind::SubMenuEnd:
                current = parent ? parent : root.get();
                parent = nullptr;
                break;
            case TrayMenuEntry::Kind::Separator:
                AppendMenuW(current, MF_SEPARATOR, 0, nullptr);
                break;
            case TrayMenuEntry::Kind::Item:
                AppendMenuW(current, MF_STRING, CommandFor(entry.item), caption.c_str());
                break;
        }
    }
    POINT pt;
    GetCursorPos(&pt);
    UINT chosen = static_cast<UINT>(
        TrackPopupMenu(root.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y,
                       0, owner, nullptr));
    // Without this the menu of a tray icon may not close when the user clicks elsewhere.
    PostMessageW(owner, WM_NULL, 0, 0);
    if (chosen < kFirstMenuCommand || chosen > CommandFor(TrayMenuItem::Exit)) return std::nullopt;
    return static_cast<TrayMenuItem>(chosen - kFirstMenuCommand);
}

void AboutWindow::Show() {
    if (!EnsureCreated()) return;
    ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window_);
}

void AboutWindow::Destroy() { DestroyOwnWindow(); }

LRESULT AboutWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT: {
            PaintDc paint(window_);
            Paint(paint.get());
            return 0;
        }
        case WM_SETCURSOR: {
            POINT pt;
            GetCursorPos(&pt);
            ScreenToClient(window_, &pt);
            if (LOWORD(lparam) == HTCLIENT && OnPointerLabel(pt) && hand_) {
                SetCursor(hand_);
                return TRUE;
            }
            break;
        }
        case WM_LBUTTONUP: {
            const POINT pt = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
            int link = HitLink(pt);
            if (link == kSiteLink && open_link_) open_link_(kMakerSiteUrl);
            if (link == kMailLink && open_link_) open_link_(kSupportMailLink);
            return 0;
        }
        case WM_CLOSE:
            DestroyWindow(window_);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wparam, lparam);
}

void AboutWindow::Paint(HDC dc) {
    RECT client;
    GetClientRect(window_, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    RECT frame = kFrameRect;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    SetBkMode(dc, TRANSPARENT);
    const LabelRects rects = Layout();
    struct Line {
        RECT rect;
        std::string_view text;
        HFONT font;
        COLORREF colour;
    } lines[] = {
        {rects.product, "Veltrane V9.0", SongFontOf(SongFont::Title), RGB(0x1E, 0x5A, 0xA8)},
        {rects.notice, "Veltrane 宽带拨号助手 版权所有", SongFontOf(SongFont::Small),
         GetSysColor(COLOR_BTNTEXT)},
        {rects.author, "作者：Veltrane 开发组", SongFontOf(SongFont::Small), GetSysColor(COLOR_BTNTEXT)},
        {rects.site, "网站：http://www.veltrane.net/", SongFontOf(SongFont::SmallLink), RGB(0, 0x33, 0xCC)},
        {rects.mail, "电子邮件：support@veltrane.net", SongFontOf(SongFont::SmallLink), RGB(0, 0x33, 0xCC)},
    };
    for (Line& line : lines) {
        SelectGuard select(dc, line.font);
        SetTextColor(dc, line.colour);
        const std::wstring text = Utf8ToWide(line.text);
        DrawTextW(dc, text.c_str(), -1, &line.rect, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
}

int AboutWindow::HitLink(POINT pt) const {
    const LabelRects rects = Layout();
    if (PtInRect(&rects.product, pt) || PtInRect(&rects.notice, pt) || PtInRect(&rects.site, pt))
        return kSiteLink;
    if (PtInRect(&rects.mail, pt)) return kMailLink;
    return 0;
}

bool AboutWindow::OnPointerLabel(POINT pt) const {
    // Only the two link lines carry the hand pointer; the product and notice lines open the site too
    // but keep the default pointer.
    const LabelRects rects = Layout();
    return PtInRect(&rects.site, pt) || PtInRect(&rects.mail, pt);
}

}  // namespace vt
