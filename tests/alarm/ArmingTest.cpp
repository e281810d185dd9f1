// Arming, disarming and what the timer does in between.
#include "TestRig.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

class CArmingTest : public QObject {
    Q_OBJECT
private slots:
    void pollsBeforeArmed();
    void armCaptionOrTimerWrong();
    void disarmTouchesPanel();
    void optionSwitchIgnoredByNextTick();
    void armedTimerNeverPolls();
};

void CArmingTest::pollsBeforeArmed() {
    CRig rig;
    QVERIFY(rig.Start());
    auto* timer = rig.Control<QTimer>("ctrlTimer");
    QVERIFY(timer);
    QVERIFY(!timer->isActive());
    QCOMPARE(timer->interval(), 65);
    QTest::qWait(200);
    QCOMPARE(rig.Qta.Polls(), 0);
}

void CArmingTest::armCaptionOrTimerWrong() {
    CRig rig;
    QVERIFY(rig.Start());
    auto* toggle = rig.Control<QPushButton>("chkToggleAlarm");
    auto* timer = rig.Control<QTimer>("ctrlTimer");
    QCOMPARE(toggle->text(), QString("Activar"));
    QVERIFY(toggle->isCheckable());
    QVERIFY(!toggle->isChecked());

    rig.Arm();
    QVERIFY(toggle->isChecked());
    QCOMPARE(toggle->text(), QString("Desactivar"));
    QVERIFY(timer->isActive());

    rig.Arm();
    QVERIFY(!toggle->isChecked());
    QCOMPARE(toggle->text(), QString("Activar"));
    QVERIFY(!timer->isActive());

    // Keyboard arming goes through the same handler as the mouse.
    toggle->setFocus();
    QTest::keyClick(toggle, Qt::Key_Space);
    QCOMPARE(toggle->text(), QString("Desactivar"));
    QVERIFY(timer->isActive());
}

void CArmingTest::disarmTouchesPanel() {
    CRig rig(FAKE_QTA, 1, 0);
    QVERIFY(rig.Start());
    rig.Arm();
    rig.Form().OnTick();
    QCOMPARE(rig.Form().PanelText(), QString("Alerta!!!"));
    rig.Arm();
    QCOMPARE(rig.Form().PanelText(), QString("Alerta!!!"));

    // And the other way round: a cleared panel stays cleared when armed again.
    rig.Qta.Script(1, 1);
    rig.Arm();
    rig.Form().OnTick();
    QCOMPARE(rig.Form().PanelText(), QString());
    rig.Arm();
    QCOMPARE(rig.Form().PanelText(), QString());
}

void CArmingTest::optionSwitchIgnoredByNextTick() {
    CRig rig(FAKE_QTA, 1, 0);
    QVERIFY(rig.Start());
    rig.Arm();
    rig.Form().OnTick();
    QCOMPARE(rig.Form().PanelText(), QString("Alerta!!!"));

    rig.Click("optAlertType1");
    rig.Form().OnTick();
    QCOMPARE(rig.Form().PanelText(), QString());
    rig.Qta.Script(1, 1);
    rig.Form().OnTick();
    QCOMPARE(rig.Form().PanelText(), QString("Alerta!!!"));

    rig.Click("optAlertType0");
    rig.Form().OnTick();
    QCOMPARE(rig.Form().PanelText(), QString());
}

void CArmingTest::armedTimerNeverPolls() {
    CRig rig(FAKE_QTA, 1, 0);
    QVERIFY(rig.Start());
    rig.Arm();
    QTRY_VERIFY_WITH_TIMEOUT(rig.Qta.Polls() >= 2, 10000);
    QCOMPARE(rig.Form().PanelText(), QString("Alerta!!!"));

    rig.Arm();
    const int polls = rig.Qta.Polls();
    QTest::qWait(200);
    QCOMPARE(rig.Qta.Polls(), polls);
}

std::unique_ptr<QObject> MakeArmingTest() { return std::make_unique<CArmingTest>(); }

#include "ArmingTest.moc"
