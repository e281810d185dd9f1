#include "FrameSequence.h"

#include "SourceState.h"

#include <algorithm>

CFrameSequence::~CFrameSequence() {
    std::vector<std::weak_ptr<CSourceState>> sources;
    {
        std::lock_guard guard(Lock);
        sources.swap(Sources);
    }
    // Outside our own lock: the grabber holds the source's sink lock while it pushes here.
    for (auto& weak : sources)
        if (auto source = weak.lock())
            source->RemoveSink(this);
}

bool CFrameSequence::PopFront(cv::Mat& image, int waitMs, CFrameInfo* info) {
    std::unique_lock guard(Lock);
    auto ready = [this] { return !Entries.empty(); };
    if (waitMs < 0)
        Arrived.wait(guard, ready);
    else if (!Arrived.wait_for(guard, std::chrono::milliseconds(waitMs), ready))
        return false;
    CEntry& front = Entries.front();
    image = std::move(front.Image);
    if (info)
        *info = front.Info;
    Entries.pop_front();
    return true;
}

void CFrameSequence::PushBack(const cv::Mat& image, const CFrameInfo& info) {
    {
        std::lock_guard guard(Lock);
        Entries.push_back({image, info});
        while (Entries.size() > Capacity) {
            // A wake-up (empty image) is not a frame the consumer missed.
            DroppedFrames += Entries.front().Image.empty() ? 0 : 1;
            Entries.pop_front();
        }
    }
    Arrived.notify_one();
}

void CFrameSequence::FPushBackPImage() { PushBack(cv::Mat()); }

void CFrameSequence::Clear() {
    std::lock_guard guard(Lock);
    Entries.clear();
}

uint64_t CFrameSequence::Dropped() const {
    std::lock_guard guard(Lock);
    return DroppedFrames;
}

size_t CFrameSequence::Size() const {
    std::lock_guard guard(Lock);
    return Entries.size();
}

void CFrameSequence::NoteSource(const std::shared_ptr<CSourceState>& source) {
    std::lock_guard guard(Lock);
    for (auto& weak : Sources)
        if (weak.lock() == source)
            return;
    Sources.push_back(source);
}

void CFrameSequence::ForgetSource(const CSourceState* source) {
    std::lock_guard guard(Lock);
    std::erase_if(Sources, [source](const std::weak_ptr<CSourceState>& weak) {
        auto locked = weak.lock();
        return !locked || locked.get() == source;
    });
}
