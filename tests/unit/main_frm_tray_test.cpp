// The title strip, minimise-to-tray, the tray icon's callbacks, the tray menu, the command from a
// second copy, and quitting.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/main_frm_fakes.h"

namespace vt::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(MainFrmTitleStrip, PicturesFollowTheMouseAndTheBackgroundResetsThem) {
    Rig rig;
    rig.Load();
    for (TitleButton button : {TitleButton::Mini, TitleButton::Close}) {
        rig.frm.OnTitleButtonMouseMove(button);
        EXPECT_EQ(rig.view.picture(button), ButtonPicture::Hover);
        rig.frm.OnTitleButtonMouseDown(button);
        EXPECT_EQ(rig.view.picture(button), ButtonPicture::Pressed);
        rig.frm.OnTitleButtonMouseMove(button);  // a pressed button turns to hover on a move
        EXPECT_EQ(rig.view.picture(button), ButtonPicture::Hover);
    }
    rig.log.clear();
    rig.frm.OnBackgroundMouseMove();
    EXPECT_THAT(rig.log, ElementsAre("close1 normal", "mini normal"));
}

TEST(MainFrmTitleStrip, BothButtonsMinimiseToTheTrayAndTheProgramKeepsRunning) {
    for (TitleButton button : {TitleButton::Mini, TitleButton::Close}) {
        Rig rig;
        rig.StoreAccount("user01", "pw");
        rig.services.settings["Option/DiscRedial"] = "1";
        rig.services.SetConnected(true);
        rig.Load();
        rig.frm.OnTitleButtonMouseDown(button);
        rig.log.clear();
        rig.frm.OnTitleButtonClick(button);
        EXPECT_THAT(rig.log,
                    ElementsAre("Minimise", "Hide", "mini normal", "close1 normal", "TrimWorkingSet"));
        EXPECT_FALSE(rig.view.visible);
        EXPECT_TRUE(rig.services.tray_icon);
        EXPECT_TRUE(rig.view.timer(FrmTimer::Supervision).on);
        EXPECT_FALSE(rig.frm.Unloaded());
    }
}

// A resize to anything but minimised does nothing, and only the left button drags.
TEST(MainFrmTitleStrip, OnlyAMinimiseHidesAndOnlyTheLeftButtonDrags) {
    Rig rig;
    rig.Load();
    rig.frm.OnResize(false);
    rig.frm.OnDragAreaMouseDown(MouseButton::Right);
    rig.frm.OnDragAreaMouseDown(MouseButton::Middle);
    EXPECT_THAT(rig.log, IsEmpty());
    EXPECT_EQ(rig.view.drags, 0);
    rig.frm.OnDragAreaMouseDown(MouseButton::Left);
    EXPECT_EQ(rig.view.drags, 1);
}

// The tray icon's mouse and key messages, a code a row: the left button or Enter shows the window (and it
// stays shown), the right one or the menu key brings up the menu and leaves a hidden window hidden, the
// others do nothing.
TEST(MainFrmTrayIcon, EachCodeDoesItsOneThing) {
    struct Case {
        unsigned code;
        std::vector<std::string> log;
        bool visible;
    };
    // 1025 and 123: Enter and the menu key on the icon (the shell's version 3 tells the keyboard).
    const Case cases[] = {{513, {"ShowNormal", "TrimWorkingSet"}, true},
                          {1025, {"ShowNormal", "TrimWorkingSet"}, true},
                          {516, {"BringToForeground", "PopUpTrayMenu"}, false},
                          {123, {"BringToForeground", "PopUpTrayMenu"}, false}};
    for (const Case& c : cases) {
        for (int twice = 0; twice < 2; ++twice) {
            Rig rig;
            rig.Load();
            rig.view.Minimise();
            rig.log.clear();
            for (int i = 0; i <= twice; ++i) rig.frm.OnTrayCallback(c.code);
            ASSERT_GE(rig.log.size(), 2u) << c.code;
            EXPECT_EQ(std::vector<std::string>(rig.log.begin(), rig.log.begin() + 2), c.log) << c.code;
            EXPECT_EQ(rig.view.visible, c.visible) << c.code;
            EXPECT_FALSE(rig.view.minimised && c.visible) << c.code;
        }
    }
    Rig rig;
    rig.Load();
    for (unsigned code : {0u, 512u, 514u, 515u, 517u, 518u, 519u, 520u, 521u, 1026u})
        rig.frm.OnTrayCallback(code);
    EXPECT_THAT(rig.log, IsEmpty());
    // The shell follows a right click with the menu key's message: one menu.
    for (unsigned code : {516u, 517u, 123u}) rig.frm.OnTrayCallback(code);
    EXPECT_EQ(rig.view.popups, 1);
}

TEST(MainFrmSecondCopy, NorRestoresShowsAndTellsWhereTheProgramLives) {
    Rig rig;
    rig.StoreAccount("user01", "pw");
    rig.services.args = "hide";
    rig.services.SetConnected(true);
    rig.Load();
    ASSERT_FALSE(rig.view.visible);
    EXPECT_TRUE(rig.frm.OnDdeExecute("Nor"));
    EXPECT_THAT(rig.log, ElementsAre("ShowNormal", "ShowBalloon 下次找不到我了，可以在这里看看！(*^__^*)"));
    EXPECT_TRUE(rig.view.visible);
    EXPECT_EQ(rig.services.balloons.back().title, "提示：");
    EXPECT_EQ(rig.services.balloons.back().flags, 1u);
}

TEST(MainFrmSecondCopy, OtherCommandsAreAcceptedWithoutEffect) {
    Rig rig;
    rig.Load();
    for (const char* command :
         {"nor", "Nor ", "", "hide", "NOR", "veltrane.setup.quit", "Veltrane.Setup.Quit "})
        EXPECT_TRUE(rig.frm.OnDdeExecute(command));
    EXPECT_THAT(rig.log, IsEmpty());
}

// The menu dials only a line that is down, and saves nothing.
TEST(MainFrmTrayMenu, ConnectDialsOnlyWhenNotConnected) {
    Rig rig;
    rig.LoadConnected(false, false);
    rig.view.connect_enabled = false;
    rig.frm.OnMenuItem(TrayMenuItem::Connect);
    EXPECT_THAT(rig.log, ElementsAre("IsEntryConnected Veltrane", "ShowBalloon 网络已连接！"));
    EXPECT_FALSE(rig.view.connect_enabled);  // stays as it was
    rig.services.SetConnected(false);
    rig.view.connect_enabled = true;
    rig.log.clear();
    rig.frm.OnMenuItem(TrayMenuItem::Connect);
    EXPECT_THAT(rig.log, ElementsAre("IsEntryConnected Veltrane", "ShowBalloon 正在自动拨号中，请稍后......",
                                     "DisableConnect", "LaunchDial user01,pw", "SetStatusText - 正在拨号...",
                                     "StartTimer DialWatch 5000", "ShowLineState Veltrane - 正在拨号……"));
    EXPECT_FALSE(rig.view.connect_enabled);
    EXPECT_FALSE(rig.Logged("WriteSetting UserName=user01"));
}

// The menu dials what the program holds: with no password known it answers as the connect command does,
// and it never starts the dial tool with an account the tool would misread.
TEST(MainFrmTrayMenu, ConnectWithoutAPasswordOrWithARefusedAccountDoesNotDial) {
    Rig rig;
    rig.Load();
    rig.view.account = "user01";  // typed, but nothing connected yet
    rig.frm.OnMenuItem(TrayMenuItem::Connect);
    rig.view.password = "pw";
    rig.frm.OnConnectClicked();
    rig.view.account = "/x";
    rig.frm.OnMenuItem(TrayMenuItem::Connect);
    ASSERT_EQ(rig.view.messages.size(), 2u);
    EXPECT_EQ(rig.view.messages[0].text, "您还没有输入帐号或密码！");
    EXPECT_THAT(rig.view.messages[1].text, ::testing::HasSubstr("宽带账号不能以“/”开头"));
    EXPECT_EQ(rig.services.dials.size(), 1u);  // the connect command's only
}

TEST(MainFrmTrayMenu, LinksAndTheAboutWindow) {
    Rig rig;
    rig.Load();
    rig.frm.OnMenuItem(TrayMenuItem::Help);
    rig.frm.OnMenuItem(TrayMenuItem::SiteUrl);
    rig.frm.OnMenuItem(TrayMenuItem::About);
    rig.frm.OnMenuItem(TrayMenuItem::About);
    rig.frm.OnMenuItem(TrayMenuItem::ShowIcon);  // on Windows 10; on Windows 7 the control panel's page
    rig.services.windows_version = "6.1.7601";
    MainFrm windows7(rig.services, rig.view);
    windows7.OnLoad();
    windows7.OnMenuItem(TrayMenuItem::ShowIcon);
    EXPECT_THAT(rig.services.links, ElementsAre(std::string(kHelpPageUrl), std::string(kMakerSiteUrl),
                                                "ms-settings:taskbar", std::string(kNotificationIconsPage)));
    // Windows 11 hides a new icon: where it is, told at the first start only.
    rig.services.windows_version = "10.0.22000";
    MainFrm(rig.services, rig.view).OnLoad();
    MainFrm(rig.services, rig.view).OnLoad();
    EXPECT_EQ(
        std::count_if(rig.services.balloons.begin(), rig.services.balloons.end(),
                      [](const Balloon& b) { return b.text.starts_with("Windows 11 把 Veltrane 的图标"); }),
        1);
    EXPECT_EQ(rig.view.about_shown, 2);
}

TEST(MainFrmTrayMenu, QuitWhileADialRunsRemovesTheIconAndStopsEverything) {
    Rig rig;
    rig.StoreAccount("user01", "pw");
    rig.services.settings["Option/DiscRedial"] = "1";
    rig.Load();  // a start-up dial is being watched
    ASSERT_TRUE(rig.view.timer(FrmTimer::DialWatch).on);
    rig.view.during_popup = [&] { rig.frm.OnMenuItem(TrayMenuItem::Exit); };
    rig.frm.OnTrayCallback(516);
    EXPECT_THAT(rig.log, ElementsAre("BringToForeground", "PopUpTrayMenu", "QuitProgram", "RemoveTrayIcon"));
    EXPECT_TRUE(rig.frm.Unloaded());
    const auto settings_before = rig.services.settings;
    rig.log.clear();
    rig.frm.OnUnload();
    rig.frm.OnDialWatchTick();
    rig.frm.OnSupervisionTick();
    rig.frm.OnDdeExecute("Nor");
    rig.frm.OnMenuItem(TrayMenuItem::Connect);
    rig.frm.OnOptionChanged(OptionBox::RedialOnDrop, false);
    EXPECT_THAT(rig.log, IsEmpty());
    EXPECT_EQ(rig.services.settings, settings_before);  // nothing written on the way out
}

// The Restart Manager closes the program for an installer while the session goes on: it quits as the
// tray menu's quit does. A logoff only takes the icon down.
TEST(MainFrmTrayMenu, TheRestartManagersCloseQuitsAndALogoffOnlyTakesTheIconDown) {
    for (bool close_app : {true, false}) {
        Rig rig;
        rig.Load();
        rig.frm.OnEndSession(close_app);
        EXPECT_EQ(rig.view.quits, close_app ? 1 : 0);
        EXPECT_TRUE(rig.frm.Unloaded());
        EXPECT_FALSE(rig.services.tray_icon);
    }
}

TEST(MainFrmTrayMenu, LayoutIsInScreenOrder) {
    std::vector<std::string> shown;
    int depth = 0;
    for (const TrayMenuEntry& e : TrayMenuLayout()) {
        switch (e.kind) {
            case TrayMenuEntry::Kind::SubMenuStart:
                shown.push_back(std::string(depth, '>') + std::string(e.caption));
                ++depth;
                break;
            case TrayMenuEntry::Kind::SubMenuEnd:
                --depth;
                break;
            case TrayMenuEntry::Kind::Separator:
                shown.push_back(std::string(depth, '>') + "-");
                break;
            case TrayMenuEntry::Kind::Item:
                shown.push_back(std::string(depth, '>') + std::string(e.caption));
                break;
        }
    }
    EXPECT_EQ(depth, 0);
    EXPECT_THAT(shown, ElementsAre("网络控制", ">连接网络", ">断开网络", "帮助中心", ">帮助文档",
                                   ">Veltrane官网", ">关于Veltrane...", "-", "连接状态", "复制诊断信息",
                                   "在任务栏上显示图标……", "-", "退出程序"));
}

}  // namespace
}  // namespace vt::testing
