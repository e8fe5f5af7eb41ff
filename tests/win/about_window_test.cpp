// The about window and its tray menu on real windows: one window, its background, links and pointer,
// and the menu as shown, its items chosen with the keys its modal loop reads.
#include "tray/about_window.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "tests/win/pump.h"

namespace vt {
namespace {

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

LPARAM At(POINT pt) { return MAKELPARAM(pt.x, pt.y); }

class AboutWindowTest : public ::testing::Test {
protected:
    std::vector<std::string> opened_;
    AboutWindow about_{GetModuleHandleW(nullptr),
                       [this](std::string_view address) { opened_.emplace_back(address); }};
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
    // Its background is the face colour of dialog boxes, as the program shows it: the form class it is
    // made of is the one the main window registers.
    UpdateWindow(first);
    HDC dc = GetDC(first);
    EXPECT_EQ(GetPixel(dc, 5, 5), GetSysColor(COLOR_BTNFACE));
    ReleaseDC(first, dc);
    // Its close box unloads it; the next use makes a new one, hidden.
    SendMessageW(first, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(about_.hwnd(), nullptr);
    ASSERT_TRUE(about_.EnsureCreated());
    EXPECT_FALSE(IsWindowVisible(about_.hwnd()));
}

// The labels open the site or a new mail, the author's line nothing; the two links show a hand pointer.
TEST_F(AboutWindowTest, TheLinksOpenTheirPlacesUnderAHandPointer) {
    ASSERT_TRUE(about_.EnsureCreated());
    about_.Show();
    Pump();
    const AboutWindow::LabelRects labels = AboutWindow::Layout();
    for (const RECT& r : {labels.product, labels.notice, labels.author, labels.site, labels.mail})
        SendMessageW(about_.hwnd(), WM_LBUTTONUP, 0, At(Centre(r)));
    EXPECT_EQ(opened_, (std::vector<std::string>{std::string(kMakerSiteUrl), std::string(kMakerSiteUrl),
                                                 std::string(kMakerSiteUrl), std::string(kSupportMailLink)}));
    EXPECT_EQ(kSupportMailLink.substr(0, 7), "mailto:");
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

// The menu as shown, one line per item in screen order: "sub-menu>item", "item", or "-" for a line.
std::vector<std::string> Shown(HMENU menu, const std::string& prefix = "") {
    std::vector<std::string> lines;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t caption[64] = {};
        GetMenuStringW(menu, i, caption, 64, MF_BYPOSITION);
        const std::string text = prefix + WideToUtf8(caption);
        if (HMENU sub = GetSubMenu(menu, i)) {
            for (const std::string& line : Shown(sub, text + ">")) lines.push_back(line);
        } else {
            lines.push_back(GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR ? "-" : text);
        }
    }
    return lines;
}

// Once the menu is up, reads it as shown and chooses with the keys as a person would.
std::thread KeysForMenu(std::vector<WORD> keys, std::vector<std::string>* shown) {
    return std::thread([keys, shown] {
        HWND menu = nullptr;
        for (int i = 0; i < 100 && !(menu && IsWindowVisible(menu)); ++i) {
            Sleep(30);
            menu = FindWindowW(L"#32768", nullptr);
        }
        *shown = Shown(reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0)));
        for (WORD key : keys) {
            PostMessageW(menu, WM_KEYDOWN, key, 0);
            Sleep(80);
        }
    });
}

// Each line of the menu in screen order, and the keys that choose it.
TEST_F(AboutWindowTest, TheMenuShowsItsItemsInOrderAndEachChoosesItsOwn) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                 nullptr, nullptr, nullptr);
    SetForegroundWindow(owner);
    struct Row {
        std::string shown;
        std::vector<WORD> keys;
        std::optional<TrayMenuItem> item;
    } rows[] = {
        {"网络控制>连接网络", {VK_DOWN, VK_RIGHT, VK_RETURN}, TrayMenuItem::Connect},
        {"网络控制>断开网络", {VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}, TrayMenuItem::Disconnect},
        {"帮助中心>帮助文档", {VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN}, TrayMenuItem::Help},
        {"帮助中心>Veltrane官网", {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}, TrayMenuItem::SiteUrl},
        {"帮助中心>关于Veltrane...",
         {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN},
         TrayMenuItem::About},
        {"-", {}, std::nullopt},
        {"连接状态", {VK_UP, VK_UP, VK_UP, VK_UP, VK_RETURN}, TrayMenuItem::Status},
        {"复制诊断信息", {VK_UP, VK_UP, VK_UP, VK_RETURN}, TrayMenuItem::CopyDiagnostics},
        {"在任务栏上显示图标……", {VK_UP, VK_UP, VK_RETURN}, TrayMenuItem::ShowIcon},
        {"-", {}, std::nullopt},
        {"退出程序", {VK_UP, VK_RETURN}, TrayMenuItem::Exit},
        {"", {VK_ESCAPE}, std::nullopt},  // closed without a choice
    };
    std::vector<std::string> expected;
    for (const Row& row : rows)
        if (!row.shown.empty()) expected.push_back(row.shown);
    std::vector<std::string> shown;
    for (const Row& row : rows) {
        if (row.keys.empty()) continue;  // a line chooses nothing
        std::thread keys = KeysForMenu(row.keys, &shown);
        std::optional<TrayMenuItem> chosen = about_.PopUpMenu(owner);
        keys.join();
        Pump();
        EXPECT_EQ(chosen, row.item) << row.shown;
    }
    EXPECT_EQ(shown, expected);
    // Using the menu made the about window, hidden.
    EXPECT_NE(about_.hwnd(), nullptr);
    EXPECT_FALSE(IsWindowVisible(about_.hwnd()));
    DestroyWindow(owner);
}

}  // namespace
}  // namespace vt
