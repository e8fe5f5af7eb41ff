// How much processor time a probe takes while it waits for a server that never answers (the whole time
// out), beside a plain Sleep of the same length in the same run. Goal: under 5% of the wall time.
#include <windows.h>

#include <cstdio>

#include "services/probe.h"
#include "tests/doubles/http_stub.h"
#include "tests/doubles/proxy_bypass.h"

namespace {

struct Figures {
    double wall_ms;
    double cpu_ms;
};

double ProcessCpuMs() {
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto ms = [](const FILETIME& t) {
        return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

double NowMs() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return counter.QuadPart * 1000.0 / frequency.QuadPart;
}

template <typename Work>
Figures Measure(Work work) {
    double cpu = ProcessCpuMs(), wall = NowMs();
    work();
    return {NowMs() - wall, ProcessCpuMs() - cpu};
}

void Print(const char* what, const Figures& f) {
    std::printf("  %-26s wall %7.1f ms   processor %7.1f ms   (%5.2f%% of wall)\n", what, f.wall_ms, f.cpu_ms,
                f.wall_ms > 0 ? 100.0 * f.cpu_ms / f.wall_ms : 0.0);
}

}  // namespace

int wmain() {
    vt::line::LoopbackProxyBypass bypass;
    vt::line::HttpStub silent = vt::line::HttpStub::Silent();
    if (!bypass.active() || !silent.running()) {
        std::printf("probe_bench: could not set up the silent server on 127.0.0.1\n");
        return 1;
    }
    // A first probe warms up the request object's libraries; it is not counted.
    vt::ProbeInternet(silent.Url("/warm-up"));

    std::printf("Probe against a silent server on 127.0.0.1 (time-out), against Sleep of equal length:\n");
    double worst = 0;
    bool all_timed_out = true;
    for (int round = 1; round <= 3; ++round) {
        bool online = true;
        Figures probe = Measure([&] { online = vt::ProbeInternet(silent.Url("/round")); });
        Figures sleep = Measure([&] { Sleep(static_cast<DWORD>(probe.wall_ms + 0.5)); });
        std::printf("round %d%s\n", round, online ? " (unexpected: the probe said online)" : "");
        all_timed_out = all_timed_out && !online;
        Print("probe (times out)", probe);
        Print("Sleep of equal length", sleep);
        double share = probe.wall_ms > 0 ? probe.cpu_ms / probe.wall_ms : 1.0;
        if (share > worst) worst = share;
    }
    std::printf("worst probe processor share: %.2f%% (goal: under 5%%) -> %s\n", 100.0 * worst,
                worst < 0.05 ? "met" : "NOT met");
    return all_timed_out ? 0 : 1;
}
