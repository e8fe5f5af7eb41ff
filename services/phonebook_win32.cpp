#include "services/phonebook.h"

#include <shlobj.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/text.h"
#include "services/ras_records.h"

namespace vt {
namespace ras {
namespace {

template <typename Fn>
Fn Resolve(HMODULE library, const char* name) {
    // Through the generic function pointer type, which converts to any other without complaint.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

}  // namespace

const Api& LoadApi() {
    // Resolved at first use instead of imported, so that a system without the Remote Access library
    // still starts: every phonebook and connection query then simply reads as "nothing there".
    static const Api api = [] {
        Api loaded;
        HMODULE library = LoadLibraryW(L"rasapi32.dll");
        if (!library) return loaded;
        loaded.enum_entries = Resolve<EnumEntriesFn>(library, "RasEnumEntriesA");
        loaded.enum_connections = Resolve<EnumConnectionsFn>(library, "RasEnumConnectionsA");
        loaded.set_entry_properties = Resolve<SetEntryPropertiesFn>(library, "RasSetEntryPropertiesA");
        loaded.set_credentials = Resolve<SetCredentialsFn>(library, "RasSetCredentialsA");
        loaded.get_connect_status = Resolve<GetConnectStatusFn>(library, "RasGetConnectStatusA");
        loaded.enum_devices = Resolve<EnumDevicesFn>(library, "RasEnumDevicesA");
        loaded.get_error_string = Resolve<GetErrorStringFn>(library, "RasGetErrorStringA");
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
// system); the Chinese system's name when the system lists none.
std::string PppoeDeviceName(const ras::Api& api) {
    const std::string fallback = WideToAnsi(kChinesePppoeDevice);
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

// The current user's own phonebook, its folders created; empty when the system will not say where.
// The library takes an ANSI path: a profile folder with characters outside the code page is named by
// its short form.
std::string UserPhonebookPath() {
    wchar_t appdata[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appdata))) return {};
    std::wstring folder = std::wstring(appdata) + L"\\Microsoft\\Network\\Connections\\Pbk";
    int made = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) return {};
    std::string ansi;
    if (!ToAnsi(WideToUtf8(folder), ansi)) {
        wchar_t short_form[MAX_PATH] = {};
        DWORD length = GetShortPathNameW(folder.c_str(), short_form, MAX_PATH);
        if (length == 0 || length >= MAX_PATH || !ToAnsi(WideToUtf8(short_form), ansi)) return {};
    }
    return ansi + "\\rasphone.pbk";
}

}  // namespace

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
        std::wstring listed = AnsiToWide(std::string_view(field, strnlen(field, sizeof names[i].szEntryName)));
        // The Remote Access Service does not tell names apart by letter case.
        if (!listed.empty() && EqualIgnoringCase(listed, wanted))
            return true;
    }
    return false;
}

bool CreateDialEntry(std::string_view entry, std::string_view user, std::string_view password) {
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
    // User name, password and (empty) domain. Not the default-credentials flag: the system refuses it for
    // a per-user entry and for anyone not elevated.
    credentials.dwMask = 0x7;
    if (!CopyField(credentials.szUserName, user_ansi) || !CopyField(credentials.szPassword, password_ansi))
        return false;

    auto record = std::make_unique<ras::Entry>();  // value-initialised: all bytes zero
    record->dwSize = sizeof(ras::Entry);
    record->dwfOptions = 0x3D0D0310;
    record->dwCountryID = 86;
    record->dwCountryCode = 86;
    record->dwfNetProtocols = 4;    // IP only
    record->dwFramingProtocol = 1;  // PPP
    CopyField(record->szDeviceType, "PPPoE");
    if (!CopyField(record->szDeviceName, device_name))
        CopyField(record->szDeviceName, WideToAnsi(kChinesePppoeDevice));
    record->dwDialMode = 1;  // dial all links
    record->dwDialExtraPercent = 75;
    record->dwDialExtraSampleSeconds = 120;
    record->dwHangUpExtraPercent = 10;
    record->dwHangUpExtraSampleSeconds = 120;
    record->dwType = 5;            // broadband
    record->dwEncryptionType = 3;  // optional encryption
    record->dwfOptions2 = 0x6F;
    record->dwRedialCount = 10;
    record->dwRedialPause = 60;
    // The default book is the all-users one, which only an elevated administrator may write: everyone
    // else gets the entry in their own book, which the dial tool and the enumeration also see.
    std::string phonebook;
    DWORD status = api.set_entry_properties(nullptr, entry_ansi.c_str(), record.get(), sizeof(ras::Entry),
                                            nullptr, 0);
    if (status == ras::kErrorAccessDenied) {
        phonebook = UserPhonebookPath();
        if (!phonebook.empty())
            status = api.set_entry_properties(phonebook.c_str(), entry_ansi.c_str(), record.get(),
                                              sizeof(ras::Entry), nullptr, 0);
    }
    const char* book = phonebook.empty() ? nullptr : phonebook.c_str();
    bool stored = status == 0 && api.set_credentials(book, entry_ansi.c_str(), &credentials, FALSE) == 0;

    SecureZeroMemory(credentials.szPassword, sizeof credentials.szPassword);
    return stored;
}

}  // namespace vt
