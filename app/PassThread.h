#pragma once
#include <QEvent>
#include <QObject>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// A thread of its own for the document's tracking pass, so that the user-interface thread
// only hands frames over and paints. One job at a time: Start runs the job given at
// construction on the thread and, once it has returned, posts an event of type `done` to the
// receiver (never waiting for the user-interface thread).
class CPassThread {
public:
    CPassThread(std::function<void()> job, QObject* receiver, QEvent::Type done);
    // Waits for a job under way, then ends the thread; the receiver must still be alive.
    ~CPassThread();
    CPassThread(const CPassThread&) = delete;
    CPassThread& operator=(const CPassThread&) = delete;

    // Only while no job is under way (Busy() false).
    void Start();
    bool Busy() const;
    // Waits at most timeoutMs for the job under way to return; true when none is under way.
    bool WaitUntilIdle(int timeoutMs) const;

private:
    void Main();

    const std::function<void()> Job;
    QObject* const Receiver;
    const QEvent::Type Done;
    mutable std::mutex Lock;
    mutable std::condition_variable Changed;
    bool Pending = false;  // under Lock: a job asked for or under way
    bool Ending = false;
    std::thread Thread;  // started by the first Start
};
