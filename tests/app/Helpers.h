#pragma once
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

// Processes events until `done` holds or the time runs out; the result tells which.
inline bool ProcessUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

#include "CommandIds.h"
#include "DocTemplate.h"
#include "FakePrompts.h"
#include "MainFrame.h"
#include "QueltaDoc.h"
#include "QueltaView.h"
#include "TestCamera.h"

// The document, window and view on an application without a capture device: frames are
// fed by hand through the pump's hand-over, as its worker would.
struct CScriptedDoc {
    explicit CScriptedDoc(bool runPump = true) {
        H.App.StartDocument({QStringLiteral("quelta")});
        Doc = H.App.DocTemplate()->Document();
        Frame = H.App.MainFrame();
        View = H.App.DocTemplate()->View();
        if (runPump)
            Doc->OnLiveVideo();
    }
    // Hands a frame over and delivers the notifications waiting for the view, and the end of
    // the pass they started.
    void Feed(const cv::Mat& frame) {
        Doc->Pump().HandOver(frame);
        Deliver();
    }
    void Deliver() {
        QCoreApplication::sendPostedEvents(View, FrameNotifyEvent);
        if (!Doc->FinishPass(10000))
            qFatal("the tracking pass did not end within 10 s");
    }
    void Paint() { View->repaint(); }
    cv::Mat Displayed() const {
        auto lock = Doc->EnterFrameLock();
        return Doc->GetDisplayFrame();
    }
    cv::Mat Render(int64_t n) const {
        cv::Mat frame;
        Camera.Render(n, frame);
        return frame;
    }

    CAppHarness H;
    CQueltaDoc* Doc = nullptr;
    CMainFrame* Frame = nullptr;
    CQueltaView* View = nullptr;
    CTestCamera Camera{320, 240, 30.0};
};

// Counts the events of one type that reach `target`, for as long as it lives.
class CEventCounter : public QObject {
public:
    CEventCounter(QObject* target, QEvent::Type type, int& count)
        : Target(target), Type(type), Count(count) {
        target->installEventFilter(this);
    }
    ~CEventCounter() override { Target->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        Count += watched == Target && event->type() == Type;
        return false;
    }

private:
    QObject* Target;
    QEvent::Type Type;
    int& Count;
};

// Pixels of a B,G,R,A frame that are exactly the outline's red.
inline int CountRed(const cv::Mat& frame, cv::Rect area) {
    area &= cv::Rect(0, 0, frame.cols, frame.rows);
    int count = 0;
    for (int y = area.y; y < area.y + area.height; ++y)
        for (int x = area.x; x < area.x + area.width; ++x) {
            const auto* p = frame.ptr<uint8_t>(y) + 4 * x;
            count += p[0] == 0 && p[1] == 0 && p[2] == 255;
        }
    return count;
}
