#include "ColourScene.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <string>

namespace {
// Hues around the circle, full saturation, two brightness levels alternating; the limits are
// a small box around each colour's own Y, U, V (as a calibration on a flat disc gives).
CColour ColourOf(int index, cv::Scalar& bgr) {
    const cv::Mat hsv(1, 1, CV_8UC3, cv::Scalar(index * 180 / 16, 255, index % 2 ? 255 : 170));
    cv::Mat rgb, yuv;
    cv::cvtColor(hsv, rgb, cv::COLOR_HSV2BGR);
    cv::cvtColor(rgb, yuv, cv::COLOR_BGR2YUV);
    const cv::Vec3b p = rgb.at<cv::Vec3b>(0, 0), y = yuv.at<cv::Vec3b>(0, 0);
    bgr = cv::Scalar(p[0], p[1], p[2], 255);
    CColour colour;
    colour.Name = std::to_string(index);
    colour.Name.insert(colour.Name.begin(), 'c');
    colour.DisplayColour = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    CTrackingParams& l = colour.Limits;
    const auto low = [](int v, int by) { return uint8_t(std::max(0, v - by)); };
    const auto high = [](int v, int by) { return uint8_t(std::min(255, v + by)); };
    l.lMin = low(y[0], 30), l.lMax = high(y[0], 30);
    l.a1Min = low(y[1], 3), l.a1Max = high(y[1], 3);
    l.a2Min = low(y[2], 3), l.a2Max = high(y[2], 3);
    return colour;
}
}  // namespace

CColourScene::CColourScene(int width, int height) : Width(width), Height(height) {
    Background.create(height, width, CV_8UC4);
    cv::RNG rng(7);
    rng.fill(Background, cv::RNG::UNIFORM, cv::Scalar(95, 95, 95, 255),
             cv::Scalar(135, 135, 135, 256));
    cv::GaussianBlur(Background, Background, cv::Size(5, 5), 0);
    for (int c = 0; c < Colours; ++c)
        ColourSet.Colours.push_back(ColourOf(c, DiscBgr.emplace_back()));
}

// Eight rows of eight discs, each row drifting at its own speed; a disc that leaves on the
// right comes back on the left.
void CColourScene::Render(int64_t n, cv::Mat& out) const {
    out = Background.clone();
    const int radius = std::max(4, Height / 48);
    const int columns = 8, rows = Colours * DiscsPerColour / columns;
    for (int i = 0; i < Colours * DiscsPerColour; ++i) {
        const int row = i / columns, column = i % columns;
        const int span = Width + 2 * radius;
        const int x = int((column * span / columns + n * (1 + row % 3)) % span) - radius;
        const int y = (2 * row + 1) * Height / (2 * rows);
        cv::circle(out, cv::Point(x, y), radius, DiscBgr[i % Colours], cv::FILLED);
    }
}
