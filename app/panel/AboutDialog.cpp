#include "AboutDialog.h"

#include "DialogUnits.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSvgRenderer>

namespace {

// Template, in dialog units.
constexpr QSize TemplateSize{287, 55};
constexpr QPoint PicturePos{15, 10};
constexpr QRect VersionText{75, 10, 119, 8};
constexpr QRect PurposeText{75, 25, 155, 10};
constexpr QRect OkButton{245, 10, 32, 14};
constexpr QSize PictureSize{64, 48};  // pixels, whatever the font

QPixmap AboutPicture(qreal pixelRatio) {
    QPixmap pixmap(PictureSize * pixelRatio);
    pixmap.fill(Qt::white);
    QSvgRenderer renderer(QStringLiteral(":/images/about.svg"));
    QPainter painter(&pixmap);
    renderer.render(&painter);
    pixmap.setDevicePixelRatio(pixelRatio);
    return pixmap;
}

QLabel* MakeText(const QString& text, const QRect& rectDu, const CDialogUnits& du,
                 QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The template's boxes are tight; let a wider desktop font run on rather than clip.
    QRect rect = du.Rect(rectDu);
    rect.setWidth(std::max(rect.width(), label->sizeHint().width()));
    rect.setHeight(std::max(rect.height(), label->sizeHint().height()));
    label->setGeometry(rect);
    return label;
}

}  // namespace

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Quant a Quelta"));
    const CDialogUnits du(fontMetrics());

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setFrameStyle(QFrame::Box | QFrame::Plain);
    picture->setLineWidth(1);
    picture->setPixmap(AboutPicture(devicePixelRatioF()));
    picture->setGeometry(
        QRect(QPoint(du.X(PicturePos.x()), du.Y(PicturePos.y())), PictureSize + QSize(2, 2)));

    MakeText(QStringLiteral("Quelta Versió 1.2"), VersionText, du, this);
    MakeText(QStringLiteral("Seguiment en viu d'una marca de color"), PurposeText, du, this);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(du.Rect(OkButton));
    ok->setDefault(true);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(du.Size(TemplateSize.width(), TemplateSize.height()));
}
