#include "services/connection.h"

#include <cstring>
#include <memory>
#include <string>

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

bool StartHidden(const std::wstring& tool, const std::string& command_line_utf8) {
    std::wstring command_line = Utf8ToWide(command_line_utf8);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    // The command line buffer must be writable for CreateProcessW.
    BOOL started = CreateProcessW(tool.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &process);
    SecureZeroMemory(command_line.data(), command_line.size() * sizeof(wchar_t));
    if (!started) return false;
    // Never waited for: the outcome is learnt by asking whether the entry is connected.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace

bool IsEntryConnected(std::string_view name) {
    const ras::Api& api = ras::LoadApi();
    if (!api.enum_connections) return false;
    char image[ras::kMaxEntryName + 1] = {};
    std::string ansi = WideToAnsi(Utf8ToWide(name));
    if (ansi.size() > ras::kMaxEntryName) return false;
    std::memcpy(image, ansi.data(), ansi.size());

    auto connections = std::make_unique<ras::Connection[]>(ras::kMaxRecords);  // zeroed
    connections[0].dwSize = sizeof(ras::Connection);
    DWORD bytes = sizeof(ras::Connection) * ras::kMaxRecords;
    DWORD count = 0;
    if (api.enum_connections(connections.get(), &bytes, &count) != 0) return false;
    if (count > ras::kMaxRecords) count = ras::kMaxRecords;
    for (DWORD i = 0; i < count; ++i) {
        // All 257 bytes: the name and the zero fill after it, as the platform leaves the field.
        if (std::memcmp(connections[i].szEntryName, image, sizeof image) == 0) return true;
    }
    return false;
}

bool LaunchDial(std::string_view account, std::string_view password) {
    std::wstring tool = DialToolPath();
    if (tool.empty()) return false;
    std::string command_line = DialCommandLine(WideToUtf8(tool), kEntryName, account, password);
    bool started = StartHidden(tool, command_line);
    SecureZeroMemory(command_line.data(), command_line.size());
    return started;
}

bool LaunchHangUp() {
    std::wstring tool = DialToolPath();
    if (tool.empty()) return false;
    return StartHidden(tool, HangUpCommandLine(WideToUtf8(tool), kEntryName));
}

}  // namespace vt
