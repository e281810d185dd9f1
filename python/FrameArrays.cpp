#include "FrameArrays.h"

#include <opencv2/imgproc.hpp>

#include <climits>
#include <memory>
#include <string>

namespace py = pybind11;

namespace {

constexpr char Expected[] = "H x W x 3 (BGR) or H x W x 4 (BGRA)";

std::string ShapeText(const py::array& a) {
    std::string text = "(";
    for (py::ssize_t i = 0; i < a.ndim(); ++i)
        text += (i ? ", " : "") + std::to_string(a.shape(i));
    return text + (a.ndim() == 1 ? ",)" : ")");
}

void CheckShape(const py::array& a) {
    if (a.ndim() != 3 || (a.shape(2) != 3 && a.shape(2) != 4))
        throw py::value_error(std::string("frame must be ") + Expected + ", got shape " +
                              ShapeText(a));
    if (a.shape(0) == 0 || a.shape(1) == 0)
        throw py::value_error("frame is empty: shape " + ShapeText(a));
    if (a.shape(0) > INT_MAX || a.shape(1) > INT_MAX)
        throw py::value_error("frame is too large: shape " + ShapeText(a));
}

}  // namespace

bool CFrameView::Packed() const {
    return PixelStride == Channels && ChannelStride == 1 && RowStride >= Width * Channels;
}

cv::Mat CFrameView::Header() const {
    return cv::Mat(Height, Width, CV_8UC(Channels), Data, static_cast<size_t>(RowStride));
}

CFrameView ViewOf(const py::handle& frame, bool writable) {
    if (!py::isinstance<py::array>(frame))
        throw py::type_error(std::string("frame must be a numpy array of uint8, ") + Expected +
                             "; got " + std::string(py::str(py::type::of(frame).attr("__name__"))));
    const auto a = py::reinterpret_borrow<py::array>(frame);
    if (a.itemsize() != 1 || a.dtype().kind() != 'u')
        throw py::type_error("frame must hold uint8 values, not " +
                             std::string(py::str(a.dtype())));
    CheckShape(a);
    if (writable && !a.writeable())
        throw py::value_error("draw=True draws into the frame, but the array is read-only");
    CFrameView v;
    // Only a drawing pass writes; the others read through this pointer.
    v.Data = static_cast<uint8_t*>(const_cast<void*>(a.data()));
    v.Height = static_cast<int>(a.shape(0));
    v.Width = static_cast<int>(a.shape(1));
    v.Channels = static_cast<int>(a.shape(2));
    v.RowStride = a.strides(0);
    v.PixelStride = a.strides(1);
    v.ChannelStride = a.strides(2);
    return v;
}

void CopyIn(const CFrameView& v, cv::Mat& bgra) {
    if (v.Packed()) {
        const cv::Mat header = v.Header();
        if (v.Channels == 4)
            header.copyTo(bgra);
        else
            cv::cvtColor(header, bgra, cv::COLOR_BGR2BGRA);
        return;
    }
    // Any other layout (a column slice, reversed channels, Fortran order), pixel by pixel.
    bgra.create(v.Height, v.Width, CV_8UC4);
    for (int y = 0; y < v.Height; ++y) {
        const uint8_t* row = v.Data + y * v.RowStride;
        uint8_t* out = bgra.ptr<uint8_t>(y);
        for (int x = 0; x < v.Width; ++x, out += 4) {
            const uint8_t* px = row + x * v.PixelStride;
            for (int c = 0; c < 3; ++c)
                out[c] = px[c * v.ChannelStride];
            out[3] = v.Channels == 4 ? px[3 * v.ChannelStride] : 255;
        }
    }
}

void CopyOut(const cv::Mat& bgra, const CFrameView& v) {
    if (v.Packed()) {
        cv::Mat header = v.Header();
        if (v.Channels == 4)
            bgra.copyTo(header);
        else
            cv::cvtColor(bgra, header, cv::COLOR_BGRA2BGR);
        return;
    }
    for (int y = 0; y < v.Height; ++y) {
        uint8_t* row = v.Data + y * v.RowStride;
        const uint8_t* in = bgra.ptr<uint8_t>(y);
        for (int x = 0; x < v.Width; ++x, in += 4) {
            uint8_t* px = row + x * v.PixelStride;
            for (int c = 0; c < v.Channels; ++c)
                px[c * v.ChannelStride] = in[c];
        }
    }
}

py::array ArrayOver(cv::Mat image) {
    auto owner = std::make_unique<cv::Mat>(std::move(image));
    const cv::Mat& m = *owner;
    const py::ssize_t rows = m.rows, cols = m.cols, step = static_cast<py::ssize_t>(m.step[0]);
    py::capsule keeper(owner.get(), [](void* p) { delete static_cast<cv::Mat*>(p); });
    owner.release();
    return py::array(py::dtype::of<uint8_t>(), {rows, cols, py::ssize_t(4)},
                     {step, py::ssize_t(4), py::ssize_t(1)}, m.data, keeper);
}
