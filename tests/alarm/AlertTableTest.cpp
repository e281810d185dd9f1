// Every row of the alert table, for both alert types.
#include "TestRig.h"

#include <QLabel>
#include <QRadioButton>
#include <QTest>

namespace {
enum Verdict { Alert, Cleared };
}

class CAlertTableTest : public QObject {
    Q_OBJECT
private slots:
    void verdictDisagreesWithAlertTable_data();
    void verdictDisagreesWithAlertTable();
};

void CAlertTableTest::verdictDisagreesWithAlertTable_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("verdict");
    const char* absence = "optAlertType0";
    const char* presence = "optAlertType1";
    QTest::newRow("absence, r=0") << absence << 0 << int(Alert);
    QTest::newRow("absence, r=1") << absence << 1 << int(Cleared);
    QTest::newRow("absence, r=2") << absence << 2 << int(Cleared);
    QTest::newRow("absence, r=-1") << absence << -1 << int(Cleared);
    QTest::newRow("presence, r=0") << presence << 0 << int(Cleared);
    QTest::newRow("presence, r=1") << presence << 1 << int(Alert);
    QTest::newRow("presence, r=2") << presence << 2 << int(Cleared);
    QTest::newRow("presence, r=-1") << presence << -1 << int(Cleared);
}

void CAlertTableTest::verdictDisagreesWithAlertTable() {
    QFETCH(QString, option);
    QFETCH(int, result);
    QFETCH(int, verdict);
    CRig rig;
    QVERIFY(rig.Start());
    rig.Click(option.toLatin1().constData());
    rig.Arm();

    // Start from the opposite panel, so that both writing and clearing are seen to happen.
    const bool presence = option.endsWith('1');
    rig.Qta.Script(1, presence ? (verdict == Alert ? 0 : 1) : (verdict == Alert ? 1 : 0));
    rig.Form().OnTick();
    QCOMPARE(rig.Form().PanelText(), verdict == Alert ? QString() : QString("Alerta!!!"));
    const qsizetype playedBefore = rig.Player.Played.size();
    const int pollsBefore = rig.Qta.Polls();

    rig.Qta.Script(1, short(result));
    rig.Form().OnTick();
    QCOMPARE(rig.Qta.Polls(), pollsBefore + 1);
    QCOMPARE(rig.Form().PanelText(), verdict == Alert ? QString("Alerta!!!") : QString());
    QCOMPARE(rig.Player.Played.size(), playedBefore + (verdict == Alert ? 1 : 0));
    if (verdict == Alert)
        QCOMPARE(rig.Player.Played.last(), QString("alarma.wav"));
}

std::unique_ptr<QObject> MakeAlertTableTest() { return std::make_unique<CAlertTableTest>(); }

#include "AlertTableTest.moc"
