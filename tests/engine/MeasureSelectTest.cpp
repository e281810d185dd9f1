// Blob measurement and the choice of the mark among the blobs.
#include "TestFrames.h"

#include <gtest/gtest.h>

using namespace TestFrames;

namespace {

BlobInfo Box(uint32_t minX, uint32_t minY, uint32_t w, uint32_t h) {
    return BlobInfo{1, minX, minY, minX + w, minY + h, 0.0f, 0.0f};
}

int Select(const std::vector<BlobInfo>& t, uint32_t wMin, uint32_t wMax, uint32_t hMin,
           uint32_t hMax, double r) {
    return TrackingSteps::SelectBlob(t.data(), int(t.size()), wMin, wMax, hMin, hMax, r);
}

}  // namespace

TEST(MeasureBlobs, FilledSquareGivesCountBoxAndCentre) {
    cv::Mat mask(40, 30, CV_16UC1, cv::Scalar(0));
    mask(cv::Rect(10, 20, 5, 5)).setTo(1);
    BlobInfo b{};
    StepByStep::MeasureBlobs(mask, &b, 1);
    EXPECT_EQ(25, b.PixelCount);
    EXPECT_EQ(10u, b.MinX);
    EXPECT_EQ(14u, b.MaxX);
    EXPECT_EQ(20u, b.MinY);
    EXPECT_EQ(24u, b.MaxY);
    EXPECT_EQ(12.0f, b.CenterX);
    EXPECT_EQ(22.0f, b.CenterY);
    EXPECT_EQ(0, TrackingSteps::SelectBlob(&b, 1, 4, 4, 4, 4, 0.99));  // width 4, height 4, ratio 1
}

TEST(MeasureBlobs, NothingIsWrittenForNoRegions) {
    cv::Mat mask(4, 4, CV_16UC1, cv::Scalar(0));
    BlobInfo b{7, 1, 2, 3, 4, 5.0f, 6.0f};
    StepByStep::MeasureBlobs(mask, &b, 0);
    EXPECT_EQ(7, b.PixelCount);
    EXPECT_EQ(5.0f, b.CenterX);
}

// Column sums of a region covering a whole 1920 x 1080 frame pass 2^31.
TEST(MeasureBlobs, CentreOfAFullHdRegionIsExact) {
    cv::Mat mask(1080, 1920, CV_16UC1, cv::Scalar(1));
    BlobInfo b{};
    StepByStep::MeasureBlobs(mask, &b, 1);
    EXPECT_EQ(1920 * 1080, b.PixelCount);
    EXPECT_EQ(959.5f, b.CenterX);
    EXPECT_EQ(539.5f, b.CenterY);
}

TEST(SelectBlob, ZeroWidthOrHeightIsNeverChosen) {
    EXPECT_EQ(-1, Select({Box(0, 0, 9, 0)}, 0, 640, 0, 480, 0.0));  // a 10 x 1 row
    EXPECT_EQ(-1, Select({Box(0, 0, 0, 9)}, 0, 640, 0, 480, 0.0));
    EXPECT_EQ(-1, Select({Box(3, 3, 0, 0)}, 0, 640, 0, 480, 0.0));
}

TEST(SelectBlob, EqualScoresKeepTheSmallerRegionNumber) {
    EXPECT_EQ(0, Select({Box(0, 0, 3, 4), Box(10, 10, 4, 3)}, 0, 640, 0, 480, 0.0));
    EXPECT_EQ(1,
              Select({Box(0, 0, 2, 2), Box(10, 10, 4, 3), Box(20, 20, 3, 4)}, 0, 640, 0, 480, 0.0));
}

TEST(SelectBlob, LongestDiagonalWinsWithTruncatedScores) {
    // Diagonals sqrt(50) = 7.07 and sqrt(52) = 7.21 truncate to the same score 7.
    EXPECT_EQ(0, Select({Box(0, 0, 5, 5), Box(0, 0, 6, 4)}, 0, 640, 0, 480, 0.0));
    EXPECT_EQ(1, Select({Box(0, 0, 5, 5), Box(0, 0, 6, 6)}, 0, 640, 0, 480, 0.0));
}

TEST(SelectBlob, RatioMustBeStrictlyGreaterThanTheLimit) {
    EXPECT_EQ(-1, Select({Box(0, 0, 4, 2)}, 0, 640, 0, 480, 0.5));
    EXPECT_EQ(0, Select({Box(0, 0, 4, 2)}, 0, 640, 0, 480, 0.49));
    EXPECT_EQ(-1, Select({Box(0, 0, 7, 7)}, 0, 640, 0, 480, 1.0));  // nothing exceeds 1
}

TEST(SelectBlob, SizeBoundsAreInclusiveAndAnEmptyRangeTakesNothing) {
    EXPECT_EQ(0, Select({Box(0, 0, 20, 10)}, 20, 20, 10, 10, 0.0));
    EXPECT_EQ(-1, Select({Box(0, 0, 21, 10)}, 0, 20, 0, 480, 0.0));
    EXPECT_EQ(-1, Select({Box(0, 0, 19, 10)}, 20, 640, 0, 480, 0.0));
    EXPECT_EQ(-1, Select({Box(0, 0, 20, 11)}, 0, 640, 0, 10, 0.0));
    EXPECT_EQ(-1, Select({Box(0, 0, 20, 9)}, 0, 640, 10, 480, 0.0));
    EXPECT_EQ(-1, Select({Box(0, 0, 20, 10)}, 30, 10, 0, 480, 0.0));  // wMin > wMax
    EXPECT_EQ(-1, Select({}, 0, 640, 0, 480, 0.0));
}
