#pragma once
// How quelta-bench times a pass: a fresh copy of the scene for each iteration, only the pass
// itself on the clock, every sample kept for the median.
#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>

#include <algorithm>
#include <chrono>
#include <vector>

namespace BenchTiming {

inline double Median(std::vector<double> v) {
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : 0.5 * (v[m - 1] + v[m]);
}

template <class Pass>
void TimePasses(benchmark::State& state, const cv::Mat& scene, std::vector<double>& samples,
                Pass pass) {
    cv::Mat work = scene.clone();
    for (auto _ : state) {
        scene.copyTo(work);
        const auto t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(pass(work));
        const auto t1 = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(t1 - t0).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds * 1e3);
    }
}

}  // namespace BenchTiming
