#include "Pump.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

CPump::CPump() = default;

CPump::~CPump() { KillThread(); }

void CPump::Run() {
    {
        std::lock_guard guard(Lock);
        if (Ending)
            return;
        StartWorkerLocked();
    }
    OnRun();
    {
        std::lock_guard guard(Lock);
        if (Ending)
            return;
        Running = true;
        ++Runs;
    }
    StateChanged.notify_all();
}

void CPump::Pause() {
    {
        std::lock_guard guard(Lock);
        Running = false;
    }
    StateChanged.notify_all();
    OnPause();
}

void CPump::KillThread() {
    {
        std::lock_guard guard(Lock);
        Ending = true;
        Running = false;
    }
    StateChanged.notify_all();
    WakeWorker();
    if (Worker.joinable() && Worker.get_id() != std::this_thread::get_id())
        Worker.join();
}

bool CPump::IsRunning() const { return Running; }

bool CPump::IsEnding() const { return Ending; }

void CPump::SetThreadPriority(int delta) {
    {
        std::lock_guard guard(Lock);
        PriorityDelta = delta;
    }
    ApplyPriority();
}

// Linux keeps a nice value per thread: the worker's is the process' (its main thread's) one
// raised by -delta. Lowering the nice value needs privileges; a refusal keeps the old one.
void CPump::ApplyPriority() {
    const int tid = WorkerTid;
    if (tid == 0)
        return;
    int delta;
    {
        std::lock_guard guard(Lock);
        delta = PriorityDelta;
    }
    errno = 0;
    const int base = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
    if (errno != 0)
        return;
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), base - delta);
}

void CPump::StartWorkerLocked() {
    if (!Worker.joinable())
        Worker = std::thread([this] { WorkerMain(); });
}

void CPump::WorkerMain() {
    WorkerTid = static_cast<int>(syscall(SYS_gettid));
    ApplyPriority();
    for (;;) {
        uint64_t runs = 0;
        {
            std::unique_lock guard(Lock);
            StateChanged.wait(guard, [this] { return Running || Ending; });
            if (Ending)
                return;
            runs = Runs;
        }
        if (!PumpCore()) {
            // The step asked for a pause; a Run made meanwhile stands.
            std::lock_guard guard(Lock);
            if (Runs == runs)
                Running = false;
        }
    }
}
