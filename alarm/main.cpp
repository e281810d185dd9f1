#include "EffectSoundPlayer.h"
#include "Monitor.h"
#include "QtaLibrary.h"
#include "WidgetDialogs.h"

#include <QApplication>

int main(int argc, char* argv[])
{
  QApplication app(argc, argv);
  QApplication::setApplicationName("alarma-quelta");
  CQtaLibrary library;
  CEffectSoundPlayer player;
  CWidgetDialogs dialogs;
  CMonitor monitor(library, player, dialogs);
  if (!monitor.Start())
    return monitor.ExitStatus();
  const int status = QApplication::exec();
  return monitor.ExitStatus() != 0 ? monitor.ExitStatus() : status;
}
