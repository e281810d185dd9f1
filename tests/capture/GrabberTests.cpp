// The grabber's probe and capture meeting: the frame a probe reads must not be lost when
// capture is asked for while that read is still in progress.
#include "Grabber.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

// Its first Grab waits until the test lets it go; every later one waits until interrupted,
// like a source that sends one frame and then nothing for a long time.
class COneFrameDevice : public CCaptureDevice {
public:
    bool Start() override { return true; }
    void Stop() override {}
    bool Grab(CFramePool& pool, cv::Mat& frame, CFrameInfo& info) override {
        std::unique_lock guard(Lock);
        if (Grabs++ == 0) {
            InFirstGrab = true;
            Changed.notify_all();
            Changed.wait(guard, [this] { return FirstMayReturn; });
            frame = pool.Acquire(8, 8);
            info.Index = 0;
            return true;
        }
        guard.unlock();
        return WaitUntil(std::chrono::steady_clock::now() + std::chrono::hours(1));
    }

    void AwaitFirstGrab() {
        std::unique_lock guard(Lock);
        Changed.wait(guard, [this] { return InFirstGrab; });
    }
    void ReleaseFirstGrab() {
        std::lock_guard guard(Lock);
        FirstMayReturn = true;
        Changed.notify_all();
    }

private:
    std::mutex Lock;
    std::condition_variable Changed;
    int Grabs = 0;
    bool InFirstGrab = false;
    bool FirstMayReturn = false;
};

TEST(Grabber, FrameOfAProbeStillInItsReadGoesToCaptureWantedMeanwhile) {
    auto owned = std::make_unique<COneFrameDevice>();
    COneFrameDevice& device = *owned;
    auto grabber = std::make_shared<CGrabber>(std::move(owned));
    CFrameSequence frames;
    grabber->AddSink(&frames);

    grabber->StartProbe();
    device.AwaitFirstGrab();
    grabber->Want(true);
    device.ReleaseFirstGrab();
    EXPECT_EQ(grabber->WaitForProbe(std::chrono::seconds(10)), CGrabber::ProbeOutcome::Delivered);

    cv::Mat frame;
    CFrameInfo info;
    EXPECT_TRUE(frames.PopFront(frame, 10000, &info)) << "the probed frame was dropped";
    EXPECT_EQ(info.Index, 0);

    grabber->RemoveSink(&frames);
    grabber->End();
    EXPECT_TRUE(grabber->WaitForIdle(std::chrono::seconds(10)));
}

}  // namespace
