#include "V4l2Stream.h"

#include "FramePool.h"
#include "V4l2Convert.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Two buffers: one the driver fills while we convert the other. More would only let frames
// wait in a queue, and a waiting frame is a late frame.
constexpr unsigned WantedBuffers = 2;

std::chrono::steady_clock::time_point CaptureTimeOf(const v4l2_buffer& buffer) {
    const auto now = std::chrono::steady_clock::now();
    // A monotonic driver stamp is on the steady clock's own time line (CLOCK_MONOTONIC).
    if ((buffer.flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) != V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC)
        return now;
    const auto stamp =
        std::chrono::steady_clock::time_point(std::chrono::seconds(buffer.timestamp.tv_sec) +
                                              std::chrono::microseconds(buffer.timestamp.tv_usec));
    return stamp <= now && now - stamp < std::chrono::seconds(10) ? stamp : now;
}

}  // namespace

bool CV4l2Stream::Ioctl(unsigned long request, void* arg) const {
    int r;
    do
        r = ::ioctl(Fd, request, arg);
    while (r < 0 && errno == EINTR);
    return r == 0;
}

bool CV4l2Stream::Configure(const std::string& path, const CV4l2Mode& mode) {
    Close();
    Fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (Fd < 0)
        return false;
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = uint32_t(mode.Width);
    format.fmt.pix.height = uint32_t(mode.Height);
    format.fmt.pix.pixelformat = mode.PixelFormat;
    format.fmt.pix.field = V4L2_FIELD_ANY;
    if (!Ioctl(VIDIOC_S_FMT, &format) || !CanConvert(format.fmt.pix.pixelformat)) {
        Close();
        return false;
    }
    Format = {format.fmt.pix.pixelformat, int(format.fmt.pix.width), int(format.fmt.pix.height),
              int(format.fmt.pix.bytesperline), 0.0};
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (mode.IntervalNumerator) {
        parm.parm.capture.timeperframe = {mode.IntervalNumerator, mode.IntervalDenominator};
        Ioctl(VIDIOC_S_PARM, &parm);  // what the driver kept is read back below
    }
    parm = {};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (Ioctl(VIDIOC_G_PARM, &parm) && parm.parm.capture.timeperframe.numerator)
        Format.Fps = double(parm.parm.capture.timeperframe.denominator) /
                     parm.parm.capture.timeperframe.numerator;
    return true;
}

bool CV4l2Stream::StartStreaming() {
    if (Fd < 0 || Streaming)
        return false;
    v4l2_requestbuffers request{};
    request.count = WantedBuffers;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (!Ioctl(VIDIOC_REQBUFS, &request) || request.count == 0)
        return false;
    for (unsigned i = 0; i < request.count; ++i) {
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        buffer.index = i;
        if (!Ioctl(VIDIOC_QUERYBUF, &buffer))
            return false;
        void* start =
            ::mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, Fd, buffer.m.offset);
        if (start == MAP_FAILED)
            return false;
        Buffers.push_back({start, buffer.length});
        if (!Requeue(i))
            return false;
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    Streaming = Ioctl(VIDIOC_STREAMON, &type);
    return Streaming;
}

bool CV4l2Stream::Requeue(unsigned index) {
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    buffer.index = index;
    return Ioctl(VIDIOC_QBUF, &buffer);
}

CV4l2Stream::EResult CV4l2Stream::Next(int wakeFd, int timeoutMs, CFramePool& pool, cv::Mat& frame,
                                       std::chrono::steady_clock::time_point& captured) {
    if (!Streaming)
        return EResult::Failed;
    pollfd watched[2] = {{Fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const int ready = ::poll(watched, wakeFd >= 0 ? 2 : 1, timeoutMs);
    if (ready < 0)
        return errno == EINTR ? EResult::Silence : EResult::Failed;
    if (watched[1].revents & POLLIN)
        return EResult::Woken;
    if (ready == 0)
        return EResult::Silence;
    // An unplugged device, or a queue the driver declared broken, answers with an error.
    if (watched[0].revents & (POLLERR | POLLHUP | POLLNVAL))
        return EResult::Failed;

    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    if (!Ioctl(VIDIOC_DQBUF, &buffer))
        return errno == EAGAIN ? EResult::Silence : EResult::Failed;
    // Only the newest image matters: hand older ones straight back to the driver.
    for (v4l2_buffer newer = buffer; Ioctl(VIDIOC_DQBUF, &newer); newer = buffer) {
        if (!Requeue(buffer.index))
            return EResult::Failed;
        std::swap(buffer, newer);
    }
    return Deliver(buffer, pool, frame, captured);
}

CV4l2Stream::EResult CV4l2Stream::Deliver(const v4l2_buffer& buffer, CFramePool& pool,
                                          cv::Mat& frame,
                                          std::chrono::steady_clock::time_point& captured) {
    bool converted = false;
    // A buffer the driver flags as damaged is skipped, like a dropped frame.
    if (!(buffer.flags & V4L2_BUF_FLAG_ERROR) && buffer.index < Buffers.size()) {
        const CMapping& mapping = Buffers[buffer.index];
        frame = pool.Acquire(Format.Width, Format.Height);
        const size_t used = buffer.bytesused ? buffer.bytesused : mapping.Length;
        converted = ConvertToFrame(Format.PixelFormat, static_cast<const uint8_t*>(mapping.Start),
                                   std::min(used, mapping.Length), Format.Stride, frame);
        captured = CaptureTimeOf(buffer);
    }
    if (!Requeue(buffer.index))
        return EResult::Failed;
    if (!converted)
        frame.release();
    return converted ? EResult::Frame : EResult::Silence;
}

void CV4l2Stream::Close() {
    if (Fd >= 0 && Streaming) {
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        Ioctl(VIDIOC_STREAMOFF, &type);
    }
    Streaming = false;
    // A mapping keeps the device open even after close(): unmap first.
    for (const CMapping& m : Buffers)
        ::munmap(m.Start, m.Length);
    Buffers.clear();
    if (Fd >= 0)
        ::close(Fd);
    Fd = -1;
}
