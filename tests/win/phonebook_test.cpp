// The phonebook entry against the stand-in phonebook library (tests/doubles), in the Chinese code page.
#include "services/phonebook.h"

#include <ras.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "base/text.h"
#include "services/ras_records.h"
#include "tests/doubles/line_state.h"

namespace vt {
namespace {

// The SDK's declaration of the entry and credentials records has the same layout as the forms declared
// for the dialer (the SDK's name and connection records are newer, larger forms; its entry record, older).
static_assert(sizeof(RASENTRYA) == ras::kXpSize<ras::Entry>);
static_assert(offsetof(RASENTRYA, szDeviceName) == offsetof(ras::Entry, szDeviceName));
static_assert(offsetof(RASENTRYA, dwfOptions2) == offsetof(ras::Entry, dwfOptions2));
static_assert(offsetof(RASENTRYA, dwRedialPause) == offsetof(ras::Entry, dwRedialPause));
static_assert(sizeof(RASCREDENTIALSA) == sizeof(ras::Credentials));
static_assert(offsetof(RASCREDENTIALSA, szDomain) == offsetof(ras::Credentials, szDomain));
static_assert(offsetof(RASENTRYNAMEA, szEntryName) == offsetof(ras::EntryName, szEntryName));
static_assert(offsetof(RASCONNA, szDeviceName) == offsetof(ras::Connection, szDeviceName));

class Phonebook : public testing::Test {
protected:
    void SetUp() override { line::UsePrivateState(L"veltrane-phonebook-test.ini"); }

    static void WithEntries(std::initializer_list<const char*> names) {
        ASSERT_TRUE(line::Update([&](line::State& state) {
            for (const char* name : names) state.entries.push_back(name);
        }));
    }

    static std::string StoredRecord(const std::string& entry) {
        for (const auto& [name, bytes] : line::Load().records)
            if (name == entry) return bytes;
        return {};
    }
};

TEST_F(Phonebook, TheDoubleIsTheLibraryInUse) {
    // Wine's own library always reports an empty phonebook; the stand-in reads the state file.
    WithEntries({"Veltrane"});
    EXPECT_TRUE(EntryExists("Veltrane"));
    HMODULE library = GetModuleHandleW(L"rasapi32.dll");
    ASSERT_NE(library, nullptr);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(library, path, MAX_PATH);
    EXPECT_NE(std::wstring(path).find(L"\\bin\\rasapi32.dll"), std::wstring::npos) << WideToUtf8(path);
}

TEST_F(Phonebook, AStandardUserGetsTheEntryInTheirOwnBook) {
    // The all-users book refuses a caller that is not elevated: the entry goes to the user's book.
    ASSERT_FALSE(EntryExists("Veltrane"));
    ASSERT_TRUE(CreateDialEntry("Veltrane", "Zormik", ""));
    EXPECT_TRUE(EntryExists("Veltrane"));
    // Creating again replaces the properties of the one entry.
    ASSERT_TRUE(CreateDialEntry("Veltrane", "Zormik", ""));
    line::State state = line::Load();
    EXPECT_TRUE(state.entries.empty());
    EXPECT_EQ(state.user_entries, (std::vector<std::string>{"Veltrane"}));
    ASSERT_EQ(state.credentials.size(), 1u);
    EXPECT_EQ(state.credentials[0].entry, "Veltrane");
    // User name, password and domain; never the default-credentials flag.
    EXPECT_EQ(state.credentials[0].mask, 0x7u);
    EXPECT_EQ(state.credentials[0].user, "Zormik");
    EXPECT_EQ(state.credentials[0].password, "");
    EXPECT_EQ(state.credentials[0].domain, "");
    // The wide record asks for IPv4 and IPv6 too.
    EXPECT_EQ(line::NetProtocolsOf(state, "Veltrane"), ras::kNetProtocolIp | ras::kNetProtocolIpv6);
}

TEST_F(Phonebook, AnElevatedCallerWritesTheAllUsersBook) {
    ASSERT_TRUE(line::Update([](line::State& state) { state.elevated = true; }));
    ASSERT_TRUE(CreateDialEntry("Veltrane", "Zormik", ""));
    line::State state = line::Load();
    EXPECT_EQ(state.entries, (std::vector<std::string>{"Veltrane"}));
    EXPECT_TRUE(state.user_entries.empty());
    ASSERT_EQ(state.credentials.size(), 1u);
    EXPECT_EQ(state.credentials[0].mask, 0x7u);
}

// The first device of type PPPoE, whatever the letter case of its type.
TEST_F(Phonebook, TheEntryIsMadeOnTheDeviceTheSystemNames) {
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.devices = {{"modem", "Modem A"}, {"pppoe", "WAN Miniport (PPPOE)"}, {"PPPoE", "Second"}};
        state.elevated = true;  // the default book's ANSI record
    }));
    ASSERT_TRUE(CreateDialEntry("Veltrane", "Zormik", ""));
    ASSERT_EQ(StoredRecord("Veltrane").size(), sizeof(ras::Entry));
    EXPECT_STREQ(StoredRecord("Veltrane").c_str() + offsetof(ras::Entry, szDeviceName),
                 "WAN Miniport (PPPOE)");
    EXPECT_EQ(PppoeDevice(), "WAN Miniport (PPPOE)");
    // No PPPoE device: the Chinese system's name is the last resort, which this system refuses.
    line::UsePrivateState(L"veltrane-phonebook-nodevice.ini");
    ASSERT_TRUE(line::Update([](line::State& state) { state.devices = {{"modem", "Modem A"}}; }));
    EXPECT_FALSE(CreateDialEntry("Veltrane", "Zormik", ""));
    EXPECT_FALSE(EntryExists("Veltrane"));
    EXPECT_EQ(PppoeDevice(), "");
}

TEST_F(Phonebook, ChineseEntryNamesRoundTripThroughTheAnsiCodePage) {
    ASSERT_EQ(GetACP(), 936u);
    ASSERT_TRUE(CreateDialEntry("宽带连接", "用户", "密码"));
    EXPECT_TRUE(EntryExists("宽带连接"));
    EXPECT_FALSE(EntryExists("宽带"));
    line::State state = line::Load();
    ASSERT_EQ(state.credentials.size(), 1u);
    EXPECT_EQ(state.credentials[0].user, "用户");
    EXPECT_EQ(state.credentials[0].password, "密码");
}

// Names are found anywhere in the list, without regard to letter case and only whole; a list longer than
// the 256 records the lookup gives the library is refused by it (it reports the size it needs and fills
// nothing), which reads as none.
TEST_F(Phonebook, TheEntryIsFoundByItsWholeNameInAnyPhonebookThatFits) {
    std::vector<std::string> many;
    for (int i = 0; i < 255; ++i) many.push_back("Other " + std::to_string(i));
    many.push_back("Veltrane");
    const struct {
        std::vector<std::string> entries;
        std::vector<std::pair<std::string, bool>> finds;
    } books[] = {
        {{}, {{"Veltrane", false}, {"", false}}},
        {{"VELTRANE", "Veltrane2", "Veltran"},
         {{"Veltrane", true}, {"veltrane", true}, {"Veltrane 2", false}}},
        {{"Home VPN", "Veltrane", "Office"}, {{"Veltrane", true}, {"Office", true}, {"Home VPN", true}}},
        {many, {{"Veltrane", true}, {"Other 0", true}}},
        {std::vector<std::string>(257, "Veltrane"), {{"Veltrane", false}}},
    };
    for (const auto& book : books) {
        ASSERT_TRUE(line::Update([&](line::State& state) { state.entries = book.entries; }));
        for (const auto& [name, found] : book.finds)
            EXPECT_EQ(EntryExists(name), found) << name << " among " << book.entries.size();
    }
}

TEST_F(Phonebook, CreatedRecordHoldsTheFixedProperties) {
    ASSERT_EQ(GetACP(), 936u);
    ASSERT_TRUE(line::Update([](line::State& state) { state.elevated = true; }));  // the ANSI record
    std::optional<EntryIpv6> kept;
    ASSERT_TRUE(CreateDialEntry("Veltrane", "Zormik", "", &kept));
    EXPECT_TRUE(kept && kept->protocol && kept->default_route);
    std::string bytes = StoredRecord("Veltrane");
    ASSERT_EQ(bytes.size(), 2924u);
    ras::Entry record;
    std::memcpy(&record, bytes.data(), sizeof record);
    EXPECT_EQ(record.dwSize, 2924u);
    EXPECT_EQ(record.dwfOptions, 0x3D0D0310u);
    EXPECT_EQ(record.dwCountryID, 86u);
    EXPECT_EQ(record.dwCountryCode, 86u);
    EXPECT_EQ(record.dwfNetProtocols, ras::kNetProtocolIp | ras::kNetProtocolIpv6);
    EXPECT_EQ(record.dwFramingProtocol, 1u);
    EXPECT_STREQ(record.szDeviceType, "PPPoE");
    EXPECT_EQ(record.dwDialMode, 1u);
    EXPECT_EQ(record.dwDialExtraPercent, 75u);
    EXPECT_EQ(record.dwDialExtraSampleSeconds, 120u);
    EXPECT_EQ(record.dwHangUpExtraPercent, 10u);
    EXPECT_EQ(record.dwHangUpExtraSampleSeconds, 120u);
    EXPECT_EQ(record.dwType, 5u);
    EXPECT_EQ(record.dwEncryptionType, 3u);
    EXPECT_EQ(record.dwfOptions2, 0x6Fu | ras::kOptions2Ipv6DefaultGateway);
    EXPECT_EQ(record.dwRedialCount, 10u);
    EXPECT_EQ(record.dwRedialPause, 60u);

    // "WAN 微型端口 (PPPOE)" in code page 936: 20 bytes, then zeros.
    const char expected[] = "WAN \xCE\xA2\xD0\xCD\xB6\xCB\xBF\xDA (PPPOE)";
    ASSERT_EQ(sizeof expected - 1, 20u);
    EXPECT_EQ(std::memcmp(record.szDeviceName, expected, 20), 0);
    for (std::size_t i = 20; i < sizeof record.szDeviceName; ++i) EXPECT_EQ(record.szDeviceName[i], 0) << i;

    // Every field not named above is zero.
    ras::Entry zeroed = record;
    zeroed.dwSize = zeroed.dwfOptions = zeroed.dwCountryID = zeroed.dwCountryCode = 0;
    zeroed.dwfNetProtocols = zeroed.dwFramingProtocol = zeroed.dwDialMode = 0;
    zeroed.dwDialExtraPercent = zeroed.dwDialExtraSampleSeconds = 0;
    zeroed.dwHangUpExtraPercent = zeroed.dwHangUpExtraSampleSeconds = 0;
    zeroed.dwType = zeroed.dwEncryptionType = zeroed.dwfOptions2 = 0;
    zeroed.dwRedialCount = zeroed.dwRedialPause = 0;
    std::memset(zeroed.szDeviceType, 0, sizeof zeroed.szDeviceType);
    std::memset(zeroed.szDeviceName, 0, sizeof zeroed.szDeviceName);
    const char* raw = reinterpret_cast<const char*>(&zeroed);
    for (std::size_t i = 0; i < sizeof zeroed; ++i) ASSERT_EQ(raw[i], 0) << "byte " << i;
    // A system that refuses the Vista form is given the XP one.
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.refusals = {{"RasSetEntryPropertiesA", 2924}};
    }));
    ASSERT_TRUE(CreateDialEntry("Veltrane", "Zormik", ""));
    EXPECT_EQ(StoredRecord("Veltrane").size(), 2884u);
}

TEST_F(Phonebook, FailuresOfTheLibraryAreReported) {
    // Both books refuse: the default one (ANSI) and the user's (wide).
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.failures = {{"RasSetEntryPropertiesA", 5}, {"RasSetEntryPropertiesW", 5}};
    }));
    EXPECT_FALSE(CreateDialEntry("Veltrane", "Zormik", ""));
    EXPECT_FALSE(EntryExists("Veltrane"));

    ASSERT_TRUE(line::Update([](line::State& state) { state.failures = {{"RasSetCredentialsW", 5}}; }));
    // The properties call succeeded, the credentials call did not: the entry exists, the result is false.
    EXPECT_FALSE(CreateDialEntry("Veltrane", "Zormik", ""));
    EXPECT_TRUE(EntryExists("Veltrane"));

    ASSERT_TRUE(line::Update([](line::State& state) { state.failures = {{"RasEnumEntriesA", 5}}; }));
    EXPECT_FALSE(EntryExists("Veltrane"));
}

TEST_F(Phonebook, TextsThatDoNotFitAreRefusedBeforeTheLibrarySeesThem) {
    EXPECT_FALSE(CreateDialEntry(std::string(257, 'a'), "Zormik", ""));
    EXPECT_FALSE(CreateDialEntry("", "Zormik", ""));
    EXPECT_FALSE(CreateDialEntry("Veltrane", std::string(257, 'u'), ""));
    EXPECT_FALSE(CreateDialEntry("Veltrane", "Zormik", std::string(257, 'p')));
    EXPECT_TRUE(line::Load().entries.empty());
    EXPECT_TRUE(CreateDialEntry(std::string(256, 'a'), std::string(256, 'u'), std::string(256, 'p')));
    EXPECT_TRUE(EntryExists(std::string(256, 'a')));
}

// The stand-in checks sizes as the platform does; the dialer's records must pass and others must not.
TEST(PhonebookDouble, RecordSizesAreCheckedAsThePlatformDoes) {
    line::UsePrivateState(L"veltrane-phonebook-sizes.ini");
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.entries = {"A", "B"};
        state.elevated = true;
    }));
    const ras::Api& api = ras::LoadApi();
    ASSERT_NE(api.enum_entries, nullptr);

    ras::EntryName names[2] = {};
    DWORD bytes = sizeof names, count = 0;
    names[0].dwSize = 100;
    EXPECT_EQ(api.enum_entries(nullptr, nullptr, names, &bytes, &count), ras::kErrorInvalidSize);

    names[0].dwSize = sizeof(ras::EntryName);
    bytes = sizeof(ras::EntryName);  // room for one of two
    EXPECT_EQ(api.enum_entries(nullptr, nullptr, names, &bytes, &count), ras::kErrorBufferTooSmall);
    EXPECT_EQ(bytes, 2 * sizeof(ras::EntryName));
    EXPECT_EQ(count, 2u);

    bytes = sizeof names;
    EXPECT_EQ(api.enum_entries(nullptr, nullptr, names, &bytes, &count), 0u);
    EXPECT_EQ(count, 2u);
    EXPECT_STREQ(names[1].szEntryName, "B");

    ras::Connection connection{};
    connection.dwSize = 411;
    bytes = sizeof connection;
    EXPECT_EQ(api.enum_connections(&connection, &bytes, &count), ras::kErrorInvalidSize);

    // An entry record of a size no system knew is refused, written or read back.
    ras::Entry entry{};
    for (const DWORD size : {2880u, 5656u}) {
        entry.dwSize = size;
        bytes = sizeof entry;
        EXPECT_EQ(api.set_entry_properties(nullptr, "A", &entry, bytes, nullptr, 0), ras::kErrorInvalidSize);
        EXPECT_EQ(api.get_entry_properties(nullptr, "A", &entry, &bytes, nullptr, nullptr),
                  ras::kErrorInvalidSize);
    }
    entry.dwSize = sizeof entry;
    EXPECT_EQ(api.set_entry_properties(nullptr, "A", &entry, 100, nullptr, 0), ras::kErrorBufferTooSmall);

    ras::Credentials credentials{};
    credentials.dwSize = 536;
    EXPECT_EQ(api.set_credentials(nullptr, "A", &credentials, FALSE), ras::kErrorInvalidSize);
    credentials.dwSize = sizeof credentials;
    EXPECT_EQ(api.set_credentials(nullptr, "Missing", &credentials, FALSE),
              ras::kErrorCannotFindPhonebookEntry);
    EXPECT_EQ(api.set_credentials(nullptr, "A", &credentials, FALSE), 0u);

    ras::ConnectionStatus status{};
    status.dwSize = 159;
    EXPECT_EQ(api.get_connect_status(nullptr, &status), ras::kErrorInvalidSize);
    status.dwSize = sizeof status;
    EXPECT_EQ(api.get_connect_status(nullptr, &status), ras::kErrorInvalidHandle);

    // What a connection negotiated: told only for a known handle, a record of a known form, a buffer
    // large enough and a line that is up.
    ASSERT_TRUE(line::Update([](line::State& state) { state.connected = {"A"}; }));
    bytes = sizeof connection;
    connection.dwSize = sizeof connection;
    ASSERT_EQ(api.enum_connections(&connection, &bytes, &count), 0u);
    ras::ProjectionInfo info{};
    DWORD size = sizeof info - 1;
    EXPECT_EQ(api.get_projection_info_ex(nullptr, &info, &size), ras::kErrorInvalidHandle);
    EXPECT_EQ(api.get_projection_info_ex(connection.hrasconn, &info, &size), ras::kErrorBufferTooSmall);
    EXPECT_EQ(size, sizeof info);
    EXPECT_EQ(api.get_projection_info_ex(connection.hrasconn, &info, &size),
              ERROR_INVALID_PARAMETER);  // version
    info.version = ras::kApiVersion601;
    EXPECT_EQ(api.get_projection_info_ex(connection.hrasconn, &info, &size), 0u);
    EXPECT_EQ(info.type, ras::kProjectionTypePpp);
    ras::PppIp ip{};
    ip.dwSize = 47;
    size = sizeof ip;
    EXPECT_EQ(api.get_projection_info(connection.hrasconn, ras::kProjectionPppIp, &ip, &size),
              ras::kErrorInvalidSize);
    ip.dwSize = sizeof ip;
    size = 40;
    EXPECT_EQ(api.get_projection_info(connection.hrasconn, ras::kProjectionPppIp, &ip, &size),
              ras::kErrorBufferTooSmall);
    EXPECT_EQ(size, sizeof ip);
    EXPECT_EQ(api.get_projection_info(connection.hrasconn, ras::kProjectionPppIp, &ip, &size), 0u);
    EXPECT_STREQ(ip.szIpAddress, "100.64.12.34");
    ras::PppIpv6 ipv6{};
    ipv6.dwSize = sizeof ipv6 - 1;
    size = sizeof ipv6;
    EXPECT_EQ(api.get_projection_info(connection.hrasconn, ras::kProjectionPppIpv6, &ipv6, &size),
              ras::kErrorInvalidSize);
    // A dial still under way has nothing to tell yet.
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.connected.clear();
        state.attempts = {{"A", line::NowMs(), {line::DialMode::Connect, 60, 0}}};
    }));
    info.version = ras::kApiVersion601;
    size = sizeof info;
    EXPECT_EQ(api.get_projection_info_ex(connection.hrasconn, &info, &size),
              ras::kErrorProjectionNotComplete);
    ip.dwSize = sizeof ip;
    EXPECT_EQ(api.get_projection_info(connection.hrasconn, ras::kProjectionPppIp, &ip, &size),
              ras::kErrorProjectionNotComplete);
}

// As the documentation has it: the all-users book and default credentials need an elevated caller, and
// default credentials are refused for an entry of the user's own book.
TEST(PhonebookDouble, RefusesWhatAStandardUserMayNotDo) {
    line::UsePrivateState(L"veltrane-phonebook-rights.ini");
    ASSERT_TRUE(line::Update([](line::State& state) {
        state.entries = {"All"};
        state.user_entries = {"Mine"};
    }));
    const ras::Api& api = ras::LoadApi();
    ras::Entry entry{};
    entry.dwSize = sizeof entry;
    std::strcpy(entry.szDeviceType, "PPPoE");
    std::strcpy(entry.szDeviceName, WideToAnsi(L"WAN 微型端口 (PPPOE)").c_str());
    EXPECT_EQ(api.set_entry_properties(nullptr, "New", &entry, sizeof entry, nullptr, 0),
              ras::kErrorAccessDenied);
    EXPECT_EQ(api.set_entry_properties("C:\\elsewhere.pbk", "New", &entry, sizeof entry, nullptr, 0),
              ras::kErrorCannotOpenPhonebook);
    ras::Credentials credentials{};
    credentials.dwSize = sizeof credentials;
    credentials.dwMask = 0xB;
    EXPECT_EQ(api.set_credentials(nullptr, "All", &credentials, FALSE), ras::kErrorAccessDenied);
    ASSERT_TRUE(line::Update([](line::State& state) { state.elevated = true; }));
    EXPECT_EQ(api.set_credentials(nullptr, "All", &credentials, FALSE), 0u);
    // The user's entry is not in the default book at all.
    EXPECT_EQ(api.set_credentials(nullptr, "Mine", &credentials, FALSE), ras::kErrorCannotFindPhonebookEntry);
    EXPECT_TRUE(EntryExists("mine"));
}

}  // namespace
}  // namespace vt
