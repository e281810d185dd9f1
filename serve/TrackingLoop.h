#pragma once
#include "ColorTracker.h"
#include "ColourSet.h"
#include "FrameSequence.h"
#include "ImageSource.h"
#include "MarkIdentities.h"
#include "RateTimer.h"

#include <QByteArray>

#include <opencv2/core/mat.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// The newest drawn frame and what was measured on it.
struct CNewestFrame {
    cv::Mat Picture;       // B,G,R,A with the marks outlined; empty before the first frame
    uint64_t Number = 0;   // counts the frames tracked, from 1
    QByteArray MarksJson;  // the frame's marks object, compact
    std::chrono::steady_clock::time_point Arrived{};
    int64_t SourceFrame = -1;  // the source's number of the frame, the marks' "frame"
    double CaptureTime = 0.0;  // calendar seconds when the source produced it, the marks' "time"
};

struct CTrackingStatus {
    std::string Source;
    int Width = 0, Height = 0;
    uint64_t Frames = 0;
    uint64_t Dropped = 0;  // frames the source sent that tracking was too late to take
    double Rate = 0.0;     // frames tracked per second, over the last ten
    bool Live = false;     // a frame came within the last second
};

// One frame's pass, for whoever follows every frame on the tracking thread; valid during the
// call only.
struct CTrackedFrame {
    const CColourSet& Set;
    const CColorTracker& Tracker;
    const std::string& MarksJson;  // the frame's marks object
    long long Frame = 0;           // the source's frame index
    double Time = 0.0;             // capture time, Unix seconds
};

// Tracking on a thread of its own: every frame of the source goes through TrackColours (drawn)
// and the mark identities; the newest frame, its marks and the set are kept for any thread to
// read. Requests from other threads (a new set, a calibration) are taken before the next frame,
// so nobody ever waits for the pass, and the pass never waits for anybody.
class CTrackingLoop {
public:
    using CFrameHandler = std::function<void(const CTrackedFrame&)>;
    // `set` must be valid (ColourSetProblem); `onFrame` is called on the thread after every
    // frame and must return at once.
    CTrackingLoop(const CImageSource& source, const CColourSet& set, CFrameHandler onFrame);
    ~CTrackingLoop();
    CTrackingLoop(const CTrackingLoop&) = delete;
    CTrackingLoop& operator=(const CTrackingLoop&) = delete;

    void Stop();

    CColourSet Colours() const;
    // Tracks `set` (valid) from the next frame on; Colours() gives it at once.
    void ReplaceColours(const CColourSet& set);
    // Colour `colour` learns at (x, y) of the next frame; false without a frame yet or with the
    // point outside it.
    bool Calibrate(int colour, int x, int y);

    CNewestFrame Newest() const;
    CTrackingStatus Status() const;

private:
    void Run();
    void TakeRequests();
    void Publish(cv::Mat& frame, const CFrameInfo& info, const std::string& json, double time);
    std::string MarksOf(const cv::Mat& frame, const CFrameInfo& info, double time);

    CImageSource Source;
    CFrameSequence Sequence;
    CFrameHandler OnFrame;

    // The thread's own.
    CColorTracker Tracker;
    CColourSet Set;
    CMarkIdentities Identities;
    CRateTimer TrackRate;  // frames tracked per second, over the last ten

    mutable std::mutex Lock;  // guards everything below
    CColourSet SharedSet;
    std::optional<CColourSet> PendingSet;
    struct CCalibration {
        int Colour = 0, X = 0, Y = 0;
    };
    std::optional<CCalibration> PendingCalibration;
    CNewestFrame Latest;
    CTrackingStatus State;

    std::atomic<bool> Ending{false};
    std::thread Worker;
};
