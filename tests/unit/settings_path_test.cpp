#include "services/settings_path.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

using namespace std::string_literals;

TEST(SettingsPath, WindowsDirectoryAndExecutableName) {
    EXPECT_EQ(vt::SettingsPathFor("C:\\WINDOWS", "Veltrane"), "C:\\WINDOWS\\Veltrane.dat");
    EXPECT_EQ(vt::SettingsPathFor("C:\\WINDOWS", vt::ExeBaseName("D:\\Tools\\Other.exe")),
              "C:\\WINDOWS\\Other.dat");
    EXPECT_EQ(vt::SettingsPathFor("C:\\系统", "宽带"), "C:\\系统\\宽带.dat");
    // windir unset or empty: the root folder of the current drive.
    EXPECT_EQ(vt::SettingsPathFor("", "Veltrane"), "\\Veltrane.dat");
}

TEST(SettingsPath, BaseNameDropsFolderAndLastExtensionOnly) {
    EXPECT_EQ(vt::ExeBaseName("C:\\Program Files\\Veltrane\\Veltrane.exe"), "Veltrane");
    EXPECT_EQ(vt::ExeBaseName("C:\\Veltrane.exe"), "Veltrane");
    EXPECT_EQ(vt::ExeBaseName("C:\\a.b\\my.dial.v2.exe"), "my.dial.v2");
    EXPECT_EQ(vt::ExeBaseName("C:\\a.b\\NoExtension"), "NoExtension");
    EXPECT_EQ(vt::ExeBaseName("Z:/work/bin/win_tests.exe"), "win_tests");
    EXPECT_EQ(vt::ExeBaseName("\\\\server\\share\\宽带连接.EXE"), "宽带连接");
    EXPECT_EQ(vt::ExeBaseName("plain.exe"), "plain");
    EXPECT_EQ(vt::ExeBaseName(""), "");
}

TEST(SettingsPath, FolderKeepsTheBackslashOnlyAtADriveRoot) {
    EXPECT_EQ(vt::ExeFolder("C:\\Veltrane.exe"), "C:\\");
    EXPECT_EQ(vt::ExeFolder("C:\\Tools\\Veltrane.exe"), "C:\\Tools");
    EXPECT_EQ(vt::ExeFolder("C:\\程序\\宽带\\Veltrane.exe"), "C:\\程序\\宽带");
    EXPECT_EQ(vt::ExeFolder("\\\\server\\share\\Veltrane.exe"), "\\\\server\\share");
    EXPECT_EQ(vt::ExeFolder("Veltrane.exe"), "");
}

TEST(ExeUrl, BackslashUnlessTheFolderIsThreeCharacters) {
    EXPECT_EQ(vt::ExeUrlFrom("C:\\", "Veltrane"), "C:\\Veltrane.exe");
    EXPECT_EQ(vt::ExeUrlFrom("C:\\Tools", "Veltrane"), "C:\\Tools\\Veltrane.exe");
    EXPECT_EQ(vt::ExeUrlFrom(vt::ExeFolder("D:\\Veltrane.exe"), vt::ExeBaseName("D:\\Veltrane.exe")),
              "D:\\Veltrane.exe");
    EXPECT_EQ(vt::ExeUrlFrom("C:\\宽带", "Veltrane"), "C:\\宽带\\Veltrane.exe");  // 4 characters
    // The rule counts characters, not bytes: one Chinese character is three UTF-8 bytes.
    EXPECT_EQ(vt::ExeUrlFrom("宽", "Veltrane"), "宽\\Veltrane.exe");
    EXPECT_EQ(vt::ExeUrlFrom("C:\\Tools", "my.dial"), "C:\\Tools\\my.dial.exe");
}

TEST(ProfileValue, TrimRemovesOnlySpaces) {
    EXPECT_EQ(vt::TrimSpaces("  a b  "), "a b");
    EXPECT_EQ(vt::TrimSpaces("\ta\t"), "\ta\t");
    EXPECT_EQ(vt::TrimSpaces("   "), "");
    EXPECT_EQ(vt::TrimSpaces(""), "");
}

TEST(ProfileValue, QuotedOnlyWhenTheReaderWouldAlterIt) {
    // Blanks at either end, and one pair of matching quotes, are what the reader strips.
    for (std::string_view value : {" lead", "trail ", " ", "\ttab", "tab\t",
                                   "\x1a"
                                   "eof",
                                   "cr\r", "\"q\"", "'s'", "\"\"", "''", "\"a\" b \"", "\"a'b\" "}) {
        EXPECT_TRUE(vt::ProfileValueNeedsQuotes(value)) << value;
        EXPECT_EQ(vt::ProfileValueToStore(value), "\"" + std::string(value) + "\"") << value;
    }
    for (std::string_view value :
         {"", "plain", "a b", "\"", "'", "\"open", "close'", "'mixed\"", "a\"b\"c", "=;#[x]", "宽带账号",
          "\x01"
          "ctl\x01",
          "a\xa1\xa1"}) {
        EXPECT_FALSE(vt::ProfileValueNeedsQuotes(value)) << value;
        EXPECT_EQ(vt::ProfileValueToStore(value), value);
    }
}

TEST(ProfileValue, QuotedRawValues) {
    EXPECT_TRUE(vt::IsQuotedProfileValue("\"\""));
    EXPECT_TRUE(vt::IsQuotedProfileValue("' x '"));
    EXPECT_FALSE(vt::IsQuotedProfileValue("\""));
    EXPECT_FALSE(vt::IsQuotedProfileValue("\"x'"));
    EXPECT_FALSE(vt::IsQuotedProfileValue("x\"\""));
}

TEST(ProfileSection, FindsTheFirstEntryIgnoringCase) {
    const std::string block = "UserName=abc\0CipherText=\" x \"\0Flag\0Empty=\0USERNAME=second\0\0"s;
    EXPECT_EQ(vt::FindProfileEntry(block, "UserName"), "abc");
    EXPECT_EQ(vt::FindProfileEntry(block, "username"), "abc");
    EXPECT_EQ(vt::FindProfileEntry(block, "CipherText"), "\" x \"");
    EXPECT_EQ(vt::FindProfileEntry(block, "Flag"), "");
    EXPECT_EQ(vt::FindProfileEntry(block, "Empty"), "");
    EXPECT_EQ(vt::FindProfileEntry(block, "Missing"), std::nullopt);
    EXPECT_EQ(vt::FindProfileEntry("", "UserName"), std::nullopt);
    // A value may hold "=", and a block may lack its final NUL.
    EXPECT_EQ(vt::FindProfileEntry("K=a=b\0L = ' y ' "s, "L"), "' y '");
    EXPECT_EQ(vt::FindProfileEntry("K=a=b"s, "k"), "a=b");
}

TEST(ProfileRead, UnquotedValuesAreTrimmedAsEver) {
    EXPECT_EQ(vt::ResolveProfileRead("abc", "abc"), "abc");
    EXPECT_EQ(vt::ResolveProfileRead("long value cut here ", "long value cut here and more"),
              "long value cut here");
    EXPECT_EQ(vt::ResolveProfileRead(" x ", std::nullopt), "x");
    EXPECT_EQ(vt::ResolveProfileRead("", std::nullopt), "");
    EXPECT_EQ(vt::ResolveProfileRead("\"", "\""), "\"");
}

TEST(ProfileRead, QuotedValuesComeBackExactly) {
    EXPECT_EQ(vt::ResolveProfileRead(" lead", "\" lead\""), " lead");
    EXPECT_EQ(vt::ResolveProfileRead("  ", "\"  \""), "  ");
    EXPECT_EQ(vt::ResolveProfileRead("\"q\"", "\"\"q\"\""), "\"q\"");
    EXPECT_EQ(vt::ResolveProfileRead("", "''"), "");
    // Cut by the read buffer: the cut text stays as returned, spaces included.
    EXPECT_EQ(vt::ResolveProfileRead(" ab ", "\" ab cd\""), " ab ");
    // A stray byte after a cut double-byte character is not part of the value.
    EXPECT_EQ(vt::ResolveProfileRead(" \xd5\xcb ", "\" \xd5\xcb\xd5\xcb\""), " \xd5\xcb");
}

// Files as an earlier version wrote them: values unquoted, blanks and all, lines ending in CR LF.
TEST(ProfileLine, FindsTheRawTextAfterTheEqualsSign) {
    const std::string file =
        "; comment\r\n[Other]\r\nCipherText=elsewhere\r\n[ option ]\r\nUserName= user \r\n"
        "CipherText= }1>T<\r\ncipherText=second\r\nFlag\r\nK = a=b "
        "\r\n\r\n[Option]\r\nLater=x\r\n[Last]\r\nZ=1";
    EXPECT_EQ(vt::FindProfileLine(file, "Option", "CipherText"), " }1>T<");
    EXPECT_EQ(vt::FindProfileLine(file, "Option", "UserName"), " user ");
    EXPECT_EQ(vt::FindProfileLine(file, "Option", "k"), " a=b ");
    EXPECT_EQ(vt::FindProfileLine(file, "Option", "Flag"), std::nullopt);
    EXPECT_EQ(vt::FindProfileLine(file, "Option", "Later"), std::nullopt);  // only the first such section
    EXPECT_EQ(vt::FindProfileLine(file, "Other", "CipherText"), "elsewhere");
    EXPECT_EQ(vt::FindProfileLine(file, "Last", "Z"), "1");
    EXPECT_EQ(vt::FindProfileLine("[Option]\nCipherText=O%0@U \n", "Option", "CipherText"), "O%0@U ");
    EXPECT_EQ(vt::FindProfileLine("", "Option", "CipherText"), std::nullopt);
}

TEST(ProfileLine, AnExactReadKeepsWhatTheFileHolds) {
    // What the platform's reader returns beside what the line holds. Blanks kept and the quoted form this
    // program writes are also checked on the real profile functions and end to end; quotes around a text
    // that needs none were written by an earlier version and belong to the value.
    EXPECT_EQ(vt::ResolveExactRead("ab", "\"ab\"", 127), "\"ab\"");
    EXPECT_EQ(vt::ResolveExactRead("x", " 'x' ", 127), " 'x' ");
    EXPECT_EQ(vt::ResolveExactRead(" x", "\" x\"", 1), " ");
    // No line, or a line the platform's reader did not take the value from: no exact value.
    EXPECT_EQ(vt::ResolveExactRead("abc", std::nullopt, 127), std::nullopt);
    EXPECT_EQ(vt::ResolveExactRead("other", " abc ", 127), std::nullopt);
    EXPECT_EQ(vt::ResolveExactRead("", "", 127), "");
}

}  // namespace
