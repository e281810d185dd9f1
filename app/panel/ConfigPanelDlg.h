#pragma once
#include "TrackingParams.h"

#include <QDialog>

// The modal configuration panel. It edits the record in place: every slider movement reaches
// the record at once, so the live picture follows the panel.
class CConfigPanelDlg : public QDialog {
    Q_OBJECT
public:
    explicit CConfigPanelDlg(CTrackingParams& params, QWidget* parent = nullptr);
    ~CConfigPanelDlg() override;
};
