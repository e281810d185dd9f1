#include "CaptureTestUtil.h"
#include "FrameSequence.h"
#include "Pump.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <future>

namespace {

// A pump shaped like the document's: it waits in PopFront without a limit.
class CSequencePump : public CPump {
public:
    ~CSequencePump() override { KillThread(); }

    CFrameSequence Frames;
    std::atomic<int> Taken{0};
    std::atomic<int> Calls{0};
    std::atomic<int> WorkerTid{0};
    std::atomic<bool> StopAfterNext{false};
    std::thread::id HookThread;
    int RunHooks = 0, PauseHooks = 0;

protected:
    bool PumpCore() override {
        WorkerTid = static_cast<int>(syscall(SYS_gettid));
        ++Calls;
        cv::Mat image;
        if (Frames.PopFront(image, CFrameSequence::NoLimit) && !image.empty())
            ++Taken;
        return !StopAfterNext;
    }
    void OnRun() override { ++RunHooks, HookThread = std::this_thread::get_id(); }
    void OnPause() override { ++PauseHooks, HookThread = std::this_thread::get_id(); }
    void WakeWorker() override { Frames.FPushBackPImage(); }
};

cv::Mat Frame() { return cv::Mat(2, 2, CV_8UC4, cv::Scalar::all(1)); }

// KillThread must come back even though the worker waits without a time limit.
bool KillsWithinLimit(CPump& pump) {
    auto done = std::async(std::launch::async, [&] { pump.KillThread(); });
    return done.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
}

}  // namespace

TEST(Pump, StoppedAfterConstructionAndRunsOnlyWhenTold) {
    CSequencePump pump;
    pump.Frames.PushBack(Frame());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(pump.IsRunning());
    EXPECT_EQ(pump.Calls, 0);
    pump.Run();
    EXPECT_TRUE(pump.IsRunning());
    EXPECT_TRUE(WaitFor([&] { return pump.Taken == 1; }));
    pump.Frames.PushBack(Frame());
    EXPECT_TRUE(WaitFor([&] { return pump.Taken == 2; }));
}

TEST(Pump, HooksRunOnTheCallingThread) {
    CSequencePump pump;
    pump.Run();
    EXPECT_EQ(pump.RunHooks, 1);
    EXPECT_EQ(pump.HookThread, std::this_thread::get_id());
    pump.Pause();
    EXPECT_EQ(pump.PauseHooks, 1);
    EXPECT_EQ(pump.HookThread, std::this_thread::get_id());
}

TEST(Pump, PausedWhileWaitingTakesNoFurtherFrames) {
    CSequencePump pump;
    pump.Run();
    ASSERT_TRUE(WaitFor([&] { return pump.Calls == 1; }));  // now waiting in PopFront
    pump.Pause();
    EXPECT_FALSE(pump.IsRunning());
    // The call already waiting may take one frame; after it the worker stays idle.
    pump.Frames.PushBack(Frame());
    ASSERT_TRUE(WaitFor([&] { return pump.Taken == 1; }));
    pump.Frames.PushBack(Frame());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(pump.Frames.Size(), 1u);
    EXPECT_EQ(pump.Taken, 1);
    pump.Run();
    EXPECT_TRUE(WaitFor([&] { return pump.Taken == 2; }));
}

TEST(Pump, KillThreadDoesNotHangWhileWorkerWaitsInPopFront) {
    CSequencePump pump;
    pump.Run();
    ASSERT_TRUE(WaitFor([&] { return pump.Calls == 1; }));
    EXPECT_TRUE(KillsWithinLimit(pump));
    EXPECT_FALSE(pump.IsRunning());
}

TEST(Pump, KillThreadDoesNotHangWhenPausedOrNeverRun) {
    CSequencePump never;
    EXPECT_TRUE(KillsWithinLimit(never));
    CSequencePump paused;
    paused.Run();
    ASSERT_TRUE(WaitFor([&] { return paused.Calls == 1; }));
    paused.Pause();
    EXPECT_TRUE(KillsWithinLimit(paused));
    EXPECT_TRUE(KillsWithinLimit(paused));  // a second kill is harmless
}

TEST(Pump, RunAfterKillDoesNotRestartTheWorker) {
    CSequencePump pump;
    pump.KillThread();
    pump.Run();
    EXPECT_FALSE(pump.IsRunning());
    pump.Frames.PushBack(Frame());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(pump.Calls, 0);
}

TEST(Pump, PumpCoreReturningFalsePausesThePump) {
    CSequencePump pump;
    pump.StopAfterNext = true;
    pump.Run();
    pump.Frames.PushBack(Frame());
    ASSERT_TRUE(WaitFor([&] { return !pump.IsRunning(); }));
    pump.Frames.PushBack(Frame());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(pump.Calls, 1);
}

// A step that asks for a pause must not undo a Run made while it was under way.
TEST(Pump, RunDuringAStepThatPausesStands) {
    CSequencePump pump;
    pump.StopAfterNext = true;
    pump.Run();
    ASSERT_TRUE(WaitFor([&] { return pump.Calls == 1; }));  // waiting for a frame
    pump.Run();
    pump.Frames.PushBack(Frame());
    ASSERT_TRUE(WaitFor([&] { return pump.Calls == 2 || !pump.IsRunning(); }));
    EXPECT_TRUE(pump.IsRunning());
}

TEST(Pump, PriorityMinusOneMakesTheWorkerNicerThanTheProcess) {
    const int base = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
    CSequencePump before;
    before.SetThreadPriority(-1);
    before.Run();
    ASSERT_TRUE(WaitFor([&] { return before.WorkerTid != 0; }));
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(before.WorkerTid.load())),
              std::min(base + 1, 19));
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(getpid())), base);  // the process stays

    // Set while the worker already runs.
    CSequencePump after;
    after.Run();
    ASSERT_TRUE(WaitFor([&] { return after.WorkerTid != 0; }));
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(after.WorkerTid.load())), base);
    after.SetThreadPriority(-1);
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(after.WorkerTid.load())),
              std::min(base + 1, 19));
}
