#include "services/connection.h"

#include <cstring>
#include <memory>
#include <string>

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
    BOOL started = CreateProcessW(tool.c_str(), command_line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                  nullptr, nullptr, &startup, &process);
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

}  // namespace

bool IsEntryConnected(std::string_view name) {
    const ras::Api& api = ras::LoadApi();
    if (!api.enum_connections || !api.get_connect_status) return false;
    const std::wstring wanted = Utf8ToWide(name);
    if (wanted.empty() || WideToAnsi(wanted).size() > ras::kMaxEntryName) return false;

    auto connections = std::make_unique<ras::Connection[]>(ras::kMaxRecords);  // zeroed
    connections[0].dwSize = sizeof(ras::Connection);
    DWORD bytes = sizeof(ras::Connection) * ras::kMaxRecords;
    DWORD count = 0;
    if (api.enum_connections(connections.get(), &bytes, &count) != 0) return false;
    if (count > ras::kMaxRecords) count = ras::kMaxRecords;
    for (DWORD i = 0; i < count; ++i) {
        if (!Matches(connections[i].szEntryName, sizeof connections[i].szEntryName, wanted)) continue;
        // A connection is listed while it dials, fails or closes: only its state says it is up.
        ras::ConnectionStatus status{};
        status.dwSize = sizeof status;
        if (api.get_connect_status(connections[i].hrasconn, &status) == 0 &&
            status.rasconnstate == ras::kStateConnected)
            return true;
    }
    return false;
}

bool LaunchDial(std::string_view account, std::string_view password) {
    RunOf(ToolJob::Dial).reset();
    std::wstring tool = DialToolPath();
    if (tool.empty()) return false;
    std::string command_line = DialCommandLine(WideToUtf8(tool), kEntryName, account, password);
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
    if (!api.get_error_string) return {};
    char text[512] = {};
    if (api.get_error_string(static_cast<UINT>(code), text, sizeof text) != 0) return {};
    std::string ansi(text, strnlen(text, sizeof text));
    while (!ansi.empty() && static_cast<unsigned char>(ansi.back()) <= ' ') ansi.pop_back();
    return WideToUtf8(AnsiToWide(ansi));
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
