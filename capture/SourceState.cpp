#include "SourceState.h"

#include "Grabber.h"

CSourceState::CSourceState(std::string name, std::unique_ptr<CCaptureDevice> device)
    : SourceName(std::move(name)), Grabber(std::make_shared<CGrabber>(std::move(device))) {
    Grabber->RetryPause = RetryPause;
}

// A grabber still in a read goes on alone and ends, with the device, when the read returns.
CSourceState::~CSourceState() {
    Grabber->End();
    Grabber->WaitForIdle(StopWait);
}

CCaptureDevice& CSourceState::Device() const { return Grabber->Device(); }

bool CSourceState::Probe() {
    std::lock_guard guard(ControlLock);
    Grabber->StartProbe();
    return Grabber->WaitForProbe(StopWait) != CGrabber::ProbeOutcome::Failed;
}

bool CSourceState::EnableCapture(bool on) {
    std::lock_guard guard(ControlLock);
    Capturing = on;
    if (on)
        Grabber->Want(true);
    else
        StopGrabberLocked();
    return true;
}

// The device changes format only while no grabber uses it; one stuck in a read refuses.
bool CSourceState::SetFormat(const CCaptureFormat& format) {
    std::lock_guard guard(ControlLock);
    const bool stopped = StopGrabberLocked();
    const bool done = stopped && Device().SetFormat(format);
    if (Capturing)
        Grabber->Want(true);
    return done;
}

bool CSourceState::StopGrabberLocked() {
    Grabber->Want(false);
    return Grabber->WaitForIdle(StopWait);
}

void CSourceState::AddSink(CFrameSequence* sequence) { Grabber->AddSink(sequence); }
void CSourceState::RemoveSink(CFrameSequence* sequence) { Grabber->RemoveSink(sequence); }
