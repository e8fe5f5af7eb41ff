// Stand-in for the platform's dial tool. Records every start in the dial log (line_state.h), then dials,
// hangs up or lists connections on the simulated line. Like the real tool it runs until the dial is up
// or has failed (or the hang-up is done) and ends with the Remote Access error number, 0 on success;
// whether a dial is up is also worked out from the clock by whoever reads the state.
//   rasdial                              lists the connected entries
//   rasdial <entry> [user [password]]    dials (the state file says how each dial ends: 623, 617,
//                                        756 and 813 at once, 651 with the cable out, then the
//                                        script, then the "dial" line)
//   rasdial <entry> /disconnect | /d     hangs up (any argument after the entry may carry the option)
#include <windows.h>

#include <shlobj.h>

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
    start.exe = WideToUtf8(std::wstring_view(self, length < MAX_PATH ? length : 0));
    start.args = args;
    line::Lock lock;
    line::WriteWholeFile(line::DialLogPath(), line::FormatDialStart(start), true);
}

// Waits until the clock reaches `until_ms` (the tool's own run time on the simulated line).
void SleepUntil(long long until_ms) {
    for (long long now = line::NowMs(); now < until_ms; now = line::NowMs())
        Sleep(static_cast<DWORD>(until_ms - now > 200 ? 200 : until_ms - now));
}

// The book a /PHONEBOOK option names, "" without one.
std::wstring NamedBook(const std::vector<std::string>& args) {
    for (const std::string& arg : args)
        if (arg.size() > 11 && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, arg.c_str(), 11,
                                              "/PHONEBOOK:", 11) == CSTR_EQUAL)
            return Utf8ToWide(arg.substr(11));
    return {};
}

// Whether the book named on the command line holds the entry: the current user's book holds the
// "userentry" lines, any other existing book the "entry" lines; a missing file holds nothing.
bool NamedBookHolds(const line::State& state, const std::wstring& book, const std::string& entry) {
    if (GetFileAttributesW(book.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    wchar_t appdata[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appdata);
    const std::wstring user = std::wstring(appdata) + L"\\Microsoft\\Network\\Connections\\Pbk\\rasphone.pbk";
    const std::vector<std::string>& entries =
        lstrcmpiW(book.c_str(), user.c_str()) == 0 ? state.user_entries : state.entries;
    for (const std::string& name : entries)
        if (line::SameName(name, entry)) return true;
    return false;
}

int Finish(unsigned long code) {
    if (code == 0)
        std::printf("Command completed successfully.\n");
    else
        std::printf("Remote Access error %lu\n", code);
    return static_cast<int>(code);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(WideToUtf8(argv[i]));
    RecordStart(args);

    if (args.empty()) {
        line::Lock lock;
        std::vector<std::string> connected = line::ConnectedEntries(line::Load());
        if (connected.empty()) std::printf("No connections\n");
        for (const std::string& name : connected) std::printf("%s\n", line::Utf8ToAnsi(name).c_str());
        return Finish(0);
    }
    const std::string& entry = args[0];
    bool disconnect = false;
    for (std::size_t i = 1; i < args.size(); ++i) disconnect = disconnect || IsDisconnectOption(args[i]);

    long long ends_ms = 0;
    unsigned long code = 0;
    {
        line::Lock lock;
        line::State state = line::Load();
        const long long now = line::NowMs();
        if (disconnect) {
            // The tool returns once the line is down; until then the connection is listed as closing.
            bool up = false;
            for (const line::Listed& listed : line::ListedConnections(state, now))
                up = up || (line::SameName(listed.entry, entry) && listed.state != line::kStateClosing);
            line::HangUp(state, entry);
            std::erase_if(state.closing, [&](const line::Closing& c) { return c.until_ms <= now; });
            // The tool returns after its own time; the system lists the connection a while longer.
            if (up && state.hang_up_s + state.released_after_s > 0) {
                ends_ms = now + 1000LL * state.hang_up_s;
                state.closing.push_back({entry, ends_ms + 1000LL * state.released_after_s});
            }
            line::Save(state);
        } else {
            const std::wstring book = NamedBook(args);
            if (book.empty() ? !line::HasEntry(state, entry) : !NamedBookHolds(state, book, entry))
                return Finish(623);
            // The port is still being released.
            if (line::ClosingUntil(state, entry, now) != 0) return Finish(617);
            for (const line::Listed& listed : line::ListedConnections(state, now)) {
                if (!line::SameName(listed.entry, entry)) continue;
                if (listed.state == line::kStateConnected) {
                    std::printf("You are already connected to %s.\n", line::Utf8ToAnsi(entry).c_str());
                    return 0;
                }
                if (listed.state == line::kStateDialling) return Finish(756);
            }
            // One broadband connection per device.
            if (line::OtherConnected(state, entry, now)) return Finish(813);
            std::string user = args.size() > 1 ? args[1] : std::string();
            std::string password = args.size() > 2 ? args[2] : std::string();
            bool accepted = state.accepted.empty();
            for (const auto& [good_user, good_password] : state.accepted)
                accepted = accepted || (good_user == user && good_password == password);
            line::DialBehaviour behaviour = state.dial;
            const bool cable_out = line::CableOut(state);
            if (cable_out) {
                behaviour = {line::DialMode::Fail, 0, 0, 651};
            } else if (!state.script.empty()) {
                const unsigned long scripted = state.script.front();
                state.script.erase(state.script.begin());
                const bool timed =
                    behaviour.mode == line::DialMode::Connect || behaviour.mode == line::DialMode::Drop;
                if (scripted == 0)
                    behaviour = {line::DialMode::Connect, timed ? behaviour.connect_after_s : 2, 0};
                else
                    behaviour = {line::DialMode::Fail, 0, 0, scripted};
            }
            if (!accepted && !cable_out) behaviour = {line::DialMode::Fail, 0, 0, 691};
            line::HangUp(state, entry);  // a new attempt replaces an earlier one that is not up
            switch (behaviour.mode) {
                case line::DialMode::Connect:
                case line::DialMode::Drop:
                    ends_ms = now + 1000LL * behaviour.connect_after_s;
                    code = 0;
                    break;
                case line::DialMode::Never:
                    ends_ms = now + 1000LL * state.slow_s;
                    code = 678;
                    break;
                case line::DialMode::Fail:
                    ends_ms = now + 1000LL * state.slow_s;
                    code = behaviour.code;
                    break;
            }
            state.attempts.push_back({entry, now, behaviour, state.slow_s});
            line::Save(state);
        }
    }
    SleepUntil(ends_ms);
    return Finish(code);
}
