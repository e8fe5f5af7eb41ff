#pragma once
// The about window: hidden, it owns the tray pop-up menu; shown, it is the about box with the product
// line and two links. There is one at a time; it is created hidden when the tray menu is first used and
// again after its close box destroyed it.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "base/window_base.h"
#include "tray/tray_menu.h"

namespace vt {

// What the mail line opens: a new mail to the makers.
inline constexpr std::string_view kSupportMailLink = "mailto:support@veltrane.net";

class AboutWindow final : public WindowBase {
public:
    using LinkOpener = std::function<void(std::string_view address)>;

    AboutWindow(HINSTANCE instance, LinkOpener open_link);
    ~AboutWindow() override;
    AboutWindow(const AboutWindow&) = delete;
    AboutWindow& operator=(const AboutWindow&) = delete;

    // Creates the window, hidden, when it does not exist. The skin attach (if any) runs on creation.
    bool EnsureCreated();
    void SetSkinAttach(std::function<void(HWND)> attach) { skin_attach_ = std::move(attach); }
    // Pops the tray menu up at the pointer for `owner` (which should be in the foreground) and
    // returns the chosen item, if any.
    std::optional<TrayMenuItem> PopUpMenu(HWND owner);
    // Shows the about box, modeless, in front.
    void Show();
    // Unloads the window (the next tray-menu use creates it again).
    void Destroy();

    // Where the labels are, for tests that click them.
    struct LabelRects {
        RECT product, notice, author, site, mail;
    };
    static LabelRects Layout();

private:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void Paint(HDC dc);
    int HitLink(POINT pt) const;  // 0 none, 1 the site (product, notice and site lines), 2 a new mail
    bool OnPointerLabel(POINT pt) const;

    HINSTANCE instance_;
    LinkOpener open_link_;
    std::function<void(HWND)> skin_attach_;
    HCURSOR hand_ = nullptr;
};

}  // namespace vt
