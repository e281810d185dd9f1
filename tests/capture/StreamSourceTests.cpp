#include "CaptureTestUtil.h"
#include "FrameSequence.h"
#include "ImageSource.h"

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <gtest/gtest.h>

#include <future>

namespace {

constexpr int Levels = 6;

// Frame k of the test video is a flat grey at level 20 + 40 k, which survives MJPG.
bool WriteLevelsVideo(const std::string& path, double fps) {
    cv::VideoWriter writer(path, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), fps, {96, 64});
    if (!writer.isOpened())
        return false;
    for (int k = 0; k < Levels; ++k)
        writer.write(cv::Mat(64, 96, CV_8UC3, cv::Scalar::all(20 + 40 * k)));
    return true;
}

int LevelOf(const cv::Mat& frame) { return cvRound((cv::mean(frame)[1] - 20.0) / 40.0); }

}  // namespace

TEST(StreamSources, GStreamerTestPipelineDeliversColourBars) {
    CImageSource source = CImageSource::Open(
        "gst:videotestsrc is-live=true ! video/x-raw,width=160,height=120,framerate=30/1 ! "
        "videoconvert ! video/x-raw,format=BGR ! appsink");
    ASSERT_TRUE(source.HasDevice());
    CFrameSequence seq;
    source.Connect(&seq);
    source.EnableCapture(true);
    for (int i = 0; i < 10; ++i) {
        cv::Mat frame;
        CFrameInfo info;
        ASSERT_TRUE(seq.PopFront(frame, 20000, &info));
        // Known once the pipeline has started: Open() does not wait for a slow start (a first
        // scan of GStreamer's plugins, an emulated processor).
        int w = 0;
        EXPECT_EQ(source.QueryProperty(FrameWidthProperty, w), 0);
        EXPECT_EQ(w, 160);
        ASSERT_EQ(frame.type(), CV_8UC4);
        ASSERT_EQ(frame.size(), cv::Size(160, 120));
        EXPECT_TRUE(frame.isContinuous());
        // The second bar is yellow: much red and green, little blue.
        const cv::Vec4b yellow = frame.at<cv::Vec4b>(10, 160 * 3 / 14);
        EXPECT_GT(yellow[2], 150);
        EXPECT_GT(yellow[1], 150);
        EXPECT_LT(yellow[0], 80);
        EXPECT_EQ(yellow[3], 255);
    }
    source.EnableCapture(false);
}

// A stream that goes silent must not hold up whoever stops it: here the pipeline's frames are
// 30 s apart, and stopping capture, starting it again and letting the source go must each
// return long before the next one (the stuck read is left to finish on its own).
TEST(StreamSources, SilentStreamNeverHoldsUpStopOrRelease) {
    auto source = std::make_unique<CImageSource>(CImageSource::Open(
        "gst:videotestsrc is-live=true ! video/x-raw,width=64,height=48,framerate=1/30 ! "
        "videoconvert ! video/x-raw,format=BGR ! appsink"));
    ASSERT_TRUE(source->HasDevice());
    CFrameSequence seq;
    source->Connect(&seq);
    source->EnableCapture(true);
    cv::Mat frame;
    seq.PopFront(frame, 2000);  // gives the grabber time to reach its long read
    auto returnsSoon = [](auto step) {
        auto done = std::async(std::launch::async, step);
        return done.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    };
    EXPECT_TRUE(returnsSoon([&] { source->EnableCapture(false); }));
    EXPECT_TRUE(returnsSoon([&] { source->EnableCapture(true); }));
    EXPECT_TRUE(returnsSoon([&] { source->EnableCapture(false); }));
    EXPECT_TRUE(returnsSoon([&] { source.reset(); }));
}

TEST(StreamSources, VideoFileLoopsFromItsLastFrameToItsFirst) {
    CScratchFolder dir;
    const std::string path = dir.Path().string() + "/levels.avi";
    ASSERT_TRUE(WriteLevelsVideo(path, 25.0));
    CImageSource source = CImageSource::Open("file:" + path);
    ASSERT_TRUE(source.HasDevice());
    EXPECT_EQ(source.CurrentFormat(), (CCaptureFormat{96, 64, 25.0}));
    CFrameSequence seq;
    source.Connect(&seq);
    source.EnableCapture(true);
    int wraps = 0, previous = -1;
    int64_t lastIndex = -1;
    for (int i = 0; i < 4 * Levels; ++i) {
        cv::Mat frame;
        CFrameInfo info;
        ASSERT_TRUE(seq.PopFront(frame, 20000, &info));
        ASSERT_EQ(frame.type(), CV_8UC4);
        const int level = LevelOf(frame);
        ASSERT_GE(level, 0);
        ASSERT_LT(level, Levels);
        EXPECT_GT(info.Index, lastIndex);
        lastIndex = info.Index;
        if (previous >= 0 && level < previous) {
            EXPECT_EQ(previous, Levels - 1);  // only the end of the file goes back
            EXPECT_EQ(level, 0);
            ++wraps;
        }
        previous = level;
    }
    source.EnableCapture(false);
    EXPECT_GE(wraps, 2);
}

TEST(StreamSources, StillImageIsDeliveredRepeatedlyInFreshBuffers) {
    CScratchFolder dir;
    const std::string path = dir.Path().string() + "/still.png";
    cv::Mat picture(50, 70, CV_8UC3, cv::Scalar(10, 200, 30));
    cv::circle(picture, {35, 25}, 10, cv::Scalar(250, 0, 0), -1);
    ASSERT_TRUE(cv::imwrite(path, picture));
    CImageSource source = CImageSource::Open("file:" + path);
    ASSERT_TRUE(source.HasDevice());
    EXPECT_EQ(source.CurrentFormat(), (CCaptureFormat{70, 50, 30.0}));
    CFrameSequence seq;
    source.Connect(&seq);
    source.EnableCapture(true);
    std::vector<cv::Mat> kept;
    for (int i = 0; i < 5; ++i) {
        cv::Mat frame;
        ASSERT_TRUE(seq.PopFront(frame, 20000));
        frame.at<cv::Vec4b>(0, 0) = cv::Vec4b(1, 2, 3, 4);  // a consumer draws into its frame
        kept.push_back(frame);
    }
    source.EnableCapture(false);
    for (size_t i = 1; i < kept.size(); ++i)
        EXPECT_NE(kept[i].data, kept[i - 1].data);
    cv::Mat frame;
    ASSERT_TRUE(seq.PopFront(frame, 0) || (source.EnableCapture(true), seq.PopFront(frame, 20000)));
    source.EnableCapture(false);
    EXPECT_EQ(frame.at<cv::Vec4b>(0, 0), cv::Vec4b(10, 200, 30, 255));  // no drawing leaked in
    EXPECT_EQ(frame.at<cv::Vec4b>(25, 35), cv::Vec4b(250, 0, 0, 255));
}

TEST(StreamSources, FileThatDisappearsStopsFramesAndTheyResumeWhenItReturns) {
    CScratchFolder dir;
    const std::string path = dir.Path().string() + "/short.avi";
    const std::string aside = dir.Path().string() + "/aside.avi";
    ASSERT_TRUE(WriteLevelsVideo(path, 30.0));
    CImageSource source = CImageSource::Open("file:" + path);
    ASSERT_TRUE(source.HasDevice());
    CFrameSequence seq;
    source.Connect(&seq);
    source.EnableCapture(true);
    cv::Mat frame;
    ASSERT_TRUE(seq.PopFront(frame, 20000));

    std::filesystem::rename(path, aside);
    // The round in progress plays out; then nothing comes for a while.
    EXPECT_TRUE(WaitFor([&] { return !seq.PopFront(frame, 1500); }));
    EXPECT_FALSE(seq.PopFront(frame, 1500));

    std::filesystem::rename(aside, path);
    CFrameInfo info;
    ASSERT_TRUE(seq.PopFront(frame, 20000, &info));
    EXPECT_EQ(frame.size(), cv::Size(96, 64));

    // Switching capture off while the source is missing must not hang on its retries.
    std::filesystem::remove(path);
    EXPECT_TRUE(WaitFor([&] { return !seq.PopFront(frame, 1500); }));
    auto off = std::async(std::launch::async, [&] { return source.EnableCapture(false); });
    EXPECT_EQ(off.wait_for(std::chrono::seconds(20)), std::future_status::ready);
}
