#include "Scenes.h"
#include "Reference.h"

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <numbers>
#include <stdexcept>

cv::Mat SolidFrame(int width, int height, cv::Scalar bgr) {
    return cv::Mat(height, width, CV_8UC4, cv::Scalar(bgr[0], bgr[1], bgr[2], 255));
}

cv::Mat RandomFrame(int width, int height, uint64_t seed) {
    cv::Mat f(height, width, CV_8UC4);
    cv::RNG rng(seed);
    rng.fill(f, cv::RNG::UNIFORM, 0, 256);
    return f;
}

cv::Mat Background(cv::Size size, uint64_t seed) {
    cv::RNG rng(seed);
    cv::Mat coarse(5, 7, CV_8UC1);
    rng.fill(coarse, cv::RNG::UNIFORM, 60, 190);
    cv::Mat grey;
    cv::resize(coarse, grey, size, 0, 0, cv::INTER_CUBIC);
    cv::Mat bgr;
    cv::cvtColor(grey, bgr, cv::COLOR_GRAY2BGR);
    cv::Mat noise(size, CV_8UC3);
    rng.fill(noise, cv::RNG::UNIFORM, 0, 24);
    cv::add(bgr, noise, bgr);
    cv::Mat frame;
    cv::cvtColor(bgr, frame, cv::COLOR_BGR2BGRA);
    return frame;
}

cv::Mat RandomScene(cv::Size size, uint64_t seed) {
    cv::Mat frame = Background(size, seed);
    cv::RNG rng(seed * 7919 + 1);
    const cv::Scalar colour(MarkBgr[0], MarkBgr[1], MarkBgr[2], 255);
    const int marks = rng.uniform(0, 6);
    const int largest = std::max(4, std::min(size.width, size.height) / 6);
    for (int i = 0; i < marks; ++i) {
        const cv::Point c(rng.uniform(0, size.width), rng.uniform(0, size.height));
        const int a = rng.uniform(2, largest), b = rng.uniform(2, largest);
        switch (rng.uniform(0, 4)) {
        case 0:
            cv::circle(frame, c, a, colour, cv::FILLED, cv::LINE_8);
            break;
        case 1:
            cv::circle(frame, c, a, colour, cv::FILLED, cv::LINE_AA);
            break;
        case 2:
            cv::ellipse(frame, c, {a, b}, rng.uniform(0, 180), 0, 360, colour, cv::FILLED);
            break;
        default:
            cv::rectangle(frame, cv::Rect(c.x, c.y, a * 2, b / 2 + 1), colour, cv::FILLED);
            break;
        }
    }
    for (int i = rng.uniform(0, 20); i > 0; --i) {
        const cv::Point p(rng.uniform(0, size.width), rng.uniform(0, size.height));
        frame.at<cv::Vec4b>(p) = cv::Vec4b(MarkBgr[0], MarkBgr[1], MarkBgr[2], 255);
    }
    return frame;
}

cv::Mat DiscScene(cv::Size size, cv::Point centre, int radius, uint64_t seed) {
    cv::Mat frame = Background(size, seed);
    cv::circle(frame, centre, radius, cv::Scalar(MarkBgr[0], MarkBgr[1], MarkBgr[2], 255),
               cv::FILLED, cv::LINE_8);
    return frame;
}

namespace {

// The benchmark scenes keep their own green (B, G, R, A), so their figures stay comparable
// from version to version.
const cv::Scalar MarkColour(50, 190, 70, 255);

cv::Mat TexturedBackground(int width, int height, cv::RNG& rng) {
    cv::Mat base(height, width, CV_32F);
    for (int y = 0; y < height; ++y) {
        float* row = base.ptr<float>(y);
        for (int x = 0; x < width; ++x)
            row[x] = 70.0f + 60.0f * float(x + y) / float(width + height) +
                     30.0f * std::sin(x * 0.05f) * std::cos(y * 0.07f);
    }
    // Brownish grey: a little less blue and a little more red than green.
    std::vector<cv::Mat> channels{base * 0.9, base.clone(), base * 1.1,
                                  cv::Mat(height, width, CV_32F, 255.0)};
    cv::Mat bgra32, noise(height, width, CV_32FC4);
    cv::merge(channels, bgra32);
    rng.fill(noise, cv::RNG::NORMAL, cv::Scalar(0, 0, 0, 0), cv::Scalar(8, 8, 8, 0));
    cv::Mat frame;
    cv::Mat(bgra32 + noise).convertTo(frame, CV_8UC4);
    return frame;
}

// Adds sensor-like noise to the mark-coloured pixels only.
void AddMarkNoise(cv::Mat& frame, const cv::Mat& markMask, cv::RNG& rng) {
    cv::Mat noise(frame.size(), CV_16SC4), wide;
    rng.fill(noise, cv::RNG::NORMAL, cv::Scalar(0, 0, 0, 0), cv::Scalar(6, 6, 6, 0));
    frame.convertTo(wide, CV_16SC4);
    wide += noise;
    cv::Mat noisy;
    wide.convertTo(noisy, CV_8UC4);
    noisy.copyTo(frame, markMask);
}

// Ranges around the mark colour: wide enough for its noise, far from the background.
void AcceptMarkColour(CTrackingParams& p) {
    p.lMin = 108;
    p.lMax = 170;
    p.a1Min = 66;
    p.a1Max = 104;
    p.a2Min = 50;
    p.a2Max = 88;
}

int DiscRadius(int width, int height, double share) {
    return int(std::lround(std::sqrt(share * width * height / std::numbers::pi)));
}

CScene Mark(int width, int height, bool clutter) {
    CScene s{clutter ? "clutter" : "mark", {}, {}};
    cv::RNG rng(clutter ? 11 : 7);
    s.Frame = TexturedBackground(width, height, rng);
    cv::Mat markMask(height, width, CV_8U, cv::Scalar(0));
    const int r = DiscRadius(width, height, 0.02);
    cv::circle(markMask, {width * 3 / 5, height * 2 / 5}, r, 255, cv::FILLED);
    if (clutter) {
        for (int i = 0; i < 5; ++i)  // smaller marks, each well below the main one
            cv::circle(markMask, {rng.uniform(r, width - r), rng.uniform(r, height - r)},
                       int(r * (0.25 + 0.07 * i)), 255, cv::FILLED);
        const int specks = width * height / 2000;
        for (int i = 0; i < specks; ++i)
            cv::circle(markMask, {rng.uniform(0, width), rng.uniform(0, height)}, rng.uniform(0, 3),
                       255, cv::FILLED);
    }
    s.Frame.setTo(MarkColour, markMask);
    AddMarkNoise(s.Frame, markMask, rng);
    AcceptMarkColour(s.Params);
    return s;
}

CScene Noise(int width, int height) {
    CScene s{"noise", cv::Mat(height, width, CV_8UC4), {}};
    cv::RNG rng(5);
    rng.fill(s.Frame, cv::RNG::UNIFORM, 0, 256);
    // Any Y and U; V up to its median, so about half of the pixels are accepted.
    cv::Mat yuv;
    cv::cvtColor(s.Frame, yuv, cv::COLOR_BGR2YUV);
    int histogram[256] = {};
    for (int y = 0; y < yuv.rows; ++y)
        for (int x = 0; x < yuv.cols; ++x)
            ++histogram[yuv.at<cv::Vec3b>(y, x)[2]];
    int below = 0, median = 0;
    while (below + histogram[median] < width * height / 2)
        below += histogram[median++];
    s.Params.lMax = s.Params.a1Max = 255;
    s.Params.a2Max = uint8_t(median);
    return s;
}

// Colour c of k: hues around the circle, every other one darker so that neighbours differ in
// brightness as well.
cv::Vec3b SceneColour(int c, int k) {
    cv::Mat hsv(1, 1, CV_8UC3, cv::Scalar(180 * c / k, 255, c % 2 ? 160 : 235)), bgr;
    cv::cvtColor(hsv, bgr, cv::COLOR_HSV2BGR);
    return bgr.at<cv::Vec3b>(0, 0);
}

}  // namespace

CColourScene MakeColourScene(int colours, int width, int height) {
    CColourScene s{"colours" + std::to_string(colours), {}, {}};
    cv::RNG rng(100 + colours);
    s.Frame = TexturedBackground(width, height, rng);
    // Four discs per colour, each in a cell of its own of an 8 x 8 grid, cells shuffled.
    std::vector<int> cells(64);
    for (int i = 0; i < 64; ++i)
        cells[i] = i;
    cv::randShuffle(cells, 1.0, &rng);
    const int cw = width / 8, ch = height / 8;
    cv::Mat markMask(height, width, CV_8U, cv::Scalar(0));
    for (int c = 0; c < colours; ++c) {
        const cv::Vec3b bgr = SceneColour(c, colours);
        const cv::Scalar colour(bgr[0], bgr[1], bgr[2], 255);
        cv::Mat own(height, width, CV_8U, cv::Scalar(0));
        for (int j = 0; j < 4; ++j) {
            const int cell = cells[c * 4 + j];
            const cv::Point centre((cell % 8) * cw + cw / 2, (cell / 8) * ch + ch / 2);
            cv::circle(own, centre, int(std::min(cw, ch) * (0.22 + 0.06 * j)), 255, cv::FILLED);
        }
        for (int i = width * height / (4000 * colours); i > 0; --i)
            cv::circle(own, {rng.uniform(0, width), rng.uniform(0, height)}, rng.uniform(0, 2), 255,
                       cv::FILLED);
        s.Frame.setTo(colour, own);
        markMask |= own;
        CColour entry;
        entry.Name = "colour" + std::to_string(c);
        const CLimits bounds = BoundsAround(bgr, 14);
        entry.Limits.lMin = bounds.lMin, entry.Limits.lMax = bounds.lMax;
        entry.Limits.a1Min = bounds.a1Min, entry.Limits.a1Max = bounds.a1Max;
        entry.Limits.a2Min = bounds.a2Min, entry.Limits.a2Max = bounds.a2Max;
        entry.DisplayColour = uint32_t(bgr[2]) << 16 | uint32_t(bgr[1]) << 8 | bgr[0];
        s.Set.Colours.push_back(entry);
    }
    cv::RNG noise(7);
    AddMarkNoise(s.Frame, markMask, noise);
    return s;
}

std::vector<std::string> SceneNames() { return {"mark", "clutter", "noise"}; }

CScene MakeScene(const std::string& name, int width, int height) {
    if (name == "mark")
        return Mark(width, height, false);
    if (name == "clutter")
        return Mark(width, height, true);
    if (name == "noise")
        return Noise(width, height);
    throw std::invalid_argument("unknown scene " + name);
}
