#pragma once
#include "ColorTracker.h"
#include "FrameSequence.h"
#include "ImageSource.h"
#include "TrackingParams.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// What the library's thread learnt from the newest frame.
struct CMarkReport {
    bool Found = false;
    float Row = 0.0f;  // 0..480 scale
    float Col = 0.0f;  // 0..640 scale
    std::chrono::steady_clock::time_point Arrived{};
    bool HasFrame = false;
};

// One tracking run of the library: a capture source, a thread that runs the tracking pass
// (drawing off) on every frame, and the newest result for any thread to read.
class CLibraryTracker {
public:
    // A frame older than this means the source is lost: the mark counts as absent.
    static constexpr std::chrono::milliseconds StaleAfter{1000};

    // Opens `source` and starts tracking with `params`; null when the source cannot be
    // opened.
    static std::unique_ptr<CLibraryTracker> Start(const CImageSource& source,
                                                  const CTrackingParams& params);
    ~CLibraryTracker();
    CLibraryTracker(const CLibraryTracker&) = delete;
    CLibraryTracker& operator=(const CLibraryTracker&) = delete;

    // Ends the thread and releases the source; the tracker reports nothing afterwards.
    void Stop();
    // The mark's position when the newest frame, no older than StaleAfter at `now`, holds it.
    std::optional<CMarkReport> Position(std::chrono::steady_clock::time_point now) const;
    // Takes `params` from the next frame on.
    void UseParams(const CTrackingParams& params);

private:
    CLibraryTracker(const CImageSource& source, const CTrackingParams& params);
    void Run();
    void TakePendingParams();

    CImageSource Source;
    CFrameSequence Sequence;
    CColorTracker Tracker;
    CTrackingParams Params;  // the thread's own copy

    mutable std::mutex Lock;  // guards Pending, Latest and Stopped
    std::optional<CTrackingParams> Pending;
    CMarkReport Latest;
    bool Stopped = false;

    std::atomic<bool> Ending{false};
    std::mutex StopLock;  // Stop may come from QTAFinalitza and from the last owner at once
    std::thread Worker;
};
