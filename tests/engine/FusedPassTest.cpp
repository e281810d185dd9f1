// The pass converts, classifies, labels and measures in one fused walk; it must give
// what the plain stages give one after the other.
#include "TestFrames.h"

#include <gtest/gtest.h>

#include <memory>

using namespace TestFrames;

namespace {

struct FusedPass : ::testing::Test {
    std::unique_ptr<CColorTracker> Tracker = std::make_unique<CColorTracker>();

    void ExpectSameAsStages(cv::Mat frame, const CTrackingParams& params, const std::string& what) {
        SCOPED_TRACE(what);
        CTrackingParams p = params;
        const CStageResult expected = RunStages(frame, p);
        Tracker->Track(frame, p, false);
        ASSERT_TRUE(SameBytes(expected.Yuv, Tracker->YuvImage()));
        ASSERT_TRUE(SameBytes(expected.Mask, Tracker->MaskImage()));
        ASSERT_EQ(expected.Regions, Tracker->RegionCount());
        for (int i = 0; i < expected.Regions; ++i) {
            const BlobInfo& e = expected.Blobs[i];
            const BlobInfo& a = Tracker->Blobs()[i];
            ASSERT_EQ(e.PixelCount, a.PixelCount) << "region " << i + 1;
            ASSERT_EQ(e.MinX, a.MinX);
            ASSERT_EQ(e.MinY, a.MinY);
            ASSERT_EQ(e.MaxX, a.MaxX);
            ASSERT_EQ(e.MaxY, a.MaxY);
            ASSERT_EQ(e.CenterX, a.CenterX);
            ASSERT_EQ(e.CenterY, a.CenterY);
        }
        ASSERT_EQ(expected.Chosen, Tracker->ChosenBlob());
    }
};

// Random pixels, half of them accepted: the bounds keep the lower half of V.
CTrackingParams HalfOfRandomPixels() {
    CTrackingParams p;
    p.lMax = p.a1Max = 255;
    p.a2Max = 127;
    return p;
}

}  // namespace

TEST_F(FusedPass, RandomFramesOfManySizesMatchTheStages) {
    cv::RNG rng(77);
    for (int round = 0; round < 40; ++round) {
        const int width = 1 + rng.uniform(0, 300);
        const int height = 1 + rng.uniform(0, 120);
        ExpectSameAsStages(RandomFrame(width, height, round), HalfOfRandomPixels(),
                           std::to_string(width) + "x" + std::to_string(height));
    }
}

// A noisy region spanning the frame is written and measured apart from the other runs;
// here it begins and ends halfway through two-row strips, below and above other groups.
TEST_F(FusedPass, NoiseBetweenQuietBandsMatchesTheStages) {
    const cv::Vec4b grey(128, 128, 128, 255);  // V = 128: not accepted
    const cv::Vec4b mark(255, 40, 20, 255);    // accepted
    cv::Mat below = RandomFrame(203, 91, 5);
    below.rowRange(0, 31).setTo(cv::Scalar(grey));
    below.at<cv::Vec4b>(3, 7) = below.at<cv::Vec4b>(10, 150) = mark;
    ExpectSameAsStages(below, HalfOfRandomPixels(), "noise from row 31 to the last, odd row");
    cv::Mat above = RandomFrame(130, 80, 6);
    above.rowRange(59, 80).setTo(cv::Scalar(grey));
    above.at<cv::Vec4b>(70, 20) = mark;
    ExpectSameAsStages(above, HalfOfRandomPixels(), "noise down to row 58");
}

TEST_F(FusedPass, StructuredFramesMatchTheStages) {
    CTrackingParams p;
    AcceptAround(p, Blue, 3);
    const cv::Scalar blue(Blue[0], Blue[1], Blue[2], 255);

    cv::Mat discs = SolidFrame(641, 479, Grey);
    for (int i = 0; i < 25; ++i)
        cv::circle(discs, {13 + 25 * i, 20 + 17 * i}, 4 + i % 9, blue, cv::FILLED);
    ExpectSameAsStages(discs, p, "discs");

    cv::Mat checker = SolidFrame(97, 61, Grey);
    for (int y = 0; y < checker.rows; ++y)
        for (int x = (y % 2); x < checker.cols; x += 2)
            checker.at<cv::Vec4b>(y, x) = cv::Vec4b(255, 40, 20, 255);
    ExpectSameAsStages(checker, p, "checkerboard: one diagonal group");

    cv::Mat stripes = SolidFrame(200, 50, Grey);
    for (int x = 0; x < stripes.cols; x += 3)
        stripes.col(x).setTo(blue);
    ExpectSameAsStages(stripes, p, "vertical stripes");

    cv::Mat everything = SolidFrame(130, 70, Blue);
    ExpectSameAsStages(everything, p, "every pixel accepted");

    cv::Mat specks = SolidFrame(640, 480, Grey);
    for (int y = 0; y < 480; y += 2)
        for (int x = 0; x < 640; x += 2)
            specks.at<cv::Vec4b>(y, x) = cv::Vec4b(255, 40, 20, 255);
    ExpectSameAsStages(specks, p, "more groups than labels");
    EXPECT_EQ(CColorTracker::MaxLabels, Tracker->RegionCount());

    cv::Mat comb = SolidFrame(640, 480, Grey);  // more runs than labels, one group
    for (int x = 0; x < 640; x += 2)
        comb.col(x).setTo(blue);
    comb.row(479).setTo(blue);
    ExpectSameAsStages(comb, p, "a comb: more runs than labels");
    EXPECT_EQ(1, Tracker->RegionCount());

    // Groups whose first pixels are not in the order of their first runs in a two-row
    // strip: a speck on the lower row left of one on the upper row; a U whose left arm
    // starts a row lower than a square between its arms, while its right arm starts on the
    // square's row, left of a speck on that row.
    cv::Mat order = SolidFrame(40, 12, Grey);
    const cv::Vec4b mark(255, 40, 20, 255);
    order.at<cv::Vec4b>(1, 2) = mark;
    order.at<cv::Vec4b>(0, 10) = mark;
    order(cv::Rect(5, 3, 1, 7)).setTo(blue);   // left arm, rows 3..9
    order(cv::Rect(15, 2, 1, 8)).setTo(blue);  // right arm, rows 2..9
    order(cv::Rect(5, 9, 11, 1)).setTo(blue);  // the bottom joining them
    order(cv::Rect(9, 2, 3, 3)).setTo(blue);   // the square, rows 2..4
    order.at<cv::Vec4b>(2, 20) = mark;
    ExpectSameAsStages(order, p, "first pixels out of strip order");

    // The halves of the frame are joined separately, then across the middle strip; here
    // the bottom half is empty from that strip on. (A new engine, so that a read past the
    // last run meets fresh memory, which valgrind flags.)
    Tracker = std::make_unique<CColorTracker>();
    cv::Mat topHalf = SolidFrame(30, 40, Grey);
    topHalf(cv::Rect(3, 0, 5, 20)).setTo(blue);
    ExpectSameAsStages(topHalf, p, "nothing from the middle strip down");

    cv::Mat edges = SolidFrame(64, 64, Grey);  // runs that touch the right edge at a word boundary
    edges(cv::Rect(60, 0, 4, 64)).setTo(blue);
    edges(cv::Rect(0, 10, 64, 1)).setTo(blue);
    ExpectSameAsStages(edges, p, "runs to the right edge");
}
