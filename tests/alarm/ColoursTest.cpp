// "Color vigilat": the set's colours from the library, and the watched colour's presence asked
// of the library by that colour's index.
#include "TestRig.h"

#ifdef REAL_QTA
#include "SettingsStore.h"
#endif

#include <QComboBox>
#include <QDir>
#include <QTest>

class CColoursTest : public QObject {
    Q_OBJECT
private slots:
    void realLibraryListsTheStoresColours();
    void watchedColourIsTheOneAsked();
    void choiceKeptByNameWhenArmed();
    void olderLibraryWatchesAsBefore();
};

namespace {
const QString Alert = QStringLiteral("Alerta!!!");

QStringList Entries(const QComboBox* choice) {
    QStringList entries;
    for (int i = 0; i < choice->count(); ++i)
        entries << choice->itemText(i);
    return entries;
}

// A monitor on the scripted library with this set, started.
struct CColourRig : CRig {
    CColourRig(const QStringList& names, const QList<short>& positions, short first = 0)
        : CRig(FAKE_QTA, 1, first) {
        Qta.ScriptColours(names, positions);
        if (!Start())
            qFatal("the monitor did not start on the scripted library");
    }
    QComboBox* Choice() { return Control<QComboBox>("cmbWatchedColour"); }
};
}  // namespace

void CColoursTest::realLibraryListsTheStoresColours() {
#ifndef REAL_QTA
    QSKIP("the tracking library is not built here");
#else
    CColourSet set;
    set.Colours.emplace_back().Name = "vermell";
    set.Colours.emplace_back().Name = "blau_cel";
    QVERIFY(WriteColourSet(set));
    QVERIFY(RememberSource("testcam"));
    {
        CQtaLibrary library(QStringList{REAL_QTA});
        CFakeSoundPlayer player;
        CFakeDialogs dialogs;
        CMonitor monitor(library, player, dialogs);
        QVERIFY(monitor.Start());
        auto* choice = monitor.Form()->findChild<QComboBox*>("cmbWatchedColour");
        QCOMPARE(Entries(choice), QStringList({"vermell", "blau_cel"}));
        QCOMPARE(choice->currentIndex(), 0);
        QVERIFY(choice->isEnabled());
        // Armed on the second colour, the tick asks the real library about it.
        choice->setCurrentIndex(1);
        QTest::mouseClick(monitor.Form()->findChild<QAbstractButton*>("chkToggleAlarm"),
                          Qt::LeftButton);
        monitor.Form()->OnTick();
        QCOMPARE(choice->currentText(), QString("blau_cel"));
        QVERIFY2(dialogs.Faults.isEmpty(), qPrintable(dialogs.Faults.join('\n')));
        monitor.Form()->close();
    }
    QVERIFY(QDir(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Orda").removeRecursively());
#endif
}

void CColoursTest::watchedColourIsTheOneAsked() {
    // The first colour is in view, the second is not: absence alerts only on the second.
    CColourRig rig({"mark", "blau"}, {0, 0}, 1);
    QCOMPARE(Entries(rig.Choice()), QStringList({"mark", "blau"}));
    QCOMPARE(rig.Choice()->currentIndex(), 0);
    rig.Arm();
    rig.Form().OnTick();
    QCOMPARE(rig.Form().PanelText(), QString());
    // The first colour is asked exactly as a library without colours is.
    QCOMPARE(rig.Qta.Polls(), 1);
    QCOMPARE(rig.Qta.ColourPolls(), 0);

    rig.Choice()->setCurrentIndex(1);
    rig.Form().OnTick();
    QCOMPARE(rig.Form().PanelText(), Alert);
    QCOMPARE(rig.Qta.Polls(), 1);
    QCOMPARE(rig.Qta.ColourPolls(), 1);
    QCOMPARE(rig.Qta.LastColour(), 1);
    rig.Qta.ScriptColours({"mark", "blau"}, {0, 1});
    rig.Form().OnTick();
    QCOMPARE(rig.Form().PanelText(), QString());
}

void CColoursTest::choiceKeptByNameWhenArmed() {
    CColourRig rig({"vermell", "verd", "blau"}, {0, 0, 1});
    rig.Choice()->setCurrentIndex(2);
    // The set changes under the monitor; arming reads it again, and "blau" is now colour 1.
    rig.Qta.ScriptColours({"vermell", "blau"}, {0, 1});
    rig.Arm();
    QCOMPARE(Entries(rig.Choice()), QStringList({"vermell", "blau"}));
    QCOMPARE(rig.Choice()->currentText(), QString("blau"));
    rig.Form().OnTick();
    QCOMPARE(rig.Qta.LastColour(), 1);
    QCOMPARE(rig.Form().PanelText(), QString());
    // A watched colour that is gone gives way to the first.
    rig.Arm();
    rig.Qta.ScriptColours({"vermell"}, {0});
    rig.Arm();
    QCOMPARE(rig.Choice()->currentIndex(), 0);
    QVERIFY(!rig.Choice()->isEnabled());
    rig.Form().OnTick();
    QCOMPARE(rig.Qta.Polls(), 1);
    QCOMPARE(rig.Form().PanelText(), Alert);
}

void CColoursTest::olderLibraryWatchesAsBefore() {
    CRig rig(FAKE_QTA_NOCOLOURS, 1, 0);
    QVERIFY(rig.Start());
    auto* choice = rig.Control<QComboBox>("cmbWatchedColour");
    QCOMPARE(Entries(choice), QStringList({"Primer color"}));
    QVERIFY(!choice->isEnabled());
    rig.Arm();
    rig.Form().OnTick();
    QCOMPARE(rig.Form().PanelText(), Alert);
    rig.Qta.Script(1, 1);
    rig.Form().OnTick();
    QCOMPARE(rig.Form().PanelText(), QString());
    QCOMPARE(rig.Qta.Polls(), 2);
    QVERIFY(rig.Dialogs.Faults.isEmpty());
    rig.Form().close();
    QCOMPARE(rig.Qta.Finals(), 1);
}

std::unique_ptr<QObject> MakeColoursTest() { return std::make_unique<CColoursTest>(); }

#include "ColoursTest.moc"
