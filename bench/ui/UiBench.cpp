// Runs the live document, the view and the panes offscreen and measures the user-interface
// thread's time per tracked frame: every event it handles (frame notifications, the end of each
// pass, paints, the panes' refreshes), outside the tracking pass, which has a thread of its own.
//   quelta-ui-bench [seconds] [scene]      defaults: 10, both scenes
// Scenes: a capture source name (e.g. testcam: one colour, the program as most use it), or
// colours16: 16 colours with 64 marks on 1920x1080 frames at 30 fps, both panes shown.
#include "ColourScene.h"
#include "DocTemplate.h"
#include "MainFrame.h"
#include "QueltaApp.h"
#include "QueltaDoc.h"
#include "QueltaView.h"

#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Times every event delivered at the outermost level of the event loop, but the bench's own
// timers, and adds them up per tracked frame: the time that passes (what the user waits for,
// including whatever other threads and programs take of the processors meanwhile) and the
// thread's own processor time.
class CTimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        if (Depth > 0 || !Doc || Ignored.count(receiver))
            return Deliver(receiver, event);
        const double cpu = ThreadCpuMs();
        const auto start = std::chrono::steady_clock::now();
        const bool result = Deliver(receiver, event);
        Bucket += std::chrono::steady_clock::now() - start;
        CpuBucket += ThreadCpuMs() - cpu;
        if (Doc->PassCount() != LastPasses) {  // a tracked frame was taken
            LastPasses = Doc->PassCount();
            Frames.push_back(std::chrono::duration<double, std::milli>(Bucket).count());
            CpuFrames.push_back(CpuBucket);
            Bucket = {};
            CpuBucket = 0;
        }
        return result;
    }

    void Watch(CQueltaDoc* doc) {
        Doc = doc;
        LastPasses = doc ? doc->PassCount() : 0;
        Bucket = {};
        CpuBucket = 0;
        Frames.clear();
        CpuFrames.clear();
    }

    std::vector<double> Frames;     // ms of UI work per tracked frame, elapsed
    std::vector<double> CpuFrames;  // the same, the thread's processor time
    std::set<QObject*> Ignored;

private:
    bool Deliver(QObject* receiver, QEvent* event) {
        ++Depth;
        const bool result = QApplication::notify(receiver, event);
        --Depth;
        return result;
    }

    CQueltaDoc* Doc = nullptr;
    int Depth = 0;
    uint64_t LastPasses = 0;
    std::chrono::steady_clock::duration Bucket{};
    double CpuBucket = 0;
};

double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

// Frames of the colour scene handed to the pump at 30 fps, as a camera's worker would.
class CFeeder {
public:
    CFeeder(CFramePump& pump, const CColourScene& scene)
        : Thread([this, &pump, &scene] { Feed(pump, scene); }) {}
    ~CFeeder() {
        Ending = true;
        Thread.join();
    }

private:
    void Feed(CFramePump& pump, const CColourScene& scene) {
        const auto origin = std::chrono::steady_clock::now();
        for (int64_t n = 0; !Ending; ++n) {
            std::this_thread::sleep_until(origin + n * std::chrono::microseconds(33333));
            cv::Mat frame;
            scene.Render(n, frame);
            CFrameInfo info;
            info.Index = n;
            info.CaptureTime = std::chrono::steady_clock::now();
            pump.HandOver(frame, info);
        }
    }

    std::atomic<bool> Ending{false};
    std::thread Thread;
};

struct CResult {
    std::vector<double> Frames, CpuFrames;
    std::vector<double> Pane1, Pane2;  // rates read once a second
    std::vector<int> Marks;            // marks seen per tracked frame, sampled each second
};

// Measures `seconds` after a two-second warm-up, then closes the document.
CResult Measure(CTimedApplication& app, CQueltaApp& quelta, int seconds) {
    CResult result;
    CQueltaDoc* doc = quelta.DocTemplate()->Document();
    QTimer sampler;
    app.Ignored = {&sampler};
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        CMainFrame* frame = quelta.MainFrame();
        auto read = [&](int pane) {
            return frame->RatePane(pane)->text().split(u' ').first().toDouble();
        };
        result.Pane1.push_back(read(1));
        result.Pane2.push_back(read(2));
        result.Marks.push_back(
            int(std::count_if(doc->DisplayMarks().begin(), doc->DisplayMarks().end(),
                              [](const CTrackedMark& m) { return !m.Lost; })));
    });
    QTimer start, stop;
    app.Ignored.insert(&start);
    app.Ignored.insert(&stop);
    start.setSingleShot(true);
    stop.setSingleShot(true);
    QObject::connect(&start, &QTimer::timeout, [&] {
        app.Watch(doc);
        sampler.start(1000);
    });
    // Measuring ends before anything closes: the sampler must never reach a closed window.
    QObject::connect(&stop, &QTimer::timeout, [&] {
        sampler.stop();
        result.Frames = app.Frames;
        result.CpuFrames = app.CpuFrames;
        app.Watch(nullptr);
        QCoreApplication::quit();
    });
    start.start(2000);
    stop.start(2000 + seconds * 1000);
    app.exec();
    return result;
}

void Report(const char* scene, const CResult& r, double target) {
    const auto& f = r.Frames;
    std::printf("%s: %zu frames tracked\n", scene, f.size());
    std::printf(
        "  UI thread per tracked frame (notifications, pass hand-over, paint, panes), ms:\n");
    for (const auto& [what, v] : {std::pair{"elapsed", &f}, std::pair{"processor", &r.CpuFrames}})
        std::printf("  %-9s median %.3f  p90 %.3f  p99 %.3f  max %.3f\n", what, Percentile(*v, 0.5),
                    Percentile(*v, 0.9), Percentile(*v, 0.99), Percentile(*v, 1.0));
    auto range = [](const char* what, const auto& v) {
        if (!v.empty())
            std::printf("  %s: min %.2f  max %.2f\n", what,
                        double(*std::min_element(v.begin(), v.end())),
                        double(*std::max_element(v.begin(), v.end())));
    };
    range("pane 1 (processing rate), fps", r.Pane1);
    range("pane 2 (display rate), fps", r.Pane2);
    range("marks seen", r.Marks);
    std::printf("  target: elapsed median <= %.0f ms: %s\n", target,
                Percentile(f, 0.5) <= target ? "met" : "NOT met");
}

// The program as most use it: one colour whose limits accept the test camera's mark.
bool RunSource(CTimedApplication& app, const std::string& name, int seconds) {
    CQueltaApp quelta;
    quelta.CaptureSource = CImageSource::Open(name);
    if (!quelta.CaptureSource.HasDevice()) {
        std::fprintf(stderr, "no source %s\n", name.c_str());
        return false;
    }
    if (!quelta.StartDocument({QStringLiteral("quelta")}))
        return false;
    CTrackingParams& p = quelta.TrackingParams;
    p.lMin = 40, p.lMax = 140, p.a1Min = 70, p.a1Max = 120, p.a2Min = 190, p.a2Max = 255;
    const CResult result = Measure(app, quelta, seconds);
    std::string label = "source ";
    label += name;
    Report(label.c_str(), result, 2.0);
    quelta.ExitInstance(0);
    return true;
}

// 16 colours, 64 marks, 1920 x 1080, both panes shown beside the picture.
bool RunColours16(CTimedApplication& app, int seconds) {
    const CColourScene scene(1920, 1080);
    CQueltaApp quelta;
    quelta.Colours.Replace(scene.Set());
    if (!quelta.StartDocument({QStringLiteral("quelta")}))
        return false;
    CMainFrame* frame = quelta.MainFrame();
    frame->ColoursDock()->show();
    frame->MarksDock()->show();
    CQueltaDoc* doc = quelta.DocTemplate()->Document();
    doc->OnLiveVideo();  // no capture device: the feeder stands for its worker
    CResult result;
    {
        const CFeeder feeder(doc->Pump(), scene);
        result = Measure(app, quelta, seconds);
    }
    Report("colours16 1920x1080 (16 colours, 64 marks)", result, 4.0);
    quelta.ExitInstance(0);
    return true;
}
}  // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir config;  // never the user's settings
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    CTimedApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const int seconds = argc > 1 ? std::max(2, atoi(argv[1])) : 10;
    const std::string scene = argc > 2 ? argv[2] : "";
    bool ok = true;
    if (scene.empty() || scene != "colours16")
        ok = RunSource(app, scene.empty() ? "testcam" : scene, seconds) && ok;
    if (scene.empty() || scene == "colours16")
        ok = RunColours16(app, seconds) && ok;
    return ok ? 0 : 1;
}
