#pragma once
#include <opencv2/core/mat.hpp>

#include <vector>

// Frame buffers for one grabber thread. A buffer is handed out again only once nobody else
// holds a reference to it, so every frame keeps pixel memory of its own for as long as it
// is used, and steady capture allocates nothing.
class CFramePool {
public:
    static constexpr size_t Limit = 8;
    // A CV_8UC4 continuous width x height image that no other image shares.
    cv::Mat Acquire(int width, int height);
    size_t Size() const { return Buffers.size(); }

private:
    std::vector<cv::Mat> Buffers;
};
