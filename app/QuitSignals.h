#pragma once
#include <QObject>

#include <memory>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the user-interface thread, so the
// program can end as if its window were closed. The handler only writes one byte to a pipe;
// everything else runs from the event loop. One per process.
class CQuitSignals : public QObject {
    Q_OBJECT
public:
    CQuitSignals();
    ~CQuitSignals() override;

signals:
    void QuitRequested(int signal);

private:
    void Drain();

    int Pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> Notifier;
};
