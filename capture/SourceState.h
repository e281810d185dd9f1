#pragma once
#include "CaptureDevice.h"
#include "FramePool.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CGrabber;

// What all copies of one CImageSource share: the device, its grabber thread and the
// sequences that receive its frames.
//
// No caller ever waits on the device for longer than StopWait. A back end's read that cannot
// be interrupted (a GStreamer stream gone silent) is left to finish on its own: the grabber
// thread owns the device with the source, so both live until that read returns, and a later
// start takes up the same thread again instead of adding another.
class CSourceState {
public:
    CSourceState(std::string name, std::unique_ptr<CCaptureDevice> device);
    ~CSourceState();
    CSourceState(const CSourceState&) = delete;
    CSourceState& operator=(const CSourceState&) = delete;

    const std::string& Name() const { return SourceName; }
    CCaptureDevice& Device() const;

    // Starts the device and waits (at most StopWait) for a first frame, then lets it go again.
    // False when it failed to start or deliver; a device still busy after the wait counts as
    // opened, and its first frame is taken as soon as it comes.
    bool Probe();
    bool EnableCapture(bool on);
    bool SetFormat(const CCaptureFormat& format);
    void AddSink(CFrameSequence* sequence);
    void RemoveSink(CFrameSequence* sequence);

    static constexpr auto RetryPause = std::chrono::seconds(1);
    static constexpr auto StopWait = std::chrono::milliseconds(900);

private:
    // Lets the grabber go; true when it has stopped within StopWait.
    bool StopGrabberLocked();

    const std::string SourceName;
    std::mutex ControlLock;  // serialises capture on/off, probing and format changes
    bool Capturing = false;  // under ControlLock
    const std::shared_ptr<CGrabber> Grabber;
};

// Builds the device a source string names; null when the string names nothing we know.
std::unique_ptr<CCaptureDevice> MakeCaptureDevice(const std::string& name);
