#include "QueltaDoc.h"

#include "CommandTexts.h"
#include "MainFrame.h"
#include "QueltaApp.h"

#include <QWidget>

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

void CQueltaDoc::OnFrameArrived() {
    FramePump.NotificationTaken();
    if (!FramePump.IsRunning())
        return;  // queued before a pause: dropped
    if (DisplayFrame.empty() || FrameShown)
        TrackLatestFrame();
    if (DisplayFrame.empty())
        return;
    DocPath.clear();
    SetTitle(QString::fromUtf8(Texts::LiveTitle));
    ShowProcessingRate();
    UpdateAllViews();
}

// Tracks LatestFrame only when it is newer than the frame tracked last: the pass draws into
// the frame's pixels, so a second pass would classify (and calibrate on) its own outlines.
void CQueltaDoc::TrackLatestFrame() {
    uint64_t serial = 0;
    const cv::Mat latest = FramePump.LatestFrame(&serial);
    if (latest.empty() || !FramePump.IsRunning() || serial == LastTrackedSerial)
        return;
    TrackFrame(latest);
    LastTrackedSerial = serial;
    FrameShown = false;
}

void CQueltaDoc::TrackFrame(const cv::Mat& frame) {
    cv::Mat local = frame;
    if (local.empty())
        return;
    ColorTracker.ProcessFrame(local, GetTrackingParams());
    ++Passes;
    std::lock_guard lock(FrameLock);
    DisplayFrame = local;
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
