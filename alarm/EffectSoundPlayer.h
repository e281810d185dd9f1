#pragma once

#include "SoundFiles.h"
#include "SoundPlayer.h"

#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

// The real player on QSoundEffect. The named file is reloaded on every Play, because it may
// have been written or replaced since the last one; the default sound is a resource. A relative
// name is looked for in the working folder, then in `folders` (see SoundFiles.h).
//
// QSoundEffect does not always say when a sound is over: without an audio device it stays
// "playing" for ever. A watchdog set to the file's own length (plus a margin) ends every sound,
// so the monitor can never be left waiting; with no audio output at all there is nothing to
// hear and the sound ends as soon as it has been loaded.
class CEffectSoundPlayer : public CSoundPlayer {
    Q_OBJECT
public:
    static QUrl DefaultSound();

    explicit CEffectSoundPlayer(QStringList folders = ProgramSoundFolders(),
                                QObject* parent = nullptr);

    void Play(const QString& path) override;
    bool IsPlaying() const override { return Busy; }
    void Stop() override;

signals:
    // The source whose playback has just begun: the named file, or the default sound.
    void Started(const QUrl& source);

private:
    void Load(const QUrl& source);
    void Begin();
    void OnStatusChanged();
    void OnPlayingChanged();
    void Finish();

    const QStringList Folders;
    QSoundEffect Effect;
    QTimer Watchdog;
    bool Busy = false;
    bool Began = false;
};
