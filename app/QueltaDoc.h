#pragma once
#include "ColorTracker.h"
#include "FramePump.h"
#include "MarkIdentities.h"
#include "PassThread.h"
#include "RateTimer.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <mutex>
#include <optional>
#include <vector>

class CQueltaApp;
class QWidget;

// The pass's notice that it is done: the first user event number plus 2.
inline constexpr QEvent::Type PassDoneEvent = QEvent::Type(QEvent::User + 2);

// The one live-video document: owns the tracking engine, the frame pump and the frame the
// view draws.
//
// A frame notification on the user-interface thread starts the tracking pass (every colour of
// the set, then the marks' identities) on the pass thread, over a copy of the colour set; the
// pass draws into the frame's own pixels and, done, posts PassDoneEvent to the document, which
// takes the frame for display and the limits a calibration learnt. The engine and the identity
// tracker are used by one thread at a time: the pass thread while a pass is under way, the
// user-interface thread otherwise.
class CQueltaDoc : public QObject {
    Q_OBJECT
public:
    explicit CQueltaDoc(CQueltaApp& app);
    ~CQueltaDoc() override;

    bool OnNewDocument();
    void OnCloseDocument();

    // A frame notification reached the view.
    void OnFrameArrived();

    // The view holds the returned lock around GetDisplayFrame and its drawing.
    [[nodiscard]] std::unique_lock<std::mutex> EnterFrameLock() const;
    cv::Mat GetDisplayFrame() const;  // shares DisplayFrame's pixels
    // The marks of the frame on display (seen now and held), and the set it was tracked with.
    const std::vector<CTrackedMark>& DisplayMarks() const { return ShownMarks; }
    const CColourSet& DisplaySet() const { return ShownSet; }
    const std::vector<uint64_t>& DisplayKeys() const { return ShownKeys; }  // CAppColours::Key
    // The source's number of the frame on display (CFrameInfo::Index), -1 when not known.
    int64_t DisplayFrameIndex() const { return ShownIndex; }
    void MarkFrameShown();

    // The mouse over the picture, and a click that learns the selected colour: reach the
    // engine at once, or once the pass under way is done.
    void SetCalibrationPoint(int x, int y);
    void RequestCalibration();

    CTrackingParams& GetTrackingParams() const;
    // Not while a pass is under way (PassUnderWay()).
    CColorTracker& Tracker() { return ColorTracker; }
    bool PassUnderWay() const { return PassInFlight; }
    // Waits at most timeoutMs for the pass under way and takes its result as its
    // PassDoneEvent would; true when no pass is under way any more.
    bool FinishPass(int timeoutMs);
    CFramePump& Pump() { return FramePump; }
    CQueltaApp& App() const { return Application; }

    // The views of the document, in order; the first is the video view.
    void AddView(QWidget* view);
    void RemoveView(QWidget* view);

    QString Title() const { return DocTitle; }
    QString PathName() const { return DocPath; }
    void SetTitle(const QString& title) { DocTitle = title; }
    void SetPathName(const QString& path) { DocPath = path; }

    // Commands.
    void OnLiveVideo();
    void OnDeviceDialog(int dialog);
    void OnOpenSettings();
    void OnSaveSettings();
    // Loads a settings file as OnOpenSettings does once it has a name, message included.
    bool LoadSettingsFrom(const QString& path);

    // Update state of the document's commands.
    bool IsCommandEnabled(int id) const;
    bool IsCommandChecked(int id) const;

    // Passes run so far (for tests and measurements).
    uint64_t PassCount() const { return Passes; }

signals:
    // The pump started or stopped: the commands' enabled and checked states may change.
    void CommandStateChanged();

protected:
    bool event(QEvent* event) override;

private:
    // What one pass takes and gives: written by the user-interface thread before the pass,
    // by the pass thread during it, read by the user-interface thread once it is done.
    struct CPassWork {
        cv::Mat Frame;
        int64_t Index = -1;
        double Time = 0.0;  // capture time, seconds
        CColourSet Set;
        std::vector<uint64_t> Keys;  // the colours' keys (CAppColours::Key)
        int MaskColour = -1;
        int CalibrationColour = -1;  // asked for before the pass, else -1
        bool Calibrated = false;
        std::vector<CTrackedMark> Marks;
    };

    bool TrackLatestFrame();  // true when a pass started
    void FinishNotification(bool invalidate);
    void RunPass();  // on the pass thread
    void OnPassDone();
    void ApplyPendingPointer();
    void ShowProcessingRate();
    void RunPump();
    void PausePump();
    void UpdateAllViews();
    QWidget* MainWindow() const;

    CQueltaApp& Application;
    CColorTracker ColorTracker;
    CMarkIdentities Identities;
    CRateTimer ProcessingRate{10};
    CFramePump FramePump;
    mutable std::mutex FrameLock;  // guards DisplayFrame
    cv::Mat DisplayFrame;
    std::vector<CTrackedMark> ShownMarks;
    CColourSet ShownSet;
    std::vector<uint64_t> ShownKeys;
    int64_t ShownIndex = -1;
    bool FrameShown = false;
    uint64_t LastTrackedSerial = 0;  // the pump's serial of the frame tracked last
    uint64_t Passes = 0;
    std::vector<QPointer<QWidget>> Views;
    QString DocTitle;
    QString DocPath;

    CPassWork Work;
    bool PassInFlight = false;
    int RequestedColour = -1;  // the colour of the calibration the engine holds, else -1
    std::optional<std::pair<int, int>> PendingPoint;  // mouse input during a pass
    std::optional<int> PendingRequest;
    CPassThread PassThread{[this] { RunPass(); }, this, PassDoneEvent};  // goes first
};
