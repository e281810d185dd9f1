#pragma once
#include "BlobInfo.h"
#include "TrackingParams.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <memory>
#include <optional>

// Inclusive square of pixels around the calibration point.
struct CalibrationWindow {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
};

// The six colour bounds, copied from the record once per pass.
struct ColorBounds {
    uint8_t lMin, lMax, a1Min, a1Max, a2Min, a2Max;
    static ColorBounds From(const CTrackingParams& p) {
        return {p.lMin, p.lMax, p.a1Min, p.a1Max, p.a2Min, p.a2Max};
    }
};

// Selection bounds of one frame, the size limits scaled from 640 x 480.
struct SelectionBounds {
    uint32_t MinWidth, MaxWidth, MinHeight, MaxHeight;
    double RatioLimit;
    static SelectionBounds For(const CTrackingParams& p, int frameWidth, int frameHeight);
};

// The colour-mark tracking engine. Frames are CV_8UC4, continuous, bytes B,G,R,A.
// One engine per document; it is large (fixed tables), so never make it a temporary.
// Not thread-safe: every call comes from one thread.
class CColorTracker {
public:
    static constexpr uint16_t Unlabelled = 0xFFFF;  // mask marker before labelling
    static constexpr int MaxLabels = 65534;         // labels 1..65534
    static constexpr int TableSize = 65535;         // blob table / count array entries

    CColorTracker();
    ~CColorTracker();
    CColorTracker(const CColorTracker&) = delete;
    CColorTracker& operator=(const CColorTracker&) = delete;

    // Mouse position over the picture, in frame pixels; (0, 0) means no point.
    void SetCalibrationPoint(int x, int y);
    // One-shot: the next pass that has a calibration window learns the colour there.
    void RequestCalibration();
    bool CalibrationRequested() const;

    // The tracking pass. Writes the six colour bounds of `params` when calibrating.
    // rowOut / colOut receive the chosen blob's centre on the 480-row / 640-column scale,
    // only when both are given and a blob was chosen. A frame that is empty or not
    // CV_8UC4 is left alone: nothing is read, drawn or learnt, and the result is false.
    // Conversion, classification, labelling and measurement run fused in one walk over
    // the frame; the results are those of the stages below run one after the other.
    bool Track(cv::Mat& frame, CTrackingParams& params, bool draw, float* rowOut = nullptr,
               float* colOut = nullptr);
    // The pass as the document runs it: drawing on, no outputs.
    bool ProcessFrame(cv::Mat& frame, CTrackingParams& params);

    // Results of the last pass.
    int RegionCount() const;        // N of the labelling
    int GroupCount() const;         // 8-connected groups found: N, unless over MaxLabels
    int ChosenBlob() const;         // index into Blobs(), or -1
    const BlobInfo* Blobs() const;  // TableSize records; 0..N-1 valid
    std::optional<CalibrationWindow> LastWindow() const;

    // Working images of the last pass (dense rows for every width, CV_8UC3 YUV of the
    // whole frame and the labelled CV_16UC1 mask); empty before the first frame.
    const cv::Mat& YuvImage() const;
    const cv::Mat& MaskImage() const;

    // The stages, usable on their own (tests, tools).
    // Makes (or keeps, for the same size) the working images and the labelling tables.
    // Without memory for them the process ends at once with exit status -1.
    void EnsureImages(int width, int height);
    static void ConvertToYuv(const cv::Mat& frame, cv::Mat& yuv);
    static void ClassifyPixels(const ColorBounds& bounds, const cv::Mat& yuv, cv::Mat& mask);
    static void PaintMask(const cv::Mat& mask, cv::Mat& frame);
    // Labels a 0 / 0xFFFF mask in place with 1..N (8-connected, one number per group,
    // numbered in raster order of each group's first pixel); other values count as
    // background and become 0. counts: TableSize entries or null; when the mask has a
    // marker pixel, counts[r] = pixels of region r, otherwise the array is untouched.
    // At most MaxLabels groups are numbered: with more, those with the longest truncated
    // bounding-box diagonals (earlier first pixel on a tie) keep numbers and the others
    // become background (0), so the mask never holds 0xFFFF or more than N.
    int LabelComponents(cv::Mat& mask, uint32_t* counts = nullptr);
    static void MeasureBlobs(const cv::Mat& mask, BlobInfo* table, int n);
    static int SelectBlob(const BlobInfo* table, int n, uint32_t wMin, uint32_t wMax, uint32_t hMin,
                          uint32_t hMax, double rLimit);
    static std::optional<CalibrationWindow> WindowAround(int x, int y, int width, int height);
    static void CalibrateColorRange(const cv::Mat& yuv, CTrackingParams& params,
                                    const CalibrationWindow& window);

private:
    struct Impl;
    std::unique_ptr<Impl> Work;  // working images and scratch tables, allocated once
};
