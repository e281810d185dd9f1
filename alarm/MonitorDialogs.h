#pragma once

#include <QString>

class QWidget;

// The monitor's modal conversations with the user, kept behind an interface so that tests can
// answer them without a person at the screen.
class CMonitorDialogs {
public:
    virtual ~CMonitorDialogs() = default;
    // The file-open dialog for the alert sound; the name chosen, or an empty name.
    virtual QString AskSoundFile(QWidget* parent) = 0;
    virtual void ShowInitError() = 0;
    virtual void ShowLibraryFault(const QString& what) = 0;
};
