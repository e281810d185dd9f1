#include "Grabber.h"

#include "FrameSequence.h"

#include <algorithm>
#include <thread>

CGrabber::CGrabber(std::unique_ptr<CCaptureDevice> device) : Dev(std::move(device)) {}

void CGrabber::StartProbe() {
    std::lock_guard guard(Lock);
    Probe = ProbeOutcome::Pending;
    Dev->ClearInterrupt();
    EnsureThreadLocked();
}

void CGrabber::Want(bool capture) {
    {
        std::lock_guard guard(Lock);
        if (Wanted == capture)
            return;
        Wanted = capture;
        if (capture) {
            Dev->ClearInterrupt();
            EnsureThreadLocked();
        } else {
            ++Stops;
        }
    }
    Changed.notify_all();
    if (!capture)
        Dev->Interrupt();  // a device that can cut its wait short does so
}

CGrabber::ProbeOutcome CGrabber::WaitForProbe(std::chrono::steady_clock::duration limit) {
    std::unique_lock guard(Lock);
    Changed.wait_for(guard, limit, [this] { return Probe != ProbeOutcome::Pending; });
    return Probe;
}

bool CGrabber::WaitForIdle(std::chrono::steady_clock::duration limit) {
    std::unique_lock guard(Lock);
    return Changed.wait_for(guard, limit, [this] { return !Running; });
}

void CGrabber::End() {
    {
        std::lock_guard guard(Lock);
        Ending = true;
        Wanted = false;
        ++Stops;
    }
    Changed.notify_all();
    Dev->Interrupt();
}

void CGrabber::AddSink(CFrameSequence* sequence) {
    std::lock_guard guard(SinkLock);
    if (std::find(Sinks.begin(), Sinks.end(), sequence) == Sinks.end())
        Sinks.push_back(sequence);
}

void CGrabber::RemoveSink(CFrameSequence* sequence) {
    std::lock_guard guard(SinkLock);
    std::erase(Sinks, sequence);
}

bool CGrabber::ShouldRunLocked() const {
    return !Ending && (Wanted || Probe == ProbeOutcome::Pending);
}

// One thread at most: a thread still in a read that outlasted a stop is taken up again.
void CGrabber::EnsureThreadLocked() {
    if (Running || !ShouldRunLocked())
        return;
    Running = true;
    std::thread([self = shared_from_this()] { self->Main(); }).detach();
}

void CGrabber::Main() {
    bool started = false;
    for (;;) {
        uint64_t stops = 0;
        bool probing = false;
        {
            std::unique_lock guard(Lock);
            if (!ShouldRunLocked()) {
                if (started) {
                    guard.unlock();
                    Dev->Stop();  // the camera goes dark between captures
                    started = false;
                    continue;  // asked again meanwhile?
                }
                Running = false;
                Changed.notify_all();
                return;
            }
            stops = Stops;
            probing = Probe == ProbeOutcome::Pending;
        }
        if (!started && !(started = Dev->Start())) {
            if (probing)
                Settle(ProbeOutcome::Failed);
            else
                PauseBeforeRetry(stops);
            continue;
        }
        cv::Mat frame;
        CFrameInfo info;
        if (Dev->Grab(Pool, frame, info)) {
            if (probing)
                Settle(ProbeOutcome::Delivered);
            // A probed frame goes on too when capture was asked for during the read: a slow
            // source may not send the next one for a long time.
            Deliver(frame, info);
            continue;
        }
        Dev->Stop();
        started = false;
        if (probing)
            Settle(ProbeOutcome::Failed);
        else
            PauseBeforeRetry(stops);
    }
}

void CGrabber::Settle(ProbeOutcome outcome) {
    {
        std::lock_guard guard(Lock);
        Probe = outcome;
    }
    Changed.notify_all();
}

// Frames reach the sinks only while capture is wanted: a read that returns after a stop, or
// a probe's while capture is not wanted, delivers nothing.
void CGrabber::Deliver(const cv::Mat& frame, const CFrameInfo& info) {
    std::lock_guard sinks(SinkLock);
    {
        std::lock_guard guard(Lock);
        if (!Wanted || Ending)
            return;
    }
    for (CFrameSequence* sink : Sinks)
        sink->PushBack(frame, info);
}

// A failure caused by a stop (the read was interrupted) is no reason to wait before going on.
void CGrabber::PauseBeforeRetry(uint64_t stops) {
    std::unique_lock guard(Lock);
    if (Stops != stops)
        return;
    Changed.wait_for(guard, RetryPause, [this, stops] { return Stops != stops || Ending; });
}
