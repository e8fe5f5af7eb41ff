// Start-up cost of Veltrane.exe beside a minimal one-window program, measured in the same run: the time
// from process creation until its message loop first idles (WaitForInputIdle), and the memory it holds
// then (PagefileUsage: under Wine the working-set trim frees nothing and the working set is the host's
// resident size, so committed private memory is the comparable figure).
//   startup_bench [runs] [other Veltrane.exe]
// The optional second program (for example the build before a change) is installed beside the same
// stand-ins and measured in the same rounds, so that the two figures share the machine's state.
// Veltrane runs installed in "C:\Program Files\Veltrane" on the simulated line, with a stored account on
// a line that is already connected (the start-up path a subscriber sees at every logon, minus the dial),
// and on Wine's own IP helper library.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

struct Sample {
    double start_ms;
    double pagefile_kb;
};

double NowMs() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool Measure(const std::wstring& exe, const std::wstring& args, Sample& sample) {
    vt::e2e::ChildProcess process;
    const double begin = NowMs();
    if (!process.Start(L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args))) return false;
    const DWORD idle = WaitForInputIdle(process.handle(), 20000);
    sample.start_ms = NowMs() - begin;
    Sleep(300);  // let the start-up's last steps (the trim) settle before reading memory
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(process.handle(), &counters, sizeof(counters));
    sample.pagefile_kb = static_cast<double>(counters.PagefileUsage) / 1024.0;
    return idle == 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? _wtoi(argv[1]) : 7;
    if (!vt::e2e::FreshStage(L"veltrane-bench-line.ini")) {
        std::printf("could not install Veltrane.exe into the prefix\n");
        return 1;
    }
    vt::line::Update([](vt::line::State& s) {
        s.entries.push_back("Veltrane");
        s.connected.push_back("Veltrane");
    });
    vt::e2e::StoreAccount(L"bench-user", "bench-password");

    const std::wstring minimal = vt::e2e::BuildFolder() + L"\\minimal_window.exe";
    const std::wstring other = argc > 2 ? vt::e2e::InstallOther(argv[2]) : L"";
    if (argc > 2 && other.empty()) {
        std::printf("could not install the other Veltrane.exe\n");
        return 1;
    }
    // The link plays no part in this start, and under Wine the stand-in IP helper library weighs what the
    // system's does not (its whole image in private memory and a thread of its own: 1.4 MB and 90 ms of
    // the start): both programs start on Wine's own library.
    for (const std::wstring& exe : {std::wstring(vt::e2e::kExePath), other})
        if (!exe.empty()) DeleteFileW((exe.substr(0, exe.find_last_of(L'\\')) + L"\\iphlpapi.dll").c_str());
    std::vector<double> v_start, v_mem, m_start, m_mem, o_start, o_mem;
    for (int i = 0; i < runs + 1; ++i) {
        vt::e2e::KillLeftovers();
        Sample veltrane{}, plain{};
        if (!Measure(vt::e2e::kExePath, L"hide", veltrane) || !Measure(minimal, L"", plain)) {
            std::printf("a program did not reach an idle message loop\n");
            return 1;
        }
        Sample before{};
        if (!other.empty()) {
            vt::e2e::KillLeftovers();
            if (!Measure(other, L"hide", before)) {
                std::printf("the other Veltrane.exe did not reach an idle message loop\n");
                return 1;
            }
        }
        if (i == 0) continue;  // the first round warms the disk cache and the wineserver
        o_start.push_back(before.start_ms);
        o_mem.push_back(before.pagefile_kb);
        v_start.push_back(veltrane.start_ms);
        v_mem.push_back(veltrane.pagefile_kb);
        m_start.push_back(plain.start_ms);
        m_mem.push_back(plain.pagefile_kb);
    }
    const double vs = Median(v_start), ms = Median(m_start), vm = Median(v_mem), mm = Median(m_mem);
    std::printf("start-up, median of %d runs (goal: Veltrane within 1.5 x of the minimal program)\n", runs);
    std::printf("  %-34s %10s %14s\n", "", "to idle ms", "pagefile KiB");
    std::printf("  %-34s %10.1f %14.0f\n", "Veltrane.exe (stored account, hide)", vs, vm);
    if (!other.empty())
        std::printf("  %-34s %10.1f %14.0f\n", "other Veltrane.exe (same start)", Median(o_start),
                    Median(o_mem));
    std::printf("  %-34s %10.1f %14.0f\n", "minimal one-window program", ms, mm);
    std::printf("  %-34s %10.2f %14.2f\n", "ratio", ms > 0 ? vs / ms : 0.0, mm > 0 ? vm / mm : 0.0);
    DeleteFileW(vt::e2e::SettingsPath().c_str());
    return 0;
}
