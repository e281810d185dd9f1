#pragma once
#include "BlobInfo.h"
#include "ColourSet.h"
#include "TrackingBounds.h"
#include "TrackingParams.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace QueltaKernels {
struct CKernelSet;
}

// What the last pass found, in one record: the chosen region's box and mean pixel, its centre
// on the 480-row / 640-column scale, and how many 8-connected groups the frame held.
struct CPassResult {
    bool Found = false;
    int Regions = 0;  // every 8-connected group, also past the labels a 16-bit mask can number
    uint32_t MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;  // inclusive box
    float CenterX = 0.0f, CenterY = 0.0f;             // mean column and row
    float Row = 0.0f, Col = 0.0f;                     // the centre on the 480 x 640 scale
};

// The colour-mark tracking engine: what programs use. Frames are CV_8UC4, bytes B,G,R,A (the
// capture side's), or for Track also CV_8UC3, bytes B,G,R. One engine per document; not
// thread-safe: every call comes from one thread.
class CColorTracker {
public:
    static constexpr uint16_t Unlabelled = BlobTable::Unlabelled;
    static constexpr int MaxLabels = BlobTable::MaxLabels;  // labels 1..65534
    static constexpr int TableSize = BlobTable::Size;       // entries of the blob table

    // Kernels: the set of the process (QUELTA_KERNELS), unless another is given.
    CColorTracker();
    explicit CColorTracker(const QueltaKernels::CKernelSet& kernels);
    ~CColorTracker();
    CColorTracker(const CColorTracker&) = delete;
    CColorTracker& operator=(const CColorTracker&) = delete;

    // Mouse position over the picture, in frame pixels; (0, 0) means no point.
    void SetCalibrationPoint(int x, int y);
    // One-shot: the next pass that has a calibration window learns the colour there (of a
    // set: the colour `colour`, the first unless given).
    void RequestCalibration();
    void RequestCalibration(int colour);
    bool CalibrationRequested() const;

    // The tracking pass. Writes the six colour bounds of `params` when calibrating.
    // rowOut / colOut receive the chosen blob's centre on the 480-row / 640-column scale,
    // only when both are given and a blob was chosen. Frames are CV_8UC4 (B,G,R,A) or
    // CV_8UC3 (B,G,R, as Python programs hold them); anything else, or an empty frame, is left
    // alone: nothing is read, drawn or learnt, and the result is false.
    bool Track(cv::Mat& frame, CTrackingParams& params, bool draw, float* rowOut = nullptr,
               float* colOut = nullptr);
    // The pass as the document runs it: drawing on, no outputs, B,G,R,A frames only.
    bool ProcessFrame(cv::Mat& frame, CTrackingParams& params);

    // The pass over a colour set (1 to 16 colours, as ColourSetProblem accepts), frames as for
    // Track: every colour's marks, longest diagonal first, at most its MaxMarks, and its
    // region count. With one colour it is Track on that colour's limits (the same regions,
    // drawing and result; its first mark is Track's mark). Several colours are converted once
    // and classified together, then labelled one after the other; drawn, each mark is outlined
    // in its colour's display colour, on the mask of `maskColour` when that is a colour.
    // Calibration writes the calibrated colour's limits. Returns whether the first colour has a
    // mark; an invalid set or frame is left alone (false, no marks).
    bool TrackColours(cv::Mat& frame, CColourSet& set, bool draw, int maskColour = -1);
    const std::vector<CMark>& Marks() const;        // colour by colour
    const std::vector<int>& ColourRegions() const;  // per colour, as RegionCount() counts

    // Results of the last Track (TrackColours with one colour included).
    int RegionCount() const;        // N of the labelling
    int GroupCount() const;         // 8-connected groups found: N, unless over MaxLabels
    int ChosenBlob() const;         // index into Blobs(), or -1
    const BlobInfo* Blobs() const;  // TableSize records; 0..N-1 valid
    std::optional<CCalibrationWindow> LastWindow() const;
    CPassResult Result() const;  // all of the above that a caller reports

    // Working images of the last pass (dense rows for every width, CV_8UC3 YUV of the
    // whole frame and the labelled CV_16UC1 mask); empty before the first frame. A pass over
    // several colours may classify them without writing the YUV image.
    const cv::Mat& YuvImage() const;
    const cv::Mat& MaskImage() const;

    // Makes (or keeps, for the same size) the working images and the labelling tables; the
    // pass calls it for every frame. Without memory for them the process ends at once with
    // exit status -1.
    void EnsureImages(int width, int height);

private:
    struct Impl;
    std::unique_ptr<Impl> Work;  // working images and scratch tables, allocated once
};
