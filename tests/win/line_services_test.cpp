// The line services against the stand-ins (tests/doubles): the per-user book and its path, the dial
// tool named that book, the status record's fallback, the system's text as Unicode, the release after a
// hang-up, another broadband connection, the traffic counter and the watch on connection ends.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>

#include "base/text.h"
#include "services/connection.h"
#include "services/connection_watch.h"
#include "services/phonebook.h"
#include "services/ras_records.h"
#include "tests/doubles/line_state.h"

namespace vt {
namespace {

// Waits until `done` holds or `timeout_ms` passed; true when it held.
bool WaitFor(const std::function<bool()>& done, DWORD timeout_ms = 5000) {
    const DWORD begin = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - begin >= timeout_ms) return false;
        Sleep(20);
    }
}

// Ends the entry's connection on the simulated line at once, without the tool.
void HangUp() {
    line::Update([](line::State& state) {
        line::HangUp(state, "Veltrane");
        state.closing.clear();
    });
}

ToolRun WaitForEnd(ToolJob job) {
    ToolRun run;
    WaitFor([&] { return (run = LastToolRun(job)).state != ToolRun::State::Running; }, 10000);
    return run;
}

// The current user's profile moved, for the test's length, to a folder whose name has no form in the
// Chinese code page (Korean), with a blank in it: the Shell finds the roaming application data there.
class KoreanProfile {
public:
    KoreanProfile() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        root_ = std::wstring(temp) + L"Veltrane 사용자";
        appdata_ = root_ + L"\\AppData";
        RemoveTree(root_);
        CreateDirectoryW(root_.c_str(), nullptr);
        CreateDirectoryW(appdata_.c_str(), nullptr);
        RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key_.put(),
                        nullptr);
        DWORD type = 0;
        wchar_t old[1024] = {};
        DWORD size = sizeof old;
        if (RegQueryValueExW(key_.get(), L"AppData", nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
            0) {
            old_ = std::wstring(old, size / sizeof(wchar_t));
            old_type_ = type;
        }
        RegSetValueExW(key_.get(), L"AppData", 0, REG_SZ, reinterpret_cast<const BYTE*>(appdata_.c_str()),
                       static_cast<DWORD>((appdata_.size() + 1) * sizeof(wchar_t)));
    }
    KoreanProfile(const KoreanProfile&) = delete;
    KoreanProfile& operator=(const KoreanProfile&) = delete;
    ~KoreanProfile() {
        if (old_)
            RegSetValueExW(key_.get(), L"AppData", 0, old_type_, reinterpret_cast<const BYTE*>(old_->data()),
                           static_cast<DWORD>(old_->size() * sizeof(wchar_t)));
        else
            RegDeleteValueW(key_.get(), L"AppData");
        RemoveTree(root_);
    }
    std::wstring Book() const { return appdata_ + L"\\Microsoft\\Network\\Connections\\Pbk\\rasphone.pbk"; }

private:
    static constexpr const wchar_t* kKey =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    static void RemoveTree(const std::wstring& path) {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(path + L"\\" + name);
                else
                    DeleteFileW((path + L"\\" + name).c_str());
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(path.c_str());
    }
    std::wstring root_, appdata_;
    UniqueRegKey key_;
    std::optional<std::wstring> old_;
    DWORD old_type_ = REG_EXPAND_SZ;
};

std::string ReadFile(const std::wstring& path) {
    std::string content;
    line::ReadWholeFile(path, content);
    return content;
}

class LineServices : public testing::Test {
protected:
    void SetUp() override {
        line::UsePrivateState(L"veltrane-line-services-test.ini");
        ASSERT_TRUE(line::InstallDialTool());
    }
};

// Whatever keeps the default book from taking the entry, the user's book does, through the wide
// functions, on a profile path the ANSI code page cannot name.
TEST_F(LineServices, TheUsersBookTakesTheEntryOnAnyFailureOfTheDefaultOne) {
    ASSERT_EQ(GetACP(), 936u);
    KoreanProfile profile;
    struct Case {
        const char* what;
        bool elevated;
        unsigned long failure;  // of the default book's properties call; 0: refused for want of elevation
    };
    for (const Case& c : {Case{"access denied", false, 0}, Case{"cannot open the book", true, 621},
                          Case{"any other failure", true, 31}}) {
        SCOPED_TRACE(c.what);
        DeleteFileW(profile.Book().c_str());
        ASSERT_TRUE(line::Update([&](line::State& state) {
            state = {};
            state.elevated = c.elevated;
            if (c.failure) state.failures = {{"RasSetEntryPropertiesA", c.failure}};
        }));
        std::optional<EntryIpv6> kept;
        ASSERT_TRUE(CreateDialEntry("Veltrane", "宽带用户", "密 码", &kept));
        EXPECT_TRUE(kept && kept->protocol && kept->default_route);
        line::State state = line::Load();
        EXPECT_TRUE(state.entries.empty());
        EXPECT_EQ(state.user_entries, (std::vector<std::string>{"Veltrane"}));
        ASSERT_EQ(state.credentials.size(), 1u);
        EXPECT_EQ(state.credentials[0].mask, 0x7u);
        EXPECT_EQ(state.credentials[0].user, "宽带用户");
        EXPECT_EQ(state.credentials[0].password, "密 码");
        ASSERT_EQ(state.records.size(), 1u);
        EXPECT_EQ(state.records[0].second.size(), sizeof(ras::EntryW));
        ras::EntryW record;
        std::memcpy(&record, state.records[0].second.data(), sizeof record);
        EXPECT_EQ(record.dwType, 5u);
        EXPECT_EQ(record.dwfOptions2, 0x6Fu | ras::kOptions2Ipv6DefaultGateway);
        EXPECT_EQ(std::wstring(record.szDeviceName), L"WAN 微型端口 (PPPOE)");
        // Created empty before it was named.
        EXPECT_NE(GetFileAttributesW(profile.Book().c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(ReadFile(profile.Book()), "");
    }
}

TEST_F(LineServices, AnExistingUsersBookIsNeverTruncatedAndAMissingOneIsRefused) {
    KoreanProfile profile;
    // The stand-in, like the platform, will not open a named book that does not exist.
    const ras::Api& api = ras::LoadApi();
    ASSERT_NE(api.set_entry_properties_w, nullptr);
    auto record = std::make_unique<ras::EntryW>();
    record->dwSize = sizeof(ras::EntryW);
    wcscpy(record->szDeviceType, L"PPPoE");
    wcscpy(record->szDeviceName, L"WAN 微型端口 (PPPOE)");
    EXPECT_EQ(api.set_entry_properties_w(profile.Book().c_str(), L"Veltrane", record.get(),
                                         sizeof(ras::EntryW), nullptr, 0),
              ras::kErrorCannotOpenPhonebook);

    ASSERT_TRUE(CreateDialEntry("Veltrane", "user", "pass"));  // makes the folders and the file
    const std::string kept = "[Office VPN]\r\nMEDIA=rastapi\r\n";
    ASSERT_TRUE(line::WriteWholeFile(profile.Book(), kept, false));
    ASSERT_TRUE(CreateDialEntry("Veltrane", "user", "pass"));
    EXPECT_EQ(ReadFile(profile.Book()), kept);
}

// The dial tool is named the user's book only when the entry lives there and not in the all-users one;
// the tool (which looks only in the book it is named) then finds it.
TEST_F(LineServices, TheDialToolIsNamedTheUsersBookForAPerUserEntryOnly) {
    KoreanProfile profile;
    struct Case {
        const char* what;
        bool all_users, user;
        bool named;
    };
    for (const Case& c : {Case{"user's book", false, true, true}, Case{"all-users book", true, false, false},
                          Case{"both books", true, true, false}}) {
        SCOPED_TRACE(c.what);
        line::UsePrivateState(L"veltrane-line-services-book.ini");
        ASSERT_TRUE(line::Update([&](line::State& state) {
            state.dial = {line::DialMode::Connect, 0, 0};
            if (c.all_users) state.entries = {"Veltrane"};
        }));
        if (c.user) {
            ASSERT_TRUE(line::Update([](line::State& state) { state.elevated = false; }));
            ASSERT_TRUE(CreateDialEntry("Veltrane", "user", "pass"));
        }
        ASSERT_TRUE(LaunchDial("user", ""));
        std::vector<line::DialStart> starts = line::WaitForDialStarts(1);
        ASSERT_EQ(starts.size(), 1u);
        std::vector<std::string> expected = {"Veltrane", "user", ""};
        if (c.named) expected.push_back("/PHONEBOOK:" + WideToUtf8(profile.Book()));
        EXPECT_EQ(starts[0].args, expected);
        const ToolRun run = WaitForEnd(ToolJob::Dial);
        EXPECT_EQ(run.state, ToolRun::State::Ended);
        EXPECT_EQ(run.exit_code, 0u);
        HangUp();
    }
}

TEST_F(LineServices, AStatusRecordRefusedAt160BytesIsAskedAgainAt288) {
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.connected = {"Veltrane"};
        state.refusals = {{"RasGetConnectStatusA", 160}};
    }));
    EXPECT_TRUE(IsEntryConnected("Veltrane"));
    EXPECT_TRUE(IsEntryListed("Veltrane"));
    // The size that worked is kept: a system that refused both would read as not connected.
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.refusals.push_back({"RasGetConnectStatusA", 288});
    }));
    EXPECT_FALSE(IsEntryConnected("Veltrane"));
}

TEST_F(LineServices, TheSystemsTextSurvivesACodePageWithoutItsCharacters) {
    ASSERT_EQ(GetACP(), 936u);
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.error_texts = {{691, "사용자 이름 또는 암호가 잘못되었습니다.\r\n"}, {868, "无法解析名称。"}};
    }));
    EXPECT_EQ(DialErrorText(691), "사용자 이름 또는 암호가 잘못되었습니다.");
    EXPECT_EQ(DialErrorText(868), "无法解析名称。");
    EXPECT_EQ(DialErrorText(12345), "");
    // The ANSI function loses it: the reason the wide one is asked.
    char ansi[512] = {};
    ASSERT_EQ(ras::LoadApi().get_error_string(691, ansi, sizeof ansi), 0u);
    EXPECT_NE(std::string(ansi).find('?'), std::string::npos);
}

// The hang-up's tool ends before the system releases the line: the entry is listed (closing) until then,
// and a dial meanwhile meets 617.
TEST_F(LineServices, TheLineIsListedUntilTheSystemReleasesIt) {
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.entries = {"Veltrane"};
        state.connected = {"Veltrane"};
        state.hang_up_s = 0;
        state.released_after_s = 2;
    }));
    EXPECT_TRUE(IsEntryListed("Veltrane"));
    ASSERT_TRUE(LaunchHangUp());
    const ToolRun hang_up = WaitForEnd(ToolJob::HangUp);
    const DWORD tool_ended = GetTickCount();
    ASSERT_EQ(hang_up.state, ToolRun::State::Ended);
    EXPECT_EQ(hang_up.exit_code, 0u);
    EXPECT_FALSE(IsEntryConnected("Veltrane"));
    EXPECT_TRUE(IsEntryListed("Veltrane"));
    ASSERT_TRUE(LaunchDial("user", "pass"));
    EXPECT_EQ(WaitForEnd(ToolJob::Dial).exit_code, ras::kErrorPortDisconnecting);
    EXPECT_TRUE(WaitFor([] { return !IsEntryListed("Veltrane"); }));
    EXPECT_GE(GetTickCount() - tool_ended, 1500u);
    EXPECT_FALSE(IsEntryListed("Veltrane"));
    EXPECT_FALSE(IsEntryListed("Other"));
    ASSERT_TRUE(line::Update([](line::State& state) { state.failures = {{"RasEnumConnectionsA", 668}}; }));
    ASSERT_TRUE(line::Update([](line::State& state) { state.connected = {"Veltrane"}; }));
    EXPECT_FALSE(IsEntryListed("Veltrane"));  // a failed enumeration
}

TEST_F(LineServices, AnotherBroadbandConnectionIsSeenAndRefusesTheDial) {
    struct Case {
        const char* what;
        std::vector<std::string> others, connected;
        bool other;
        unsigned long dial_exit;
    };
    const Case cases[] = {
        {"nothing else", {}, {}, false, 0},
        {"another program's connection", {"宽带连接"}, {}, true, ras::kErrorSecondBroadband},
        {"another entry connected", {}, {"Office"}, true, ras::kErrorSecondBroadband},
        {"only the entry itself", {}, {"VELTRANE"}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        line::UsePrivateState(L"veltrane-line-services-other.ini");
        ASSERT_TRUE(line::Update([&](line::State& state) {
            state.entries = {"Veltrane", "Office"};
            state.others = c.others;
            state.connected = c.connected;
            state.dial = {line::DialMode::Connect, 0, 0};
        }));
        EXPECT_EQ(OtherBroadbandConnected("Veltrane"), c.other);
        ASSERT_TRUE(LaunchDial("user", "pass"));
        EXPECT_EQ(WaitForEnd(ToolJob::Dial).exit_code, c.dial_exit);
    }
}

// Where the PPP interface cannot be asked, the 32-bit counter is carried past its top.
TEST_F(LineServices, ReceivedBytesGrowWhileConnectedPast4GiBAndStartAgain) {
    EXPECT_EQ(ConnectionCounters("Veltrane"), std::nullopt);
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.entries = {"Veltrane"};
        state.dial = {line::DialMode::Connect, 0, 0};
        state.traffic = {{"Veltrane", 4294967000UL, 1000}};
        state.failures = {{"GetIfEntry2", 50}};
    }));
    ASSERT_TRUE(LaunchDial("user", "pass"));
    ASSERT_EQ(WaitForEnd(ToolJob::Dial).exit_code, 0u);
    std::optional<LineCounters> first = ConnectionCounters("Veltrane");
    ASSERT_TRUE(first.has_value());
    EXPECT_GE(first->bytes_received, 4294967000UL);
    // A second later the 32-bit counter has gone past its top.
    std::optional<LineCounters> later;
    EXPECT_TRUE(WaitFor(
        [&] { return (later = ConnectionCounters("Veltrane")) && later->bytes_received > 1ULL << 32; },
        3000));
    // A new connection counts again from the start.
    HangUp();
    EXPECT_EQ(ConnectionCounters("Veltrane"), std::nullopt);
    ASSERT_TRUE(LaunchDial("user", "pass"));
    ASSERT_EQ(WaitForEnd(ToolJob::Dial).exit_code, 0u);
    std::optional<LineCounters> again = ConnectionCounters("Veltrane");
    ASSERT_TRUE(again.has_value());
    EXPECT_GE(again->bytes_received, 4294967000UL);
    EXPECT_LT(again->bytes_received, 1ULL << 32);
    // A record size the system does not know, or a failing call, reads as nothing.
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.refusals = {{"RasGetConnectionStatistics", 60}};
    }));
    EXPECT_EQ(ConnectionCounters("Veltrane"), std::nullopt);
}

// A window's end of the watch: the messages it received.
class Receiver {
public:
    static constexpr UINT kMessage = WM_APP + 7;
    Receiver()
        : window_(
              CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
    HWND get() const { return window_.get(); }
    // Waits up to `timeout_ms` for one message; the tick it came at, or nothing.
    std::optional<DWORD> Next(DWORD timeout_ms) {
        const DWORD begin = GetTickCount();
        for (;;) {
            MSG msg;
            if (PeekMessageW(&msg, window_.get(), kMessage, kMessage, PM_REMOVE)) return GetTickCount();
            const DWORD spent = GetTickCount() - begin;
            if (spent >= timeout_ms) return std::nullopt;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout_ms - spent, QS_POSTMESSAGE);
        }
    }

private:
    UniqueWindow window_;
};

TEST_F(LineServices, TheWatchPostsWithinASecondOfADropAndOfAHangUp) {
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.entries = {"Veltrane"};
        state.dial = {line::DialMode::Drop, 0, 2};
        state.hang_up_s = 0;
    }));
    Receiver receiver;
    ASSERT_NE(receiver.get(), nullptr);
    ConnectionEndWatch watch;
    ASSERT_TRUE(watch.Start(receiver.get(), Receiver::kMessage));
    EXPECT_TRUE(watch.Running());
    EXPECT_EQ(receiver.Next(500), std::nullopt);  // nothing ends: nothing is posted

    // A drop the line file predicts: up at once, down two seconds later.
    ASSERT_TRUE(LaunchDial("user", "pass"));
    ASSERT_EQ(WaitForEnd(ToolJob::Dial).exit_code, 0u);
    ASSERT_TRUE(IsEntryConnected("Veltrane"));
    ASSERT_EQ(line::Load().attempts.size(), 1u);
    const long long drop_ms = line::Load().attempts[0].started_ms + 2000;
    std::optional<DWORD> dropped = receiver.Next(4000);
    ASSERT_TRUE(dropped.has_value());
    const long long late_ms = line::NowMs() - drop_ms;
    EXPECT_GE(late_ms, -50);
    EXPECT_LT(late_ms, 1000);
    EXPECT_FALSE(IsEntryConnected("Veltrane"));

    // A hang-up by the dial tool, from another process.
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.connected = {"Veltrane"};
        state.attempts.clear();
    }));
    while (receiver.Next(200)) {
    }
    const DWORD hung_up = GetTickCount();
    ASSERT_TRUE(LaunchHangUp());
    std::optional<DWORD> ended = receiver.Next(3000);
    ASSERT_TRUE(ended.has_value());
    EXPECT_LT(*ended - hung_up, 1000u);

    // Once stopped, no message comes.
    watch.Stop();
    EXPECT_FALSE(watch.Running());
    ASSERT_TRUE(line::Update([](line::State& state) { state.connected = {"Veltrane"}; }));
    ASSERT_TRUE(line::Update([](line::State& state) { state.connected.clear(); }));
    EXPECT_EQ(receiver.Next(500), std::nullopt);
}

TEST_F(LineServices, TheWatchDoesNotStartWhereTheSystemRefusesIt) {
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.failures = {{"RasConnectionNotificationA", 87}};
    }));
    Receiver receiver;
    ConnectionEndWatch watch;
    EXPECT_FALSE(watch.Start(receiver.get(), Receiver::kMessage));
    EXPECT_FALSE(watch.Running());
    EXPECT_FALSE(watch.Start(nullptr, Receiver::kMessage));
}

}  // namespace
}  // namespace vt
