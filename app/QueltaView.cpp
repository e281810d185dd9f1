#include "QueltaView.h"

#include "CommandTexts.h"
#include "FramePump.h"
#include "MainFrame.h"
#include "QueltaApp.h"
#include "QueltaDoc.h"
#include "SettingsStore.h"
#include "UserPrompts.h"

#include <QImage>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>

CQueltaView::CQueltaView(CQueltaDoc& doc, QWidget* parent) : QWidget(parent), Document(doc) {
    IdentityFont = font();
    IdentityFont.setPixelSize(11);
    setMouseTracking(true);  // the calibration point follows the pointer without a button
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    Document.AddView(this);
}

CQueltaView::~CQueltaView() {
    // Before anything of this object goes: the pump's worker must not post to it any more.
    Document.Pump().ClearTargetWindow(this);
    Document.RemoveView(this);
}

QSize CQueltaView::sizeHint() const { return FrameSize; }
QSize CQueltaView::minimumSizeHint() const { return {1, 1}; }

void CQueltaView::OnInitialUpdate() {
    const QSize size = ChooseFrameSize();
    if (size.width() > 0 && size.height() > 0)
        FitMainWindow(size);
    Document.Pump().SetTargetWindow(this);
}

void CQueltaView::RefitMainWindow() {
    const QWidget* frame = window();
    if (frame == this || !frame->isVisible() ||
        (frame->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)))
        return;
    FitMainWindow(FrameSize);
}

// The frame on display if there is one, else the capture source's frame size, else 320 x 240.
QSize CQueltaView::ChooseFrameSize() const {
    cv::Mat local;
    {
        auto lock = Document.EnterFrameLock();
        local = Document.GetDisplayFrame();
    }
    if (!local.empty())
        return {local.cols, local.rows};
    const CImageSource& source = Document.App().CaptureSource;
    if (!source.HasDevice())
        return {320, 240};
    int width = 0;
    int height = 0;
    if (source.QueryProperty(FrameWidthProperty, width) < 0)
        width = 0;
    if (source.QueryProperty(FrameHeightProperty, height) < 0)
        height = 0;
    return {width, height};
}

// The main window gets whatever size makes this view's client area exactly one frame: the
// window's own layout adds the menu bar, toolbar and status bar around it.
void CQueltaView::FitMainWindow(QSize frameSize) {
    QWidget* frame = window();
    if (frame == this)
        return;
    FrameSize = frameSize;
    updateGeometry();
    if (QLayout* layout = frame->layout()) {
        layout->invalidate();
        layout->activate();
    }
    frame->resize(frame->sizeHint());
    // A bar wider than the frame or a minimum size may still leave a difference: correct
    // by what the layout actually gave the view.
    if (QLayout* layout = frame->layout())
        layout->activate();
    const QSize error = frameSize - size();
    if (!error.isNull())
        frame->resize(frame->size() + error);
}

bool CQueltaView::event(QEvent* event) {
    if (event->type() == FrameNotifyEvent) {
        Document.OnFrameArrived();
        return true;
    }
    return QWidget::event(event);
}

void CQueltaView::paintEvent(QPaintEvent*) {
    auto lock = Document.EnterFrameLock();
    const cv::Mat local = Document.GetDisplayFrame();
    QPainter painter(this);
    // The frame covers its own rectangle; only what lies outside it needs the background.
    const QRegion uncovered = QRegion(rect()) - QRect(0, 0, local.cols, local.rows);
    for (const QRect& r : uncovered)
        painter.fillRect(r, palette().window());
    if (!local.empty()) {
        // B,G,R,A bytes are Format_RGB32 on a little-endian machine: wrap, do not copy.
        const QImage image(local.data, local.cols, local.rows, static_cast<qsizetype>(local.step),
                           QImage::Format_RGB32);
        painter.drawImage(QPoint(0, 0), image);
        if (Document.DisplaySet().Colours.size() > 1)
            DrawIdentities(painter);
        const double rate = DisplayRate.RateUpdate();
        if (CMainFrame* frame = Document.App().MainFrame())
            frame->ShowFrameRate(rate, true);
    }
    Document.MarkFrameShown();
}

// Each mark seen in the frame gets its identity in small text on a tag of its colour's display
// colour at its box's top right corner (left of the box where the frame ends), the text black
// or white, whichever stands out from the tag.
void CQueltaView::DrawIdentities(QPainter& painter) {
    painter.setFont(IdentityFont);
    const QFontMetrics metrics(IdentityFont);
    const CColourSet& set = Document.DisplaySet();
    for (const CTrackedMark& tracked : Document.DisplayMarks()) {
        if (tracked.Lost > 0)
            continue;
        const CMark& m = tracked.Mark;
        const QString text = QString::number(tracked.Id);
        QRect tag(0, 0, metrics.horizontalAdvance(text) + 4, metrics.height());
        tag.moveTopLeft(QPoint(int(m.MaxX) + 3, int(m.MinY) - 1));
        if (tag.right() >= width())
            tag.moveRight(int(m.MinX) - 3);
        const QColor colour =
            QColor::fromRgb(QRgb(0xFF000000u | set.Colours[m.Colour].DisplayColour));
        painter.fillRect(tag, colour);
        painter.setPen(qGray(colour.rgb()) > 110 ? Qt::black : Qt::white);
        painter.drawText(tag, Qt::AlignCenter, text);
    }
}

void CQueltaView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    Document.SetCalibrationPoint(p.x(), p.y());
    QWidget::mouseMoveEvent(event);
}

// A click learns the selected colour.
void CQueltaView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        Document.SetCalibrationPoint(p.x(), p.y());
        Document.RequestCalibration();
    }
    QWidget::mousePressEvent(event);
}

// The panel edits the selected colour; with several colours its caption names it.
void CQueltaView::OnConfigPanel() {
    CQueltaApp& app = Document.App();
    const int colour = app.Colours.Selected();
    const QString name =
        app.Colours.Count() > 1 ? QString::fromStdString(app.Colours.Name(colour)) : QString();
    app.Prompts().RunConfigPanel(app.Colours.Limits(colour), window(), name,
                                 [&app] { app.StoreSettings(); });
}

void CQueltaView::OnChangeDevice() {
    CTrackingParams& params = Document.GetTrackingParams();
    params.VideoConfigured = false;
    WriteRegistry(params);
    Document.App().Prompts().Message(this, QString::fromUtf8(Texts::RestartNeeded),
                                     QString::fromUtf8(Texts::InfoCaption));
}
