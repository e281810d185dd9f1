// Runs the live document and view offscreen on the 640x480, 30 fps test camera and measures
// the user-interface thread's time per frame: the frame notifications, the tracking pass, the
// hand-over to the display frame and the paint (with the status-bar panes it updates).
//   quelta-ui-bench [seconds] [source]      defaults: 10 testcam
#include "DocTemplate.h"
#include "MainFrame.h"
#include "QueltaApp.h"
#include "QueltaDoc.h"
#include "QueltaView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {
// Times every event of interest delivered at the outermost level of the event loop.
class CTimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        if (Depth > 0 || !Watched(receiver, event->type()))
            return Deliver(receiver, event);
        const auto start = std::chrono::steady_clock::now();
        const bool result = Deliver(receiver, event);
        Bucket += std::chrono::steady_clock::now() - start;
        if (Doc && Doc->PassCount() != LastPasses) {  // a new frame was tracked
            LastPasses = Doc->PassCount();
            Frames.push_back(std::chrono::duration<double, std::milli>(Bucket).count());
            Bucket = {};
        }
        return result;
    }

    CQueltaDoc* Doc = nullptr;
    QWidget* View = nullptr;
    QWidget* Frame = nullptr;
    std::vector<double> Frames;  // ms of UI work per tracked frame
    uint64_t Notifications = 0;

private:
    bool Deliver(QObject* receiver, QEvent* event) {
        ++Depth;
        const bool result = QApplication::notify(receiver, event);
        --Depth;
        return result;
    }
    bool Watched(QObject* receiver, QEvent::Type type) {
        if (!View)
            return false;
        if (receiver == View && type == FrameNotifyEvent) {
            ++Notifications;
            return true;
        }
        const bool window =
            receiver == Frame || receiver == static_cast<QObject*>(Frame->windowHandle());
        return (window && type == QEvent::UpdateRequest) ||
               ((receiver == View || window) && type == QEvent::Paint);
    }

    int Depth = 0;
    uint64_t LastPasses = 0;
    std::chrono::steady_clock::duration Bucket{};
};

double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}
}  // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir config;  // never the user's settings
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    CTimedApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(2, atoi(argv[1])) : 10;
    const std::string sourceName = argc > 2 ? argv[2] : "testcam";

    CQueltaApp quelta;
    quelta.CaptureSource = CImageSource::Open(sourceName);
    if (!quelta.CaptureSource.HasDevice()) {
        std::fprintf(stderr, "no source %s\n", sourceName.c_str());
        return 1;
    }
    if (!quelta.StartDocument({QStringLiteral("quelta")}))
        return 1;
    // A blob to outline: bounds that accept the test camera's mark.
    quelta.TrackingParams.lMin = 40;
    quelta.TrackingParams.lMax = 140;
    quelta.TrackingParams.a1Min = 70;
    quelta.TrackingParams.a1Max = 120;
    quelta.TrackingParams.a2Min = 190;
    quelta.TrackingParams.a2Max = 255;
    app.Doc = quelta.DocTemplate()->Document();
    app.View = quelta.DocTemplate()->View();
    app.Frame = quelta.MainFrame();

    // Pane 1 once a second after a two-second warm-up.
    std::vector<double> pane1, pane2;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        CMainFrame* frame = quelta.MainFrame();
        if (!frame)
            return;
        auto read = [&](int pane) {
            return frame->RatePane(pane)->text().split(u' ').first().toDouble();
        };
        pane1.push_back(read(1));
        pane2.push_back(read(2));
    });
    QTimer::singleShot(2000, [&] {
        app.Frames.clear();
        app.Notifications = 0;
        sampler.start(1000);
    });
    // Measuring ends before quit() starts closing the windows: the sampler and the event
    // filter must never reach a frame window that is already gone.
    QTimer::singleShot(2000 + seconds * 1000, [&] {
        sampler.stop();
        app.View = nullptr;
        app.Frame = nullptr;
        QCoreApplication::quit();
    });
    app.exec();

    const auto& f = app.Frames;
    std::printf("source %s, %d s measured, %zu frames tracked, %llu notifications\n",
                sourceName.c_str(), seconds, f.size(), (unsigned long long)app.Notifications);
    std::printf("UI thread per tracked frame (notification + pass + hand-over + paint), ms:\n");
    std::printf("  median %.3f  p90 %.3f  p99 %.3f  max %.3f\n", Percentile(f, 0.5),
                Percentile(f, 0.9), Percentile(f, 0.99), Percentile(f, 1.0));
    if (!pane1.empty())
        std::printf("pane 1 (processing rate) read each second: min %.2f  max %.2f fps\n",
                    *std::min_element(pane1.begin(), pane1.end()),
                    *std::max_element(pane1.begin(), pane1.end()));
    if (!pane2.empty())
        std::printf("pane 2 (display rate) read each second: min %.2f  max %.2f fps\n",
                    *std::min_element(pane2.begin(), pane2.end()),
                    *std::max_element(pane2.begin(), pane2.end()));
    std::printf("target: median <= 2 ms: %s\n", Percentile(f, 0.5) <= 2.0 ? "met" : "NOT met");
    app.Doc = nullptr;
    app.View = nullptr;
    app.Frame = nullptr;
    quelta.ExitInstance(0);
    return 0;
}
