// The tracking pass on a small frame made from the input:
//
//   bytes 0..10   the eleven limits, each scaled to its range (colour bounds 0..255,
//                 MinARatio 0..100, widths 0..640, heights 0..480)
//   byte  11      flags: 1 show the mask, 2 calibrate at the point
//   bytes 12, 13  width and height, 1..64
//   bytes 14, 15  the calibration point, a few pixels either side of the frame as well
//   the rest      B,G,R of the pixels, repeated to fill the frame (black without any)
//
// Promises checked, drawing on: the chosen index is -1 or a region, its box and centre lie
// inside the frame, there are at most 65534 regions, and the pass agrees with OpenCV's own
// pipeline (same regions, same box) on the limits in force after any calibration. A second
// pass on half the frame checks the working images are remade for a new size.
#include "ColorTracker.h"
#include "FuzzCheck.h"
#include "KernelSetCheck.h"
#include "Reference.h"

#include <opencv2/core.hpp>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

struct CFuzzFrame {
    CTrackingParams Params;
    bool Calibrate = false;
    int PointX = 0, PointY = 0;
    cv::Mat Frame;
};

uint32_t Scaled(uint8_t byte, uint32_t limit) { return byte * (limit + 1) / 256; }

CFuzzFrame FrameOf(const uint8_t* data, size_t size) {
    uint8_t head[16] = {};
    for (size_t i = 0; i < sizeof head && i < size; ++i)
        head[i] = data[i];
    CFuzzFrame f;
    CTrackingParams& p = f.Params;
    p.lMin = head[0], p.lMax = head[1], p.a1Min = head[2], p.a1Max = head[3];
    p.a2Min = head[4], p.a2Max = head[5];
    p.MinARatio = Scaled(head[6], 100);
    p.MinWidth = Scaled(head[7], 640), p.MaxWidth = Scaled(head[8], 640);
    p.MinHeight = Scaled(head[9], 480), p.MaxHeight = Scaled(head[10], 480);
    p.ShowMask = (head[11] & 1) != 0;
    f.Calibrate = (head[11] & 2) != 0;
    const int width = 1 + head[12] % 64, height = 1 + head[13] % 64;
    f.PointX = head[14] % (width + 12) - 6;
    f.PointY = head[15] % (height + 12) - 6;
    f.Frame = cv::Mat(height, width, CV_8UC4, cv::Scalar(0, 0, 0, 255));
    const size_t pixelBytes = size > sizeof head ? size - sizeof head : 0;
    for (int i = 0; pixelBytes > 0 && i < width * height; ++i)
        for (int c = 0; c < 3; ++c)
            f.Frame.ptr<uint8_t>()[4 * i + c] = data[sizeof head + (3 * i + c) % pixelBytes];
    return f;
}

void CheckPass(CColorTracker& tracker, const cv::Mat& original, CTrackingParams& params) {
    cv::Mat frame = original.clone();
    float row = -1, col = -1;
    const bool found = tracker.Track(frame, params, true, &row, &col);
    const int regions = tracker.RegionCount();
    const int chosen = tracker.ChosenBlob();
    FUZZ_CHECK(regions >= 0 && regions <= CColorTracker::MaxLabels, "at most 65534 regions");
    FUZZ_CHECK(tracker.GroupCount() >= regions, "no more regions than groups");
    FUZZ_CHECK(chosen >= -1 && chosen < regions, "the chosen index is a region or -1");
    FUZZ_CHECK(found == (chosen >= 0), "found means a region was chosen");

    static COpenCvReference reference(CLabelling::RasterOrder);
    const CReference expected = reference.Track(original, LimitsOf(params));
    FUZZ_CHECK(regions == expected.Regions, "as many regions as OpenCV finds");
    FUZZ_CHECK(found == expected.Found, "found exactly when OpenCV's pipeline finds");
    if (!found)
        return;
    const BlobInfo& b = tracker.Blobs()[chosen];
    FUZZ_CHECK(b.MinX <= b.MaxX && int(b.MaxX) < frame.cols, "the box is inside the width");
    FUZZ_CHECK(b.MinY <= b.MaxY && int(b.MaxY) < frame.rows, "the box is inside the height");
    FUZZ_CHECK(b.CenterX >= b.MinX && b.CenterX <= b.MaxX, "the centre column is in the box");
    FUZZ_CHECK(b.CenterY >= b.MinY && b.CenterY <= b.MaxY, "the centre row is in the box");
    FUZZ_CHECK(int(b.MinX) == expected.MinX && int(b.MinY) == expected.MinY &&
                   int(b.MaxX) == expected.MaxX && int(b.MaxY) == expected.MaxY,
               "the box OpenCV's pipeline chooses");
    FUZZ_CHECK(std::abs(row - expected.Row) < 1e-3 && std::abs(col - expected.Col) < 1e-3,
               "the centre on the 480 x 640 scale");
}

// One engine for every input, as a program keeps one (and its working images change size
// from input to input); a new one only when a calibration that found no window is still
// pending, so that no input inherits another's request.
CColorTracker& Tracker() {
    static auto tracker = std::make_unique<CColorTracker>();
    if (tracker->CalibrationRequested())
        tracker = std::make_unique<CColorTracker>();
    return *tracker;
}

}  // namespace

// A replay for a kernel set this processor lacks is skipped, not passed with other kernels.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!RunsTheKernelSetAskedFor())
        std::exit(SkippedExitStatus);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzFrame f = FrameOf(data, size);
    CColorTracker& tracker = Tracker();
    tracker.SetCalibrationPoint(f.PointX, f.PointY);
    if (f.Calibrate)
        tracker.RequestCalibration();
    CheckPass(tracker, f.Frame, f.Params);
    const cv::Mat half = f.Frame.rowRange(0, (f.Frame.rows + 1) / 2).clone();
    CheckPass(tracker, half, f.Params);
    return 0;
}
