#include "StepByStep.h"

#include "YuvFormula.h"

#include <algorithm>
#include <vector>

namespace StepByStep {

void ConvertToYuv(const cv::Mat& frame, cv::Mat& yuv) {
    yuv.create(frame.rows, frame.cols, CV_8UC3);
    const int bytes = frame.channels();
    for (int y = 0; y < frame.rows; ++y) {
        const uint8_t* px = frame.ptr<uint8_t>(y);
        uint8_t* out = yuv.ptr<uint8_t>(y);
        for (int x = 0; x < frame.cols; ++x, px += bytes, out += 3) {
            const QueltaKernels::CYuv p = QueltaKernels::YuvOf(px[0], px[1], px[2]);
            out[0] = p.Y;
            out[1] = p.U;
            out[2] = p.V;
        }
    }
}

void ClassifyPixels(const CColorBounds& bounds, const cv::Mat& yuv, cv::Mat& mask) {
    mask.create(yuv.rows, yuv.cols, CV_16UC1);
    for (int y = 0; y < yuv.rows; ++y) {
        const uint8_t* in = yuv.ptr<uint8_t>(y);
        uint16_t* out = mask.ptr<uint16_t>(y);
        for (int x = 0; x < yuv.cols; ++x, in += 3)
            out[x] = bounds.Accepts(in) ? BlobTable::Unlabelled : 0;
    }
}
void MeasureBlobs(const cv::Mat& mask, BlobInfo* table, int n) {
    if (n <= 0)
        return;
    // 64-bit sums: on large frames a region's column sum passes 2^31.
    std::vector<int64_t> sumX(n, 0), sumY(n, 0);
    for (int r = 0; r < n; ++r)
        table[r] = BlobInfo{0, uint32_t(mask.cols), uint32_t(mask.rows), 0,
                            0, table[r].CenterX,    table[r].CenterY};
    for (int y = 0; y < mask.rows; ++y) {
        const uint16_t* row = mask.ptr<uint16_t>(y);
        for (int x = 0; x < mask.cols; ++x) {
            const int v = row[x];
            if (v == 0 || v > n)
                continue;
            BlobInfo& b = table[v - 1];
            ++b.PixelCount;
            b.MinX = std::min(b.MinX, uint32_t(x));
            b.MaxX = std::max(b.MaxX, uint32_t(x));
            b.MinY = std::min(b.MinY, uint32_t(y));
            b.MaxY = std::max(b.MaxY, uint32_t(y));
            sumX[v - 1] += x;
            sumY[v - 1] += y;
        }
    }
    for (int r = 0; r < n; ++r) {
        if (table[r].PixelCount > 0) {
            table[r].CenterX =
                static_cast<float>(static_cast<double>(sumX[r]) / table[r].PixelCount);
            table[r].CenterY =
                static_cast<float>(static_cast<double>(sumY[r]) / table[r].PixelCount);
        }
    }
}
int CComponentLabeller::LabelComponents(cv::Mat& mask, uint32_t* counts) {
    if (mask.type() != CV_16UC1 || mask.empty())
        return 0;
    Labeller.Begin(mask.cols, mask.rows);
    for (int y = 0; y < mask.rows; ++y) {
        uint16_t* row = mask.ptr<uint16_t>(y);
        uint64_t* bits = Labeller.RowBits();
        std::fill(bits, bits + (mask.cols + 63) / 64, 0);
        for (int x = 0; x < mask.cols; ++x) {
            // Only the marker is a pixel to label; anything else counts as background,
            // so the result holds nothing but 0 and 1..N.
            const bool mark = row[x] == BlobTable::Unlabelled;
            bits[x >> 6] |= uint64_t(mark) << (x & 63);
            if (!mark)
                row[x] = 0;
        }
        Labeller.AddRow(y);
    }
    if (Labeller.RunCount() == 0)
        return 0;
    const int n = Labeller.Finish(mask, BlobTable::MaxLabels, nullptr);
    if (counts != nullptr)
        Labeller.Count(counts, BlobTable::Size);
    return n;
}

}  // namespace StepByStep
