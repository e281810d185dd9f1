#pragma once
#include "RateTimer.h"

#include <QFont>
#include <QSize>
#include <QWidget>

class CQueltaDoc;
class QPainter;

// The video view: draws the document's display frame unscaled at its origin, measures its
// own paint rate, turns mouse input into calibration points and carries two commands.
class CQueltaView : public QWidget {
    Q_OBJECT
public:
    explicit CQueltaView(CQueltaDoc& doc, QWidget* parent = nullptr);
    ~CQueltaView() override;

    // Sizes the main window so that this view shows one whole frame, then becomes the pump's
    // notification target.
    void OnInitialUpdate();
    // Fits the main window around the frame size of the last initial update once more (a pane
    // was shown, hidden or moved), unless the window is maximised, full screen or minimised.
    void RefitMainWindow();
    // The frame size the view asks for: that of the last initial update.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    void OnConfigPanel();   // command 32801
    void OnChangeDevice();  // command 32802

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QSize ChooseFrameSize() const;
    void FitMainWindow(QSize frameSize);
    void DrawIdentities(QPainter& painter);

    CQueltaDoc& Document;
    CRateTimer DisplayRate{10};
    QSize FrameSize{320, 240};
    QFont IdentityFont;
};
