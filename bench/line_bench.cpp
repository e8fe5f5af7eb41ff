// The dialer on the simulated line, as a subscriber's night and day would measure it:
//   drops        time from a drop of the line to the next dial, over several drops (median)
//   probes       web pages asked per hour on a connected line, with traffic flowing and idle
//   idle <s>     starts the program connected, quiet, in the tray, and lets it run <s> seconds (the shell
//                script line_bench.sh reads its wake-ups and processor time from outside meanwhile)
//   busy <s>     the same with traffic flowing on the line
//   visited <s>  the same, after the subscriber opened the window from the tray, clicked into the account
//                box, passed over the connect button and sent the window back with its close button
//   deadproxy <s> a quiet line behind a proxy that ended (Internet Options at a closed local port) while
//                the path around it answers: hang-ups, redials and requests around the proxy in <s> s
// Each takes an optional last argument: another Veltrane.exe (an earlier build) measured the same way.
// Run inside a loopback-only network namespace: the probes go to a stub through the prefix's proxy.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/doubles/http_stub.h"
#include "tests/e2e/e2e_support.h"

namespace {

using namespace vt;

// Installs `other` (or the tree's own program) and returns the path to start.
std::wstring Install(const wchar_t* other) {
    if (!e2e::InstallProgram()) return {};
    return other ? e2e::InstallOther(other) : e2e::kExePath;
}

void Fresh(bool connected, unsigned long traffic_per_second) {
    e2e::FreshStage(L"veltrane-line-bench.ini");
    e2e::StoreAccount(L"bench-user", "bench-password", true);
    line::Update([&](line::State& s) {
        s.entries.push_back("Veltrane");
        if (connected) s.connected.push_back("Veltrane");
        if (traffic_per_second) s.traffic.push_back({"Veltrane", 1000, traffic_per_second, line::NowMs()});
        s.dial = {line::DialMode::Drop, 1, 6};
    });
}

int Drops(const std::wstring& exe) {
    Fresh(false, 0);
    e2e::Program program(exe);
    if (!program.Launch(L"hide")) return std::printf("the program did not start\n"), 1;
    std::vector<double> delays;
    ULONGLONG dialled = 0;
    for (std::size_t dials = 1; dials <= 6; ++dials) {
        if (line::WaitForDialStarts(dials, 40000).size() < dials) return std::printf("no redial\n"), 1;
        const ULONGLONG now = e2e::TickMs();
        // Each dial connects after 1 s and drops 6 s later.
        if (dials > 1) delays.push_back(static_cast<double>(now - dialled) - 7000.0);
        dialled = now;
    }
    std::sort(delays.begin(), delays.end());
    std::printf("drop to redial: median %.0f ms, min %.0f, max %.0f (%zu drops)\n", delays[delays.size() / 2],
                delays.front(), delays.back(), delays.size());
    return 0;
}

int Probes(const std::wstring& exe) {
    for (unsigned long traffic : {20000ul, 0ul}) {
        Fresh(true, traffic);
        line::HttpStub stub = line::HttpStub::Reply(200, "<html>ok</html>");
        e2e::SetProxy(L"127.0.0.1:" + std::to_wstring(stub.port()));
        e2e::Program program(exe);
        if (!program.Launch(L"hide")) return std::printf("the program did not start\n"), 1;
        // From just after the first supervision tick (whose reading of the counters has nothing to compare
        // with), over three more periods.
        Sleep(22000 + 1500);
        const ULONGLONG start = e2e::TickMs();
        const std::size_t first = stub.Requests().size();
        Sleep(3 * 22000);
        const double hours = static_cast<double>(e2e::TickMs() - start) / 3600000.0;
        const std::size_t requests = stub.Requests().size() - first;
        std::printf("probe requests per hour, connected, %s: %.0f (%zu in %.0f s)\n",
                    traffic ? "traffic flowing" : "idle", requests / hours, requests, hours * 3600);
        program.Kill();
        e2e::RestoreProxy();
    }
    return 0;
}

int DeadProxy(const std::wstring& exe, int seconds) {
    Fresh(true, 0);
    line::Update([](line::State& s) { s.dial = {line::DialMode::Connect, 1, 0}; });  // a line that works
    line::HttpStub stub = line::HttpStub::Reply(200, "<html>ok</html>");
    e2e::SetDirectPath("127.0.0.1:" + std::to_string(stub.port()));  // Internet Options stay at 127.0.0.1:9
    e2e::Program program(exe);
    if (!program.Launch(L"hide")) return std::printf("the program did not start\n"), 1;
    Sleep(static_cast<DWORD>(seconds) * 1000);
    std::size_t hang_ups = 0, dials = 0;
    for (const line::DialStart& start : line::ReadDialLog())
        ++(start.args.size() == 2 && start.args[1] == "/disconnect" ? hang_ups : dials);
    std::printf(
        "quiet line behind a dead proxy, %d s: %zu hang-ups, %zu redials, %zu requests around the proxy\n",
        seconds, hang_ups, dials, stub.Requests().size());
    program.Kill();
    e2e::RestoreProxy();
    return 0;
}

POINT CentreOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The window opened from the tray, a click into the account box, the pointer over the connect button
// until its fade has run, then the close button of the title strip: what a subscriber does to look.
bool Visit(e2e::Program& program) {
    HWND window = program.window();
    PostMessageW(window, WM_MOUSEMOVE, 0, WM_LBUTTONDOWN);  // the tray icon's left click
    if (!e2e::WaitUntil([&] { return program.Visible(); }, 5000)) return false;
    Sleep(500);
    e2e::ClickAt(CentreOf(program.Control(e2e::kUserText)));
    const POINT button = CentreOf(program.Control(e2e::kBtnLog));
    e2e::MouseTo(button.x, button.y);
    Sleep(2000);
    RECT frame{};
    GetWindowRect(window, &frame);
    // The close button, which sends it to the tray.
    e2e::ClickAt({frame.left + 312 + 12, frame.top + 8 + 10});
    return e2e::WaitUntil([&] { return !program.Visible(); }, 5000);
}

int Idle(const std::wstring& exe, int seconds, unsigned long traffic_per_second, bool visited) {
    Fresh(true, traffic_per_second);
    line::HttpStub stub = line::HttpStub::Reply(200, "<html>ok</html>");
    e2e::SetProxy(L"127.0.0.1:" + std::to_wstring(stub.port()));
    e2e::Program program(exe);
    if (!program.Launch(L"hide")) return std::printf("the program did not start\n"), 1;
    if (visited && !Visit(program)) return std::printf("the window did not open and close\n"), 1;
    std::printf("running %ls for %d s\n", exe.c_str(), seconds);
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    program.Kill();
    e2e::RestoreProxy();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring what = argc > 1 ? argv[1] : L"";
    const bool runs = what == L"idle" || what == L"busy" || what == L"visited";
    const bool timed = runs || what == L"deadproxy";
    const int seconds = runs && argc > 2 ? _wtoi(argv[2]) : 0;
    const int other_at = timed ? 3 : 2;
    const std::wstring exe = Install(argc > other_at && !what.empty() ? argv[other_at] : nullptr);
    if (exe.empty()) return std::printf("could not install the program into the prefix\n"), 1;
    int status = 1;
    if (what.empty()) status = Drops(exe) | Probes(exe);  // the two that need nothing from outside
    if (what == L"drops") status = Drops(exe);
    if (what == L"probes") status = Probes(exe);
    if (what == L"deadproxy") status = DeadProxy(exe, argc > 2 ? _wtoi(argv[2]) : 160);
    if (runs) status = Idle(exe, seconds > 0 ? seconds : 60, what == L"idle" ? 0 : 20000, what == L"visited");
    if (status == 1 && !what.empty() && what != L"drops" && what != L"probes" && !timed)
        std::printf(
            "usage: line_bench [drops|probes|idle|busy|visited|deadproxy <seconds>] [other "
            "Veltrane.exe]\n");
    e2e::KillLeftovers();
    return status;
}
