#include "Reference.h"

#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <sstream>

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

bool Near(const std::string& field, double value) {
    try {
        return std::abs(std::stod(field) - value) <= 0.0101;
    } catch (...) {
        return false;
    }
}

}  // namespace

std::string SettingsText(const CLimits& l) {
    std::ostringstream text;
    text << "QTA 1\r\nlMin " << l.lMin << "\r\nlMax " << l.lMax << "\r\na1Min " << l.a1Min
         << "\r\na1Max " << l.a1Max << "\r\na2Min " << l.a2Min << "\r\na2Max " << l.a2Max
         << "\r\nMinARatio " << l.MinARatio << "\r\nMinWidth " << l.MinWidth << "\r\nMaxWidth "
         << l.MaxWidth << "\r\nMinHeight " << l.MinHeight << "\r\nMaxHeight " << l.MaxHeight
         << "\r\n";
    return text.str();
}

bool ParseSettingsText(const std::string& text, CLimits& l) {
    std::istringstream in(text);
    std::string key;
    long values[12];
    const char* keys[12] = {"QTA",   "lMin",      "lMax",     "a1Min",    "a1Max",     "a2Min",
                            "a2Max", "MinARatio", "MinWidth", "MaxWidth", "MinHeight", "MaxHeight"};
    for (int k = 0; k < 12; ++k) {
        if (!(in >> key >> values[k]) || key != keys[k])
            return false;
    }
    l = {static_cast<int>(values[1]),      static_cast<int>(values[2]),
         static_cast<int>(values[3]),      static_cast<int>(values[4]),
         static_cast<int>(values[5]),      static_cast<int>(values[6]),
         static_cast<unsigned>(values[7]), static_cast<unsigned>(values[8]),
         static_cast<unsigned>(values[9]), static_cast<unsigned>(values[10]),
         static_cast<unsigned>(values[11])};
    return true;
}

CReference ReferenceTrack(const cv::Mat& bgra, const CLimits& l) {
    cv::setNumThreads(1);  // single-threaded labelling numbers the regions in raster order
    cv::Mat yuv, mask, labels, stats, centroids;
    cv::cvtColor(bgra, yuv, cv::COLOR_BGR2YUV);
    cv::inRange(yuv, cv::Scalar(l.lMin, l.a1Min, l.a2Min), cv::Scalar(l.lMax, l.a1Max, l.a2Max),
                mask);
    const int n = cv::connectedComponentsWithStats(mask, labels, stats, centroids, 8, CV_32S);
    const CBounds b = BoundsFor(l, bgra.cols, bgra.rows);
    CReference result;
    result.Regions = n - 1;
    unsigned best = 0;
    for (int i = 1; i < n; ++i) {
        const unsigned w = stats.at<int>(i, cv::CC_STAT_WIDTH) - 1;
        const unsigned h = stats.at<int>(i, cv::CC_STAT_HEIGHT) - 1;
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
        result.MinX = stats.at<int>(i, cv::CC_STAT_LEFT);
        result.MinY = stats.at<int>(i, cv::CC_STAT_TOP);
        result.MaxX = result.MinX + static_cast<int>(w);
        result.MaxY = result.MinY + static_cast<int>(h);
        result.CenterX = centroids.at<double>(i, 0);
        result.CenterY = centroids.at<double>(i, 1);
        result.Row = (result.CenterY + 0.5) * (480.0 / bgra.rows);
        result.Col = (result.CenterX + 0.5) * (640.0 / bgra.cols);
    }
    return result;
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

std::string CompareRow(const std::vector<std::string>& row, const CReference& e) {
    std::ostringstream why;
    if (row.size() != 11) {
        why << "row has " << row.size() << " fields";
        return why.str();
    }
    if (row[1] != (e.Found ? "1" : "0"))
        why << " found " << row[1] << " expected " << e.Found;
    if (row[2] != std::to_string(e.Regions))
        why << " regions " << row[2] << " expected " << e.Regions;
    if (!e.Found) {
        for (int k = 3; k < 11; ++k)
            if (!row[k].empty())
                why << " field " << k << " should be empty";
        return why.str();
    }
    const int box[4] = {e.MinX, e.MinY, e.MaxX, e.MaxY};
    for (int k = 0; k < 4; ++k)
        if (row[3 + k] != std::to_string(box[k]))
            why << " box field " << k << " " << row[3 + k] << " expected " << box[k];
    const double decimals[4] = {e.CenterX, e.CenterY, e.Row, e.Col};
    for (int k = 0; k < 4; ++k) {
        if (!Near(row[7 + k], decimals[k]))
            why << " field " << 7 + k << " " << row[7 + k] << " expected " << decimals[k];
        const size_t dot = row[7 + k].find('.');
        if (dot == std::string::npos || row[7 + k].size() - dot != 3)
            why << " field " << 7 + k << " '" << row[7 + k] << "' is not 2 decimals";
    }
    return why.str();
}
