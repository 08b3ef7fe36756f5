#pragma once
// What the timing programs share: a steady clock, the time one piece of work
// takes in milliseconds, and one line of figures for a set of samples.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Millis(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

template <typename Work> double Time(Work work)
{
    const auto start = Clock::now();
    work();
    return Millis(Clock::now() - start);
}

// Median and maximum of `samples` (not empty) beside the target.
inline void Print(const char* what, std::vector<double> samples, const char* target)
{
    std::sort(samples.begin(), samples.end());
    std::printf("%-50s median %8.2f ms   max %8.2f ms   n=%zu   (target %s)\n", what,
        samples[samples.size() / 2], samples.back(), samples.size(), target);
}

} // namespace bench
