#pragma once

#include <QString>
#include <QStringList>

// Where a relative "So d'alerta" name is looked for once the folder the monitor was started in
// does not hold it: the installed data folder, found from the program's own folder so that a
// moved installation still finds its sound, then the program's folder, where the build tree
// keeps a copy.
QStringList SoundFolders(const QString& programDir);

// The same folders for the running program.
QStringList ProgramSoundFolders();

// The file a typed sound name stands for, as a clean absolute name, or an empty text when there
// is none. An absolute name is taken as it is; a relative one from the working folder first,
// then from each of `folders` in turn.
QString FindSoundFile(const QString& typed, const QStringList& folders);
