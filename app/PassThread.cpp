#include "PassThread.h"

#include <QCoreApplication>

#include <chrono>

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
    std::unique_lock lock(Lock);
    for (;;) {
        Changed.wait(lock, [this] { return Pending || Ending; });
        if (!Pending)
            return;
        lock.unlock();
        Job();
        QCoreApplication::postEvent(Receiver, new QEvent(Done));
        lock.lock();
        Pending = false;
        Changed.notify_all();
    }
}
