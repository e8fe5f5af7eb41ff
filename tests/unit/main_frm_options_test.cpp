// The two option boxes: start with Windows and redial on a drop.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/main_frm_fakes.h"

namespace vt::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Result = RunValueResult;

constexpr const char* kDenied =
    "Veltrane在添加开机启动项时被提示拒绝的权限或被其它安全软件阻止！本次设置开机启动失效，请重试！";

TEST(MainFrmStartOption, TickWritesTheQuotedPathAndUntickDeletesIt) {
    Rig rig;
    rig.Load();
    rig.frm.OnOptionChanged(OptionBox::StartWithWindows, true);
    EXPECT_THAT(rig.log, ElementsAre("WriteRunValue \"C:\\Program Files\\Veltrane\\Veltrane.exe\" hide"));
    rig.log.clear();
    rig.frm.OnOptionChanged(OptionBox::StartWithWindows, true);  // no change, no action
    EXPECT_THAT(rig.log, IsEmpty());
    rig.frm.OnOptionChanged(OptionBox::StartWithWindows, false);
    EXPECT_THAT(rig.log, ElementsAre("DeleteRunValue"));
    EXPECT_EQ(rig.services.run_value, "");
    EXPECT_THAT(rig.view.messages, IsEmpty());
}

// A Run value that cannot be written leaves nothing behind a ticked box: the failure is told and the box
// unticked, which deletes; a failed delete other than a refusal (the value was not there) passes quietly.
// At start-up too, where the value is rewritten with the current path.
TEST(MainFrmStartOption, AFailedWriteIsToldAndUnticksTheBox) {
    struct Case {
        Result write, remove;
        bool at_start_up;
        std::vector<std::string> boxes;
    };
    const std::string failed = "Veltrane 无法写入开机启动项，“开机启动”没有设置成功。请稍后再勾选一次。";
    const Case cases[] = {
        {Result::AccessDenied, Result::Failed, false, {kDenied}},
        {Result::AccessDenied, Result::AccessDenied, false, {kDenied, kDenied}},
        {Result::Failed, Result::Failed, false, {failed}},
        {Result::AccessDenied, Result::Ok, true, {kDenied}},
    };
    for (const Case& c : cases) {
        Rig rig;
        if (c.at_start_up) rig.services.run_value = "\"C:\\Program Files\\Veltrane\\Veltrane.exe\" hide";
        rig.services.write_result = c.write;
        rig.services.delete_result = c.remove;
        if (c.at_start_up) {
            rig.frm.OnLoad();
            EXPECT_TRUE(rig.view.visible);
        } else {
            rig.Load();
            rig.frm.OnOptionChanged(OptionBox::StartWithWindows, true);
        }
        std::vector<std::string> boxes;
        for (const MessageBoxShown& box : rig.view.messages) {
            boxes.push_back(box.text);
            EXPECT_EQ(box.title, "错误！");
            EXPECT_EQ(box.icon, 16u);
        }
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(rig.Count("DeleteRunValue"), 1);
        EXPECT_FALSE(rig.frm.OptionTicked(OptionBox::StartWithWindows));
        EXPECT_FALSE(rig.view.option(OptionBox::StartWithWindows));
    }
    // The order: the box is told, then unticked, which deletes.
    Rig rig;
    rig.Load();
    rig.services.write_result = Result::AccessDenied;
    rig.frm.OnOptionChanged(OptionBox::StartWithWindows, true);
    EXPECT_THAT(rig.log, ElementsAre("WriteRunValue \"C:\\Program Files\\Veltrane\\Veltrane.exe\" hide",
                                     std::string("ShowMessage ") + kDenied, "ShowStartWithWindows off",
                                     "DeleteRunValue"));
}

TEST(MainFrmStartOption, QuitWhileTheErrorBoxIsUpLeavesTheWindowAlone) {
    Rig rig;
    rig.Load();
    rig.services.write_result = Result::AccessDenied;
    rig.view.during_message = [&] { rig.frm.OnMenuItem(TrayMenuItem::Exit); };
    rig.frm.OnOptionChanged(OptionBox::StartWithWindows, true);
    EXPECT_EQ(rig.view.calls_after_destroy, 0);
    EXPECT_FALSE(rig.Logged("DeleteRunValue"));
}

TEST(MainFrmRedialOption, WithoutAccountUnticksStoresZeroThenShowsTheBox) {
    Rig rig;
    rig.Load();
    rig.frm.OnOptionChanged(OptionBox::RedialOnDrop, true);
    EXPECT_THAT(
        rig.log,
        ElementsAre("ShowRedialOnDrop off", "StopTimer Supervision", "WriteSetting DiscRedial=0",
                    "ShowMessage 请先输入宽带账号及密码，并点击“连接”按钮保存账号密码后，才可进行本操作！"));
    EXPECT_EQ(rig.view.messages[0].title, "提示：");
    EXPECT_EQ(rig.view.messages[0].icon, 64u);
    EXPECT_FALSE(rig.frm.OptionTicked(OptionBox::RedialOnDrop));
    EXPECT_FALSE(rig.view.timer(FrmTimer::Supervision).on);
}

TEST(MainFrmRedialOption, WithALoadedAccountStartsTheTimerAndStoresOne) {
    Rig rig;
    rig.LoadConnected(false, false);
    rig.frm.OnOptionChanged(OptionBox::RedialOnDrop, true);
    EXPECT_THAT(rig.log, ElementsAre("StartTimer Supervision 22000", "WriteSetting DiscRedial=1"));
    rig.view.Advance(21999);
    EXPECT_FALSE(rig.Logged("IsEntryConnected Veltrane"));
    rig.view.Advance(1);  // first supervision tick 22 s later
    EXPECT_TRUE(rig.Logged("IsEntryConnected Veltrane"));
    // Started without the option, the copy let the supervision go; unticked, it lets it go again, so that
    // another user's copy with the option can take it.
    EXPECT_EQ(rig.services.supervision_released, 1);
    rig.frm.OnOptionChanged(OptionBox::RedialOnDrop, false);
    EXPECT_EQ(rig.services.supervision_released, 2);
    EXPECT_FALSE(rig.view.timer(FrmTimer::Supervision).on);
    EXPECT_EQ(rig.services.Setting("DiscRedial"), "0");
}

TEST(MainFrmRedialOption, AStoredPasswordThatIsLiterallyPassWordCountsAsNoAccount) {
    Rig rig;
    rig.StoreAccount("user01", "PassWord");
    rig.services.settings["Option/DiscRedial"] = "1";
    rig.services.SetConnected(true);
    rig.frm.OnLoad();
    EXPECT_EQ(rig.frm.Password(), "PassWord");
    EXPECT_FALSE(rig.frm.OptionTicked(OptionBox::RedialOnDrop));
    EXPECT_EQ(rig.services.Setting("DiscRedial"), "0");
    EXPECT_EQ(rig.view.messages.size(), 1u);
}

}  // namespace
}  // namespace vt::testing
