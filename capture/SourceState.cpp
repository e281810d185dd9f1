#include "SourceState.h"

#include <algorithm>

CSourceState::CSourceState(std::string name, std::unique_ptr<CCaptureDevice> device)
    : SourceName(std::move(name)), Dev(std::move(device)) {}

CSourceState::~CSourceState() {
    std::lock_guard guard(ControlLock);
    StopGrabberLocked();
}

bool CSourceState::EnableCapture(bool on) {
    std::lock_guard guard(ControlLock);
    if (on)
        StartGrabberLocked();
    else
        StopGrabberLocked();
    return true;
}

bool CSourceState::SetFormat(const CCaptureFormat& format) {
    std::lock_guard guard(ControlLock);
    const bool wasCapturing = Grabber.joinable();
    StopGrabberLocked();
    const bool done = Dev->SetFormat(format);
    if (wasCapturing)
        StartGrabberLocked();
    return done;
}

void CSourceState::AddSink(CFrameSequence* sequence) {
    std::lock_guard guard(SinkLock);
    if (std::find(Sinks.begin(), Sinks.end(), sequence) == Sinks.end())
        Sinks.push_back(sequence);
}

void CSourceState::RemoveSink(CFrameSequence* sequence) {
    std::lock_guard guard(SinkLock);
    std::erase(Sinks, sequence);
}

void CSourceState::StartGrabberLocked() {
    if (Grabber.joinable())
        return;
    StopRequested = false;
    Dev->ClearInterrupt();
    Grabber = std::thread([this] { GrabberMain(); });
}

void CSourceState::StopGrabberLocked() {
    if (!Grabber.joinable())
        return;
    {
        std::lock_guard guard(RetryLock);
        StopRequested = true;
    }
    RetryWake.notify_all();
    Dev->Interrupt();
    Grabber.join();
}

void CSourceState::PauseBeforeRetry() {
    std::unique_lock guard(RetryLock);
    RetryWake.wait_for(guard, RetryPause, [this] { return StopRequested.load(); });
}

// A source that fails to start or stops delivering is let go and tried again after a pause,
// for as long as capture stays on; consumers simply see no new frames meanwhile.
void CSourceState::GrabberMain() {
    bool started = false;
    while (!StopRequested) {
        if (!started) {
            started = Dev->Start();
            if (!started) {
                PauseBeforeRetry();
                continue;
            }
        }
        cv::Mat frame;
        CFrameInfo info;
        if (Dev->Grab(Pool, frame, info)) {
            Deliver(frame, info);
            continue;
        }
        Dev->Stop();
        started = false;
        if (!StopRequested)
            PauseBeforeRetry();
    }
    if (started)
        Dev->Stop();
}

void CSourceState::Deliver(const cv::Mat& frame, const CFrameInfo& info) {
    std::lock_guard guard(SinkLock);
    for (CFrameSequence* sink : Sinks)
        sink->PushBack(frame, info);
}
