#pragma once
#include "CaptureDevice.h"
#include "FramePool.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// What all copies of one CImageSource share: the device, the grabber thread and the
// sequences that receive its frames.
class CSourceState {
public:
    CSourceState(std::string name, std::unique_ptr<CCaptureDevice> device);
    ~CSourceState();
    CSourceState(const CSourceState&) = delete;
    CSourceState& operator=(const CSourceState&) = delete;

    const std::string& Name() const { return SourceName; }
    CCaptureDevice& Device() const { return *Dev; }

    bool EnableCapture(bool on);
    bool SetFormat(const CCaptureFormat& format);
    void AddSink(CFrameSequence* sequence);
    void RemoveSink(CFrameSequence* sequence);

    static constexpr auto RetryPause = std::chrono::seconds(1);

private:
    void StartGrabberLocked();
    void StopGrabberLocked();
    void GrabberMain();
    void Deliver(const cv::Mat& frame, const CFrameInfo& info);
    void PauseBeforeRetry();

    const std::string SourceName;
    const std::unique_ptr<CCaptureDevice> Dev;
    CFramePool Pool;  // used by the grabber thread only

    std::mutex ControlLock;  // serialises capture on/off and format changes
    std::thread Grabber;
    std::atomic<bool> StopRequested{false};
    std::mutex RetryLock;
    std::condition_variable RetryWake;

    std::mutex SinkLock;  // held while frames are pushed, so a sink cannot go meanwhile
    std::vector<CFrameSequence*> Sinks;
};

// Builds the device a source string names; null when the string names nothing we know.
std::unique_ptr<CCaptureDevice> MakeCaptureDevice(const std::string& name);
