#include "TrackingLoop.h"

#include "MarksReport.h"

namespace {
// How long the thread waits for a frame before it looks at the ending flag again.
constexpr int FrameWaitMs = 100;
// A source that sent nothing for this long is shown as not live (it is being retried).
constexpr auto LiveWithin = std::chrono::seconds(1);

double Seconds(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

// Capture time on the calendar: the capture layer stamps frames on the steady clock.
double CalendarSeconds(std::chrono::steady_clock::time_point captured) {
    const auto age = std::chrono::steady_clock::now() - captured;
    const auto calendar = std::chrono::system_clock::now() -
                          std::chrono::duration_cast<std::chrono::system_clock::duration>(age);
    return std::chrono::duration<double>(calendar.time_since_epoch()).count();
}
}  // namespace

CTrackingLoop::CTrackingLoop(const CImageSource& source, const CColourSet& set,
                             CFrameHandler onFrame)
    : Source(source), OnFrame(std::move(onFrame)), Set(set), SharedSet(set) {
    State.Source = Source.Name();
    Source.Connect(&Sequence);
    Source.EnableCapture(true);
    Worker = std::thread([this] { Run(); });
}

CTrackingLoop::~CTrackingLoop() { Stop(); }

void CTrackingLoop::Stop() {
    if (!Worker.joinable())
        return;
    Ending = true;
    Sequence.FPushBackPImage();  // wakes a waiting PopFront at once
    Worker.join();
    Source.EnableCapture(false);
    Source.Disconnect(&Sequence);
}

CColourSet CTrackingLoop::Colours() const {
    std::lock_guard guard(Lock);
    return SharedSet;
}

void CTrackingLoop::ReplaceColours(const CColourSet& set) {
    std::lock_guard guard(Lock);
    SharedSet = set;
    PendingSet = set;
    PendingCalibration.reset();  // its colour index may name another colour now
}

bool CTrackingLoop::Calibrate(int colour, int x, int y) {
    std::lock_guard guard(Lock);
    if (colour < 0 || static_cast<size_t>(colour) >= SharedSet.Colours.size() || x < 0 || y < 0 ||
        x >= State.Width || y >= State.Height)
        return false;
    PendingCalibration = CCalibration{colour, x, y};
    return true;
}

CNewestFrame CTrackingLoop::Newest() const {
    std::lock_guard guard(Lock);
    return Latest;
}

CTrackingStatus CTrackingLoop::Status() const {
    std::lock_guard guard(Lock);
    CTrackingStatus status = State;
    status.Live =
        Latest.Number > 0 && std::chrono::steady_clock::now() - Latest.Arrived < LiveWithin;
    return status;
}

void CTrackingLoop::TakeRequests() {
    std::lock_guard guard(Lock);
    if (PendingSet) {
        Set = *PendingSet;
        PendingSet.reset();
    }
    Tracker.SetCalibrationPoint(0, 0);
    if (PendingCalibration) {
        // (0, 0) means no point to the tracker: the corner pixel is taken as its neighbour.
        const CCalibration& c = *PendingCalibration;
        Tracker.SetCalibrationPoint(std::max(c.X, 1), std::max(c.Y, 1));
        Tracker.RequestCalibration(c.Colour);
        PendingCalibration.reset();
    }
}

std::string CTrackingLoop::MarksOf(const cv::Mat& frame, const CFrameInfo& info, double time) {
    const std::vector<CTrackedMark>& marks =
        Identities.Update(Tracker.Marks(), Seconds(info.CaptureTime), frame.cols, frame.rows);
    CMarksReport report;
    report.Frame = info.Index;
    report.Time = time;
    report.Colours = Set.Colours;
    report.Marks = marks;
    report.Regions = Tracker.ColourRegions();
    return MarksJson(report);
}

void CTrackingLoop::Publish(cv::Mat& frame, const CFrameInfo& info, const std::string& json,
                            double time) {
    // By capture times: the rate the source delivers and tracking keeps up with.
    const double rate = TrackRate.RateUpdate(info.CaptureTime);

    std::lock_guard guard(Lock);
    if (!PendingSet && SharedSet != Set)
        SharedSet = Set;  // a calibration learnt new limits
    Latest.Picture = frame;
    Latest.Number += 1;
    Latest.MarksJson = QByteArray::fromStdString(json);
    Latest.Arrived = std::chrono::steady_clock::now();
    Latest.SourceFrame = info.Index;
    Latest.CaptureTime = time;
    State.Width = frame.cols;
    State.Height = frame.rows;
    State.Frames = Latest.Number;
    State.Dropped = Sequence.Dropped();
    if (rate > 0.0)
        State.Rate = rate;
}

void CTrackingLoop::Run() {
    cv::Mat frame;
    CFrameInfo info;
    while (!Ending) {
        if (!Sequence.PopFront(frame, FrameWaitMs, &info) || frame.empty())
            continue;
        TakeRequests();
        Tracker.TrackColours(frame, Set, true);
        const double time = CalendarSeconds(info.CaptureTime);
        const std::string json = MarksOf(frame, info, time);
        Publish(frame, info, json, time);
        frame.release();  // the newest frame is kept in Latest; the pool gets the rest back
        OnFrame(CTrackedFrame{Set, Tracker, json, static_cast<long long>(info.Index), time});
    }
}
