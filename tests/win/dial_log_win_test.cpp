// The dial log on real files: the user's data folder, UTF-8 lines read back, no handle held between
// lines, rotation by renaming at the bound, and a previous file that cannot be replaced.
#include "services/dial_log.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "base/handles.h"
#include "base/text.h"
#include "tests/doubles/line_state.h"

namespace vt {
namespace {

std::string FileText(const std::wstring& path) {
    std::string content;
    line::ReadWholeFile(path, content);
    return content;
}

void PutFile(const std::wstring& path, const std::string& content) {
    ASSERT_TRUE(line::WriteWholeFile(path, content, false));
}

class DialLogFiles : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"veltrane-log-test";
        CreateDirectoryW(folder_.c_str(), nullptr);
        DeleteFileW(Current().c_str());
        DeleteFileW(Previous().c_str());
    }

    DialLog Log() { return DialLog(LocalClock(), FolderLogFile(folder_)); }
    std::wstring Current() const { return folder_ + L"\\" + kDialLogName; }
    std::wstring Previous() const { return folder_ + L"\\" + kPreviousDialLogName; }

    std::wstring folder_;
};

TEST_F(DialLogFiles, TheUsersLocalDataFolderHoldsTheLog) {
    wchar_t local[MAX_PATH] = {};
    ASSERT_TRUE(
        SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)));
    const std::wstring folder = DialLogFolder();
    EXPECT_TRUE(EqualIgnoringCase(folder, std::wstring(local) + L"\\Veltrane")) << WideToUtf8(folder);
    EXPECT_TRUE(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(WindowsVersionText().empty());
}

TEST_F(DialLogFiles, LinesAreAppendedInUtf8AndNoHandleIsHeldBetweenThem) {
    DialLog log = Log();
    log.DialFailed(691, "账号或密码错误");
    // Nothing holds the file: another program may delete it between two lines.
    ASSERT_TRUE(DeleteFileW(Current().c_str()));
    log.Dialling(DialLog::DialBy::Redial, "07551234567");
    log.Connected("100.64.3.4", "");
    const std::string content = FileText(Current());
    ASSERT_TRUE(content.starts_with("\xEF\xBB\xBF")) << content;
    EXPECT_NE(content.find(" 拨号（自动重拨），宽带账号尾号 4567\r\n"), std::string::npos) << content;
    EXPECT_TRUE(content.ends_with(" 已连接，IPv4 100.64.3.4（运营商内网），IPv6 无\r\n")) << content;
    EXPECT_EQ(content.find("07551234567"), std::string::npos);
    const std::vector<std::string> lines = log.LastLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[1].ends_with(" 已连接，IPv4 100.64.3.4（运营商内网），IPv6 无"));
    // A removed folder is made again.
    DeleteFileW(Current().c_str());
    ASSERT_TRUE(RemoveDirectoryW(folder_.c_str()));
    log.RedialResumed();
    EXPECT_TRUE(FileText(Current()).ends_with(" 恢复自动重拨\r\n"));
}

TEST_F(DialLogFiles, TheCurrentFileIsRenamedAtTheBoundAndALockedPreviousFileSkipsTheLine) {
    const std::string full = "\xEF\xBB\xBF" + std::string(DialLog::kMaxFileBytes - 3 - 10, 'x');
    PutFile(Current(), full);
    PutFile(Previous(), "older");
    DialLog log = Log();
    log.RedialResumed();
    EXPECT_EQ(FileText(Previous()), full);
    const std::string fresh = FileText(Current());
    EXPECT_TRUE(fresh.starts_with("\xEF\xBB\xBF")) << fresh;
    EXPECT_TRUE(fresh.ends_with(" 恢复自动重拨\r\n"));

    // A program holding the previous file without sharing its deletion: the current file stays within
    // its bound and the line is skipped, without a failure for the caller.
    PutFile(Current(), full);
    UniqueFile held(
        CreateFileW(Previous().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    log.Suspending();
    held.reset();
    EXPECT_EQ(FileText(Current()), full);
    EXPECT_EQ(FileText(Previous()), full);
}

}  // namespace
}  // namespace vt
