// The live document's pipeline: notification, pass, hand-over, paint, and the pump's states.
#include "Helpers.h"
#include "TestRegistry.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <opencv2/core.hpp>

class CDocPipelineTest : public QObject {
    Q_OBJECT
private slots:
    void notificationsQueuedBeforePauseAreDropped();
    void twoNotificationsBeforePaintTrackOnce();
    void sameFrameIsNeverTrackedTwiceAfterPaint();
    void pane1KeepsCountingWithoutPaint();
    void titleBecomesUntitledLiveVideoWithFirstFrame();
    void noNotificationWithoutTarget();
    void framesHandedOverWhileOneWaitsPostNoMore();
    void closingWhileLivePausesThenEndsWorker();
    void liveTestCameraReachesBothPanes();
};

void CDocPipelineTest::notificationsQueuedBeforePauseAreDropped() {
    CScriptedDoc s;
    for (int n = 0; n < 3; ++n) {
        s.Feed(s.Render(n));
        s.Paint();
    }
    const cv::Mat before = s.Displayed();
    const QString pane1 = s.Frame->RatePane(1)->text();
    const uint64_t passes = s.Doc->PassCount();
    QVERIFY(!pane1.isEmpty());

    s.Doc->Pump().HandOver(s.Render(10));  // notification queued ...
    s.Doc->OnLiveVideo();                  // ... then paused
    QVERIFY(!s.Doc->Pump().IsRunning());
    s.Deliver();

    QCOMPARE(s.Doc->PassCount(), passes);
    QCOMPARE(s.Displayed().data, before.data);
    QCOMPARE(s.Frame->RatePane(1)->text(), pane1);
}

void CDocPipelineTest::twoNotificationsBeforePaintTrackOnce() {
    CScriptedDoc s;
    const cv::Mat first = s.Render(1);
    const cv::Mat second = s.Render(2);
    s.Doc->Pump().HandOver(first);
    s.Doc->Pump().HandOver(second);
    s.Deliver();
    QCOMPARE(s.Doc->PassCount(), uint64_t(1));
    QCOMPARE(s.Displayed().data, second.data);  // the newest frame, not a copy

    s.Feed(s.Render(3));  // no paint in between: only retitle, pane 1, invalidate
    QCOMPARE(s.Doc->PassCount(), uint64_t(1));
    QCOMPARE(s.Displayed().data, second.data);
}

// A pass draws into the frame's pixels; a second pass on the same frame would classify (and
// calibrate on) its own outlines.
void CDocPipelineTest::sameFrameIsNeverTrackedTwiceAfterPaint() {
    CScriptedDoc s;
    s.Frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.Frame));  // else repaint() paints nothing
    s.Feed(s.Render(1));
    s.Paint();
    const cv::Mat shown = s.Displayed().clone();
    s.Doc->SetTitle(QString());
    QCoreApplication::postEvent(s.View, new QEvent(FrameNotifyEvent));  // nothing newer
    s.Deliver();
    QCOMPARE(s.Doc->PassCount(), uint64_t(1));
    QVERIFY(cv::norm(s.Displayed(), shown, cv::NORM_INF) == 0);  // nothing drawn twice
    // The rest of the notification still happens.
    QCOMPARE(s.Doc->Title(), QStringLiteral("Untitled (Live Video)"));
}

void CDocPipelineTest::pane1KeepsCountingWithoutPaint() {
    CScriptedDoc s;
    s.Feed(s.Render(1));
    QStringList texts;
    for (int n = 2; n < 6; ++n) {
        QThread::msleep(5);
        s.Feed(s.Render(n));
        texts << s.Frame->RatePane(1)->text();
    }
    QCOMPARE(s.Doc->PassCount(), uint64_t(1));
    for (const QString& text : texts)
        QVERIFY2(text.endsWith(QStringLiteral(" fps")), qPrintable(text));
}

void CDocPipelineTest::titleBecomesUntitledLiveVideoWithFirstFrame() {
    CScriptedDoc s;
    s.Doc->SetPathName(QStringLiteral("/tmp/x.qta"));
    QVERIFY(s.Doc->Title().isEmpty());
    s.Feed(s.Render(1));
    QCOMPARE(s.Doc->Title(), QStringLiteral("Untitled (Live Video)"));
    QVERIFY(s.Doc->PathName().isEmpty());
    QCOMPARE(s.Frame->windowTitle(), QStringLiteral(" Quelta"));
}

void CDocPipelineTest::noNotificationWithoutTarget() {
    CScriptedDoc s;
    s.Doc->Pump().SetTargetWindow(nullptr);
    s.Feed(s.Render(1));
    QCOMPARE(s.Doc->PassCount(), uint64_t(0));
    s.View->OnInitialUpdate();  // the view becomes the target again
    s.Feed(s.Render(2));
    QCOMPARE(s.Doc->PassCount(), uint64_t(1));
}

// Pixels never queue, and neither do notifications: while one waits to be handled, new frames
// only replace LatestFrame.
void CDocPipelineTest::framesHandedOverWhileOneWaitsPostNoMore() {
    CScriptedDoc s;
    int posted = 0;
    CEventCounter counter(s.View, FrameNotifyEvent, posted);
    for (int n = 0; n < 5; ++n)
        s.Doc->Pump().HandOver(s.Render(n));
    s.Deliver();
    QCOMPARE(posted, 1);
    s.Feed(s.Render(5));
    QCOMPARE(posted, 2);
    QCOMPARE(s.Doc->PassCount(), uint64_t(1));  // frame 4, the newest of the five
}

// Real camera, real worker: closing must pause first, then end the worker (which may be
// blocked waiting for a frame) and never post to the view that is going away.
void CDocPipelineTest::closingWhileLivePausesThenEndsWorker() {
    CAppHarness h;
    h.App.CaptureSource = CImageSource::Open("testcam");
    QVERIFY(h.App.CaptureSource.HasDevice());
    QVERIFY(h.App.StartDocument({QStringLiteral("quelta")}));
    CQueltaDoc* doc = h.App.DocTemplate()->Document();
    QVERIFY(doc->Pump().IsRunning());
    QVERIFY(ProcessUntil([doc] { return doc->PassCount() >= 3; }));

    QStringList order;
    connect(doc, &CQueltaDoc::CommandStateChanged, this,
            [&order, doc] { order << (doc->Pump().IsRunning() ? "run" : "pause"); });
    connect(doc, &QObject::destroyed, this, [&order] { order << "destroyed"; });
    h.App.MainFrame()->close();
    QCOMPARE(order, QStringList({"pause", "destroyed"}));
    QVERIFY(h.App.DocTemplate()->Document() == nullptr);
    QTest::qWait(150);  // late notifications would land on a dead view here
}

void CDocPipelineTest::liveTestCameraReachesBothPanes() {
    CAppHarness h;
    h.App.CaptureSource = CImageSource::Open("testcam");
    QVERIFY(h.App.StartDocument({QStringLiteral("quelta")}));
    CMainFrame* frame = h.App.MainFrame();
    QCOMPARE(frame->RatePane(1)->text(), QStringLiteral("00.00 fps"));
    QVERIFY(ProcessUntil([frame] {
        return frame->RatePane(1)->text() != QStringLiteral("00.00 fps") &&
               frame->RatePane(2)->text() != QStringLiteral("00.00 fps") &&
               !frame->RatePane(1)->text().isEmpty() && !frame->RatePane(2)->text().isEmpty();
    }));
    QVERIFY(frame->RatePane(1)->text().endsWith(QStringLiteral(" fps")));
    QVERIFY(frame->RatePane(2)->text().endsWith(QStringLiteral(" fps")));
}

QUELTA_REGISTER_TEST(CDocPipelineTest);
#include "DocPipelineTest.moc"
