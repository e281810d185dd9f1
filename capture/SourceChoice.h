#pragma once
#include "ImageSource.h"

#include <string>
#include <vector>

// A source the user can pick: its name string and what to show for it.
struct CSourceEntry {
    std::string Name;   // e.g. "v4l2:/dev/video0", "testcam"
    std::string Label;  // e.g. the device's own name
};

// V4L2 nodes that capture video, from /sys/class/video4linux.
std::vector<CSourceEntry> ListVideoDevices();

// The source the user chose last (kept in the per-user store), opened; empty when there is
// none or it cannot be opened now.
CImageSource OpenRememberedSource();
