#include "Monitor.h"

#include "MainForm.h"
#include "MonitorDialogs.h"
#include "QtaLibrary.h"

#include <QCoreApplication>

CMonitor::CMonitor(CQtaLibrary& library, CSoundPlayer& player, CMonitorDialogs& dialogs,
                   const CMonitorClock* clock)
    : Library(library), Player(player), Dialogs(dialogs), Clock(clock ? *clock : SteadyClock) {
    connect(&Library, &CQtaLibrary::Fault, this, &CMonitor::OnFault);
}

CMonitor::~CMonitor() = default;

bool CMonitor::Start() {
    if (!Library.Load())
        return false;
    const auto started = Library.Inicialitza(0);
    if (!started)
        return false;
    if (*started == 0) {
        // The window never loaded, so it does not unload: QTAFinalitza is not called.
        Dialogs.ShowInitError();
        Status = kInitFailed;
        return false;
    }
    MainForm = std::make_unique<CMainForm>(Library, Player, Dialogs, Clock);
    MainForm->show();
    return true;
}

void CMonitor::OnFault(const QString& what) {
    if (MainForm)
        MainForm->Abandon();
    Status = kLibraryMissing;
    Dialogs.ShowLibraryFault(what);
    QCoreApplication::exit(Status);
}
