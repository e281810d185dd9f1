#include "LibraryTracker.h"

namespace {
// How long the thread waits for a frame before it looks at the ending flag again.
constexpr int FrameWaitMs = 100;
}  // namespace

std::unique_ptr<CLibraryTracker> CLibraryTracker::Start(const CImageSource& source,
                                                        const CTrackingParams& params) {
    if (!source.HasDevice())
        return nullptr;
    std::unique_ptr<CLibraryTracker> tracker(new CLibraryTracker(source, params));
    if (!tracker->Source.EnableCapture(true))
        return nullptr;
    return tracker;
}

CLibraryTracker::CLibraryTracker(const CImageSource& source, const CTrackingParams& params)
    : Source(source), Params(params) {
    Params.ShowMask = false;
    Source.Connect(&Sequence);
    Worker = std::thread([this] { Run(); });
}

CLibraryTracker::~CLibraryTracker() { Stop(); }

void CLibraryTracker::Stop() {
    std::lock_guard stopping(StopLock);
    if (!Worker.joinable())
        return;  // stopped before
    Ending = true;
    Sequence.FPushBackPImage();  // wakes a waiting PopFront at once
    Worker.join();
    Source.EnableCapture(false);
    Source.Disconnect(&Sequence);
    std::lock_guard guard(Lock);
    Stopped = true;
}

std::optional<CMarkReport>
CLibraryTracker::Position(std::chrono::steady_clock::time_point now) const {
    std::lock_guard guard(Lock);
    if (Stopped || !Latest.HasFrame || !Latest.Found || now - Latest.Arrived > StaleAfter)
        return std::nullopt;
    return Latest;
}

void CLibraryTracker::UseParams(const CTrackingParams& params) {
    std::lock_guard guard(Lock);
    Pending = params;
}

void CLibraryTracker::TakePendingParams() {
    std::lock_guard guard(Lock);
    if (!Pending)
        return;
    // The flags are not part of a settings file and mean nothing here.
    Params = *Pending;
    Params.ShowMask = false;
    Pending.reset();
}

void CLibraryTracker::Run() {
    cv::Mat frame;
    while (!Ending) {
        if (!Sequence.PopFront(frame, FrameWaitMs) || frame.empty())
            continue;
        const auto arrived = std::chrono::steady_clock::now();
        TakePendingParams();
        CMarkReport report;
        report.Found = Tracker.Track(frame, Params, false, &report.Row, &report.Col);
        report.Arrived = arrived;
        report.HasFrame = true;
        std::lock_guard guard(Lock);
        Latest = report;
    }
}
