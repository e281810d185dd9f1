#include "SoundFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef QUELTA_RELATIVE_SOUNDDIR
#define QUELTA_RELATIVE_SOUNDDIR "../share/quelta"
#endif

QStringList SoundFolders(const QString& programDir) {
    return {QDir::cleanPath(programDir + "/" QUELTA_RELATIVE_SOUNDDIR), programDir};
}

QStringList ProgramSoundFolders() { return SoundFolders(QCoreApplication::applicationDirPath()); }

QString FindSoundFile(const QString& typed, const QStringList& folders) {
    if (typed.isEmpty())
        return {};
    const QFileInfo asTyped(typed);
    if (asTyped.isFile())
        return QDir::cleanPath(asTyped.absoluteFilePath());
    if (asTyped.isAbsolute())
        return {};
    for (const QString& folder : folders) {
        const QFileInfo there(QDir(folder), typed);
        if (there.isFile())
            return QDir::cleanPath(there.absoluteFilePath());
    }
    return {};
}
