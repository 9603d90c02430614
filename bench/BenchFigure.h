// One measured figure of a benchmark, printed in the form scripts/bench
// gathers into its closing table: "figure <name> <ours ms> <reference ms>
// <target>", the target being the highest ratio ours / reference that is
// still good. A benchmark prints one such line per figure it measures and,
// as its last line, only the ratio it is judged by.
#pragma once

#include <chrono>
#include <cstdio>

namespace vellum::bench {

// The time since `start`, in the milliseconds the figures are given in.
inline double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// name: a single word (dots and dashes allowed), e.g. "folders.fill-1m".
inline void PrintFigure(const char* name, double oursMilliseconds, double referenceMilliseconds,
                        double targetRatio)
{
    std::printf("figure %s %.3f %.3f %.3g\n", name, oursMilliseconds, referenceMilliseconds,
                targetRatio);
}

} // namespace vellum::bench
