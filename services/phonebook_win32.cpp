#include "services/phonebook.h"

#include <cstring>
#include <memory>
#include <string>

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
    for (DWORD i = 0; i < count; ++i) {
        const char* field = names[i].szEntryName;
        std::string_view ansi(field, strnlen(field, sizeof names[i].szEntryName));
        if (WideToUtf8(AnsiToWide(ansi)) == name) return true;
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
    // The PPPoE miniport as a Chinese-language system names it.
    std::string device_name = WideToAnsi(L"WAN 微型端口 (PPPOE)");

    // Both records are filled before either call, so that a user name or password that does not fit
    // leaves the phonebook untouched.
    ras::Credentials credentials{};
    credentials.dwSize = sizeof credentials;
    credentials.dwMask = 0xB;  // user name, password and (empty) domain
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
    CopyField(record->szDeviceName, device_name);
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
    bool stored = api.set_entry_properties(nullptr, entry_ansi.c_str(), record.get(), sizeof(ras::Entry),
                                           nullptr, 0) == 0 &&
                  api.set_credentials(nullptr, entry_ansi.c_str(), &credentials, FALSE) == 0;

    SecureZeroMemory(credentials.szPassword, sizeof credentials.szPassword);
    return stored;
}

}  // namespace vt
