#pragma once
#include "TrackingParams.h"

#include <opencv2/core/mat.hpp>

// The same pass written with OpenCV's own operations: cvtColor to YUV, inRange,
// connectedComponentsWithStats (8-connectivity), the same choice rule, rectangle.
// Keeps its images between passes, as OpenCV code normally would.
class COpenCvPipeline {
public:
    // Returns the chosen box (empty when none) and draws it like the engine does.
    cv::Rect Process(cv::Mat& frame, const CTrackingParams& params);

private:
    cv::Mat Yuv, Mask, Labels, Stats, Centroids;
};
