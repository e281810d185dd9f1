// The tracking pass: size bounds, outputs, drawing, calibration and the working images.
#include "TestFrames.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <tuple>

using namespace TestFrames;

namespace {

cv::Vec3b Bgr(const cv::Mat& frame, int x, int y) {
    const cv::Vec4b p = frame.at<cv::Vec4b>(y, x);
    return {p[0], p[1], p[2]};
}

void ExpectBounds(const CSelectionBounds& b, uint32_t wMin, uint32_t wMax, uint32_t hMin,
                  uint32_t hMax) {
    EXPECT_EQ(wMin, b.MinWidth);
    EXPECT_EQ(wMax, b.MaxWidth);
    EXPECT_EQ(hMin, b.MinHeight);
    EXPECT_EQ(hMax, b.MaxHeight);
}

}  // namespace

// (Outside the anonymous namespace: the tests derive from it and live outside it.)
struct TrackingPass : ::testing::Test {
    std::unique_ptr<CColorTracker> Tracker = std::make_unique<CColorTracker>();
    CTrackingParams Params;

    // Grey frame with a blue rectangle; the bounds accept the blue only.
    cv::Mat FrameWithMark(int width, int height, cv::Rect mark) {
        cv::Mat f = SolidFrame(width, height, Grey);
        f(mark).setTo(cv::Scalar(Blue[0], Blue[1], Blue[2], 255));
        AcceptAround(Params, Blue, 4);
        return f;
    }

    // What a calibration over `window` of `frame` must write.
    static CTrackingParams Calibrated(const cv::Mat& frame, cv::Rect window, CTrackingParams p) {
        cv::Mat yuv;
        cv::cvtColor(frame(window), yuv, cv::COLOR_BGR2YUV);
        double lo[3], hi[3];
        std::vector<cv::Mat> planes;
        cv::split(yuv, planes);
        for (int c = 0; c < 3; ++c)
            cv::minMaxLoc(planes[c], &lo[c], &hi[c]);
        const int widen[3] = {30, 5, 5};
        uint8_t* fields[3][2] = {{&p.lMin, &p.lMax}, {&p.a1Min, &p.a1Max}, {&p.a2Min, &p.a2Max}};
        for (int c = 0; c < 3; ++c) {
            *fields[c][0] = uint8_t(std::max(int(lo[c]) - widen[c], 0));
            *fields[c][1] = uint8_t(std::min(int(hi[c]) + widen[c], 255));
        }
        return p;
    }
};

TEST_F(TrackingPass, SizeLimitsScaleToTheFrameAndTruncate) {
    ExpectBounds(CSelectionBounds::For(Params, 640, 480), 3, 640, 3, 480);
    ExpectBounds(CSelectionBounds::For(Params, 320, 240), 1, 320, 1, 240);
    ExpectBounds(CSelectionBounds::For(Params, 160, 120), 0, 160, 0, 120);
    ExpectBounds(CSelectionBounds::For(Params, 1920, 1080), 9, 1920, 6, 1080);
    EXPECT_EQ(0.0, CSelectionBounds::For(Params, 640, 480).RatioLimit);
    Params.MinARatio = 35;
    EXPECT_DOUBLE_EQ(0.35, CSelectionBounds::For(Params, 640, 480).RatioLimit);
}

// The width limit times the single-precision scale is truncated without a further rounding
// to float: on 3264 columns 10 x sx is 50.99999..., so the bound is 50, not 51.
TEST_F(TrackingPass, WidthBoundsAreNotRoundedUpOnCameraSizedFrames) {
    Params.MinWidth = 10;
    ExpectBounds(CSelectionBounds::For(Params, 3264, 2448), 50, 3263, 15, 2448);
    ExpectBounds(CSelectionBounds::For(CTrackingParams{}, 7, 480), 0, 6, 3, 480);
    ExpectBounds(CSelectionBounds::For(CTrackingParams{}, 721, 480), 3, 720, 3, 480);

    Params.MinHeight = 0;
    cv::Mat frame = FrameWithMark(3264, 16, cv::Rect(100, 4, 51, 5));  // width exactly 50
    EXPECT_TRUE(Tracker->Track(frame, Params, false));
}

TEST_F(TrackingPass, OutputsGiveTheCentreOnThe480By640Scale) {
    cv::Mat frame = FrameWithMark(320, 240, cv::Rect(10, 20, 5, 5));
    float row = -1.0f, col = -1.0f;
    EXPECT_TRUE(Tracker->Track(frame, Params, false, &row, &col));
    EXPECT_EQ(45.0f, row);
    EXPECT_EQ(25.0f, col);

    float only = -1.0f;
    EXPECT_TRUE(Tracker->Track(frame, Params, false, &only, nullptr));
    EXPECT_EQ(-1.0f, only);  // neither output is written unless both are given
}

TEST_F(TrackingPass, DrawOffLeavesTheFrameAloneButCalibratesAndReports) {
    cv::Mat frame = FrameWithMark(640, 480, cv::Rect(300, 200, 40, 30));
    Params.ShowMask = true;
    Params.lMin = Params.lMax = 0;  // the calibration has to find the blue
    const cv::Mat before = frame.clone();
    Tracker->SetCalibrationPoint(320, 215);
    Tracker->RequestCalibration();
    float row = -1.0f, col = -1.0f;
    EXPECT_TRUE(Tracker->Track(frame, Params, false, &row, &col));
    EXPECT_TRUE(SameBytes(before, frame));
    EXPECT_EQ(Calibrated(before, cv::Rect(315, 210, 11, 11), Params), Params);
    EXPECT_FALSE(Tracker->CalibrationRequested());
    EXPECT_NEAR(215.0f, row, 1e-3);
    EXPECT_NEAR(320.0f, col, 1e-3);
}

TEST_F(TrackingPass, ChosenBlobIsOutlinedInRedAndTheWindowInGreen) {
    cv::Mat frame = FrameWithMark(640, 480, cv::Rect(50, 60, 31, 21));
    Tracker->SetCalibrationPoint(400, 300);
    EXPECT_TRUE(Tracker->ProcessFrame(frame, Params));
    const BlobInfo& b = Tracker->Blobs()[Tracker->ChosenBlob()];
    EXPECT_EQ(50u, b.MinX);
    EXPECT_EQ(80u, b.MaxX);
    EXPECT_EQ(60u, b.MinY);
    EXPECT_EQ(80u, b.MaxY);
    EXPECT_EQ(cv::Vec3b(0, 0, 255), Bgr(frame, 50, 60));
    EXPECT_EQ(cv::Vec3b(0, 0, 255), Bgr(frame, 80, 80));
    EXPECT_EQ(cv::Vec3b(0, 0, 255), Bgr(frame, 65, 60));
    EXPECT_EQ(cv::Vec3b(255, 40, 20), Bgr(frame, 65, 70));  // inside stays blue
    EXPECT_EQ(cv::Vec3b(0, 255, 0), Bgr(frame, 395, 295));
    EXPECT_EQ(cv::Vec3b(0, 255, 0), Bgr(frame, 405, 305));
    EXPECT_EQ(cv::Vec3b(128, 128, 128), Bgr(frame, 400, 300));  // thickness 1: centre untouched
}

TEST_F(TrackingPass, NoQualifyingBlobDrawsNoRedButStillTheGreenWindow) {
    cv::Mat frame = FrameWithMark(640, 480, cv::Rect(50, 60, 40, 1));  // height 0
    Tracker->SetCalibrationPoint(100, 100);
    EXPECT_FALSE(Tracker->ProcessFrame(frame, Params));
    EXPECT_EQ(-1, Tracker->ChosenBlob());
    EXPECT_EQ(1, Tracker->RegionCount());
    cv::Mat bgr, red;
    cv::cvtColor(frame, bgr, cv::COLOR_BGRA2BGR);
    cv::inRange(bgr, cv::Scalar(0, 0, 255), cv::Scalar(0, 0, 255), red);
    EXPECT_EQ(0, cv::countNonZero(red));
    EXPECT_EQ(cv::Vec3b(0, 255, 0), Bgr(frame, 95, 95));
}

TEST_F(TrackingPass, ClickCalibratesOnceOverTheElevenByElevenWindow) {
    cv::Mat frame = RandomFrame(640, 480, 31);
    const cv::Mat original = frame.clone();
    Tracker->SetCalibrationPoint(200, 100);
    Tracker->RequestCalibration();
    Tracker->ProcessFrame(frame, Params);
    const CTrackingParams expected =
        Calibrated(original, cv::Rect(195, 95, 11, 11), CTrackingParams{});
    EXPECT_EQ(expected, Params);
    ASSERT_TRUE(Tracker->LastWindow());
    EXPECT_EQ(195, Tracker->LastWindow()->Left);
    EXPECT_EQ(95, Tracker->LastWindow()->Top);
    EXPECT_EQ(205, Tracker->LastWindow()->Right);
    EXPECT_EQ(105, Tracker->LastWindow()->Bottom);
    EXPECT_FALSE(Tracker->CalibrationRequested());
    EXPECT_NE(0, Tracker->MaskImage().at<uint16_t>(100, 200));  // classified with the new bounds

    Params.lMin = 7;  // a later pass must not learn again
    cv::Mat again = original.clone();
    Tracker->ProcessFrame(again, Params);
    EXPECT_EQ(7, Params.lMin);
}

TEST_F(TrackingPass, ClickNearTheCornerCalibratesOverTheClippedWindow) {
    cv::Mat frame = SolidFrame(640, 480, Grey);
    frame.at<cv::Vec4b>(478, 8) = cv::Vec4b(255, 255, 255, 255);  // just outside the window
    frame.at<cv::Vec4b>(472, 2) = cv::Vec4b(255, 255, 255, 255);
    Tracker->SetCalibrationPoint(2, 478);
    Tracker->RequestCalibration();
    Tracker->ProcessFrame(frame, Params);
    const CCalibrationWindow w = *Tracker->LastWindow();
    EXPECT_EQ(0, w.Left);
    EXPECT_EQ(473, w.Top);
    EXPECT_EQ(7, w.Right);
    EXPECT_EQ(479, w.Bottom);
    EXPECT_EQ(98, Params.lMin);  // grey only: Y = 128
    EXPECT_EQ(158, Params.lMax);
}

TEST_F(TrackingPass, ClickAtTheOriginWaitsForARealPoint) {
    cv::Mat frame = SolidFrame(64, 48, Grey);
    Tracker->SetCalibrationPoint(0, 0);
    Tracker->RequestCalibration();
    Tracker->ProcessFrame(frame, Params);
    EXPECT_EQ(CTrackingParams{}, Params);
    EXPECT_TRUE(Tracker->CalibrationRequested());
    EXPECT_FALSE(Tracker->LastWindow());

    Tracker->SetCalibrationPoint(10, 10);
    Tracker->ProcessFrame(frame, Params);
    EXPECT_FALSE(Tracker->CalibrationRequested());
    EXPECT_EQ(98, Params.lMin);
}

TEST_F(TrackingPass, PointOutsideTheFrameGivesAnEmptyWindowAndRangesNothingMeets) {
    cv::Mat frame = SolidFrame(640, 480, Grey);
    Params.MinWidth = 11;
    Tracker->SetCalibrationPoint(700, 10);
    Tracker->RequestCalibration();
    Tracker->ProcessFrame(frame, Params);
    EXPECT_EQ(225, Params.lMin);
    EXPECT_EQ(30, Params.lMax);
    EXPECT_EQ(250, Params.a1Min);
    EXPECT_EQ(5, Params.a1Max);
    EXPECT_EQ(250, Params.a2Min);
    EXPECT_EQ(5, Params.a2Max);
    EXPECT_EQ(11u, Params.MinWidth);
    EXPECT_EQ(0, Tracker->RegionCount());
}

TEST(CCalibrationWindow, ClipsToTheFrameWithoutOverflow) {
    EXPECT_FALSE(TrackingSteps::WindowAround(0, 0, 640, 480));
    auto w = TrackingSteps::WindowAround(639, 479, 640, 480);
    EXPECT_EQ(634, w->Left);
    EXPECT_EQ(474, w->Top);
    EXPECT_EQ(639, w->Right);
    EXPECT_EQ(479, w->Bottom);
    w = TrackingSteps::WindowAround(0, 3, 640, 480);  // x 0 alone is a point
    EXPECT_EQ(0, w->Left);
    EXPECT_EQ(5, w->Right);
    w = TrackingSteps::WindowAround(INT_MAX, INT_MIN, 640, 480);
    EXPECT_GT(w->Left, w->Right);
    EXPECT_GT(w->Top, w->Bottom);
    w = TrackingSteps::WindowAround(INT_MIN, INT_MAX, 640, 480);
    EXPECT_GT(w->Left, w->Right);
    EXPECT_GT(w->Top, w->Bottom);
}

TEST(CalibrateColorRange, WidensByThirtyAndFiveAndClipsAtTheEnds) {
    cv::Mat yuv(20, 20, CV_8UC3, cv::Scalar(10, 250, 3));
    CTrackingParams p;
    p.MaxWidth = 100;
    TrackingSteps::CalibrateColorRange(yuv, p, {2, 2, 12, 12});
    EXPECT_EQ(0, p.lMin);
    EXPECT_EQ(40, p.lMax);
    EXPECT_EQ(245, p.a1Min);
    EXPECT_EQ(255, p.a1Max);
    EXPECT_EQ(0, p.a2Min);
    EXPECT_EQ(8, p.a2Max);
    EXPECT_EQ(100u, p.MaxWidth);

    yuv.at<cv::Vec3b>(5, 5) = {240, 4, 252};
    TrackingSteps::CalibrateColorRange(yuv, p, {2, 2, 12, 12});
    EXPECT_EQ(0, p.lMin);
    EXPECT_EQ(255, p.lMax);
    EXPECT_EQ(0, p.a1Min);
    EXPECT_EQ(255, p.a1Max);
    EXPECT_EQ(0, p.a2Min);
    EXPECT_EQ(255, p.a2Max);
}

TEST_F(TrackingPass, ShowMaskPaintsTheMaskUnderTheOutlines) {
    cv::Mat frame = FrameWithMark(160, 120, cv::Rect(40, 30, 20, 20));
    for (int y = 0; y < frame.rows; ++y)
        for (int x = 0; x < frame.cols; ++x)
            frame.at<cv::Vec4b>(y, x)[3] = 77;
    Params.ShowMask = true;
    EXPECT_TRUE(Tracker->ProcessFrame(frame, Params));
    EXPECT_EQ(cv::Vec4b(255, 255, 255, 77), frame.at<cv::Vec4b>(40, 50));
    EXPECT_EQ(cv::Vec4b(0, 0, 0, 77), frame.at<cv::Vec4b>(100, 10));
    EXPECT_EQ(cv::Vec3b(0, 0, 255), Bgr(frame, 40, 30));
}

// A B,G,R frame (as Python programs hold them) is tracked, calibrated on and drawn on as its
// B,G,R,A form is; ProcessFrame, the document's pass, still takes only B,G,R,A.
TEST_F(TrackingPass, BgrFramesGiveWhatTheirBgraFormsGive) {
    cv::Mat bgra = FrameWithMark(161, 97, cv::Rect(40, 30, 21, 17));
    cv::randu(bgra(cv::Rect(90, 10, 60, 60)), cv::Scalar::all(0), cv::Scalar::all(256));
    cv::Mat bgr;
    cv::cvtColor(bgra, bgr, cv::COLOR_BGRA2BGR);
    for (const bool showMask : {false, true}) {
        SCOPED_TRACE(showMask ? "mask shown" : "mask hidden");
        CTrackingParams p4, p3;
        p4.ShowMask = p3.ShowMask = showMask;
        auto other = std::make_unique<CColorTracker>();
        for (CColorTracker* t : {Tracker.get(), other.get()}) {
            t->SetCalibrationPoint(50, 38);
            t->RequestCalibration();
        }
        cv::Mat drawn4 = bgra.clone(), drawn3 = bgr.clone();
        EXPECT_TRUE(Tracker->Track(drawn4, p4, true));
        EXPECT_TRUE(other->Track(drawn3, p3, true));
        EXPECT_EQ(p4, p3);  // the same colour learnt
        const CPassResult r4 = Tracker->Result(), r3 = other->Result();
        EXPECT_EQ(std::tie(r4.Regions, r4.MinX, r4.MinY, r4.MaxX, r4.MaxY, r4.CenterX, r4.CenterY),
                  std::tie(r3.Regions, r3.MinX, r3.MinY, r3.MaxX, r3.MaxY, r3.CenterX, r3.CenterY));
        cv::Mat drawn4AsBgr;
        cv::cvtColor(drawn4, drawn4AsBgr, cv::COLOR_BGRA2BGR);
        EXPECT_TRUE(SameBytes(drawn4AsBgr, drawn3));
    }
    cv::Mat untouched = bgr.clone();
    EXPECT_FALSE(Tracker->ProcessFrame(untouched, Params));
    EXPECT_TRUE(SameBytes(bgr, untouched));
}

TEST_F(TrackingPass, ShapeAndSizeLimitsApplyInThePass) {
    cv::Mat line = FrameWithMark(640, 480, cv::Rect(100, 100, 1, 50));  // width 0
    Params.MinWidth = 0;
    EXPECT_FALSE(Tracker->ProcessFrame(line, Params));

    cv::Mat square = FrameWithMark(640, 480, cv::Rect(100, 100, 30, 30));
    Params.MinARatio = 100;
    EXPECT_FALSE(Tracker->ProcessFrame(square, Params));
    Params.MinARatio = 99;
    EXPECT_TRUE(Tracker->ProcessFrame(square, Params));

    Params.lMin = 120;
    Params.lMax = 100;
    EXPECT_FALSE(Tracker->ProcessFrame(square, Params));
    EXPECT_EQ(0, Tracker->RegionCount());
}

TEST_F(TrackingPass, WorkingImagesAreDenseReusedAndRemadeOnANewSize) {
    cv::Mat small = SolidFrame(320, 240, Grey);
    Tracker->ProcessFrame(small, Params);
    const uint8_t* yuvData = Tracker->YuvImage().data;
    const uint8_t* maskData = Tracker->MaskImage().data;
    Tracker->ProcessFrame(small, Params);
    EXPECT_EQ(yuvData, Tracker->YuvImage().data);
    EXPECT_EQ(maskData, Tracker->MaskImage().data);

    for (cv::Size size : {cv::Size(640, 480), cv::Size(333, 17), cv::Size(1, 5)}) {
        cv::Mat frame = RandomFrame(size.width, size.height, size.width);
        Tracker->ProcessFrame(frame, Params);
        const cv::Mat& yuv = Tracker->YuvImage();
        const cv::Mat& mask = Tracker->MaskImage();
        EXPECT_EQ(size, yuv.size());
        EXPECT_EQ(size, mask.size());
        EXPECT_EQ(size_t(3 * size.width), yuv.step[0]);
        EXPECT_EQ(size_t(2 * size.width), mask.step[0]);
    }
}

// A noisy frame holds more specks of the mark's colour than a 16-bit mask can number; the
// mark below them must still be found, and every group is still counted.
TEST_F(TrackingPass, MarkBelowMoreSpecksThanLabelsIsStillFound) {
    cv::Mat frame = FrameWithMark(640, 480, cv::Rect(600, 440, 20, 20));
    for (int y = 0; y < 440; y += 2)
        for (int x = 0; x < 640; x += 2)
            frame.at<cv::Vec4b>(y, x) = cv::Vec4b(Blue[0], Blue[1], Blue[2], 255);
    float row = 0, col = 0;
    ASSERT_TRUE(Tracker->Track(frame, Params, false, &row, &col));
    const BlobInfo& b = Tracker->Blobs()[Tracker->ChosenBlob()];
    EXPECT_EQ(600u, b.MinX);
    EXPECT_EQ(440u, b.MinY);
    EXPECT_EQ(619u, b.MaxX);
    EXPECT_EQ(459u, b.MaxY);
    EXPECT_EQ(CColorTracker::MaxLabels, Tracker->RegionCount());
    EXPECT_EQ(220 * 320 + 1, Tracker->GroupCount());
}

TEST_F(TrackingPass, FramesThatAreNotFourByteColourAreLeftAlone) {
    cv::Mat empty;
    EXPECT_FALSE(Tracker->ProcessFrame(empty, Params));
    cv::Mat threeChannel(10, 10, CV_8UC3, cv::Scalar(1, 2, 3));
    const cv::Mat before = threeChannel.clone();
    Tracker->SetCalibrationPoint(5, 5);
    Tracker->RequestCalibration();
    EXPECT_FALSE(Tracker->ProcessFrame(threeChannel, Params));
    EXPECT_TRUE(SameBytes(before, threeChannel));
    EXPECT_EQ(CTrackingParams{}, Params);
}

// Making the working images is the one place without a way back: no memory ends the process.
TEST(TrackingPassDeathTest, WorkingImagesThatCannotBeMadeEndTheProcessWithMinusOne) {
    // Started anew (the deadline's thread is running), unless the environment chose the style:
    // under an emulator the program cannot be started anew.
    if (std::getenv("GTEST_DEATH_TEST_STYLE") == nullptr)
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            CColorTracker tracker;
            tracker.EnsureImages(1 << 24, 1 << 24);  // 2^48 pixels: no address space holds them
        },
        ::testing::ExitedWithCode(255), "");
}
