#include "DialogUnits.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace {

// The average over the 52 Latin letters, rounded, as dialog templates define their base unit;
// a font's own "average character width" is often skewed by wide or narrow glyphs.
int AverageLetterWidth(const QFontMetrics& metrics) {
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int extent = metrics.horizontalAdvance(letters);
    return std::max(1, (extent / 26 + 1) / 2);
}

int Scale(int du, int base, int divisor) {
    return static_cast<int>(std::lround(static_cast<double>(du) * base / divisor));
}

}  // namespace

CDialogUnits::CDialogUnits(const QFontMetrics& metrics)
    : BaseX(AverageLetterWidth(metrics)), BaseY(std::max(1, metrics.height())) {}

int CDialogUnits::X(int du) const { return Scale(du, BaseX, 4); }

int CDialogUnits::Y(int du) const { return Scale(du, BaseY, 8); }

QRect CDialogUnits::Rect(const QRect& du, const QPoint& origin) const {
    const int left = X(du.x()) - X(origin.x());
    const int top = Y(du.y()) - Y(origin.y());
    const int right = X(du.x() + du.width()) - X(origin.x());
    const int bottom = Y(du.y() + du.height()) - Y(origin.y());
    return QRect(left, top, right - left, bottom - top);
}
