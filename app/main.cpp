#include "QueltaApp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    int status = 0;
    {
        CQueltaApp quelta;
        status = quelta.Run(QApplication::arguments());
    }
    // Windows handed to deleteLater while closing go before the application object.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
