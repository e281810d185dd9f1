#pragma once
#include "BlobInfo.h"
#include "RunLabeller.h"
#include "TrackingBounds.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>

// The tracking pass, one plain step after the other: what the engine's fused pass must equal.
//
//   frame --ConvertToYuv--> yuv --ClassifyPixels--> mask (0 / Unlabelled)
//         --LabelComponents--> mask (0, 1..N) --MeasureBlobs--> table --SelectBlob--> index
//
// (selection, the calibration window and painting are the engine's own, TrackingSteps.h).
namespace StepByStep {

// B,G,R,A or B,G,R frame to packed Y,U,V bytes with the engine's scalar formula.
void ConvertToYuv(const cv::Mat& frame, cv::Mat& yuv);
// Unlabelled where all three components lie inside the bounds, else 0.
void ClassifyPixels(const CColorBounds& bounds, const cv::Mat& yuv, cv::Mat& mask);
// Records 0..n-1 from a mask labelled 1..n.
void MeasureBlobs(const cv::Mat& mask, BlobInfo* table, int n);

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

}  // namespace StepByStep
