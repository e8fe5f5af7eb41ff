#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "services/cipher.h"
#include "services/settings.h"
#include "tests/doubles/line_state.h"

namespace {

std::wstring WindowsDirectory() {
    wchar_t buffer[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
    return std::wstring(buffer, length);
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    std::string bytes;
    if (!vt::line::ReadWholeFile(path, bytes)) return std::nullopt;
    return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    ASSERT_TRUE(vt::line::WriteWholeFile(path, bytes, false));
}

// The tests use the real settings file of this executable (win_tests.dat in the Windows directory);
// whatever was there before is put back afterwards.
class SettingsFile : public testing::Test {
protected:
    void SetUp() override {
        path_ = WindowsDirectory() + L"\\win_tests.dat";
        saved_ = ReadFileBytes(path_);
        DeleteFileW(path_.c_str());
    }
    void TearDown() override {
        if (saved_)
            WriteFileBytes(path_, *saved_);
        else
            DeleteFileW(path_.c_str());
    }
    std::string FileText() { return ReadFileBytes(path_).value_or("<no file>"); }

    std::wstring path_;
    std::optional<std::string> saved_;
};

TEST_F(SettingsFile, PathIsTheWindowsDirectoryAndTheExecutableName) {
    EXPECT_EQ(vt::SettingsFilePath(), vt::WideToAnsi(path_));
    EXPECT_EQ(vt::RunningExecutablePath().substr(vt::RunningExecutablePath().size() - 14), "\\win_tests.exe");
}

TEST_F(SettingsFile, FirstWriteCreatesTheFileWithItsSectionAndAnEmptyValueKeepsItsKey) {
    EXPECT_EQ(vt::ReadSetting("Option", "UserName"), "");
    EXPECT_EQ(GetFileAttributesW(path_.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(vt::WriteSetting("Option", "UserName", "user01"));
    EXPECT_EQ(FileText(), "[Option]\r\nUserName=user01\r\n");
    EXPECT_EQ(vt::ReadSetting("Option", "UserName"), "user01");
    EXPECT_EQ(vt::ReadSetting("Option", "CipherText"), "");
    EXPECT_EQ(vt::ReadSetting("Other", "UserName"), "");
    // Replaced in place, other keys kept.
    EXPECT_TRUE(vt::WriteSetting("Option", "DiscRedial", "1"));
    EXPECT_TRUE(vt::WriteSetting("Option", "UserName", "user02"));
    EXPECT_EQ(FileText(), "[Option]\r\nUserName=user02\r\nDiscRedial=1\r\n");
    // An empty value keeps its key.
    EXPECT_TRUE(vt::WriteSetting("Option", "UserName", ""));
    EXPECT_EQ(FileText(), "[Option]\r\nUserName=\r\nDiscRedial=1\r\n");
    EXPECT_EQ(vt::ReadSetting("Option", "UserName"), "");
}

TEST_F(SettingsFile, ValuesAreCutTo128CharactersAndReadTo127Bytes) {
    std::string value;
    for (int i = 0; i < 130; ++i) value.push_back(static_cast<char>('A' + i % 26));
    EXPECT_TRUE(vt::WriteSetting("Option", "ExeUrl", value));
    EXPECT_EQ(FileText(), "[Option]\r\nExeUrl=" + value.substr(0, 128) + "\r\n");
    EXPECT_EQ(vt::ReadSetting("Option", "ExeUrl"), value.substr(0, 127));

    // Characters, not bytes: 130 Chinese characters store 128 (256 bytes in code page 936). The read
    // buffer holds 63 of them; the half character that does not fit is not returned.
    std::string chinese;
    for (int i = 0; i < 130; ++i) chinese += "宽";
    EXPECT_TRUE(vt::WriteSetting("Option", "UserName", chinese));
    std::string gbk;
    for (int i = 0; i < 128; ++i) gbk += "\xbf\xed";
    EXPECT_NE(FileText().find("UserName=" + gbk + "\r\n"), std::string::npos);
    EXPECT_EQ(vt::ReadSetting("Option", "UserName"), chinese.substr(0, 63 * 3));

    // The same through quotes: two leading spaces and 62 characters fill 126 bytes.
    EXPECT_TRUE(vt::WriteSetting("Option", "CipherText", "  " + chinese));
    EXPECT_EQ(vt::ReadSetting("Option", "CipherText"), "  " + chinese.substr(0, 62 * 3));
}

// Every value reads back exactly; one that the reader would trim or unwrap is stored between quotes.
TEST_F(SettingsFile, ValuesRoundTripExactlyAndOnlyThoseTheReaderWouldAlterAreQuoted) {
    const std::vector<std::string> plain = {
        "plain",   "a b",   "\"open", "close'", "'mixed\"",
        "a\"b\"c", "x=y;z", "\"",     "' x \"", "C:\\Tools\\Veltrane.exe"};
    const std::vector<std::string> awkward = {" lead",        "trail ",   "  both  ", " ",
                                              "\"quoted\"",   "'single'", "\"\"",     "''",
                                              "\" spaced \"", "\"a\"b\"", " 宽带 "};
    for (const auto* values : {&plain, &awkward}) {
        for (const std::string& value : *values) {
            EXPECT_TRUE(vt::WriteSetting("Option", "CipherText", value));
            EXPECT_EQ(vt::ReadSetting("Option", "CipherText"), value);
            EXPECT_EQ(vt::ReadSettingExact("Option", "CipherText"), value);
            if (std::ranges::any_of(value, [](char c) { return c & 0x80; })) continue;  // in the code page
            const std::string stored = values == &plain ? value : "\"" + value + "\"";
            EXPECT_EQ(FileText(), "[Option]\r\nCipherText=" + stored + "\r\n");
        }
    }
}

// The stored password survives when its cipher text begins or ends with a space, or is wrapped in quotes.
TEST_F(SettingsFile, AwkwardCipherTextsDecipherToTheirPassword) {
    // Varying one character of the password walks its cipher character through the whole alphabet.
    auto with = [](char c, char at_end) { return std::string(1, c) + "pass" + std::string(1, at_end); };
    std::vector<std::string> passwords;
    for (char c = 32; c < 127; ++c) {
        if (vt::EncipherPassword(with(c, 'x')).front() == ' ') passwords.push_back(with(c, 'x'));
        if (vt::EncipherPassword(with('x', c)).back() == ' ') passwords.push_back(with('x', c));
    }
    for (char c = 32; c < 127; ++c)
        for (char d = 32; d < 127; ++d) {
            std::string cipher = vt::EncipherPassword(with(c, d));
            if (cipher.front() == '"' && cipher.back() == '"') passwords.push_back(with(c, d));
        }
    ASSERT_EQ(passwords.size(), 3u);
    for (const std::string& password : passwords) {
        EXPECT_TRUE(vt::WriteSetting("Option", "CipherText", vt::EncipherPassword(password)));
        EXPECT_EQ(vt::DecipherPassword(vt::ReadSetting("Option", "CipherText")), password);
    }
}

TEST_F(SettingsFile, ExistingFilesReadAsBefore) {
    std::string long_value(126, 'x');
    long_value += " tail";  // the 127th byte is a space: the read is cut there and trimmed
    WriteFileBytes(path_,
                   "[Option]\r\nUserName=  padded\t \r\nCipherText=a\"b\"c\r\nDiscRedial= 1 \r\n"
                   "Lead= }1>T<\r\nTrail=O%0@U \r\nExeUrl=" +
                       long_value + "\r\n");
    EXPECT_EQ(vt::ReadSetting("Option", "UserName"), "padded");
    EXPECT_EQ(vt::ReadSetting("option", "ciphertext"), "a\"b\"c");
    EXPECT_EQ(vt::ReadSetting("Option", "DiscRedial"), "1");
    EXPECT_EQ(vt::ReadSetting("Option", "ExeUrl"), std::string(126, 'x'));
    // The earlier dialer wrote cipher texts unquoted ("Bj2024" enciphers to " }1>T<", "qq123w" to "O%0@U "):
    // the exact read keeps their blanks.
    EXPECT_EQ(vt::ReadSettingExact("Option", "Lead"), " }1>T<");
    EXPECT_EQ(vt::ReadSettingExact("Option", "Trail"), "O%0@U ");
}

// A line break in a value would write a key of its own; nothing is written instead.
TEST_F(SettingsFile, ValuesWithControlCharactersAreNotWritten) {
    EXPECT_TRUE(vt::WriteSetting("Option", "UserName", "user"));
    for (const char* value : {"evil\r\nDiscRedial=1", "a\nb", "cr\r", "tab\t", "\x01", "\x7f"})
        EXPECT_FALSE(vt::WriteSetting("Option", "UserName", value)) << value;
    EXPECT_EQ(FileText(), "[Option]\r\nUserName=user\r\n");
    EXPECT_EQ(vt::ReadSetting("Option", "DiscRedial"), "");
}

// Environment and folder changes are undone by the test itself.
class SettingsWindir : public SettingsFile {
protected:
    void SetUp() override {
        SettingsFile::SetUp();
        wchar_t cwd[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, cwd);
        cwd_ = cwd;
        windir_ = WindowsDirectory();
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"windir", windir_.c_str());
        SetCurrentDirectoryW(cwd_.c_str());
        SettingsFile::TearDown();
    }
    std::wstring cwd_, windir_;
};

TEST_F(SettingsWindir, UnsetOrEmptyMeansTheRootOfTheCurrentDrive) {
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\users"));
    for (const wchar_t* value : {static_cast<const wchar_t*>(nullptr), L""}) {
        ASSERT_TRUE(SetEnvironmentVariableW(L"windir", value));
        EXPECT_EQ(vt::SettingsFilePath(), "\\win_tests.dat");
        EXPECT_TRUE(vt::WriteSetting("Option", "UserName", "rooted"));
        EXPECT_TRUE(ReadFileBytes(L"C:\\win_tests.dat").has_value());
        EXPECT_EQ(vt::ReadSetting("Option", "UserName"), "rooted");
        EXPECT_TRUE(DeleteFileW(L"C:\\win_tests.dat"));
    }
    EXPECT_FALSE(ReadFileBytes(path_).has_value());
}

TEST_F(SettingsWindir, ChineseWindowsDirectoryIsFollowed) {
    const std::wstring folder = L"C:\\系统目录";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(SetEnvironmentVariableW(L"windir", folder.c_str()));
    EXPECT_EQ(vt::SettingsFilePath(), vt::WideToAnsi(folder + L"\\win_tests.dat"));
    EXPECT_TRUE(vt::WriteSetting("Option", "UserName", "moved"));
    EXPECT_EQ(ReadFileBytes(folder + L"\\win_tests.dat").value_or(""), "[Option]\r\nUserName=moved\r\n");
    EXPECT_EQ(vt::ReadSetting("Option", "UserName"), "moved");
    DeleteFileW((folder + L"\\win_tests.dat").c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(SettingsWindir, FailedWriteIsReportedAndReadsEmpty) {
    ASSERT_TRUE(SetEnvironmentVariableW(L"windir", L"C:\\no\\such\\folder"));
    EXPECT_FALSE(vt::WriteSetting("Option", "UserName", "lost"));
    EXPECT_EQ(vt::ReadSetting("Option", "UserName"), "");
}

struct BoxCall {
    std::wstring text, title;
    unsigned flags = 0;
};
std::vector<BoxCall> g_boxes;

int RecordBox(const wchar_t* text, const wchar_t* title, unsigned flags) {
    g_boxes.push_back({text, title, flags});
    return IDOK;
}

class OpenLinkBox : public testing::Test {
protected:
    void SetUp() override {
        g_boxes.clear();
        vt::SetMessageBoxHookForTesting(&RecordBox);
    }
    void TearDown() override { vt::SetMessageBoxHookForTesting(nullptr); }
};

TEST_F(OpenLinkBox, ShellFailureShowsTheErrorBox) {
    vt::OpenLink("veltrane-no-handler:x");  // no program for this scheme
    vt::OpenLink("C:\\no\\such\\page.htm");
    ASSERT_EQ(g_boxes.size(), 2u);
    for (const BoxCall& box : g_boxes) {
        EXPECT_EQ(box.text, L"调用浏览器错误！");
        EXPECT_EQ(box.title, L"错误：");
        EXPECT_EQ(box.flags, 16u);
    }
}

TEST_F(OpenLinkBox, OpenedTargetShowsNoBox) {
    const std::wstring script = L"C:\\openlink_test.bat", marker = L"C:\\openlink_test.txt";
    DeleteFileW(marker.c_str());
    WriteFileBytes(script, "@echo opened> C:\\openlink_test.txt\r\n");
    vt::OpenLink(vt::WideToUtf8(script));
    EXPECT_TRUE(g_boxes.empty());
    // The shell does not wait; the started program proves the link was opened.
    bool opened = false;
    for (int i = 0; i < 100 && !opened; ++i, Sleep(50))
        opened = GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
    EXPECT_TRUE(opened);
    Sleep(100);
    DeleteFileW(marker.c_str());
    DeleteFileW(script.c_str());
}

}  // namespace
