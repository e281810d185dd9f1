#pragma once
#include "BlobInfo.h"
#include "TrackingBounds.h"
#include "TrackingParams.h"

#include <opencv2/core/mat.hpp>

#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

// The steps of the tracking pass around its fused conversion, classification, labelling and
// measurement (StripLabeller.h): choosing the mark, the calibration window and the colour range
// it learns, and painting the mask.
namespace TrackingSteps {

// The selection's score of a box w x h: the largest whole s with s * s <= w * w + h * h.
inline uint64_t DiagonalScore(uint64_t w, uint64_t h) {
    const uint64_t v = w * w + h * h;
    uint64_t s = static_cast<uint64_t>(std::sqrt(static_cast<double>(v)));
    while (s > 0 && s * s > v)
        --s;
    while ((s + 1) * (s + 1) <= v)
        ++s;
    return s;
}

// A region's diagonal score when it is inside the limits, else 0 (a region that counts scores
// at least 1).
uint64_t QualifyingScore(const BlobInfo& blob, const CSelectionBounds& bounds);
// The region with the longest bounding-box diagonal inside the limits, or -1.
int SelectBlob(const BlobInfo* table, int n, uint32_t wMin, uint32_t wMax, uint32_t hMin,
               uint32_t hMax, double rLimit);
// The regions inside the limits, longest diagonal first (the earlier region on a tie, so the
// first is SelectBlob's), at most `most` of them: their indices into the table.
void SelectMarks(const BlobInfo* table, int n, const CSelectionBounds& bounds, int most,
                 std::vector<int>& chosen);
// The 11 x 11 square around (x, y), clipped to the frame; none for the point (0, 0).
std::optional<CCalibrationWindow> WindowAround(int x, int y, int width, int height);
// The colour bounds learnt from the window's pixels, widened by fixed margins.
void CalibrateColorRange(const cv::Mat& yuv, CTrackingParams& params,
                         const CCalibrationWindow& window);
// Mask pixels white, the others black, over a B,G,R,A frame (alpha kept) or a B,G,R one.
void PaintMask(const cv::Mat& mask, cv::Mat& frame);

}  // namespace TrackingSteps
