#pragma once
#include "ImageSource.h"

class QWidget;

// The device's own modal dialogs. Each returns the dialog's result (QDialog::Accepted or
// Rejected); changes apply to the source as the user makes them.
int ShowFormatDialog(CImageSource& source, QWidget* owner);  // frame sizes and rates
int ShowSourceDialog(CImageSource& source, QWidget* owner);  // the device's controls

// The device-choice dialog: cameras found, the built-in test camera, and a free entry for a
// file, stream URL or pipeline. Returns the chosen source name, or empty on Cancel.
std::string RunSourceChoiceDialog(QWidget* owner);
