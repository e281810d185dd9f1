// quelta-bench: the engine's tracking pass against OpenCV's own pipeline on the same
// frames, single thread, with every kernel set this processor runs. Ends with one line per
// scene and size for the process's own set (QUELTA_KERNELS, or the best), then one per set:
//   <scene> <W>x<H> ours=<ms> opencv=<ms> ratio=<ours/opencv>      (medians)
//   <scene>/<set> <W>x<H> ours=<ms> opencv=<ms> ratio=<ours/opencv>
// and then one per colour-set scene and size (ColoursBench.h).
#include "BenchTiming.h"
#include "ColorTracker.h"
#include "ColoursBench.h"
#include "Kernels.h"
#include "Reference.h"
#include "Scenes.h"

#include <opencv2/imgproc.hpp>

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

namespace {

using QueltaKernels::CKernelSet;

struct CCase {
    CScene Scene;
    std::map<const CKernelSet*, std::vector<double>> OursMs;  // every timed pass, per set
    std::vector<double> OpenCvMs;
};

// OpenCV's pass as an OpenCV program would write it: the reference, then the outline drawn.
cv::Rect OpenCvPass(COpenCvReference& reference, cv::Mat& frame, const CLimits& limits) {
    const CReference r = reference.Track(frame, limits);
    if (!r.Found)
        return {};
    cv::rectangle(frame, {r.MinX, r.MinY}, {r.MaxX, r.MaxY}, cv::Scalar(0, 0, 255), 2);
    return {r.MinX, r.MinY, r.MaxX - r.MinX + 1, r.MaxY - r.MinY + 1};
}

cv::Rect OurBox(const CColorTracker& t) {
    if (t.ChosenBlob() < 0)
        return {};
    const BlobInfo& b = t.Blobs()[t.ChosenBlob()];
    return {int(b.MinX), int(b.MinY), int(b.MaxX - b.MinX + 1), int(b.MaxY - b.MinY + 1)};
}

void Register(CCase& c) {
    const std::string size =
        std::to_string(c.Scene.Frame.cols) + "x" + std::to_string(c.Scene.Frame.rows);
    for (const CKernelSet* set : QueltaKernels::KernelSets()) {
        const std::string name = "ours/" + c.Scene.Name + "/" + set->Name + "/" + size;
        benchmark::RegisterBenchmark(name.c_str(),
                                     [&c, set](benchmark::State& state) {
                                         auto tracker = std::make_unique<CColorTracker>(*set);
                                         CTrackingParams params = c.Scene.Params;
                                         BenchTiming::TimePasses(
                                             state, c.Scene.Frame, c.OursMs[set], [&](cv::Mat& f) {
                                                 return tracker->ProcessFrame(f, params);
                                             });
                                     })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark(
        ("opencv/" + c.Scene.Name + "/" + size).c_str(),
        [&c](benchmark::State& state) {
            COpenCvReference reference;
            const CLimits limits = LimitsOf(c.Scene.Params);
            BenchTiming::TimePasses(state, c.Scene.Frame, c.OpenCvMs,
                                    [&](cv::Mat& f) { return OpenCvPass(reference, f, limits); });
        })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

// Both sides must choose the same box, or the comparison means nothing.
bool SameChoice(const CScene& scene, const CKernelSet& set) {
    auto tracker = std::make_unique<CColorTracker>(set);
    CTrackingParams params = scene.Params;
    cv::Mat a = scene.Frame.clone(), b = scene.Frame.clone();
    tracker->ProcessFrame(a, params);
    COpenCvReference reference;
    const cv::Rect theirs = OpenCvPass(reference, b, LimitsOf(scene.Params));
    const cv::Rect ours = OurBox(*tracker);
    std::printf("check %s/%s %dx%d: regions=%d box=(%d,%d %dx%d) opencv box=(%d,%d %dx%d) %s\n",
                scene.Name.c_str(), set.Name, scene.Frame.cols, scene.Frame.rows,
                tracker->RegionCount(), ours.x, ours.y, ours.width, ours.height, theirs.x, theirs.y,
                theirs.width, theirs.height, ours == theirs ? "same" : "DIFFERENT");
    return ours == theirs;
}

// One summary line of a case and set, when both sides were timed (not filtered out).
void PrintSummary(const CCase& c, const CKernelSet* set, bool named) {
    const auto ours = c.OursMs.find(set);
    if (ours == c.OursMs.end() || ours->second.empty() || c.OpenCvMs.empty())
        return;
    const double oursMs = BenchTiming::Median(ours->second),
                 theirs = BenchTiming::Median(c.OpenCvMs);
    const std::string scene = named ? c.Scene.Name + "/" + set->Name : c.Scene.Name;
    std::printf("%s %dx%d ours=%.3f opencv=%.3f ratio=%.3f\n", scene.c_str(), c.Scene.Frame.cols,
                c.Scene.Frame.rows, oursMs, theirs, oursMs / theirs);
}

}  // namespace

int main(int argc, char** argv) {
    cv::setNumThreads(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    std::vector<std::unique_ptr<CCase>> cases;
    bool agree = true;
    for (const std::string& name : SceneNames())
        for (cv::Size size : {cv::Size(640, 480), cv::Size(1280, 720), cv::Size(1920, 1080)}) {
            cases.push_back(
                std::make_unique<CCase>(CCase{MakeScene(name, size.width, size.height), {}, {}}));
            for (const CKernelSet* set : QueltaKernels::KernelSets())
                agree = SameChoice(cases.back()->Scene, *set) && agree;
            Register(*cases.back());
        }
    agree = ColoursBench::Register() && agree;
    std::fflush(stdout);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const CKernelSet* own = &QueltaKernels::ActiveKernels();
    for (const auto& c : cases)
        PrintSummary(*c, own, false);
    for (const CKernelSet* set : QueltaKernels::KernelSets())
        for (const auto& c : cases)
            PrintSummary(*c, set, true);
    ColoursBench::PrintSummaries();
    if (!agree)
        std::printf("error: the two pipelines chose different boxes or marks\n");
    return agree ? 0 : 1;
}
