#pragma once
#include <QTimer>
#include <QWidget>

#include <cstdint>

class CQueltaDoc;
class QTableWidget;

// The "Marques" pane: one row per mark seen in the frame on display, with its identity, its
// colour, its centre (x, y in frame pixels), its angle (degrees) and its age (frames). Refilled
// at most ten times a second while it is shown, so it never slows the picture.
//
// The table's object name: "markTable".
class CMarksPane : public QWidget {
    Q_OBJECT
public:
    explicit CMarksPane(const CQueltaDoc& doc, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    // The rows from the document's last pass (the pane's timer calls it).
    void Refill();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void SetCell(int row, int column, const QString& text);

    const CQueltaDoc& Document;
    QTableWidget* Table = nullptr;
    QTimer Refresh;
    uint64_t ShownPass = UINT64_MAX;
};
