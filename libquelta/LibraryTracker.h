#pragma once
#include "ColorTracker.h"
#include "ColourSet.h"
#include "FrameSequence.h"
#include "ImageSource.h"
#include "MarkIdentities.h"
#include "TrackingParams.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// What the library's thread learnt from the newest frame.
struct CMarkReport {
    bool Found = false;
    float Row = 0.0f;  // 0..480 scale
    float Col = 0.0f;  // 0..640 scale
    std::chrono::steady_clock::time_point Arrived{};
    bool HasFrame = false;
};

// One tracking run of the library: a capture source, a thread that runs the pass over a colour
// set (drawing off) on every frame and gives the marks their identities, and the newest result
// for any thread to read. "The mark" is the first colour's first mark.
class CLibraryTracker {
public:
    // A frame older than this means the source is lost: the mark counts as absent.
    static constexpr std::chrono::milliseconds StaleAfter{1000};

    // Opens `source` and starts tracking the set (which must be valid), or one colour with
    // `params`; null when the source cannot be opened.
    static std::unique_ptr<CLibraryTracker> Start(const CImageSource& source,
                                                  const CColourSet& set);
    static std::unique_ptr<CLibraryTracker> Start(const CImageSource& source,
                                                  const CTrackingParams& params);
    ~CLibraryTracker();
    CLibraryTracker(const CLibraryTracker&) = delete;
    CLibraryTracker& operator=(const CLibraryTracker&) = delete;

    // Ends the thread and releases the source; the tracker reports nothing afterwards.
    void Stop();
    // The mark's position when the newest frame, no older than StaleAfter at `now`, holds it.
    std::optional<CMarkReport> Position(std::chrono::steady_clock::time_point now) const;
    // The same for the first mark seen of colour `colour` of the set (0: Position).
    std::optional<CMarkReport> Position(std::chrono::steady_clock::time_point now,
                                        int colour) const;
    // Every colour's marks with their identities, held ones included, from the newest frame
    // no older than StaleAfter at `now`; none without such a frame.
    std::vector<CTrackedMark> Marks(std::chrono::steady_clock::time_point now) const;
    // The colours' names, in the set's order; the same for the whole run.
    const std::vector<std::string>& ColourNames() const { return Names; }
    // Takes `params` as the first colour's limits from the next frame on.
    void UseParams(const CTrackingParams& params);

private:
    CLibraryTracker(const CImageSource& source, const CColourSet& set);
    void Run();
    void TakePendingParams();
    bool Fresh(std::chrono::steady_clock::time_point now) const;

    CImageSource Source;
    CFrameSequence Sequence;
    CColorTracker Tracker;
    CColourSet Set;  // the thread's own copy
    CMarkIdentities Identities;
    const std::vector<std::string> Names;

    mutable std::mutex Lock;  // guards Pending, Latest, LatestMarks and Stopped
    std::optional<CTrackingParams> Pending;
    CMarkReport Latest;
    std::vector<CTrackedMark> LatestMarks;
    bool Stopped = false;

    std::atomic<bool> Ending{false};
    std::mutex StopLock;  // Stop may come from QTAFinalitza and from the last owner at once
    std::thread Worker;
};
