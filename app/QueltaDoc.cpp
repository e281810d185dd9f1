#include "QueltaDoc.h"

#include "AppColours.h"
#include "CommandTexts.h"
#include "MainFrame.h"
#include "QueltaApp.h"

#include <QCoreApplication>
#include <QWidget>

#include <chrono>

namespace {
// Capture time in seconds; a frame the capture side did not time (a test's) counts as now.
double SecondsOf(const CFrameInfo& info) {
    const auto time = info.CaptureTime == std::chrono::steady_clock::time_point{}
                          ? std::chrono::steady_clock::now()
                          : info.CaptureTime;
    return std::chrono::duration<double>(time.time_since_epoch()).count();
}
}  // namespace

CQueltaDoc::CQueltaDoc(CQueltaApp& app) : Application(app) {
    FramePump.ConnectToSource(app.CaptureSource);
    FramePump.SetThreadPriority(-1);
}

CQueltaDoc::~CQueltaDoc() {
    if (FramePump.IsRunning())
        FramePump.Pause();
    FramePump.KillThread();
}

bool CQueltaDoc::OnNewDocument() {
    DocPath.clear();
    if (FramePump.HasSource())
        RunPump();
    return true;
}

void CQueltaDoc::OnCloseDocument() {
    if (FramePump.IsRunning())
        OnLiveVideo();
}

// A notification that starts a pass is finished when the pass is done (OnPassDone), as if the
// pass had run within it. One that comes while a pass is under way does not invalidate the
// views: the pass's end will, and a paint of the old frame in between would be wasted.
void CQueltaDoc::OnFrameArrived() {
    FramePump.NotificationTaken();
    if (!FramePump.IsRunning())
        return;  // queued before a pause: dropped
    if ((DisplayFrame.empty() || FrameShown) && TrackLatestFrame())
        return;
    FinishNotification(!PassInFlight);
}

void CQueltaDoc::FinishNotification(bool invalidate) {
    if (DisplayFrame.empty())
        return;
    DocPath.clear();
    SetTitle(QString::fromUtf8(Texts::LiveTitle));
    ShowProcessingRate();
    if (invalidate)
        UpdateAllViews();
}

// Tracks LatestFrame only when it is newer than the frame tracked last: the pass draws into
// the frame's pixels, so a second pass would classify (and calibrate on) its own outlines.
bool CQueltaDoc::TrackLatestFrame() {
    if (PassInFlight)
        return false;
    uint64_t serial = 0;
    CFrameInfo info;
    cv::Mat latest = FramePump.LatestFrame(&serial, &info);
    if (latest.empty() || !FramePump.IsRunning() || serial == LastTrackedSerial)
        return false;
    LastTrackedSerial = serial;
    Work.Frame = std::move(latest);
    Work.Index = info.Index;
    Work.Time = SecondsOf(info);
    CAppColours& colours = Application.Colours;
    colours.Snapshot(Work.Set, Work.Keys);
    const int selected = colours.Selected();
    Work.MaskColour = colours.Limits(selected).ShowMask ? selected : -1;
    Work.CalibrationColour = ColorTracker.CalibrationRequested() ? RequestedColour : -1;
    Work.Calibrated = false;
    PassInFlight = true;
    PassThread.Start();
    return true;
}

void CQueltaDoc::RunPass() {
    cv::Mat& frame = Work.Frame;
    ColorTracker.TrackColours(frame, Work.Set, true, Work.MaskColour);
    Work.Calibrated = Work.CalibrationColour >= 0 && !ColorTracker.CalibrationRequested();
    Work.Marks = Identities.Update(ColorTracker.Marks(), Work.Time, frame.cols, frame.rows);
}

// A pass that ends after a pause still delivers what it learnt, but the picture, the title and
// pane 1 stay as the pause left them.
void CQueltaDoc::OnPassDone() {
    if (!PassInFlight)
        return;
    PassInFlight = false;
    ++Passes;
    if (Work.Calibrated) {
        const auto colour = static_cast<std::size_t>(Work.CalibrationColour);
        if (colour < Work.Keys.size())
            Application.Colours.TakeCalibration(Work.Keys[colour], Work.Set.Colours[colour].Limits);
        RequestedColour = -1;
    }
    ApplyPendingPointer();
    if (!FramePump.IsRunning()) {
        Work.Frame.release();
        return;
    }
    {
        std::lock_guard lock(FrameLock);
        DisplayFrame = Work.Frame;
        ShownMarks.swap(Work.Marks);
        std::swap(ShownSet, Work.Set);
        std::swap(ShownKeys, Work.Keys);
        ShownIndex = Work.Index;
    }
    Work.Frame.release();
    FrameShown = false;
    FinishNotification(true);
}

bool CQueltaDoc::FinishPass(int timeoutMs) {
    if (!PassInFlight)
        return true;
    if (!PassThread.WaitUntilIdle(timeoutMs))
        return false;
    QCoreApplication::sendPostedEvents(this, PassDoneEvent);
    return !PassInFlight;
}

bool CQueltaDoc::event(QEvent* event) {
    if (event->type() == PassDoneEvent) {
        OnPassDone();
        return true;
    }
    return QObject::event(event);
}

void CQueltaDoc::SetCalibrationPoint(int x, int y) {
    if (PassInFlight)
        PendingPoint = {x, y};
    else
        ColorTracker.SetCalibrationPoint(x, y);
}

void CQueltaDoc::RequestCalibration() {
    const int colour = Application.Colours.Selected();
    if (PassInFlight) {
        PendingRequest = colour;
        return;
    }
    ColorTracker.RequestCalibration(colour);
    RequestedColour = colour;
}

void CQueltaDoc::ApplyPendingPointer() {
    if (PendingPoint) {
        ColorTracker.SetCalibrationPoint(PendingPoint->first, PendingPoint->second);
        PendingPoint.reset();
    }
    if (PendingRequest) {
        ColorTracker.RequestCalibration(*PendingRequest);
        RequestedColour = *PendingRequest;
        PendingRequest.reset();
    }
}

void CQueltaDoc::ShowProcessingRate() {
    const double rate = ProcessingRate.RateUpdate();
    if (CMainFrame* frame = Application.MainFrame())
        frame->ShowFrameRate(rate, false);
}

std::unique_lock<std::mutex> CQueltaDoc::EnterFrameLock() const {
    return std::unique_lock<std::mutex>(FrameLock);
}

cv::Mat CQueltaDoc::GetDisplayFrame() const { return DisplayFrame; }

void CQueltaDoc::MarkFrameShown() { FrameShown = true; }

CTrackingParams& CQueltaDoc::GetTrackingParams() const { return Application.TrackingParams; }

void CQueltaDoc::AddView(QWidget* view) { Views.emplace_back(view); }

void CQueltaDoc::RemoveView(QWidget* view) {
    std::erase_if(Views, [view](const QPointer<QWidget>& v) { return !v || v == view; });
}

void CQueltaDoc::UpdateAllViews() {
    for (const QPointer<QWidget>& view : Views)
        if (view)
            view->update();
}

void CQueltaDoc::RunPump() {
    FramePump.Run();
    emit CommandStateChanged();
}

void CQueltaDoc::PausePump() {
    FramePump.Pause();
    emit CommandStateChanged();
}

QWidget* CQueltaDoc::MainWindow() const { return Application.MainFrame(); }
