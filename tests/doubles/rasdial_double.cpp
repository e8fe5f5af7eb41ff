// Stand-in for the platform's dial tool. Records every start in the dial log (line_state.h), then dials,
// hangs up or lists connections on the simulated line, and ends at once: whether a dial connects is
// worked out later from the clock by whoever reads the state.
//   rasdial                              lists the connected entries
//   rasdial <entry> [user [password]]    dials
//   rasdial <entry> /disconnect | /d     hangs up (any argument after the entry may carry the option)
#include <windows.h>

#include <cstdio>

#include "tests/doubles/line_state.h"

namespace {

using namespace vt;

bool IsDisconnectOption(const std::string& arg) {
    return lstrcmpiA(arg.c_str(), "/disconnect") == 0 || lstrcmpiA(arg.c_str(), "/d") == 0;
}

void RecordStart(const std::vector<std::string>& args) {
    line::DialStart start;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    start.show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    wchar_t self[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    start.exe = line::WideToUtf8(std::wstring_view(self, length < MAX_PATH ? length : 0));
    start.args = args;
    line::Lock lock;
    line::WriteWholeFile(line::DialLogPath(), line::FormatDialStart(start), true);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(line::WideToUtf8(argv[i]));
    RecordStart(args);

    line::Lock lock;
    line::State state = line::Load();
    if (args.empty()) {
        std::vector<std::string> connected = line::ConnectedEntries(state);
        if (connected.empty()) std::printf("No connections\n");
        for (const std::string& name : connected) std::printf("%s\n", line::Utf8ToAnsi(name).c_str());
        std::printf("Command completed successfully.\n");
        return 0;
    }
    const std::string& entry = args[0];
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (IsDisconnectOption(args[i])) {
            line::HangUp(state, entry);
            line::Save(state);
            std::printf("Command completed successfully.\n");
            return 0;
        }
    }
    if (!line::HasEntry(state, entry)) {
        std::printf("Remote Access error 623\n");
        return 623;
    }
    for (const std::string& name : line::ConnectedEntries(state)) {
        if (name == entry) {
            std::printf("You are already connected to %s.\n", line::Utf8ToAnsi(entry).c_str());
            return 0;
        }
    }
    std::string user = args.size() > 1 ? args[1] : std::string();
    std::string password = args.size() > 2 ? args[2] : std::string();
    bool accepted = state.accepted.empty();
    for (const auto& [good_user, good_password] : state.accepted)
        accepted = accepted || (good_user == user && good_password == password);
    if (state.dial.mode == line::DialMode::Fail || !accepted) {
        std::printf("Remote Access error 691\n");
        return 691;
    }
    line::HangUp(state, entry);  // a new attempt replaces an earlier one that is not up
    state.attempts.push_back({entry, line::NowMs(), state.dial});
    line::Save(state);
    if (state.dial.mode == line::DialMode::Never) {
        std::printf("Remote Access error 678\n");
        return 678;
    }
    std::printf("Command completed successfully.\n");
    return 0;
}
