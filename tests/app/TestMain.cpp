#include "TestRegistry.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>

std::map<std::string, CTestFactory>& TestClasses() {
    static std::map<std::string, CTestFactory> classes;
    return classes;
}

int main(int argc, char* argv[]) {
    // Never the user's settings nor a real display: set before anything reads them.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    std::string only;
    QStringList testArgs{QString::fromLocal8Bit(argv[0])};
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (i == 1 && !arg.startsWith(u'-') && TestClasses().count(arg.toStdString()))
            only = arg.toStdString();
        else
            testArgs << arg;
    }
    int failures = 0;
    for (const auto& [name, make] : TestClasses()) {
        if (!only.empty() && name != only)
            continue;
        const std::unique_ptr<QObject> test = make();
        failures += QTest::qExec(test.get(), testArgs);
    }
    return failures == 0 ? 0 : 1;
}
