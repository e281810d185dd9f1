#include "AboutDialog.h"

#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <functional>

namespace {

int CountPixels(const QImage& image, const std::function<bool(QColor)>& test) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += test(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

}  // namespace

class AboutDialogTest : public QObject {
    Q_OBJECT

private slots:
    void showsCaptionVersionAndWhatQueltaIs() {
        CAboutDialog about;
        QCOMPARE(about.windowTitle(), QStringLiteral("Quant a Quelta"));
        QStringList texts;
        for (QLabel* label : about.findChildren<QLabel*>())
            texts << label->text();
        QVERIFY(texts.contains(QStringLiteral("Quelta Versió 1.2")));
        QVERIFY(texts.contains(QStringLiteral("Seguiment en viu d'una marca de color")));
    }

    // A missing or unreadable picture leaves a blank white frame, not an error.
    void pictureIsDrawnWithItsRedOutlinedMark() {
        CAboutDialog about;
        auto* picture = about.findChild<QLabel*>(QStringLiteral("picture"));
        QVERIFY(picture);
        const QImage image = picture->pixmap().toImage();
        QCOMPARE(image.size() / image.devicePixelRatio(), QSize(64, 48));
        const int red = CountPixels(
            image, [](QColor c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; });
        QVERIFY(red > 20);
        QVERIFY(picture->frameShape() != QFrame::NoFrame);
    }

    void okClosesTheBox() {
        CAboutDialog about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        auto* ok = about.findChild<QPushButton*>();
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(ok->isDefault());
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    // The toolbar takes these by name; a missing or broken one shows as an empty button.
    void toolbarPicturesExistAndDrawAtBothSizes_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : {"open", "save", "config", "camera", "format", "source", "display",
                                 "about", "exit", "quelta"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void toolbarPicturesExistAndDrawAtBothSizes() {
        QFETCH(QString, name);
        const QIcon icon(QStringLiteral(":/icons/%1.svg").arg(name));
        QVERIFY(!icon.isNull());
        for (int size : {16, 24}) {
            const QImage image = icon.pixmap(size, size).toImage();
            QCOMPARE(image.width(), size);
            const int inked = CountPixels(image, [](QColor c) { return c.alpha() > 128; });
            QVERIFY2(inked > size * size / 10,
                     qPrintable(QStringLiteral("%1 at %2").arg(name).arg(size)));
        }
    }
};

QTEST_MAIN(AboutDialogTest)
#include "AboutDialogTest.moc"
