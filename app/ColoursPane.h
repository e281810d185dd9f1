#pragma once
#include <QTimer>
#include <QWidget>

#include <cstdint>

class CAppColours;
class CQueltaDoc;
class CUserPrompts;
class QPushButton;
class QTableWidget;

// The "Colors" pane: the set's colours, one row each, with the name (a double click renames
// it), the display colour as a swatch whose button picks another, and the number of marks seen
// now; "Afegeix" adds a colour with a proposed name, open for editing, "Elimina" removes the
// selected one (never the last). The selected row is the set's selected colour.
//
// Widgets by object name: "colourTable", "addColour", "removeColour", "swatch<row>".
class CColoursPane : public QWidget {
    Q_OBJECT
public:
    CColoursPane(CAppColours& colours, const CQueltaDoc& doc, CUserPrompts& prompts,
                 QWidget* parent = nullptr);

    QSize sizeHint() const override;
    // The marks column from the document's last pass; the pane's timer calls it at most ten
    // times a second while the pane is shown.
    void RefreshCounts();
    // A typed name for a colour: taken, or refused with a message (and the old name kept).
    void CommitName(int colour, const QString& name);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Rebuild();
    void AddRow(int row);
    void ShowSelection(int colour);
    void OnAdd();
    void OnRemove();
    void PickDisplayColour(int colour);

    CAppColours& Colours;
    const CQueltaDoc& Document;
    CUserPrompts& Prompts;
    QTableWidget* Table = nullptr;
    QPushButton* AddButton = nullptr;
    QPushButton* RemoveButton = nullptr;
    QTimer Refresh;
    uint64_t CountedPass = UINT64_MAX;
};
