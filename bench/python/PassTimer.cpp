// quelta-pass-timer: the C++ side of the Python benchmark (track_bench.py).
//   quelta-pass-timer write SCENE WxH DIR      DIR/SCENE-WxH.png (B,G,R,A) and .qta (its limits)
//   quelta-pass-timer time FRAME.png LIMITS.qta PASSES
//       tracks the frame PASSES times as the module does (drawing off, centre asked for) and
//       prints "box X0 Y0 X1 Y1 REGIONS" (or "box none REGIONS"), then one line per pass: ms.
#include "ColorTracker.h"
#include "Scenes.h"
#include "SettingsFile.h"

#include <opencv2/imgcodecs.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

int Usage() {
    std::fputs("usage: quelta-pass-timer write SCENE WxH DIR\n"
               "       quelta-pass-timer time FRAME.png LIMITS.qta PASSES\n",
               stderr);
    return 2;
}

int Write(const std::string& name, const std::string& size, const std::string& dir) {
    int width = 0, height = 0;
    if (std::sscanf(size.c_str(), "%dx%d", &width, &height) != 2)
        return Usage();
    const CScene scene = MakeScene(name, width, height);
    const std::string base = dir + "/" + name + "-" + size;
    if (!cv::imwrite(base + ".png", scene.Frame) || !SaveSettingsFile(scene.Params, base + ".qta"))
        return 1;
    std::printf("%s.png %s.qta\n", base.c_str(), base.c_str());
    return 0;
}

int Time(const std::string& picture, const std::string& limits, int passes) {
    cv::Mat frame = cv::imread(picture, cv::IMREAD_UNCHANGED);
    CTrackingParams params;
    if (frame.type() != CV_8UC4 || !LoadSettingsFile(params, limits) || passes < 1)
        return Usage();
    auto tracker = std::make_unique<CColorTracker>();
    std::vector<double> ms;
    ms.reserve(passes);
    for (int i = 0; i < passes; ++i) {
        float row = 0.0f, col = 0.0f;
        const auto t0 = std::chrono::steady_clock::now();
        tracker->Track(frame, params, false, &row, &col);
        const auto t1 = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    if (tracker->ChosenBlob() >= 0) {
        const BlobInfo& b = tracker->Blobs()[tracker->ChosenBlob()];
        std::printf("box %u %u %u %u %d\n", b.MinX, b.MinY, b.MaxX, b.MaxY, tracker->GroupCount());
    } else {
        std::printf("box none %d\n", tracker->GroupCount());
    }
    for (double v : ms)
        std::printf("%.6f\n", v);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "write")
        return Write(args[1], args[2], args[3]);
    if (args.size() == 4 && args[0] == "time")
        return Time(args[1], args[2], std::atoi(args[3].c_str()));
    return Usage();
}
