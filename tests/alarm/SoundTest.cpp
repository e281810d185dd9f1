// The sound switch, "Provar", "Canviar" and the hold a playing sound puts on polling.
#include "TestRig.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

class CSoundTest : public QObject {
    Q_OBJECT
private slots:
    void soundPlaysWhileSwitchedOff();
    void alertSoundNotTheTypedName();
    void pollsWhileSoundPlays();
    void provarIgnoredWhileDisarmed();
    void emptyDialogAnswerReplacesText();
    void chosenFileNotTaken();
};

void CSoundTest::soundPlaysWhileSwitchedOff() {
    CRig rig(FAKE_QTA, 1, 0);
    QVERIFY(rig.Start());
    auto* soundOn = rig.Control<QCheckBox>("chkSoundOn");
    QVERIFY(soundOn->isChecked());
    rig.Click("chkSoundOn");
    QVERIFY(!soundOn->isChecked());
    rig.Arm();
    rig.Form().OnTick();
    rig.Form().OnTick();
    QCOMPARE(rig.Form().PanelText(), QString("Alerta!!!"));
    QVERIFY(rig.Player.Played.isEmpty());

    // Switched back on while armed: the next alerting tick plays.
    rig.Click("chkSoundOn");
    rig.Form().OnTick();
    QCOMPARE(rig.Player.Played.size(), 1);
}

void CSoundTest::alertSoundNotTheTypedName() {
    CRig rig(FAKE_QTA, 1, 0);
    QVERIFY(rig.Start());
    auto* file = rig.Control<QLineEdit>("txtSoundFile");
    QCOMPARE(file->text(), QString("alarma.wav"));
    file->setText("sons/xiulet ü.wav");
    rig.Arm();
    rig.Form().OnTick();
    rig.Form().OnTick();
    // A sound that has ended lets the very next tick play again: back to back.
    QCOMPARE(rig.Player.Played, QStringList({"sons/xiulet ü.wav", "sons/xiulet ü.wav"}));
}

void CSoundTest::pollsWhileSoundPlays() {
    CRig rig(FAKE_QTA, 1, 0);
    QVERIFY(rig.Start());
    rig.Player.HoldsOn = true;
    rig.Arm();
    rig.Form().OnTick();
    QCOMPARE(rig.Qta.Polls(), 1);
    QCOMPARE(rig.Player.Played.size(), 1);

    rig.Form().OnTick();
    rig.Click("btnTestSoundFile");
    QCOMPARE(rig.Qta.Polls(), 1);
    QCOMPARE(rig.Player.Played.size(), 1);

    rig.Player.End();
    rig.Qta.Script(1, 1);
    rig.Form().OnTick();
    QCOMPARE(rig.Qta.Polls(), 2);
    QCOMPARE(rig.Form().PanelText(), QString());
}

void CSoundTest::provarIgnoredWhileDisarmed() {
    CRig rig;
    QVERIFY(rig.Start());
    rig.Control<QLineEdit>("txtSoundFile")->setText("no-such-file.wav");
    rig.Click("btnTestSoundFile");
    QCOMPARE(rig.Player.Played, QStringList({"no-such-file.wav"}));
    QCOMPARE(rig.Qta.Polls(), 0);
    QCOMPARE(rig.Form().PanelText(), QString());
}

void CSoundTest::emptyDialogAnswerReplacesText() {
    CRig rig;
    QVERIFY(rig.Start());
    rig.Dialogs.Answer = QString();
    rig.Click("btnChangeSoundFile");
    QCOMPARE(rig.Dialogs.Asked, 1);
    QCOMPARE(rig.Control<QLineEdit>("txtSoundFile")->text(), QString("alarma.wav"));
}

void CSoundTest::chosenFileNotTaken() {
    CRig rig(FAKE_QTA, 1, 0);
    QVERIFY(rig.Start());
    rig.Dialogs.Answer = "/home/usuari/sons/sirena.wav";
    rig.Click("btnChangeSoundFile");
    QCOMPARE(rig.Control<QLineEdit>("txtSoundFile")->text(),
             QString("/home/usuari/sons/sirena.wav"));
    rig.Arm();
    rig.Form().OnTick();
    QCOMPARE(rig.Player.Played, QStringList({"/home/usuari/sons/sirena.wav"}));
}

std::unique_ptr<QObject> MakeSoundTest() { return std::make_unique<CSoundTest>(); }

#include "SoundTest.moc"
