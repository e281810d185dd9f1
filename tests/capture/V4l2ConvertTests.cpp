// The driver's pixel formats into frames: each format is built here from a known picture by
// its own definition (byte order, BT.601 YUV, JPEG), and must convert back to that picture.
#include "V4l2Convert.h"

#include <linux/videodev2.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Eight colour bars, 8 columns each, in B,G,R.
cv::Mat Bars() {
    const cv::Vec3b colours[] = {{191, 191, 191}, {0, 191, 191}, {191, 191, 0}, {0, 191, 0},
                                 {191, 0, 191},   {0, 0, 191},   {191, 0, 0},   {0, 0, 0}};
    cv::Mat bars(16, 64, CV_8UC3);
    for (int y = 0; y < bars.rows; ++y)
        for (int x = 0; x < bars.cols; ++x)
            bars.at<cv::Vec3b>(y, x) = colours[x / 8];
    return bars;
}

// Bytes of each pixel in the given order of B, G, R positions, padded to `size` bytes.
std::vector<uint8_t> Packed(const cv::Mat& bgr, int size, int b, int g, int r) {
    std::vector<uint8_t> out(bgr.total() * size, 0x55);
    for (size_t i = 0; i < bgr.total(); ++i) {
        const cv::Vec3b p = bgr.at<cv::Vec3b>(int(i / bgr.cols), int(i % bgr.cols));
        out[i * size + b] = p[0];
        out[i * size + g] = p[1];
        out[i * size + r] = p[2];
    }
    return out;
}

// Y0 U Y1 V, chroma of the pair's first pixel (the bars are 8 pixels wide).
std::vector<uint8_t> Yuyv(const cv::Mat& bgr) {
    cv::Mat yuv;  // BT.601 with studio range, as cameras send it
    cv::cvtColor(bgr, yuv, cv::COLOR_BGR2YUV_I420);
    std::vector<uint8_t> out;
    const uint8_t* u = yuv.ptr<uint8_t>(bgr.rows);
    const uint8_t* v = u + bgr.total() / 4;
    for (int y = 0; y < bgr.rows; ++y)
        for (int x = 0; x < bgr.cols; x += 2) {
            const int c = (y / 2) * (bgr.cols / 2) + x / 2;
            out.insert(out.end(), {yuv.at<uint8_t>(y, x), u[c], yuv.at<uint8_t>(y, x + 1), v[c]});
        }
    return out;
}

double Difference(uint32_t format, const std::vector<uint8_t>& data, int stride) {
    const cv::Mat bars = Bars();
    cv::Mat frame(bars.size(), CV_8UC4), bgr;
    if (!ConvertToFrame(format, data.data(), data.size(), stride, frame))
        return 1e9;
    EXPECT_EQ(frame.at<cv::Vec4b>(0, 0)[3], 255) << "alpha";
    cv::cvtColor(frame, bgr, cv::COLOR_BGRA2BGR);
    // Inside each bar: JPEG blurs the edges between bars.
    double worst = 0;
    for (int x = 0; x < bars.cols; x += 8) {
        const cv::Rect inside(x + 2, 0, 4, bars.rows);
        worst = std::max(worst, cv::norm(bgr(inside), bars(inside), cv::NORM_INF));
    }
    return worst;
}

}  // namespace

TEST(V4l2Convert, PackedRgbFormatsKeepEveryColour) {
    const cv::Mat bars = Bars();
    EXPECT_EQ(Difference(V4L2_PIX_FMT_XBGR32, Packed(bars, 4, 0, 1, 2), 256), 0);
    EXPECT_EQ(Difference(V4L2_PIX_FMT_XRGB32, Packed(bars, 4, 3, 2, 1), 256), 0);
    EXPECT_EQ(Difference(V4L2_PIX_FMT_RGBA32, Packed(bars, 4, 2, 1, 0), 256), 0);
    EXPECT_EQ(Difference(V4L2_PIX_FMT_BGRX32, Packed(bars, 4, 1, 2, 3), 256), 0);
    EXPECT_EQ(Difference(V4L2_PIX_FMT_RGB24, Packed(bars, 3, 2, 1, 0), 192), 0);
    EXPECT_EQ(Difference(V4L2_PIX_FMT_BGR24, Packed(bars, 3, 0, 1, 2), 192), 0);
}

TEST(V4l2Convert, YuyvGivesTheColoursBack) {
    EXPECT_LE(Difference(V4L2_PIX_FMT_YUYV, Yuyv(Bars()), 128), 3);
}

TEST(V4l2Convert, MjpegIsDecoded) {
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(cv::imencode(".jpg", Bars(), jpeg, {cv::IMWRITE_JPEG_QUALITY, 100}));
    EXPECT_LE(Difference(V4L2_PIX_FMT_MJPEG, jpeg, 0), 12);
}

TEST(V4l2Convert, ShortOrUnknownDataIsRefused) {
    const std::vector<uint8_t> rgb = Packed(Bars(), 3, 2, 1, 0);
    cv::Mat frame(16, 64, CV_8UC4);
    EXPECT_FALSE(ConvertToFrame(V4L2_PIX_FMT_RGB24, rgb.data(), rgb.size() - 1, 192, frame));
    EXPECT_FALSE(ConvertToFrame(V4L2_PIX_FMT_YUYV, rgb.data(), 100, 128, frame));
    EXPECT_FALSE(ConvertToFrame(V4L2_PIX_FMT_MJPEG, rgb.data(), rgb.size(), 0, frame));
    EXPECT_FALSE(ConvertToFrame(V4L2_PIX_FMT_SBGGR8, rgb.data(), rgb.size(), 64, frame));
    EXPECT_FALSE(CanConvert(V4L2_PIX_FMT_SBGGR8));
}
