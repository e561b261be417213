// Wall clock and memory readings of the bench drivers, printed as one JSON
// line for bench/run.py.
#pragma once
#include <windows.h>
#include <psapi.h>

#include <cstdio>

inline double SecondsNow() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The largest working set the process has had so far, in bytes.
inline unsigned long long PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.PeakWorkingSetSize;
}
