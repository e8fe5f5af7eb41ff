// Stand-in for the platform's phonebook library: the four functions the dialer calls, answering from the
// simulated line's state file (line_state.h). Record sizes are checked as the platform checks them and
// failures come back as the platform's return codes.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "services/ras_records.h"
#include "tests/doubles/line_state.h"

namespace {

using namespace vt;

bool OneOf(DWORD value, std::initializer_list<DWORD> allowed) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

// Copies text into a zero-filled name field, cut to the field as the platform would.
void FillName(char* field, std::size_t field_size, const std::string& ansi) {
    std::memset(field, 0, field_size);
    std::memcpy(field, ansi.data(), std::min(ansi.size(), field_size - 1));
}

bool ValidName(LPCSTR name) { return name && *name && std::strlen(name) <= ras::kMaxEntryName; }

bool OtherPhonebook(LPCSTR phonebook) { return phonebook && *phonebook; }

}  // namespace

extern "C" {

DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR phonebook, ras::EntryName* names, LPDWORD bytes,
                             LPDWORD count) {
    line::Lock lock;
    line::State state = line::Load();
    if (const line::Failure* failure = line::FindFailure(state, "RasEnumEntriesA")) return failure->code;
    if (reserved || !bytes || !count) return ERROR_INVALID_PARAMETER;
    // Only the default phonebook exists on the simulated line.
    if (OtherPhonebook(phonebook)) return ras::kErrorCannotOpenPhonebook;
    // The legacy form and the form with flags and phonebook path (Windows 2000 and later).
    DWORD record_size = names ? names->dwSize : sizeof(ras::EntryName);
    if (names && !OneOf(record_size, {264, 532})) return ras::kErrorInvalidSize;
    DWORD needed = record_size * static_cast<DWORD>(state.entries.size());
    if (!names || *bytes < needed) {
        *bytes = needed;
        *count = static_cast<DWORD>(state.entries.size());
        return needed == 0 ? 0 : ras::kErrorBufferTooSmall;
    }
    BYTE* base = reinterpret_cast<BYTE*>(names);
    for (std::size_t i = 0; i < state.entries.size(); ++i) {
        BYTE* record = base + i * record_size;
        std::memset(record, 0, record_size);
        reinterpret_cast<ras::EntryName*>(record)->dwSize = record_size;
        FillName(reinterpret_cast<ras::EntryName*>(record)->szEntryName, ras::kMaxEntryName + 1,
                 line::Utf8ToAnsi(state.entries[i]));
    }
    *bytes = needed;
    *count = static_cast<DWORD>(state.entries.size());
    return 0;
}

DWORD WINAPI RasEnumConnectionsA(ras::Connection* connections, LPDWORD bytes, LPDWORD count) {
    line::Lock lock;
    line::State state = line::Load();
    if (const line::Failure* failure = line::FindFailure(state, "RasEnumConnectionsA")) return failure->code;
    if (!bytes || !count) return ERROR_INVALID_PARAMETER;
    std::vector<std::string> connected = line::ConnectedEntries(state);
    // The legacy form, then the Windows 2000, XP and Vista forms.
    DWORD record_size = connections ? connections->dwSize : sizeof(ras::Connection);
    if (connections && !OneOf(record_size, {412, 676, 704, 720})) return ras::kErrorInvalidSize;
    DWORD needed = record_size * static_cast<DWORD>(connected.size());
    if (!connections || *bytes < needed) {
        *bytes = needed;
        *count = static_cast<DWORD>(connected.size());
        return needed == 0 ? 0 : ras::kErrorBufferTooSmall;
    }
    std::string device_name = line::Utf8ToAnsi("WAN 微型端口 (PPPOE)");
    BYTE* base = reinterpret_cast<BYTE*>(connections);
    for (std::size_t i = 0; i < connected.size(); ++i) {
        BYTE* bytes_of_record = base + i * record_size;
        std::memset(bytes_of_record, 0, record_size);
        auto* record = reinterpret_cast<ras::Connection*>(bytes_of_record);
        record->dwSize = record_size;
        record->hrasconn = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x5100 + i));
        FillName(record->szEntryName, sizeof record->szEntryName, line::Utf8ToAnsi(connected[i]));
        FillName(record->szDeviceType, sizeof record->szDeviceType, "PPPoE");
        FillName(record->szDeviceName, sizeof record->szDeviceName, device_name);
    }
    *bytes = needed;
    *count = static_cast<DWORD>(connected.size());
    return 0;
}

DWORD WINAPI RasSetEntryPropertiesA(LPCSTR phonebook, LPCSTR entry, ras::Entry* record, DWORD record_size,
                                    LPBYTE /*device_info*/, DWORD /*device_info_size*/) {
    line::Lock lock;
    line::State state = line::Load();
    if (const line::Failure* failure = line::FindFailure(state, "RasSetEntryPropertiesA"))
        return failure->code;
    if (OtherPhonebook(phonebook)) return ras::kErrorCannotOpenPhonebook;
    if (!ValidName(entry)) return ERROR_INVALID_NAME;
    if (!record) return ERROR_INVALID_PARAMETER;
    if (record->dwSize != sizeof(ras::Entry)) return ras::kErrorInvalidSize;
    if (record_size < record->dwSize) return ras::kErrorBufferTooSmall;
    std::string name = line::AnsiToUtf8(entry);
    if (!line::HasEntry(state, name)) state.entries.push_back(name);
    std::string raw(reinterpret_cast<const char*>(record), record->dwSize);
    auto stored = std::find_if(state.records.begin(), state.records.end(),
                               [&](const auto& item) { return item.first == name; });
    if (stored != state.records.end())
        stored->second = raw;
    else
        state.records.emplace_back(name, raw);
    return line::Save(state) ? 0 : ERROR_CANNOT_MAKE;
}

DWORD WINAPI RasSetCredentialsA(LPCSTR phonebook, LPCSTR entry, ras::Credentials* credentials, BOOL clear) {
    line::Lock lock;
    line::State state = line::Load();
    if (const line::Failure* failure = line::FindFailure(state, "RasSetCredentialsA")) return failure->code;
    if (OtherPhonebook(phonebook)) return ras::kErrorCannotOpenPhonebook;
    if (!ValidName(entry)) return ERROR_INVALID_NAME;
    if (!credentials) return ERROR_INVALID_PARAMETER;
    if (credentials->dwSize != sizeof(ras::Credentials)) return ras::kErrorInvalidSize;
    std::string name = line::AnsiToUtf8(entry);
    if (!line::HasEntry(state, name)) return ras::kErrorCannotFindPhonebookEntry;
    std::erase_if(state.credentials, [&](const line::StoredCredentials& c) { return c.entry == name; });
    if (!clear) {
        auto text = [](const char* field, std::size_t size) {
            return line::AnsiToUtf8(std::string_view(field, strnlen(field, size)));
        };
        state.credentials.push_back({name, credentials->dwMask,
                                     text(credentials->szUserName, sizeof credentials->szUserName),
                                     text(credentials->szPassword, sizeof credentials->szPassword),
                                     text(credentials->szDomain, sizeof credentials->szDomain)});
    }
    return line::Save(state) ? 0 : ERROR_CANNOT_MAKE;
}

}  // extern "C"
