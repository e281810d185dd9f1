#pragma once
#include "ImageSource.h"

#include <string>
#include <vector>

// Direct questions to a V4L2 node through a descriptor of its own, which can stay open
// beside the one that streams (opening a node does not start the camera).
class CV4l2Node {
public:
    explicit CV4l2Node(const std::string& path);
    ~CV4l2Node();
    CV4l2Node(const CV4l2Node&) = delete;
    CV4l2Node& operator=(const CV4l2Node&) = delete;

    bool IsOpen() const { return Fd >= 0; }
    bool CapturesVideo() const;
    std::string CardName() const;
    // Every frame size and rate of the pixel formats the node offers, largest first.
    std::vector<CCaptureFormat> Formats() const;
    std::vector<CCaptureControl> Controls() const;
    bool SetControl(uint32_t id, int value) const;

private:
    bool Query(unsigned long request, void* arg) const;
    std::vector<double> Rates(uint32_t pixelFormat, int width, int height) const;
    void AddSizes(uint32_t pixelFormat, std::vector<CCaptureFormat>& out) const;
    bool Describe(uint32_t id, CCaptureControl& control) const;
    int Fd = -1;
};
