#pragma once
#include "FrameSequence.h"
#include "ImageSource.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

class CFramePool;
class CTestCamera;

// One kind of source behind a CImageSource. Start, Grab and Stop run on the grabber thread
// only; the format and control calls come from other threads (a format change is made
// while the grabber is stopped).
class CCaptureDevice {
public:
    virtual ~CCaptureDevice() = default;

    // Begins delivering (opens the device or file); false when that is not possible now.
    virtual bool Start() = 0;
    // Ends streaming and lets go of the hardware (a camera light goes off).
    virtual void Stop() = 0;
    // Waits for the next frame and writes it into a buffer of `pool`; false when the source
    // stopped delivering or Interrupt was called.
    virtual bool Grab(CFramePool& pool, cv::Mat& frame, CFrameInfo& info) = 0;
    // Makes a waiting Grab return soon, until ClearInterrupt.
    virtual void Interrupt();
    void ClearInterrupt();

    virtual std::vector<CCaptureFormat> Formats() const { return {}; }
    CCaptureFormat CurrentFormat() const;
    virtual bool SetFormat(const CCaptureFormat&) { return false; }
    virtual std::vector<CCaptureControl> Controls() const { return {}; }
    virtual bool SetControl(uint32_t, int) { return false; }

    // The synthetic camera behind a testcam or testcam-multi source, else null.
    virtual CTestCamera* TestCamera() { return nullptr; }

protected:
    void NoteFormat(const CCaptureFormat& format);
    // Sleeps until `when`; false when interrupted first.
    bool WaitUntil(std::chrono::steady_clock::time_point when);
    bool Interrupted() const;

private:
    mutable std::mutex Lock;
    std::condition_variable Woken;
    bool InterruptFlag = false;
    CCaptureFormat Current;
};

// Keeps a steady frame rate for sources that are not paced by hardware (files, still
// images, the test camera). A late frame moves the schedule instead of bursting to catch up.
class CFrameClock {
public:
    void Reset(double fps);
    std::chrono::steady_clock::time_point Next();

private:
    std::chrono::steady_clock::duration Period{};
    std::chrono::steady_clock::time_point Due{};
    bool Started = false;
};
