#pragma once

// SIGINT, SIGTERM and SIGHUP ask quelta-track to stop after the frame it is working on, so
// the CSV ends on a whole line, --save-settings is still honoured and a broker hears a clean
// "offline". The handler only sets a flag and writes one byte to a pipe; a watcher thread
// reads the pipe and wakes whatever the tool is waiting on.

// Installs the handlers for the rest of the process; call once, early in main.
void InstallStopSignals();

// True once one of the signals has arrived.
bool StopRequested();

// While it lives, `wake(context)` runs on the watcher thread when a stop is requested (at once
// when one already was), so that a wait for the next frame ends without waiting for a frame.
// One at a time.
class CStopWake {
public:
    CStopWake(void (*wake)(void*), void* context);
    ~CStopWake();
    CStopWake(const CStopWake&) = delete;
    CStopWake& operator=(const CStopWake&) = delete;
};
