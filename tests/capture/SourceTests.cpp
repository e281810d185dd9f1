#include "CaptureDevice.h"
#include "CaptureTestUtil.h"
#include "CommaLocale.h"
#include "FrameSequence.h"
#include "ImageSource.h"
#include "TestCamera.h"

#include <opencv2/core.hpp>

#include <gtest/gtest.h>

namespace {

// Frames taken from a testcam source must be the pictures the camera drew for the numbers
// they carry.
void ExpectFrameIsRendering(const CTestCamera& cam, const cv::Mat& frame, const CFrameInfo& info) {
    cv::Mat expected;
    cam.Render(info.Index, expected);
    ASSERT_EQ(frame.size(), expected.size());
    EXPECT_EQ(cv::norm(frame, expected, cv::NORM_INF), 0.0) << "frame " << info.Index;
}

}  // namespace

TEST(ImageSource, UnknownOrBrokenNamesGiveAnEmptySource) {
    for (const char* name :
         {"", "webcam", "testcam:", "testcam:0x0@30", "testcam:640x480@0", "testcam:640x480@30junk",
          "testcam-multi:", "testcam-multi:8x8@30", "testcam-multiple",
          "v4l2:", "v4l2:/dev/video-none", "file:", "file:/no/such/file.avi", "gst:"}) {
        CImageSource s = CImageSource::Open(name);
        EXPECT_FALSE(s.HasDevice()) << name;
        int v = 0;
        EXPECT_LT(s.QueryProperty(FrameWidthProperty, v), 0) << name;
        EXPECT_FALSE(s.EnableCapture(true));
        EXPECT_NE(s.HasDialog(FormatDialog), 0);
    }
}

// The programs run in the desktop's locale; a Catalan one made "@12.5" unreadable.
TEST(ImageSource, TestCameraRateWithDecimalsOpensUnderACommaLocale) {
    CCommaLocale comma;
    if (!comma.Active)
        GTEST_SKIP() << "no locale with a decimal comma can be made here";
    CImageSource source = CImageSource::Open("testcam:64x48@12.5");
    ASSERT_TRUE(source.HasDevice());
    EXPECT_DOUBLE_EQ(source.CurrentFormat().Fps, 12.5);
    EXPECT_FALSE(CImageSource::Open("testcam:64x48@12,5").HasDevice());
}

// The six-disc scene by its own name, at the default size or a given one, and kept across a
// change of format.
TEST(ImageSource, TestcamMultiOpensTheSixDiscSceneAndKeepsItOnAFormatChange) {
    CImageSource plain = CImageSource::Open("testcam-multi");
    ASSERT_TRUE(plain.HasDevice());
    EXPECT_EQ(plain.CurrentFormat(), (CCaptureFormat{640, 480, 30.0}));
    EXPECT_EQ(plain.Device()->TestCamera()->Scene(), CTestScene::SixDiscs);
    EXPECT_EQ(CImageSource::Open("testcam").Device()->TestCamera()->Scene(), CTestScene::OneDisc);

    CImageSource source = CImageSource::Open("testcam-multi:160x120@30");
    ASSERT_TRUE(source.HasDevice());
    EXPECT_EQ(source.Name(), "testcam-multi:160x120@30");
    ASSERT_TRUE(source.SetFormat({320, 240, 30.0}));
    const CTestCamera* cam = source.Device()->TestCamera();
    ASSERT_NE(cam, nullptr);
    EXPECT_EQ(cam->Scene(), CTestScene::SixDiscs);
    EXPECT_EQ(cam->Marks(0).size(), 6u);
    CFrameSequence seq;
    source.Connect(&seq);
    ASSERT_TRUE(source.EnableCapture(true));
    cv::Mat frame;
    CFrameInfo info;
    ASSERT_TRUE(seq.PopFront(frame, 20000, &info)) << "no frame from testcam-multi in 20 s";
    source.EnableCapture(false);
    ExpectFrameIsRendering(*cam, frame, info);
}

TEST(ImageSource, TestCameraFramesCarryTheirFrameNumberAndOwnPixels) {
    CImageSource source = CImageSource::Open("testcam:320x240@60");
    ASSERT_TRUE(source.HasDevice());
    EXPECT_EQ(source.Name(), "testcam:320x240@60");
    int w = 0, h = 0;
    EXPECT_EQ(source.QueryProperty(FrameWidthProperty, w), 0);
    EXPECT_EQ(source.QueryProperty(FrameHeightProperty, h), 0);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    const CTestCamera* cam = source.Device()->TestCamera();
    ASSERT_NE(cam, nullptr);

    CFrameSequence seq;
    source.Connect(&seq);
    ASSERT_TRUE(source.EnableCapture(true));
    std::vector<cv::Mat> kept;
    std::vector<CFrameInfo> infos;
    int64_t last = -1;
    for (int i = 0; i < 30; ++i) {
        cv::Mat frame;
        CFrameInfo info;
        ASSERT_TRUE(seq.PopFront(frame, 20000, &info));
        ASSERT_EQ(frame.type(), CV_8UC4);
        EXPECT_TRUE(frame.isContinuous());
        EXPECT_GT(info.Index, last);
        last = info.Index;
        kept.push_back(frame);  // held while the grabber goes on
        infos.push_back(info);
    }
    source.EnableCapture(false);
    // Held frames were never reused for later ones.
    for (size_t i = 0; i < kept.size(); ++i)
        ExpectFrameIsRendering(*cam, kept[i], infos[i]);
}

// A frame's capture time is the moment its picture shows, n / fps after the start: stamped
// after drawing, it carried the drawing's and the scheduler's delays into every speed that
// a mark tracker measured from the test camera.
TEST(ImageSource, TestCameraStampsEachFrameAtItsOwnMomentNotWhenItWasDrawn) {
    CImageSource source = CImageSource::Open("testcam-multi:320x240@30");
    ASSERT_TRUE(source.HasDevice());
    CFrameSequence seq;
    source.Connect(&seq);
    ASSERT_TRUE(source.EnableCapture(true));
    std::vector<CFrameInfo> infos;
    for (int i = 0; i < 10; ++i) {
        cv::Mat frame;
        CFrameInfo info;
        ASSERT_TRUE(seq.PopFront(frame, 20000, &info)) << "no frame " << i << " in 20 s";
        infos.push_back(info);
    }
    source.EnableCapture(false);
    for (const CFrameInfo& info : infos) {
        const double apart =
            std::chrono::duration<double>(info.CaptureTime - infos.front().CaptureTime).count();
        EXPECT_NEAR(apart, (info.Index - infos.front().Index) / 30.0, 1e-6) << info.Index;
    }
}

TEST(ImageSource, CaptureOffStopsFramesAndOnResumesThem) {
    CImageSource source = CImageSource::Open("testcam:64x48@100");
    CFrameSequence seq;
    source.Connect(&seq);
    cv::Mat frame;
    EXPECT_FALSE(seq.PopFront(frame, 100));  // nothing before capture is on
    source.EnableCapture(true);
    ASSERT_TRUE(seq.PopFront(frame, 20000));
    source.EnableCapture(false);
    seq.Clear();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(seq.Size(), 0u);
    source.EnableCapture(true);
    EXPECT_TRUE(seq.PopFront(frame, 20000));
    source.EnableCapture(false);
}

TEST(ImageSource, CopiesShareOneDeviceAndOutliveTheOriginal) {
    CFrameSequence seq;
    CImageSource copy;
    {
        CImageSource original = CImageSource::Open("testcam:64x48@100");
        copy = original;
        EXPECT_EQ(copy.Device(), original.Device());
        original.Connect(&seq);
    }
    copy.EnableCapture(true);
    cv::Mat frame;
    EXPECT_TRUE(seq.PopFront(frame, 20000));
    copy = CImageSource();  // the last handle stops the grabber
    EXPECT_FALSE(copy.HasDevice());
}

TEST(ImageSource, TestCameraFormatChangeDeliversTheNewSize) {
    CImageSource source = CImageSource::Open("testcam");
    EXPECT_EQ(source.CurrentFormat(), (CCaptureFormat{640, 480, 30.0}));
    const auto formats = source.Formats();
    ASSERT_EQ(formats.size(), 3u);
    EXPECT_EQ(formats[0].Width, 320);
    EXPECT_EQ(formats[2].Width, 1280);
    EXPECT_EQ(source.HasDialog(FormatDialog), 0);
    EXPECT_EQ(source.HasDialog(SourceDialog), 0);
    EXPECT_NE(source.HasDialog(DisplayDialog), 0);

    CFrameSequence seq;
    source.Connect(&seq);
    source.EnableCapture(true);
    cv::Mat frame;
    ASSERT_TRUE(seq.PopFront(frame, 20000));
    ASSERT_TRUE(source.SetFormat({1280, 720, 30.0}));  // while capturing
    int w = 0;
    source.QueryProperty(FrameWidthProperty, w);
    EXPECT_EQ(w, 1280);
    EXPECT_TRUE(WaitFor(
        [&] { return seq.PopFront(frame, 1000) && frame.cols == 1280 && frame.rows == 720; }));
    source.EnableCapture(false);
}

TEST(ImageSource, TestCameraControlsReachTheCamera) {
    CImageSource source = CImageSource::Open("testcam:160x120@30");
    const auto controls = source.Controls();
    ASSERT_EQ(controls.size(), 2u);
    EXPECT_EQ(controls[0].Value, 100);
    EXPECT_EQ(controls[1].Maximum, 50);
    ASSERT_TRUE(source.SetControl(controls[0].Id, 150));
    EXPECT_EQ(source.Device()->TestCamera()->Light(), 150);
    EXPECT_EQ(source.Controls()[0].Value, 150);
    EXPECT_FALSE(source.SetControl(999, 1));
}
