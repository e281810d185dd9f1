#include "CaptureDevice.h"

void CCaptureDevice::Interrupt() {
    {
        std::lock_guard guard(Lock);
        InterruptFlag = true;
    }
    Woken.notify_all();
}

void CCaptureDevice::ClearInterrupt() {
    std::lock_guard guard(Lock);
    InterruptFlag = false;
}

bool CCaptureDevice::Interrupted() const {
    std::lock_guard guard(Lock);
    return InterruptFlag;
}

bool CCaptureDevice::WaitUntil(std::chrono::steady_clock::time_point when) {
    std::unique_lock guard(Lock);
    return !Woken.wait_until(guard, when, [this] { return InterruptFlag; });
}

CCaptureFormat CCaptureDevice::CurrentFormat() const {
    std::lock_guard guard(Lock);
    return Current;
}

void CCaptureDevice::NoteFormat(const CCaptureFormat& format) {
    std::lock_guard guard(Lock);
    Current = format;
}

void CFrameClock::Reset(double fps) {
    if (!(fps > 0.0 && fps <= 1000.0))
        fps = 30.0;
    Period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(1.0 / fps));
    Started = false;
}

std::chrono::steady_clock::time_point CFrameClock::Next() {
    const auto now = std::chrono::steady_clock::now();
    if (!Started) {
        Started = true;
        Due = now;
        return Due;
    }
    Due += Period;
    if (Due + Period < now)
        Due = now;
    return Due;
}
