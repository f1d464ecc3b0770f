#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace zelkbench {

// One untimed warm-up call, then the median wall time of `runs` calls.
template <class Work> double medianSeconds(int runs, Work&& work)
{
    work();
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        seconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    const std::size_t mid = seconds.size() / 2;
    return seconds.size() % 2 ? seconds[mid] : 0.5 * (seconds[mid - 1] + seconds[mid]);
}

} // namespace zelkbench
