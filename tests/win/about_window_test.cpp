// The about window and its tray menu on real windows: one window, its links and pointer, and the
// menu's items chosen with the keys its modal loop reads.
#include "tray/about_window.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace vt {
namespace {

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

LPARAM At(POINT pt) { return MAKELPARAM(pt.x, pt.y); }

class AboutWindowTest : public ::testing::Test {
protected:
    std::vector<std::string> opened_;
    AboutWindow about_{GetModuleHandleW(nullptr), [this](std::string_view address) { opened_.emplace_back(address); }};
};

TEST_F(AboutWindowTest, IsCreatedHiddenWithItsCaptionAndThereIsOnlyOne) {
    ASSERT_TRUE(about_.EnsureCreated());
    HWND first = about_.hwnd();
    EXPECT_FALSE(IsWindowVisible(first));
    wchar_t caption[64] = {};
    GetWindowTextW(first, caption, 64);
    EXPECT_STREQ(caption, L"关于Veltrane ...");
    about_.Show();
    about_.Show();
    EXPECT_EQ(about_.hwnd(), first);
    EXPECT_TRUE(IsWindowVisible(first));
    // Its close box unloads it; the next use makes a new one, hidden.
    SendMessageW(first, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(about_.hwnd(), nullptr);
    ASSERT_TRUE(about_.EnsureCreated());
    EXPECT_FALSE(IsWindowVisible(about_.hwnd()));
}

TEST_F(AboutWindowTest, LabelsOpenTheSiteOrANewMailAndTheAuthorLineNothing) {
    ASSERT_TRUE(about_.EnsureCreated());
    const AboutWindow::LabelRects labels = AboutWindow::Layout();
    for (const RECT& r : {labels.product, labels.notice, labels.author, labels.site, labels.mail})
        SendMessageW(about_.hwnd(), WM_LBUTTONUP, 0, At(Centre(r)));
    EXPECT_EQ(opened_, (std::vector<std::string>{std::string(kMakerSiteUrl), std::string(kMakerSiteUrl),
                                                 std::string(kMakerSiteUrl), std::string(kSupportMailLink)}));
    EXPECT_EQ(kSupportMailLink.substr(0, 7), "mailto:");
}

TEST_F(AboutWindowTest, TheTwoLinksShowAHandPointer) {
    ASSERT_TRUE(about_.EnsureCreated());
    about_.Show();
    Pump();
    const AboutWindow::LabelRects labels = AboutWindow::Layout();
    auto cursor_over = [&](const RECT& r) {
        POINT pt = Centre(r);
        ClientToScreen(about_.hwnd(), &pt);
        SetCursorPos(pt.x, pt.y);
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        SendMessageW(about_.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(about_.hwnd()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    EXPECT_EQ(cursor_over(labels.site), hand);
    EXPECT_EQ(cursor_over(labels.mail), hand);
    EXPECT_NE(cursor_over(labels.author), hand);
}

// Chooses from the menu as a person with the keyboard would, once the menu is up.
std::thread KeysForMenu(std::vector<WORD> keys) {
    return std::thread([keys] {
        HWND menu = nullptr;
        for (int i = 0; i < 100 && !(menu && IsWindowVisible(menu)); ++i) {
            Sleep(30);
            menu = FindWindowW(L"#32768", nullptr);
        }
        for (WORD key : keys) {
            PostMessageW(menu, WM_KEYDOWN, key, 0);
            Sleep(80);
        }
    });
}

TEST_F(AboutWindowTest, TheMenuOffersItsItemsInOrder) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(owner);
    struct Case {
        std::vector<WORD> keys;
        std::optional<TrayMenuItem> item;
    } cases[] = {
        {{VK_DOWN, VK_RIGHT, VK_RETURN}, TrayMenuItem::Link},
        {{VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}, TrayMenuItem::Disconnect},
        {{VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN}, TrayMenuItem::Help},
        {{VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}, TrayMenuItem::SiteUrl},
        {{VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN}, TrayMenuItem::About},
        {{VK_UP, VK_RETURN}, TrayMenuItem::Exit},
        {{VK_ESCAPE}, std::nullopt},
    };
    for (const Case& c : cases) {
        std::thread keys = KeysForMenu(c.keys);
        std::optional<TrayMenuItem> chosen = about_.PopUpMenu(owner);
        keys.join();
        Pump();
        EXPECT_EQ(chosen, c.item) << "after " << c.keys.size() << " keys";
    }
    // Using the menu made the about window, hidden.
    EXPECT_NE(about_.hwnd(), nullptr);
    EXPECT_FALSE(IsWindowVisible(about_.hwnd()));
    DestroyWindow(owner);
}

}  // namespace
}  // namespace vt
