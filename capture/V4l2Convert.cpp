#include "V4l2Convert.h"

#include <linux/videodev2.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>

namespace {

// Where blue, green and red lie inside one pixel of a packed RGB format.
struct CPackedRgb {
    uint32_t PixelFormat;
    int BytesPerPixel;
    std::array<int, 3> Offset;  // of B, G, R
};

// Byte order in memory, as the kernel's tables give it.
constexpr CPackedRgb PackedRgb[] = {
    {V4L2_PIX_FMT_XBGR32, 4, {0, 1, 2}},  // B G R x
    {V4L2_PIX_FMT_ABGR32, 4, {0, 1, 2}},  // B G R A
    {V4L2_PIX_FMT_BGR32, 4, {0, 1, 2}},   // B G R A (older name)
    {V4L2_PIX_FMT_XRGB32, 4, {3, 2, 1}},  // x R G B
    {V4L2_PIX_FMT_ARGB32, 4, {3, 2, 1}},  // A R G B
    {V4L2_PIX_FMT_RGB32, 4, {3, 2, 1}},   // A R G B (older name)
    {V4L2_PIX_FMT_RGBX32, 4, {2, 1, 0}},  // R G B x
    {V4L2_PIX_FMT_RGBA32, 4, {2, 1, 0}},  // R G B A
    {V4L2_PIX_FMT_BGRX32, 4, {1, 2, 3}},  // x B G R
    {V4L2_PIX_FMT_BGRA32, 4, {1, 2, 3}},  // A B G R
    {V4L2_PIX_FMT_BGR24, 3, {0, 1, 2}},   // B G R
    {V4L2_PIX_FMT_RGB24, 3, {2, 1, 0}},   // R G B
};

// Packed 4:2:2 and planar 4:2:0 formats, with OpenCV's conversion code for each.
struct CYuv {
    uint32_t PixelFormat;
    int Code;
    bool Planar;
};

constexpr CYuv Yuv[] = {
    {V4L2_PIX_FMT_YUYV, cv::COLOR_YUV2BGRA_YUYV, false},
    {V4L2_PIX_FMT_UYVY, cv::COLOR_YUV2BGRA_UYVY, false},
    {V4L2_PIX_FMT_YVYU, cv::COLOR_YUV2BGRA_YVYU, false},
    {V4L2_PIX_FMT_NV12, cv::COLOR_YUV2BGRA_NV12, true},
    {V4L2_PIX_FMT_NV21, cv::COLOR_YUV2BGRA_NV21, true},
    {V4L2_PIX_FMT_YUV420, cv::COLOR_YUV2BGRA_I420, true},
    {V4L2_PIX_FMT_YVU420, cv::COLOR_YUV2BGRA_YV12, true},
};

const CPackedRgb* FindPacked(uint32_t pixelFormat) {
    for (const CPackedRgb& p : PackedRgb)
        if (p.PixelFormat == pixelFormat)
            return &p;
    return nullptr;
}

const CYuv* FindYuv(uint32_t pixelFormat) {
    for (const CYuv& y : Yuv)
        if (y.PixelFormat == pixelFormat)
            return &y;
    return nullptr;
}

bool IsJpeg(uint32_t pixelFormat) {
    return pixelFormat == V4L2_PIX_FMT_MJPEG || pixelFormat == V4L2_PIX_FMT_JPEG;
}

bool FitsLines(size_t bytes, int stride, int lineBytes, int rows) {
    return stride >= lineBytes && rows > 0 && bytes >= size_t(stride) * (rows - 1) + lineBytes;
}

bool ReorderPacked(const CPackedRgb& p, const uint8_t* data, size_t bytes, int stride,
                   cv::Mat& frame) {
    if (!FitsLines(bytes, stride, frame.cols * p.BytesPerPixel, frame.rows))
        return false;
    const auto [b, g, r] = p.Offset;
    for (int y = 0; y < frame.rows; ++y) {
        const uint8_t* in = data + size_t(y) * stride;
        uint8_t* out = frame.ptr<uint8_t>(y);
        for (int x = 0; x < frame.cols; ++x, in += p.BytesPerPixel, out += 4) {
            out[0] = in[b];
            out[1] = in[g];
            out[2] = in[r];
            out[3] = 255;
        }
    }
    return true;
}

bool ConvertYuv(const CYuv& yuv, const uint8_t* data, size_t bytes, int stride, cv::Mat& frame) {
    const int w = frame.cols, h = frame.rows;
    if (!yuv.Planar) {
        if (!FitsLines(bytes, stride, w * 2, h))
            return false;
        const cv::Mat in(h, w, CV_8UC2, const_cast<uint8_t*>(data), size_t(stride));
        cv::cvtColor(in, frame, yuv.Code);
        return true;
    }
    // OpenCV reads the planes as one block of rows without gaps.
    if (stride != w || w % 2 || h % 2 || bytes < size_t(w) * h * 3 / 2)
        return false;
    const cv::Mat in(h * 3 / 2, w, CV_8UC1, const_cast<uint8_t*>(data));
    cv::cvtColor(in, frame, yuv.Code);
    return true;
}

bool DecodeJpeg(const uint8_t* data, size_t bytes, cv::Mat& frame) {
    const cv::Mat encoded(1, int(bytes), CV_8UC1, const_cast<uint8_t*>(data));
    const cv::Mat picture = cv::imdecode(encoded, cv::IMREAD_COLOR);
    if (picture.size() != frame.size())
        return false;
    cv::cvtColor(picture, frame, cv::COLOR_BGR2BGRA);
    return true;
}

}  // namespace

const std::vector<uint32_t>& ConvertiblePixelFormats() {
    static const std::vector<uint32_t> formats = [] {
        std::vector<uint32_t> all;
        for (const CPackedRgb& p : PackedRgb)
            all.push_back(p.PixelFormat);
        for (const CYuv& y : Yuv)
            all.push_back(y.PixelFormat);
        all.push_back(V4L2_PIX_FMT_GREY);
        all.push_back(V4L2_PIX_FMT_MJPEG);
        all.push_back(V4L2_PIX_FMT_JPEG);
        return all;
    }();
    return formats;
}

bool CanConvert(uint32_t pixelFormat) {
    const auto& all = ConvertiblePixelFormats();
    return std::find(all.begin(), all.end(), pixelFormat) != all.end();
}

bool ConvertToFrame(uint32_t pixelFormat, const uint8_t* data, size_t bytes, int stride,
                    cv::Mat& frame) {
    if (!data || frame.empty() || frame.type() != CV_8UC4)
        return false;
    if (const CPackedRgb* packed = FindPacked(pixelFormat))
        return ReorderPacked(*packed, data, bytes, stride, frame);
    if (const CYuv* yuv = FindYuv(pixelFormat))
        return ConvertYuv(*yuv, data, bytes, stride, frame);
    if (IsJpeg(pixelFormat))
        return bytes > 0 && DecodeJpeg(data, bytes, frame);
    if (pixelFormat == V4L2_PIX_FMT_GREY) {
        if (!FitsLines(bytes, stride, frame.cols, frame.rows))
            return false;
        const cv::Mat in(frame.rows, frame.cols, CV_8UC1, const_cast<uint8_t*>(data),
                         size_t(stride));
        cv::cvtColor(in, frame, cv::COLOR_GRAY2BGRA);
        return true;
    }
    return false;
}
