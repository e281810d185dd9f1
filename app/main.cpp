#include "QueltaApp.h"
#include "QuitSignals.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // The program speaks Catalan; so do the toolkit's own dialogs (file dialogs, buttons)
    // where Qt's translations are installed.
    QTranslator toolkit;
    if (toolkit.load(QLocale(QLocale::Catalan), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkit);
    int status = 0;
    {
        CQueltaApp quelta;
        // Stopped by a signal or by the end of the desktop session, Quelta ends as if closed:
        // the event loop returns, the capture stops and the limits are stored.
        CQuitSignals quit;
        QObject::connect(&quit, &CQuitSignals::QuitRequested, &application,
                         [] { QCoreApplication::exit(0); });
        QObject::connect(&application, &QGuiApplication::commitDataRequest, &quelta,
                         [&quelta] { quelta.CommitData(); });
        status = quelta.Run(QApplication::arguments());
    }
    // Windows handed to deleteLater while closing go before the application object.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
