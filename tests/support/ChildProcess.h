#pragma once
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A program started by a test or a benchmark. It is killed when the starting process dies
// (also when ctest's timeout kills the test) and when this object goes, so no run leaves a
// process behind.
class CChildProcess {
public:
    struct CStart {
        std::vector<std::string> Argv;  // Argv[0] is the program's path
        std::string Dir = ".";          // working folder
        std::string OutFile, ErrFile;   // stdout and stderr; empty: /dev/null
    };
    explicit CChildProcess(const CStart& start);
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    bool Started() const { return Pid > 0; }
    pid_t Id() const { return Pid; }
    void Signal(int signal) const;
    // Waits at most `limit` for the end: the exit status, or 128 + the signal that ended it;
    // empty while it still runs.
    std::optional<int> WaitExit(std::chrono::milliseconds limit);
    // SIGKILL, then reaps it.
    void Kill();

private:
    pid_t Pid = -1;
    std::optional<int> Status;
};

// Polls `done` every 10 ms for at most `limit`; true as soon as it holds.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
