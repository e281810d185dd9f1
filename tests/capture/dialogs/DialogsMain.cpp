#include "DialogsTests.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

int main(int argc, char** argv) {
    // Never the user's own settings, and no display needed.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int failed = 0;
    {
        CFormatDialogTests format;
        failed += QTest::qExec(&format, argc, argv);
        CSourceDialogTests source;
        failed += QTest::qExec(&source, argc, argv);
        CSourceChoiceTests choice;
        failed += QTest::qExec(&choice, argc, argv);
        CLiveDialogTests live;
        failed += QTest::qExec(&live, argc, argv);
    }
    return failed == 0 ? 0 : 1;
}
