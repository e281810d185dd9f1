#pragma once
#include "ColorTracker.h"
#include "FramePump.h"
#include "RateTimer.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <mutex>
#include <vector>

class CQueltaApp;
class QWidget;

// The one live-video document: owns the tracking engine, the frame pump and the frame the
// view draws. Everything here runs on the user-interface thread except the pump's worker.
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
    void MarkFrameShown();

    CTrackingParams& GetTrackingParams() const;
    CColorTracker& Tracker() { return ColorTracker; }
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

private:
    void TrackLatestFrame();
    void TrackFrame(const cv::Mat& frame);
    void ShowProcessingRate();
    void RunPump();
    void PausePump();
    void UpdateAllViews();
    QWidget* MainWindow() const;

    CQueltaApp& Application;
    CColorTracker ColorTracker;
    CRateTimer ProcessingRate{10};
    CFramePump FramePump;
    mutable std::mutex FrameLock;  // guards DisplayFrame
    cv::Mat DisplayFrame;
    bool FrameShown = false;
    uint64_t LastTrackedSerial = 0;  // the pump's serial of the frame tracked last
    uint64_t Passes = 0;
    std::vector<QPointer<QWidget>> Views;
    QString DocTitle;
    QString DocPath;
};
