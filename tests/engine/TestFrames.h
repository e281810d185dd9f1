#pragma once
// Frames and references shared by the engine tests.
#include "ColorTracker.h"
#include "TrackingSteps.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace TestFrames {

// B,G,R,A frame of one colour.
inline cv::Mat Solid(int width, int height, cv::Scalar bgr) {
    return cv::Mat(height, width, CV_8UC4, cv::Scalar(bgr[0], bgr[1], bgr[2], 255));
}

// Random B,G,R,A bytes.
inline cv::Mat Random(int width, int height, uint64_t seed) {
    cv::Mat f(height, width, CV_8UC4);
    cv::RNG rng(seed);
    rng.fill(f, cv::RNG::UNIFORM, 0, 256);
    return f;
}

// YUV of one B,G,R colour as cv::cvtColor gives it.
inline cv::Vec3b YuvOf(cv::Scalar bgr) {
    cv::Mat px(1, 1, CV_8UC3, bgr), yuv;
    cv::cvtColor(px, yuv, cv::COLOR_BGR2YUV);
    return yuv.at<cv::Vec3b>(0, 0);
}

// Bounds that accept exactly the colours whose YUV lies within `margin` of `bgr`'s.
inline void AcceptAround(CTrackingParams& p, cv::Scalar bgr, int margin) {
    const cv::Vec3b c = YuvOf(bgr);
    auto lo = [&](int v) { return uint8_t(std::max(v - margin, 0)); };
    auto hi = [&](int v) { return uint8_t(std::min(v + margin, 255)); };
    p.lMin = lo(c[0]);
    p.lMax = hi(c[0]);
    p.a1Min = lo(c[1]);
    p.a1Max = hi(c[1]);
    p.a2Min = lo(c[2]);
    p.a2Max = hi(c[2]);
}

inline const cv::Scalar Grey(128, 128, 128);
inline const cv::Scalar Blue(255, 40, 20);

// A 0 / 0xFFFF mask from a 0 / non-zero 8-bit picture.
inline cv::Mat MarkerMask(const cv::Mat& binary) {
    cv::Mat mask(binary.size(), CV_16UC1, cv::Scalar(0));
    mask.setTo(cv::Scalar(CColorTracker::Unlabelled), binary != 0);
    return mask;
}

// Random 0 / 0xFFFF mask with the given share of marker pixels.
inline cv::Mat RandomMarkerMask(int width, int height, double share, cv::RNG& rng) {
    cv::Mat u(height, width, CV_32F);
    rng.fill(u, cv::RNG::UNIFORM, 0.0, 1.0);
    cv::Mat binary = u < share;
    return MarkerMask(binary);
}

// The tracking pass done stage by stage with the plain operations.
struct CStageResult {
    cv::Mat Yuv, Mask;
    int Regions = 0;
    std::vector<BlobInfo> Blobs;
    int Chosen = -1;
};

inline CStageResult RunStages(const cv::Mat& frame, const CTrackingParams& p) {
    static TrackingSteps::CComponentLabeller labeller;  // keeps its tables from call to call
    CStageResult r;
    TrackingSteps::ConvertToYuv(frame, r.Yuv);
    TrackingSteps::ClassifyPixels(CColorBounds::From(p), r.Yuv, r.Mask);
    r.Regions = labeller.LabelComponents(r.Mask);
    r.Blobs.resize(std::max(r.Regions, 1));
    TrackingSteps::MeasureBlobs(r.Mask, r.Blobs.data(), r.Regions);
    const CSelectionBounds s = CSelectionBounds::For(p, frame.cols, frame.rows);
    r.Chosen = TrackingSteps::SelectBlob(r.Blobs.data(), r.Regions, s.MinWidth, s.MaxWidth,
                                         s.MinHeight, s.MaxHeight, s.RatioLimit);
    return r;
}

inline bool SameBytes(const cv::Mat& a, const cv::Mat& b) {
    if (a.size() != b.size() || a.type() != b.type())
        return false;
    for (int y = 0; y < a.rows; ++y)
        if (std::memcmp(a.ptr(y), b.ptr(y), a.cols * a.elemSize()) != 0)
            return false;
    return true;
}

}  // namespace TestFrames
