#include "TestCamera.h"
#include "TestDiscs.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double PauseSeconds = 2.0;   // the mark rests in the middle, long enough to click it
constexpr double SweepSeconds = 6.0;   // then sweeps out of the picture on both sides and back
constexpr double LightSeconds = 11.0;  // period of the drifting room light
constexpr double LightSwing = 0.12;    // +-12 % of the light level
constexpr int NoiseMargin = 32;        // the noise fields are this much larger on each side

uint64_t Mix(uint64_t v) {
    v ^= v >> 33;
    v *= 0xff51afd7ed558ccdULL;
    v ^= v >> 33;
    v *= 0xc4ceb9fe1a85ec53ULL;
    return v ^ (v >> 33);
}

// The discs' colours (B, G, R, A), saturated so that nothing in the background resembles
// them and far apart from each other in YUV.
const cv::Vec4b Red(60, 30, 225, 255), Green(60, 200, 40, 255), Blue(225, 80, 30, 255);

struct CDiscLook {
    const char* Colour;
    cv::Vec4b Bgra;
};
const CDiscLook DiscLooks[CDiscPaths::Count] = {{"red", Red},     {"red", Red},   {"green", Green},
                                                {"green", Green}, {"blue", Blue}, {"blue", Blue}};

// The pillar's columns [first, last) in a picture `width` wide.
std::pair<int, int> PillarColumns(int width) {
    return {static_cast<int>(std::lround(CDiscPaths::PillarLeft * width / 640.0)),
            static_cast<int>(std::lround(CDiscPaths::PillarRight * width / 640.0))};
}

// A hard-edged disc: a pixel belongs to it when its centre lies inside the circle.
void DrawDisc(cv::Mat& out, float cx, float cy, float radius, const cv::Vec4b& colour) {
    const int x0 = std::max(0, static_cast<int>(std::floor(cx - radius)));
    const int x1 = std::min(out.cols - 1, static_cast<int>(std::ceil(cx + radius)));
    const int y0 = std::max(0, static_cast<int>(std::floor(cy - radius)));
    const int y1 = std::min(out.rows - 1, static_cast<int>(std::ceil(cy + radius)));
    const float r2 = radius * radius;
    for (int y = y0; y <= y1; ++y) {
        const float dy = y + 0.5f - cy;
        auto* row = out.ptr<cv::Vec4b>(y);
        for (int x = x0; x <= x1; ++x) {
            const float dx = x + 0.5f - cx;
            if (dx * dx + dy * dy <= r2)
                row[x] = colour;
        }
    }
}

}  // namespace

CTestCamera::CTestCamera(int width, int height, double fps, CTestScene scene)
    : FrameWidth(std::max(width, 16)), FrameHeight(std::max(height, 16)),
      FrameRate(fps > 0.0 ? fps : 30.0), Shown(scene) {
    Radius = std::max(9.0f, 0.0375f * std::min<float>(FrameWidth, FrameHeight * 4.0f / 3.0f));
    MakeBackground();
    std::lock_guard guard(NoiseLock);
    MakeNoiseLocked();
}

int CTestCamera::Width() const { return FrameWidth; }
int CTestCamera::Height() const { return FrameHeight; }
double CTestCamera::Fps() const { return FrameRate; }
CTestScene CTestCamera::Scene() const { return Shown; }
float CTestCamera::MarkRadius() const { return Radius; }
int CTestCamera::Light() const { return LightPercent; }
void CTestCamera::SetLight(int percent) { LightPercent = std::clamp(percent, 0, 200); }

int CTestCamera::Noise() const {
    std::lock_guard guard(NoiseLock);
    return NoiseAmplitude;
}

void CTestCamera::SetNoise(int amplitude) {
    std::lock_guard guard(NoiseLock);
    amplitude = std::clamp(amplitude, 0, 50);
    if (amplitude == NoiseAmplitude)
        return;
    NoiseAmplitude = amplitude;
    MakeNoiseLocked();
}

// Muted, low-saturation colours so that nothing in the background resembles the mark:
// a few large soft patches, a fine grain and a faint tile grid.
void CTestCamera::MakeBackground() {
    cv::RNG rng(20240611);
    cv::Mat coarse(6, 8, CV_8UC3);
    for (int y = 0; y < coarse.rows; ++y)
        for (int x = 0; x < coarse.cols; ++x) {
            const int grey = rng.uniform(70, 170);
            coarse.at<cv::Vec3b>(y, x) =
                cv::Vec3b(cv::saturate_cast<uchar>(grey + rng.uniform(-12, 6)),
                          cv::saturate_cast<uchar>(grey + rng.uniform(-6, 8)),
                          cv::saturate_cast<uchar>(grey + rng.uniform(-4, 14)));
        }
    cv::Mat base;
    cv::resize(coarse, base, cv::Size(FrameWidth, FrameHeight), 0, 0, cv::INTER_CUBIC);

    cv::Mat grain(FrameHeight / 4 + 1, FrameWidth / 4 + 1, CV_8UC1);
    rng.fill(grain, cv::RNG::UNIFORM, 0, 40);
    cv::resize(grain, grain, base.size(), 0, 0, cv::INTER_LINEAR);
    cv::Mat grain3;
    cv::cvtColor(grain, grain3, cv::COLOR_GRAY2BGR);
    cv::add(base, grain3, base);
    cv::subtract(base, cv::Scalar::all(20), base);

    const int tile = std::max(FrameWidth / 10, 8);
    for (int x = tile; x < FrameWidth; x += tile)
        cv::line(base, {x, 0}, {x, FrameHeight - 1}, cv::Scalar(60, 62, 66), 1);
    for (int y = tile; y < FrameHeight; y += tile)
        cv::line(base, {0, y}, {FrameWidth - 1, y}, cv::Scalar(60, 62, 66), 1);
    cv::cvtColor(base, Background, cv::COLOR_BGR2BGRA);
}

// Sensor-like noise: mostly luminance grain (the same offset on B, G and R), with a smaller
// independent colour part. Stored as its positive and negative halves so that adding it is
// two saturating byte operations.
void CTestCamera::MakeNoiseLocked() {
    const cv::Size size(FrameWidth + 2 * NoiseMargin, FrameHeight + 2 * NoiseMargin);
    cv::RNG rng(977);
    cv::Mat luma(size, CV_32F), chroma(size, CV_32FC3);
    rng.fill(luma, cv::RNG::NORMAL, 0.0, NoiseAmplitude / 2.0);
    rng.fill(chroma, cv::RNG::NORMAL, 0.0, NoiseAmplitude / 6.0);
    cv::Mat lumaC3;
    cv::merge(std::vector<cv::Mat>{luma, luma, luma}, lumaC3);
    cv::Mat total = lumaC3 + chroma;
    cv::Mat up, down;
    cv::max(total, 0.0, up);
    cv::max(-total, 0.0, down);
    up.convertTo(up, CV_8UC3);
    down.convertTo(down, CV_8UC3);
    cv::cvtColor(up, NoiseUp, cv::COLOR_BGR2BGRA);
    cv::cvtColor(down, NoiseDown, cv::COLOR_BGR2BGRA);
    // No noise in alpha: cvtColor filled it with 255.
    cv::Mat zero(size, CV_8UC1, cv::Scalar(0));
    cv::insertChannel(zero, NoiseUp, 3);
    cv::insertChannel(zero, NoiseDown, 3);
}

CTestCamera::CMarkPlace CTestCamera::MarkPlace(int64_t n) const {
    const double t = std::fmod(static_cast<double>(n) / FrameRate, PauseSeconds + SweepSeconds);
    // Eased sweep: the phase leaves and rejoins the pause with zero speed, so the mark slows
    // down into its resting place instead of stopping dead.
    const double s = t < PauseSeconds ? 0.0 : (t - PauseSeconds) / SweepSeconds;
    const double phase = 2.0 * std::numbers::pi * s - std::sin(2.0 * std::numbers::pi * s);
    // The horizontal swing reaches 0.8 of the width either side of the middle, so the mark
    // leaves the picture twice per sweep; frame 0 has it resting in the middle.
    const double x = FrameWidth * (0.5 + 0.8 * std::sin(phase));
    const double y =
        FrameHeight * (0.5 + 0.25 * std::sin(phase * 1.37 + 0.4) - 0.25 * std::sin(0.4));
    return {static_cast<float>(x), static_cast<float>(y)};
}

double CTestCamera::LightFactor(int64_t n) const {
    const double t = static_cast<double>(n) / FrameRate;
    return LightPercent / 100.0 *
           (1.0 + LightSwing * std::sin(2.0 * std::numbers::pi * t / LightSeconds));
}

std::optional<cv::Point2f> CTestCamera::MarkCentre(int64_t n) const {
    if (Shown == CTestScene::SixDiscs) {
        const CTestMark first = DiscMarks(n).front();
        return first.Visible ? std::optional(first.Centre) : std::nullopt;
    }
    const CMarkPlace p = MarkPlace(n);
    if (p.X + Radius <= 0.0f || p.X - Radius >= FrameWidth || p.Y + Radius <= 0.0f ||
        p.Y - Radius >= FrameHeight)
        return std::nullopt;
    return cv::Point2f(p.X, p.Y);
}

bool CTestCamera::MarkFullyInView(int64_t n) const {
    if (Shown == CTestScene::SixDiscs)
        return DiscMarks(n).front().Whole;
    const CMarkPlace p = MarkPlace(n);
    return p.X - Radius >= 0.0f && p.X + Radius <= FrameWidth && p.Y - Radius >= 0.0f &&
           p.Y + Radius <= FrameHeight;
}

std::vector<CTestMark> CTestCamera::Marks(int64_t n) const {
    if (Shown == CTestScene::SixDiscs)
        return DiscMarks(n);
    const CMarkPlace p = MarkPlace(n);
    return {{1, "red", cv::Point2f(p.X, p.Y), MarkCentre(n).has_value(), MarkFullyInView(n)}};
}

// The six discs, each judged against the pillar, the picture's edges and the other discs.
std::vector<CTestMark> CTestCamera::DiscMarks(int64_t n) const {
    const CDiscPaths& paths = CDiscPaths::Scene();
    const auto [left, right] = PillarColumns(FrameWidth);
    const float r = Radius, w = static_cast<float>(FrameWidth), h = static_cast<float>(FrameHeight);
    std::vector<CTestMark> marks(CDiscPaths::Count);
    bool inPicture[CDiscPaths::Count];
    for (int i = 0; i < CDiscPaths::Count; ++i) {
        const cv::Point2f p = paths.Place(i, static_cast<double>(n) / FrameRate);
        CTestMark& m = marks[i];
        m.Id = i + 1;
        m.Colour = DiscLooks[i].Colour;
        m.Centre = cv::Point2f(p.x * w / 640.0f, p.y * h / 480.0f);
        const float x = m.Centre.x, y = m.Centre.y;
        inPicture[i] = x + r > 0.0f && x - r < w && y + r > 0.0f && y - r < h;
        const bool hidden = x - r >= left && x + r <= right;
        const bool clear = x + r <= left || x - r >= right;
        m.Visible = inPicture[i] && !hidden;
        m.Whole = x - r >= 0.0f && x + r <= w && y - r >= 0.0f && y + r <= h && clear;
    }
    // Pixels of two discs are 8-neighbours only when the centres are within 2r + sqrt(2).
    for (int i = 0; i < CDiscPaths::Count; ++i)
        for (int j = i + 1; j < CDiscPaths::Count; ++j)
            if (inPicture[i] && inPicture[j] &&
                cv::norm(marks[i].Centre - marks[j].Centre) < 2.0f * r + 3.0f)
                marks[i].Whole = marks[j].Whole = false;
    return marks;
}

// The discs in id order (a later one would cover an earlier one), then the pillar over them,
// in the room's light like the background.
void CTestCamera::DrawDiscs(int64_t n, cv::Mat& out) const {
    const std::vector<CTestMark> marks = DiscMarks(n);
    for (int i = 0; i < CDiscPaths::Count; ++i)
        DrawDisc(out, marks[i].Centre.x, marks[i].Centre.y, Radius, DiscLooks[i].Bgra);
    const auto [left, right] = PillarColumns(FrameWidth);
    const double light = LightFactor(n);
    out.colRange(left, right).setTo(cv::Scalar(62 * light, 58 * light, 54 * light, 255));
}

void CTestCamera::AddNoiseLocked(int64_t n, cv::Mat& out) const {
    if (NoiseAmplitude == 0)
        return;
    const uint64_t h = Mix(static_cast<uint64_t>(n) + 0x9e3779b97f4a7c15ULL);
    const int dx = static_cast<int>(h % (2 * NoiseMargin + 1));
    const int dy = static_cast<int>((h >> 20) % (2 * NoiseMargin + 1));
    const cv::Rect window(dx, dy, FrameWidth, FrameHeight);
    cv::add(out, NoiseUp(window), out);
    cv::subtract(out, NoiseDown(window), out);
}

void CTestCamera::Render(int64_t n, cv::Mat& out) const {
    out.create(FrameHeight, FrameWidth, CV_8UC4);
    Background.convertTo(out, CV_8UC4, LightFactor(n));
    if (Shown == CTestScene::OneDisc) {
        const CMarkPlace place = MarkPlace(n);
        DrawDisc(out, place.X, place.Y, Radius, Red);
    } else {
        DrawDiscs(n, out);
    }
    std::lock_guard guard(NoiseLock);
    AddNoiseLocked(n, out);
    // convertTo scaled the alpha as well; a frame's alpha is always opaque.
    cv::Mat alpha(out.size(), CV_8UC1, cv::Scalar(255));
    cv::insertChannel(alpha, out, 3);
}
