// "Retard": the alert is raised once its condition has held for the first delay and cleared
// once it has not held for the second, on the monitor's clock, to the millisecond.
#include "TestRig.h"

#include <QSpinBox>
#include <QTest>

class CDelayTest : public QObject {
    Q_OBJECT
private slots:
    void raisedExactlyWhenTheConditionHasHeldForTheDelay();
    void clearedExactlyWhenTheConditionHasNotHeldForTheDelay();
    void aShortChangeIsForgotten();
    void armingAgainStartsAfresh();
};

namespace {
// A monitor alerting on absence, armed, with the two delays typed in.
struct CDelayRig : CRig {
    CDelayRig(int raiseMs, int clearMs) : CRig(FAKE_QTA, 1, 1) {
        if (!Start())
            qFatal("the monitor did not start on the scripted library");
        Control<QSpinBox>("spnRaiseDelay")->setValue(raiseMs);
        Control<QSpinBox>("spnClearDelay")->setValue(clearMs);
        Arm();
    }
    // One tick at `ms` on the test's clock with the mark absent (0) or present (1); the text of
    // the status panel afterwards.
    QString TickAt(int64_t ms, short result) {
        Qta.Script(1, result);
        Clock.Now = ms;
        Form().OnTick();
        return Form().PanelText();
    }
};
const QString Alert = QStringLiteral("Alerta!!!");
}  // namespace

void CDelayTest::raisedExactlyWhenTheConditionHasHeldForTheDelay() {
    CDelayRig rig(500, 0);
    QCOMPARE(rig.TickAt(1000, 1), QString());
    QCOMPARE(rig.TickAt(2000, 0), QString());  // absent from here on
    QCOMPARE(rig.TickAt(2065, 0), QString());
    QCOMPARE(rig.TickAt(2499, 0), QString());
    QVERIFY(rig.Player.Played.isEmpty());
    QCOMPARE(rig.TickAt(2500, 0), Alert);
    QCOMPARE(rig.Player.Played.size(), 1);
    QCOMPARE(rig.TickAt(2565, 0), Alert);  // and on every tick after, as without a delay
    QCOMPARE(rig.Player.Played.size(), 2);
    QCOMPARE(rig.TickAt(2630, 1), QString());  // no clear delay: cleared at once
}

void CDelayTest::clearedExactlyWhenTheConditionHasNotHeldForTheDelay() {
    CDelayRig rig(0, 300);
    QCOMPARE(rig.TickAt(1000, 0), Alert);  // no raise delay: at once
    QCOMPARE(rig.TickAt(1100, 1), Alert);  // present again from here on ...
    QCOMPARE(rig.TickAt(1399, 1), Alert);  // ... the alert still stands, sound included
    QCOMPARE(rig.Player.Played.size(), 3);
    QCOMPARE(rig.TickAt(1400, 1), QString());
    QCOMPARE(rig.Player.Played.size(), 3);
    QCOMPARE(rig.TickAt(1465, 0), Alert);
}

// The flicker the delays are for: a mark briefly covered, or at the picture's edge.
void CDelayTest::aShortChangeIsForgotten() {
    CDelayRig rig(200, 200);
    rig.TickAt(1000, 0);
    rig.TickAt(1150, 1);  // back before the delay: the count starts again
    QCOMPARE(rig.TickAt(1300, 0), QString());
    QCOMPARE(rig.TickAt(1499, 0), QString());
    QCOMPARE(rig.TickAt(1500, 0), Alert);
    rig.TickAt(1600, 1);
    QCOMPARE(rig.TickAt(1700, 0), Alert);  // absent again within the clear delay
    QCOMPARE(rig.TickAt(1850, 1), Alert);
    QCOMPARE(rig.TickAt(2049, 1), Alert);
    QCOMPARE(rig.TickAt(2050, 1), QString());
}

void CDelayTest::armingAgainStartsAfresh() {
    CDelayRig rig(300, 0);
    rig.TickAt(1000, 0);
    rig.Arm();  // disarmed at 1100 ...
    rig.Arm();  // ... and armed again: what held before counts no more
    QCOMPARE(rig.TickAt(1350, 0), QString());
    QCOMPARE(rig.TickAt(1649, 0), QString());
    QCOMPARE(rig.TickAt(1650, 0), Alert);
}

std::unique_ptr<QObject> MakeDelayTest() { return std::make_unique<CDelayTest>(); }

#include "DelayTest.moc"
