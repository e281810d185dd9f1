#include "EffectSoundPlayer.h"
#include "MainForm.h"
#include "Monitor.h"
#include "QtaLibrary.h"
#include "QuitSignals.h"
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
    // A signal or the end of the desktop session ends the monitor as "Sortir" would: the
    // window closes once, which finalises the library once.
    CQuitSignals quit;
    QObject::connect(&quit, &CQuitSignals::QuitRequested, &app, [] { QCoreApplication::exit(0); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &monitor, [&monitor] {
        if (monitor.Form())
            monitor.Form()->close();
    });
    if (!monitor.Start())
        return monitor.ExitStatus();
    const int status = QApplication::exec();
    return monitor.ExitStatus() != 0 ? monitor.ExitStatus() : status;
}
