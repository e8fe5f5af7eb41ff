// Stand-in for the platform's phonebook library: the functions the dialer calls, answering from the
// simulated line's state file (line_state.h). Record sizes are checked as the platform checks them and
// failures come back as the platform's return codes. As strict as the documentation: the default
// (all-users) phonebook takes writes only from an elevated caller, default credentials only for an
// all-users entry of an elevated caller, a book named by its path must exist as a file, and a connection
// is listed from the dial on, its status call telling whether it is up. The wide functions answer from
// the same state with the wide records. Connection notifications: see RasConnectionNotificationA.
#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <mutex>

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

enum class Book { AllUsers, User, Other };

std::wstring BookPath(int folder) {
    wchar_t base[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, base))) return {};
    return std::wstring(base) + L"\\Microsoft\\Network\\Connections\\Pbk\\rasphone.pbk";
}

bool SamePath(const std::wstring& given, const std::wstring& book) {
    if (book.empty()) return false;
    // The caller may name the folder by its short form.
    std::wstring folder = given.substr(0, given.find_last_of(L'\\') + 1);
    wchar_t long_form[MAX_PATH * 2] = {};
    DWORD length = GetLongPathNameW(folder.c_str(), long_form, MAX_PATH * 2);
    std::wstring full = length > 0 && length < MAX_PATH * 2
                            ? std::wstring(long_form, length) + given.substr(folder.size())
                            : given;
    return lstrcmpiW(full.c_str(), book.c_str()) == 0;
}

// The book a phonebook argument names: none is the default, which is the all-users book. The user's book
// named by its path exists once its file does (callers create it empty first).
Book BookOfPath(const std::wstring& given) {
    if (given.empty()) return Book::AllUsers;
    if (SamePath(given, BookPath(CSIDL_COMMON_APPDATA))) return Book::AllUsers;
    const std::wstring user = BookPath(CSIDL_APPDATA);
    if (SamePath(given, user) && GetFileAttributesW(given.c_str()) != INVALID_FILE_ATTRIBUTES)
        return Book::User;
    return Book::Other;
}

Book BookOf(LPCSTR phonebook) { return BookOfPath(phonebook ? AnsiToWide(phonebook) : std::wstring()); }

Book BookOf(LPCWSTR phonebook) { return BookOfPath(phonebook ? std::wstring(phonebook) : std::wstring()); }

std::vector<std::string>& EntriesOf(line::State& state, Book book) {
    return book == Book::User ? state.user_entries : state.entries;
}

bool Holds(const std::vector<std::string>& entries, const std::string& name) {
    for (const std::string& entry : entries)
        if (line::SameName(entry, name)) return true;
    return false;
}

std::vector<line::Device> DevicesOf(const line::State& state) {
    if (!state.devices.empty()) return state.devices;
    return {{"modem", "Standard Modem"}, {"PPPoE", "WAN 微型端口 (PPPOE)"}};
}

HANDLE HandleOf(const std::string& entry) {
    // Stable for the entry whatever else is listed, so a status call after the enumeration finds it.
    unsigned long hash = 2166136261u;
    std::wstring wide = Utf8ToWide(entry);
    CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    for (wchar_t c : wide) hash = (hash ^ c) * 16777619u;
    return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x51000000u | (hash & 0xFFFFFFu)));
}

// The entries an enumeration of `book` lists: no book named means both, the all-users one first.
std::vector<std::string> EntriesToList(const line::State& state, Book book, bool named) {
    std::vector<std::string> entries;
    if (book == Book::AllUsers) entries = state.entries;
    if (book == Book::User || !named)
        entries.insert(entries.end(), state.user_entries.begin(), state.user_entries.end());
    return entries;
}

// Copies text into a zero-filled wide field, cut to the field.
void FillNameW(WCHAR* field, std::size_t field_size, const std::string& utf8) {
    std::wstring wide = Utf8ToWide(utf8);
    std::memset(field, 0, field_size * sizeof(WCHAR));
    std::memcpy(field, wide.data(), std::min(wide.size(), field_size - 1) * sizeof(WCHAR));
}

template <std::size_t N>
std::string FieldText(const WCHAR (&field)[N]) {
    return WideToUtf8(std::wstring_view(field, wcsnlen(field, N)));
}

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return line::AnsiToUtf8(std::string_view(field, strnlen(field, N)));
}

bool ValidName(LPCWSTR name) { return name && *name && wcslen(name) <= ras::kMaxEntryName; }

std::string NameText(LPCSTR name) { return line::AnsiToUtf8(name); }
std::string NameText(LPCWSTR name) { return WideToUtf8(name); }

bool DeviceKnown(const line::State& state, const std::string& type, const std::string& name) {
    for (const line::Device& device : DevicesOf(state))
        if (device.name == name && lstrcmpiA(device.type.c_str(), type.c_str()) == 0) return true;
    return false;
}

void StoreRecord(line::State& state, const std::string& name, std::string raw) {
    auto stored = std::find_if(state.records.begin(), state.records.end(),
                               [&](const auto& item) { return item.first == name; });
    if (stored != state.records.end())
        stored->second = std::move(raw);
    else
        state.records.emplace_back(name, std::move(raw));
}

// The ANSI and wide forms of the calls that list entries and devices and tell an error's text: the same
// checks, the records and texts in the caller's width.
template <typename Char, std::size_t N>
void FillText(Char (&field)[N], const std::string& utf8) {
    if constexpr (sizeof(Char) == 1)
        FillName(field, N, line::Utf8ToAnsi(utf8));
    else
        FillNameW(field, N, utf8);
}

template <typename Char, typename Name>
DWORD EnumEntries(const char* function, const Char* reserved, const Char* phonebook, Name* names,
                  LPDWORD bytes, LPDWORD count, std::initializer_list<DWORD> sizes) {
    line::Lock lock;
    line::State state = line::Load();
    if (const line::Failure* failure = line::FindFailure(state, function)) return failure->code;
    if (reserved || !bytes || !count) return ERROR_INVALID_PARAMETER;
    const Book book = BookOf(phonebook);
    if (book == Book::Other) return ras::kErrorCannotOpenPhonebook;
    const std::vector<std::string> entries = EntriesToList(state, book, phonebook && *phonebook);
    // The legacy form and the form with flags and phonebook path (Windows 2000 and later).
    const DWORD record_size = names ? names->dwSize : sizeof(Name);
    if (names && !OneOf(record_size, sizes)) return ras::kErrorInvalidSize;
    const DWORD needed = record_size * static_cast<DWORD>(entries.size());
    *count = static_cast<DWORD>(entries.size());
    if (!names || *bytes < needed) {
        *bytes = needed;
        return needed == 0 ? 0 : ras::kErrorBufferTooSmall;
    }
    BYTE* base = reinterpret_cast<BYTE*>(names);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        auto* record = reinterpret_cast<Name*>(base + i * record_size);
        std::memset(record, 0, record_size);
        record->dwSize = record_size;
        FillText(record->szEntryName, entries[i]);
    }
    *bytes = needed;
    return 0;
}

template <typename Info>
DWORD EnumDevices(const char* function, Info* devices, LPDWORD bytes, LPDWORD count) {
    line::Lock lock;
    line::State state = line::Load();
    if (const line::Failure* failure = line::FindFailure(state, function)) return failure->code;
    if (!bytes || !count) return ERROR_INVALID_PARAMETER;
    if (devices && devices->dwSize != sizeof(Info)) return ras::kErrorInvalidSize;
    const std::vector<line::Device> listed = DevicesOf(state);
    const DWORD needed = static_cast<DWORD>(sizeof(Info) * listed.size());
    *count = static_cast<DWORD>(listed.size());
    if (!devices || *bytes < needed) {
        *bytes = needed;
        return ras::kErrorBufferTooSmall;
    }
    for (std::size_t i = 0; i < listed.size(); ++i) {
        std::memset(&devices[i], 0, sizeof devices[i]);
        devices[i].dwSize = sizeof(Info);
        FillText(devices[i].szDeviceType, listed[i].type);
        FillText(devices[i].szDeviceName, listed[i].name);
    }
    *bytes = needed;
    return 0;
}

template <typename Char>
DWORD GetErrorString(UINT code, Char* text, DWORD size) {
    line::Lock lock;
    line::State state = line::Load();
    if (!text || size == 0) return ERROR_INVALID_PARAMETER;
    for (const auto& [known, words] : state.error_texts) {
        if (known != code) continue;
        std::basic_string<Char> out;
        if constexpr (sizeof(Char) == 1)
            out = line::Utf8ToAnsi(words);
        else
            out = Utf8ToWide(words);
        if (out.size() >= size) return ras::kErrorBufferTooSmall;  // size counts characters
        std::memcpy(text, out.c_str(), (out.size() + 1) * sizeof(Char));
        return 0;
    }
    return ERROR_INVALID_PARAMETER;  // not a number the system knows
}

// The ANSI and wide forms of the two calls that write an entry: the same checks, in the platform's order.
template <typename Char, typename Record>
DWORD SetEntryProperties(const char* function, const Char* phonebook, const Char* entry, const Record* record,
                         DWORD record_size) {
    line::Lock lock;
    line::State state = line::Load();
    if (const line::Failure* failure = line::FindFailure(state, function)) return failure->code;
    const Book book = BookOf(phonebook);
    if (book == Book::Other) return ras::kErrorCannotOpenPhonebook;
    // Only an elevated administrator may change the all-users book.
    if (book == Book::AllUsers && !state.elevated) return ERROR_ACCESS_DENIED;
    if (!ValidName(entry)) return ERROR_INVALID_NAME;
    if (!record) return ERROR_INVALID_PARAMETER;
    // The forms every Windows since NT 4 knew (a later one takes the older ones), unless the state says
    // this system refuses one, as one older than the form would.
    if (!line::KnownEntrySize(record->dwSize, sizeof(Char)) || line::Refuses(state, function, record->dwSize))
        return ras::kErrorInvalidSize;
    if (record_size < record->dwSize) return ras::kErrorBufferTooSmall;
    // The device must be one the system has, under its type.
    if (!DeviceKnown(state, FieldText(record->szDeviceType), FieldText(record->szDeviceName)))
        return ERROR_INVALID_PARAMETER;
    const std::string name = NameText(entry);
    if (!Holds(EntriesOf(state, book), name)) EntriesOf(state, book).push_back(name);
    StoreRecord(state, name, std::string(reinterpret_cast<const char*>(record), record->dwSize));
    return line::Save(state) ? 0 : ERROR_CANNOT_MAKE;
}

// The two calls that read an entry back: the record stored for it, in the caller's form (a larger one
// zero-filled past the stored fields). An entry made elsewhere, without a stored record, asks for IPv4 and
// IPv6 and nothing more is told of it. The stand-in does not convert a record between the ANSI and wide
// forms: reading it with the other width is refused (ERROR_NOT_SUPPORTED).
template <typename Char, typename Record>
DWORD GetEntryProperties(const char* function, const Char* phonebook, const Char* entry, Record* record,
                         LPDWORD record_size) {
    line::Lock lock;
    const line::State state = line::Load();
    if (const line::Failure* failure = line::FindFailure(state, function)) return failure->code;
    const Book book = BookOf(phonebook);
    if (book == Book::Other) return ras::kErrorCannotOpenPhonebook;
    if (!record_size) return ERROR_INVALID_PARAMETER;
    if (record && !line::KnownEntrySize(record->dwSize, sizeof(Char))) return ras::kErrorInvalidSize;
    if (!ValidName(entry) || !Holds(book == Book::User ? state.user_entries : state.entries, NameText(entry)))
        return ras::kErrorCannotFindPhonebookEntry;
    // Without a record the caller asks the size of the system's newest form.
    const DWORD needed = record ? record->dwSize : sizeof(Char) == 1 ? 3480 : 6724;
    if (!record || *record_size < needed) {
        *record_size = needed;
        return ras::kErrorBufferTooSmall;
    }
    const std::string* stored = nullptr;
    for (const auto& [name, bytes] : state.records)
        if (line::SameName(name, NameText(entry))) stored = &bytes;
    if (stored && !line::KnownEntrySize(static_cast<unsigned long>(stored->size()), sizeof(Char)))
        return ERROR_NOT_SUPPORTED;
    std::memset(record, 0, needed);
    if (stored)
        std::memcpy(record, stored->data(), std::min<std::size_t>(needed, stored->size()));
    else
        record->dwfNetProtocols = ras::kNetProtocolIp | ras::kNetProtocolIpv6;
    record->dwSize = needed;
    *record_size = needed;
    return 0;
}

template <typename Char, typename Credentials>
DWORD SetCredentials(const char* function, const Char* phonebook, const Char* entry,
                     const Credentials* credentials, BOOL clear) {
    line::Lock lock;
    line::State state = line::Load();
    if (const line::Failure* failure = line::FindFailure(state, function)) return failure->code;
    const Book book = BookOf(phonebook);
    if (book == Book::Other) return ras::kErrorCannotOpenPhonebook;
    if (!ValidName(entry)) return ERROR_INVALID_NAME;
    if (!credentials) return ERROR_INVALID_PARAMETER;
    if (credentials->dwSize != sizeof(Credentials)) return ras::kErrorInvalidSize;
    const std::string name = NameText(entry);
    if (!Holds(EntriesOf(state, book), name)) return ras::kErrorCannotFindPhonebookEntry;
    // Default credentials belong to an all-users entry, and only an elevated administrator sets them.
    constexpr DWORD kDefaultCredentials = 0x8;
    if ((credentials->dwMask & kDefaultCredentials) && (book == Book::User || !state.elevated))
        return ERROR_ACCESS_DENIED;
    std::erase_if(state.credentials,
                  [&](const line::StoredCredentials& c) { return line::SameName(c.entry, name); });
    if (!clear)
        state.credentials.push_back({name, credentials->dwMask, FieldText(credentials->szUserName),
                                     FieldText(credentials->szPassword), FieldText(credentials->szDomain)});
    return line::Save(state) ? 0 : ERROR_CANNOT_MAKE;
}

// ---- connection notifications ------------------------------------------------------------------------
// The platform signals registered events from its own service; here one thread per process that asked
// does: it owns a change-signal slot (line_state.h), wakes on any write of the state and at the next
// change the state predicts from the clock, compares the listed connections with what it saw before,
// and signals the events registered for what changed. Idle while nothing happens.

struct Registration {
    HANDLE event;  // our own duplicate: the caller may close theirs
    HANDLE connection;
    DWORD flags;
};

std::mutex g_watch_lock;
std::vector<Registration> g_registrations;
HANDLE g_changed = nullptr;  // this process's slot

struct Snapshot {
    std::vector<line::Listed> listed;
    long long next_change_ms = 0;
};

Snapshot TakeSnapshot() {
    line::Lock lock;
    line::State state = line::Load();
    const long long now = line::NowMs();
    return {line::ListedConnections(state, now), line::NextChangeMs(state, now)};
}

const line::Listed* FindListed(const std::vector<line::Listed>& listed, const std::string& entry) {
    for (const line::Listed& l : listed)
        if (line::SameName(l.entry, entry)) return &l;
    return nullptr;
}

void Notify(const line::Listed& connection, DWORD what) {
    std::lock_guard<std::mutex> guard(g_watch_lock);
    for (const Registration& r : g_registrations)
        if ((r.flags & what) &&
            (r.connection == INVALID_HANDLE_VALUE || r.connection == HandleOf(connection.entry)))
            SetEvent(r.event);
}

DWORD WINAPI WatchLine(void*) {
    Snapshot before = TakeSnapshot();
    for (;;) {
        DWORD timeout = INFINITE;
        if (before.next_change_ms != 0) {
            const long long due = before.next_change_ms - line::NowMs();
            timeout = due <= 0 ? 0 : static_cast<DWORD>(std::min<long long>(due + 5, 0x7FFFFFFF));
        }
        WaitForSingleObject(g_changed, timeout);
        Snapshot after = TakeSnapshot();
        for (const line::Listed& was : before.listed) {
            const line::Listed* now = FindListed(after.listed, was.entry);
            // A connection ends when it stops being up (a drop, the start of a hang-up), when a dial goes
            // without coming up, and when the system releases a closing one.
            const bool ended =
                was.state == line::kStateConnected ? (!now || now->state != line::kStateConnected) : !now;
            if (ended) Notify(was, ras::kNotifyDisconnection);
        }
        for (const line::Listed& now : after.listed) {
            const line::Listed* was = FindListed(before.listed, now.entry);
            if (now.state == line::kStateConnected && (!was || was->state != line::kStateConnected))
                Notify(now, ras::kNotifyConnection);
        }
        before = std::move(after);
    }
}

// Claims a change-signal slot and starts the watching thread, once per process.
DWORD StartWatching() {
    if (g_changed) return 0;
    for (int slot = 0; slot < line::kWatchSlots && !g_changed; ++slot) {
        HANDLE event = CreateEventW(nullptr, FALSE, FALSE, line::WatchEventName(slot).c_str());
        const DWORD error = GetLastError();
        if (!event) continue;
        if (error == ERROR_ALREADY_EXISTS) {
            CloseHandle(event);
            continue;
        }
        g_changed = event;
    }
    if (!g_changed) return ERROR_NOT_ENOUGH_MEMORY;
    // The thread outlives any FreeLibrary of the caller: keep the library loaded.
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&WatchLine), &self);
    HANDLE thread = CreateThread(nullptr, 0, WatchLine, nullptr, 0, nullptr);
    if (!thread) {
        CloseHandle(g_changed);
        g_changed = nullptr;
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    CloseHandle(thread);
    return 0;
}

DWORD ConnectionNotification(const char* function, HANDLE connection, HANDLE event, DWORD flags) {
    {
        line::Lock lock;
        line::State state = line::Load();
        if (const line::Failure* failure = line::FindFailure(state, function)) return failure->code;
        if (!event || flags == 0) return ERROR_INVALID_PARAMETER;
        if (connection != INVALID_HANDLE_VALUE) {
            bool known = false;
            for (const line::Listed& listed : line::ListedConnections(state))
                known = known || HandleOf(listed.entry) == connection;
            if (!known) return ras::kErrorInvalidHandle;
        }
    }
    HANDLE own = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &own, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return ras::kErrorInvalidHandle;
    std::lock_guard<std::mutex> guard(g_watch_lock);
    const DWORD started = StartWatching();
    if (started != 0) {
        CloseHandle(own);
        return started;
    }
    g_registrations.push_back({own, connection, flags});
    return 0;
}

// ---- what a connection negotiated ---------------------------------------------------------------------
// The projection calls answer for a connection that is up: while it dials the system has nothing to say
// yet (730); a protocol the entry did not ask for was never negotiated (731); one the server rejected is
// told in the record's error field, the call itself succeeding.

// The listed connection of `handle`, or null.
const line::Listed* ListedOf(const std::vector<line::Listed>& listed, HANDLE handle) {
    for (const line::Listed& l : listed)
        if (HandleOf(l.entry) == handle) return &l;
    return nullptr;
}

// The server's end of every line: the provider's access concentrator.
constexpr BYTE kServerIpv4[4] = {100, 64, 0, 1};
constexpr BYTE kServerInterfaceId[8] = {0x02, 0x00, 0x5E, 0xFF, 0xFE, 0x00, 0x00, 0x01};

}  // namespace

extern "C" {

DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR phonebook, ras::EntryName* names, LPDWORD bytes,
                             LPDWORD count) {
    return EnumEntries("RasEnumEntriesA", reserved, phonebook, names, bytes, count, {264, 532});
}

DWORD WINAPI RasEnumEntriesW(LPCWSTR reserved, LPCWSTR phonebook, ras::EntryNameW* names, LPDWORD bytes,
                             LPDWORD count) {
    return EnumEntries("RasEnumEntriesW", reserved, phonebook, names, bytes, count, {520, 1048});
}

DWORD WINAPI RasEnumDevicesA(ras::DeviceInfo* devices, LPDWORD bytes, LPDWORD count) {
    return EnumDevices("RasEnumDevicesA", devices, bytes, count);
}

DWORD WINAPI RasEnumDevicesW(ras::DeviceInfoW* devices, LPDWORD bytes, LPDWORD count) {
    return EnumDevices("RasEnumDevicesW", devices, bytes, count);
}

DWORD WINAPI RasGetErrorStringA(UINT code, LPSTR text, DWORD size) {
    return GetErrorString(code, text, size);
}

DWORD WINAPI RasGetErrorStringW(UINT code, LPWSTR text, DWORD size) {
    return GetErrorString(code, text, size);
}

DWORD WINAPI RasEnumConnectionsA(ras::Connection* connections, LPDWORD bytes, LPDWORD count) {
    line::Lock lock;
    line::State state = line::Load();
    if (const line::Failure* failure = line::FindFailure(state, "RasEnumConnectionsA")) return failure->code;
    if (!bytes || !count) return ERROR_INVALID_PARAMETER;
    // Dialling, connected and closing connections alike: only the status call tells them apart.
    std::vector<line::Listed> connected = line::ListedConnections(state);
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
        record->hrasconn = HandleOf(connected[i].entry);
        FillName(record->szEntryName, sizeof record->szEntryName, line::Utf8ToAnsi(connected[i].entry));
        FillName(record->szDeviceType, sizeof record->szDeviceType, "PPPoE");
        FillName(record->szDeviceName, sizeof record->szDeviceName, device_name);
    }
    *bytes = needed;
    *count = static_cast<DWORD>(connected.size());
    return 0;
}

DWORD WINAPI RasGetConnectStatusA(HANDLE connection, ras::ConnectionStatus* status) {
    line::Lock lock;
    line::State state = line::Load();
    if (const line::Failure* failure = line::FindFailure(state, "RasGetConnectStatusA")) return failure->code;
    if (!status) return ERROR_INVALID_PARAMETER;
    // The legacy form, then the forms with the phone number and with the tunnel end points.
    if (!OneOf(status->dwSize, {160, 288, 332}) ||
        line::Refuses(state, "RasGetConnectStatusA", status->dwSize))
        return ras::kErrorInvalidSize;
    for (const line::Listed& listed : line::ListedConnections(state)) {
        if (HandleOf(listed.entry) != connection) continue;
        const DWORD size = status->dwSize;
        std::memset(status, 0, size);
        status->dwSize = size;
        status->rasconnstate = listed.state;
        FillName(status->szDeviceType, sizeof status->szDeviceType, "PPPoE");
        FillName(status->szDeviceName, sizeof status->szDeviceName, line::Utf8ToAnsi("WAN 微型端口 (PPPOE)"));
        return 0;
    }
    return ras::kErrorInvalidHandle;  // the connection has gone
}

DWORD WINAPI RasSetEntryPropertiesA(LPCSTR phonebook, LPCSTR entry, ras::Entry* record, DWORD record_size,
                                    LPBYTE /*device_info*/, DWORD /*device_info_size*/) {
    return SetEntryProperties("RasSetEntryPropertiesA", phonebook, entry, record, record_size);
}

DWORD WINAPI RasSetEntryPropertiesW(LPCWSTR phonebook, LPCWSTR entry, ras::EntryW* record, DWORD record_size,
                                    LPBYTE /*device_info*/, DWORD /*device_info_size*/) {
    return SetEntryProperties("RasSetEntryPropertiesW", phonebook, entry, record, record_size);
}

DWORD WINAPI RasGetEntryPropertiesA(LPCSTR phonebook, LPCSTR entry, ras::Entry* record, LPDWORD record_size,
                                    LPBYTE /*device_info*/, LPDWORD /*device_info_size*/) {
    return GetEntryProperties("RasGetEntryPropertiesA", phonebook, entry, record, record_size);
}

DWORD WINAPI RasGetEntryPropertiesW(LPCWSTR phonebook, LPCWSTR entry, ras::EntryW* record,
                                    LPDWORD record_size, LPBYTE /*device_info*/,
                                    LPDWORD /*device_info_size*/) {
    return GetEntryProperties("RasGetEntryPropertiesW", phonebook, entry, record, record_size);
}

DWORD WINAPI RasSetCredentialsA(LPCSTR phonebook, LPCSTR entry, ras::Credentials* credentials, BOOL clear) {
    return SetCredentials("RasSetCredentialsA", phonebook, entry, credentials, clear);
}

DWORD WINAPI RasSetCredentialsW(LPCWSTR phonebook, LPCWSTR entry, ras::CredentialsW* credentials,
                                BOOL clear) {
    return SetCredentials("RasSetCredentialsW", phonebook, entry, credentials, clear);
}

DWORD WINAPI RasGetConnectionStatistics(HANDLE connection, ras::Statistics* statistics) {
    line::Lock lock;
    line::State state = line::Load();
    if (const line::Failure* failure = line::FindFailure(state, "RasGetConnectionStatistics"))
        return failure->code;
    if (!statistics) return ERROR_INVALID_PARAMETER;
    if (statistics->dwSize != sizeof(ras::Statistics) ||
        line::Refuses(state, "RasGetConnectionStatistics", statistics->dwSize))
        return ras::kErrorInvalidSize;
    const long long now = line::NowMs();
    for (const line::Listed& listed : line::ListedConnections(state, now)) {
        if (HandleOf(listed.entry) != connection) continue;
        std::memset(statistics, 0, sizeof *statistics);
        statistics->dwSize = sizeof *statistics;
        if (listed.state == line::kStateConnected) {
            // 32-bit counters: they wrap at 4 GiB, as the platform's do.
            statistics->dwBytesRcved = static_cast<DWORD>(line::ReceivedBytes(state, listed.entry, now));
            statistics->dwBytesXmited = static_cast<DWORD>(line::AddressesOf(state, listed.entry).sent);
            const long long since = line::UpSinceMs(state, listed.entry, now);
            if (since > 0 && now > since) statistics->dwConnectDuration = static_cast<DWORD>(now - since);
        }
        return 0;
    }
    return ras::kErrorInvalidHandle;
}

DWORD WINAPI RasGetProjectionInfoA(HANDLE connection, DWORD projection, LPVOID record, LPDWORD size) {
    line::Lock lock;
    line::State state = line::Load();
    if (const line::Failure* failure = line::FindFailure(state, "RasGetProjectionInfoA"))
        return failure->code;
    if (!record || !size) return ERROR_INVALID_PARAMETER;
    const std::vector<line::Listed> listed = line::ListedConnections(state);
    const line::Listed* found = ListedOf(listed, connection);
    if (!found) return ras::kErrorInvalidHandle;
    // The caller names the record's form by its first member.
    const DWORD record_size = *static_cast<const DWORD*>(record);
    if (projection == ras::kProjectionPppIp) {
        // The Windows NT 3.5, NT 4 and 2000 forms.
        if (!OneOf(record_size, {24, 40, 48})) return ras::kErrorInvalidSize;
    } else if (projection == ras::kProjectionPppIpv6) {
        if (record_size != sizeof(ras::PppIpv6)) return ras::kErrorInvalidSize;
    } else {
        return ERROR_INVALID_PARAMETER;  // a projection the stand-in does not know
    }
    if (*size < record_size) {
        *size = record_size;
        return ras::kErrorBufferTooSmall;
    }
    if (found->state != line::kStateConnected) return ras::kErrorProjectionNotComplete;
    const line::Addresses addresses = line::AddressesOf(state, found->entry);
    std::memset(record, 0, record_size);
    *static_cast<DWORD*>(record) = record_size;
    if (projection == ras::kProjectionPppIp) {
        // Laid out as the largest form; a smaller one holds its leading fields.
        ras::PppIp ip{};
        BYTE bytes[4];
        if (addresses.ipv4 != "refused" && line::DottedBytes(addresses.ipv4, bytes)) {
            std::snprintf(ip.szIpAddress, sizeof ip.szIpAddress, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2],
                          bytes[3]);
            std::snprintf(ip.szServerIpAddress, sizeof ip.szServerIpAddress, "%u.%u.%u.%u", kServerIpv4[0],
                          kServerIpv4[1], kServerIpv4[2], kServerIpv4[3]);
        } else {
            ip.dwError = ras::kErrorControlProtocolRejected;
        }
        std::memcpy(static_cast<BYTE*>(record) + 4, reinterpret_cast<BYTE*>(&ip) + 4, record_size - 4);
    } else {
        if (!(line::NetProtocolsOf(state, found->entry) & ras::kNetProtocolIpv6))
            return ras::kErrorProtocolNotConfigured;
        auto* ipv6 = static_cast<ras::PppIpv6*>(record);
        if (line::InterfaceId(addresses.ipv6, ipv6->bLocalInterfaceIdentifier))
            std::memcpy(ipv6->bPeerInterfaceIdentifier, kServerInterfaceId, 8);
        else
            ipv6->dwError = ras::kErrorControlProtocolRejected;
    }
    *size = record_size;
    return 0;
}

// Windows 7 on: every protocol in one record.
DWORD WINAPI RasGetProjectionInfoEx(HANDLE connection, ras::ProjectionInfo* info, LPDWORD size) {
    line::Lock lock;
    line::State state = line::Load();
    if (const line::Failure* failure = line::FindFailure(state, "RasGetProjectionInfoEx"))
        return failure->code;
    if (!size) return ERROR_INVALID_PARAMETER;
    const std::vector<line::Listed> listed = line::ListedConnections(state);
    const line::Listed* found = ListedOf(listed, connection);
    if (!found) return ras::kErrorInvalidHandle;
    if (!info || *size < sizeof(ras::ProjectionInfo)) {
        *size = sizeof(ras::ProjectionInfo);
        return ras::kErrorBufferTooSmall;
    }
    // RASAPIVERSION_500 to _601.
    if (info->version < 1 || info->version > 4) return ERROR_INVALID_PARAMETER;
    if (found->state != line::kStateConnected) return ras::kErrorProjectionNotComplete;
    const line::Addresses addresses = line::AddressesOf(state, found->entry);
    const DWORD version = info->version;
    std::memset(info, 0, sizeof *info);
    info->version = version;
    info->type = ras::kProjectionTypePpp;
    ras::PppProjection& ppp = info->ppp;
    if (addresses.ipv4 == "refused" || !line::DottedBytes(addresses.ipv4, ppp.ipv4Address)) {
        ppp.dwIPv4NegotiationError = ras::kErrorControlProtocolRejected;
        std::memset(ppp.ipv4Address, 0, 4);
    } else {
        std::memcpy(ppp.ipv4ServerAddress, kServerIpv4, 4);
    }
    if (!(line::NetProtocolsOf(state, found->entry) & ras::kNetProtocolIpv6))
        ppp.dwIPv6NegotiationError = ras::kErrorProtocolNotConfigured;
    else if (line::InterfaceId(addresses.ipv6, ppp.bInterfaceIdentifier))
        std::memcpy(ppp.bServerInterfaceIdentifier, kServerInterfaceId, 8);
    else
        ppp.dwIPv6NegotiationError = ras::kErrorControlProtocolRejected;
    *size = sizeof(ras::ProjectionInfo);
    return 0;
}

// Signals `event` (any auto- or manual-reset event) when a connection ends (flags kNotifyDisconnection)
// or comes up (kNotifyConnection): the connection `connection` only, or any with INVALID_HANDLE_VALUE.
// The registration lasts as long as the process, as the platform offers no way to end one.
DWORD WINAPI RasConnectionNotificationA(HANDLE connection, HANDLE event, DWORD flags) {
    return ConnectionNotification("RasConnectionNotificationA", connection, event, flags);
}

}  // extern "C"
