#include "ColorTrackerImpl.h"

#include "Kernels.h"
#include "TrackingSteps.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>

CColorTracker::CColorTracker() : CColorTracker(QueltaKernels::ActiveKernels()) {}
CColorTracker::CColorTracker(const QueltaKernels::CKernelSet& kernels)
    : Work(std::make_unique<Impl>(kernels)) {}
CColorTracker::~CColorTracker() = default;

void CColorTracker::SetCalibrationPoint(int x, int y) {
    Work->PointX = x;
    Work->PointY = y;
}

void CColorTracker::RequestCalibration() { RequestCalibration(0); }
bool CColorTracker::CalibrationRequested() const { return Work->CalibrationPending; }

int CColorTracker::RegionCount() const { return Work->Regions; }
int CColorTracker::GroupCount() const { return Work->Groups; }
int CColorTracker::ChosenBlob() const { return Work->Chosen; }
const BlobInfo* CColorTracker::Blobs() const { return Work->Table.data(); }
std::optional<CCalibrationWindow> CColorTracker::LastWindow() const { return Work->Window; }

CPassResult CColorTracker::Result() const {
    const Impl& w = *Work;
    CPassResult r;
    r.Regions = w.Groups;
    r.Found = w.Chosen >= 0;
    if (!r.Found)
        return r;
    const BlobInfo& b = w.Table[w.Chosen];
    r.MinX = b.MinX;
    r.MinY = b.MinY;
    r.MaxX = b.MaxX;
    r.MaxY = b.MaxY;
    r.CenterX = b.CenterX;
    r.CenterY = b.CenterY;
    w.ReportCentre(r.Row, r.Col);
    return r;
}
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

bool CColorTracker::ProcessFrame(cv::Mat& frame, CTrackingParams& params) {
    if (frame.type() != CV_8UC4)
        return false;  // the document's frames are B,G,R,A; anything else is not one
    return Track(frame, params, true);
}

namespace {

// Fills the YUV image inside the window only: calibration must see the frame's YUV
// before the fused pass converts (and classifies) the whole frame with the new bounds.
void ConvertWindow(const cv::Mat& frame, cv::Mat& yuv, const CCalibrationWindow& window) {
    const int left = std::max(window.Left, 0);
    const int right = std::min(window.Right, frame.cols - 1);
    const int bytes = frame.channels();
    for (int y = std::max(window.Top, 0); y <= std::min(window.Bottom, frame.rows - 1); ++y) {
        const uint8_t* px = frame.ptr<uint8_t>(y) + bytes * left;
        uint8_t* out = yuv.ptr<uint8_t>(y) + 3 * left;
        for (int x = left; x <= right; ++x, px += bytes, out += 3) {
            const QueltaKernels::CYuv p = QueltaKernels::YuvOf(px[0], px[1], px[2]);
            out[0] = p.Y;
            out[1] = p.U;
            out[2] = p.V;
        }
    }
}

}  // namespace

bool CColorTracker::Track(cv::Mat& frame, CTrackingParams& params, bool draw, float* rowOut,
                          float* colOut) {
    if (frame.empty() || (frame.type() != CV_8UC4 && frame.type() != CV_8UC3))
        return false;
    EnsureImages(frame.cols, frame.rows);
    Work->CalibrateIfAsked(frame, params);
    Work->LabelFrame(frame, ColorBoundsOf(params));
    Work->ChooseBlob(params);
    if (rowOut != nullptr && colOut != nullptr)
        Work->ReportCentre(*rowOut, *colOut);
    if (draw)
        Work->Draw(frame, params.ShowMask);
    return Work->Chosen >= 0;
}

void CColorTracker::Impl::CalibrateIfAsked(const cv::Mat& frame, CTrackingParams& params) {
    Window = TrackingSteps::WindowAround(PointX, PointY, Width, Height);
    if (Window && CalibrationPending) {
        CalibrationPending = false;
        ConvertWindow(frame, Yuv, *Window);
        TrackingSteps::CalibrateColorRange(Yuv, params, *Window);
    }
}

// Conversion, classification, labelling and measurement: one walk over the frame turns each
// row into YUV and a bit row, every two bit rows into runs; the labeller then joins, numbers
// and measures them and writes the mask.
void CColorTracker::Impl::LabelFrame(const cv::Mat& frame, const CColorBounds& bounds) {
    const auto convertClassify =
        frame.channels() == 4 ? Kernels.ConvertClassifyRow : Kernels.ConvertClassifyBgrRow;
    Labeller.Begin(Width, Height);
    for (int y = 0; y < Height; ++y) {
        convertClassify(frame.ptr<uint8_t>(y), Yuv.ptr<uint8_t>(y), nullptr, Labeller.RowBits(y),
                        Width, bounds);
        Labeller.AddRow(y);
    }
    // The labeller writes the whole mask from the bit rows, at once with the labels.
    if (Labeller.RunCount() > 0) {
        Regions = Labeller.Finish(&Mask, MaxLabels, Table.data());
    } else {
        Mask.setTo(0);
        Regions = 0;
    }
    Groups = Labeller.GroupCount();
}

void CColorTracker::Impl::ChooseBlob(const CTrackingParams& params) {
    const CSelectionBounds s = CSelectionBounds::For(params, Width, Height);
    Chosen = TrackingSteps::SelectBlob(Table.data(), Regions, s.MinWidth, s.MaxWidth, s.MinHeight,
                                       s.MaxHeight, s.RatioLimit);
}

// The chosen centre on the 480-row / 640-column scale, whatever the frame's size.
void CColorTracker::Impl::ReportCentre(float& row, float& col) const {
    if (Chosen < 0)
        return;
    const BlobInfo& b = Table[Chosen];
    row = static_cast<float>((b.CenterY + 0.5) * (480.0 / Height));
    col = static_cast<float>((b.CenterX + 0.5) * (640.0 / Width));
}

// The mask (on request), the red outline of the mark and the green calibration window.
void CColorTracker::Impl::Draw(cv::Mat& frame, bool showMask) const {
    if (showMask)
        TrackingSteps::PaintMask(Mask, frame);
    if (Chosen >= 0) {
        const BlobInfo& b = Table[Chosen];
        cv::rectangle(frame, cv::Point(int(b.MinX), int(b.MinY)),
                      cv::Point(int(b.MaxX), int(b.MaxY)), cv::Scalar(0, 0, 255), 2);
    }
    if (Window) {
        const CCalibrationWindow& c = *Window;
        cv::rectangle(frame, cv::Point(c.Left, c.Top), cv::Point(c.Right, c.Bottom),
                      cv::Scalar(0, 255, 0), 1);
    }
}
