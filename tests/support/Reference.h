#pragma once
// The tracking pass written with OpenCV's own operations: cvtColor to YUV, inRange,
// connectedComponentsWithStats (8-connected), then the selection rule (longest truncated
// diagonal within the scaled limits, the first one on ties). Tests hold the engine and the
// tools to it; the benchmark times it beside the engine. It shares no code with the engine.
#include "ColourSet.h"
#include "TrackingParams.h"

#include <opencv2/core/mat.hpp>

#include <utility>
#include <vector>

// The tracking limits as the reference states them.
struct CLimits {
    int lMin = 0, lMax = 0, a1Min = 0, a1Max = 0, a2Min = 0, a2Max = 0;
    unsigned MinARatio = 0, MinWidth = 3, MaxWidth = 640, MinHeight = 3, MaxHeight = 480;
};
CLimits LimitsOf(const CTrackingParams& params);

// What the pass finds on one frame.
struct CReference {
    bool Found = false;
    int Regions = 0;
    int MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;  // inclusive box
    double CenterX = 0, CenterY = 0, Row = 0, Col = 0;
};

// How OpenCV labels: its fastest labelling works on 2 x 2 blocks, so a region whose first pixel
// lies one row lower but further left in the same pair of rows can get the lower number; Wu's
// scan numbers regions exactly in raster order of their first pixels, which the selection's
// tie rule (the earlier region wins) needs.
enum class CLabelling { Fastest, RasterOrder };

// Keeps its images from frame to frame, as OpenCV code normally would. OpenCV runs on one
// thread.
class COpenCvReference {
public:
    explicit COpenCvReference(CLabelling labelling = CLabelling::Fastest);
    CReference Track(const cv::Mat& bgra, const CLimits& limits);

private:
    CLabelling Labelling;
    cv::Mat Yuv, Mask, Labels, Stats, Centroids;
};

// One frame, with images of its own, regions numbered in raster order.
CReference ReferenceTrack(const cv::Mat& bgra, const CLimits& limits);

// Bounds that accept `bgr` with a margin on each YUV component.
CLimits BoundsAround(const cv::Vec3b& bgr, int margin);
// YUV of one B,G,R colour as cv::cvtColor gives it.
cv::Vec3b YuvOf(const cv::Vec3b& bgr);

// Every mark of one colour in a YUV image (cv::cvtColor(COLOR_BGR2YUV)): inRange on the
// limits' bounds, 8-connected regions numbered in raster order of their first pixels, those
// within the size and aspect limits, longest truncated diagonal first (the earlier first
// pixel on a tie), at most maxMarks. Marked with colour index `colour`; angle and
// elongation are left at 0.
std::vector<CMark> ReferenceMarks(const cv::Mat& yuv, const CLimits& limits, int colour,
                                  int maxMarks);

// The same with images kept from call to call, as an OpenCV program tracking several colours
// would write it; with CLabelling::Fastest, marks of equal diagonal may come in another order.
class COpenCvMarks {
public:
    explicit COpenCvMarks(CLabelling labelling = CLabelling::Fastest);
    const std::vector<CMark>& Track(const cv::Mat& yuv, const CLimits& limits, int colour,
                                    int maxMarks);
    int Regions = 0;  // of the last call

private:
    CLabelling Labelling;
    cv::Mat Mask, Labels, Stats, Centroids;
    std::vector<std::pair<unsigned, CMark>> Found;
    std::vector<CMark> Marks;
};
