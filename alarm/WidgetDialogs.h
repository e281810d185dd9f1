#pragma once

#include "MonitorDialogs.h"

class CWidgetDialogs : public CMonitorDialogs {
public:
    QString AskSoundFile(QWidget* parent) override;
    void ShowInitError() override;
    void ShowLibraryFault(const QString& what) override;
};
