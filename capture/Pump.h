#pragma once
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// A worker thread that calls PumpCore again and again while the pump runs.
// Stopped after construction; Run / Pause flip the running state (and call OnRun / OnPause
// on the calling thread); KillThread ends the worker and never hangs, provided WakeWorker
// makes a blocked PumpCore return. A derived class must call KillThread in its own
// destructor, before its members go.
class CPump {
public:
    CPump();
    virtual ~CPump();
    CPump(const CPump&) = delete;
    CPump& operator=(const CPump&) = delete;

    void Run();
    void Pause();
    void KillThread();
    bool IsRunning() const;
    // delta -1: one step below normal (the worker's nice value one higher than the process').
    void SetThreadPriority(int delta);

protected:
    // One step of the worker. Returning false pauses the pump.
    virtual bool PumpCore() = 0;
    virtual void OnRun() {}
    virtual void OnPause() {}
    // Called by KillThread after the ending flag is set, to unblock a waiting PumpCore.
    virtual void WakeWorker() {}
    bool IsEnding() const;

private:
    void WorkerMain();
    void StartWorkerLocked();

    mutable std::mutex Lock;
    std::condition_variable StateChanged;
    std::thread Worker;
    std::atomic<bool> Running{false};
    std::atomic<bool> Ending{false};
    uint64_t Runs = 0;  // under Lock: counts Run calls, so a step's own pause never undoes one
    int PriorityDelta = 0;
    std::atomic<int> WorkerTid{0};  // kernel thread id of the worker, 0 before it starts
    void ApplyPriority();
};
