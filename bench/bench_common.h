// Shared helpers for the benchmarks: wall-clock timing and the median of
// repeated runs, since the machine is shared.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

// `f` is timed as a whole, or, when it returns a duration, by what it
// returns (for work that needs untimed preparation).
template <typename F>
double median_seconds(int runs, F f)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        auto a = std::chrono::steady_clock::now();
        if constexpr (std::is_void_v<decltype(f())>) {
            f();
            auto b = std::chrono::steady_clock::now();
            t.push_back(std::chrono::duration<double>(b - a).count());
        } else {
            t.push_back(std::chrono::duration<double>(f()).count());
        }
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// Prints the ratio line and returns 0 when `ratio` is within `floor`.
inline int report_ratio(const char *name, double ratio, double floor)
{
    std::printf("bench %s: %.2f ratio\n", name, ratio);
    bool ok = ratio <= floor;
    std::printf("bench %s-within-%g: %s\n", name, floor, ok ? "yes" : "no");
    return ok ? 0 : 1;
}

// The peak memory of this process so far, in KiB (VmHWM).
inline long bench_peak_kib()
{
    std::FILE *f = std::fopen("/proc/self/status", "r");
    char line[256];
    long kib = 0;
    while (f && std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %ld", &kib) == 1)
            break;
    if (f)
        std::fclose(f);
    return kib;
}

// Runs this benchmark again as `'self' ARGS` (arguments already quoted) in
// a process of its own, which prints its peak memory in KiB: that number,
// or 0 when it printed none.
inline long bench_child_peak_kib(const char *self, const std::string &args)
{
    const std::string cmd = std::string("'") + self + "' " + args;
    std::FILE *p = ::popen(cmd.c_str(), "r");
    long kib = 0;
    if (!p || std::fscanf(p, "%ld", &kib) != 1)
        kib = 0;
    if (p)
        ::pclose(p);
    return kib;
}
