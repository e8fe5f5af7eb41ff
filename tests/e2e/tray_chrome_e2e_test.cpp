// The tray menu, the about window and the window's own chrome on the real program. The tray icon is
// driven by the callback the shell itself sends (WM_MOUSEMOVE carrying the icon's mouse message); the
// menu by keys posted to it, as its modal loop reads them; the title-strip buttons and the drag by real
// pointer input.
#include <gtest/gtest.h>

#include <algorithm>

#include "services/cipher.h"
#include "services/dial_log.h"
#include "tests/e2e/e2e_case.h"

namespace vt::e2e {
namespace {

BOOL CALLBACK CountAboutWindow(HWND window, LPARAM param) {
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    if (std::wstring(title) == L"关于Veltrane ..." && IsWindowVisible(window))
        ++*reinterpret_cast<int*>(param);
    return TRUE;
}

int CountAboutWindows() {
    int count = 0;
    EnumWindows(CountAboutWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// A drag from `from` with the button of `down` and `up`, 8 pixels right and 6 down per step, five steps.
void DragFrom(POINT from, DWORD down, DWORD up) {
    MouseTo(from.x, from.y);
    MouseButton(down);
    for (int step = 1; step <= 5; ++step) MouseTo(from.x + step * 8, from.y + step * 6);
    MouseButton(up);
}

BOOL CALLBACK FindShownTip(HWND window, LPARAM param) {
    wchar_t name[32] = {}, text[128] = {};
    GetClassNameW(window, name, 32);
    // Another process's window text is its caption: the tooltip's own text is asked for.
    if (std::wstring_view(name) == L"tooltips_class32" && IsWindowVisible(window) &&
        SendMessageTimeoutW(window, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000,
                            nullptr) &&
        std::wstring_view(text).starts_with(L"Veltrane"))
        *reinterpret_cast<std::wstring*>(param) = text;
    return TRUE;
}

// Waits for Wine's tray to show `expected` as the tip of the program's icon: the pointer leaves the tray,
// then rests on its first icon (a move over an icon it knows makes the tray show the tip, but not while a
// balloon of the icon is up), and the tray's tooltip is read. The last tip read otherwise.
std::wstring WaitForTip(const std::wstring& expected, DWORD timeout_ms = 20000) {
    std::wstring tip;
    auto shown = [&] {
        tip.clear();
        EnumWindows(FindShownTip, reinterpret_cast<LPARAM>(&tip));
        return !tip.empty();
    };
    POINT icon = {10, 10};
    ClientToScreen(FindWindowW(L"__winex11_standalone_tray", nullptr), &icon);
    WaitUntil(
        [&] {
            MouseTo(600, 400);
            WaitUntil([&] { return !shown(); }, 2000);
            MouseTo(icon.x, icon.y);
            MouseTo(icon.x + 1, icon.y + 1);
            return WaitUntil(shown, 3000) && tip == expected;
        },
        timeout_ms);
    return tip;
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// The names of the files of the Wine prefix that hold one of `secrets` (as UTF-8 or UTF-16 bytes), once
// per secret found. The prefix's own folder is reached through the drive that maps the host's root.
std::vector<std::wstring> FilesHolding(const std::vector<std::string>& secrets) {
    std::vector<std::string> patterns;
    for (const std::string& secret : secrets) {
        patterns.push_back(secret);
        std::string wide;
        for (char c : secret) wide += {c, '\0'};
        patterns.push_back(wide);
    }
    wchar_t prefix[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH)) return {};
    std::wstring root = std::wstring(L"Z:") + prefix;
    std::replace(root.begin(), root.end(), L'/', L'\\');
    std::vector<std::wstring> found, folders{root};
    while (!folders.empty()) {
        const std::wstring folder = folders.back();
        folders.pop_back();
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            const std::wstring name = entry.cFileName, path = folder + L"\\" + name;
            // The drives are links to the host's folders: only the prefix's own files count.
            if (name == L"." || name == L".." || name == L"dosdevices" ||
                (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                folders.push_back(path);
                continue;
            }
            std::string content;
            if (!line::ReadWholeFile(path, content)) continue;
            for (const std::string& pattern : patterns)
                if (content.find(pattern) != std::string::npos) found.push_back(name);
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    return found;
}

class TrayChromeE2e : public E2eCase {
protected:
    TrayChromeE2e() : E2eCase(L"veltrane-e2e-tray.ini") {}
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(E2eCase::SetUp());
        StoreAccount(L"user", "secret");
    }
    void TearDown() override {
        // A menu left open would keep the next copy's menu from showing.
        if (HWND menu = FindWindowW(L"#32768", nullptr)) PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        E2eCase::TearDown();
    }
    void StartConnected() {
        line::State state;
        state.entries.push_back("Veltrane");
        state.connected.push_back("Veltrane");
        state.dial = {line::DialMode::Connect, 3, 0};
        ASSERT_TRUE(line::Save(state));
        ASSERT_TRUE(program_.Start());
        ASSERT_TRUE(program_.WaitForWindow());
        ASSERT_TRUE(WaitUntil([&] { return program_.Visible(); }, 3000));
    }
    // Opens the tray menu and presses `keys` in it; false when no menu opened.
    bool TrayMenuKeys(std::initializer_list<WORD> keys) {
        HWND menu = e2e::OpenTrayMenu(program_.window());
        if (menu) PressKeys(menu, keys);
        return menu != nullptr;
    }
    POINT ClientToScreenPoint(int x, int y) {
        POINT pt = {x, y};
        ClientToScreen(program_.window(), &pt);
        return pt;
    }
};

// The icon's tip follows the line through a night driven from the window (connect, drop, 691, 691,
// connect, drop, 651 three times, connect); the dial log holds those events in order, the diagnostics
// tell the line, and neither they nor any file of the prefix (but the settings file, and the stand-in
// line's own records, which play the system's part) hold the password or its cipher text.
TEST_F(TrayChromeE2e, TheTipTellsTheLineAndANightLeavesNoSecretBehind) {
    const std::string password = "Qz7-night-Vw3", account = "07551234567";
    const std::string cipher = EncipherPassword(password);
    WritePrivateProfileStringW(L"Option", L"UserName", Utf8ToWide(account).c_str(), SettingsPath().c_str());
    WritePrivateProfileStringW(L"Option", L"CipherText", Utf8ToWide(cipher).c_str(), SettingsPath().c_str());
    const std::wstring log_folder = DialLogFolder();
    DeleteFileW((log_folder + L"\\" + kDialLogName).c_str());
    DeleteFileW((log_folder + L"\\" + kPreviousDialLogName).c_str());
    line::State state;
    state.entries.push_back("Veltrane");
    state.dial = {line::DialMode::Connect, 6, 0};
    ASSERT_TRUE(line::Save(state));
    ASSERT_TRUE(program_.Launch());  // the subscriber's start dials

    EXPECT_EQ(WaitForTip(L"Veltrane - 正在拨号……", 5000), L"Veltrane - 正在拨号……");
    EXPECT_EQ(WaitForTip(L"Veltrane - 已连接 不到1分钟"), L"Veltrane - 已连接 不到1分钟");
    auto drop = [&] {
        line::Update([](line::State& s) { s.attempts.clear(); });
        EXPECT_EQ(WaitForTip(L"Veltrane - 未连接"), L"Veltrane - 未连接");
    };
    drop();
    line::Update([](line::State& s) {
        s.dial = {line::DialMode::Connect, 1, 0};
        s.script = {691, 691, 0, 651, 651, 651, 0};
    });
    std::size_t dials = 1;
    auto dial = [&] {
        SendMessageW(program_.Control(kBtnLog), BM_CLICK, 0, 0);
        ASSERT_EQ(line::WaitForDialStarts(++dials).size(), dials);
        // The watch's first tick reads the tool's number; a connection is told as it comes up.
        ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(program_.Control(kBtnLog)); }, 10000));
    };
    dial();
    dial();
    EXPECT_EQ(WaitForTip(L"Veltrane - 未连接（错误 691）"), L"Veltrane - 未连接（错误 691）");
    dial();
    EXPECT_EQ(WaitForTip(L"Veltrane - 已连接 不到1分钟"), L"Veltrane - 已连接 不到1分钟");
    drop();
    for (int i = 0; i < 3; ++i) dial();
    EXPECT_EQ(WaitForTip(L"Veltrane - 未连接（错误 651）"), L"Veltrane - 未连接（错误 651）");
    dial();
    ASSERT_TRUE(StatusBecomes(L"- 网络已连接", 5000));

    // "复制诊断信息" from the tray menu; a key lost while the menu opens is pressed again.
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    for (int attempt = 0; attempt < 3 && ClipboardText().empty(); ++attempt) {
        ASSERT_TRUE(TrayMenuKeys({VK_UP, VK_UP, VK_UP, VK_RETURN}));
        WaitUntil([] { return !ClipboardText().empty(); }, 3000);
    }
    const std::string diagnostics = WideToUtf8(ClipboardText());
    EXPECT_NE(diagnostics.find("宽带连接：已连接"), std::string::npos) << diagnostics;
    EXPECT_NE(diagnostics.find("IPv4：100.64.12.34（运营商内网）"), std::string::npos) << diagnostics;
    EXPECT_NE(diagnostics.find("本次运行的上次失败：错误 651"), std::string::npos) << diagnostics;

    std::string log;
    ASSERT_TRUE(line::ReadWholeFile(log_folder + L"\\" + kDialLogName, log));
    std::vector<std::string> events;
    if (log.starts_with("\xEF\xBB\xBF")) log.erase(0, 3);
    for (const std::string& text : line::Lines(log)) {
        const std::string event = text.substr(text.find(' ', 11) + 1);
        events.push_back(event.substr(0, std::min(event.find("，"), event.find("："))));
    }
    const std::string own = "拨号（用户操作）", up = "已连接", down = "断线（Windows 报告连接已断开）";
    const std::vector<std::string> night = {own,
                                            up,
                                            down,
                                            own,
                                            "拨号失败（错误 691）",
                                            own,
                                            "拨号失败（错误 691）",
                                            own,
                                            up,
                                            down,
                                            own,
                                            "拨号失败（错误 651）",
                                            own,
                                            "拨号失败（错误 651）",
                                            own,
                                            "拨号失败（错误 651）",
                                            own,
                                            up};
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(std::vector<std::string>(events.begin() + 1, events.end()), night) << log;

    for (const std::string& secret : {password, cipher, account})
        EXPECT_EQ(diagnostics.find(secret), std::string::npos) << secret;
    // The settings file holds the cipher text, which shows that the search reads what it should.
    auto name_of = [](const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); };
    const std::vector<std::wstring> allowed = {name_of(SettingsPath()), name_of(line::StatePath()),
                                               name_of(line::DialLogPath())};
    const std::vector<std::wstring> holders = FilesHolding({password, cipher});
    EXPECT_NE(std::find(holders.begin(), holders.end(), allowed[0]), holders.end());
    for (const std::wstring& name : holders)
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), name), allowed.end())
            << "a secret in " << WideToUtf8(name);
}

TEST_F(TrayChromeE2e, TheAboutItemShowsOneAboutWindow) {
    StartConnected();
    for (int round = 0; round < 2; ++round) {
        // 帮助中心 > 关于Veltrane...
        ASSERT_TRUE(TrayMenuKeys({VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN}));
        EXPECT_TRUE(WaitUntil([] { return CountAboutWindows() == 1; }, 3000)) << "round " << round;
    }
    ASSERT_TRUE(MenuClosedAndHandled(program_.window()));
    EXPECT_EQ(CountAboutWindows(), 1);
}

TEST_F(TrayChromeE2e, CloseAndMinimiseHideToTheTrayAndTheIconRestores) {
    StartConnected();
    ClickAt(ClientToScreenPoint(312 + 12, 8 + 10));  // the close button
    ASSERT_TRUE(WaitUntil([&] { return !program_.Visible(); }, 3000))
        << "the close button did not hide the window";
    EXPECT_FALSE(program_.Exited(0));

    // The shell's left-button callback brings it back.
    PostMessageW(program_.window(), WM_MOUSEMOVE, 0, WM_LBUTTONDOWN);
    ASSERT_TRUE(WaitUntil([&] { return program_.Visible(); }, 3000));
    EXPECT_FALSE(IsIconic(program_.window()));

    ClickAt(ClientToScreenPoint(283 + 12, 8 + 10));  // the minimise button
    ASSERT_TRUE(WaitUntil([&] { return !program_.Visible(); }, 3000))
        << "the minimise button did not hide the window";

    // A close request while it is already in the tray (another program, an installer) leaves it there:
    // no minimised bar appears, and the program keeps running.
    ASSERT_TRUE(IsIconic(program_.window()));
    SendMessageTimeoutW(program_.window(), WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, nullptr);
    ASSERT_TRUE(Settled(program_.window()));
    EXPECT_FALSE(program_.Visible()) << "a close request showed the hidden window";
    EXPECT_FALSE(program_.Exited(0));
    // And while shown, it only hides.
    PostMessageW(program_.window(), WM_MOUSEMOVE, 0, WM_LBUTTONDOWN);
    ASSERT_TRUE(WaitUntil([&] { return program_.Visible(); }, 3000));
    SendMessageTimeoutW(program_.window(), WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, nullptr);
    ASSERT_TRUE(Settled(program_.window()));
    EXPECT_FALSE(program_.Visible());
    EXPECT_FALSE(program_.Exited(0));

    // The menu's connect while the line is up only tells so.
    ASSERT_TRUE(TrayMenuKeys({VK_DOWN, VK_RIGHT, VK_RETURN}));  // 网络控制 > 连接网络
    ASSERT_TRUE(MenuClosedAndHandled(program_.window()));
    EXPECT_TRUE(line::ReadDialLog().empty());
    EXPECT_TRUE(IsWindowEnabled(program_.Control(kBtnLog)));
    EXPECT_EQ(program_.Status(), L"");

    // Still supervising while hidden: a dial watch runs and reports.
    line::Update([](line::State& s) { s.connected.clear(); });
    ASSERT_TRUE(TrayMenuKeys({VK_DOWN, VK_RIGHT, VK_RETURN}));
    EXPECT_TRUE(StatusBecomes(L"- 网络已连接", 10000));
    EXPECT_FALSE(program_.Visible());
}

TEST_F(TrayChromeE2e, ALeftDragOnTheStatusMovesTheWindowARightDoesNotADoubleClickShowsTheLine) {
    StartConnected();
    RECT before;
    GetWindowRect(program_.window(), &before);
    const POINT status = ClientToScreenPoint(150, 20);
    DragFrom(status, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    RECT after_right;
    GetWindowRect(program_.window(), &after_right);
    EXPECT_EQ(after_right.left, before.left);
    EXPECT_EQ(after_right.top, before.top);

    DragFrom(status, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    RECT after_left;
    WaitUntil(
        [&] {
            GetWindowRect(program_.window(), &after_left);
            return after_left.left != before.left;
        },
        2000);
    EXPECT_EQ(after_left.left - before.left, 40);
    EXPECT_EQ(after_left.top - before.top, 30);

    // A double click on the status opens the status view, whose first click began a drag; Esc closes it.
    ClickAt(ClientToScreenPoint(150, 20), 2);
    HWND view = nullptr;
    EXPECT_TRUE(
        WaitUntil([&] { return (view = FindWindowW(L"Form", L"连接状态")) && IsWindowVisible(view); }, 3000));
    PostMessageW(view, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([] { return !FindWindowW(L"Form", L"连接状态"); }, 3000));
}

}  // namespace
}  // namespace vt::e2e
