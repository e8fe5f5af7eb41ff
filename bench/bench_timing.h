#pragma once
// Timing shared by the benchmarks: the mean cost of one call, measured with the performance counter.
#include <windows.h>

#include <functional>

namespace vt::bench {

// Microseconds per call over `calls` calls, after one warm-up call.
inline double Microseconds(int calls, const std::function<void()>& call) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    call();
    QueryPerformanceCounter(&start);
    for (int i = 0; i < calls; ++i) call();
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart) /
           calls;
}

}  // namespace vt::bench
