#include "FramePump.h"

#include <QCoreApplication>

CFramePump::CFramePump() = default;

CFramePump::~CFramePump() {
    if (IsRunning())
        Pause();
    KillThread();
    if (Connected)
        ConnectedSource.Disconnect(&Frames);
}

void CFramePump::ConnectToSource(const CImageSource& source) {
    if (!source.HasDevice())
        return;
    ConnectedSource = source;
    ConnectedSource.Connect(&Frames);
    Connected = true;
}

bool CFramePump::HasSource() const { return Connected; }

const CImageSource& CFramePump::Source() const { return ConnectedSource; }

// A new target starts with nothing waiting: what was posted to the old one may never be
// handled.
void CFramePump::SetTargetWindow(QObject* target) {
    std::lock_guard lock(HandOverLock);
    Target = target;
    NotificationWaiting = false;
}

void CFramePump::ClearTargetWindow(QObject* target) {
    std::lock_guard lock(HandOverLock);
    if (Target == target) {
        Target = nullptr;
        NotificationWaiting = false;
    }
}

void CFramePump::NotificationTaken() {
    std::lock_guard lock(HandOverLock);
    NotificationWaiting = false;
}

QObject* CFramePump::TargetWindow() const {
    std::lock_guard lock(HandOverLock);
    return Target.data();
}

cv::Mat CFramePump::LatestFrame(uint64_t* serial, CFrameInfo* info) const {
    std::lock_guard lock(HandOverLock);
    if (serial)
        *serial = LatestSerial;
    if (info)
        *info = LatestInfo;
    return Latest;
}

bool CFramePump::PumpCore() {
    if (!Frames.PopFront(WorkFrame, CFrameSequence::NoLimit, &WorkInfo) || WorkFrame.empty())
        return true;
    const bool goOn = IsEnding() ? true : OnFrame(WorkFrame, WorkInfo);
    WorkFrame.release();  // LatestFrame keeps its own reference
    return goOn;
}

bool CFramePump::OnFrame(const cv::Mat& frame, const CFrameInfo& info) {
    HandOver(frame, info);
    return true;
}

void CFramePump::HandOver(const cv::Mat& frame, const CFrameInfo& info) {
    std::lock_guard lock(HandOverLock);
    Latest = frame;
    LatestInfo = info;
    ++LatestSerial;
    // Posting under the lock: a receiver clears itself from Target (under the same lock)
    // before it dies, so it is alive for the whole postEvent call.
    if (Target && !NotificationWaiting) {
        NotificationWaiting = true;
        QCoreApplication::postEvent(Target.data(), new QEvent(FrameNotifyEvent));
    }
}

void CFramePump::OnRun() {
    if (Connected)
        ConnectedSource.EnableCapture(true);
}

void CFramePump::OnPause() {
    if (Connected)
        ConnectedSource.EnableCapture(false);
}

void CFramePump::WakeWorker() { Frames.FPushBackPImage(); }
