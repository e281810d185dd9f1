#include "CaptureTestUtil.h"
#include "FrameSequence.h"
#include "ImageSource.h"

#include <gtest/gtest.h>

#include <future>

namespace {

cv::Mat Numbered(int n) { return cv::Mat(4, 4, CV_8UC4, cv::Scalar(n, n, n, 255)); }

int NumberOf(const cv::Mat& m) { return m.at<cv::Vec4b>(0, 0)[0]; }

}  // namespace

TEST(FrameSequence, SlowConsumerGetsOnlyTheNewestFramesNotABacklog) {
    CFrameSequence seq;
    for (int n = 1; n <= 10; ++n)
        seq.PushBack(Numbered(n), {n, {}});
    EXPECT_EQ(seq.Size(), CFrameSequence::Capacity);
    cv::Mat image;
    CFrameInfo info;
    ASSERT_TRUE(seq.PopFront(image, 0, &info));
    EXPECT_EQ(NumberOf(image), 9);
    EXPECT_EQ(info.Index, 9);
    ASSERT_TRUE(seq.PopFront(image, 0, &info));
    EXPECT_EQ(NumberOf(image), 10);
    EXPECT_FALSE(seq.PopFront(image, 0));
}

TEST(FrameSequence, PopFrontSharesThePushedPixelsInsteadOfCopying) {
    CFrameSequence seq;
    cv::Mat pushed = Numbered(7);
    seq.PushBack(pushed);
    cv::Mat popped;
    ASSERT_TRUE(seq.PopFront(popped, 0));
    EXPECT_EQ(popped.data, pushed.data);
}

TEST(FrameSequence, PushWakesAWaitingPopFrontWithoutLimit) {
    CFrameSequence seq;
    auto waiter = std::async(std::launch::async, [&] {
        cv::Mat image;
        const bool got = seq.PopFront(image, CFrameSequence::NoLimit);
        return got ? NumberOf(image) : -1;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    seq.PushBack(Numbered(5));
    ASSERT_EQ(waiter.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(waiter.get(), 5);
}

TEST(FrameSequence, EmptyImagePushWakesWaiterWithAnEmptyImage) {
    CFrameSequence seq;
    auto waiter = std::async(std::launch::async, [&] {
        cv::Mat image = Numbered(1);  // must come back emptied
        const bool got = seq.PopFront(image, 5000);
        return got && image.empty();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    seq.FPushBackPImage();
    ASSERT_EQ(waiter.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_TRUE(waiter.get());
}

TEST(FrameSequence, TimedPopFrontGivesUpWhenNothingComes) {
    CFrameSequence seq;
    cv::Mat image = Numbered(3);
    EXPECT_FALSE(seq.PopFront(image, 30));
    EXPECT_FALSE(image.empty());  // untouched on failure
}

TEST(FrameSequence, DestroyedSequenceDisconnectsFromARunningSource) {
    CImageSource source = CImageSource::Open("testcam:64x48@200");
    ASSERT_TRUE(source.HasDevice());
    ASSERT_TRUE(source.EnableCapture(true));
    for (int round = 0; round < 20; ++round) {
        auto seq = std::make_unique<CFrameSequence>();
        source.Connect(seq.get());
        cv::Mat image;
        ASSERT_TRUE(seq->PopFront(image, 20000));
        seq.reset();  // the grabber keeps pushing meanwhile
    }
    // A sequence disconnected by hand no longer receives frames.
    CFrameSequence seq;
    source.Connect(&seq);
    cv::Mat image;
    ASSERT_TRUE(seq.PopFront(image, 20000));
    source.Disconnect(&seq);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    seq.Clear();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(seq.Size(), 0u);
    source.EnableCapture(false);
}
