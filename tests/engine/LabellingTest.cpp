// Connected-component labelling: one number per 8-connected group, in raster order.
#include "TestFrames.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace TestFrames;

namespace {

struct LabellingTest : ::testing::Test {
    std::unique_ptr<StepByStep::CComponentLabeller> Tracker =
        std::make_unique<StepByStep::CComponentLabeller>();
    std::vector<uint32_t> Counts = std::vector<uint32_t>(CColorTracker::TableSize, 0);

    // Mask of the given size with marker pixels at (column, row).
    static cv::Mat MaskWith(int width, int height, std::initializer_list<cv::Point> marks) {
        cv::Mat m(height, width, CV_16UC1, cv::Scalar(0));
        for (cv::Point p : marks)
            m.at<uint16_t>(p) = CColorTracker::Unlabelled;
        return m;
    }
};

// Checks what every labelled mask promises: values 0 and 1..n, each number on some
// pixel, numbers first met in raster order, and pixel counts that add up.
::testing::AssertionResult KeepsItsPromise(const cv::Mat& mask, int n,
                                           const std::vector<uint32_t>* counts) {
    int nextNew = 1;
    std::vector<uint32_t> seen(n + 1, 0);
    for (int y = 0; y < mask.rows; ++y)
        for (int x = 0; x < mask.cols; ++x) {
            const int v = mask.at<uint16_t>(y, x);
            if (v == 0)
                continue;
            if (v > n)
                return ::testing::AssertionFailure() << "label " << v << " above N " << n;
            if (seen[v] == 0) {
                if (v != nextNew)
                    return ::testing::AssertionFailure()
                           << "label " << v << " first met before " << nextNew;
                ++nextNew;
            }
            ++seen[v];
        }
    if (nextNew != n + 1)
        return ::testing::AssertionFailure()
               << "only " << nextNew - 1 << " of " << n << " labels used";
    if (counts != nullptr) {
        if ((*counts)[0] != 0)
            return ::testing::AssertionFailure() << "count entry 0 is " << (*counts)[0];
        for (int r = 1; r <= n; ++r)
            if ((*counts)[r] != seen[r])
                return ::testing::AssertionFailure()
                       << "count of " << r << " is " << (*counts)[r] << ", mask has " << seen[r];
        for (size_t r = n + 1; r < counts->size(); ++r)
            if ((*counts)[r] != 0)
                return ::testing::AssertionFailure()
                       << "count entry " << r << " beyond N is " << (*counts)[r];
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST_F(LabellingTest, EmptyMaskGivesNoRegionAndLeavesTheCountsAlone) {
    cv::Mat mask = MaskWith(9, 7, {});
    std::fill(Counts.begin(), Counts.end(), 42u);
    EXPECT_EQ(0, Tracker->LabelComponents(mask, Counts.data()));
    EXPECT_EQ(0, cv::countNonZero(mask));
    EXPECT_EQ(42u, Counts[0]);
    EXPECT_EQ(42u, Counts[1]);
}

TEST_F(LabellingTest, SinglePixelsAndSmallShapes) {
    cv::Mat one = MaskWith(8, 8, {{5, 6}});
    EXPECT_EQ(1, Tracker->LabelComponents(one));
    EXPECT_EQ(1, one.at<uint16_t>(6, 5));

    cv::Mat corner = MaskWith(4, 4, {{0, 0}, {1, 1}});
    EXPECT_EQ(1, Tracker->LabelComponents(corner));  // corner contact connects
    EXPECT_EQ(1, corner.at<uint16_t>(1, 1));

    cv::Mat antiCorner = MaskWith(4, 4, {{1, 0}, {0, 1}});
    EXPECT_EQ(1, Tracker->LabelComponents(antiCorner));

    cv::Mat square(2, 2, CV_16UC1, cv::Scalar(CColorTracker::Unlabelled));
    EXPECT_EQ(1, Tracker->LabelComponents(square, Counts.data()));
    EXPECT_EQ(4u, Counts[1]);

    cv::Mat full(13, 29, CV_16UC1, cv::Scalar(CColorTracker::Unlabelled));
    EXPECT_EQ(1, Tracker->LabelComponents(full));
    EXPECT_EQ(13 * 29, cv::countNonZero(full == 1));
}

TEST_F(LabellingTest, TwoGroupsAreNumberedInRasterOrder) {
    cv::Mat mask = MaskWith(10, 10, {{8, 8}, {9, 9}, {0, 0}, {1, 0}, {1, 1}});
    EXPECT_EQ(2, Tracker->LabelComponents(mask, Counts.data()));
    EXPECT_EQ(1, mask.at<uint16_t>(0, 0));
    EXPECT_EQ(2, mask.at<uint16_t>(9, 9));
    EXPECT_EQ(3u, Counts[1]);
    EXPECT_EQ(2u, Counts[2]);

    // A group whose first pixel comes first gets 1 even if another group reaches further up-left.
    cv::Mat staggered = MaskWith(6, 3, {{5, 0}, {0, 1}, {0, 2}});
    EXPECT_EQ(2, Tracker->LabelComponents(staggered));
    EXPECT_EQ(1, staggered.at<uint16_t>(0, 5));
    EXPECT_EQ(2, staggered.at<uint16_t>(1, 0));
}

// With only the last note of each provisional label kept, this one group came out as
// two regions and the mark was measured in pieces.
TEST_F(LabellingTest, ZigzagGroupThatLostNotesIsOneRegion) {
    cv::Mat mask = MaskWith(5, 3, {{4, 0}, {0, 1}, {2, 1}, {3, 1}, {1, 2}, {3, 2}});
    EXPECT_EQ(1, Tracker->LabelComponents(mask, Counts.data()));
    for (cv::Point p : {cv::Point{4, 0}, {0, 1}, {2, 1}, {3, 1}, {1, 2}, {3, 2}})
        EXPECT_EQ(1, mask.at<uint16_t>(p)) << p;
    EXPECT_EQ(6u, Counts[1]);
}

// A comb whose teeth only join at the bottom row: every tooth starts as its own group.
TEST_F(LabellingTest, CombJoinedAtTheBottomIsOneRegion) {
    cv::Mat binary(20, 41, CV_8U, cv::Scalar(0));
    for (int x = 0; x < 41; x += 2)
        binary.col(x).setTo(255);
    binary.row(19).setTo(255);
    cv::Mat mask = MarkerMask(binary);
    EXPECT_EQ(1, Tracker->LabelComponents(mask));
    EXPECT_EQ(cv::countNonZero(binary), cv::countNonZero(mask == 1));
}

TEST_F(LabellingTest, ValuesOtherThanTheMarkerAreBackground) {
    cv::Mat mask = MaskWith(4, 1, {{0, 0}, {3, 0}});
    mask.at<uint16_t>(0, 1) = 7;  // stray value: neither background nor marker
    EXPECT_EQ(2, Tracker->LabelComponents(mask));
    EXPECT_EQ(0, mask.at<uint16_t>(0, 1));
}

// 76 800 isolated pixels would need more numbers than a 16-bit mask holds beside the
// marker: all score alike, so the first 65534 groups in raster order are kept and the rest
// become background.
TEST_F(LabellingTest, MoreGroupsThanLabelsKeepsTheFirst65534AndDropsTheRest) {
    cv::Mat binary(480, 640, CV_8U, cv::Scalar(0));
    for (int y = 0; y < 480; y += 2)
        for (int x = 0; x < 640; x += 2)
            binary.at<uint8_t>(y, x) = 1;
    cv::Mat mask = MarkerMask(binary);
    const int n = Tracker->LabelComponents(mask, Counts.data());
    EXPECT_EQ(CColorTracker::MaxLabels, n);
    EXPECT_TRUE(KeepsItsPromise(mask, n, &Counts));
    int k = 0;
    for (int y = 0; y < 480; y += 2)
        for (int x = 0; x < 640; x += 2, ++k)
            ASSERT_EQ(k < 65534 ? k + 1 : 0, mask.at<uint16_t>(y, x)) << x << "," << y;
}

// Over the limit, a group that can be chosen (here a 2 x 2 block, diagonal 1) keeps its
// number ahead of isolated pixels that come before it, and numbers stay in raster order.
TEST_F(LabellingTest, MoreGroupsThanLabelsKeepsTheLongestDiagonalsFirst) {
    cv::Mat binary(480, 640, CV_8U, cv::Scalar(0));
    for (int y = 0; y < 470; y += 2)
        for (int x = 0; x < 640; x += 2)
            binary.at<uint8_t>(y, x) = 1;
    binary(cv::Rect(100, 474, 2, 2)).setTo(1);
    binary(cv::Rect(200, 478, 9, 1)).setTo(1);  // a line: width 8, height 0, never chosen
    cv::Mat mask = MarkerMask(binary);
    const int n = Tracker->LabelComponents(mask, Counts.data());
    EXPECT_EQ(CColorTracker::MaxLabels, n);
    EXPECT_TRUE(KeepsItsPromise(mask, n, &Counts));
    EXPECT_EQ(65534, mask.at<uint16_t>(474, 100));
    EXPECT_EQ(4u, Counts[65534]);
    EXPECT_EQ(0, mask.at<uint16_t>(478, 200));
    const int lastKept = 65532;  // 0-based number of the last isolated pixel that keeps a label
    EXPECT_EQ(lastKept + 1, mask.at<uint16_t>(2 * (lastKept / 320), 2 * (lastKept % 320)));
    EXPECT_EQ(0, mask.at<uint16_t>(2 * ((lastKept + 1) / 320), 2 * ((lastKept + 1) % 320)));
}

// Same partition, areas and boxes as OpenCV's 8-connected labelling, on random masks
// from sparse specks to the dense, percolating case, at widths that are not multiples of 8.
TEST_F(LabellingTest, RandomMasksMatchConnectedComponentsWithStats) {
    cv::RNG rng(2024);
    for (int round = 0; round < 60; ++round) {
        const int width = 1 + rng.uniform(0, 150);
        const int height = 1 + rng.uniform(0, 90);
        const double share = std::vector<double>{0.02, 0.2, 0.45, 0.6, 0.9}[round % 5];
        cv::Mat mask = RandomMarkerMask(width, height, share, rng);
        cv::Mat binary = mask != 0;
        cv::Mat cvLabels, stats, centroids;
        const int cvN =
            cv::connectedComponentsWithStats(binary, cvLabels, stats, centroids, 8, CV_32S) - 1;

        const int n = Tracker->LabelComponents(mask, Counts.data());
        ASSERT_EQ(cvN, n) << width << "x" << height << " share " << share;
        ASSERT_TRUE(KeepsItsPromise(mask, n, &Counts));

        std::map<int, int> oursToCv;
        std::vector<BlobInfo> blobs(std::max(n, 1));
        StepByStep::MeasureBlobs(mask, blobs.data(), n);
        int64_t area = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const int ours = mask.at<uint16_t>(y, x);
                const int theirs = cvLabels.at<int>(y, x);
                ASSERT_EQ(ours == 0, theirs == 0);
                if (ours == 0)
                    continue;
                auto [it, fresh] = oursToCv.emplace(ours, theirs);
                ASSERT_EQ(it->second, theirs)
                    << "one of our regions spans two groups at " << x << "," << y;
            }
        ASSERT_EQ(size_t(n), oursToCv.size());
        for (auto [ours, theirs] : oursToCv) {
            const BlobInfo& b = blobs[ours - 1];
            EXPECT_EQ(stats.at<int>(theirs, cv::CC_STAT_AREA), b.PixelCount);
            EXPECT_EQ(uint32_t(stats.at<int>(theirs, cv::CC_STAT_LEFT)), b.MinX);
            EXPECT_EQ(uint32_t(stats.at<int>(theirs, cv::CC_STAT_TOP)), b.MinY);
            EXPECT_EQ(uint32_t(stats.at<int>(theirs, cv::CC_STAT_LEFT) +
                               stats.at<int>(theirs, cv::CC_STAT_WIDTH) - 1),
                      b.MaxX);
            EXPECT_EQ(uint32_t(stats.at<int>(theirs, cv::CC_STAT_TOP) +
                               stats.at<int>(theirs, cv::CC_STAT_HEIGHT) - 1),
                      b.MaxY);
            EXPECT_NEAR(centroids.at<double>(theirs, 0), b.CenterX, 1e-3);
            EXPECT_NEAR(centroids.at<double>(theirs, 1), b.CenterY, 1e-3);
            area += b.PixelCount;
        }
        EXPECT_EQ(cv::countNonZero(binary), area);
    }
}
