#include "QuitSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int Watched[] = {SIGINT, SIGTERM, SIGHUP};
volatile sig_atomic_t WriteEnd = -1;

void OnSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    if (WriteEnd >= 0) [[maybe_unused]]
        const ssize_t written = write(WriteEnd, &byte, 1);
    errno = saved;
}

}  // namespace

CQuitSignals::CQuitSignals() {
    if (pipe2(Pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    WriteEnd = Pipe[1];
    Notifier = std::make_unique<QSocketNotifier>(Pipe[0], QSocketNotifier::Read);
    connect(Notifier.get(), &QSocketNotifier::activated, this, &CQuitSignals::Drain);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : Watched)
        sigaction(number, &action, nullptr);
}

CQuitSignals::~CQuitSignals() {
    for (int number : Watched)
        std::signal(number, SIG_DFL);
    WriteEnd = -1;
    Notifier.reset();
    for (int fd : Pipe)
        if (fd >= 0)
            close(fd);
}

void CQuitSignals::Drain() {
    unsigned char byte = 0;
    int last = 0;
    while (read(Pipe[0], &byte, 1) == 1)
        last = byte;
    if (last != 0)
        emit QuitRequested(last);
}
