// Start-up and end of the application object: source choice, the store, the command line.
#include "Helpers.h"
#include "SettingsFile.h"
#include "SettingsStore.h"
#include "TestRegistry.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class CStartupTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QSettings(QStringLiteral("Orda"), QStringLiteral("Quelta")).clear(); }
    void firstStartAsksAndRemembersConfigured();
    void laterStartUsesRememberedSourceWithoutAsking();
    void noSourceLeavesVideoConfiguredFalse();
    void rememberedSourceGoneAsksAgainNextTime();
    void exitWritesCurrentParameters();
    void settingsFileOnCommandLineIsLoaded();
    void badSettingsFileOnCommandLineShowsLoadError();
    void startedWindowIsShownAndLive();
};

namespace {
CTrackingParams Stored() {
    CTrackingParams p;
    ReadRegistry(p);
    return p;
}
}  // namespace

void CStartupTest::firstStartAsksAndRemembersConfigured() {
    CAppHarness h;
    h.Fake->SourceToGive = CImageSource::Open("testcam");
    QVERIFY(h.App.InitInstance({QStringLiteral("quelta")}));
    QCOMPARE(h.Fake->FindCalls, std::vector<bool>{true});
    QVERIFY(Stored().VideoConfigured);
    h.App.ExitInstance(0);
}

void CStartupTest::laterStartUsesRememberedSourceWithoutAsking() {
    CTrackingParams configured;
    configured.VideoConfigured = true;
    WriteRegistry(configured);
    CAppHarness h;
    h.Fake->SourceToGive = CImageSource::Open("testcam");
    QVERIFY(h.App.InitInstance({QStringLiteral("quelta")}));
    QCOMPARE(h.Fake->FindCalls, std::vector<bool>{false});
    h.App.ExitInstance(0);
}

// A cancelled first choice used to leave the flag set, and the program could then never start
// again without editing the store.
void CStartupTest::noSourceLeavesVideoConfiguredFalse() {
    {
        CAppHarness h;
        QVERIFY(!h.App.InitInstance({QStringLiteral("quelta")}));
        QCOMPARE(h.Fake->Messages.size(), size_t(1));
        QCOMPARE(h.Fake->Messages[0].Text, QStringLiteral("Error:  No image source found"));
        QVERIFY(h.App.MainFrame() == nullptr);
        QCOMPARE(h.App.ExitInstance(1), 1);
    }
    QVERIFY(!Stored().VideoConfigured);
    CAppHarness next;
    next.App.InitInstance({QStringLiteral("quelta")});
    QCOMPARE(next.Fake->FindCalls, std::vector<bool>{true});  // asks again
}

void CStartupTest::rememberedSourceGoneAsksAgainNextTime() {
    CTrackingParams configured;
    configured.VideoConfigured = true;
    WriteRegistry(configured);
    {
        CAppHarness h;  // the remembered device is not there
        QVERIFY(!h.App.InitInstance({QStringLiteral("quelta")}));
        h.App.ExitInstance(1);
    }
    QVERIFY(!Stored().VideoConfigured);
}

void CStartupTest::exitWritesCurrentParameters() {
    CAppHarness h;
    h.Fake->SourceToGive = CImageSource::Open("testcam");
    QVERIFY(h.App.InitInstance({QStringLiteral("quelta")}));
    h.App.TrackingParams.lMin = 77;  // e.g. learnt by a click
    h.App.TrackingParams.MinARatio = 33;
    h.App.ExitInstance(0);
    QCOMPARE(Stored().lMin, uint8_t(77));
    QCOMPARE(Stored().MinARatio, 33u);
}

// A file named on the command line used to be handed to the document, which read nothing.
void CStartupTest::settingsFileOnCommandLineIsLoaded() {
    QTemporaryDir dir;
    CTrackingParams file;
    file.a1Min = 21;
    file.MaxWidth = 300;
    const QString path = dir.filePath(QStringLiteral("m.QTA"));
    QVERIFY(SaveSettingsFile(file, path.toStdString()));
    CAppHarness h;
    h.Fake->SourceToGive = CImageSource::Open("testcam");
    QVERIFY(h.App.InitInstance({QStringLiteral("quelta"), path}));
    QCOMPARE(h.App.TrackingParams.a1Min, uint8_t(21));
    QCOMPARE(h.App.TrackingParams.MaxWidth, 300u);
    QVERIFY(h.Fake->Messages.empty());
    QVERIFY(h.App.DocTemplate()->Document()->Pump().IsRunning());
    h.App.ExitInstance(0);
}

void CStartupTest::badSettingsFileOnCommandLineShowsLoadError() {
    CAppHarness h;
    h.Fake->SourceToGive = CImageSource::Open("testcam");
    QVERIFY(h.App.InitInstance({QStringLiteral("quelta"), QStringLiteral("/no/such/file.qta")}));
    QCOMPARE(h.Fake->Messages.size(), size_t(1));
    QCOMPARE(h.Fake->Messages[0].Text, QStringLiteral("Error intentant carregar els ajustos"));
    QVERIFY(h.App.MainFrame()->isVisible());
    h.App.ExitInstance(0);
}

void CStartupTest::startedWindowIsShownAndLive() {
    CAppHarness h;
    h.Fake->SourceToGive = CImageSource::Open("testcam");
    QVERIFY(h.App.InitInstance({QStringLiteral("quelta")}));
    CMainFrame* frame = h.App.MainFrame();
    QVERIFY(frame->isVisible());
    QCOMPARE(frame->windowTitle(), QStringLiteral(" Quelta"));
    CQueltaDoc* doc = h.App.DocTemplate()->Document();
    QVERIFY(ProcessUntil([doc] { return doc->PassCount() > 0; }));
    QCOMPARE(doc->Title(), QStringLiteral("Untitled (Live Video)"));
    QCOMPARE(frame->windowTitle(), QStringLiteral(" Quelta"));
    h.App.ExitInstance(0);
    QVERIFY(h.App.MainFrame() == nullptr);
}

QUELTA_REGISTER_TEST(CStartupTest);
#include "StartupTest.moc"
