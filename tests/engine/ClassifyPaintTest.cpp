// Colour classification bounds and the black-and-white mask painting.
#include "TestFrames.h"

#include <gtest/gtest.h>

using namespace TestFrames;

namespace {

// YUV image with one pixel per luminance 0..255 and fixed colour differences.
cv::Mat LuminanceRamp() {
    cv::Mat yuv(1, 256, CV_8UC3);
    for (int i = 0; i < 256; ++i)
        yuv.at<cv::Vec3b>(0, i) = cv::Vec3b(uint8_t(i), 128, 128);
    return yuv;
}

}  // namespace

TEST(ClassifyPixels, LuminanceBoundsAreInclusiveOnBothSides) {
    cv::Mat mask;
    StepByStep::ClassifyPixels({100, 100, 0, 255, 0, 255}, LuminanceRamp(), mask);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(i == 100 ? 0xFFFF : 0, mask.at<uint16_t>(0, i)) << "Y " << i;

    StepByStep::ClassifyPixels({40, 60, 0, 255, 0, 255}, LuminanceRamp(), mask);
    EXPECT_EQ(0, mask.at<uint16_t>(0, 39));
    EXPECT_EQ(0xFFFF, mask.at<uint16_t>(0, 40));
    EXPECT_EQ(0xFFFF, mask.at<uint16_t>(0, 60));
    EXPECT_EQ(0, mask.at<uint16_t>(0, 61));
}

TEST(ClassifyPixels, ColourDifferenceBoundsAreInclusiveAndChecked) {
    cv::Mat yuv(1, 4, CV_8UC3);
    yuv.at<cv::Vec3b>(0, 0) = {50, 20, 30};  // both differences at their lower bounds
    yuv.at<cv::Vec3b>(0, 1) = {50, 19, 30};  // U one below
    yuv.at<cv::Vec3b>(0, 2) = {50, 25, 36};  // V one above
    yuv.at<cv::Vec3b>(0, 3) = {50, 24, 35};  // both at their upper bounds
    cv::Mat mask;
    StepByStep::ClassifyPixels({0, 255, 20, 24, 30, 35}, yuv, mask);
    EXPECT_EQ(0xFFFF, mask.at<uint16_t>(0, 0));
    EXPECT_EQ(0, mask.at<uint16_t>(0, 1));
    EXPECT_EQ(0, mask.at<uint16_t>(0, 2));
    EXPECT_EQ(0xFFFF, mask.at<uint16_t>(0, 3));
}

TEST(ClassifyPixels, MinimumAboveMaximumAcceptsNothingAndClearsOldLabels) {
    cv::Mat mask(1, 256, CV_16UC1, cv::Scalar(77));  // stale labels of an earlier frame
    StepByStep::ClassifyPixels({120, 100, 0, 255, 0, 255}, LuminanceRamp(), mask);
    EXPECT_EQ(0, cv::countNonZero(mask));
}

TEST(PaintMask, PaintsWhiteExactlyWhereTheMaskIsSetAndKeepsTheFourthByte) {
    cv::Mat frame = RandomFrame(37, 11, 5);
    const cv::Mat before = frame.clone();
    cv::RNG rng(9);
    cv::Mat mask(11, 37, CV_16UC1);
    rng.fill(mask, cv::RNG::UNIFORM, 0, 3);  // 0, 1, 2: labels as after labelling
    mask.at<uint16_t>(0, 0) = 65534;
    TrackingSteps::PaintMask(mask, frame);
    for (int y = 0; y < frame.rows; ++y)
        for (int x = 0; x < frame.cols; ++x) {
            const cv::Vec4b px = frame.at<cv::Vec4b>(y, x);
            const uint8_t v = mask.at<uint16_t>(y, x) != 0 ? 255 : 0;
            ASSERT_EQ(cv::Vec4b(v, v, v, before.at<cv::Vec4b>(y, x)[3]), px) << x << "," << y;
        }
}
