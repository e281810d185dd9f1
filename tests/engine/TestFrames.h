#pragma once
// Frames and references of the engine tests (the scenes and the OpenCV reference that other
// tests share come from tests/support).
#include "ColorTracker.h"
#include "Reference.h"
#include "Scenes.h"
#include "StepByStep.h"
#include "TrackingSteps.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace TestFrames {

// Bounds that accept exactly the colours whose YUV lies within `margin` of `bgr`'s.
inline void AcceptAround(CTrackingParams& p, cv::Scalar bgr, int margin) {
    const cv::Vec3b c = YuvOf(cv::Vec3b(uint8_t(bgr[0]), uint8_t(bgr[1]), uint8_t(bgr[2])));
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
    static StepByStep::CComponentLabeller labeller;  // keeps its tables from call to call
    CStageResult r;
    StepByStep::ConvertToYuv(frame, r.Yuv);
    StepByStep::ClassifyPixels(ColorBoundsOf(p), r.Yuv, r.Mask);
    r.Regions = labeller.LabelComponents(r.Mask);
    r.Blobs.resize(std::max(r.Regions, 1));
    StepByStep::MeasureBlobs(r.Mask, r.Blobs.data(), r.Regions);
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
