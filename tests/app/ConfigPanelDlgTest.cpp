#include "ConfigPanelDlg.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdlib>

namespace {

// The panel with its message box replaced by a record of the texts it would have shown.
class CRecordingPanel : public CConfigPanelDlg {
public:
    using CConfigPanelDlg::CConfigPanelDlg;
    QStringList Messages;

protected:
    void ShowOutOfRangeMessage(const QString& text) override { Messages << text; }
};

QSlider* Slider(QWidget& panel, int id) {
    return panel.findChild<QSlider*>(QStringLiteral("slider%1").arg(id));
}
QLineEdit* Edit(QWidget& panel, int id) {
    return panel.findChild<QLineEdit*>(QStringLiteral("edit%1").arg(id));
}
QCheckBox* Check(QWidget& panel, int id) {
    return panel.findChild<QCheckBox*>(QStringLiteral("check%1").arg(id));
}
QPushButton* Ok(QWidget& panel) { return panel.findChild<QPushButton*>(QStringLiteral("ok")); }

// Sets the field that the row of this edit box edits (its slider's id is one less).
void SetField(CTrackingParams& p, int editId, uint32_t value) {
    const auto byte = static_cast<uint8_t>(value);
    switch (editId) {
    case 1001:
        p.MinWidth = value;
        break;
    case 1003:
        p.MaxWidth = value;
        break;
    case 1005:
        p.MinHeight = value;
        break;
    case 1007:
        p.MaxHeight = value;
        break;
    case 1021:
        p.MinARatio = value;
        break;
    case 1009:
        p.lMin = byte;
        break;
    case 1011:
        p.lMax = byte;
        break;
    case 1013:
        p.a1Min = byte;
        break;
    case 1015:
        p.a1Max = byte;
        break;
    case 1017:
        p.a2Min = byte;
        break;
    case 1019:
        p.a2Max = byte;
        break;
    }
}

const int EditIds[] = {1001, 1003, 1005, 1007, 1021, 1009, 1011, 1013, 1015, 1017, 1019};

bool StoreIsEmpty() {
    return QSettings(QStringLiteral("Orda"), QStringLiteral("Quelta")).allKeys().isEmpty();
}

// The rectangle a widget covers, in the panel's own coordinates.
QRect RectInPanel(QWidget& panel, QWidget* widget) {
    return QRect(widget->mapTo(&panel, QPoint(0, 0)), widget->size());
}

}  // namespace

class ConfigPanelDlgTest : public QObject {
    Q_OBJECT

    CTrackingParams Params;

    // Shown, active and wide, so that every edit box can take the focus.
    bool ShowWide(CRecordingPanel& panel) {
        panel.show();
        panel.activateWindow();
        if (!QTest::qWaitForWindowActive(&panel))
            return false;
        Check(panel, 1024)->click();
        return true;
    }

    // Types into a box and leaves it with Tab, as a user would.
    static void TypeAndLeave(QLineEdit* edit, const QString& text) {
        edit->setFocus(Qt::MouseFocusReason);
        edit->selectAll();
        edit->del();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
    }

private slots:
    void init() {
        Params = CTrackingParams{};
        QSettings(QStringLiteral("Orda"), QStringLiteral("Quelta")).clear();
    }

    void opensWithRecordValuesNarrowAndBothBoxesUnchecked() {
        Params.ShowMask = true;  // the mask box does not follow the record
        Params.lMin = 10;        // as a calibration click may have left them
        Params.a1Max = 99;
        Params.a2Max = 255;
        Params.MinARatio = 35;
        const CTrackingParams before = Params;
        CRecordingPanel panel(Params);
        const QStringList wanted{"3", "640", "3", "480", "35", "10", "0", "0", "99", "0", "255"};
        for (int i = 0; i < 11; ++i) {
            QCOMPARE(Edit(panel, EditIds[i])->text(), wanted[i]);
            QCOMPARE(Slider(panel, EditIds[i] - 1)->value(), wanted[i].toInt());
        }
        QVERIFY(!Check(panel, 1022)->isChecked());
        QVERIFY(!Check(panel, 1024)->isChecked());
        QCOMPARE(Params, before);
        QCOMPARE(panel.windowTitle(), QStringLiteral("Panell de configuració"));
    }

    void outOfRangeTextIsRefusedAndStaysInTheBox_data() {
        QTest::addColumn<int>("editId");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("width above 640") << 1001 << "700"
                                         << "El valor ha d'estar entre 0 i 640";
        QTest::newRow("height above 480") << 1005 << "481"
                                          << "El valor ha d'estar entre 0 i 480";
        QTest::newRow("aspect above 100") << 1021 << "101"
                                          << "El valor ha d'estar entre 0 i 100";
        QTest::newRow("colour above 255") << 1009 << "256"
                                          << "El valor ha d'estar entre 0 i 255";
        QTest::newRow("negative width") << 1003 << "-1"
                                        << "El valor ha d'estar entre 0 i 640";
        QTest::newRow("negative colour") << 1017 << "-1"
                                         << "El valor ha d'estar entre 0 i 255";
        QTest::newRow("nine digits read as eight") << 1001 << "123456789"
                                                   << "El valor ha d'estar entre 0 i 640";
        QTest::newRow("blanks then too large") << 1019 << "   300x"
                                               << "El valor ha d'estar entre 0 i 255";
    }

    void outOfRangeTextIsRefusedAndStaysInTheBox() {
        QFETCH(int, editId);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        CRecordingPanel panel(Params);
        QVERIFY(ShowWide(panel));
        const CTrackingParams before = Params;
        const int sliderBefore = Slider(panel, editId - 1)->value();

        TypeAndLeave(Edit(panel, editId), typed);

        QCOMPARE(panel.Messages, QStringList{message});
        QCOMPARE(Edit(panel, editId)->text(), typed);
        QCOMPARE(Slider(panel, editId - 1)->value(), sliderBefore);
        QCOMPARE(Params, before);
        QCOMPARE(QApplication::focusWidget(), Edit(panel, editId));
    }

    void acceptedTextMovesSliderRewritesBoxAndStoresField_data() {
        QTest::addColumn<int>("editId");
        QTest::addColumn<uint>("start");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("expected");
        QTest::newRow("empty reads 0") << 1003 << 640u << "" << 0u;
        QTest::newRow("letters read 0") << 1007 << 480u << "abc" << 0u;
        QTest::newRow("digits then letters") << 1001 << 3u << "12abc" << 12u;
        QTest::newRow("leading zeros, 8-bit row") << 1009 << 0u << "00255" << 255u;
        QTest::newRow("same value, leading zeros") << 1011 << 42u << "0042" << 42u;
        QTest::newRow("blanks and plus sign") << 1013 << 0u << " +77" << 77u;
        QTest::newRow("minus zero") << 1015 << 9u << "-0" << 0u;
        QTest::newRow("width upper end") << 1001 << 3u << "640" << 640u;
        QTest::newRow("height upper end") << 1005 << 3u << "480" << 480u;
        QTest::newRow("aspect upper end") << 1021 << 0u << "100" << 100u;
        QTest::newRow("colour upper end") << 1019 << 0u << "255" << 255u;
        QTest::newRow("eight digits only are read") << 1017 << 0u << "00000012345" << 12u;
    }

    void acceptedTextMovesSliderRewritesBoxAndStoresField() {
        QFETCH(int, editId);
        QFETCH(uint, start);
        QFETCH(QString, typed);
        QFETCH(uint, expected);
        SetField(Params, editId, start);
        CRecordingPanel panel(Params);
        QVERIFY(ShowWide(panel));
        CTrackingParams wanted = Params;
        SetField(wanted, editId, expected);

        TypeAndLeave(Edit(panel, editId), typed);

        QVERIFY2(panel.Messages.isEmpty(), qPrintable(panel.Messages.join(u'|')));
        QCOMPARE(Edit(panel, editId)->text(), QString::number(expected));
        QCOMPARE(Slider(panel, editId - 1)->value(), static_cast<int>(expected));
        QCOMPARE(Params, wanted);  // that row's field, and no other
    }

    void everySliderMovementReachesItsBoxAndOnlyItsField() {
        CRecordingPanel panel(Params);
        QVERIFY(ShowWide(panel));
        for (int id : EditIds) {
            QSlider* slider = Slider(panel, id - 1);
            CTrackingParams wanted = Params;
            slider->setValue(slider->maximum() - 1);
            SetField(wanted, id, slider->maximum() - 1);
            QCOMPARE(Edit(panel, id)->text(), QString::number(slider->maximum() - 1));
            QCOMPARE(Params, wanted);

            slider->setFocus(Qt::TabFocusReason);
            QTest::keyClick(slider, Qt::Key_Right);
            SetField(wanted, id, slider->maximum());
            QCOMPARE(Edit(panel, id)->text(), QString::number(slider->maximum()));
            QCOMPARE(Params, wanted);
        }
        // The 8-bit fields hold the slider's top end, not a wrapped value.
        QCOMPARE(Params.lMin, uint8_t{255});
        QCOMPARE(Params.a2Max, uint8_t{255});
        QCOMPARE(Params.MaxWidth, 640u);
    }

    void narrowShowsLeftColumnOnlyWideShowsAllWithoutMoving() {
        CRecordingPanel panel(Params);
        panel.move(40, 30);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        const QPoint topLeft = panel.pos();
        const QSize narrow = panel.size();
        auto* colour = panel.findChild<QGroupBox*>(QStringLiteral("groupAjustColor"));

        QVERIFY(!colour->isVisible());
        for (QGroupBox* group : panel.findChildren<QGroupBox*>()) {
            if (group == colour || colour->isAncestorOf(group))
                continue;
            QVERIFY2(group->isVisible(), qPrintable(group->title()));
            QVERIFY2(panel.rect().contains(RectInPanel(panel, group)), qPrintable(group->title()));
        }
        for (QWidget* w :
             {static_cast<QWidget*>(Ok(panel)), static_cast<QWidget*>(Check(panel, 1022)),
              static_cast<QWidget*>(Check(panel, 1024))})
            QVERIFY(panel.rect().contains(RectInPanel(panel, w)));
        // Nothing of the colour column may peek in at the narrow panel's edge.
        QVERIFY(RectInPanel(panel, colour).left() >= panel.width());

        Check(panel, 1024)->click();
        QVERIFY(colour->isVisible());
        QVERIFY(panel.rect().contains(RectInPanel(panel, colour)));
        for (QLineEdit* edit : panel.findChildren<QLineEdit*>())
            QVERIFY(edit->isVisible());
        QVERIFY(panel.width() > narrow.width());
        QCOMPARE(panel.height(), narrow.height());
        QCOMPARE(panel.pos(), topLeft);

        Check(panel, 1024)->click();
        QVERIFY(!colour->isVisible());
        QCOMPARE(panel.size(), narrow);
        QCOMPARE(panel.pos(), topLeft);
    }

    void tabOrderRunsOkRowsAspectThenCheckboxes() {
        CRecordingPanel panel(Params);
        QVERIFY(ShowWide(panel));
        Ok(panel)->setFocus(Qt::TabFocusReason);
        QStringList order{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 24; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        const QStringList wanted{
            "ok",         "slider1000", "edit1001",   "slider1002", "edit1003",
            "slider1004", "edit1005",   "slider1006", "edit1007",   "slider1008",
            "edit1009",   "slider1010", "edit1011",   "slider1012", "edit1013",
            "slider1014", "edit1015",   "slider1016", "edit1017",   "slider1018",
            "edit1019",   "slider1020", "edit1021",   "check1022",  "check1024"};
        QCOMPARE(order, wanted);
    }

    void maskViewFollowsItsBoxAndOkClearsItAndWritesTheStore() {
        CRecordingPanel panel(Params);
        QVERIFY(ShowWide(panel));
        QTest::mouseClick(Check(panel, 1022), Qt::LeftButton);
        QVERIFY(Params.ShowMask);
        QTest::mouseClick(Check(panel, 1022), Qt::LeftButton);
        QVERIFY(!Params.ShowMask);
        QTest::mouseClick(Check(panel, 1022), Qt::LeftButton);
        QVERIFY(Params.ShowMask);
        Slider(panel, 1000)->setValue(17);
        Slider(panel, 1016)->setValue(200);
        QVERIFY(StoreIsEmpty());

        QTest::mouseClick(Ok(panel), Qt::LeftButton);

        QCOMPARE(panel.result(), int(QDialog::Accepted));
        QVERIFY(!panel.isVisible());
        QVERIFY(!Params.ShowMask);
        CTrackingParams stored;
        stored.MinWidth = 99;  // must be overwritten by the store
        QVERIFY(ReadRegistry(stored));
        QCOMPARE(stored, Params);
        QCOMPARE(stored.MinWidth, 17u);
        QCOMPARE(stored.a2Min, uint8_t{200});
    }

    void enterInABoxCountsTheTypedValueBeforeTheStoreIsWritten() {
        CRecordingPanel panel(Params);
        QVERIFY(ShowWide(panel));
        QLineEdit* edit = Edit(panel, 1001);
        edit->setFocus(Qt::MouseFocusReason);
        edit->setText(QStringLiteral("700"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(panel.Messages.size(), 1);
        QVERIFY(panel.isVisible());
        QVERIFY(StoreIsEmpty());
        QCOMPARE(QApplication::focusWidget(), edit);

        edit->setText(QStringLiteral("50"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(panel.result(), int(QDialog::Accepted));
        QCOMPARE(Params.MinWidth, 50u);
        CTrackingParams stored;
        QVERIFY(ReadRegistry(stored));
        QCOMPARE(stored.MinWidth, 50u);
    }

    void closeBoxAndEscapeEndTheMaskViewAndLeaveTheStore_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("close box") << false;
        QTest::newRow("Escape") << true;
    }

    void closeBoxAndEscapeEndTheMaskViewAndLeaveTheStore() {
        QFETCH(bool, escape);
        CRecordingPanel panel(Params);
        QVERIFY(ShowWide(panel));
        Check(panel, 1022)->click();
        QVERIFY(Params.ShowMask);
        Slider(panel, 1002)->setValue(321);
        // Text still being typed when the panel goes is dropped, without a message.
        QLineEdit* edit = Edit(panel, 1005);
        edit->setFocus(Qt::MouseFocusReason);
        edit->setText(QStringLiteral("999"));

        if (escape)
            QTest::keyClick(edit, Qt::Key_Escape);
        else
            panel.close();

        QVERIFY(!panel.isVisible());
        QCOMPARE(panel.result(), int(QDialog::Rejected));
        QVERIFY(!Params.ShowMask);
        QCOMPARE(Params.MaxWidth, 321u);  // the edits made so far stay in effect
        QCOMPARE(Params.MinHeight, 3u);
        QVERIFY(panel.Messages.isEmpty());
        QVERIFY(StoreIsEmpty());
    }

    void realMessageBoxHasTheTextAnOkButtonAndHandsTheFocusBack() {
        CConfigPanelDlg panel(Params);
        panel.show();
        panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        QString text;
        QString title = QStringLiteral("unset");
        int buttons = 0;
        bool seen = false;
        // The box is modal: read and close it from inside its own event loop.
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || seen)
                return;
            seen = true;
            text = box->text();
            title = box->windowTitle();
            buttons = box->buttons().size();
            box->button(QMessageBox::Ok)->click();
        });
        poll.start(10);

        TypeAndLeave(Edit(panel, 1003), QStringLiteral("641"));

        QVERIFY(seen);
        QCOMPARE(text, QStringLiteral("El valor ha d'estar entre 0 i 640"));
        QVERIFY(title.isEmpty());
        QCOMPARE(buttons, 1);
        QTRY_COMPARE(QApplication::focusWidget(), Edit(panel, 1003));
        QCOMPARE(Edit(panel, 1003)->text(), QStringLiteral("641"));
        QCOMPARE(Params.MaxWidth, 640u);
    }
};

// The store must never be the user's own: point it at a folder of this run before Qt starts.
int main(int argc, char** argv) {
    QTemporaryDir configHome;
    if (!configHome.isValid())
        return 2;
    setenv("XDG_CONFIG_HOME", qPrintable(configHome.path()), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ConfigPanelDlgTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ConfigPanelDlgTest.moc"
