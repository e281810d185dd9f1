#pragma once
#include "ImageSource.h"
#include "TrackingParams.h"

#include <QColor>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

// Every modal conversation the program holds with the user goes through this object, so a
// test can replace it and drive the program without a blocking dialog.
class CUserPrompts {
public:
    virtual ~CUserPrompts() = default;

    // The capture source at start-up: ask shows the device-choice dialog, otherwise the
    // remembered choice. Empty when there is none.
    virtual CImageSource FindSource(bool ask);
    // File names for the settings commands; empty when cancelled.
    virtual QString OpenFileName(QWidget* owner, const QString& title);
    virtual QString SaveFileName(QWidget* owner, const QString& title);
    // A message box with one OK button. An empty caption gives the application's name.
    virtual void Message(QWidget* owner, const QString& text, const QString& caption = {});
    // The panel on one colour's limits; `colourName`, when given, follows the caption, and
    // `store` runs on OK.
    virtual void RunConfigPanel(CTrackingParams& params, QWidget* owner, const QString& colourName,
                                const std::function<void()>& store);
    // A display colour; nothing when cancelled.
    virtual std::optional<QColor> PickColour(QWidget* owner, const QColor& initial);
    virtual void RunAbout(QWidget* owner);
    virtual void RunDeviceDialog(const CImageSource& source, int dialog, QWidget* owner);
};
