#pragma once
#include <opencv2/core/mat.hpp>
#include <pybind11/numpy.h>

#include <cstddef>
#include <cstdint>

// A caller's picture as the engine needs to see it: H x W x 3 (B,G,R) or H x W x 4 (B,G,R,A)
// bytes, at any strides numpy allows. Taken apart while the GIL is held, so the pass can run
// on the raw pixels without it.
struct CFrameView {
    uint8_t* Data = nullptr;
    int Height = 0;
    int Width = 0;
    int Channels = 0;
    ptrdiff_t RowStride = 0;  // bytes, as numpy gives them (may be negative or zero)
    ptrdiff_t PixelStride = 0;
    ptrdiff_t ChannelStride = 0;

    // Rows of packed pixels at a positive step: OpenCV can take the pixels as they lie.
    bool Packed() const;
    // A cv::Mat header over the caller's pixels (Packed views only): CV_8UC3 or CV_8UC4.
    cv::Mat Header() const;
};

// Checks the type, shape and (for drawing) writeability of `frame` and describes it; raises
// TypeError or ValueError saying what is wrong. Nothing is copied.
CFrameView ViewOf(const pybind11::handle& frame, bool writable);

// Copies any view into `bgra` (CV_8UC4 of the view's size, reused when it already is), as
// cv::cvtColor's BGR to BGRA would for three channels.
void CopyIn(const CFrameView& view, cv::Mat& bgra);
// The reverse: the first Channels bytes of each `bgra` pixel back into the caller's pixels.
void CopyOut(const cv::Mat& bgra, const CFrameView& view);

// A numpy H x W x 4 array over `image`'s pixels, which it keeps alive; no copy.
pybind11::array ArrayOver(cv::Mat image);
