// Order statistics over a handful of samples: the benchmarks report the
// median, which one slow outlier on a shared machine does not move, with the
// minimum and maximum beside it to show the spread.
#pragma once

#include <algorithm>
#include <vector>

namespace bench {

struct Summary {
    double median = 0;
    double min = 0;
    double max = 0;
};

inline Summary Summarise(std::vector<double> samples)
{
    Summary s;
    if (samples.empty())
        return s;
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    s.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    s.min = samples.front();
    s.max = samples.back();
    return s;
}

} // namespace bench
