// The pass over a colour set: one walk over the frame converts it and classifies every pixel
// for every colour (a bit row per colour and row); each colour's rows are then labelled and
// measured in turn, with one labeller and one blob table, and its marks taken out before the
// next colour's, so the memory does not grow with the colours.
#include "ColorTrackerImpl.h"
#include "TrackingSteps.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstring>

void CColorTracker::RequestCalibration(int colour) {
    Work->CalibrationColour = colour;
    Work->CalibrationPending = true;
}

const std::vector<CMark>& CColorTracker::Marks() const { return Work->Marks; }
const std::vector<int>& CColorTracker::ColourRegions() const { return Work->ColourRegions; }

bool CColorTracker::TrackColours(cv::Mat& frame, CColourSet& set, bool draw, int maskColour) {
    Impl& w = *Work;
    w.Marks.clear();
    w.ColourRegions.clear();
    if (frame.empty() || (frame.type() != CV_8UC4 && frame.type() != CV_8UC3) ||
        ColourSetProblem(set))
        return false;
    const int colours = static_cast<int>(set.Colours.size());
    if (colours == 1) {
        // Today's pass, bit for bit; ShowMask of the limits, or the mask asked for.
        CTrackingParams& limits = set.Colours[0].Limits;
        const bool showMask = limits.ShowMask;
        limits.ShowMask = showMask || maskColour == 0;
        if (w.CalibrationPending && w.CalibrationColour != 0)
            w.CalibrationPending = false;  // no such colour
        const bool found = Track(frame, limits, draw);
        limits.ShowMask = showMask;
        w.ColourRegions.push_back(w.Groups);
        w.CollectMarks(0, set.Colours[0], w.Regions);
        return found;
    }
    EnsureImages(frame.cols, frame.rows);
    if (w.CalibrationPending && w.CalibrationColour >= colours)
        w.CalibrationPending = false;
    w.CalibrateIfAsked(frame, set.Colours[std::min(w.CalibrationColour, colours - 1)].Limits);
    w.ClassifyColours(frame, set);
    for (int c = 0; c < colours; ++c)
        w.LabelColour(c, set.Colours[c]);
    w.Chosen = -1;  // the one-colour results do not describe this pass
    if (draw)
        w.DrawColours(frame, set, maskColour);
    return !w.Marks.empty() && w.Marks.front().Colour == 0;
}

const uint64_t* CColorTracker::Impl::Plane(int colour) const {
    return Planes.Data() +
           std::size_t(colour) * Height * std::size_t(CStripLabeller::StrideFor(Width));
}

void CColorTracker::Impl::ClassifyColours(const cv::Mat& frame, const CColourSet& set) {
    const int colours = static_cast<int>(set.Colours.size());
    const std::size_t stride = CStripLabeller::StrideFor(Width);
    Planes.Reserve(
        CWorkBuffer::CheckedProduct({std::size_t(colours), std::size_t(Height), stride}));
    CColorBounds bounds[QueltaKernels::MaxColours];
    for (int c = 0; c < colours; ++c)
        bounds[c] = ColorBoundsOf(set.Colours[c].Limits);
    const bool fourBytes = frame.channels() == 4;
    const auto convertClassifyAll =
        fourBytes ? Kernels.ConvertClassifyRows : Kernels.ConvertClassifyBgrRows;
    const auto convertClassify =
        fourBytes ? Kernels.ConvertClassifyRow : Kernels.ConvertClassifyBgrRow;
    uint64_t* rows[QueltaKernels::MaxColours];
    for (int c = 0; c < colours; ++c)
        rows[c] = const_cast<uint64_t*>(Plane(c));
    for (int y = 0; y < Height; ++y) {
        for (int c = 0; c < colours; ++c)
            rows[c][stride - 1] = 0;  // the word after the row's, for the contact bits
        if (convertClassifyAll != nullptr) {
            convertClassifyAll(frame.ptr<uint8_t>(y), Width, bounds, colours, rows);
        } else {
            // The first colour with the conversion, the others from the row just converted.
            uint8_t* yuv = Yuv.ptr<uint8_t>(y);
            convertClassify(frame.ptr<uint8_t>(y), yuv, nullptr, rows[0], Width, bounds[0]);
            Kernels.ClassifyRows(yuv, Width, bounds + 1, colours - 1, rows + 1);
        }
        for (int c = 0; c < colours; ++c)
            rows[c] += stride;
    }
}

void CColorTracker::Impl::LabelColour(int colour, const CColour& c) {
    Labeller.LabelRows(Width, Height, Plane(colour));
    const int regions =
        Labeller.RunCount() > 0 ? Labeller.Finish(nullptr, MaxLabels, Table.data()) : 0;
    ColourRegions.push_back(Labeller.GroupCount());
    if (colour == 0) {
        Regions = regions;
        Groups = Labeller.GroupCount();
    }
    CollectMarks(colour, c, regions);
}

// The colour's marks from the blob table of its labelling, with their shapes from the
// labeller's runs.
void CColorTracker::Impl::CollectMarks(int colour, const CColour& c, int regions) {
    const CSelectionBounds s = CSelectionBounds::For(c.Limits, Width, Height);
    TrackingSteps::SelectMarks(Table.data(), regions, s, c.MaxMarks, ChosenMarks);
    if (ChosenMarks.empty())
        return;
    Moments.assign(ChosenMarks.size(), CRegionMoments{});
    for (std::size_t j = 0; j < ChosenMarks.size(); ++j)
        MarkOf[ChosenMarks[j] + 1] = static_cast<int>(j);
    Labeller.SumMoments(MarkOf.data(), Moments.data());
    for (std::size_t j = 0; j < ChosenMarks.size(); ++j) {
        MarkOf[ChosenMarks[j] + 1] = -1;
        const BlobInfo& b = Table[ChosenMarks[j]];
        CMark m;
        m.Colour = colour;
        m.MinX = b.MinX, m.MinY = b.MinY, m.MaxX = b.MaxX, m.MaxY = b.MaxY;
        m.CenterX = b.CenterX, m.CenterY = b.CenterY;
        m.PixelCount = b.PixelCount;
        m.Row = static_cast<float>((b.CenterY + 0.5) * (480.0 / Height));
        m.Col = static_cast<float>((b.CenterX + 0.5) * (640.0 / Width));
        Moments[j].Shape(m.Angle, m.Elongation);
        Marks.push_back(m);
    }
}

namespace {

// Mask pixels (the set bits) white, the others black, in a B,G,R,A or B,G,R frame.
void PaintBits(const uint64_t* rows, int stride, cv::Mat& frame) {
    const int bytes = frame.channels();
    for (int y = 0; y < frame.rows; ++y) {
        const uint64_t* bits = rows + std::size_t(y) * stride;
        uint8_t* px = frame.ptr<uint8_t>(y);
        for (int x = 0; x < frame.cols; ++x, px += bytes)
            px[0] = px[1] = px[2] = (bits[x >> 6] >> (x & 63)) & 1 ? 255 : 0;
    }
}

// The outline cv::rectangle draws with thickness 2 around the inclusive box x0..x1, y0..y1:
// the box grown by a pixel less the box shrunk by two, without the grown box's four corner
// pixels, clipped to the frame. Drawn row by row here: a colour set's marks are many, and
// OpenCV's thick lines and round caps cost more than the pixels they set. The fourth byte of a
// B,G,R,A pixel becomes 0, as cv::rectangle writes it for a three-value colour.
void OutlineBox(cv::Mat& frame, int x0, int y0, int x1, int y1, const uint8_t bgr[3]) {
    const bool fourBytes = frame.channels() == 4;
    const uint8_t value[4] = {bgr[0], bgr[1], bgr[2], 0};
    const auto span = [&](uint8_t* row, int from, int to) {
        const int begin = std::max(from, 0), end = std::min(to, frame.cols - 1);
        if (fourBytes)
            for (int x = begin; x <= end; ++x)
                std::memcpy(row + 4 * x, value, 4);
        else
            for (int x = begin; x <= end; ++x)
                std::memcpy(row + 3 * x, value, 3);
    };
    for (int y = std::max(y0 - 1, 0); y <= std::min(y1 + 1, frame.rows - 1); ++y) {
        uint8_t* row = frame.ptr<uint8_t>(y);
        if (y == y0 - 1 || y == y1 + 1) {
            span(row, x0, x1);
        } else if (y <= y0 + 1 || y >= y1 - 1) {
            span(row, x0 - 1, x1 + 1);
        } else {
            span(row, x0 - 1, x0 + 1);
            span(row, x1 - 1, x1 + 1);
        }
    }
}

}  // namespace

void CColorTracker::Impl::DrawColours(cv::Mat& frame, const CColourSet& set, int maskColour) const {
    if (maskColour >= 0 && maskColour < static_cast<int>(set.Colours.size()))
        PaintBits(Plane(maskColour), CStripLabeller::StrideFor(Width), frame);
    for (const CMark& m : Marks) {
        const uint32_t rgb = set.Colours[m.Colour].DisplayColour;
        const uint8_t bgr[3] = {uint8_t(rgb & 0xFF), uint8_t((rgb >> 8) & 0xFF),
                                uint8_t((rgb >> 16) & 0xFF)};
        OutlineBox(frame, int(m.MinX), int(m.MinY), int(m.MaxX), int(m.MaxY), bgr);
    }
    if (Window) {
        const CCalibrationWindow& c = *Window;
        cv::rectangle(frame, cv::Point(c.Left, c.Top), cv::Point(c.Right, c.Bottom),
                      cv::Scalar(0, 255, 0), 1);
    }
}
