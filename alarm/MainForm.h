#pragma once

#include "AlertDelay.h"

#include <QWidget>

class CMonitorDialogs;
class CQtaLibrary;
class CSoundPlayer;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTimer;

// The monitor's single window. It keeps no state beyond its controls and the alert's delay:
// the alert type is the selected option, the watched colour the choice "Color vigilat" (its
// index is the colour's in the library's set), the sound switch the check box, the sound file
// the text box, the two delays ("Retard", milliseconds) their boxes, and "armed" is the timer
// running, which happens exactly while chkToggleAlarm is pressed.
//
// With QUELTA_ALARM_TRACE set (to anything), every change of the status panel is also printed
// on standard output as "panel: TEXT", so that scripts can follow the alert without a screen.
class CMainForm : public QWidget {
    Q_OBJECT
public:
    CMainForm(CQtaLibrary& library, CSoundPlayer& player, CMonitorDialogs& dialogs,
              const CMonitorClock& clock, QWidget* parent = nullptr);

    // One poll of the library and its verdict; the timer calls it every 65 ms while armed.
    void OnTick();
    // Stops polling and sound for good, once the library has turned out to be unusable.
    void Abandon();
    QString PanelText() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildSoundFrame();
    void BuildAlertTypeFrame();
    void BuildWatchedColour();
    void BuildDelayFrame();
    void BuildButtons();
    void BuildStatusBar();
    void SetTabOrder();

    void RefreshColours();
    void OnToggleAlarm(bool pressed);
    void OnTestSound();
    void OnChangeSoundFile();
    void PlaySound();
    void SetPanelText(const QString& text);

    CQtaLibrary& Library;
    CSoundPlayer& Player;
    CMonitorDialogs& Dialogs;
    const CMonitorClock& Clock;
    CAlertDelay Delay;
    bool TracePanel = false;

    QGroupBox* Frame2 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtSoundFile = nullptr;
    QPushButton* btnChangeSoundFile = nullptr;
    QPushButton* btnTestSoundFile = nullptr;
    QCheckBox* chkSoundOn = nullptr;
    QGroupBox* Frame1 = nullptr;
    QButtonGroup* optAlertType = nullptr;
    QLabel* lblWatchedColour = nullptr;
    QComboBox* cmbWatchedColour = nullptr;
    QGroupBox* Frame3 = nullptr;
    QSpinBox* spnRaiseDelay = nullptr;
    QSpinBox* spnClearDelay = nullptr;
    QPushButton* chkToggleAlarm = nullptr;
    QPushButton* Command3 = nullptr;
    QStatusBar* stStatusBar = nullptr;
    QLabel* StatusPanel1 = nullptr;
    QTimer* ctrlTimer = nullptr;
};
