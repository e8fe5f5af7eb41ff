#include "app/title_strip.h"

#include <windowsx.h>

#include "base/text.h"
#include "base/window_kit.h"
#include "res/resource.h"

namespace vt {
namespace {

// Client positions of the picture's parts, in pixels at 96 dpi.
constexpr RECT kAccountLabelRect = {32, 130, 32 + 81, 130 + 17};
constexpr RECT kPasswordLabelRect = {32, 161, 32 + 81, 161 + 17};
constexpr RECT kStatusRect = {113, 10, 113 + 121, 10 + 25};
constexpr RECT kButtonRects[2] = {{283, 8, 283 + 24, 8 + 20}, {312, 8, 312 + 24, 8 + 20}};
// The background picture is drawn this far; the window may be a little larger than the client.
constexpr int kPictureWidth = 340;
constexpr int kPictureHeight = 300;

int Index(TitleButton button) { return static_cast<int>(button); }

}  // namespace

bool TitleStrip::Create(HWND parent, int id, const RECT& area) {
    if (window_) return true;
    WNDCLASSEXW strip{};
    strip.cbSize = sizeof(strip);
    // Double clicks: one on the status text opens the status view.
    strip.style = CS_DBLCLKS;
    strip.lpfnWndProc = &WindowBase::Procedure;
    strip.hInstance = instance_;
    strip.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    strip.lpszClassName = kClassName;
    if (!RegisterClassExW(&strip) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    auto load = [this](int resource, UINT flags) {
        return static_cast<HBITMAP>(
            LoadImageW(instance_, MAKEINTRESOURCEW(resource), IMAGE_BITMAP, 0, 0, flags));
    };
    background_.reset(load(IDB_BACKGROUND, LR_CREATEDIBSECTION));
    const int ids[2][3] = {{IDB_MININOR, IDB_MINIMOVE, IDB_MINIDOWN},
                           {IDB_CLOSENOR, IDB_CLOSEMOVE, IDB_CLOSEDOWN}};
    for (int b = 0; b < 2; ++b)
        for (int p = 0; p < 3; ++p) pictures_[b][p].reset(load(ids[b][p], LR_DEFAULTCOLOR));

    return CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                           area.left, area.top, area.right - area.left, area.bottom - area.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_,
                           static_cast<WindowBase*>(this)) != nullptr;
}

void TitleStrip::SetStatus(std::string_view text) {
    status_ = Utf8ToWide(text);
    if (!window_) return;
    SetWindowTextW(window_, status_.c_str());
    InvalidateRect(window_, &kStatusRect, FALSE);
}

void TitleStrip::AddStatusTip(HWND tooltip) {
    if (window_) AddAreaTip(tooltip, window_, 1, kStatusRect, kStatusTip);
}

void TitleStrip::ShowPicture(TitleButton button, ButtonPicture picture) {
    if (shown_[Index(button)] == picture) return;
    shown_[Index(button)] = picture;
    if (window_) InvalidateRect(window_, &kButtonRects[Index(button)], FALSE);
}

LRESULT TitleStrip::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    const POINT pt = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    TitleButton button;
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PaintDc paint(window_);
            Paint(paint.get());
            return 0;
        }
        case WM_MOUSEMOVE:
            if (!frm_) return 0;
            if (HitButton(pt, button))
                frm_->OnTitleButtonMouseMove(button);
            else
                frm_->OnBackgroundMouseMove();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            OnButtonDown(message, pt);
            return 0;
        case WM_LBUTTONDBLCLK:
            // The first click began a drag, which the system ended at once when nothing moved.
            if (frm_ && PtInRect(&kStatusRect, pt)) {
                frm_->OnStatusDoubleClick();
                return 0;
            }
            OnButtonDown(WM_LBUTTONDOWN, pt);
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            OnButtonUp(message, pt);
            return 0;
        case WM_CAPTURECHANGED:
            pressed_ = -1;
            return 0;
        case WM_COMMAND:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_DRAWITEM:
        case WM_NOTIFY:
            // The controls live on the picture; their notifications belong to the main window.
            return SendMessageW(GetParent(window_), message, wparam, lparam);
        default:
            return DefWindowProcW(window_, message, wparam, lparam);
    }
}

void TitleStrip::OnButtonDown(UINT message, POINT pt) {
    if (!frm_) return;
    TitleButton button;
    if (HitButton(pt, button)) {
        // A title button takes the mouse until the release, which decides whether it clicked.
        pressed_ = message == WM_LBUTTONDOWN ? Index(button) : -1;
        SetCapture(window_);
        frm_->OnTitleButtonMouseDown(button);
        return;
    }
    frm_->OnDragAreaMouseDown(message == WM_LBUTTONDOWN   ? MouseButton::Left
                              : message == WM_RBUTTONDOWN ? MouseButton::Right
                                                          : MouseButton::Middle);
}

void TitleStrip::OnButtonUp(UINT message, POINT pt) {
    const int pressed = pressed_;
    pressed_ = -1;
    if (GetCapture() == window_) ReleaseCapture();
    TitleButton button;
    if (frm_ && message == WM_LBUTTONUP && pressed >= 0 && HitButton(pt, button) && Index(button) == pressed)
        frm_->OnTitleButtonClick(button);
}

bool TitleStrip::HitButton(POINT pt, TitleButton& button) {
    for (TitleButton candidate : {TitleButton::Mini, TitleButton::Close}) {
        if (!PtInRect(&kButtonRects[Index(candidate)], pt)) continue;
        button = candidate;
        return true;
    }
    return false;
}

void TitleStrip::Paint(HDC dc) {
    if (background_) {
        UniqueMemoryDc memory(CreateCompatibleDC(dc));
        SelectGuard select(memory.get(), background_.get());
        BitBlt(dc, 0, 0, kPictureWidth, kPictureHeight, memory.get(), 0, 0, SRCCOPY);
        for (int b = 0; b < 2; ++b) {
            const auto& picture = pictures_[b][static_cast<int>(shown_[b])];
            if (!picture) continue;
            SelectGuard select_picture(memory.get(), picture.get());
            const RECT& r = kButtonRects[b];
            BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory.get(), 0, 0, SRCCOPY);
        }
    } else {
        // Without its picture (a module without the resources) the strip is plain white.
        RECT all;
        GetClientRect(window_, &all);
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    // The labels are windowless: drawn on the picture.
    SelectGuard select_font(dc, SongFontOf(SongFont::Text));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    constexpr UINT kLine = DT_LEFT | DT_SINGLELINE | DT_NOPREFIX;
    RECT account = kAccountLabelRect, password = kPasswordLabelRect;
    DrawTextW(dc, L"用 户 名：", -1, &account, kLine | DT_TOP);
    DrawTextW(dc, L"密    码：", -1, &password, kLine | DT_TOP);
    if (!status_.empty()) {
        SetTextColor(dc, RGB(255, 255, 255));
        RECT status = kStatusRect;
        DrawTextW(dc, status_.c_str(), -1, &status, kLine | DT_VCENTER);
    }
}

}  // namespace vt
