// One live vivid camera taken through every kind of failure vivid can play, in turn, without
// restarting anything: the picture must come back each time, and both device dialogs stay
// offered. Run inside the guest with `modprobe vivid n_devs=1` (jobs/recovery.sh).
#include "Vivid.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

namespace {

class V4l2Recovery : public testing::Test {
protected:
    static void SetUpTestSuite() { Live = std::make_unique<CLiveSource>("v4l2:" + VividNode(0)); }
    static void TearDownTestSuite() { Live.reset(); }

    void SetUp() override {
        ASSERT_TRUE(Live->Source.HasDevice());
        ASSERT_FALSE(FrameAfter(Live->Frames, CClock::now(), 15s).empty())
            << "the camera did not stream before the fault";
    }

    // The camera is there again from `back` on: the picture must follow.
    static void ExpectPictureBack(const char* fault, CClock::time_point back) {
        const cv::Mat frame = FrameAfter(Live->Frames, back, 15s);
        ASSERT_FALSE(frame.empty()) << fault << ": no frame within 15 s of the camera's return";
        std::printf("%s: picture back %.2f s after the camera\n", fault,
                    Seconds(CClock::now() - back));
        EXPECT_EQ(frame.size(), cv::Size(640, 480));
        EXPECT_EQ(Live->Source.HasDialog(FormatDialog), 0) << "Format is gone after " << fault;
        EXPECT_EQ(Live->Source.HasDialog(SourceDialog), 0)
            << "Font de vídeo is gone after " << fault;
    }

    // When vivid answers again after `since` (at once if it never stopped answering).
    static CClock::time_point WhenVividAnswers(CClock::time_point since) {
        while (VividNode(0).empty() && CClock::now() - since < 15s)
            std::this_thread::sleep_for(20ms);
        return CClock::now();
    }

    static void UnplugFor(std::chrono::milliseconds gone, const char* fault) {
        ASSERT_TRUE(UnbindVivid());
        std::this_thread::sleep_for(gone);
        ASSERT_TRUE(BindVivid());
        ExpectPictureBack(fault, CClock::now());
    }

    static std::unique_ptr<CLiveSource> Live;
};

std::unique_ptr<CLiveSource> V4l2Recovery::Live;

TEST_F(V4l2Recovery, DisconnectButton) {
    const auto pressed = CClock::now();
    ASSERT_TRUE(SetVividControl(VividNode(0), VividDisconnect, 1));
    ExpectPictureBack("Disconnect", WhenVividAnswers(pressed));
}

TEST_F(V4l2Recovery, UnplugFor300Milliseconds) { UnplugFor(300ms, "unbind, bind 0.3 s later"); }
TEST_F(V4l2Recovery, UnplugForOneSecond) { UnplugFor(1s, "unbind, bind 1 s later"); }
TEST_F(V4l2Recovery, UnplugForThreeSeconds) { UnplugFor(3s, "unbind, bind 3 s later"); }

// Another program keeps the old node open, so the camera comes back under another number:
// it is found by its card name and bus position.
TEST_F(V4l2Recovery, CameraBackUnderAnotherNumber) {
    const std::string before = VividNode(0);
    const int holder = ::open(before.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_TRUE(UnbindVivid());
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(BindVivid());
    const std::string after = VividNode(0);
    std::printf("camera came back as %s (was %s)\n", after.c_str(), before.c_str());
    EXPECT_NE(after, before);
    ExpectPictureBack("unbind, bind under another number", CClock::now());
    ::close(holder);
    // Plugged again with nothing holding a node, it takes its first number back.
    UnplugFor(300ms, "unbind, bind back to the first number");
    EXPECT_EQ(VividNode(0), before);
}

TEST_F(V4l2Recovery, FatalStreamingError) {
    const auto injected = CClock::now();
    ASSERT_TRUE(SetVividControl(VividNode(0), VividFatalStreamingError, 1));
    ExpectPictureBack("fatal streaming error", injected);
}

TEST_F(V4l2Recovery, AllBuffersDroppedForFiveSeconds) {
    ASSERT_TRUE(SetVividControl(VividNode(0), VividDroppedPercent, 100));
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(FrameAfter(Live->Frames, CClock::now(), 3s).empty())
        << "frames kept coming while vivid dropped every buffer";
    std::this_thread::sleep_for(3s);
    ASSERT_TRUE(SetVividControl(VividNode(0), VividDroppedPercent, 0));
    ExpectPictureBack("100 % dropped buffers for 5 s", CClock::now());
}

}  // namespace
