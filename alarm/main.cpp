#include "EffectSoundPlayer.h"
#include "Monitor.h"
#include "QtaLibrary.h"
#include "WidgetDialogs.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("alarma-quelta");
    // The monitor speaks Catalan; so do the toolkit's own dialogs where Qt's translations exist.
    QTranslator toolkit;
    if (toolkit.load(QLocale(QLocale::Catalan), "qtbase", "_",
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkit);
    CQtaLibrary library;
    CEffectSoundPlayer player;
    CWidgetDialogs dialogs;
    CMonitor monitor(library, player, dialogs);
    if (!monitor.Start())
        return monitor.ExitStatus();
    const int status = QApplication::exec();
    return monitor.ExitStatus() != 0 ? monitor.ExitStatus() : status;
}
