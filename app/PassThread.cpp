#include "PassThread.h"

#include <QCoreApplication>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {
// One step below the process' own priority (Linux keeps a nice value per thread): where the
// two compete for a processor, input and paint come first, and the picture is a frame late.
void LowerPriority() {
    errno = 0;
    const int base = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
    if (errno == 0)
        setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), base + 1);
}
}  // namespace

CPassThread::CPassThread(std::function<void()> job, QObject* receiver, QEvent::Type done)
    : Job(std::move(job)), Receiver(receiver), Done(done) {}

CPassThread::~CPassThread() {
    {
        std::lock_guard lock(Lock);
        Ending = true;
    }
    Changed.notify_all();
    if (Thread.joinable())
        Thread.join();
}

void CPassThread::Start() {
    {
        std::lock_guard lock(Lock);
        if (Pending || Ending)
            return;
        Pending = true;
        if (!Thread.joinable())
            Thread = std::thread([this] { Main(); });
    }
    Changed.notify_all();
}

bool CPassThread::Busy() const {
    std::lock_guard lock(Lock);
    return Pending;
}

bool CPassThread::WaitUntilIdle(int timeoutMs) const {
    std::unique_lock lock(Lock);
    return Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [this] { return !Pending; });
}

// A job asked for before the end still runs: its frame and its calibration are not lost, and
// the receiver is alive until this thread has been joined.
void CPassThread::Main() {
    LowerPriority();
    std::unique_lock lock(Lock);
    for (;;) {
        Changed.wait(lock, [this] { return Pending || Ending; });
        if (!Pending)
            return;
        lock.unlock();
        Job();
        lock.lock();
        // Idle before the receiver can hear of it: a Start from the receiver's handler of
        // `done` must find the thread ready, and an idle thread has always posted.
        Pending = false;
        QCoreApplication::postEvent(Receiver, new QEvent(Done));
        Changed.notify_all();
    }
}
