#include "LibraryTracker.h"

namespace {
// How long the thread waits for a frame before it looks at the ending flag again.
constexpr int FrameWaitMs = 100;

std::vector<std::string> NamesOf(const CColourSet& set) {
    std::vector<std::string> names;
    for (const CColour& colour : set.Colours)
        names.push_back(colour.Name);
    return names;
}

double Seconds(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}
}  // namespace

std::unique_ptr<CLibraryTracker> CLibraryTracker::Start(const CImageSource& source,
                                                        const CColourSet& set) {
    if (!source.HasDevice() || ColourSetProblem(set))
        return nullptr;
    std::unique_ptr<CLibraryTracker> tracker(new CLibraryTracker(source, set));
    if (!tracker->Source.EnableCapture(true))
        return nullptr;
    return tracker;
}

std::unique_ptr<CLibraryTracker> CLibraryTracker::Start(const CImageSource& source,
                                                        const CTrackingParams& params) {
    CColourSet set;
    CColour& only = set.Colours.emplace_back();
    only.Name = CColour::DefaultName;
    only.Limits = params;
    return Start(source, set);
}

CLibraryTracker::CLibraryTracker(const CImageSource& source, const CColourSet& set)
    : Source(source), Set(set), Names(NamesOf(set)) {
    Set.Colours.front().Limits.ShowMask = false;
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

// Called with Lock held.
bool CLibraryTracker::Fresh(std::chrono::steady_clock::time_point now) const {
    return !Stopped && Latest.HasFrame && now - Latest.Arrived <= StaleAfter;
}

std::optional<CMarkReport>
CLibraryTracker::Position(std::chrono::steady_clock::time_point now) const {
    std::lock_guard guard(Lock);
    if (!Fresh(now) || !Latest.Found)
        return std::nullopt;
    return Latest;
}

std::optional<CMarkReport> CLibraryTracker::Position(std::chrono::steady_clock::time_point now,
                                                     int colour) const {
    if (colour == 0)
        return Position(now);
    std::lock_guard guard(Lock);
    if (!Fresh(now))
        return std::nullopt;
    for (const CTrackedMark& t : LatestMarks)
        if (t.Mark.Colour == colour && t.Lost == 0) {
            CMarkReport report = Latest;
            report.Found = true;
            report.Row = t.Mark.Row;
            report.Col = t.Mark.Col;
            return report;
        }
    return std::nullopt;
}

std::vector<CTrackedMark> CLibraryTracker::Marks(std::chrono::steady_clock::time_point now) const {
    std::lock_guard guard(Lock);
    if (!Fresh(now))
        return {};
    return LatestMarks;
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
    CTrackingParams& limits = Set.Colours.front().Limits;
    limits = *Pending;
    limits.ShowMask = false;
    Pending.reset();
}

// The first colour's first mark is the mark: with one colour it is Track's, bit for bit.
void CLibraryTracker::Run() {
    cv::Mat frame;
    CFrameInfo info;
    while (!Ending) {
        if (!Sequence.PopFront(frame, FrameWaitMs, &info) || frame.empty())
            continue;
        const auto arrived = std::chrono::steady_clock::now();
        TakePendingParams();
        CMarkReport report;
        report.Found = Tracker.TrackColours(frame, Set, false);
        if (report.Found) {
            report.Row = Tracker.Marks().front().Row;
            report.Col = Tracker.Marks().front().Col;
        }
        report.Arrived = arrived;
        report.HasFrame = true;
        const std::vector<CTrackedMark>& marks =
            Identities.Update(Tracker.Marks(), Seconds(info.CaptureTime), frame.cols, frame.rows);
        std::lock_guard guard(Lock);
        Latest = report;
        LatestMarks = marks;
    }
}
