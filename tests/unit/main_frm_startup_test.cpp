// Start-up of the dialer: the order of its steps and the decisions it takes from the stored account,
// the command line, the Run value and the redial setting.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "services/credential_rules.h"
#include "tests/unit/main_frm_fakes.h"

namespace vt::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(MainFrmStartup, RunsEveryStepInOrderWithAStoredAccount) {
    Rig rig;
    rig.StoreAccount("user01", "pw");
    rig.services.entry_exists = false;
    rig.services.run_value = "\"D:\\Old\\Veltrane.exe\" hide";
    rig.services.settings["Option/DiscRedial"] = "1";
    rig.frm.OnLoad();
    EXPECT_THAT(
        rig.log,
        ElementsAre(
            "AttachSkin", "SetOptionBackground 16446186", "MakeTranslucent 220", "ReadSetting UserName",
            "SetAccountText user01", "ReadSettingExact CipherText", "EntryExists Veltrane",
            "CreateDialEntry Veltrane,Zormik,", "AddTrayIcon C:\\Program Files\\Veltrane\\adsl.ico,Veltrane",
            "DecipherPassword enc(pw)", "SetPasswordText Mirekoda", "IsEntryConnected Veltrane",
            "ShowBalloon 正在自动拨号中，请稍后......", "DisableConnect", "LaunchDial user01,pw",
            "SetStatusText - 正在拨号...", "StartTimer DialWatch 5000", "ReadRunValue",
            "ShowStartWithWindows on", "WriteRunValue \"C:\\Program Files\\Veltrane\\Veltrane.exe\" hide",
            "ReadSetting DiscRedial", "ShowRedialOnDrop on", "StartTimer Supervision 22000",
            "WriteSetting DiscRedial=1", "WriteSetting ExeUrl=C:\\Program Files\\Veltrane\\Veltrane.exe",
            "InstallTaskbarWatch C:\\Program Files\\Veltrane\\adsl.ico,Veltrane", "TrimWorkingSet",
            "ShowNormal"));
    // The Run value follows the executable: rewritten with the current path at every such start.
    EXPECT_EQ(rig.services.run_value, "\"C:\\Program Files\\Veltrane\\Veltrane.exe\" hide");
    EXPECT_EQ(rig.frm.RunValueText(), "\"D:\\Old\\Veltrane.exe\" hide");
    EXPECT_EQ(rig.frm.Password(), "pw");
    EXPECT_EQ(rig.frm.CipherText(), "enc(pw)");
    EXPECT_TRUE(rig.frm.OptionTicked(OptionBox::StartWithWindows));
    EXPECT_TRUE(rig.frm.OptionTicked(OptionBox::RedialOnDrop));
    EXPECT_TRUE(rig.view.visible);
    EXPECT_FALSE(rig.view.connect_enabled);
    for (const Balloon& b : rig.services.balloons) {
        EXPECT_EQ(b.title, "提示：");
        EXPECT_EQ(b.flags, 1u);
    }
}

TEST(MainFrmStartup, HiddenLabelsHoldTheirInitialTextsBeforeLoad) {
    Rig rig;
    EXPECT_EQ(rig.frm.Password(), "PassWord");
    EXPECT_EQ(rig.frm.CipherText(), "CipherText");
    EXPECT_EQ(rig.frm.RunValueText(), "ExpTime");
    EXPECT_FALSE(rig.frm.OptionTicked(OptionBox::StartWithWindows));
    EXPECT_FALSE(rig.frm.OptionTicked(OptionBox::RedialOnDrop));
}

TEST(MainFrmStartup, FirstRunAsksForAnAccountAndShowsTheWindowEvenWithHide) {
    Rig rig;
    rig.services.entry_exists = false;
    rig.services.args = "hide";
    rig.frm.OnLoad();
    EXPECT_TRUE(rig.Logged("CreateDialEntry Veltrane,Zormik,"));
    EXPECT_TRUE(rig.services.tray_icon);
    EXPECT_THAT(rig.BalloonTexts(), ElementsAre("您还没有填写上网帐号或密码哦！"));
    EXPECT_FALSE(rig.Logged("Minimise"));
    EXPECT_TRUE(rig.view.visible);
    EXPECT_THAT(rig.services.dials, IsEmpty());
    EXPECT_EQ(rig.frm.Password(), "PassWord");
    EXPECT_EQ(rig.view.password, "");
    EXPECT_EQ(rig.frm.CipherText(), "");
    EXPECT_EQ(rig.frm.RunValueText(), "");
    EXPECT_FALSE(rig.frm.OptionTicked(OptionBox::StartWithWindows));
    EXPECT_EQ(rig.services.Setting("ExeUrl"), "C:\\Program Files\\Veltrane\\Veltrane.exe");
    EXPECT_EQ(rig.services.Setting("UserName"), std::nullopt);  // nothing else written
    EXPECT_EQ(rig.services.Setting("CipherText"), std::nullopt);
    EXPECT_EQ(rig.view.status, "");
}

TEST(MainFrmStartup, ExistingEntryIsLeftAlone) {
    Rig rig;
    rig.frm.OnLoad();
    EXPECT_TRUE(rig.Logged("EntryExists Veltrane"));
    EXPECT_FALSE(rig.Logged("CreateDialEntry Veltrane,Zormik,"));
}

TEST(MainFrmStartup, AccountNameWithoutPasswordOrPasswordWithoutNameCountsAsNoAccount) {
    for (int which = 0; which < 2; ++which) {
        Rig rig;
        rig.StoreAccount("user01", "pw");
        rig.services.settings[which == 0 ? "Option/UserName" : "Option/CipherText"] = "";
        rig.services.args = "hide";
        rig.frm.OnLoad();
        EXPECT_THAT(rig.BalloonTexts(), ElementsAre("您还没有填写上网帐号或密码哦！")) << which;
        EXPECT_TRUE(rig.view.visible) << which;
        EXPECT_EQ(rig.frm.Password(), "PassWord") << which;
        EXPECT_THAT(rig.services.dials, IsEmpty()) << which;
    }
}

TEST(MainFrmStartup, HideWithAccountNotConnectedGoesToTrayAndDials) {
    Rig rig;
    rig.StoreAccount("user01", "pw");
    rig.services.args = "hide";
    rig.frm.OnLoad();
    // Centred, minimised; the resize hides it, resets the pictures and trims.
    const auto at = std::find(rig.log.begin(), rig.log.end(), "CentreOnScreen");
    ASSERT_NE(at, rig.log.end());
    EXPECT_THAT(
        std::vector<std::string>(at, at + 6),
        ElementsAre("CentreOnScreen", "Minimise", "Hide", "mini normal", "close1 normal", "TrimWorkingSet"));
    EXPECT_FALSE(rig.view.visible);
    EXPECT_FALSE(rig.Logged("ShowNormal"));
    EXPECT_THAT(rig.BalloonTexts(), ElementsAre("正在自动拨号中，请稍后......"));
    EXPECT_THAT(rig.services.dials, ElementsAre(std::pair<std::string, std::string>("user01", "pw")));
    EXPECT_TRUE(rig.services.tray_icon);
}

// Stored values the dial tool would misread or wait on for ever (from an earlier version, or edited by
// hand) are never dialled: the window shows with the reason, as with no account.
TEST(MainFrmStartup, StoredValuesTheDialToolCannotTakeAreNotDialled) {
    for (auto [account, password] :
         {std::pair{"/x", "pw"}, std::pair{"user01", "*"}, std::pair{"user01", "/p"}}) {
        Rig rig;
        rig.StoreAccount(account, password);
        rig.services.args = "hide";
        rig.services.settings["Option/DiscRedial"] = "1";
        rig.frm.OnLoad();
        ASSERT_GE(rig.view.messages.size(), 1u) << account << password;
        EXPECT_EQ(rig.view.messages[0].text, *CredentialRefusal(account, password));
        EXPECT_THAT(rig.services.dials, IsEmpty());
        EXPECT_TRUE(rig.view.visible);
        EXPECT_EQ(rig.frm.Password(), "PassWord");
        EXPECT_FALSE(rig.view.timer(FrmTimer::Supervision).on);  // the redial option cannot dial them either
    }
}

// An earlier version wrote cipher texts unquoted: one with a blank at either end is stored again, in the
// form that keeps its blanks, before any other write of the start could rewrite the file without them.
TEST(MainFrmStartup, ACipherTextWithEdgeBlanksIsStoredAgainBeforeAnyOtherWrite) {
    Rig rig;
    rig.services.settings["Option/UserName"] = "user01";
    rig.services.settings["Option/CipherText"] = "enc(pw) ";
    rig.services.settings["Option/DiscRedial"] = "1";
    rig.frm.OnLoad();
    std::vector<std::string> writes;
    for (const std::string& e : rig.log)
        if (e.starts_with("WriteSetting")) writes.push_back(e);
    EXPECT_THAT(writes, ElementsAre("WriteSetting CipherText=enc(pw) ", "WriteSetting DiscRedial=1",
                                    "WriteSetting ExeUrl=C:\\Program Files\\Veltrane\\Veltrane.exe"));
    EXPECT_EQ(rig.frm.CipherText(), "enc(pw) ");
}

TEST(MainFrmStartup, HideWithAccountAlreadyConnectedGoesToTrayWithoutDial) {
    Rig rig;
    rig.StoreAccount("user01", "pw");
    rig.services.args = "hide";
    rig.services.SetConnected(true);
    rig.frm.OnLoad();
    EXPECT_FALSE(rig.view.visible);
    EXPECT_THAT(rig.BalloonTexts(), ElementsAre("网络已连接！"));
    EXPECT_THAT(rig.services.dials, IsEmpty());
    EXPECT_EQ(rig.view.status, "");  // no dial, the status stays empty
    EXPECT_TRUE(rig.view.connect_enabled);
    EXPECT_FALSE(rig.view.timer(FrmTimer::DialWatch).on);
}

TEST(MainFrmStartup, OnlyTheExactWordHideStartsInTheTray) {
    for (const char* args : {"HIDE", "hide x", " hide", "hide ", "", "Hide"}) {
        Rig rig;
        rig.StoreAccount("user01", "pw");
        rig.services.args = args;
        rig.frm.OnLoad();
        EXPECT_FALSE(rig.Logged("Minimise")) << '"' << args << '"';
        EXPECT_TRUE(rig.view.visible) << '"' << args << '"';
        EXPECT_EQ(rig.services.dials.size(), 1u) << '"' << args << '"';  // still dials
    }
}

TEST(MainFrmStartup, NoRunValueLeavesTheStartOptionOffAndTheRegistryUntouched) {
    Rig rig;
    rig.StoreAccount("user01", "pw");
    rig.frm.OnLoad();
    EXPECT_FALSE(rig.frm.OptionTicked(OptionBox::StartWithWindows));
    EXPECT_FALSE(rig.Logged("DeleteRunValue"));
    for (const std::string& e : rig.log) EXPECT_FALSE(e.starts_with("WriteRunValue")) << e;
}

TEST(MainFrmStartup, RedialSettingNeedsExactlyOne) {
    for (const char* value : {"0", "", "1 ", "true", "01"}) {
        Rig rig;
        rig.StoreAccount("user01", "pw");
        rig.services.settings["Option/DiscRedial"] = value;
        rig.frm.OnLoad();
        EXPECT_FALSE(rig.frm.OptionTicked(OptionBox::RedialOnDrop)) << value;
        EXPECT_FALSE(rig.view.timer(FrmTimer::Supervision).on) << value;
        EXPECT_EQ(rig.services.Setting("DiscRedial"), std::string(value)) << value;  // not rewritten
    }
}

TEST(MainFrmStartup, RedialSettingWithoutAccountSwitchesItselfOffWithABox) {
    Rig rig;
    rig.services.settings["Option/DiscRedial"] = "1";
    std::optional<std::string> stored_when_box_showed;
    rig.view.during_message = [&] { stored_when_box_showed = rig.services.Setting("DiscRedial"); };
    rig.frm.OnLoad();
    ASSERT_EQ(rig.view.messages.size(), 1u);
    EXPECT_EQ(rig.view.messages[0].text,
              "请先输入宽带账号及密码，并点击“连接”按钮保存账号密码后，才可进行本操作！");
    EXPECT_EQ(rig.view.messages[0].title, "提示：");
    EXPECT_EQ(rig.view.messages[0].icon, 64u);
    EXPECT_EQ(stored_when_box_showed, "0");
    EXPECT_FALSE(rig.frm.OptionTicked(OptionBox::RedialOnDrop));
    EXPECT_FALSE(rig.view.option(OptionBox::RedialOnDrop));
    EXPECT_FALSE(rig.view.timer(FrmTimer::Supervision).on);
    // Start-up goes on after the box.
    EXPECT_TRUE(rig.Logged("TrimWorkingSet"));
    EXPECT_TRUE(rig.view.visible);
}

TEST(MainFrmStartup, StartUpDialRunsBeforeTheRedialTimerStarts) {
    Rig rig;
    rig.StoreAccount("user01", "pw");
    rig.services.settings["Option/DiscRedial"] = "1";
    rig.frm.OnLoad();
    const auto dial = std::find(rig.log.begin(), rig.log.end(), "StartTimer DialWatch 5000");
    const auto redial = std::find(rig.log.begin(), rig.log.end(), "StartTimer Supervision 22000");
    ASSERT_NE(dial, rig.log.end());
    ASSERT_NE(redial, rig.log.end());
    EXPECT_LT(dial, redial);
}

TEST(MainFrmStartup, DriveRootFolderKeepsItsBackslashForTheIconPath) {
    Rig rig;
    rig.services.exe_folder = "C:\\";
    rig.frm.OnLoad();
    // The icon path takes the folder as reported, without the drive-root rule of ExeUrl.
    EXPECT_TRUE(rig.Logged("AddTrayIcon C:\\\\adsl.ico,Veltrane"));
}

TEST(MainFrmStartup, QuitFromTheTrayWhileAStartUpBoxIsUpEndsStartUp) {
    Rig rig;
    rig.services.settings["Option/DiscRedial"] = "1";  // no account: the redial option's box
    rig.view.during_message = [&] { rig.frm.OnMenuItem(TrayMenuItem::Exit); };
    rig.frm.OnLoad();
    EXPECT_TRUE(rig.frm.Unloaded());
    EXPECT_FALSE(rig.services.tray_icon);
    EXPECT_EQ(rig.view.calls_after_destroy, 0);
    EXPECT_FALSE(rig.Logged("InstallTaskbarWatch C:\\Program Files\\Veltrane\\adsl.ico,Veltrane"));
    EXPECT_EQ(rig.services.Setting("ExeUrl"), std::nullopt);
}

}  // namespace
}  // namespace vt::testing
