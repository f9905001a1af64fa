#pragma once

// Wall-clock timing for the benchmarks.

#include <windows.h>

#include <algorithm>
#include <vector>

inline double milliseconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * double(now.QuadPart) / double(frequency.QuadPart);
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename F>
double medianOf(int runs, F run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = milliseconds();
        run();
        times.push_back(milliseconds() - start);
    }
    return median(times);
}
