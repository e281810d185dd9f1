#pragma once

#include <QObject>
#include <QString>

// Plays one alert sound at a time. Play returns at once; IsPlaying stays true from Play until
// Finished, so the caller can hold back its work for as long as a blocking play would have.
class CSoundPlayer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // path names a WAV file as typed (a relative name is taken from the working directory
    // first); when it cannot be played the bundled default alert sound plays instead, and
    // nothing is reported.
    virtual void Play(const QString& path) = 0;
    virtual bool IsPlaying() const = 0;
    virtual void Stop() = 0;

signals:
    void Finished();
};
