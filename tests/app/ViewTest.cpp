// The video view: mouse calibration, window sizing, its two commands.
#include "Helpers.h"
#include "SettingsStore.h"
#include "TestRegistry.h"

#include <QMouseEvent>
#include <QSettings>
#include <QTest>

class CViewTest : public QObject {
    Q_OBJECT
private slots:
    void clickOnMarkCalibratesAndOutlinesIt();
    void mouseMoveOnlyMovesThePoint();
    void clickAtTopLeftStillRequestsCalibration();
    void windowFitsSourceFrameSizeAtStart();
    void windowFits320x240WithoutDevice();
    void newDocumentRefitsToDisplayedFrame();
    void paintShowsFrameUnscaledAtOrigin();
    void changeDeviceClearsFlagInStoreEveryTime();
    void configPanelEditsTheAppRecord();
};

namespace {
int64_t FrameWithMarkInView(const CTestCamera& camera) {
    for (int64_t n = 0; n < 1000; ++n)
        if (camera.MarkFullyInView(n) && camera.MarkFullyInView(n + 1))
            return n;
    return -1;
}
}  // namespace

void CViewTest::clickOnMarkCalibratesAndOutlinesIt() {
    CScriptedDoc s;
    QVERIFY(QTest::qWaitForWindowExposed(s.Frame));
    const int64_t n = FrameWithMarkInView(s.Camera);
    QVERIFY(n >= 0);
    s.Feed(s.Render(n));
    s.Paint();
    const cv::Point2f centre = *s.Camera.MarkCentre(n + 1);
    const float r = s.Camera.MarkRadius();
    const cv::Rect around(int(centre.x - 2 * r), int(centre.y - 2 * r), int(4 * r), int(4 * r));
    QCOMPARE(CountRed(s.Displayed(), around), 0);  // defaults accept no colour

    QTest::mouseClick(s.View, Qt::LeftButton, {}, QPoint(int(centre.x), int(centre.y)));
    s.Feed(s.Render(n + 1));
    const CTrackingParams& p = s.H.App.TrackingParams;
    QVERIFY(p.lMax > p.lMin && p.a1Max > p.a1Min && p.a2Max > p.a2Min);
    QVERIFY2(CountRed(s.Displayed(), around) > int(4 * r), "no red outline around the mark");
}

void CViewTest::mouseMoveOnlyMovesThePoint() {
    CScriptedDoc s;
    const CTrackingParams before = s.H.App.TrackingParams;
    QTest::mouseMove(s.View, QPoint(100, 60));
    QVERIFY(!s.Doc->Tracker().CalibrationRequested());
    s.Feed(s.Render(1));
    const auto window = s.Doc->Tracker().LastWindow();
    QVERIFY(window.has_value());
    QCOMPARE(window->Left, 95);
    QCOMPARE(window->Top, 55);
    QVERIFY(s.H.App.TrackingParams == before);  // nothing learnt
}

void CViewTest::clickAtTopLeftStillRequestsCalibration() {
    CScriptedDoc s;
    QVERIFY(QTest::qWaitForWindowExposed(s.Frame));
    // QTest takes a null point for the widget's centre: send the presses directly.
    auto press = [&s](Qt::MouseButton button) {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(0, 0),
                          s.View->mapToGlobal(QPointF(0, 0)), button, button, Qt::NoModifier);
        QCoreApplication::sendEvent(s.View, &event);
    };
    press(Qt::RightButton);
    QVERIFY(!s.Doc->Tracker().CalibrationRequested());  // only the left button asks
    press(Qt::LeftButton);
    QVERIFY(s.Doc->Tracker().CalibrationRequested());
    s.Feed(s.Render(1));
    QVERIFY(s.Doc->Tracker().CalibrationRequested());  // (0, 0) is no point: it waits
}

void CViewTest::windowFitsSourceFrameSizeAtStart() {
    CAppHarness h;
    h.App.CaptureSource = CImageSource::Open("testcam");
    QVERIFY(h.App.StartDocument({QStringLiteral("quelta")}));
    QVERIFY(QTest::qWaitForWindowExposed(h.App.MainFrame()));
    QCOMPARE(h.App.DocTemplate()->View()->size(), QSize(640, 480));
}

void CViewTest::windowFits320x240WithoutDevice() {
    CScriptedDoc s(false);
    QVERIFY(QTest::qWaitForWindowExposed(s.Frame));
    QCOMPARE(s.View->size(), QSize(320, 240));
}

void CViewTest::newDocumentRefitsToDisplayedFrame() {
    CScriptedDoc s;
    CTestCamera big(800, 600, 30.0);
    cv::Mat frame;
    big.Render(1, frame);
    s.Feed(frame);
    s.Frame->Action(Cmd::FileNew)->trigger();
    QCOMPARE(s.View->size(), QSize(800, 600));
}

void CViewTest::paintShowsFrameUnscaledAtOrigin() {
    CScriptedDoc s;
    QVERIFY(QTest::qWaitForWindowExposed(s.Frame));
    cv::Mat frame(240, 320, CV_8UC4, cv::Scalar(10, 20, 30, 255));
    frame.at<cv::Vec4b>(0, 0) = cv::Vec4b(200, 100, 50, 255);
    frame.at<cv::Vec4b>(239, 319) = cv::Vec4b(1, 2, 3, 255);
    s.Feed(frame);
    const QImage shot = s.View->grab().toImage();
    QCOMPARE(shot.pixel(0, 0), qRgb(50, 100, 200));
    QCOMPARE(shot.pixel(319, 239), qRgb(3, 2, 1));
    QCOMPARE(shot.pixel(160, 120), qRgb(30, 20, 10));
}

void CViewTest::changeDeviceClearsFlagInStoreEveryTime() {
    CScriptedDoc s(false);
    for (int round = 0; round < 2; ++round) {
        s.H.App.TrackingParams.VideoConfigured = true;
        WriteRegistry(s.H.App.TrackingParams);
        s.Frame->Action(Cmd::ChangeDevice)->trigger();
        CTrackingParams stored;
        stored.VideoConfigured = true;
        QVERIFY(ReadRegistry(stored));
        QVERIFY(!stored.VideoConfigured);
        QCOMPARE(s.H.Fake->Messages.size(), size_t(round + 1));
        const auto& shown = s.H.Fake->Messages.back();
        QCOMPARE(shown.Text, QStringLiteral("Per completar el canvi cal reiniciar l'aplicació"));
        QCOMPARE(shown.Caption, QStringLiteral("Informació"));
        QCOMPARE(shown.Owner, static_cast<QWidget*>(s.View));
    }
}

void CViewTest::configPanelEditsTheAppRecord() {
    CScriptedDoc s(false);
    s.Frame->Action(Cmd::ConfigPanel)->trigger();
    QCOMPARE(s.H.Fake->PanelParams, &s.H.App.TrackingParams);
    QCOMPARE(s.H.Fake->PanelOwner, static_cast<QWidget*>(s.Frame));
}

QUELTA_REGISTER_TEST(CViewTest);
#include "ViewTest.moc"
