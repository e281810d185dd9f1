#pragma once
#include "DeviceAccess.h"

#include <QDialog>

#include <map>

class QLabel;
class QGridLayout;

// Dialog 4, "Font de vídeo": one editor per control the device reports, built from what it
// reports. Changes reach the device at once; after each change every editor is read back,
// because one control can switch others on or off (automatic exposure and manual exposure).
//
//   Brillantor      [------o-------]  128
//   Exposició automàtica  [Manual    v]
//   [x] Balanç de blancs automàtic
//   [Fixa l'exposició i el color]  [Restableix] [Tanca]
class CSourceDialog : public QDialog {
    Q_OBJECT
public:
    CSourceDialog(CDeviceAccess& device, QWidget* owner);

    // The editor of control `id` (QSlider, QCheckBox, QComboBox or QPushButton), or null.
    QWidget* Editor(uint32_t id) const;
    // Every control back to the device's default.
    void RestoreDefaults();
    // Automatic exposure, gain and white balance to manual, at the values they hold now, so
    // that a calibrated colour stays put ("Fixa l'exposició i el color").
    void LockExposureAndColour();

private:
    struct CRow {
        CCaptureControl Control;
        QWidget* Editor = nullptr;
        QLabel* Caption = nullptr;
        QLabel* ValueText = nullptr;  // integers only
    };

    void AddRow(QGridLayout* grid, const CCaptureControl& control);
    QWidget* MakeEditor(CRow& row);
    void Apply(uint32_t id, int value);
    void Refresh();
    void Show(CRow& row);
    bool HasAutomaticControl() const;

    CDeviceAccess& Device;
    std::map<uint32_t, CRow> Rows;
};
