#pragma once
#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM end the event loop (exit status 0): the handler only writes a byte to a
// socket pair, the loop reads it and quits.
class CQuitOnSignals : public QObject {
    Q_OBJECT
public:
    explicit CQuitOnSignals(QObject* parent = nullptr);
    ~CQuitOnSignals() override;

private:
    void Quit();
    QSocketNotifier* Notifier = nullptr;
};
