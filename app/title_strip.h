#pragma once
// The main window's background picture, a child covering its whole client area. Its top is the title
// strip: the status text, the minimise and close buttons (three pictures each), and the area that drags
// the window. Below, it draws the two labels beside the boxes and holds every control of the main
// window, whose notifications it hands on to its parent. The pointer over it is reported to MainFrm,
// which decides what the buttons show and what a press does.
#include <windows.h>

#include <string>
#include <string_view>

#include "app/main_frm.h"
#include "base/handles.h"
#include "base/window_base.h"

namespace vt {

class TitleStrip final : public WindowBase {
public:
    static constexpr wchar_t kClassName[] = L"VeltranePicture";

    explicit TitleStrip(HINSTANCE instance) : instance_(instance) {}
    ~TitleStrip() override { DestroyOwnWindow(); }

    // Loads the pictures and makes the window as child `id` of `parent`, covering `area`.
    bool Create(HWND parent, int id, const RECT& area);
    void SetBehaviour(MainFrm* frm) { frm_ = frm; }

    // The status is drawn in the strip and is also the window's text, so that accessibility tools (and
    // the end-to-end tests) can read it.
    void SetStatus(std::string_view text);
    void ShowPicture(TitleButton button, ButtonPicture picture);
    // The status text's tip, which says that a double click on it opens the status view.
    void AddStatusTip(HWND tooltip);
    static constexpr wchar_t kStatusTip[] = L"双击此处查看连接状态（地址、时长、流量）";

private:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void Paint(HDC dc);
    void OnButtonDown(UINT message, POINT pt);
    void OnButtonUp(UINT message, POINT pt);
    // The title button under `pt`, if any.
    static bool HitButton(POINT pt, TitleButton& button);

    HINSTANCE instance_;
    MainFrm* frm_ = nullptr;
    UniqueBitmap background_;
    UniqueBitmap pictures_[2][3];  // [TitleButton][ButtonPicture]
    ButtonPicture shown_[2] = {ButtonPicture::Normal, ButtonPicture::Normal};
    std::wstring status_;
    // The title button that a held left button went down on; it clicks if the release is over it too.
    int pressed_ = -1;
};

}  // namespace vt
