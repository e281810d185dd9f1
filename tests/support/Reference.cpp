#include "Reference.h"

#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {

struct CBounds {
    unsigned WMin, WMax, HMin, HMax;
    double Ratio;
};

CBounds BoundsFor(const CLimits& l, int width, int height) {
    // 1/640 as a float is 0.0015625000232830644; width times it, rounded to float.
    const float sx = static_cast<float>(width * 0.0015625000232830644);
    const double sy = 0.0020833334419876337;
    return {static_cast<unsigned>(l.MinWidth * static_cast<double>(sx)),
            static_cast<unsigned>(l.MaxWidth * static_cast<double>(sx)),
            static_cast<unsigned>(static_cast<double>(l.MinHeight * height) * sy),
            static_cast<unsigned>(static_cast<double>(l.MaxHeight * height) * sy),
            l.MinARatio * 0.01};
}

unsigned Isqrt(unsigned long long v) {
    unsigned long long r = static_cast<unsigned long long>(std::sqrt(static_cast<double>(v)));
    while (r * r > v)
        --r;
    while ((r + 1) * (r + 1) <= v)
        ++r;
    return static_cast<unsigned>(r);
}

}  // namespace

CLimits LimitsOf(const CTrackingParams& p) {
    return {p.lMin,      p.lMax,     p.a1Min,    p.a1Max,     p.a2Min,    p.a2Max,
            p.MinARatio, p.MinWidth, p.MaxWidth, p.MinHeight, p.MaxHeight};
}

COpenCvReference::COpenCvReference(CLabelling labelling) : Labelling(labelling) {
    cv::setNumThreads(1);
}

CReference COpenCvReference::Track(const cv::Mat& bgra, const CLimits& l) {
    cv::cvtColor(bgra, Yuv, cv::COLOR_BGR2YUV);
    cv::inRange(Yuv, cv::Scalar(l.lMin, l.a1Min, l.a2Min), cv::Scalar(l.lMax, l.a1Max, l.a2Max),
                Mask);
    const int algorithm = Labelling == CLabelling::RasterOrder ? cv::CCL_WU : cv::CCL_DEFAULT;
    const int n =
        cv::connectedComponentsWithStats(Mask, Labels, Stats, Centroids, 8, CV_32S, algorithm);
    const CBounds b = BoundsFor(l, bgra.cols, bgra.rows);
    CReference result;
    result.Regions = n - 1;
    unsigned best = 0;
    for (int i = 1; i < n; ++i) {
        const unsigned w = Stats.at<int>(i, cv::CC_STAT_WIDTH) - 1;
        const unsigned h = Stats.at<int>(i, cv::CC_STAT_HEIGHT) - 1;
        if (w == 0 || h == 0 || w < b.WMin || w > b.WMax || h < b.HMin || h > b.HMax)
            continue;
        const double ratio = w > h ? double(h) / w : double(w) / h;
        if (!(ratio > b.Ratio))
            continue;
        const unsigned score = Isqrt(1ULL * w * w + 1ULL * h * h);
        if (score <= best)
            continue;
        best = score;
        result.Found = true;
        result.MinX = Stats.at<int>(i, cv::CC_STAT_LEFT);
        result.MinY = Stats.at<int>(i, cv::CC_STAT_TOP);
        result.MaxX = result.MinX + static_cast<int>(w);
        result.MaxY = result.MinY + static_cast<int>(h);
        result.CenterX = Centroids.at<double>(i, 0);
        result.CenterY = Centroids.at<double>(i, 1);
        result.Row = (result.CenterY + 0.5) * (480.0 / bgra.rows);
        result.Col = (result.CenterX + 0.5) * (640.0 / bgra.cols);
    }
    return result;
}

CReference ReferenceTrack(const cv::Mat& bgra, const CLimits& limits) {
    COpenCvReference reference(CLabelling::RasterOrder);
    return reference.Track(bgra, limits);
}

cv::Vec3b YuvOf(const cv::Vec3b& bgr) {
    cv::Mat pixel(1, 1, CV_8UC3, cv::Scalar(bgr[0], bgr[1], bgr[2])), yuv;
    cv::cvtColor(pixel, yuv, cv::COLOR_BGR2YUV);
    return yuv.at<cv::Vec3b>(0, 0);
}

CLimits BoundsAround(const cv::Vec3b& bgr, int margin) {
    const cv::Vec3b yuv = YuvOf(bgr);
    auto lo = [&](int c) { return std::max(0, yuv[c] - margin); };
    auto hi = [&](int c) { return std::min(255, yuv[c] + margin); };
    CLimits l;
    l.lMin = lo(0);
    l.lMax = hi(0);
    l.a1Min = lo(1);
    l.a1Max = hi(1);
    l.a2Min = lo(2);
    l.a2Max = hi(2);
    return l;
}

COpenCvMarks::COpenCvMarks(CLabelling labelling) : Labelling(labelling) { cv::setNumThreads(1); }

const std::vector<CMark>& COpenCvMarks::Track(const cv::Mat& yuv, const CLimits& l, int colour,
                                              int maxMarks) {
    cv::inRange(yuv, cv::Scalar(l.lMin, l.a1Min, l.a2Min), cv::Scalar(l.lMax, l.a1Max, l.a2Max),
                Mask);
    const int algorithm = Labelling == CLabelling::RasterOrder ? cv::CCL_WU : cv::CCL_DEFAULT;
    const int n =
        cv::connectedComponentsWithStats(Mask, Labels, Stats, Centroids, 8, CV_32S, algorithm);
    Regions = n - 1;
    const CBounds b = BoundsFor(l, yuv.cols, yuv.rows);
    Found.clear();  // diagonal, mark; in label order
    for (int i = 1; i < n; ++i) {
        const unsigned w = Stats.at<int>(i, cv::CC_STAT_WIDTH) - 1;
        const unsigned h = Stats.at<int>(i, cv::CC_STAT_HEIGHT) - 1;
        if (w == 0 || h == 0 || w < b.WMin || w > b.WMax || h < b.HMin || h > b.HMax)
            continue;
        if (!((w > h ? double(h) / w : double(w) / h) > b.Ratio))
            continue;
        CMark m;
        m.Colour = colour;
        m.MinX = Stats.at<int>(i, cv::CC_STAT_LEFT);
        m.MinY = Stats.at<int>(i, cv::CC_STAT_TOP);
        m.MaxX = m.MinX + w;
        m.MaxY = m.MinY + h;
        m.PixelCount = Stats.at<int>(i, cv::CC_STAT_AREA);
        m.CenterX = static_cast<float>(Centroids.at<double>(i, 0));
        m.CenterY = static_cast<float>(Centroids.at<double>(i, 1));
        m.Row = static_cast<float>((Centroids.at<double>(i, 1) + 0.5) * (480.0 / yuv.rows));
        m.Col = static_cast<float>((Centroids.at<double>(i, 0) + 0.5) * (640.0 / yuv.cols));
        Found.emplace_back(Isqrt(1ULL * w * w + 1ULL * h * h), m);
    }
    std::stable_sort(Found.begin(), Found.end(),
                     [](const auto& a, const auto& c) { return a.first > c.first; });
    Marks.clear();
    for (size_t i = 0; i < Found.size() && static_cast<int>(i) < maxMarks; ++i)
        Marks.push_back(Found[i].second);
    return Marks;
}

std::vector<CMark> ReferenceMarks(const cv::Mat& yuv, const CLimits& l, int colour, int maxMarks) {
    COpenCvMarks reference(CLabelling::RasterOrder);
    return reference.Track(yuv, l, colour, maxMarks);
}
