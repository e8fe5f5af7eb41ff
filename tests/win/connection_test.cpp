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

// Found anywhere in the list, without regard to letter case and only whole.
TEST_F(ConnectionState, TheEntryIsConnectedWhereverTheListNamesItWhole) {
    std::vector<std::string> many;
    for (int i = 0; i < 255; ++i) many.push_back("Line " + std::to_string(i));
    many.push_back("Veltrane");
    const std::pair<std::vector<std::string>, bool> lists[] = {
        {{}, false},
        {{"Office VPN"}, false},
        {{"Veltrane ", "Veltran", "Veltrane2"}, false},
        {{"Other", "VELTRANE"}, true},
        {{"Veltrane"}, true},
        {{"Veltrane", "A", "B"}, true},
        {{"A", "Veltrane", "B"}, true},
        {{"A", "B", "Veltrane"}, true},
        {many, true},
    };
    for (const auto& [list, connected] : lists) {
        Connected(list);
        EXPECT_EQ(IsEntryConnected("Veltrane"), connected) << list.size() << " connections";
    }
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

// What the line is, as the stand-in negotiates it: both projection calls, IPv6 or its refusal, an entry
// that never asked for IPv6, the counters (whole past 4 GiB) and the device. The PPP adapter gets no
// global address here, so a negotiated IPv6 shows as its link-local address.
TEST_F(ConnectionState, TheDetailsOfTheConnectedLine) {
    const long long up_since = line::NowMs() - 3725 * 1000LL;
    ras::Entry ipv4_only{};
    ipv4_only.dwSize = sizeof ipv4_only;
    ipv4_only.dwfNetProtocols = ras::kNetProtocolIp;
    const std::string ipv4_only_record(reinterpret_cast<const char*>(&ipv4_only), sizeof ipv4_only);
    const struct Row {
        const char* what;
        std::string ipv4, ipv6;
        std::vector<line::Failure> failures;
        bool asks_ipv6;
        std::string expected_ipv4, expected_ipv6;
        bool counters;
        unsigned long long received = 36909875;
    } rows[] = {
        {"dual stack",
         "100.64.3.4",
         "025056FFFE000001",
         {},
         true,
         "100.64.3.4",
         "fe80::250:56ff:fe00:1",
         true},
        {"IPv6 refused", "58.60.1.2", "refused", {}, true, "58.60.1.2", "", true},
        {"entry asks IPv4 only", "58.60.1.2", "025056FFFE000001", {}, false, "58.60.1.2", "", true},
        {"IPv4 refused", "refused", "025056FFFE000001", {}, true, "", "fe80::250:56ff:fe00:1", true},
        {"no newer call",
         "192.168.1.9",
         "025056FFFE000001",
         {{"RasGetProjectionInfoEx", 120}},
         true,
         "192.168.1.9",
         "fe80::250:56ff:fe00:1",
         true},
        {"no newer call, IPv6 refused",
         "192.168.1.9",
         "refused",
         {{"RasGetProjectionInfoEx", 120}},
         true,
         "192.168.1.9",
         "",
         true},
        {"no newer call, IPv4 only",
         "10.1.2.3",
         "025056FFFE000001",
         {{"RasGetProjectionInfoEx", 120}},
         false,
         "10.1.2.3",
         "",
         true},
        {"no counters",
         "100.64.3.4",
         "refused",
         {{"RasGetConnectionStatistics", 87}},
         true,
         "100.64.3.4",
         "",
         false},
        {"past 4 GiB", "100.64.3.4", "refused", {}, true, "100.64.3.4", "", true, 4831838208ULL},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(line::Update([&](line::State& state) {
            state = {};
            state.entries = state.connected = {"Veltrane"};
            state.addresses = {{"Veltrane", row.ipv4, row.ipv6, up_since, 1536}};
            state.traffic = {{"Veltrane", row.received, 0, 0}};
            state.failures = row.failures;
            if (!row.asks_ipv6) state.records = {{"Veltrane", ipv4_only_record}};
        }));
        const std::optional<ConnectionDetails> details = ReadConnectionDetails("veltrane");
        ASSERT_TRUE(details.has_value()) << row.what;
        EXPECT_EQ(details->ipv4, row.expected_ipv4) << row.what;
        EXPECT_EQ(details->ipv6, row.expected_ipv6) << row.what;
        EXPECT_EQ(details->device, "WAN 微型端口 (PPPOE)") << row.what;
        ASSERT_EQ(details->counters.has_value(), row.counters) << row.what;
        if (!row.counters) continue;
        EXPECT_GE(details->counters->duration_s, 3725u) << row.what;
        EXPECT_LE(details->counters->duration_s, 3730u) << row.what;
        EXPECT_EQ(details->counters->bytes_sent, 1536u) << row.what;
        EXPECT_EQ(details->counters->bytes_received, row.received) << row.what;
    }
    // A line still dialling, or none, has no details.
    ASSERT_TRUE(line::Update([](line::State& state) {
        state = {};
        state.entries = {"Veltrane"};
        state.attempts = {{"Veltrane", line::NowMs(), {line::DialMode::Connect, 60, 0}}};
    }));
    EXPECT_FALSE(ReadConnectionDetails("Veltrane").has_value());
    Connected({"Other"});
    EXPECT_FALSE(ReadConnectionDetails("Veltrane").has_value());
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
        // Dials connect at once, so that no tool outlives its test unless the test asks for it.
        ASSERT_TRUE(line::Update([](line::State& state) {
            state.entries = {"Veltrane"};
            state.dial = {line::DialMode::Connect, 0, 0};
        }));
    }
};

TEST_F(DialLaunch, DialAndHangUpStartTheSystemToolHidden) {
    ASSERT_TRUE(LaunchDial("user@163.gd", "secret"));
    ASSERT_EQ(line::WaitForDialStarts(1).size(), 1u);
    ASSERT_TRUE(LaunchHangUp());
    const std::vector<line::DialStart> starts = line::WaitForDialStarts(2);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].args, (std::vector<std::string>{"Veltrane", "user@163.gd", "secret"}));
    EXPECT_EQ(starts[1].args, (std::vector<std::string>{"Veltrane", "/disconnect"}));
    for (const line::DialStart& start : starts) {
        EXPECT_EQ(start.show, SW_HIDE);
        EXPECT_EQ(start.exe, SystemDialTool());
    }
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
    // A tool of an earlier test may still be ending.
    bool deleted = false;
    for (int i = 0; i < 100 && !deleted; ++i) {
        deleted = DeleteFileW((std::wstring(system) + L"\\rasdial.exe").c_str()) != 0;
        if (!deleted) Sleep(50);
    }
    ASSERT_TRUE(deleted);
    EXPECT_FALSE(LaunchDial("user", "pass"));
    EXPECT_FALSE(LaunchHangUp());
    EXPECT_EQ(LastToolRun(ToolJob::Dial).state, ToolRun::State::Unknown);
    EXPECT_EQ(LastToolRun(ToolJob::HangUp).state, ToolRun::State::Unknown);
}

DWORD ListedConnections() {
    ras::Connection connections[4] = {};
    connections[0].dwSize = sizeof connections[0];
    DWORD bytes = sizeof connections, count = 0;
    return ras::LoadApi().enum_connections(connections, &bytes, &count) == 0 ? count : 99;
}

ToolRun WaitForEnd(ToolJob job) {  // 10 s at most
    ToolRun run = LastToolRun(job);
    for (int i = 0; i < 500 && run.state == ToolRun::State::Running; ++i, Sleep(20)) run = LastToolRun(job);
    return run;
}

// The simulated line as the dialer sees it: a dial is listed at once but connected only later, its tool
// running until then; a hang-up takes a while, during which a new dial is refused.
TEST_F(DialLaunch, DialConnectsLaterAndHangUpEndsIt) {
    ASSERT_TRUE(line::Update([](line::State& state) { state.dial = {line::DialMode::Connect, 1, 0}; }));
    ASSERT_TRUE(LaunchDial("user", "pass"));
    ASSERT_EQ(line::WaitForDialStarts(1).size(), 1u);
    for (int i = 0; i < 100 && line::Load().attempts.empty(); ++i) Sleep(20);
    ASSERT_EQ(line::Load().attempts.size(), 1u);
    EXPECT_EQ(ListedConnections(), 1u);          // listed while it dials ...
    EXPECT_FALSE(IsEntryConnected("Veltrane"));  // ... which is not connected
    EXPECT_EQ(LastToolRun(ToolJob::Dial).state, ToolRun::State::Running);
    ToolRun dial = WaitForEnd(ToolJob::Dial);
    EXPECT_EQ(dial.state, ToolRun::State::Ended);
    EXPECT_EQ(dial.exit_code, 0u);
    EXPECT_TRUE(IsEntryConnected("Veltrane"));

    ASSERT_TRUE(LaunchHangUp());
    ASSERT_EQ(line::WaitForDialStarts(2).size(), 2u);
    // The log line is written first; the state changes right after under the same lock.
    for (int i = 0; i < 100 && IsEntryConnected("Veltrane"); ++i) Sleep(20);
    EXPECT_FALSE(IsEntryConnected("Veltrane"));
    EXPECT_EQ(ListedConnections(), 1u);  // closing
    EXPECT_EQ(LastToolRun(ToolJob::HangUp).state, ToolRun::State::Running);
    ASSERT_TRUE(LaunchDial("user", "pass"));  // meets the line still being hung up
    EXPECT_EQ(WaitForEnd(ToolJob::Dial).exit_code, 617u);
    ToolRun hang_up = WaitForEnd(ToolJob::HangUp);
    EXPECT_EQ(hang_up.state, ToolRun::State::Ended);
    EXPECT_EQ(hang_up.exit_code, 0u);
    EXPECT_EQ(ListedConnections(), 0u);
}

TEST_F(DialLaunch, DialThatDropsNeverConnectsOrHasNoCable) {
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

    // With the cable out nothing reaches the provider, whatever it would answer.
    ASSERT_TRUE(line::Update([](line::State& state) { state.dial = {line::DialMode::Connect, 0, 0}; }));
    ASSERT_TRUE(line::SetCable(false));
    ASSERT_TRUE(LaunchDial("user", "pass"));
    EXPECT_EQ(WaitForEnd(ToolJob::Dial).exit_code, 651u);
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
