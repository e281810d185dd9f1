#pragma once
#include "TrackingParams.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSlider;
class CDialogUnits;
namespace ConfigPanelLayout {
struct CRowLayout;
}

// The modal configuration panel. It edits the record in place: every slider movement reaches
// the record at once, so the live picture follows the panel.
//
// Widgets are found by object name: "slider<id>", "edit<id>", "check1022", "check1024", "ok",
// "groupAjustColor".
class CConfigPanelDlg : public QDialog {
    Q_OBJECT
public:
    // `store` puts the record (with whatever holds it) into the store on OK; without one, OK
    // writes the record alone (WriteRegistry).
    explicit CConfigPanelDlg(CTrackingParams& params, QWidget* parent = nullptr,
                             std::function<void()> store = {});
    ~CConfigPanelDlg() override;

    // OK: the mask view ends and the record goes to the store.
    void accept() override;
    // Close box and Escape alike: the mask view ends, the store is left as it was.
    void reject() override;

protected:
    // The out-of-range message; modal, owned by the panel. Tests replace it.
    virtual void ShowOutOfRangeMessage(const QString& text);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct CRow {
        const ConfigPanelLayout::CRowLayout* Layout = nullptr;
        QSlider* Slider = nullptr;
        QLineEdit* Edit = nullptr;
    };

    void BuildFixedControls(const CDialogUnits& du);
    void BuildRows(const CDialogUnits& du);
    void SetTabOrder();
    void SetUpRow(CRow& row);
    void SyncRowFromSlider(const CRow& row);
    bool CommitEditBox(const CRow& row);
    CRow* RowOfEdit(QObject* object);
    void ApplyWidthRule();

    CTrackingParams& Params;
    std::function<void()> Store;
    std::array<CRow, 11> Rows{};
    QPushButton* OkButton = nullptr;
    QCheckBox* MaskCheck = nullptr;
    QCheckBox* WideCheck = nullptr;
    QGroupBox* ColourGroup = nullptr;
    QSize NarrowSize;
    QSize WideSize;
};
