#pragma once
#include "V4l2Query.h"

#include <opencv2/core/mat.hpp>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

class CFramePool;

// What the driver settled on when a mode was asked for.
struct CV4l2Settled {
    uint32_t PixelFormat = 0;
    int Width = 0;
    int Height = 0;
    int Stride = 0;    // bytes per line of the first plane
    double Fps = 0.0;  // 0: the driver does not say
};

// One streaming session on a V4L2 capture node, with buffers mapped from the driver.
// Everything it holds (descriptor, mappings, buffers) is given back by Close and by the
// destructor: a camera that went away re-registers only once the last descriptor is closed,
// and keeps its node number only if nothing holds the old one.
class CV4l2Stream {
public:
    enum class EResult { Frame, Silence, Woken, Failed };

    CV4l2Stream() = default;
    ~CV4l2Stream() { Close(); }
    CV4l2Stream(const CV4l2Stream&) = delete;
    CV4l2Stream& operator=(const CV4l2Stream&) = delete;

    // Opens the node and asks for `mode`; Settled() tells what the driver chose.
    bool Configure(const std::string& path, const CV4l2Mode& mode);
    // Maps and queues the buffers and starts streaming (after Configure).
    bool StartStreaming();
    // Waits at most timeoutMs for a captured image or for wakeFd to become readable.
    // Frame: the newest image, converted into a frame from `pool`, and when it was captured.
    EResult Next(int wakeFd, int timeoutMs, CFramePool& pool, cv::Mat& frame,
                 std::chrono::steady_clock::time_point& captured);
    void Close();

    const CV4l2Settled& Settled() const { return Format; }

private:
    struct CMapping {
        void* Start = nullptr;
        size_t Length = 0;
    };
    bool Ioctl(unsigned long request, void* arg) const;
    bool Requeue(unsigned index);
    EResult Deliver(const struct v4l2_buffer& buffer, CFramePool& pool, cv::Mat& frame,
                    std::chrono::steady_clock::time_point& captured);

    int Fd = -1;
    bool Streaming = false;
    std::vector<CMapping> Buffers;
    CV4l2Settled Format;
};
