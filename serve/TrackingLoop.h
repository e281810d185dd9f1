#pragma once
#include "ColorTracker.h"
#include "ColourSet.h"
#include "FrameSequence.h"
#include "ImageSource.h"
#include "MarkIdentities.h"

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
    double Rate = 0.0;     // frames tracked per second, smoothed
    bool Live = false;     // a frame came within the last second
};

// Tracking on a thread of its own: every frame of the source goes through TrackColours (drawn)
// and the mark identities; the newest frame, its marks and the set are kept for any thread to
// read. Requests from other threads (a new set, a calibration) are taken before the next frame,
// so nobody ever waits for the pass, and the pass never waits for anybody.
class CTrackingLoop {
public:
    // `set` must be valid (ColourSetProblem); `onFrame` is called on the thread after every
    // frame and must return at once.
    CTrackingLoop(const CImageSource& source, const CColourSet& set, std::function<void()> onFrame);
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
    void Publish(cv::Mat& frame, const CFrameInfo& info);

    CImageSource Source;
    CFrameSequence Sequence;
    std::function<void()> OnFrame;

    // The thread's own.
    CColorTracker Tracker;
    CColourSet Set;
    CMarkIdentities Identities;
    std::optional<std::chrono::steady_clock::time_point> LastCapture;

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
