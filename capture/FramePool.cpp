#include "FramePool.h"

#include <algorithm>

namespace {

bool OnlyPoolHolds(const cv::Mat& m) {
    return m.u && __atomic_load_n(&m.u->refcount, __ATOMIC_ACQUIRE) == 1;
}

}  // namespace

cv::Mat CFramePool::Acquire(int width, int height) {
    const cv::Size size(width, height);
    // Free buffers of another size are of no further use (the format changed).
    std::erase_if(Buffers, [&](const cv::Mat& m) { return m.size() != size && OnlyPoolHolds(m); });
    for (const cv::Mat& m : Buffers)
        if (m.size() == size && OnlyPoolHolds(m))
            return m;
    cv::Mat fresh(size, CV_8UC4);
    if (Buffers.size() < Limit)
        Buffers.push_back(fresh);
    return fresh;
}
