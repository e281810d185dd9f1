#pragma once
#include "FrameSequence.h"
#include "ImageSource.h"
#include "Pump.h"

#include <QEvent>
#include <QPointer>

#include <cstdint>
#include <mutex>

// The frame notification the pump posts to its target: the first user event number plus 1.
inline constexpr QEvent::Type FrameNotifyEvent = QEvent::Type(QEvent::User + 1);

// The frame pump of the document. Its worker takes each frame out of Frames, keeps it as
// LatestFrame and posts FrameNotifyEvent to TargetWindow; it does nothing else and never
// waits for the user-interface thread. The hand-over of LatestFrame and the target are
// guarded by a short lock of the pump's own.
class CFramePump : public CPump {
public:
    CFramePump();
    ~CFramePump() override;

    // Frames come from `source` from now on (no-op for a source without a device).
    void ConnectToSource(const CImageSource& source);
    bool HasSource() const;
    const CImageSource& Source() const;

    // The receiver of the notifications; null stops them. Safe against a receiver that is
    // being destroyed as long as it clears itself here first (see CQueltaView).
    void SetTargetWindow(QObject* target);
    void ClearTargetWindow(QObject* target);  // only if it is still the target
    QObject* TargetWindow() const;

    // The newest frame handed on by the worker, sharing its pixels, its serial number (0
    // before the first frame; each new frame gets the next number) and what the capture side
    // knows of it.
    cv::Mat LatestFrame(uint64_t* serial = nullptr, CFrameInfo* info = nullptr) const;
    // What the worker does with each frame: keep it and notify the target, unless a
    // notification is still waiting to be handled (frames never queue; neither do their
    // notifications). Callable from any thread (tests feed scripted frames through it).
    void HandOver(const cv::Mat& frame, const CFrameInfo& info = {});
    // The receiver calls this as it handles a notification: the next frame may notify again.
    void NotificationTaken();

protected:
    bool PumpCore() override;
    void OnRun() override;
    void OnPause() override;
    void WakeWorker() override;
    // One frame on the worker thread: keep it, notify the target.
    virtual bool OnFrame(const cv::Mat& frame, const CFrameInfo& info);

private:
    CFrameSequence Frames;
    cv::Mat WorkFrame;  // touched by the worker only
    CFrameInfo WorkInfo;
    CImageSource ConnectedSource;
    bool Connected = false;

    mutable std::mutex HandOverLock;  // guards the fields below
    QPointer<QObject> Target;
    cv::Mat Latest;
    CFrameInfo LatestInfo;
    uint64_t LatestSerial = 0;
    bool NotificationWaiting = false;
};
