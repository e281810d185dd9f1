// The document's and the application's commands, and their enabled and checked states.
#include "Helpers.h"
#include "SettingsFile.h"
#include "TestRegistry.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

class CCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void liveVideoCheckedExactlyWhilePumpRuns();
    void deviceCommandsDisabledWithoutSource();
    void deviceCommandsFollowTheDialogsOffered();
    void deviceDialogWhileLivePausesAndResumes();
    void deviceDialogWhilePausedStaysPaused();
    void openLoadsSettingsFile();
    void openFailureShowsLoadErrorAndKeepsValues();
    void cancelledFileDialogsChangeNothing();
    void saveFailureShowsSaveError();
    void bothSaveCommandsAskForANameEveryTime();
    void aboutAndViewToggles();
    void newDocumentRestartsPausedLiveVideo();
};

namespace {
struct CLiveDoc {
    CLiveDoc() {
        H.App.CaptureSource = CImageSource::Open("testcam");
        H.App.StartDocument({QStringLiteral("quelta")});
        Doc = H.App.DocTemplate()->Document();
        Frame = H.App.MainFrame();
    }
    CAppHarness H;
    CQueltaDoc* Doc;
    CMainFrame* Frame;
};
}  // namespace

void CCommandsTest::liveVideoCheckedExactlyWhilePumpRuns() {
    CLiveDoc d;
    QAction* live = d.Frame->Action(Cmd::LiveVideo);
    QVERIFY(live->isEnabled());
    QVERIFY(d.Doc->Pump().IsRunning());
    QVERIFY(live->isChecked());
    live->trigger();
    QVERIFY(!d.Doc->Pump().IsRunning());
    QVERIFY(!live->isChecked());
    live->trigger();
    QVERIFY(d.Doc->Pump().IsRunning());
    QVERIFY(live->isChecked());
}

void CCommandsTest::deviceCommandsDisabledWithoutSource() {
    CScriptedDoc s(false);
    for (int id : {Cmd::LiveVideo, Cmd::FormatDialog, Cmd::SourceDialog, Cmd::DisplayDialog})
        QVERIFY2(!s.Frame->Action(id)->isEnabled(), qPrintable(QString::number(id)));
    for (int id : {Cmd::FileOpen, Cmd::FileSaveAs, Cmd::FileSave, Cmd::ConfigPanel})
        QVERIFY(s.Frame->Action(id)->isEnabled());
}

void CCommandsTest::deviceCommandsFollowTheDialogsOffered() {
    CLiveDoc d;
    const CImageSource& source = d.H.App.CaptureSource;
    const std::pair<int, int> commands[] = {{Cmd::FormatDialog, FormatDialog},
                                            {Cmd::SourceDialog, SourceDialog},
                                            {Cmd::DisplayDialog, DisplayDialog}};
    for (const auto& [id, dialog] : commands)
        QCOMPARE(d.Frame->Action(id)->isEnabled(), source.HasDialog(dialog) == 0);
}

void CCommandsTest::deviceDialogWhileLivePausesAndResumes() {
    CLiveDoc d;
    bool runningDuring = true;
    d.H.Fake->DuringDialog = [&] { runningDuring = d.Doc->Pump().IsRunning(); };
    d.Doc->OnDeviceDialog(SourceDialog);
    QCOMPARE(d.H.Fake->DialogsShown, std::vector<int>{SourceDialog});
    QVERIFY(!runningDuring);
    QVERIFY(d.Doc->Pump().IsRunning());
    QVERIFY(d.Frame->Action(Cmd::LiveVideo)->isChecked());
}

void CCommandsTest::deviceDialogWhilePausedStaysPaused() {
    CLiveDoc d;
    d.Doc->OnLiveVideo();
    d.Doc->OnDeviceDialog(FormatDialog);
    QCOMPARE(d.H.Fake->DialogsShown.size(), size_t(1));
    QVERIFY(!d.Doc->Pump().IsRunning());
}

void CCommandsTest::openLoadsSettingsFile() {
    CScriptedDoc s(false);
    QTemporaryDir dir;
    CTrackingParams wanted;
    wanted.lMin = 11;
    wanted.a2Max = 99;
    wanted.MinWidth = 7;
    const QString path = dir.filePath(QStringLiteral("a.qta"));
    QVERIFY(SaveSettingsFile(wanted, path.toStdString()));
    s.H.Fake->NextFileName = path;
    s.Frame->Action(Cmd::FileOpen)->trigger();
    QCOMPARE(s.H.Fake->Titles, QStringList{QStringLiteral("Obrir fitxer d'ajustos")});
    QCOMPARE(s.H.App.TrackingParams.lMin, uint8_t(11));
    QCOMPARE(s.H.App.TrackingParams.a2Max, uint8_t(99));
    QCOMPARE(s.H.App.TrackingParams.MinWidth, 7u);
    QVERIFY(s.H.Fake->Messages.empty());
}

void CCommandsTest::openFailureShowsLoadErrorAndKeepsValues() {
    CScriptedDoc s(false);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.qta"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("QTA 2\r\n");
    file.close();
    s.H.App.TrackingParams.lMin = 42;
    const CTrackingParams before = s.H.App.TrackingParams;
    s.H.Fake->NextFileName = path;
    s.Frame->Action(Cmd::FileOpen)->trigger();
    QVERIFY(s.H.App.TrackingParams == before);
    QCOMPARE(s.H.Fake->Messages.size(), size_t(1));
    QCOMPARE(s.H.Fake->Messages[0].Text, QStringLiteral("Error intentant carregar els ajustos"));
    QCOMPARE(s.H.Fake->Messages[0].Owner, nullptr);
}

void CCommandsTest::cancelledFileDialogsChangeNothing() {
    CScriptedDoc s(false);
    const CTrackingParams before = s.H.App.TrackingParams;
    s.H.Fake->NextFileName.clear();
    for (int id : {Cmd::FileOpen, Cmd::FileSaveAs, Cmd::FileSave})
        s.Frame->Action(id)->trigger();
    QCOMPARE(s.H.Fake->Titles.size(), 3);
    QVERIFY(s.H.Fake->Messages.empty());
    QVERIFY(s.H.App.TrackingParams == before);
}

void CCommandsTest::saveFailureShowsSaveError() {
    CScriptedDoc s(false);
    s.H.Fake->NextFileName = QStringLiteral("/nonexistent-folder/x/ajustos.qta");
    s.Frame->Action(Cmd::FileSaveAs)->trigger();
    QCOMPARE(s.H.Fake->Titles, QStringList{QStringLiteral("Guardar ajustos actuals")});
    QCOMPARE(s.H.Fake->Messages.size(), size_t(1));
    QCOMPARE(s.H.Fake->Messages[0].Text, QStringLiteral("Error intentant guardar ajustos"));
}

void CCommandsTest::bothSaveCommandsAskForANameEveryTime() {
    CScriptedDoc s(false);
    QVERIFY(QTest::qWaitForWindowActive(s.Frame));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.qta"));
    s.H.Fake->NextFileName = path;
    s.H.App.TrackingParams.MaxHeight = 222;
    QTest::keyClick(s.Frame, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(s.Frame, Qt::Key_S, Qt::ControlModifier);
    s.Frame->Action(Cmd::FileSaveAs)->trigger();
    QCOMPARE(s.H.Fake->Titles.size(), 3);
    CTrackingParams loaded;
    QVERIFY(LoadSettingsFile(loaded, path.toStdString()));
    QCOMPARE(loaded.MaxHeight, 222u);
}

void CCommandsTest::aboutAndViewToggles() {
    CScriptedDoc s(false);
    QVERIFY(QTest::qWaitForWindowExposed(s.Frame));
    s.Frame->Action(Cmd::AppAbout)->trigger();
    QCOMPARE(s.H.Fake->AboutRuns, 1);

    QAction* tools = s.Frame->Action(Cmd::ViewToolBar);
    QAction* status = s.Frame->Action(Cmd::ViewStatusBar);
    QVERIFY(tools->isChecked() && status->isChecked());
    tools->trigger();
    QVERIFY(!s.Frame->ToolBar()->isVisible());
    QVERIFY(!tools->isChecked());
    status->trigger();
    QVERIFY(!s.Frame->statusBar()->isVisible());
    s.Frame->ShowFrameRate(12.5, false);  // still written while hidden
    status->trigger();
    QVERIFY(s.Frame->statusBar()->isVisible());
    QCOMPARE(s.Frame->RatePane(1)->text(), QStringLiteral("12.50 fps"));
    tools->trigger();
    QVERIFY(s.Frame->ToolBar()->isVisible());
}

void CCommandsTest::newDocumentRestartsPausedLiveVideo() {
    CLiveDoc d;
    d.Doc->OnLiveVideo();
    QVERIFY(!d.Doc->Pump().IsRunning());
    d.Frame->Action(Cmd::FileNew)->trigger();
    QVERIFY(d.Doc->Pump().IsRunning());
    QVERIFY(d.Frame->Action(Cmd::LiveVideo)->isChecked());
    QCOMPARE(d.H.App.DocTemplate()->Document(), d.Doc);  // still the one document
}

QUELTA_REGISTER_TEST(CCommandsTest);
#include "CommandsTest.moc"
