#include "OpenCvPipeline.h"

#include "ColorTracker.h"
#include "TrackingSteps.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

namespace {

uint64_t IntegerSqrt(uint64_t v) {
    uint64_t s = uint64_t(std::sqrt(double(v)));
    while (s > 0 && s * s > v)
        --s;
    while ((s + 1) * (s + 1) <= v)
        ++s;
    return s;
}

// The longest truncated diagonal among boxes inside the limits, first one on ties.
int Choose(const cv::Mat& stats, int n, const CSelectionBounds& b) {
    uint64_t best = 0;
    int result = -1;
    for (int i = 1; i < n; ++i) {
        const int* s = stats.ptr<int>(i);
        const uint32_t w = uint32_t(s[cv::CC_STAT_WIDTH] - 1);
        const uint32_t h = uint32_t(s[cv::CC_STAT_HEIGHT] - 1);
        if (w == 0 || h == 0 || w < b.MinWidth || w > b.MaxWidth || h < b.MinHeight ||
            h > b.MaxHeight)
            continue;
        const double ratio = w > h ? double(h) / w : double(w) / h;
        if (!(ratio > b.RatioLimit))
            continue;
        const uint64_t score = IntegerSqrt(uint64_t(w) * w + uint64_t(h) * h);
        if (score > best) {
            best = score;
            result = i;
        }
    }
    return result;
}

}  // namespace

cv::Rect COpenCvPipeline::Process(cv::Mat& frame, const CTrackingParams& p) {
    cv::cvtColor(frame, Yuv, cv::COLOR_BGR2YUV);
    cv::inRange(Yuv, cv::Scalar(p.lMin, p.a1Min, p.a2Min), cv::Scalar(p.lMax, p.a1Max, p.a2Max),
                Mask);
    const int n = cv::connectedComponentsWithStats(Mask, Labels, Stats, Centroids, 8, CV_32S);
    const int chosen = Choose(Stats, n, CSelectionBounds::For(p, frame.cols, frame.rows));
    if (chosen < 0)
        return {};
    const int* s = Stats.ptr<int>(chosen);
    const cv::Rect box(s[cv::CC_STAT_LEFT], s[cv::CC_STAT_TOP], s[cv::CC_STAT_WIDTH],
                       s[cv::CC_STAT_HEIGHT]);
    cv::rectangle(frame, box.tl(), box.br() - cv::Point(1, 1), cv::Scalar(0, 0, 255), 2);
    return box;
}
