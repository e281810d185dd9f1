#pragma once
#include <QFontMetrics>
#include <QPoint>
#include <QRect>

// Lays dialogs out in dialog units, the way dialog templates are measured: one horizontal unit is
// a quarter of the font's average letter width, one vertical unit an eighth of its line height.
// The dialogs therefore keep their proportions whatever font the desktop gives them.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFontMetrics& metrics);

    int X(int du) const;
    int Y(int du) const;
    // Each edge is mapped on its own (as the template's rectangles are), so neighbouring
    // controls never overlap by a rounding pixel. origin is the parent's top-left, in units.
    QRect Rect(const QRect& du, const QPoint& origin = {}) const;
    QSize Size(int widthDu, int heightDu) const { return {X(widthDu), Y(heightDu)}; }

private:
    int BaseX;
    int BaseY;
};
