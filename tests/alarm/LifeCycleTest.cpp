// Start, end, and a library that fails or is not there; the window as it first appears.
#include "TestRig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

class CLifeCycleTest : public QObject {
    Q_OBJECT
private slots:
    void initFailureShowsWindowOrFinalises();
    void sortirFinalisesOtherThanOnce();
    void closingFinalisesOtherThanOnce();
    void missingLibraryGoesUnreported();
    void missingFunctionGoesUnreported();
    void initialWindowDiffersFromLayout();
    void tabOrderWrong();
};

void CLifeCycleTest::initFailureShowsWindowOrFinalises() {
    CRig rig(FAKE_QTA, 0, 0);
    QVERIFY(!rig.Start());
    QCOMPARE(rig.Dialogs.InitErrors, 1);
    QVERIFY(rig.Dialogs.Faults.isEmpty());
    QCOMPARE(rig.Monitor->ExitStatus(), CMonitor::kInitFailed);
    QVERIFY(!rig.Monitor->Form());
    QCOMPARE(rig.Qta.Inits(), 1);
    QCOMPARE(rig.Qta.LastSource(), 0);
    QCOMPARE(rig.Qta.Finals(), 0);
}

void CLifeCycleTest::sortirFinalisesOtherThanOnce() {
    CRig rig;
    QVERIFY(rig.Start());
    QCOMPARE(rig.Qta.Inits(), 1);
    QVERIFY(rig.Form().isVisible());
    rig.Arm();
    rig.Click("Command3");
    QVERIFY(!rig.Form().isVisible());
    QVERIFY(!rig.Control<QTimer>("ctrlTimer")->isActive());
    QCOMPARE(rig.Qta.Finals(), 1);
    rig.Form().close();
    QCOMPARE(rig.Qta.Finals(), 1);
    QCOMPARE(rig.Monitor->ExitStatus(), 0);
}

void CLifeCycleTest::closingFinalisesOtherThanOnce() {
    CRig rig;
    QVERIFY(rig.Start());
    QVERIFY(rig.Form().close());
    QCOMPARE(rig.Qta.Finals(), 1);
    QCOMPARE(rig.Qta.Polls(), 0);
    QCOMPARE(rig.Monitor->ExitStatus(), 0);
}

void CLifeCycleTest::missingLibraryGoesUnreported() {
    CRig rig("/nonexistent/folder/libquelta.so");
    QVERIFY(!rig.Start());
    QCOMPARE(rig.Dialogs.Faults.size(), 1);
    QVERIFY2(rig.Dialogs.Faults[0].contains("libquelta.so"), qPrintable(rig.Dialogs.Faults[0]));
    QCOMPARE(rig.Monitor->ExitStatus(), 1);
    QCOMPARE(rig.Dialogs.InitErrors, 0);
}

void CLifeCycleTest::missingFunctionGoesUnreported() {
    // The library lacks QTAObtenirPosicio: nothing notices until the first tick asks for it.
    CRig rig(FAKE_QTA_NOPOSITION, 1, 0);
    QVERIFY(rig.Start());
    QVERIFY(rig.Dialogs.Faults.isEmpty());
    rig.Arm();
    rig.Form().OnTick();
    QCOMPARE(rig.Dialogs.Faults.size(), 1);
    QVERIFY2(rig.Dialogs.Faults[0].contains("QTAObtenirPosicio"),
             qPrintable(rig.Dialogs.Faults[0]));
    QCOMPARE(rig.Monitor->ExitStatus(), 1);
    QVERIFY(!rig.Control<QTimer>("ctrlTimer")->isActive());
    QVERIFY(rig.Player.Played.isEmpty());
    // A broken library is reported once and not called again, not even to finalise it.
    rig.Form().OnTick();
    rig.Form().close();
    QCOMPARE(rig.Dialogs.Faults.size(), 1);
    QCOMPARE(rig.Qta.Finals(), 0);
}

void CLifeCycleTest::initialWindowDiffersFromLayout() {
    CRig rig;
    QVERIFY(rig.Start());
    CMainForm& form = rig.Form();
    QCOMPARE(form.windowTitle(), QString("Alarma Quelta"));
    QCOMPARE(form.size(), QSize(439, 219));

    struct Expected {
        const char* name;
        QString text;
        QRect place;
        const char* parent;
    };
    const Expected controls[] = {
        {"Frame2", "Alerta sonora", {16, 8, 193, 133}, "MainForm"},
        {"Label1", "So d'alerta", {16, 16, 121, 17}, "Frame2"},
        {"txtSoundFile", "alarma.wav", {16, 32, 153, 19}, "Frame2"},
        {"btnChangeSoundFile", "Canviar", {56, 68, 52, 20}, "Frame2"},
        {"btnTestSoundFile", "Provar", {112, 68, 52, 20}, "Frame2"},
        {"chkSoundOn", "So activat", {16, 104, 121, 17}, "Frame2"},
        {"Frame1", "Tipus d'alerta", {224, 8, 193, 97}, "MainForm"},
        {"optAlertType0", "Alertar absència de marca", {16, 24, 169, 17}, "Frame1"},
        {"optAlertType1", "Alertar presència de marca", {16, 46, 169, 17}, "Frame1"},
        {"lblWatchedColour", "Color vigilat", {16, 70, 70, 17}, "Frame1"},
        {"cmbWatchedColour", "mark", {88, 68, 97, 20}, "Frame1"},
        {"chkToggleAlarm", "Activar", {224, 116, 89, 25}, "MainForm"},
        {"Command3", "Sortir", {328, 116, 89, 25}, "MainForm"},
        {"Frame3", "Retard", {16, 148, 401, 46}, "MainForm"},
        {"spnRaiseDelay", QString(), {122, 18, 52, 20}, "Frame3"},
        {"spnClearDelay", QString(), {318, 18, 52, 20}, "Frame3"},
        {"stStatusBar", QString(), {0, 202, 439, 17}, "MainForm"},
    };
    for (const Expected& e : controls) {
        QWidget* w = rig.Control(e.name);
        QVERIFY2(w, e.name);
        QCOMPARE(w->geometry(), e.place);
        QCOMPARE(w->parentWidget()->objectName(), QString(e.parent));
        QString text;
        if (auto* box = qobject_cast<QGroupBox*>(w))
            text = box->title();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(w))
            text = label->text();
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            text = edit->text();
        else if (auto* choice = qobject_cast<QComboBox*>(w))
            text = choice->currentText();
        QCOMPARE(text, e.text);
    }
    QVERIFY(rig.Control<QCheckBox>("chkSoundOn")->isChecked());
    QVERIFY(rig.Control<QRadioButton>("optAlertType0")->isChecked());
    QVERIFY(!rig.Control<QRadioButton>("optAlertType1")->isChecked());
    QCOMPARE(form.PanelText(), QString());
    QCOMPARE(rig.Control<QSpinBox>("spnRaiseDelay")->value(), 0);
    QCOMPARE(rig.Control<QSpinBox>("spnClearDelay")->value(), 0);
    // The scripted library's set is one colour: nothing to choose.
    QVERIFY(!rig.Control<QComboBox>("cmbWatchedColour")->isEnabled());

    // The two options are one group: choosing one clears the other.
    rig.Click("optAlertType1");
    QVERIFY(!rig.Control<QRadioButton>("optAlertType0")->isChecked());
    QVERIFY(rig.Control<QRadioButton>("optAlertType1")->isChecked());
}

void CLifeCycleTest::tabOrderWrong() {
    CRig rig;
    QVERIFY(rig.Start());
    // "Color vigilat" follows the alert type it belongs with.
    const QStringList expected = {"chkToggleAlarm",   "optAlertType0", "optAlertType1",
                                  "cmbWatchedColour", "txtSoundFile",  "btnChangeSoundFile",
                                  "btnTestSoundFile", "chkSoundOn",    "spnRaiseDelay",
                                  "spnClearDelay",    "Command3"};
    QStringList chain;
    QWidget* w = rig.Control(expected[0].toLatin1().constData());
    do {
        // A spin box's own text field takes the focus with it: one place in the order.
        const bool inner = qobject_cast<QAbstractSpinBox*>(w->parentWidget()) != nullptr;
        if ((w->focusPolicy() & Qt::TabFocus) && !inner)
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w && w->objectName() != expected[0]);
    QCOMPARE(chain, expected);
}

std::unique_ptr<QObject> MakeLifeCycleTest() { return std::make_unique<CLifeCycleTest>(); }

#include "LifeCycleTest.moc"
