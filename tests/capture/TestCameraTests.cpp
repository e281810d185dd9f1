#include "TestCamera.h"

#include <opencv2/core.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

TEST(TestCamera, SameFrameNumberGivesTheSamePicture) {
    CTestCamera a(320, 240, 30), b(320, 240, 30);
    cv::Mat fa, fb, other;
    a.Render(77, fa);
    b.Render(77, fb);
    a.Render(78, other);
    ASSERT_EQ(fa.type(), CV_8UC4);
    EXPECT_TRUE(fa.isContinuous());
    EXPECT_EQ(cv::norm(fa, fb, cv::NORM_INF), 0.0);
    EXPECT_GT(cv::norm(fa, other, cv::NORM_INF), 0.0);
}

TEST(TestCamera, FramesAreOpaqueAndTheRequestedSize) {
    CTestCamera cam(1280, 720, 25);
    cv::Mat f;
    cam.Render(5, f);
    EXPECT_EQ(f.cols, 1280);
    EXPECT_EQ(f.rows, 720);
    std::vector<cv::Mat> planes;
    cv::split(f, planes);
    double lo, hi;
    cv::minMaxLoc(planes[3], &lo, &hi);
    EXPECT_EQ(lo, 255.0);
}

// Presence and absence both happen within a few seconds, and the mark is where the camera
// says: saturated red at the true centre, background elsewhere.
TEST(TestCamera, MarkComesAndGoesAndIsDrawnAtItsTrueCentre) {
    CTestCamera cam(640, 480, 30);
    int inView = 0, away = 0;
    cv::Mat f;
    for (int64_t n = 0; n < 30 * 6; ++n) {
        const auto centre = cam.MarkCentre(n);
        if (!centre) {
            ++away;
            continue;
        }
        if (!cam.MarkFullyInView(n) || n % 15)
            continue;
        ++inView;
        cam.Render(n, f);
        const cv::Vec4b at = f.at<cv::Vec4b>(int(centre->y), int(centre->x));
        EXPECT_GT(at[2], 180) << "frame " << n;
        EXPECT_LT(at[1], 80) << "frame " << n;
        const int outside = int(centre->x + cam.MarkRadius() + 3);
        if (outside < f.cols) {
            const cv::Vec4b bg = f.at<cv::Vec4b>(int(centre->y), outside);
            EXPECT_LT(int(bg[2]) - int(bg[1]), 60) << "frame " << n;
        }
    }
    EXPECT_GT(inView, 3);
    EXPECT_GT(away, 15);
}

TEST(TestCamera, LightAndNoiseControlsChangeThePicture) {
    CTestCamera cam(320, 240, 30);
    cv::Mat normal, dark, clean;
    cam.Render(10, normal);
    cam.SetLight(40);
    cam.Render(10, dark);
    EXPECT_LT(cv::mean(dark)[1], cv::mean(normal)[1] * 0.7);
    cam.SetLight(100);
    cam.SetNoise(0);
    cam.Render(10, clean);
    EXPECT_GT(cv::norm(normal, clean, cv::NORM_L1), 0.0);
    cam.SetNoise(500);
    EXPECT_EQ(cam.Noise(), 50);
    cam.SetLight(-3);
    EXPECT_EQ(cam.Light(), 0);
}

// The truth as a list says what MarkCentre and MarkFullyInView say for the one disc.
TEST(TestCamera, OneDiscTruthListAgreesWithTheMarkCentre) {
    CTestCamera cam(320, 240, 30);
    for (int64_t n = 0; n < 30 * 8; n += 3) {
        const std::vector<CTestMark> marks = cam.Marks(n);
        ASSERT_EQ(marks.size(), 1u);
        EXPECT_EQ(marks[0].Id, 1);
        EXPECT_EQ(marks[0].Colour, "red");
        EXPECT_EQ(marks[0].Visible, cam.MarkCentre(n).has_value()) << n;
        EXPECT_EQ(marks[0].Whole, cam.MarkFullyInView(n)) << n;
        if (marks[0].Visible) {
            EXPECT_EQ(marks[0].Centre, *cam.MarkCentre(n));
        }
    }
}

namespace {

bool LooksLike(const std::string& colour, const cv::Vec4b& px) {
    const int b = px[0], g = px[1], r = px[2];
    if (colour == "red")
        return r > 180 && g < 90 && b < 110;
    if (colour == "green")
        return g > 160 && r < 100 && b < 110;
    return b > 180 && g < 130 && r < 90;
}

}  // namespace

// Frame 0 has every disc whole and well apart; in later frames a whole disc shows its colour
// at its centre and a disc in the picture but not visible is behind the grey pillar.
TEST(TestCamera, SixDiscsAreDrawnWhereTheTruthSays) {
    CTestCamera cam(640, 480, 30, CTestScene::SixDiscs);
    const std::vector<CTestMark> start = cam.Marks(0);
    ASSERT_EQ(start.size(), 6u);
    const char* colours[] = {"red", "red", "green", "green", "blue", "blue"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(start[i].Id, i + 1);
        EXPECT_EQ(start[i].Colour, colours[i]);
        EXPECT_TRUE(start[i].Whole) << i;
        for (int j = 0; j < i; ++j)
            EXPECT_GT(cv::norm(start[i].Centre - start[j].Centre), 4 * cam.MarkRadius());
    }
    int whole = 0, hidden = 0;
    cv::Mat f;
    for (int64_t n = 0; n < 900; n += 5) {
        cam.Render(n, f);
        for (const CTestMark& m : cam.Marks(n)) {
            const int x = int(m.Centre.x), y = int(m.Centre.y);
            const bool inPicture = x >= 0 && y >= 0 && x < f.cols && y < f.rows;
            if (m.Whole) {
                ++whole;
                EXPECT_TRUE(LooksLike(m.Colour, f.at<cv::Vec4b>(y, x))) << n << " " << m.Id;
            } else if (!m.Visible && inPicture) {
                ++hidden;
                const cv::Vec4b px = f.at<cv::Vec4b>(y, x);
                EXPECT_LT(std::max({px[0], px[1], px[2]}) - std::min({px[0], px[1], px[2]}), 40)
                    << n << " " << m.Id;
            }
        }
    }
    EXPECT_GT(whole, 200);
    EXPECT_GT(hidden, 10);
}

// What the scene is for: over one 30-second loop (then it repeats) the discs of each colour
// merge at least twice, each for a few frames; every disc leaves the picture and hides behind
// the pillar; discs of different colours never touch.
TEST(TestCamera, SixDiscPathsRepeatAndHoldCrossingsExitsAndPillarPasses) {
    CTestCamera cam(640, 480, 30, CTestScene::SixDiscs);
    const float touch = 2 * cam.MarkRadius() + 2;
    int merges[3] = {0, 0, 0}, longestMerge = 0, run[3] = {0, 0, 0};
    int out[6] = {}, behind[6] = {};
    for (int64_t n = 0; n < 900; ++n) {
        const std::vector<CTestMark> m = cam.Marks(n), later = cam.Marks(n + 900);
        auto inPicture = [&](const CTestMark& d) {
            return d.Centre.x > -cam.MarkRadius() && d.Centre.x < 640 + cam.MarkRadius() &&
                   d.Centre.y > -cam.MarkRadius() && d.Centre.y < 480 + cam.MarkRadius();
        };
        for (int i = 0; i < 6; ++i) {
            EXPECT_LT(cv::norm(m[i].Centre - later[i].Centre), 1e-3) << n;
            out[i] += !inPicture(m[i]);
            behind[i] += inPicture(m[i]) && !m[i].Visible;
            for (int j = i + 1; j < 6; ++j)
                if (m[i].Colour != m[j].Colour && inPicture(m[i]) && inPicture(m[j])) {
                    EXPECT_GE(cv::norm(m[i].Centre - m[j].Centre), touch) << n;
                }
        }
        for (int c = 0; c < 3; ++c) {
            const CTestMark &a = m[2 * c], &b = m[2 * c + 1];
            const bool merged =
                inPicture(a) && inPicture(b) && cv::norm(a.Centre - b.Centre) < touch;
            merges[c] += merged && run[c] == 0;
            run[c] = merged ? run[c] + 1 : 0;
            longestMerge = std::max(longestMerge, run[c]);
        }
    }
    for (int c = 0; c < 3; ++c)
        EXPECT_GE(merges[c], 2) << c;
    EXPECT_LE(longestMerge, 8);
    for (int i = 0; i < 6; ++i) {
        EXPECT_GT(out[i], 30) << i;
        EXPECT_GT(behind[i], 4) << i;
    }
}
