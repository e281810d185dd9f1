#include "ColorTracker.h"

#include "RunLabeller.h"
#include "WorkBuffer.h"
#include "YuvKernels.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>

struct CColorTracker::Impl {
    // Working images: dense rows for every width (row = width pixels exactly).
    bool ImagesExist = false;
    int Width = 0;
    int Height = 0;
    CWorkBuffer YuvData;
    CWorkBuffer MaskData;
    cv::Mat Yuv;   // CV_8UC3 header over YuvData
    cv::Mat Mask;  // CV_16UC1 header over MaskData

    CRunLabeller Labeller;
    std::array<BlobInfo, TableSize> Table{};

    int PointX = 0;
    int PointY = 0;
    bool CalibrationPending = false;

    int Regions = 0;
    int Groups = 0;
    int Chosen = -1;
    std::optional<CalibrationWindow> Window;
};

CColorTracker::CColorTracker() : Work(std::make_unique<Impl>()) {}
CColorTracker::~CColorTracker() = default;

void CColorTracker::SetCalibrationPoint(int x, int y) {
    Work->PointX = x;
    Work->PointY = y;
}

void CColorTracker::RequestCalibration() { Work->CalibrationPending = true; }
bool CColorTracker::CalibrationRequested() const { return Work->CalibrationPending; }

int CColorTracker::RegionCount() const { return Work->Regions; }
int CColorTracker::GroupCount() const { return Work->Groups; }
int CColorTracker::ChosenBlob() const { return Work->Chosen; }
const BlobInfo* CColorTracker::Blobs() const { return Work->Table.data(); }
std::optional<CalibrationWindow> CColorTracker::LastWindow() const { return Work->Window; }
const cv::Mat& CColorTracker::YuvImage() const { return Work->Yuv; }
const cv::Mat& CColorTracker::MaskImage() const { return Work->Mask; }

void CColorTracker::EnsureImages(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    Impl& w = *Work;
    if (w.ImagesExist && (w.Width != width || w.Height != height)) {
        w.Yuv.release();
        w.Mask.release();
        w.YuvData.Release();
        w.MaskData.Release();
        w.ImagesExist = false;
    }
    if (w.ImagesExist)
        return;
    const auto pixels = CWorkBuffer::CheckedProduct({size_t(width), size_t(height)});
    w.YuvData.Allocate(CWorkBuffer::CheckedProduct({pixels, 3}));
    w.MaskData.Allocate(CWorkBuffer::CheckedProduct({pixels, 2}));
    w.Labeller.Reserve(width, height);
    w.Yuv = cv::Mat(height, width, CV_8UC3, w.YuvData.As<void>());
    w.Mask = cv::Mat(height, width, CV_16UC1, w.MaskData.As<void>());
    w.Width = width;
    w.Height = height;
    w.ImagesExist = true;
}

int CColorTracker::LabelComponents(cv::Mat& mask, uint32_t* counts) {
    if (mask.type() != CV_16UC1 || mask.empty())
        return 0;
    CRunLabeller& labeller = Work->Labeller;
    labeller.Begin(mask.cols, mask.rows);
    for (int y = 0; y < mask.rows; ++y) {
        uint16_t* row = mask.ptr<uint16_t>(y);
        uint64_t* bits = labeller.RowBits();
        std::fill(bits, bits + (mask.cols + 63) / 64, 0);
        for (int x = 0; x < mask.cols; ++x) {
            // Only the marker is a pixel to label; anything else counts as background,
            // so the result holds nothing but 0 and 1..N.
            const bool mark = row[x] == Unlabelled;
            bits[x >> 6] |= uint64_t(mark) << (x & 63);
            if (!mark)
                row[x] = 0;
        }
        labeller.AddRow(y);
    }
    if (labeller.RunCount() == 0)
        return 0;
    const int n = labeller.Finish(mask, MaxLabels, nullptr);
    if (counts != nullptr)
        labeller.Count(counts, TableSize);
    return n;
}

bool CColorTracker::ProcessFrame(cv::Mat& frame, CTrackingParams& params) {
    return Track(frame, params, true);
}

namespace {

// Fills the YUV image inside the window only: calibration must see the frame's YUV
// before the fused pass converts (and classifies) the whole frame with the new bounds.
void ConvertWindow(const cv::Mat& frame, cv::Mat& yuv, const CalibrationWindow& window) {
    const int left = std::max(window.Left, 0);
    const int count = std::min(window.Right, frame.cols - 1) - left + 1;
    if (count <= 0)
        return;
    for (int y = std::max(window.Top, 0); y <= std::min(window.Bottom, frame.rows - 1); ++y)
        QueltaKernels::ConvertRowScalar(frame.ptr<uint8_t>(y) + 4 * left,
                                        yuv.ptr<uint8_t>(y) + 3 * left, count);
}

}  // namespace

bool CColorTracker::Track(cv::Mat& frame, CTrackingParams& params, bool draw, float* rowOut,
                          float* colOut) {
    if (frame.empty() || frame.type() != CV_8UC4)
        return false;
    Impl& w = *Work;
    const int width = frame.cols;
    const int height = frame.rows;
    EnsureImages(width, height);

    w.Window = WindowAround(w.PointX, w.PointY, width, height);
    if (w.Window && w.CalibrationPending) {
        w.CalibrationPending = false;
        ConvertWindow(frame, w.Yuv, *w.Window);
        CalibrateColorRange(w.Yuv, params, *w.Window);
    }

    // One pass over the frame: YUV, mask and the bit rows the labeller turns into runs.
    const ColorBounds bounds = ColorBounds::From(params);
    const auto convertClassify = QueltaKernels::ConvertClassifyRow();
    CRunLabeller& labeller = w.Labeller;
    labeller.Begin(width, height);
    for (int y = 0; y < height; ++y) {
        convertClassify(frame.ptr<uint8_t>(y), w.Yuv.ptr<uint8_t>(y), w.Mask.ptr<uint16_t>(y),
                        labeller.RowBits(), width, bounds);
        labeller.AddRow(y);
    }
    int n = 0;
    if (labeller.RunCount() > 0) {
        n = labeller.Finish(w.Mask, MaxLabels, w.Table.data());
    }
    w.Regions = n;
    w.Groups = labeller.GroupCount();

    const SelectionBounds s = SelectionBounds::For(params, width, height);
    const int e = SelectBlob(w.Table.data(), n, s.MinWidth, s.MaxWidth, s.MinHeight, s.MaxHeight,
                             s.RatioLimit);
    w.Chosen = e;

    if (e >= 0 && rowOut != nullptr && colOut != nullptr) {
        const BlobInfo& b = w.Table[e];
        *rowOut = static_cast<float>((b.CenterY + 0.5) * (480.0 / height));
        *colOut = static_cast<float>((b.CenterX + 0.5) * (640.0 / width));
    }
    if (!draw)
        return e >= 0;

    if (params.ShowMask)
        PaintMask(w.Mask, frame);
    if (e >= 0) {
        const BlobInfo& b = w.Table[e];
        cv::rectangle(frame, cv::Point(int(b.MinX), int(b.MinY)),
                      cv::Point(int(b.MaxX), int(b.MaxY)), cv::Scalar(0, 0, 255), 2);
    }
    if (w.Window) {
        const CalibrationWindow& c = *w.Window;
        cv::rectangle(frame, cv::Point(c.Left, c.Top), cv::Point(c.Right, c.Bottom),
                      cv::Scalar(0, 255, 0), 1);
    }
    return e >= 0;
}
