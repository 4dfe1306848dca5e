#pragma once

// What the bench programs share: the one line format that scripts/bench.sh gathers, and the
// median of repeated timings.

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

/// Prints "BENCH <name> <value> <unit>".
inline void report(const char *name, double value, const char *unit)
{
    std::printf("BENCH %s %.3f %s\n", name, value, unit);
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace bench
