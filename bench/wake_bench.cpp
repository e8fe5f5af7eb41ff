// The dialer through the PC's own life on the simulated line, for this build and, when given, another
// Veltrane.exe (an earlier build) measured the same way in the same run:
//   wake     connected, "断网重拨" ticked; the machine sleeps (the program's threads are frozen, as nothing
//            of it runs asleep), the line drops meanwhile, and at the wake the adapter has no link for
//            its first 3 s: the time from the resume to the first dial, the dials before the link, the
//            time from the link to the first dial after it, the balloons shown
//   cable    connected, "断网重拨" ticked; the cable is pulled (the line drops) and put back 5 s later:
//            the dials while it is out, the time from its return to the first dial, the balloons shown
//   line up  connections that come up 1 s after their dial: the time from the line up to the status
//            "- 网络已连接"
//   wake_bench [rounds (default 3)] [other Veltrane.exe]
// Run inside a loopback-only network namespace, on a display: probes go to a stub through the prefix's
// proxy.
#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tests/doubles/http_stub.h"
#include "tests/e2e/balloon_watch.h"
#include "tests/e2e/e2e_support.h"

namespace {

using namespace vt;

// Installs the tree's own program and, with `other`, that one beside the same stand-ins; the path to
// start.
std::wstring Install(const wchar_t* other) {
    if (!e2e::InstallProgram()) return {};
    return other ? e2e::InstallOther(other) : e2e::kExePath;
}

// Seconds, with a dash for what did not come within the bench's limit.
std::string Seconds(std::optional<double> ms) {
    if (!ms) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", *ms / 1000.0);
    return text;
}

std::optional<double> Median(std::vector<std::optional<double>> values) {
    std::vector<double> known;
    for (const auto& value : values)
        if (value) known.push_back(*value);
    if (known.empty()) return std::nullopt;
    std::sort(known.begin(), known.end());
    return known[known.size() / 2];
}

std::optional<double> Max(const std::vector<std::optional<double>>& values) {
    std::optional<double> most;
    for (const auto& value : values)
        if (!value)
            return std::nullopt;  // one that never came is the worst
        else if (!most || *value > *most)
            most = value;
    return most;
}

// A connected line with traffic flowing (so that no probe runs), the cable in, "断网重拨" ticked.
void Fresh() {
    e2e::FreshStage(L"veltrane-wake-bench.ini");
    e2e::StoreAccount(L"bench-user", "bench-password", true);
    line::Update([](line::State& s) {
        s.entries.push_back("Veltrane");
        s.connected.push_back("Veltrane");
        s.traffic.push_back({"Veltrane", 1000, 20000, line::NowMs()});
        s.dial = {line::DialMode::Connect, 1, 0};
    });
    line::SetCable(true);
}

bool Drop() {
    return line::Update([](line::State& s) { s.connected.clear(); });
}

// Suspends or resumes every thread of the process `pid`.
void Freeze(DWORD pid, bool frozen) {
    const UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) return;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more;
         more = Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != pid) continue;
        if (const UniqueKernelHandle thread{OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID)})
            frozen ? SuspendThread(thread.get()) : ResumeThread(thread.get());
    }
}

// Starts the program hidden on the connected line and waits for its start's own news, which the shell
// may show late; from then on the watch sees only what follows.
bool Start(e2e::Program& program, e2e::BalloonWatch& balloons) {
    if (!program.Launch(L"hide")) return false;
    e2e::WaitUntil([&] { return program.Checked(e2e::kRedialOnDropBox); }, 5000);
    balloons.WaitFor(L"网络已连接！", 5000);
    balloons.Mark();
    return true;
}

bool Power(HWND window, WPARAM event) {
    return SendMessageTimeoutW(window, WM_POWERBROADCAST, event, 0, SMTO_NORMAL, 5000, nullptr) != 0;
}

// When the first dial (not a hang-up) after the first `known` starts of the log began, waiting up to
// `limit_ms`; the tick count of that moment.
std::optional<ULONGLONG> NextDial(std::size_t known, DWORD limit_ms) {
    const ULONGLONG end = e2e::TickMs() + limit_ms;
    for (;;) {
        const std::vector<line::DialStart> starts = line::ReadDialLog();
        for (std::size_t i = known; i < starts.size(); ++i)
            if (starts[i].args.size() < 2 || starts[i].args[1] != "/disconnect") return e2e::TickMs();
        if (e2e::TickMs() >= end) return std::nullopt;
        Sleep(5);
    }
}

std::size_t Dials() {
    std::size_t count = 0;
    for (const line::DialStart& start : line::ReadDialLog())
        if (start.args.size() >= 2 && start.args[1] != "/disconnect") ++count;
    return count;
}

struct Figures {
    std::vector<std::optional<double>> wake_to_dial, wake_link_to_dial, cable_to_dial, up_to_status;
    std::size_t wake_early_dials = 0, cable_dials_out = 0;
    std::vector<std::wstring> wake_told, cable_told;  // the balloons' texts, all rounds
    bool started = true;
};

constexpr DWORD kLimitMs = 45000;  // longer than the supervision's tick and a dial's watch together

void Wake(const std::wstring& exe, DWORD later_ms, Figures& f) {
    Fresh();
    e2e::BalloonWatch balloons;
    e2e::Program program(exe);
    if (!Start(program, balloons)) {
        f.started = false;
        return;
    }
    Sleep(later_ms);
    Power(program.window(), PBT_APMSUSPEND);
    Freeze(program.pid(), true);
    Drop();
    line::SetCable(false);  // the adapter wakes without link
    Sleep(2000);
    Freeze(program.pid(), false);
    const ULONGLONG woke = e2e::TickMs();
    Power(program.window(), PBT_APMRESUMEAUTOMATIC);
    const std::optional<ULONGLONG> first = NextDial(0, 3000);
    Sleep(static_cast<DWORD>(woke + 3000 - std::min(e2e::TickMs(), woke + 3000)));
    const std::size_t before_link = Dials();
    line::SetCable(true);
    const ULONGLONG link = e2e::TickMs();
    const std::optional<ULONGLONG> after = NextDial(line::ReadDialLog().size(), kLimitMs);
    f.wake_to_dial.push_back(first ? std::optional<double>(static_cast<double>(*first - woke))
                                   : std::nullopt);
    f.wake_link_to_dial.push_back(after ? std::optional<double>(static_cast<double>(*after - link))
                                        : std::nullopt);
    f.wake_early_dials += before_link;
    // The connection and what is told of it.
    e2e::WaitUntil([&] { return program.Status() == L"- 网络已连接"; }, 10000);
    Sleep(1000);
    for (const std::wstring& text : balloons.Seen()) f.wake_told.push_back(text);
}

void Cable(const std::wstring& exe, DWORD later_ms, Figures& f) {
    Fresh();
    e2e::BalloonWatch balloons;
    e2e::Program program(exe);
    if (!Start(program, balloons)) {
        f.started = false;
        return;
    }
    Sleep(later_ms);
    line::SetCable(false);
    Drop();
    Sleep(5000);
    f.cable_dials_out += Dials();
    line::SetCable(true);
    const ULONGLONG plugged = e2e::TickMs();
    const std::optional<ULONGLONG> after = NextDial(line::ReadDialLog().size(), kLimitMs);
    f.cable_to_dial.push_back(after ? std::optional<double>(static_cast<double>(*after - plugged))
                                    : std::nullopt);
    e2e::WaitUntil([&] { return program.Status() == L"- 网络已连接"; }, 10000);
    Sleep(1000);
    for (const std::wstring& text : balloons.Seen()) f.cable_told.push_back(text);
}

// Each connection of the round comes up 1 s after its dial and drops 6 s later; the dial after each drop
// is the program's own.
void LineUp(const std::wstring& exe, int connections, Figures& f) {
    Fresh();
    line::Update([](line::State& s) {
        s.connected.clear();
        s.dial = {line::DialMode::Drop, 1, 6};
    });
    e2e::Program program(exe);
    if (!program.Launch(L"hide")) {
        f.started = false;
        return;
    }
    long long last_started = 0;
    for (int i = 1; i <= connections; ++i) {
        if (line::WaitForDialStarts(i, kLimitMs).size() < static_cast<std::size_t>(i)) {
            f.up_to_status.push_back(std::nullopt);
            return;
        }
        // The tool writes its log line first, then its attempt, under the same lock.
        long long up_ms = 0;
        e2e::WaitUntil(
            [&] {
                const std::vector<line::Attempt> attempts = line::Load().attempts;
                if (attempts.empty() || attempts.back().started_ms == last_started) return false;
                last_started = attempts.back().started_ms;
                up_ms = last_started + 1000;
                return true;
            },
            5000);
        if (!up_ms) continue;
        // The status of the dial before reads connected until this dial's own start shows.
        e2e::WaitUntil([&] { return program.Status() != L"- 网络已连接"; }, 2000);
        std::optional<double> seen;
        e2e::WaitUntil(
            [&] {
                if (program.Status() != L"- 网络已连接") return false;
                seen = static_cast<double>(std::max(0LL, line::NowMs() - up_ms));
                return true;
            },
            10000);
        f.up_to_status.push_back(seen);
    }
}

Figures Measure(const std::wstring& exe, int rounds) {
    Figures f;
    for (int round = 0; round < rounds && f.started; ++round) {
        // Each round a little later after the start: a program that leaves the dial to its supervision's
        // tick is met at another moment of its period.
        const DWORD later_ms = static_cast<DWORD>(round) * 7000;
        Wake(exe, later_ms, f);
        Cable(exe, later_ms, f);
    }
    if (f.started) LineUp(exe, rounds + 2, f);
    e2e::KillLeftovers();
    return f;
}

void Row(const char* what, const std::string& here, const std::string& other) {
    // Padded by the columns a terminal gives the text: a Chinese character takes two.
    int columns = 0;
    for (const char* c = what; *c; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        if ((byte & 0xC0) != 0x80) columns += byte >= 0xE0 ? 2 : 1;
    }
    std::printf("  %s%*s %14s %14s\n", what, std::max(0, 54 - columns), "", here.c_str(), other.c_str());
}

void Told(const char* what, const std::vector<std::wstring>& texts) {
    std::printf("%s:", what);
    for (const std::wstring& text : texts) std::printf(" [%s]", WideToUtf8(text).c_str());
    std::printf("%s\n", texts.empty() ? " none" : "");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 3;
    const wchar_t* other = argc > 2 ? argv[2] : nullptr;
    const std::wstring here_exe = Install(nullptr);
    const std::wstring other_exe = other ? Install(other) : std::wstring();
    if (here_exe.empty() || (other && other_exe.empty()))
        return std::printf("could not install the program into the prefix\n"), 1;
    line::HttpStub stub = line::HttpStub::Reply(200, "<html>ok</html>");
    e2e::SetProxy(L"127.0.0.1:" + std::to_wstring(stub.port()));

    const Figures here = Measure(here_exe, rounds);
    const Figures before = other ? Measure(other_exe, rounds) : Figures{};
    e2e::RestoreProxy();
    if (!here.started || (other && !before.started)) return std::printf("the program did not start\n"), 1;

    auto both = [&](const char* what, auto figure) { Row(what, figure(here), other ? figure(before) : ""); };
    auto count = [](std::size_t n) { return std::to_string(n); };
    std::printf("%d rounds; medians, then the worst (\"-\": none within %lu s)\n", rounds, kLimitMs / 1000);
    Row("", "this build", other ? "other build" : "");
    both("wake: resume to the first dial", [](const Figures& f) { return Seconds(Median(f.wake_to_dial)); });
    both("wake: dials before the adapter's link (all rounds)",
         [&](const Figures& f) { return count(f.wake_early_dials); });
    both("wake: the link to the first dial after it",
         [](const Figures& f) { return Seconds(Median(f.wake_link_to_dial)); });
    both("  worst", [](const Figures& f) { return Seconds(Max(f.wake_link_to_dial)); });
    both("wake: balloons (all rounds)", [&](const Figures& f) { return count(f.wake_told.size()); });
    both("cable: dials while out, 5 s each (all rounds)",
         [&](const Figures& f) { return count(f.cable_dials_out); });
    both("cable: its return to the first dial",
         [](const Figures& f) { return Seconds(Median(f.cable_to_dial)); });
    both("  worst", [](const Figures& f) { return Seconds(Max(f.cable_to_dial)); });
    both("cable: balloons (all rounds)", [&](const Figures& f) { return count(f.cable_told.size()); });
    both("line up to \"- 网络已连接\"", [](const Figures& f) { return Seconds(Median(f.up_to_status)); });
    both("  worst", [](const Figures& f) { return Seconds(Max(f.up_to_status)); });
    Told("this build, told at the wakes", here.wake_told);
    Told("this build, told of the cable", here.cable_told);
    if (other) {
        Told("other build, told at the wakes", before.wake_told);
        Told("other build, told of the cable", before.cable_told);
    }
    return 0;
}
