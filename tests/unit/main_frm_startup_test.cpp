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

// What start-up must do before what, a rule a row; the values it settles on after. The labels hold their
// initial texts until start-up has read what they stand for.
TEST(MainFrmStartup, EveryStepComesBeforeWhatDependsOnIt) {
    Rig rig;
    EXPECT_EQ(rig.frm.Password(), "PassWord");
    EXPECT_EQ(rig.frm.CipherText(), "CipherText");
    EXPECT_EQ(rig.frm.RunValueText(), "ExpTime");
    rig.StoreAccount("user01", "pw");
    rig.services.entry_exists = false;
    rig.services.run_value = "\"D:\\Old\\Veltrane.exe\" hide";
    rig.services.settings["Option/DiscRedial"] = "1";
    rig.frm.OnLoad();
    const std::string exe = "C:\\Program Files\\Veltrane\\Veltrane.exe";
    const std::pair<std::string, std::string> order[] = {
        {"AttachSkin", "SetOptionBackground 16446186"},
        {"SetOptionBackground 16446186", "MakeTranslucent 220"},
        {"MakeTranslucent 220", "ReadSetting UserName"},
        {"SetAccountText user01", "ReadSettingExact CipherText"},
        {"ReadSettingExact CipherText", "EntryExists Veltrane"},
        {"CreateDialEntry Veltrane,Zormik,", "ShowLineState Veltrane - 未连接"},
        {"ShowLineState Veltrane - 未连接", "ShowTrayIcon"},
        {"ShowTrayIcon", "DecipherPassword enc(pw)"},
        {"LaunchDial user01,pw", "ShowLineState Veltrane - 正在拨号……"},
        {"SetPasswordText Mirekoda", "ShowBalloon 正在自动拨号中，请稍后......"},
        {"ShowBalloon 正在自动拨号中，请稍后......", "LaunchDial user01,pw"},
        {"StartTimer DialWatch 5000", "ReadRunValue"},
        {"ShowStartWithWindows on", "WriteRunValue \"" + exe + "\" hide"},
        {"WriteRunValue \"" + exe + "\" hide", "ReadSetting DiscRedial"},
        {"StartTimer Supervision 22000", "WriteSetting DiscRedial=1"},
        {"WriteSetting DiscRedial=1", "WriteSetting ExeUrl=" + exe},
        {"WriteSetting ExeUrl=" + exe, "TrimWorkingSet"},
        {"TrimWorkingSet", "ShowNormal"},
    };
    for (const auto& [first, then] : order) {
        const auto at = std::find(rig.log.begin(), rig.log.end(), first);
        EXPECT_NE(at, rig.log.end()) << first;
        EXPECT_LT(at, std::find(rig.log.begin(), rig.log.end(), then)) << first << " before " << then;
    }
    // The Run value follows the executable: rewritten with the current path at every such start.
    EXPECT_EQ(rig.services.run_value, "\"" + exe + "\" hide");
    EXPECT_EQ(rig.frm.RunValueText(), "\"D:\\Old\\Veltrane.exe\" hide");
    EXPECT_EQ(rig.frm.Password(), "pw");
    EXPECT_EQ(rig.frm.CipherText(), "enc(pw)");
    EXPECT_TRUE(rig.frm.OptionTicked(OptionBox::StartWithWindows));
    EXPECT_TRUE(rig.frm.OptionTicked(OptionBox::RedialOnDrop));
    EXPECT_FALSE(rig.view.connect_enabled);
    for (const Balloon& b : rig.services.balloons) {
        EXPECT_EQ(b.title, "提示：");
        EXPECT_EQ(b.flags, 1u);
    }
}

// What start-up decides from the stored account, the command line and the line, a case a row: whether the
// window shows, whether it dials, and what it tells.
TEST(MainFrmStartup, DecisionsFromTheStoredAccountTheCommandLineAndTheLine) {
    struct Case {
        const char* user;
        const char* cipher;
        const char* args;
        bool connected;
        bool visible;
        bool dials;
        const char* balloon;  // null: a box says why the stored values cannot be dialled
    };
    constexpr const char* kDialling = "正在自动拨号中，请稍后......";
    constexpr const char* kNoAccount = "您还没有填写上网帐号或密码哦！";
    const Case cases[] = {
        {"", "", "hide", false, true, false, kNoAccount},              // a first run shows, "hide" or not
        {"", "enc(pw)", "hide", false, true, false, kNoAccount},       // a password without a name
        {"user01", "", "hide", false, true, false, kNoAccount},        // a name without a password
        {"user01", "enc(pw)", "hide", false, false, true, kDialling},  // the start at logon
        {"user01", "enc(pw)", "hide", true, false, false, "网络已连接！"},  // already connected
        {"user01", "enc(pw)", "", false, true, true, kDialling},
        {"user01", "enc(pw)", "HIDE", false, true, true, kDialling},  // only the exact word hides
        {"user01", "enc(pw)", "Hide", false, true, true, kDialling},
        {"user01", "enc(pw)", "hide x", false, true, true, kDialling},
        {"user01", "enc(pw)", " hide", false, true, true, kDialling},
        {"user01", "enc(pw)", "hide ", false, true, true, kDialling},
        {"/x", "enc(pw)", "hide", false, true, false, nullptr},  // values the dial tool would misread
        {"user01", "enc(*)", "hide", false, true, false, nullptr},
        {"user01", "enc(/p)", "hide", false, true, false, nullptr},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.services.settings["Option/UserName"] = c.user;
        rig.services.settings["Option/CipherText"] = c.cipher;
        rig.services.settings["Option/DiscRedial"] = "1";
        rig.services.args = c.args;
        rig.services.SetConnected(c.connected);
        rig.frm.OnLoad();
        const std::string what = std::string(c.user) + "|" + c.cipher + "|" + c.args;
        EXPECT_EQ(rig.view.visible, c.visible) << what;
        EXPECT_EQ(rig.Logged("Minimise"), !c.visible) << what;
        EXPECT_EQ(rig.services.dials.size(), c.dials ? 1u : 0u) << what;
        EXPECT_TRUE(rig.services.tray_icon) << what;
        if (c.balloon) {
            EXPECT_THAT(rig.BalloonTexts(), ElementsAre(c.balloon)) << what;
        } else {
            ASSERT_GE(rig.view.messages.size(), 1u) << what;
            EXPECT_EQ(rig.view.messages[0].text,
                      *CredentialRefusal(c.user, rig.services.DecipherPassword(c.cipher)));
        }
        // Without an account that can be dialled the redial option cannot stay on.
        EXPECT_EQ(rig.view.timer(FrmTimer::Supervision).on, c.dials || c.connected) << what;
        EXPECT_EQ(rig.frm.Password(), c.dials || c.connected ? "pw" : "PassWord") << what;
        if (c.connected) {
            EXPECT_EQ(rig.view.status, "") << what;  // no dial: the status stays empty
        }
    }
}

TEST(MainFrmStartup, AFirstRunWritesOnlyWhereTheProgramIs) {
    Rig rig;
    rig.services.entry_exists = false;
    rig.frm.OnLoad();
    EXPECT_TRUE(rig.Logged("CreateDialEntry Veltrane,Zormik,"));
    EXPECT_EQ(rig.services.Setting("ExeUrl"), "C:\\Program Files\\Veltrane\\Veltrane.exe");
    EXPECT_EQ(rig.services.Setting("UserName"), std::nullopt);  // nothing else written
    EXPECT_EQ(rig.services.Setting("CipherText"), std::nullopt);
    EXPECT_EQ(rig.view.password, "");
    EXPECT_EQ(rig.frm.RunValueText(), "");
    EXPECT_FALSE(rig.frm.OptionTicked(OptionBox::StartWithWindows));
    EXPECT_EQ(rig.view.status, "");
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

TEST(MainFrmStartup, AnExistingEntryAndNoRunValueAreLeftAlone) {
    Rig rig;
    rig.StoreAccount("user01", "pw");
    rig.frm.OnLoad();
    EXPECT_TRUE(rig.Logged("EntryExists Veltrane"));
    EXPECT_FALSE(rig.Logged("CreateDialEntry Veltrane,Zormik,"));
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

TEST(MainFrmStartup, QuitFromTheTrayWhileAStartUpBoxIsUpEndsStartUp) {
    Rig rig;
    rig.services.settings["Option/DiscRedial"] = "1";  // no account: the redial option's box
    rig.view.during_message = [&] { rig.frm.OnMenuItem(TrayMenuItem::Exit); };
    rig.frm.OnLoad();
    EXPECT_TRUE(rig.frm.Unloaded());
    EXPECT_FALSE(rig.services.tray_icon);
    EXPECT_EQ(rig.view.calls_after_destroy, 0);
    EXPECT_EQ(rig.services.Setting("ExeUrl"), std::nullopt);
}

}  // namespace
}  // namespace vt::testing
