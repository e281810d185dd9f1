#include "TestRig.h"

#include "fake/FakeQta.h"

#include <QFileInfo>

#include <QTest>

void CFakeSoundPlayer::Play(const QString& path) {
    Played << path;
    Busy = HoldsOn;
    if (!Busy)
        emit Finished();
}

void CFakeSoundPlayer::End() {
    Busy = false;
    emit Finished();
}

QString CFakeDialogs::AskSoundFile(QWidget*) {
    ++Asked;
    return Answer;
}

CFakeQta::CFakeQta(const QString& path) : Library(path) {
    if (!Library.load())
        qFatal("cannot open the scripted library %s", qPrintable(path));
    reinterpret_cast<void (*)()>(Library.resolve("FakeQtaReset"))();
}

void CFakeQta::Script(short init, short position) {
    reinterpret_cast<void (*)(short, short)>(Library.resolve("FakeQtaScript"))(init, position);
}

void CFakeQta::ScriptColours(const QStringList& names, const QList<short>& positions) {
    QList<QByteArray> bytes;
    for (const QString& name : names)
        bytes << name.toUtf8();
    QList<const char*> pointers;
    for (const QByteArray& name : bytes)
        pointers << name.constData();
    QList<short> answers = positions;
    answers.resize(names.size());
    using Fn = void (*)(int, const char* const*, const short*);
    reinterpret_cast<Fn>(Library.resolve("FakeQtaScriptColours"))(
        static_cast<int>(names.size()), pointers.constData(), answers.constData());
}

int CFakeQta::Count(int which) {
    return reinterpret_cast<int (*)(int)>(Library.resolve("FakeQtaCount"))(which);
}

int CFakeQta::Inits() { return Count(FAKE_QTA_INIT); }
int CFakeQta::Polls() { return Count(FAKE_QTA_POSITION); }
int CFakeQta::Finals() { return Count(FAKE_QTA_FINAL); }
int CFakeQta::ColourPolls() { return Count(FAKE_QTA_POSITION_COLOUR); }

int CFakeQta::LastColour() {
    return reinterpret_cast<int (*)()>(Library.resolve("FakeQtaLastColour"))();
}

int CFakeQta::LastSource() {
    return reinterpret_cast<int (*)()>(Library.resolve("FakeQtaLastSource"))();
}

CRig::CRig(const QString& libraryPath, short init, short position)
    : Qta(QFileInfo::exists(libraryPath) ? libraryPath : QString(FAKE_QTA)) {
    Qta.Script(init, position);
    // The monitor finds its library through the same variable a user would set.
    qputenv("QUELTA_LIBRARY", libraryPath.toLocal8Bit());
    Library = std::make_unique<CQtaLibrary>();
    Monitor = std::make_unique<CMonitor>(*Library, Player, Dialogs, &Clock);
}

CRig::~CRig() { qunsetenv("QUELTA_LIBRARY"); }

void CRig::Click(const char* name) {
    QTest::mouseClick(Control<QAbstractButton>(name), Qt::LeftButton);
}

void CRig::Arm() { Click("chkToggleAlarm"); }
