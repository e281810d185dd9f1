// The colour set in the window: the "Colors" pane's edits, which colour a click and the panel
// reach, a click during a pass, and the store with one colour and with several.
#include "AppColours.h"
#include "ColoursPane.h"
#include "Helpers.h"
#include "SettingsStore.h"
#include "TestRegistry.h"

#include <QDockWidget>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QToolButton>

namespace {
QSettings QueltaStore() { return QSettings(QStringLiteral("Orda"), QStringLiteral("Quelta")); }

// The document on scripted frames of the six-disc scene, with the "Colors" pane shown.
struct CSixDiscs : CScriptedDoc {
    CSixDiscs() {
        if (!QTest::qWaitForWindowExposed(Frame))  // else a repaint paints nothing
            qFatal("the main window was never exposed");
        Frame->Action(Cmd::ViewColours)->trigger();
        Pane = Frame->ColoursDock()->findChild<CColoursPane*>();
    }
    CAppColours& Colours() { return H.App.Colours; }
    void Click(const char* name) {
        QTest::mouseClick(Frame->findChild<QAbstractButton*>(QLatin1String(name)), Qt::LeftButton);
    }
    QPoint Disc(int64_t n, const char* colour) const {
        for (const CTestMark& m : Discs.Marks(n))
            if (m.Colour == colour)
                return {int(m.Centre.x), int(m.Centre.y)};
        return {};
    }
    cv::Mat Picture(int64_t n) const {
        cv::Mat frame;
        Discs.Render(n, frame);
        return frame;
    }

    CTestCamera Discs{640, 480, 30.0, CTestScene::SixDiscs};
    CColoursPane* Pane = nullptr;
};

bool HasLearnt(const CTrackingParams& p) { return p.lMax > p.lMin && p.a2Max > p.a2Min; }
}  // namespace

class CColoursTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QueltaStore().clear(); }
    void addAndRemoveKeepOneToSixteenColours();
    void removingTheFirstColourMakesTheNextOneTheRecord();
    void badOrTakenNamesAreRefusedWithAMessage();
    void swatchPicksTheDisplayColour();
    void clickLearnsTheSelectedColourAndThePanelEditsIt();
    void clickDuringAPassIsLearntByTheNextOne();
    void oneColourLeavesTheStoreAsItWas();
    void severalColoursComeBackNextRunWithThePanesShown();
};

void CColoursTest::addAndRemoveKeepOneToSixteenColours() {
    CSixDiscs s;
    auto* add = s.Frame->findChild<QPushButton*>(QStringLiteral("addColour"));
    auto* remove = s.Frame->findChild<QPushButton*>(QStringLiteral("removeColour"));
    QVERIFY(add->isEnabled() && !remove->isEnabled());  // the one colour stays
    for (int n = 2; n <= 16; ++n) {
        s.Click("addColour");
        QCOMPARE(s.Colours().Count(), n);
        QCOMPARE(s.Colours().Selected(), n - 1);  // the new one, to be clicked on
    }
    QVERIFY(!add->isEnabled());
    QVERIFY(!ColourSetProblem(s.Colours().Set()));  // names unique and valid
    for (int n = 15; n >= 1; --n) {
        s.Click("removeColour");
        QCOMPARE(s.Colours().Count(), n);
    }
    QVERIFY(!remove->isEnabled());
    s.Click("removeColour");
    QCOMPARE(s.Colours().Count(), 1);
}

// The first colour's limits are the application's record, which the store, the files and the
// library's readers take as "the mark".
void CColoursTest::removingTheFirstColourMakesTheNextOneTheRecord() {
    CSixDiscs s;
    s.H.App.TrackingParams.lMin = 11;
    s.H.App.TrackingParams.VideoConfigured = true;
    s.Click("addColour");
    s.Colours().Limits(1).lMin = 77;
    s.Colours().Limits(1).MaxWidth = 99;
    s.Colours().Select(0);
    s.Click("removeColour");
    QCOMPARE(s.Colours().Count(), 1);
    QCOMPARE(s.Colours().Name(0), std::string("color2"));
    QCOMPARE(s.H.App.TrackingParams.lMin, uint8_t(77));
    QCOMPARE(s.H.App.TrackingParams.MaxWidth, 99u);
    QVERIFY(s.H.App.TrackingParams.VideoConfigured);  // the program's flag is not a colour's
}

void CColoursTest::badOrTakenNamesAreRefusedWithAMessage() {
    CSixDiscs s;
    s.Click("addColour");
    s.Pane->CommitName(1, QStringLiteral("mark"));
    s.Pane->CommitName(1, QString());
    s.Pane->CommitName(1, QStringLiteral("vermell clar"));
    QCOMPARE(s.Colours().Name(1), std::string("color2"));
    QCOMPARE(s.H.Fake->Messages.size(), size_t(3));
    QCOMPARE(s.H.Fake->Messages[0].Text, QStringLiteral("Ja hi ha un color amb aquest nom"));
    QVERIFY(s.H.Fake->Messages[1].Text.startsWith(QStringLiteral("El nom d'un color")));
    s.Pane->CommitName(1, QStringLiteral("vermell_clar"));
    QCOMPARE(s.Colours().Name(1), std::string("vermell_clar"));
    QCOMPARE(s.H.Fake->Messages.size(), size_t(3));
}

void CColoursTest::swatchPicksTheDisplayColour() {
    CSixDiscs s;
    s.Click("addColour");
    const uint32_t proposed = s.Colours().DisplayColour(1);
    QVERIFY(proposed != s.Colours().DisplayColour(0));
    s.H.Fake->ColourToPick.reset();  // cancelled
    s.Click("swatch1");
    QCOMPARE(s.Colours().DisplayColour(1), proposed);
    s.H.Fake->ColourToPick = QColor(0x12, 0x34, 0x56);
    s.Click("swatch1");
    QCOMPARE(s.Colours().DisplayColour(1), 0x123456u);
    QCOMPARE(s.Colours().DisplayColour(0), 0xFF0000u);
}

void CColoursTest::clickLearnsTheSelectedColourAndThePanelEditsIt() {
    CSixDiscs s;
    s.Click("addColour");
    QCOMPARE(s.Colours().Selected(), 1);
    s.Feed(s.Picture(0));
    QTest::mouseClick(s.View, Qt::LeftButton, {}, s.Disc(0, "green"));
    s.Paint();
    s.Feed(s.Picture(1));
    QVERIFY(HasLearnt(s.Colours().Limits(1)));
    QVERIFY(!HasLearnt(s.Colours().Limits(0)));
    s.Paint();
    s.Feed(s.Picture(2));
    QCOMPARE(s.Doc->DisplayMarks().size(), size_t(2));  // the two green discs

    s.Frame->Action(Cmd::ConfigPanel)->trigger();
    QCOMPARE(s.H.Fake->PanelParams, &s.Colours().Limits(1));
    QCOMPARE(s.H.Fake->PanelColourName, QStringLiteral("color2"));
    s.H.Fake->PanelStore();  // the panel's OK: the whole set goes to the store
    CColourSet stored;
    QVERIFY(ReadColourSet(stored));
    QCOMPARE(stored.Colours.size(), size_t(2));
    QVERIFY(stored.Colours[1].Limits.lMax == s.Colours().Limits(1).lMax);
}

// While the pass thread holds the engine the click waits in the document, and the pass after
// it learns the colour that was selected when it was made.
void CColoursTest::clickDuringAPassIsLearntByTheNextOne() {
    CSixDiscs s;
    s.Click("addColour");
    s.Feed(s.Picture(0));
    s.Paint();
    s.Doc->Pump().HandOver(s.Picture(1));
    QCoreApplication::sendPostedEvents(s.View, FrameNotifyEvent);
    QVERIFY(s.Doc->PassUnderWay());
    QTest::mouseClick(s.View, Qt::LeftButton, {}, s.Disc(1, "blue"));
    s.Colours().Select(0);  // after the click: it does not change what the click learns
    QVERIFY(s.Doc->FinishPass(10000));
    QVERIFY(s.Doc->Tracker().CalibrationRequested());
    s.Paint();
    s.Feed(s.Picture(2));
    QVERIFY(HasLearnt(s.Colours().Limits(1)));
    QVERIFY(!HasLearnt(s.Colours().Limits(0)));
}

void CColoursTest::oneColourLeavesTheStoreAsItWas() {
    {
        CSixDiscs s;
        s.H.App.TrackingParams.lMin = 5;
        s.H.App.ExitInstance(0);
    }
    QSettings store = QueltaStore();
    QCOMPARE(store.childGroups(), QStringList{QStringLiteral("Settings")});
    QCOMPARE(store.value(QStringLiteral("Settings/lMin")).toInt(), 5);
}

void CColoursTest::severalColoursComeBackNextRunWithThePanesShown() {
    {
        CSixDiscs s;
        s.Click("addColour");
        s.Pane->CommitName(1, QStringLiteral("verd"));
        s.Colours().Limits(1).a1Min = 44;
        s.H.App.ExitInstance(0);
    }
    CScriptedDoc again(false);
    CAppColours& colours = again.H.App.Colours;
    QCOMPARE(colours.Count(), 2);
    QCOMPARE(colours.Name(1), std::string("verd"));
    QCOMPARE(colours.Limits(1).a1Min, uint8_t(44));
    QVERIFY(QTest::qWaitForWindowExposed(again.Frame));
    QVERIFY(again.Frame->ColoursDock()->isVisible() && again.Frame->MarksDock()->isVisible());
}

QUELTA_REGISTER_TEST(CColoursTest);
#include "ColoursTest.moc"
