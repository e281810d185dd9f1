#pragma once
#include "RateTimer.h"
#include "TrackingLoop.h"

#include <QByteArray>
#include <QHttpServerResponder>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The clients that watch: MJPEG streams of the drawn picture and event streams of the marks.
// Lives on the server's thread. After each frame the tracking thread only calls FrameReady;
// the frame is then encoded to JPEG once, and only when a stream or a snapshot wants it, and
// each client is sent the newest frame when it has taken the last one: a slow client misses
// frames, it never holds up tracking or another client. A client that has not taken a frame
// for StuckLimit is closed, so one that stopped reading holds nothing for long. Each part names
// its frame (X-Frame, the marks' "frame") and when the source produced it (X-Capture-Time,
// calendar seconds, the marks' "time").
class CPictureStreams : public QObject {
    Q_OBJECT
public:
    static constexpr int JpegQuality = 80;
    static constexpr const char* Boundary = "quelta-frame";
    static constexpr std::chrono::seconds StuckLimit{10};

    explicit CPictureStreams(const CTrackingLoop& loop);

    // From any thread: a new frame is there.
    void FrameReady();
    // Takes over a responder whose headers are written; its socket gets every newest frame.
    void AddPictureClient(QHttpServerResponder&& responder);
    void AddEventClient(QHttpServerResponder&& responder);
    // The newest frame as JPEG (encoded now when it was not); empty before the first frame.
    QByteArray NewestJpeg();
    int PictureClients() const { return static_cast<int>(Pictures.size()); }
    int EventClients() const { return static_cast<int>(Events.size()); }
    // JPEG encodings per second lately; 0 once nobody has watched for a second.
    double JpegRate() const;

private:
    struct CClient {
        std::unique_ptr<QHttpServerResponder> Responder;
        QPointer<QTcpSocket> Socket;
        uint64_t Sent = 0;  // number of the last frame sent
        // Since when it has had no room for the newest frame; unset while it takes them.
        std::optional<std::chrono::steady_clock::time_point> Behind;
    };
    // Whether `client` has room for a new frame (`full`: it has not); closes it once it has
    // had none for StuckLimit.
    static bool Ready(CClient& client, bool full, std::chrono::steady_clock::time_point now);
    void SendNewest();
    void SendPictures(const CNewestFrame& newest);
    void SendEvents(const CNewestFrame& newest);
    const QByteArray& Encoded(const CNewestFrame& newest);
    static void Forget(std::vector<CClient>& clients);

    const CTrackingLoop& Loop;
    std::atomic<bool> Queued{false};
    std::vector<CClient> Pictures;
    std::vector<CClient> Events;
    QByteArray Jpeg;
    uint64_t JpegNumber = 0;  // frame Jpeg holds; 0: none
    CRateTimer EncodeRate;    // JPEG encodings per second, over the last ten
    double Rate = 0.0;
    std::chrono::steady_clock::time_point LastEncoding{};
};
