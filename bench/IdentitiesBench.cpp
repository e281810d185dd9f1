// quelta-identities-bench: CMarkIdentities::Update on 64 moving marks, 640 x 480 at 30 fps.
//   spread      16 colours of 4 marks: what a full colour set gives
//   one-colour  64 marks of one colour: about 70 pixels apart, less than the 80-pixel gate,
//               so the gated groups are large and the assignment does real work
// The marks move at constant velocities of 2 to 8 pixels a frame, bouncing off the edges,
// measured with a little noise, given in a different order every frame. Ends with one line
// per case:  identities <case> marks=64 us_per_frame=<median>
#include "MarkIdentities.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int Width = 640, Height = 480, MarkCount = 64, FrameCount = 900;

struct CMover {
    int Colour;
    double X, Y, Vx, Vy;
    void Step() {
        X += Vx, Y += Vy;
        if (X < 10 || X > Width - 10)
            Vx = -Vx, X = std::clamp(X, 10.0, Width - 10.0);
        if (Y < 10 || Y > Height - 10)
            Vy = -Vy, Y = std::clamp(Y, 10.0, Height - 10.0);
    }
};

std::vector<std::vector<CMark>> MakeFrames(int colours) {
    std::mt19937 random(1234 + colours);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::normal_distribution<double> noise(0.0, 0.3);
    std::vector<CMover> movers;
    for (int i = 0; i < MarkCount; ++i) {
        const double angle = 2 * M_PI * unit(random), speed = 2.0 + 6.0 * unit(random);
        movers.push_back({i % colours, 10 + (Width - 20) * unit(random),
                          10 + (Height - 20) * unit(random), speed * std::cos(angle),
                          speed * std::sin(angle)});
    }
    std::vector<std::vector<CMark>> frames(FrameCount);
    for (auto& frame : frames) {
        for (CMover& m : movers) {
            m.Step();
            CMark mark;
            mark.Colour = m.Colour;
            mark.CenterX = static_cast<float>(m.X + noise(random));
            mark.CenterY = static_cast<float>(m.Y + noise(random));
            mark.MinX = static_cast<uint32_t>(m.X - 8), mark.MaxX = static_cast<uint32_t>(m.X + 8);
            mark.MinY = static_cast<uint32_t>(m.Y - 8), mark.MaxY = static_cast<uint32_t>(m.Y + 8);
            mark.PixelCount = 200;
            frame.push_back(mark);
        }
        std::shuffle(frame.begin(), frame.end(), random);
    }
    return frames;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

struct CCase {
    std::string Name;
    int Colours;
    std::vector<double> Micros;
};

void TimeUpdates(benchmark::State& state, CCase& c) {
    const auto frames = MakeFrames(c.Colours);
    CMarkIdentities ids;
    size_t n = 0;
    for (auto _ : state) {
        if (n % frames.size() == 0)
            ids.Reset();  // the paths start again elsewhere
        const auto& marks = frames[n % frames.size()];
        const auto t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(ids.Update(marks, n / 30.0, Width, Height).size());
        const auto t1 = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(t1 - t0).count();
        state.SetIterationTime(seconds);
        c.Micros.push_back(seconds * 1e6);
        ++n;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<CCase> cases{{"spread", 16, {}}, {"one-colour", 1, {}}};
    for (CCase& c : cases)
        benchmark::RegisterBenchmark(("identities/" + c.Name).c_str(),
                                     [&c](benchmark::State& state) { TimeUpdates(state, c); })
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const CCase& c : cases)
        if (!c.Micros.empty())
            std::printf("identities %s marks=%d us_per_frame=%.2f\n", c.Name.c_str(), MarkCount,
                        Median(c.Micros));
    return 0;
}
