#include "StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <mutex>
#include <thread>

namespace {

volatile std::sig_atomic_t Stop = 0;
int WakePipe[2] = {-1, -1};

// Plain data only: the watcher thread may still run while the process exits.
std::mutex WakeLock;
void (*Wake)(void*) = nullptr;
void* WakeContext = nullptr;

extern "C" void OnStopSignal(int) {
    const int savedErrno = errno;
    Stop = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(WakePipe[1], &byte, 1);  // never blocks
    errno = savedErrno;
}

void RunWake() {
    std::lock_guard guard(WakeLock);
    if (Wake)
        Wake(WakeContext);
}

void WatchPipe() {
    char bytes[16];
    for (;;) {
        const ssize_t n = read(WakePipe[0], bytes, sizeof bytes);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        RunWake();
    }
}

}  // namespace

void InstallStopSignals() {
    if (pipe2(WakePipe, O_CLOEXEC) != 0)
        return;  // without the pipe the signals keep their default meaning
    fcntl(WakePipe[1], F_SETFL, O_NONBLOCK);  // a full pipe already holds a wake-up
    std::thread(WatchPipe).detach();
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // writes to stdout go on whole, never cut by EINTR
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

bool StopRequested() { return Stop != 0; }

CStopWake::CStopWake(void (*wake)(void*), void* context) {
    {
        std::lock_guard guard(WakeLock);
        Wake = wake;
        WakeContext = context;
    }
    if (StopRequested())
        RunWake();
}

CStopWake::~CStopWake() {
    std::lock_guard guard(WakeLock);
    Wake = nullptr;
    WakeContext = nullptr;
}
