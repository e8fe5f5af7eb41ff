#include "services/phonebook.h"

#include <shlobj.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/function_lookup.h"
#include "base/handles.h"
#include "base/text.h"
#include "services/ras_records.h"

namespace vt {
namespace ras {

const Api& LoadApi() {
    // Looked up at first use instead of imported, so that a system without the Remote Access library
    // still starts: every phonebook and connection query then simply reads as "nothing there".
    static const Api api = [] {
        Api loaded;
        const wchar_t* const library = L"rasapi32.dll";
        loaded.enum_entries = LookUpFunction<EnumEntriesFn>(library, "RasEnumEntriesA");
        loaded.enum_connections = LookUpFunction<EnumConnectionsFn>(library, "RasEnumConnectionsA");
        loaded.set_entry_properties = LookUpFunction<SetEntryPropertiesFn>(library, "RasSetEntryPropertiesA");
        loaded.set_credentials = LookUpFunction<SetCredentialsFn>(library, "RasSetCredentialsA");
        loaded.get_entry_properties = LookUpFunction<GetEntryPropertiesFn>(library, "RasGetEntryPropertiesA");
        loaded.get_connect_status = LookUpFunction<GetConnectStatusFn>(library, "RasGetConnectStatusA");
        loaded.enum_devices = LookUpFunction<EnumDevicesFn>(library, "RasEnumDevicesA");
        loaded.get_error_string = LookUpFunction<GetErrorStringFn>(library, "RasGetErrorStringA");
        loaded.get_connection_statistics =
            LookUpFunction<GetConnectionStatisticsFn>(library, "RasGetConnectionStatistics");
        loaded.connection_notification =
            LookUpFunction<ConnectionNotificationFn>(library, "RasConnectionNotificationA");
        loaded.enum_entries_w = LookUpFunction<EnumEntriesWFn>(library, "RasEnumEntriesW");
        loaded.enum_devices_w = LookUpFunction<EnumDevicesWFn>(library, "RasEnumDevicesW");
        loaded.set_entry_properties_w =
            LookUpFunction<SetEntryPropertiesWFn>(library, "RasSetEntryPropertiesW");
        loaded.set_credentials_w = LookUpFunction<SetCredentialsWFn>(library, "RasSetCredentialsW");
        loaded.get_entry_properties_w =
            LookUpFunction<GetEntryPropertiesWFn>(library, "RasGetEntryPropertiesW");
        loaded.get_error_string_w = LookUpFunction<GetErrorStringWFn>(library, "RasGetErrorStringW");
        loaded.get_projection_info = LookUpFunction<GetProjectionInfoFn>(library, "RasGetProjectionInfoA");
        loaded.get_projection_info_ex =
            LookUpFunction<GetProjectionInfoExFn>(library, "RasGetProjectionInfoEx");
        return loaded;
    }();
    return api;
}

}  // namespace ras

namespace {

// Converts UTF-8 to the ANSI code page; nothing when some character has no ANSI form (a replacement
// character would silently address another entry or send another password).
bool ToAnsi(std::string_view utf8, std::string& ansi) {
    ansi.clear();
    if (utf8.empty()) return true;
    std::wstring wide = Utf8ToWide(utf8);
    if (wide.empty()) return false;
    BOOL lossy = FALSE;
    int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                   &lossy);
    if (size <= 0 || lossy) return false;
    ansi.resize(size);
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), size, nullptr,
                        nullptr);
    return true;
}

// Copies whole text into a zero-filled field, leaving room for the terminating zero; false when it would
// not fit (a cut name would address another entry).
template <std::size_t N>
bool CopyField(char (&field)[N], const std::string& text) {
    if (text.size() >= N || text.find('\0') != std::string::npos) return false;
    std::memcpy(field, text.data(), text.size());
    return true;
}

// The PPPoE miniport as a Chinese-language system names it.
constexpr wchar_t kChinesePppoeDevice[] = L"WAN 微型端口 (PPPOE)";

// The system's PPPoE device by the name it gives it (localised: "WAN Miniport (PPPOE)" on an English
// system), in the ANSI code page; "" when the system lists none or will not say.
std::string ListedPppoeDevice(const ras::Api& api) {
    const std::string fallback;
    if (!api.enum_devices) return fallback;
    DWORD bytes = 0, count = 0;
    api.enum_devices(nullptr, &bytes, &count);  // asks for the size
    if (bytes < sizeof(ras::DeviceInfo) || bytes > 64 * 1024) bytes = 16 * sizeof(ras::DeviceInfo);
    std::vector<ras::DeviceInfo> devices(bytes / sizeof(ras::DeviceInfo) + 1);
    devices[0].dwSize = sizeof(ras::DeviceInfo);
    bytes = static_cast<DWORD>(devices.size() * sizeof(ras::DeviceInfo));
    count = 0;
    if (api.enum_devices(devices.data(), &bytes, &count) != 0) return fallback;
    for (DWORD i = 0; i < count && i < devices.size(); ++i) {
        const ras::DeviceInfo& device = devices[i];
        std::string type(device.szDeviceType, strnlen(device.szDeviceType, sizeof device.szDeviceType));
        std::string name(device.szDeviceName, strnlen(device.szDeviceName, sizeof device.szDeviceName));
        if (lstrcmpiA(type.c_str(), "PPPoE") == 0 && !name.empty()) return name;
    }
    return fallback;
}

// The listed PPPoE device; the Chinese system's name when the system lists none.
std::string PppoeDeviceName(const ras::Api& api) {
    const std::string listed = ListedPppoeDevice(api);
    return listed.empty() ? WideToAnsi(kChinesePppoeDevice) : listed;
}

// The PPPoE device as the wide enumeration names it (a localised name need not have an ANSI form);
// from the ANSI name when the wide call is missing or lists none.
std::wstring PppoeDeviceNameW(const ras::Api& api) {
    if (api.enum_devices_w) {
        std::vector<ras::DeviceInfoW> devices(64);
        devices[0].dwSize = sizeof(ras::DeviceInfoW);
        DWORD bytes = static_cast<DWORD>(devices.size() * sizeof(ras::DeviceInfoW));
        DWORD count = 0;
        if (api.enum_devices_w(devices.data(), &bytes, &count) == 0) {
            for (DWORD i = 0; i < count && i < devices.size(); ++i) {
                const ras::DeviceInfoW& device = devices[i];
                std::wstring type(device.szDeviceType, wcsnlen(device.szDeviceType, ras::kMaxDeviceType + 1));
                std::wstring name(device.szDeviceName, wcsnlen(device.szDeviceName, ras::kMaxDeviceName + 1));
                if (EqualIgnoringCase(type, L"PPPoE") && !name.empty()) return name;
            }
        }
    }
    return AnsiToWide(PppoeDeviceName(api));
}

// The current user's own phonebook, its folders and an empty file created when missing (the library
// may refuse to open a book that does not exist yet; an existing one is never touched); empty when the
// system will not say where or the file cannot be made.
std::wstring UserPhonebookPath() {
    wchar_t appdata[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appdata))) return {};
    const std::wstring folder = std::wstring(appdata) + L"\\Microsoft\\Network\\Connections\\Pbk";
    const int made = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) return {};
    const std::wstring path = folder + L"\\rasphone.pbk";
    // CREATE_NEW: an existing book, with other entries in it, is never truncated.
    const UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return {};
    }
    return path;
}

// Copies whole text into a zero-filled wide field; false when it would not fit.
template <std::size_t N>
bool CopyFieldW(wchar_t (&field)[N], const std::wstring& text) {
    if (text.size() >= N || text.find(L'\0') != std::wstring::npos) return false;
    std::memcpy(field, text.data(), text.size() * sizeof(wchar_t));
    return true;
}

// IPv4 and IPv6, as an entry made in the system's own settings asks for: a line whose provider offers
// no IPv6 still connects on IPv4. Windows XP knows no IPv6 over PPP and is asked for IPv4 alone.
DWORD NetProtocols() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    const bool vista_or_later = GetVersionExW(&version) && version.dwMajorVersion >= 6;
    return vista_or_later ? ras::kNetProtocolIp | ras::kNetProtocolIpv6 : ras::kNetProtocolIp;
}

// The entry's fixed properties, in either form: the Vista record where IPv6 is asked, as only it is routed
// there; the XP record otherwise.
template <typename Record>
void FillFixedProperties(Record& record) {
    const DWORD protocols = NetProtocols();
    const bool ipv6 = (protocols & ras::kNetProtocolIpv6) != 0;
    record.dwSize = ipv6 ? sizeof(Record) : ras::kXpSize<Record>;
    record.dwfOptions = 0x3D0D0310;
    record.dwCountryID = 86;
    record.dwCountryCode = 86;
    record.dwfNetProtocols = protocols;
    record.dwFramingProtocol = 1;  // PPP
    record.dwDialMode = 1;         // dial all links
    record.dwDialExtraPercent = 75;
    record.dwDialExtraSampleSeconds = 120;
    record.dwHangUpExtraPercent = 10;
    record.dwHangUpExtraSampleSeconds = 120;
    record.dwType = 5;            // broadband
    record.dwEncryptionType = 3;  // optional encryption
    // IPv6's default route through the line, the twin of IPv4's in dwfOptions: without it a line that
    // negotiates IPv6 has an address and no route.
    record.dwfOptions2 = 0x6F | (ipv6 ? ras::kOptions2Ipv6DefaultGateway : 0);
    record.dwRedialCount = 10;
    record.dwRedialPause = 60;
}

// Writes the record through `write` (which takes the size and returns the library's code) in the form it
// names; a system that refuses that size (632) is given the XP form, the same record cut short.
template <typename Record, typename Write>
DWORD WriteRecord(Record& record, Write write) {
    DWORD result = write(record.dwSize);
    if (result == ras::kErrorInvalidSize && record.dwSize != ras::kXpSize<Record>) {
        record.dwSize = ras::kXpSize<Record>;
        result = write(record.dwSize);
    }
    return result;
}

// What the system kept of the IPv6 that `written` asked for, read back through `read` (the record and its
// size) in the form it was written in; nothing when it asked for none or cannot be read back.
template <typename Record, typename Read>
std::optional<EntryIpv6> ReadBackIpv6(const Record& written, Read read) {
    if (!(written.dwfNetProtocols & ras::kNetProtocolIpv6)) return std::nullopt;
    auto back = std::make_unique<Record>();  // zeroed
    back->dwSize = written.dwSize;
    DWORD size = written.dwSize;
    if (read(back.get(), &size) != 0) return std::nullopt;
    return EntryIpv6{(back->dwfNetProtocols & ras::kNetProtocolIpv6) != 0,
                     (back->dwfOptions2 & ras::kOptions2Ipv6DefaultGateway) != 0};
}

// User name, password and (empty) domain. Not the default-credentials flag: the system refuses it for a
// per-user entry and for anyone not elevated.
constexpr DWORD kCredentialsMask = 0x7;

// The entry and its credentials in the current user's book, through the wide functions, so that a
// profile path outside the ANSI code page reaches the library whole.
bool CreateInUserBook(const ras::Api& api, std::string_view entry, std::string_view user,
                      std::string_view password, std::optional<EntryIpv6>* ipv6_kept) {
    if (!api.set_entry_properties_w || !api.set_credentials_w) return false;
    const std::wstring entry_w = Utf8ToWide(entry), user_w = Utf8ToWide(user);
    std::wstring password_w = Utf8ToWide(password);
    auto credentials = std::make_unique<ras::CredentialsW>();  // zeroed
    credentials->dwSize = sizeof(ras::CredentialsW);
    credentials->dwMask = kCredentialsMask;
    const bool fits = !entry_w.empty() && entry_w.size() <= ras::kMaxEntryName &&
                      CopyFieldW(credentials->szUserName, user_w) &&
                      CopyFieldW(credentials->szPassword, password_w);
    SecureZeroMemory(password_w.data(), password_w.size() * sizeof(wchar_t));
    bool stored = false;
    if (fits) {
        auto record = std::make_unique<ras::EntryW>();  // zeroed
        FillFixedProperties(*record);
        CopyFieldW(record->szDeviceType, L"PPPoE");
        if (!CopyFieldW(record->szDeviceName, PppoeDeviceNameW(api)))
            CopyFieldW(record->szDeviceName, kChinesePppoeDevice);
        const std::wstring book = UserPhonebookPath();
        const auto write = [&](DWORD size) {
            return api.set_entry_properties_w(book.c_str(), entry_w.c_str(), record.get(), size, nullptr, 0);
        };
        if (!book.empty() && WriteRecord(*record, write) == 0) {
            stored = api.set_credentials_w(book.c_str(), entry_w.c_str(), credentials.get(), FALSE) == 0;
            if (ipv6_kept && api.get_entry_properties_w)
                *ipv6_kept = ReadBackIpv6(*record, [&](ras::EntryW* back, DWORD* size) {
                    return api.get_entry_properties_w(book.c_str(), entry_w.c_str(), back, size, nullptr,
                                                      nullptr);
                });
        }
    }
    SecureZeroMemory(credentials->szPassword, sizeof credentials->szPassword);
    return stored;
}

}  // namespace

std::string PppoeDevice() { return WideToUtf8(AnsiToWide(ListedPppoeDevice(ras::LoadApi()))); }

bool EntryExists(std::string_view name) {
    const ras::Api& api = ras::LoadApi();
    if (!api.enum_entries) return false;
    auto names = std::make_unique<ras::EntryName[]>(ras::kMaxRecords);  // zeroed
    names[0].dwSize = sizeof(ras::EntryName);
    DWORD bytes = sizeof(ras::EntryName) * ras::kMaxRecords;
    DWORD count = 0;
    // The return code is not examined: the count the call leaves behind decides.
    api.enum_entries(nullptr, nullptr, names.get(), &bytes, &count);
    if (count > ras::kMaxRecords) count = ras::kMaxRecords;
    const std::wstring wanted = Utf8ToWide(name);
    for (DWORD i = 0; i < count; ++i) {
        const char* field = names[i].szEntryName;
        std::wstring listed =
            AnsiToWide(std::string_view(field, strnlen(field, sizeof names[i].szEntryName)));
        // The Remote Access Service does not tell names apart by letter case.
        if (!listed.empty() && EqualIgnoringCase(listed, wanted)) return true;
    }
    return false;
}

bool CreateDialEntry(std::string_view entry, std::string_view user, std::string_view password,
                     std::optional<EntryIpv6>* ipv6_kept) {
    const ras::Api& api = ras::LoadApi();
    if (!api.set_entry_properties || !api.set_credentials) return false;
    std::string entry_ansi, user_ansi, password_ansi;
    if (!ToAnsi(entry, entry_ansi) || entry_ansi.empty() || entry_ansi.size() > ras::kMaxEntryName ||
        !ToAnsi(user, user_ansi) || !ToAnsi(password, password_ansi))
        return false;
    std::string device_name = PppoeDeviceName(api);

    // Both records are filled before either call, so that a user name or password that does not fit
    // leaves the phonebook untouched.
    ras::Credentials credentials{};
    credentials.dwSize = sizeof credentials;
    credentials.dwMask = kCredentialsMask;
    if (!CopyField(credentials.szUserName, user_ansi) || !CopyField(credentials.szPassword, password_ansi))
        return false;

    auto record = std::make_unique<ras::Entry>();  // value-initialised: all bytes zero
    FillFixedProperties(*record);
    CopyField(record->szDeviceType, "PPPoE");
    if (!CopyField(record->szDeviceName, device_name))
        CopyField(record->szDeviceName, WideToAnsi(kChinesePppoeDevice));
    // The default book is the all-users one, which only an elevated administrator may write. Whatever
    // stops it (access denied, a book that cannot be opened, ...), the user's own book takes the entry:
    // the dial tool and the enumeration see that one too. Once the default book holds the entry, a
    // failure to store the credentials is the result (a second entry in the other book would leave the
    // tool to pick one).
    bool stored = false;
    const auto write = [&](DWORD size) {
        return api.set_entry_properties(nullptr, entry_ansi.c_str(), record.get(), size, nullptr, 0);
    };
    if (WriteRecord(*record, write) == 0) {
        stored = api.set_credentials(nullptr, entry_ansi.c_str(), &credentials, FALSE) == 0;
        if (ipv6_kept && api.get_entry_properties)
            *ipv6_kept = ReadBackIpv6(*record, [&](ras::Entry* back, DWORD* size) {
                return api.get_entry_properties(nullptr, entry_ansi.c_str(), back, size, nullptr, nullptr);
            });
    } else {
        stored = CreateInUserBook(api, entry, user, password, ipv6_kept);
    }
    SecureZeroMemory(credentials.szPassword, sizeof credentials.szPassword);
    SecureZeroMemory(password_ansi.data(), password_ansi.size());
    return stored;
}

}  // namespace vt
