#pragma once
// Small helpers the benchmarks share to turn clocks into printed figures.

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

using TClock = std::chrono::steady_clock;

// Processor seconds of a clock such as CLOCK_PROCESS_CPUTIME_ID.
inline double cpuseconds(clockid_t clock)
{
    timespec now {};
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

inline double milliseconds(TClock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}
