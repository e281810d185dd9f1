#pragma once
#include "TestCamera.h"

#include <opencv2/core/mat.hpp>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Where quelta-track's frames come from. Frames are CV_8UC4, B,G,R,A, continuous.
class CFrameReader {
public:
    virtual ~CFrameReader() = default;
    // The next frame; false at the end. Throws CToolError when a frame cannot be read.
    virtual bool Next(cv::Mat& frame) = 0;
    // True when the source knows where the mark really is (the built-in test camera).
    virtual bool HasTruth() const { return false; }
    // The true centre of the mark in the frame last returned, in the pixel-index coordinates
    // of the engine's centres; empty while the mark is out of view.
    virtual std::optional<cv::Point2f> Truth() const { return std::nullopt; }
    // Every disc of the frame last returned, in or out of view, with its centre in the same
    // coordinates as Truth's; empty without a truth.
    virtual std::vector<CTestMark> TruthMarks() const { return {}; }
    // When the source made the frame last returned, if it knows (a live source does).
    virtual std::optional<std::chrono::system_clock::time_point> CaptureTime() const {
        return std::nullopt;
    }
    // Live sources deliver at their own pace and never end by themselves.
    virtual bool IsLive() const { return false; }
};

// Opens image files (several), a video file (one) or a live source (one), checking up front
// that each can be read. Throws CToolError.
std::unique_ptr<CFrameReader> OpenFileReader(const std::vector<std::string>& sources);
std::unique_ptr<CFrameReader> OpenLiveReader(const std::string& name);

// Any 8-bit (or deeper) picture of 1, 3 or 4 channels as CV_8UC4 B,G,R,A.
cv::Mat ToBgra(const cv::Mat& picture);
