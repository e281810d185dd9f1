#pragma once
#include "BlobInfo.h"
#include "RunLabeller.h"
#include "TrackingBounds.h"
#include "TrackingParams.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <optional>

// The tracking pass, step by step.
//
//   frame --ConvertToYuv--> yuv --ClassifyPixels--> mask (0 / Unlabelled)
//         --LabelComponents--> mask (0, 1..N) --MeasureBlobs--> table --SelectBlob--> index
//
// CColorTracker::Track runs conversion, classification, labelling and measurement fused (one
// walk over the frame makes the YUV image and the runs of two-row strips; the runs are then
// joined, numbered and measured and the mask written, see StripLabeller.h); these are the
// same steps one after the other, the plain form the fused pass must equal. The pass itself
// uses the last three (selection, the calibration window and the colour range it learns,
// painting the mask) as they are.
namespace TrackingSteps {

// B,G,R,A frame to packed Y,U,V bytes, exactly as cv::cvtColor(COLOR_BGR2YUV).
void ConvertToYuv(const cv::Mat& frame, cv::Mat& yuv);
// Unlabelled where all three components lie inside the bounds, else 0.
void ClassifyPixels(const CColorBounds& bounds, const cv::Mat& yuv, cv::Mat& mask);
// Records 0..n-1 from a mask labelled 1..n.
void MeasureBlobs(const cv::Mat& mask, BlobInfo* table, int n);
// The region with the longest bounding-box diagonal inside the limits, or -1.
int SelectBlob(const BlobInfo* table, int n, uint32_t wMin, uint32_t wMax, uint32_t hMin,
               uint32_t hMax, double rLimit);
// The 11 x 11 square around (x, y), clipped to the frame; none for the point (0, 0).
std::optional<CCalibrationWindow> WindowAround(int x, int y, int width, int height);
// The colour bounds learnt from the window's pixels, widened by fixed margins.
void CalibrateColorRange(const cv::Mat& yuv, CTrackingParams& params,
                         const CCalibrationWindow& window);
// Mask pixels white, the others black, over a B,G,R,A frame (alpha kept) or a B,G,R one.
void PaintMask(const cv::Mat& mask, cv::Mat& frame);

// Labelling on its own, with scratch tables kept from call to call.
class CComponentLabeller {
public:
    // Labels a 0 / Unlabelled mask in place with 1..N (8-connected, one number per group,
    // numbered in raster order of each group's first pixel); other values count as
    // background and become 0. counts: BlobTable::Size entries or null; when the mask has a
    // marker pixel, counts[r] = pixels of region r, otherwise the array is untouched.
    // At most BlobTable::MaxLabels groups are numbered: with more, those with the longest
    // truncated bounding-box diagonals (earlier first pixel on a tie) keep numbers and the
    // others become background (0), so the mask never holds 0xFFFF or more than N.
    int LabelComponents(cv::Mat& mask, uint32_t* counts = nullptr);
    // 8-connected groups of the last mask, however many.
    int GroupCount() const { return Labeller.GroupCount(); }

private:
    CRunLabeller Labeller;
};

}  // namespace TrackingSteps
