#include "services/connection.h"

#include <shlobj.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/handles.h"
#include "base/text.h"
#include "services/dial_command.h"
#include "services/phonebook.h"
#include "services/ras_records.h"

namespace vt {
namespace {

// The platform's own tool by its full path: a bare name would be searched for in the program's folder and
// the current folder first, and a stray file there would be run and handed the password.
std::wstring DialToolPath() {
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::wstring path(folder, length);
    if (path.back() != L'\\') path += L'\\';
    return path + L"rasdial.exe";
}

// The last run of each job. Only the handle is kept (nothing waits on it): the dial watch reads the
// exit code, and a dial after a hang-up starts once the hang-up's run has ended.
UniqueKernelHandle g_runs[2];

UniqueKernelHandle& RunOf(ToolJob job) { return g_runs[job == ToolJob::Dial ? 0 : 1]; }

UniqueKernelHandle StartHidden(const std::wstring& tool, const std::string& command_line_utf8) {
    std::wstring command_line = Utf8ToWide(command_line_utf8);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    // No console at all: a hidden console could still be handed to a default terminal that shows it.
    // The command line buffer must be writable for CreateProcessW.
    BOOL started = CreateProcessW(tool.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                                  CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    SecureZeroMemory(command_line.data(), command_line.size() * sizeof(wchar_t));
    if (!started) return {};
    CloseHandle(process.hThread);
    // Never waited for: the watch ticks read how the run ended.
    return UniqueKernelHandle(process.hProcess);
}

bool Matches(const char* field, std::size_t size, const std::wstring& wanted) {
    std::wstring listed = AnsiToWide(std::string_view(field, strnlen(field, size)));
    return !listed.empty() && EqualIgnoringCase(listed, wanted);
}

// The connections the system lists; false when it will not say.
bool ListConnections(const ras::Api& api, std::unique_ptr<ras::Connection[]>& connections, DWORD& count) {
    count = 0;
    if (!api.enum_connections || !api.get_connect_status) return false;
    connections = std::make_unique<ras::Connection[]>(ras::kMaxRecords);  // zeroed
    connections[0].dwSize = sizeof(ras::Connection);
    DWORD bytes = sizeof(ras::Connection) * ras::kMaxRecords;
    if (api.enum_connections(connections.get(), &bytes, &count) != 0) return false;
    if (count > ras::kMaxRecords) count = ras::kMaxRecords;
    return true;
}

// The status call's return code, with the connection's state in `state`. The oldest record is asked
// first; a system that refuses it (632) is asked with the next form, which is then kept for later calls.
DWORD ConnectionState(const ras::Api& api, HANDLE connection, DWORD& state) {
    static DWORD record_size = sizeof(ras::ConnectionStatus);
    for (int round = 0; round < 2; ++round) {
        ras::ConnectionStatusXp status{};  // room for either form
        status.dwSize = record_size;
        const DWORD result =
            api.get_connect_status(connection, reinterpret_cast<ras::ConnectionStatus*>(&status));
        if (result == ras::kErrorInvalidSize && round == 0 && record_size == sizeof(ras::ConnectionStatus)) {
            record_size = sizeof(ras::ConnectionStatusXp);
            continue;
        }
        state = status.rasconnstate;
        return result;
    }
    return ras::kErrorInvalidSize;
}

// The connection last found up, and its entry. The supervision reads the counters right after it asked
// whether the entry is connected: asking that connection directly spares the second enumeration and
// status call of every tick.
struct LastUp {
    std::wstring entry;
    HANDLE connection = nullptr;
};
LastUp& LastFoundUp() {
    static LastUp last;
    return last;
}

// The entry's connection that is up, or null.
HANDLE ConnectedHandle(std::string_view name) {
    const ras::Api& api = ras::LoadApi();
    const std::wstring wanted = Utf8ToWide(name);
    if (wanted.empty() || WideToAnsi(wanted).size() > ras::kMaxEntryName) return nullptr;
    std::unique_ptr<ras::Connection[]> connections;
    DWORD count = 0;
    if (!ListConnections(api, connections, count)) return nullptr;
    for (DWORD i = 0; i < count; ++i) {
        if (!Matches(connections[i].szEntryName, sizeof connections[i].szEntryName, wanted)) continue;
        // A connection is listed while it dials, fails or closes: only its state says it is up.
        DWORD state = 0;
        if (ConnectionState(api, connections[i].hrasconn, state) == 0 && state == ras::kStateConnected) {
            LastFoundUp() = {wanted, connections[i].hrasconn};
            return connections[i].hrasconn;
        }
    }
    return nullptr;
}

std::wstring PhonebookPath(int folder_id) {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, folder_id, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
    return std::wstring(folder) + L"\\Microsoft\\Network\\Connections\\Pbk\\rasphone.pbk";
}

// Whether the book at `path` holds the entry; a book that cannot be read holds nothing.
bool BookHolds(const ras::Api& api, const std::wstring& path, const std::wstring& wanted) {
    if (path.empty()) return false;
    auto names = std::make_unique<ras::EntryNameW[]>(ras::kMaxRecords);  // zeroed
    names[0].dwSize = sizeof(ras::EntryNameW);
    DWORD bytes = sizeof(ras::EntryNameW) * ras::kMaxRecords;
    DWORD count = 0;
    if (api.enum_entries_w(nullptr, path.c_str(), names.get(), &bytes, &count) != 0) return false;
    for (DWORD i = 0; i < count && i < ras::kMaxRecords; ++i) {
        std::wstring listed(names[i].szEntryName, wcsnlen(names[i].szEntryName, ras::kMaxEntryName + 1));
        if (!listed.empty() && EqualIgnoringCase(listed, wanted)) return true;
    }
    return false;
}

// The current user's book when the entry lives there and not in the all-users one (the tool is then
// told which book to use instead of searching both); empty otherwise.
std::wstring UserBookOfEntry(std::string_view entry) {
    const ras::Api& api = ras::LoadApi();
    if (!api.enum_entries_w) return {};
    const std::wstring wanted = Utf8ToWide(entry);
    const std::wstring user = PhonebookPath(CSIDL_APPDATA);
    if (!BookHolds(api, user, wanted) || BookHolds(api, PhonebookPath(CSIDL_COMMON_APPDATA), wanted))
        return {};
    return user;
}

}  // namespace

bool IsEntryConnected(std::string_view name) { return ConnectedHandle(name) != nullptr; }

bool IsEntryListed(std::string_view name) {
    const ras::Api& api = ras::LoadApi();
    const std::wstring wanted = Utf8ToWide(name);
    if (wanted.empty()) return false;
    std::unique_ptr<ras::Connection[]> connections;
    DWORD count = 0;
    if (!ListConnections(api, connections, count)) return false;
    for (DWORD i = 0; i < count; ++i) {
        if (!Matches(connections[i].szEntryName, sizeof connections[i].szEntryName, wanted)) continue;
        // Only "invalid handle" says the system is done with it; any other answer means it still is not.
        DWORD state = 0;
        if (ConnectionState(api, connections[i].hrasconn, state) != ras::kErrorInvalidHandle) return true;
    }
    return false;
}

bool OtherBroadbandConnected(std::string_view name) {
    const ras::Api& api = ras::LoadApi();
    const std::wstring own = Utf8ToWide(name);
    std::unique_ptr<ras::Connection[]> connections;
    DWORD count = 0;
    if (!ListConnections(api, connections, count)) return false;
    for (DWORD i = 0; i < count; ++i) {
        const ras::Connection& connection = connections[i];
        if (Matches(connection.szEntryName, sizeof connection.szEntryName, own)) continue;
        std::string type(connection.szDeviceType,
                         strnlen(connection.szDeviceType, sizeof connection.szDeviceType));
        if (lstrcmpiA(type.c_str(), "PPPoE") != 0) continue;
        DWORD state = 0;
        if (ConnectionState(api, connection.hrasconn, state) == 0 && state == ras::kStateConnected)
            return true;
    }
    return false;
}

std::optional<unsigned long> BytesReceived(std::string_view name) {
    const ras::Api& api = ras::LoadApi();
    if (!api.get_connection_statistics) return std::nullopt;
    auto received = [&](HANDLE connection, DWORD& result) -> unsigned long {
        ras::Statistics statistics{};
        statistics.dwSize = sizeof statistics;
        result = api.get_connection_statistics(connection, &statistics);
        return statistics.dwBytesRcved;
    };
    DWORD result = 0;
    // The connection found up last is asked first; one that does not answer (it has ended since) sends
    // the call back to the enumeration. A new connection of the entry has a handle of its own.
    const LastUp last = LastFoundUp();
    if (last.connection && last.entry == Utf8ToWide(name)) {
        const unsigned long bytes = received(last.connection, result);
        if (result == 0) return bytes;
    }
    HANDLE connection = ConnectedHandle(name);
    if (!connection) return std::nullopt;
    const unsigned long bytes = received(connection, result);
    if (result != 0) return std::nullopt;
    return bytes;
}

bool LaunchDial(std::string_view account, std::string_view password) {
    RunOf(ToolJob::Dial).reset();
    std::wstring tool = DialToolPath();
    if (tool.empty()) return false;
    std::string command_line = DialCommandLine(WideToUtf8(tool), kEntryName, account, password,
                                               WideToUtf8(UserBookOfEntry(kEntryName)));
    RunOf(ToolJob::Dial) = StartHidden(tool, command_line);
    SecureZeroMemory(command_line.data(), command_line.size());
    return static_cast<bool>(RunOf(ToolJob::Dial));
}

bool LaunchHangUp() {
    RunOf(ToolJob::HangUp).reset();
    std::wstring tool = DialToolPath();
    if (tool.empty()) return false;
    RunOf(ToolJob::HangUp) = StartHidden(tool, HangUpCommandLine(WideToUtf8(tool), kEntryName));
    return static_cast<bool>(RunOf(ToolJob::HangUp));
}

std::string DialErrorText(unsigned long code) {
    const ras::Api& api = ras::LoadApi();
    if (!api.get_error_string_w) return {};
    wchar_t text[512] = {};
    if (api.get_error_string_w(static_cast<UINT>(code), text, ARRAYSIZE(text)) != 0) return {};
    std::wstring words(text, wcsnlen(text, ARRAYSIZE(text)));
    while (!words.empty() && words.back() <= L' ') words.pop_back();
    return WideToUtf8(words);
}

ToolRun LastToolRun(ToolJob job) {
    const UniqueKernelHandle& process = RunOf(job);
    if (!process) return {};
    // A zero time-out only asks: a tool that ended with 259 (STILL_ACTIVE) is told apart this way.
    const DWORD signalled = WaitForSingleObject(process.get(), 0);
    if (signalled == WAIT_TIMEOUT) return {ToolRun::State::Running, 0};
    DWORD code = 0;
    if (signalled != WAIT_OBJECT_0 || !GetExitCodeProcess(process.get(), &code)) return {};
    return {ToolRun::State::Ended, code};
}

}  // namespace vt
