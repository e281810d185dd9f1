#include "TestCamera.h"

#include <opencv2/core.hpp>

#include <gtest/gtest.h>

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
