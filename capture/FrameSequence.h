#pragma once
#include <opencv2/core/mat.hpp>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

// What the capture side knows about a frame besides its pixels.
struct CFrameInfo {
    int64_t Index = -1;                                   // frame number from the source, from 0
    std::chrono::steady_clock::time_point CaptureTime{};  // when the source produced it
};

// A short queue of frames between a grabber and one consumer. It keeps only the newest
// Capacity frames, so a slow consumer never builds a backlog. Thread-safe.
class CFrameSequence {
public:
    static constexpr size_t Capacity = 2;
    static constexpr int NoLimit = -1;

    CFrameSequence() = default;
    ~CFrameSequence();
    CFrameSequence(const CFrameSequence&) = delete;
    CFrameSequence& operator=(const CFrameSequence&) = delete;

    // Takes the oldest frame, waiting up to waitMs (NoLimit: for ever, 0: not at all).
    // True with the frame moved into `image` (an empty image is a wake-up, see FPushBackPImage).
    bool PopFront(cv::Mat& image, int waitMs = NoLimit, CFrameInfo* info = nullptr);
    // Appends a frame (sharing its pixels) and wakes a waiting PopFront; drops the oldest
    // frames beyond Capacity.
    void PushBack(const cv::Mat& image, const CFrameInfo& info = {});
    // Pushes a new empty image: a waiting PopFront returns true with an empty image.
    void FPushBackPImage();
    void Clear();
    size_t Size() const;
    // Frames dropped so far because the consumer had not taken the older ones.
    uint64_t Dropped() const;

private:
    friend class CImageSource;
    // Sources this sequence receives frames from, so the destructor can disconnect itself.
    void NoteSource(const std::shared_ptr<class CSourceState>& source);
    void ForgetSource(const CSourceState* source);

    struct CEntry {
        cv::Mat Image;
        CFrameInfo Info;
    };
    mutable std::mutex Lock;
    std::condition_variable Arrived;
    std::deque<CEntry> Entries;
    uint64_t DroppedFrames = 0;
    std::vector<std::weak_ptr<CSourceState>> Sources;
};
