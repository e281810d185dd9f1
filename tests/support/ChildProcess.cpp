#include "ChildProcess.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>

namespace {

// Runs in the child between fork and exec: async-signal-safe calls only.
[[noreturn]] void BecomeChild(pid_t parent, char* const* argv, const char* dir, const char* out,
                              const char* err) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)  // the parent died before the line above
        _exit(127);
    // Start as from a shell: no signal blocked or ignored (libmosquitto in the test process
    // ignores SIGPIPE, and exec would hand that on).
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal)
        if (signal != SIGKILL && signal != SIGSTOP)
            sigaction(signal, &standard, nullptr);
    const int in = open("/dev/null", O_RDONLY);
    const int o = open(out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || o < 0 || e < 0 || dup2(in, 0) < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0 ||
        chdir(dir) != 0)
        _exit(127);
    close_range(3, ~0U, 0);  // the test's own files and sockets are not the child's
    execv(argv[0], argv);
    _exit(127);
}

}  // namespace

CChildProcess::CChildProcess(const CStart& start) {
    std::vector<std::string> args = start.Argv;
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string out = start.OutFile.empty() ? "/dev/null" : start.OutFile;
    const std::string err = start.ErrFile.empty() ? "/dev/null" : start.ErrFile;
    const pid_t parent = getpid();
    Pid = fork();
    if (Pid == 0)
        BecomeChild(parent, argv.data(), start.Dir.c_str(), out.c_str(), err.c_str());
}

CChildProcess::~CChildProcess() { Kill(); }

void CChildProcess::Signal(int signal) const {
    if (Pid > 0 && !Status)
        kill(Pid, signal);
}

std::optional<int> CChildProcess::WaitExit(std::chrono::milliseconds limit) {
    if (Pid <= 0 || Status)
        return Status;
    WaitUntil(
        [this] {
            int status = 0;
            if (waitpid(Pid, &status, WNOHANG) != Pid)
                return false;
            Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        },
        limit);
    return Status;
}

void CChildProcess::Kill() {
    if (Pid <= 0 || Status)
        return;
    kill(Pid, SIGKILL);
    int status = 0;
    waitpid(Pid, &status, 0);  // SIGKILL cannot be caught: this returns
    Status = 128 + SIGKILL;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
