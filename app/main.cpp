#include "QueltaApp.h"

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
        status = quelta.Run(QApplication::arguments());
    }
    // Windows handed to deleteLater while closing go before the application object.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
