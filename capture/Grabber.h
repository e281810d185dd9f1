#pragma once
#include "CaptureDevice.h"
#include "FramePool.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

class CFrameSequence;

// The grabber thread of one source and everything it touches. The thread holds a reference
// to this object, so a source that stops waiting for it (see CSourceState) can never pull the
// device or the pool from under a read that is still in progress.
//
//   Probe:   Start, Grab one frame, report; then Stop unless capture is wanted meanwhile.
//   Capture: Start, then Grab and Deliver until capture is no longer wanted; a device that
//            fails to start or stops delivering is let go and tried again after RetryPause.
class CGrabber : public std::enable_shared_from_this<CGrabber> {
public:
    enum class ProbeOutcome { None, Pending, Delivered, Failed };

    explicit CGrabber(std::unique_ptr<CCaptureDevice> device);

    CCaptureDevice& Device() const { return *Dev; }

    // Each returns at once; the thread is started when none is running.
    void StartProbe();
    void Want(bool capture);
    // Waits until the probe has an outcome or the limit has passed; the outcome so far.
    ProbeOutcome WaitForProbe(std::chrono::steady_clock::duration limit);
    // Waits until no thread runs or the limit has passed; true when none runs.
    bool WaitForIdle(std::chrono::steady_clock::duration limit);
    // The source is going: the thread ends as soon as the device lets it.
    void End();

    void AddSink(CFrameSequence* sequence);
    void RemoveSink(CFrameSequence* sequence);

    std::chrono::steady_clock::duration RetryPause = std::chrono::seconds(1);

private:
    bool ShouldRunLocked() const;
    void EnsureThreadLocked();
    void Main();
    void Settle(ProbeOutcome outcome);
    void Deliver(const cv::Mat& frame, const CFrameInfo& info);
    void PauseBeforeRetry(uint64_t stops);

    const std::unique_ptr<CCaptureDevice> Dev;
    CFramePool Pool;  // the grabber thread's only

    std::mutex Lock;
    std::condition_variable Changed;
    bool Wanted = false;
    bool Ending = false;
    bool Running = false;  // a thread exists
    ProbeOutcome Probe = ProbeOutcome::None;
    uint64_t Stops =
        0;  // counts the times capture was unwanted, to tell an interrupt from a failure

    std::mutex SinkLock;  // held while frames are pushed, so a sink cannot go meanwhile
    std::vector<CFrameSequence*> Sinks;
};
