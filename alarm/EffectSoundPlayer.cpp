#include "EffectSoundPlayer.h"

#include "WavDuration.h"

#include <QAudioDevice>
#include <QMediaDevices>

#include <utility>

namespace {
constexpr int kWatchdogMarginMs = 1000;
constexpr int kUnknownLengthMs = 10000;

QString FileOf(const QUrl& source) {
    return source.scheme() == "qrc" ? ":" + source.path() : source.toLocalFile();
}
}  // namespace

QUrl CEffectSoundPlayer::DefaultSound() { return QUrl("qrc:/alarm/alarma.wav"); }

CEffectSoundPlayer::CEffectSoundPlayer(QStringList folders, QObject* parent)
    : CSoundPlayer(parent), Folders(std::move(folders)) {
    Watchdog.setSingleShot(true);
    connect(&Watchdog, &QTimer::timeout, this, &CEffectSoundPlayer::Stop);
    connect(&Effect, &QSoundEffect::statusChanged, this, &CEffectSoundPlayer::OnStatusChanged);
    connect(&Effect, &QSoundEffect::playingChanged, this, &CEffectSoundPlayer::OnPlayingChanged);
}

void CEffectSoundPlayer::Play(const QString& path) {
    if (Busy)
        return;
    Busy = true;
    Began = false;
    const QString file = FindSoundFile(path, Folders);
    Load(file.isEmpty() ? DefaultSound() : QUrl::fromLocalFile(file));
}

void CEffectSoundPlayer::Stop() {
    Watchdog.stop();
    Effect.stop();
    Finish();
}

void CEffectSoundPlayer::Load(const QUrl& source) {
    // Clearing first makes the same name load again, and a file that failed before get a new try.
    Effect.setSource(QUrl());
    Effect.setSource(source);
    OnStatusChanged();
}

void CEffectSoundPlayer::OnStatusChanged() {
    if (!Busy)
        return;
    if (Began) {
        // A device failing in the middle of a sound ends that sound.
        if (Effect.status() == QSoundEffect::Error)
            Stop();
        return;
    }
    if (Effect.status() == QSoundEffect::Ready)
        Begin();
    else if (Effect.status() == QSoundEffect::Error && Effect.source() != DefaultSound())
        Load(DefaultSound());
    else if (Effect.status() == QSoundEffect::Error)
        Finish();
}

void CEffectSoundPlayer::Begin() {
    Began = true;
    emit Started(Effect.source());
    if (QMediaDevices::defaultAudioOutput().isNull()) {
        Finish();
        return;
    }
    Watchdog.start(WavDurationMs(FileOf(Effect.source())).value_or(kUnknownLengthMs) +
                   kWatchdogMarginMs);
    Effect.play();
}

void CEffectSoundPlayer::OnPlayingChanged() {
    if (Busy && Began && !Effect.isPlaying())
        Stop();
}

void CEffectSoundPlayer::Finish() {
    if (!Busy)
        return;
    Busy = false;
    // Queued, so that a listener may start the next sound without re-entering this one.
    QMetaObject::invokeMethod(
        this, [this] { emit Finished(); }, Qt::QueuedConnection);
}
