// The connect command (button, Enter in the password box) and the keyboard flow of the two boxes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/main_frm_fakes.h"

namespace vt::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Dial = std::pair<std::string, std::string>;

TEST(MainFrmConnect, NewAccountDialsThenSavesAndHidesThePassword) {
    Rig rig;
    rig.Load();
    rig.view.account = "user01";
    rig.view.password = "secret";
    rig.frm.OnConnectClicked();
    EXPECT_THAT(rig.log, ElementsAre("SetPasswordText Mirekoda", "IsEntryConnected Veltrane",
                                     "ShowBalloon 正在自动拨号中，请稍后......", "DisableConnect",
                                     "LaunchDial user01,secret", "SetStatusText - 正在拨号...",
                                     "StartTimer DialWatch 5000", "ShowLineState Veltrane - 正在拨号……",
                                     "WriteSetting UserName=user01", "WriteSetting CipherText=enc(secret)"));
    EXPECT_EQ(rig.frm.Password(), "secret");
    EXPECT_EQ(rig.frm.CipherText(), "enc(secret)");
    EXPECT_EQ(rig.view.password, "Mirekoda");
    EXPECT_FALSE(rig.view.connect_enabled);
    // The account is now one that can be redialled.
    rig.frm.OnOptionChanged(OptionBox::RedialOnDrop, true);
    EXPECT_THAT(rig.view.messages, IsEmpty());
    EXPECT_TRUE(rig.view.timer(FrmTimer::Supervision).on);
    EXPECT_EQ(rig.services.Setting("DiscRedial"), "1");
}

TEST(MainFrmConnect, MissingAccountOrPasswordShowsABoxAndChangesNothing) {
    struct Case {
        const char* account;
        const char* password;
        bool stored;
    };
    for (const Case c : {Case{"", "", false}, Case{"user01", "", false}, Case{"", "secret", false},
                         Case{"", "", true}, Case{"", "Mirekoda", true}}) {
        Rig rig;
        if (c.stored) rig.StoreAccount("user01", "pw");
        rig.Load();
        rig.view.account = c.account;
        rig.view.password = c.password;
        const auto settings_before = rig.services.settings;
        const std::string pass_word_before = rig.frm.Password();
        const auto dials_before = rig.services.dials.size();
        rig.frm.OnConnectClicked();
        ASSERT_EQ(rig.view.messages.size(), 1u);
        EXPECT_EQ(rig.view.messages[0].text, "您还没有输入帐号或密码！");
        EXPECT_EQ(rig.view.messages[0].title, "提示：");
        EXPECT_EQ(rig.view.messages[0].icon, 64u);
        EXPECT_EQ(rig.services.dials.size(), dials_before);
        EXPECT_FALSE(rig.Logged("IsEntryConnected Veltrane"));
        EXPECT_EQ(rig.services.settings, settings_before);
        EXPECT_EQ(rig.frm.Password(), pass_word_before);
        EXPECT_EQ(rig.frm.CipherText(), c.stored ? "enc(pw)" : "");
    }
}

// What the cipher, the settings file or the dial tool cannot take is refused before anything is kept,
// stored or dialled; the stored account and password stay in force.
TEST(MainFrmConnect, RefusedAccountOrPasswordShowsWhyAndChangesNothing) {
    struct Case {
        const char* account;
        const char* password;
        const char* says;
    };
    // Full-width characters, a line break, "/disconnect" and "*" are refused end to end as well.
    for (const Case c :
         {Case{"/x", "secret", "宽带账号不能以“/”开头"}, Case{"user01", "/p", "密码不能以“/”开头"}}) {
        Rig rig;
        rig.LoadConnected();
        rig.view.account = c.account;
        rig.view.password = c.password;
        rig.frm.OnConnectClicked();
        ASSERT_EQ(rig.view.messages.size(), 1u) << c.account << c.password;
        EXPECT_THAT(rig.view.messages[0].text, ::testing::HasSubstr(c.says));
        EXPECT_EQ(rig.view.messages[0].icon, 64u);
        // Nothing else: no write (writes are logged), no dial, the button left as it was.
        EXPECT_THAT(rig.log, ElementsAre(Cat({"ShowMessage ", rig.view.messages[0].text})));
        EXPECT_EQ(rig.frm.Password(), "pw");
        EXPECT_EQ(rig.frm.CipherText(), "enc(pw)");
        EXPECT_EQ(rig.view.password, c.password);  // left for the subscriber to correct
    }
}

// Which password a connect command dials and keeps, a case a row: the placeholder in the box stands for the
// stored password only when one is stored (loaded at start-up with its account name or not); a cleared box
// does not erase it; anything else typed is a new password.
TEST(MainFrmConnect, WhichPasswordIsDialledAndKept) {
    struct Case {
        const char* stored_user;  // null: nothing stored
        const char* stored_cipher;
        const char* account;
        const char* typed;
        const char* dialled;
        const char* cipher;
    };
    const Case cases[] = {
        {"user01", "enc(pw)", "user01", "", "pw", "enc(pw)"},                   // a cleared box
        {"user01", "enc(pw)", "user01", "Mirekoda", "pw", "enc(pw)"},           // the placeholder
        {"user01", "enc(pw)", "user02", "new pw", "new pw", "enc(new pw)"},     // a new password
        {"", "enc(pw)", "user01", "", "pw", "enc(pw)"},                         // stored without its name
        {nullptr, nullptr, "user01", "Mirekoda", "Mirekoda", "enc(Mirekoda)"},  // typed, nothing stored
    };
    for (const Case& c : cases) {
        Rig rig;
        if (c.stored_user) {
            rig.services.settings["Option/UserName"] = c.stored_user;
            rig.services.settings["Option/CipherText"] = c.stored_cipher;
            rig.services.SetConnected(true);
        }
        rig.Load();
        rig.services.SetConnected(false);
        rig.view.account = c.account;
        rig.view.password = c.typed;
        rig.frm.OnConnectClicked();
        EXPECT_THAT(rig.view.messages, IsEmpty()) << c.typed;
        EXPECT_THAT(rig.services.dials, ElementsAre(Dial(c.account, c.dialled))) << c.typed;
        EXPECT_EQ(rig.frm.Password(), c.dialled) << c.typed;
        EXPECT_EQ(rig.services.Setting("CipherText"), c.cipher) << c.typed;
        EXPECT_EQ(rig.services.Setting("UserName"), c.account) << c.typed;
        EXPECT_EQ(rig.view.password, "Mirekoda") << c.typed;
    }
}

TEST(MainFrmConnect, AlreadyConnectedSavesWithoutDialling) {
    Rig rig;
    rig.Load();
    rig.services.SetConnected(true);
    rig.view.connect_enabled = false;
    rig.view.account = "  user01 ";  // used as typed
    rig.view.password = "secret";
    rig.frm.OnConnectClicked();
    EXPECT_THAT(rig.BalloonTexts(), ElementsAre("您还没有填写上网帐号或密码哦！", "网络已连接！"));
    EXPECT_TRUE(rig.view.connect_enabled);
    EXPECT_THAT(rig.services.dials, IsEmpty());
    EXPECT_FALSE(rig.view.timer(FrmTimer::DialWatch).on);
    EXPECT_EQ(rig.services.Setting("UserName"), "  user01 ");
    EXPECT_EQ(rig.services.Setting("CipherText"), "enc(secret)");
}

TEST(MainFrmConnect, EnterMovesOnFromTheAccountAndConnectsFromThePasswordEvenWhileTheButtonIsDisabled) {
    Rig rig;
    rig.Load();
    rig.view.account = "user01";
    rig.frm.OnAccountEnter();
    EXPECT_THAT(rig.log, ElementsAre("FocusPasswordBox"));
    EXPECT_THAT(rig.services.dials, IsEmpty());
    rig.view.password = "secret";
    rig.frm.OnConnectClicked();
    rig.view.Advance(5000);  // one failing watch tick: countdown 2
    ASSERT_FALSE(rig.view.connect_enabled);
    rig.frm.OnPasswordEnter();
    EXPECT_EQ(rig.services.dials.size(), 2u);  // a second dialler
    rig.view.Advance(10000);
    EXPECT_EQ(rig.view.status, "- 正在拨号...");
    rig.view.Advance(5000);
    EXPECT_EQ(rig.view.status, "- 拨号失败");
}

// A settings file that cannot be written: start-up, which only writes back what it read, says nothing; the
// first change the subscriber makes is told once, with the path, and takes effect; the dial goes ahead.
TEST(MainFrmConnect, SettingsThatCannotBeSavedAreToldOnceButNotAtStartUp) {
    Rig rig;
    rig.StoreAccount("user01", "pw");
    rig.services.settings["Option/DiscRedial"] = "1";
    rig.services.settings_writable = false;
    rig.services.SetConnected(true);
    rig.Load();
    EXPECT_THAT(rig.view.messages, IsEmpty());
    rig.frm.OnOptionChanged(OptionBox::RedialOnDrop, false);
    EXPECT_FALSE(rig.view.timer(FrmTimer::Supervision).on);
    ASSERT_EQ(rig.view.messages.size(), 1u);
    EXPECT_EQ(
        rig.view.messages[0].text,
        "Veltrane 无法保存您的设置（宽带账号、密码或选项），设置文件无法写入：\nC:\\Windows\\Veltrane.dat\n"
        "现在可以照常使用，但下次启动时需要重新填写。请检查该文件是否被设为只读或被其它程序占用。");
    EXPECT_EQ(rig.view.messages[0].title, "提示：");
    EXPECT_EQ(rig.view.messages[0].icon, 48u);
    rig.frm.OnOptionChanged(OptionBox::RedialOnDrop, true);
    EXPECT_TRUE(rig.view.timer(FrmTimer::Supervision).on);
    rig.services.SetConnected(false);
    rig.view.password = "other";
    rig.frm.OnConnectClicked();
    EXPECT_THAT(rig.services.dials, ElementsAre(Dial{"user01", "other"}));
    EXPECT_EQ(rig.view.messages.size(), 1u);
}

}  // namespace
}  // namespace vt::testing
