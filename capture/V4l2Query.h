#pragma once
#include "ImageSource.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One way the node can stream: a pixel format, a frame size and a frame interval (seconds
// per frame as the driver gives it, so that it can be handed back unrounded).
struct CV4l2Mode {
    uint32_t PixelFormat = 0;
    int Width = 0;
    int Height = 0;
    uint32_t IntervalNumerator = 0;  // 0: the driver names no rate
    uint32_t IntervalDenominator = 0;
    double Fps() const {
        return IntervalNumerator ? double(IntervalDenominator) / IntervalNumerator : 0.0;
    }
};

// What tells one camera from another while its node number may change: the udev link that
// names it for good, where there is one, and its card name and bus position.
struct CV4l2Identity {
    std::string ById;  // /dev/v4l/by-id/... or empty
    std::string Card;
    std::string BusInfo;
    bool Known() const { return !Card.empty() || !ById.empty(); }
    bool SameCamera(const CV4l2Identity& other) const {
        return Card == other.Card && BusInfo == other.BusInfo;
    }
};

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
    // Card name and bus position; ById is filled by IdentityOf.
    CV4l2Identity Identity() const;
    // Every pixel format, size and rate the node offers that we can turn into frames.
    std::vector<CV4l2Mode> Modes() const;
    // The sizes and rates of Modes, each once, largest first.
    std::vector<CCaptureFormat> Formats() const;
    std::vector<CCaptureControl> Controls() const;
    bool SetControl(uint32_t id, int value) const;
    // Buttons act; they hold no value to remember.
    bool IsButton(uint32_t id) const;

private:
    bool Query(unsigned long request, void* arg) const;
    void AddRates(CV4l2Mode mode, std::vector<CV4l2Mode>& out) const;
    void AddSizes(uint32_t pixelFormat, std::vector<CV4l2Mode>& out) const;
    bool Describe(uint32_t id, CCaptureControl& control) const;
    int Fd = -1;
};

// The identity of the camera at `path` (empty when it answers nothing), with its by-id link.
CV4l2Identity IdentityOf(const std::string& path);
// Where the camera with `identity` is now: its by-id link's node, else the capture node with
// the same card name and bus position; empty when it is not there.
std::string FindCamera(const CV4l2Identity& identity);

// The mode to stream `wanted` in: its size (by default 640 x 480, or the offered size nearest
// to it), at its rate where one is asked for and offered, else at the highest rate; among
// equals the pixel format that is cheapest to convert. None when the size is not offered.
std::optional<CV4l2Mode> ChooseMode(const std::vector<CV4l2Mode>& modes,
                                    const CCaptureFormat& wanted);
