// Once the working images exist, a pass allocates nothing, whatever it does.
#include "AllocationCounter.h"
#include "TestFrames.h"

#include <gtest/gtest.h>

#include <memory>

using namespace TestFrames;

// Guards the guard: without it a counter that counts nothing would pass everything.
TEST(AllocationCounter, SeesNewAndOpenCvAllocations) {
    if (!AllocationCounter::Available())
        GTEST_SKIP() << "allocations cannot be counted under AddressSanitizer";
    AllocationCounter::Start();
    auto p = std::make_unique<int>(3);
    const int64_t afterNew = AllocationCounter::Stop();
    EXPECT_GE(afterNew, 1);
    AllocationCounter::Start();
    cv::Mat m(100, 100, CV_8UC4);
    EXPECT_GE(AllocationCounter::Stop(), 1);
}

TEST(AllocationCounter, PassesOnSameSizedFramesAllocateNothing) {
    if (!AllocationCounter::Available())
        GTEST_SKIP() << "allocations cannot be counted under AddressSanitizer";
    auto tracker = std::make_unique<CColorTracker>();
    CTrackingParams params;
    AcceptAround(params, Blue, 4);
    std::vector<cv::Mat> frames;
    for (int i = 0; i < 4; ++i) {
        cv::Mat f = RandomFrame(641, 480, 300 + i);
        cv::circle(f, {100 + 90 * i, 200}, 30, cv::Scalar(Blue[0], Blue[1], Blue[2], 255),
                   cv::FILLED);
        frames.push_back(f);
    }
    frames.push_back(SolidFrame(641, 480, Blue));
    std::vector<cv::Mat> work;
    for (const cv::Mat& f : frames)
        work.push_back(f.clone());
    tracker->ProcessFrame(work[0], params);  // makes the working images
    const CTrackingParams start = params;

    float row = 0, col = 0;
    AllocationCounter::Start();
    for (int pass = 0; pass < 60; ++pass) {
        cv::Mat& frame = work[pass % work.size()];
        frames[pass % frames.size()].copyTo(frame);  // same size: copyTo reuses the pixels
        params.ShowMask = pass % 3 == 0;
        tracker->SetCalibrationPoint(100 + pass, 200);
        if (pass % 7 == 0)
            tracker->RequestCalibration();
        if (pass % 2 == 0)
            tracker->ProcessFrame(frame, params);
        else
            tracker->Track(frame, params, pass % 4 == 1, &row, &col);
        params = start;  // undo what a calibration learnt
    }
    EXPECT_EQ(0, AllocationCounter::Stop());
}
