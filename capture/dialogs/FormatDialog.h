#pragma once
#include "DeviceAccess.h"

#include <QDialog>
#include <QString>

#include <vector>

class QListWidget;
class QLabel;

// Dialog 3, "Format": the frame sizes and rates the device offers, the current one selected.
// OK switches the device to the chosen one.
class CFormatDialog : public QDialog {
    Q_OBJECT
public:
    CFormatDialog(CDeviceAccess& device, QWidget* owner);

    // The formats in the order shown (duplicates merged, smallest first).
    const std::vector<CCaptureFormat>& Shown() const { return Entries; }
    void SelectRow(int row);
    int SelectedRow() const;

    void accept() override;

    // "640 × 480, 30 imatges/s"
    static QString Describe(const CCaptureFormat& format);

private:
    void Fill();
    void FitHeight();

    CDeviceAccess& Device;
    std::vector<CCaptureFormat> Entries;
    QListWidget* List = nullptr;
    QLabel* Current = nullptr;
};
