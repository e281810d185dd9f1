#include "QuitOnSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int Pair[2] = {-1, -1};

extern "C" void NoteSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(Pair[0], &byte, 1);
}
}  // namespace

CQuitOnSignals::CQuitOnSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, Pair) != 0)
        return;
    Notifier = new QSocketNotifier(Pair[1], QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, &CQuitOnSignals::Quit);
    struct sigaction action = {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

CQuitOnSignals::~CQuitOnSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

void CQuitOnSignals::Quit() {
    char byte = 0;
    [[maybe_unused]] const ssize_t got = ::read(Pair[1], &byte, 1);
    QCoreApplication::exit(0);
}
