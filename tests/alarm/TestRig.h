#pragma once

#include "MainForm.h"
#include "Monitor.h"
#include "MonitorDialogs.h"
#include "QtaLibrary.h"
#include "SoundPlayer.h"

#include <QAbstractButton>
#include <QLibrary>
#include <QStringList>

#include <memory>

// A player whose sounds last until the test ends them (HoldsOn) or no time at all.
class CFakeSoundPlayer : public CSoundPlayer {
    Q_OBJECT
public:
    void Play(const QString& path) override;
    bool IsPlaying() const override { return Busy; }
    void Stop() override { Busy = false; }
    void End();

    QStringList Played;
    bool HoldsOn = false;

private:
    bool Busy = false;
};

// A clock that moves only when the test moves it.
class CFakeClock : public CMonitorClock {
public:
    int64_t NowMs() const override { return Now; }
    int64_t Now = 1000000;
};

class CFakeDialogs : public CMonitorDialogs {
public:
    QString AskSoundFile(QWidget*) override;
    void ShowInitError() override { ++InitErrors; }
    void ShowLibraryFault(const QString& what) override { Faults << what; }

    QString Answer;
    int Asked = 0;
    int InitErrors = 0;
    QStringList Faults;
};

// The test's own handle on the scripted library: the same file the monitor opens, so both see
// the same counters.
class CFakeQta {
public:
    explicit CFakeQta(const QString& path);
    void Script(short init, short position);
    // The set and each colour's answer; the first colour's answer is Script's.
    void ScriptColours(const QStringList& names, const QList<short>& positions);
    int Inits();
    int Polls();
    int ColourPolls();
    int LastColour();
    int Finals();
    int LastSource();

private:
    int Count(int which);
    QLibrary Library;
};

// One monitor on the scripted library, with the controls at hand by their names.
class CRig {
public:
    explicit CRig(const QString& libraryPath = FAKE_QTA, short init = 1, short position = 0);
    ~CRig();

    bool Start() { return Monitor->Start(); }
    CMainForm& Form() { return *Monitor->Form(); }
    template <class W = QWidget>
    W* Control(const char* name) {
        return Form().findChild<W*>(name);
    }
    void Click(const char* name);
    void Arm();

    CFakeQta Qta;
    CFakeSoundPlayer Player;
    CFakeDialogs Dialogs;
    CFakeClock Clock;
    std::unique_ptr<CQtaLibrary> Library;
    std::unique_ptr<CMonitor> Monitor;
};
