#include "services/run_value.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

TEST(RunValueData, FolderAndBaseNameQuotedThenHide) {
    EXPECT_EQ(RunValueDataFor("C:\\Program Files\\Veltrane", "Veltrane"),
              "\"C:\\Program Files\\Veltrane\\Veltrane.exe\" hide");
    EXPECT_EQ(RunValueDataFor("D:\\tools", "dialer"), "\"D:\\tools\\dialer.exe\" hide");
}

TEST(RunValueData, DriveRootGetsNoSecondBackslash) {
    EXPECT_EQ(RunValueDataFor("C:\\", "Veltrane"), "\"C:\\Veltrane.exe\" hide");
}

TEST(RunValueData, OnlyTheRootIsThreeCharactersLong) {
    EXPECT_EQ(RunValueDataFor("C:\\a", "Veltrane"), "\"C:\\a\\Veltrane.exe\" hide");
    EXPECT_EQ(RunValueDataFor("C:\\宽带", "宽带拨号"), "\"C:\\宽带\\宽带拨号.exe\" hide");
}

}  // namespace
}  // namespace vt
