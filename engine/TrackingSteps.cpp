#include "TrackingSteps.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace {

uint32_t TruncateToU32(double v) {
    if (!(v > 0.0))
        return 0;
    if (v >= 4294967295.0)
        return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(v);
}

// Kept from call to call: the pass allocates nothing once it has seen its largest frame.
std::vector<std::pair<uint64_t, int>>& ScoredScratch() {
    thread_local std::vector<std::pair<uint64_t, int>> scored;
    return scored;
}

uint8_t Widen(int value, int by) { return static_cast<uint8_t>(std::clamp(value + by, 0, 255)); }

}  // namespace

// Belongs to the bounds type; defined here beside the other per-frame arithmetic.
CSelectionBounds CSelectionBounds::For(const CTrackingParams& p, int frameWidth, int frameHeight) {
    // Width scale in single precision (1/640 as a float), as the limits always were; the
    // limit times that scale is then taken exactly (a float product would round 50.99998
    // up to 51 on a 3264-column frame).
    const float sx = static_cast<float>(frameWidth) * 0.0015625f;
    // The nearest float to 1/480, applied in double to limit x height.
    constexpr double perRow = static_cast<double>(0.0020833334f);
    CSelectionBounds b{};
    b.MinWidth = TruncateToU32(p.MinWidth * static_cast<double>(sx));
    b.MaxWidth = TruncateToU32(p.MaxWidth * static_cast<double>(sx));
    b.MinHeight = TruncateToU32(
        static_cast<double>(uint64_t{p.MinHeight} * uint64_t(std::max(frameHeight, 0))) * perRow);
    b.MaxHeight = TruncateToU32(
        static_cast<double>(uint64_t{p.MaxHeight} * uint64_t(std::max(frameHeight, 0))) * perRow);
    b.RatioLimit = p.MinARatio * 0.01;
    return b;
}

namespace TrackingSteps {

void PaintMask(const cv::Mat& mask, cv::Mat& frame) {
    const int rows = std::min(mask.rows, frame.rows);
    const int cols = std::min(mask.cols, frame.cols);
    for (int y = 0; y < rows; ++y) {
        const uint16_t* m = mask.ptr<uint16_t>(y);
        if (frame.channels() == 3) {
            uint8_t* px = frame.ptr<uint8_t>(y);
            for (int x = 0; x < cols; ++x, px += 3)
                px[0] = px[1] = px[2] = m[x] != 0 ? 255 : 0;
            continue;
        }
        uint32_t* px = frame.ptr<uint32_t>(y);
        // Little-endian B,G,R,A: the fourth byte is the top byte of the word.
        for (int x = 0; x < cols; ++x)
            px[x] = (px[x] & 0xFF000000u) | (m[x] != 0 ? 0x00FFFFFFu : 0u);
    }
}

uint64_t QualifyingScore(const BlobInfo& b, const CSelectionBounds& s) {
    const uint32_t w = b.MaxX - b.MinX;
    const uint32_t h = b.MaxY - b.MinY;
    if (w == 0 || h == 0)
        return 0;
    if (w < s.MinWidth || w > s.MaxWidth || h < s.MinHeight || h > s.MaxHeight)
        return 0;
    const double ratio = w > h ? double(h) / double(w) : double(w) / double(h);
    if (!(ratio > s.RatioLimit))
        return 0;
    return DiagonalScore(w, h);
}

int SelectBlob(const BlobInfo* table, int n, uint32_t wMin, uint32_t wMax, uint32_t hMin,
               uint32_t hMax, double rLimit) {
    const CSelectionBounds s{wMin, wMax, hMin, hMax, rLimit};
    uint64_t best = 0;
    int result = -1;
    for (int i = 0; i < n; ++i) {
        const uint64_t score = QualifyingScore(table[i], s);
        if (score > best) {  // strictly: an equal later score keeps the earlier region
            best = score;
            result = i;
        }
    }
    return result;
}

void SelectMarks(const BlobInfo* table, int n, const CSelectionBounds& bounds, int most,
                 std::vector<int>& chosen) {
    std::vector<std::pair<uint64_t, int>>& scored = ScoredScratch();
    scored.clear();
    for (int i = 0; i < n; ++i)
        if (const uint64_t score = QualifyingScore(table[i], bounds))
            scored.emplace_back(score, i);
    const auto longerFirst = [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    };
    const std::size_t keep = std::min<std::size_t>(scored.size(), std::max(most, 0));
    std::partial_sort(scored.begin(), scored.begin() + keep, scored.end(), longerFirst);
    chosen.clear();
    for (std::size_t j = 0; j < keep; ++j)
        chosen.push_back(scored[j].second);
}

std::optional<CCalibrationWindow> WindowAround(int x, int y, int width, int height) {
    if (x == 0 && y == 0)
        return std::nullopt;
    // In 64 bits so points near the int limits cannot overflow; every clipped value
    // fits an int again.
    const int64_t left = std::max<int64_t>(int64_t{x} - 5, 0);
    const int64_t top = std::max<int64_t>(int64_t{y} - 5, 0);
    const int64_t right = std::min<int64_t>(int64_t{x} + 5, int64_t{width} - 1);
    const int64_t bottom = std::min<int64_t>(int64_t{y} + 5, int64_t{height} - 1);
    return CCalibrationWindow{static_cast<int32_t>(std::min<int64_t>(left, INT32_MAX)),
                              static_cast<int32_t>(std::min<int64_t>(top, INT32_MAX)),
                              static_cast<int32_t>(std::max<int64_t>(right, INT32_MIN)),
                              static_cast<int32_t>(std::max<int64_t>(bottom, INT32_MIN))};
}

void CalibrateColorRange(const cv::Mat& yuv, CTrackingParams& params,
                         const CCalibrationWindow& window) {
    int lo[3] = {255, 255, 255};
    int hi[3] = {0, 0, 0};
    // Only pixels of the image are read, whatever window a caller passes.
    const int top = std::max(window.Top, 0);
    const int bottom = std::min(window.Bottom, yuv.rows - 1);
    const int left = std::max(window.Left, 0);
    const int right = std::min(window.Right, yuv.cols - 1);
    for (int y = top; y <= bottom; ++y) {
        const uint8_t* px = yuv.ptr<uint8_t>(y) + 3 * left;
        for (int x = left; x <= right; ++x, px += 3) {
            for (int c = 0; c < 3; ++c) {
                lo[c] = std::min<int>(lo[c], px[c]);
                hi[c] = std::max<int>(hi[c], px[c]);
            }
        }
    }
    params.lMin = Widen(lo[0], -30);
    params.lMax = Widen(hi[0], 30);
    params.a1Min = Widen(lo[1], -5);
    params.a1Max = Widen(hi[1], 5);
    params.a2Min = Widen(lo[2], -5);
    params.a2Max = Widen(hi[2], 5);
}

}  // namespace TrackingSteps
