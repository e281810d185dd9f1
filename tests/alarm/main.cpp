// Runs the monitor's test groups; with a group name as the first argument, only that group.
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

std::unique_ptr<QObject> MakeAlertTableTest();
std::unique_ptr<QObject> MakeArmingTest();
std::unique_ptr<QObject> MakeSoundTest();
std::unique_ptr<QObject> MakeLifeCycleTest();
std::unique_ptr<QObject> MakeEffectPlayerTest();
std::unique_ptr<QObject> MakeDelayTest();
std::unique_ptr<QObject> MakeColoursTest();

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);

    const std::vector<std::pair<QString, std::function<std::unique_ptr<QObject>()>>> groups = {
        {"AlertTable", MakeAlertTableTest},
        {"Arming", MakeArmingTest},
        {"Sound", MakeSoundTest},
        {"LifeCycle", MakeLifeCycleTest},
        {"EffectPlayer", MakeEffectPlayerTest},
        {"Delay", MakeDelayTest},
        {"Colours", MakeColoursTest}};
    QStringList args = app.arguments();
    QString only;
    if (args.size() > 1 && !args[1].startsWith('-'))
        only = args.takeAt(1);
    int failures = 0;
    for (const auto& [name, make] : groups) {
        if (only.isEmpty() || only == name) {
            auto test = make();
            failures += QTest::qExec(test.get(), args);
        }
    }
    return failures == 0 ? 0 : 1;
}
