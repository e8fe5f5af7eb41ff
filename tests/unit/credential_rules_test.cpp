// Which accounts and passwords the dialer refuses to keep or dial, and what it tells the subscriber.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "services/credential_rules.h"

namespace vt {
namespace {

using ::testing::HasSubstr;
using ::testing::Optional;

TEST(CredentialRules, OrdinaryAccountsAndPasswordsPass) {
    for (auto [account, password] : std::initializer_list<std::pair<const char*, const char*>>{
             {"adsl-user", "secret"},
             {"宽带用户 01", " p@ss word\"x "},  // Chinese in the account, blanks and quotes in the password
             {"user/a", "a/b*"},                 // "/" and "*" inside are plain characters
             {"*", "**"},
             {"u", "~!#$%^&()_+={}[]|\\:;'<>,.?`"}}) {
        EXPECT_EQ(CredentialRefusal(account, password), std::nullopt) << account << " " << password;
    }
    EXPECT_EQ(CredentialRefusal(std::string(127, 'a'), std::string(127, 'b')), std::nullopt);
}

TEST(CredentialRules, APasswordTheCipherCannotHoldIsRefusedNamingItsCharacters) {
    // Full-width letters and Chinese, as an input method in full-width mode types them: the cipher would
    // keep only "12", which is what a restart would dial.
    EXPECT_THAT(CredentialRefusal("user", "ｐａｓｓ密码12"),
                Optional(std::string(
                    "密码中有不能使用的字符：ｐ、ａ、ｓ、密、码。\n密码只能由半角的英文字母、数字和符号组成，"
                    "请关闭输入法的全角或中文状态后重新输入密码！")));
    // Invisible characters are named; each is named once, and a long list ends in "等".
    EXPECT_THAT(CredentialRefusal("user", "a\tb\r\nc\x7f　"),
                Optional(HasSubstr("字符：制表符、换行符、控制字符、全角空格。")));
    EXPECT_THAT(CredentialRefusal("user", "\xc2\x85"), Optional(HasSubstr("字符：控制字符。")));
    EXPECT_THAT(CredentialRefusal("user", "\xff"), Optional(HasSubstr("字符：无法识别的字符。")));
    EXPECT_THAT(CredentialRefusal("user", "一二三四五六七八九十"),
                Optional(HasSubstr("一、二、三、四、五、六、七、八等。")));
}

TEST(CredentialRules, AccountsWithControlCharactersAndWhatTheDialToolWouldMisreadAreRefused) {
    EXPECT_THAT(CredentialRefusal("evil\r\nDiscRedial=1", "secret"),
                Optional(std::string("宽带账号中有不能使用的字符：换行符。\n宽带账号里不能有换行符、制表符等"
                                     "控制字符，请重新输入宽带账号！")));
    for (const char* account : {"tab\there", "nul\x01", "del\x7f", "c1\xc2\x9f"})
        EXPECT_THAT(CredentialRefusal(account, "*"), Optional(HasSubstr("宽带账号中有不能使用的字符：")))
            << account;
    // A leading "/" in the account and a password of "*" are refused on the real program, end to end.
    EXPECT_THAT(CredentialRefusal("user", "/phonebook:x"), Optional(HasSubstr("密码不能以“/”开头")));
    // Too long to come back whole from the settings file: 128 bytes of account (43 Chinese characters are
    // 129 in UTF-8), 128 characters of password.
    std::string chinese;
    for (int i = 0; i < 43; ++i) chinese += "宽";
    EXPECT_THAT(CredentialRefusal(chinese, "pw"), Optional(HasSubstr("宽带账号太长")));
    EXPECT_THAT(CredentialRefusal("user", std::string(128, 'p')),
                Optional(HasSubstr("密码太长（最多127个字符）")));
}

}  // namespace
}  // namespace vt
