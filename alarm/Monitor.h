#pragma once

#include "AlertDelay.h"

#include <QObject>

#include <memory>

class CMainForm;
class CMonitorDialogs;
class CQtaLibrary;
class CSoundPlayer;

// The monitor's life cycle around its window: load and start the library, show the window, and
// end with a non-zero status when the library cannot be used.
class CMonitor : public QObject {
    Q_OBJECT
public:
    static constexpr int kLibraryMissing = 1;
    static constexpr int kInitFailed = 2;

    // The alert's delays follow `clock`, or the steady clock when none is given.
    CMonitor(CQtaLibrary& library, CSoundPlayer& player, CMonitorDialogs& dialogs,
             const CMonitorClock* clock = nullptr);
    ~CMonitor() override;

    // Shows the window, disarmed, after the library has started; false when the program is to
    // end at once with ExitStatus().
    bool Start();
    int ExitStatus() const { return Status; }
    CMainForm* Form() const { return MainForm.get(); }

private:
    void OnFault(const QString& what);

    CQtaLibrary& Library;
    CSoundPlayer& Player;
    CMonitorDialogs& Dialogs;
    CMonitorClock SteadyClock;
    const CMonitorClock& Clock;
    std::unique_ptr<CMainForm> MainForm;
    int Status = 0;
};
