#include "ColoursBench.h"
#include "BenchTiming.h"

#include "ColorTracker.h"
#include "Reference.h"
#include "Scenes.h"

#include <opencv2/imgproc.hpp>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace ColoursBench {
namespace {

struct CCase {
    CColourScene Scene;
    std::vector<double> OursMs, OpenCvMs;
};
std::vector<std::unique_ptr<CCase>> Cases;

// OpenCV's pipeline for a colour set: the conversion once, then for each colour inRange,
// connectedComponentsWithStats and the same choice of marks, each outlined.
class COpenCvColours {
public:
    const std::vector<CMark>& Track(cv::Mat& frame, const CColourSet& set) {
        cv::cvtColor(frame, Yuv, cv::COLOR_BGR2YUV);
        Marks.clear();
        for (std::size_t c = 0; c < set.Colours.size(); ++c) {
            const CColour& colour = set.Colours[c];
            const auto& found =
                PerColour.Track(Yuv, LimitsOf(colour.Limits), int(c), colour.MaxMarks);
            const uint32_t rgb = colour.DisplayColour;
            for (const CMark& m : found)
                cv::rectangle(frame, {int(m.MinX), int(m.MinY)}, {int(m.MaxX), int(m.MaxY)},
                              cv::Scalar(rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16), 2);
            Marks.insert(Marks.end(), found.begin(), found.end());
        }
        return Marks;
    }

private:
    cv::Mat Yuv;
    COpenCvMarks PerColour;
    std::vector<CMark> Marks;
};

bool SameBoxes(const std::vector<CMark>& a, const std::vector<CMark>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].Colour != b[i].Colour || a[i].MinX != b[i].MinX || a[i].MinY != b[i].MinY ||
            a[i].MaxX != b[i].MaxX || a[i].MaxY != b[i].MaxY || a[i].PixelCount != b[i].PixelCount)
            return false;
    return true;
}

// Both sides must report the same marks, or the comparison means nothing. The check uses
// OpenCV's raster-order labelling so that marks of equal diagonal come in the same order.
bool SameMarks(const CColourScene& scene) {
    auto tracker = std::make_unique<CColorTracker>();
    CColourSet set = scene.Set;
    cv::Mat frame = scene.Frame.clone(), yuv;
    tracker->TrackColours(frame, set, false);
    cv::cvtColor(scene.Frame, yuv, cv::COLOR_BGR2YUV);
    std::vector<CMark> theirs;
    COpenCvMarks reference(CLabelling::RasterOrder);
    for (std::size_t c = 0; c < set.Colours.size(); ++c) {
        const auto& found =
            reference.Track(yuv, LimitsOf(set.Colours[c].Limits), int(c), set.Colours[c].MaxMarks);
        theirs.insert(theirs.end(), found.begin(), found.end());
    }
    const bool same = SameBoxes(tracker->Marks(), theirs);
    std::printf("check %s %dx%d: marks=%zu opencv marks=%zu %s\n", scene.Name.c_str(),
                scene.Frame.cols, scene.Frame.rows, tracker->Marks().size(), theirs.size(),
                same ? "same" : "DIFFERENT");
    return same;
}

void RegisterCase(CCase& c) {
    const std::string size =
        std::to_string(c.Scene.Frame.cols) + "x" + std::to_string(c.Scene.Frame.rows);
    benchmark::RegisterBenchmark(("ours/" + c.Scene.Name + "/" + size).c_str(),
                                 [&c](benchmark::State& state) {
                                     auto tracker = std::make_unique<CColorTracker>();
                                     CColourSet set = c.Scene.Set;
                                     BenchTiming::TimePasses(
                                         state, c.Scene.Frame, c.OursMs, [&](cv::Mat& f) {
                                             return tracker->TrackColours(f, set, true);
                                         });
                                 })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("opencv/" + c.Scene.Name + "/" + size).c_str(),
                                 [&c](benchmark::State& state) {
                                     COpenCvColours opencv;
                                     BenchTiming::TimePasses(
                                         state, c.Scene.Frame, c.OpenCvMs, [&](cv::Mat& f) {
                                             return opencv.Track(f, c.Scene.Set).size();
                                         });
                                 })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

bool Register() {
    bool agree = true;
    for (int colours : {1, 4, 8, 16})
        for (cv::Size size : {cv::Size(640, 480), cv::Size(1920, 1080)}) {
            Cases.push_back(std::make_unique<CCase>(
                CCase{MakeColourScene(colours, size.width, size.height), {}, {}}));
            agree = SameMarks(Cases.back()->Scene) && agree;
            RegisterCase(*Cases.back());
        }
    return agree;
}

void PrintSummaries() {
    for (const auto& c : Cases)
        if (!c->OursMs.empty() && !c->OpenCvMs.empty()) {
            const double ours = BenchTiming::Median(c->OursMs);
            const double theirs = BenchTiming::Median(c->OpenCvMs);
            std::printf("%s %dx%d ours=%.3f opencv=%.3f ratio=%.3f\n", c->Scene.Name.c_str(),
                        c->Scene.Frame.cols, c->Scene.Frame.rows, ours, theirs, ours / theirs);
        }
}

}  // namespace ColoursBench
