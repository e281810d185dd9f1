#pragma once
#include "ImageSource.h"

#include <string>
#include <vector>

class QWidget;

// A source the user can pick: its name string and what to show for it.
struct CSourceEntry {
    std::string Name;   // e.g. "v4l2:/dev/video0", "testcam"
    std::string Label;  // e.g. the device's own name
};

// V4L2 nodes that capture video, from /sys/class/video4linux.
std::vector<CSourceEntry> ListVideoDevices();

// The remembered choice (QSettings("Orda", "Quelta"), "Capture/Source").
std::string RememberedSource();
void RememberSource(const std::string& name);

// ask: show the device-choice dialog (OK remembers and returns the choice, Cancel an empty
// source). !ask: the remembered choice, empty when there is none or it cannot be opened.
CImageSource FindImageSource(QWidget* owner, bool ask);
