// Connection state, dial and hang-up against the simulated line (tests/doubles): the stand-in library
// answers the connection list, the stand-in dial tool records exactly what it was started with.
#include "services/connection.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "services/phonebook.h"
#include "services/ras_records.h"
#include "tests/doubles/line_state.h"

namespace vt {
namespace {

std::string SystemDialTool() {
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return WideToUtf8(std::wstring(folder, length)) + "\\rasdial.exe";
}

class ConnectionState : public testing::Test {
protected:
    void SetUp() override { line::UsePrivateState(L"veltrane-connection-test.ini"); }

    static void Connected(std::vector<std::string> names) {
        ASSERT_TRUE(line::Update([&](line::State& state) {
            state.entries = names;
            state.connected = names;
        }));
    }
};

TEST_F(ConnectionState, NoConnectionsOrOnlyOthers) {
    EXPECT_FALSE(IsEntryConnected("Veltrane"));
    Connected({"Office VPN"});
    EXPECT_FALSE(IsEntryConnected("Veltrane"));
    Connected({"veltrane", "VELTRANE", "Veltrane ", "Veltran"});
    EXPECT_FALSE(IsEntryConnected("Veltrane"));
}

TEST_F(ConnectionState, EntryFoundAtAnyPosition) {
    const std::vector<std::vector<std::string>> lists = {
        {"Veltrane"},
        {"Veltrane", "A", "B"},
        {"A", "Veltrane", "B"},
        {"A", "B", "Veltrane"},
    };
    for (const auto& list : lists) {
        Connected(list);
        EXPECT_TRUE(IsEntryConnected("Veltrane")) << list.size() << " connections";
    }
    std::vector<std::string> many;
    for (int i = 0; i < 255; ++i) many.push_back("Line " + std::to_string(i));
    many.push_back("Veltrane");
    Connected(many);
    EXPECT_TRUE(IsEntryConnected("Veltrane"));
}

TEST_F(ConnectionState, FailuresReadAsNotConnected) {
    std::vector<std::string> too_many(257, "Other");
    too_many[0] = "Veltrane";
    Connected(too_many);  // more than the buffer holds: the library refuses
    EXPECT_FALSE(IsEntryConnected("Veltrane"));

    Connected({"Veltrane"});
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.failures.push_back({"RasEnumConnectionsA", 668});
    }));
    EXPECT_FALSE(IsEntryConnected("Veltrane"));

    EXPECT_FALSE(IsEntryConnected(std::string(257, 'a')));
}

TEST_F(ConnectionState, ChineseEntryName) {
    ASSERT_EQ(GetACP(), 936u);
    Connected({"其它", "宽带连接"});
    EXPECT_TRUE(IsEntryConnected("宽带连接"));
    EXPECT_FALSE(IsEntryConnected("宽带"));
}

class DialLaunch : public testing::Test {
protected:
    void SetUp() override {
        line::UsePrivateState(L"veltrane-dial-test.ini");
        ASSERT_TRUE(line::InstallDialTool());
        ASSERT_TRUE(line::Update([](line::State& state) { state.entries = {"Veltrane"}; }));
    }
};

TEST_F(DialLaunch, DialStartsTheSystemToolHiddenWithTheAccount) {
    ASSERT_TRUE(LaunchDial("user@163.gd", "secret"));
    std::vector<line::DialStart> starts = line::WaitForDialStarts(1);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].args, (std::vector<std::string>{"Veltrane", "user@163.gd", "secret"}));
    EXPECT_EQ(starts[0].show, SW_HIDE);
    EXPECT_EQ(starts[0].exe, SystemDialTool());
}

TEST_F(DialLaunch, HangUpStartsTheSystemToolHidden) {
    ASSERT_TRUE(LaunchHangUp());
    std::vector<line::DialStart> starts = line::WaitForDialStarts(1);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].args, (std::vector<std::string>{"Veltrane", "/disconnect"}));
    EXPECT_EQ(starts[0].show, SW_HIDE);
    EXPECT_EQ(starts[0].exe, SystemDialTool());
}

TEST_F(DialLaunch, AToolInTheCurrentFolderIsNotRun) {
    // A stray rasdial.exe in the current folder (and the one built beside this program) stays unused.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"veltrane-decoy";
    CreateDirectoryW(folder.c_str(), nullptr);
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\rasdial.exe").c_str(),
                          (folder + L"\\rasdial.exe").c_str(), FALSE));
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    bool started = LaunchDial("user", "pass");
    SetCurrentDirectoryW(previous);
    ASSERT_TRUE(started);
    std::vector<line::DialStart> starts = line::WaitForDialStarts(1);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].exe, SystemDialTool());
}

TEST_F(DialLaunch, HostileAccountsAndPasswordsArriveExactly) {
    ASSERT_EQ(GetACP(), 936u);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"two words", "pass word"},
        {"tab\there", "\ttab"},
        {"quote\"in", "\""},
        {"back\\\"slash", "ends\\"},
        {"ends with space\\", "\\\\\""},
        {"/disconnect", "/disconnect"},
        {"user", ""},
        {"", ""},
        {"宽带用户", "密码 含空格"},
        {"a\\\\b", "\\\\server\\share"},
        {"  lead", "trail  "},
    };
    for (const auto& [account, password] : cases) ASSERT_TRUE(LaunchDial(account, password));
    std::vector<line::DialStart> starts = line::WaitForDialStarts(cases.size());
    ASSERT_EQ(starts.size(), cases.size());
    // Started without waiting, the tools may log in any order; each case must arrive exactly once.
    for (const auto& [account, password] : cases) {
        std::vector<std::string> expected = {"Veltrane", account, password};
        int seen = 0;
        for (const line::DialStart& start : starts) seen += start.args == expected;
        EXPECT_EQ(seen, 1) << "account [" << account << "] password [" << password << "]";
    }
}

TEST_F(DialLaunch, MissingToolIsReported) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_TRUE(DeleteFileW((std::wstring(system) + L"\\rasdial.exe").c_str()));
    EXPECT_FALSE(LaunchDial("user", "pass"));
    EXPECT_FALSE(LaunchHangUp());
}

// The simulated line as the dialer sees it: a dial connects later, hang-up ends it.
TEST_F(DialLaunch, DialConnectsLaterAndHangUpEndsIt) {
    ASSERT_TRUE(line::Update([](line::State& state) { state.dial = {line::DialMode::Connect, 1, 0}; }));
    ASSERT_TRUE(LaunchDial("user", "pass"));
    ASSERT_EQ(line::WaitForDialStarts(1).size(), 1u);
    for (int i = 0; i < 100 && line::Load().attempts.empty(); ++i) Sleep(20);
    ASSERT_EQ(line::Load().attempts.size(), 1u);
    EXPECT_FALSE(IsEntryConnected("Veltrane"));
    Sleep(1100);
    EXPECT_TRUE(IsEntryConnected("Veltrane"));
    ASSERT_TRUE(LaunchHangUp());
    ASSERT_EQ(line::WaitForDialStarts(2).size(), 2u);
    // The log line is written first; the state changes right after under the same lock.
    for (int i = 0; i < 100 && IsEntryConnected("Veltrane"); ++i) Sleep(20);
    EXPECT_FALSE(IsEntryConnected("Veltrane"));
}

TEST_F(DialLaunch, DialThatDropsOrNeverConnects) {
    ASSERT_TRUE(line::Update([](line::State& state) { state.dial = {line::DialMode::Drop, 0, 1}; }));
    ASSERT_TRUE(LaunchDial("user", "pass"));
    ASSERT_EQ(line::WaitForDialStarts(1).size(), 1u);
    for (int i = 0; i < 100 && line::Load().attempts.empty(); ++i) Sleep(20);
    EXPECT_TRUE(IsEntryConnected("Veltrane"));
    Sleep(1100);
    EXPECT_FALSE(IsEntryConnected("Veltrane"));

    ASSERT_TRUE(line::Update([](line::State& state) { state.dial = {line::DialMode::Never, 0, 0}; }));
    ASSERT_TRUE(LaunchDial("user", "pass"));
    ASSERT_EQ(line::WaitForDialStarts(2).size(), 2u);
    Sleep(300);
    EXPECT_FALSE(IsEntryConnected("Veltrane"));
}

TEST_F(DialLaunch, OnlyAcceptedCredentialsConnect) {
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.dial = {line::DialMode::Connect, 0, 0};
        state.accepted = {{"宽带用户", "正确 密码"}};
    }));
    ASSERT_TRUE(LaunchDial("宽带用户", "错误"));
    ASSERT_EQ(line::WaitForDialStarts(1).size(), 1u);
    Sleep(300);
    EXPECT_FALSE(IsEntryConnected("Veltrane"));
    ASSERT_TRUE(LaunchDial("宽带用户", "正确 密码"));
    ASSERT_EQ(line::WaitForDialStarts(2).size(), 2u);
    for (int i = 0; i < 100 && !IsEntryConnected("Veltrane"); ++i) Sleep(20);
    EXPECT_TRUE(IsEntryConnected("Veltrane"));
}

}  // namespace
}  // namespace vt
