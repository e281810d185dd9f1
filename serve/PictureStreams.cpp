#include "PictureStreams.h"

#include <opencv2/imgcodecs.hpp>

#include <algorithm>

namespace {
// An event client still holding this much unsent is skipped until it has read on.
constexpr qint64 EventBacklog = 64 * 1024;
}  // namespace

CPictureStreams::CPictureStreams(const CTrackingLoop& loop) : Loop(loop) {}

void CPictureStreams::FrameReady() {
    if (!Queued.exchange(true))
        QMetaObject::invokeMethod(this, &CPictureStreams::SendNewest, Qt::QueuedConnection);
}

void CPictureStreams::AddPictureClient(QHttpServerResponder&& responder) {
    CClient& client = Pictures.emplace_back();
    client.Responder = std::make_unique<QHttpServerResponder>(std::move(responder));
    client.Socket = client.Responder->socket();
}

void CPictureStreams::AddEventClient(QHttpServerResponder&& responder) {
    CClient& client = Events.emplace_back();
    client.Responder = std::make_unique<QHttpServerResponder>(std::move(responder));
    client.Socket = client.Responder->socket();
}

const QByteArray& CPictureStreams::Encoded(const CNewestFrame& newest) {
    if (newest.Number == JpegNumber || newest.Picture.empty())
        return Jpeg;
    std::vector<uchar> bytes;
    cv::imencode(".jpg", newest.Picture, bytes, {cv::IMWRITE_JPEG_QUALITY, JpegQuality});
    Jpeg = QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
    JpegNumber = newest.Number;
    LastEncoding = std::chrono::steady_clock::now();
    Rate = std::max(0.0, EncodeRate.RateUpdate(LastEncoding));
    return Jpeg;
}

double CPictureStreams::JpegRate() const {
    const bool recent = std::chrono::steady_clock::now() - LastEncoding < std::chrono::seconds(1);
    return recent ? Rate : 0.0;
}

QByteArray CPictureStreams::NewestJpeg() { return Encoded(Loop.Newest()); }

void CPictureStreams::Forget(std::vector<CClient>& clients) {
    std::erase_if(clients, [](const CClient& client) {
        return !client.Socket || client.Socket->state() != QAbstractSocket::ConnectedState;
    });
}

bool CPictureStreams::Ready(CClient& client, bool full, std::chrono::steady_clock::time_point now) {
    if (!full) {
        client.Behind.reset();
        return true;
    }
    if (!client.Behind)
        client.Behind = now;
    else if (now - *client.Behind > StuckLimit)
        client.Socket->abort();  // forgotten on the next frame
    return false;
}

void CPictureStreams::SendPictures(const CNewestFrame& newest) {
    const auto now = std::chrono::steady_clock::now();
    for (CClient& client : Pictures) {
        // A client that has not taken the last part yet waits for a newer frame.
        if (client.Sent == newest.Number || !Ready(client, client.Socket->bytesToWrite() > 0, now))
            continue;
        const QByteArray& jpeg = Encoded(newest);
        const QByteArray head =
            QByteArray("--") + Boundary +
            "\r\nContent-Type: image/jpeg\r\nContent-Length: " + QByteArray::number(jpeg.size()) +
            "\r\nX-Frame: " + QByteArray::number(newest.SourceFrame) +
            "\r\nX-Capture-Time: " + QByteArray::number(newest.CaptureTime, 'f', 6) + "\r\n\r\n";
        client.Socket->write(head);
        client.Socket->write(jpeg);
        client.Socket->write("\r\n");
        client.Sent = newest.Number;
    }
}

void CPictureStreams::SendEvents(const CNewestFrame& newest) {
    const auto now = std::chrono::steady_clock::now();
    for (CClient& client : Events) {
        if (client.Sent == newest.Number ||
            !Ready(client, client.Socket->bytesToWrite() > EventBacklog, now))
            continue;
        client.Socket->write("data: " + newest.MarksJson + "\n\n");
        client.Sent = newest.Number;
    }
}

void CPictureStreams::SendNewest() {
    Queued = false;
    Forget(Pictures);
    Forget(Events);
    if (Pictures.empty() && Events.empty())
        return;
    const CNewestFrame newest = Loop.Newest();
    if (newest.Number == 0)
        return;
    SendPictures(newest);
    SendEvents(newest);
}
