#include "Devices.h"

#include "FramePool.h"
#include "SourceState.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <charconv>
#include <filesystem>

namespace {

bool StartsWith(const std::string& s, const char* prefix, std::string& rest) {
    const std::string p(prefix);
    if (s.compare(0, p.size(), p) != 0)
        return false;
    rest = s.substr(p.size());
    return true;
}

// "WxH@FPS" after "testcam:" or "testcam-multi:", or nothing.
std::unique_ptr<CCaptureDevice> MakeTestCam(const std::string& rest, CTestScene scene) {
    if (rest.empty())
        return MakeTestCameraDevice(640, 480, 30.0, scene);
    // from_chars reads "12.5" whatever the process' locale (the programs run in the
    // desktop's, where the decimal separator may be a comma).
    int w = 0, h = 0;
    double fps = 0.0;
    const char* p = rest.data();
    const char* end = p + rest.size();
    auto read = [&](auto& value, char next) {
        const auto [stop, error] = std::from_chars(p, end, value);
        if (error != std::errc() || (next ? stop == end || *stop != next : stop != end))
            return false;
        p = next ? stop + 1 : stop;
        return true;
    };
    if (!read(w, 'x') || !read(h, '@') || !read(fps, '\0'))
        return nullptr;
    if (w < 16 || h < 16 || w > 7680 || h > 4320 || !(fps > 0.0 && fps <= 240.0))
        return nullptr;
    return MakeTestCameraDevice(w, h, fps, scene);
}

}  // namespace

bool IsSourceName(const std::string& name) {
    std::string rest;
    if (name == "testcam" || name == "testcam-multi")
        return true;
    for (const char* prefix : {"testcam:", "testcam-multi:", "v4l2:", "gst:", "file:"})
        if (StartsWith(name, prefix, rest))
            return true;
    return false;
}

std::unique_ptr<CCaptureDevice> MakeCaptureDevice(const std::string& name) {
    std::string rest;
    if (name == "testcam")
        return MakeTestCam("", CTestScene::OneDisc);
    if (StartsWith(name, "testcam:", rest) && !rest.empty())
        return MakeTestCam(rest, CTestScene::OneDisc);
    if (name == "testcam-multi")
        return MakeTestCam("", CTestScene::SixDiscs);
    if (StartsWith(name, "testcam-multi:", rest) && !rest.empty())
        return MakeTestCam(rest, CTestScene::SixDiscs);
    if (StartsWith(name, "v4l2:", rest) && !rest.empty())
        return MakeV4l2Device(rest);
    if (StartsWith(name, "gst:", rest) && !rest.empty())
        return MakePipelineDevice(rest);
    if (StartsWith(name, "file:", rest) && !rest.empty()) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(rest, ec) && cv::haveImageReader(rest))
            return MakeStillImageDevice(rest);
        return MakeVideoFileDevice(rest);
    }
    return nullptr;
}

bool ToPoolFrame(const cv::Mat& source, CFramePool& pool, cv::Mat& frame) {
    if (source.empty() || source.depth() != CV_8U)
        return false;
    frame = pool.Acquire(source.cols, source.rows);
    switch (source.channels()) {
    case 1:
        cv::cvtColor(source, frame, cv::COLOR_GRAY2BGRA);
        break;
    case 3:
        cv::cvtColor(source, frame, cv::COLOR_BGR2BGRA);
        break;
    case 4:
        source.copyTo(frame);
        break;
    default:
        return false;
    }
    return true;
}
