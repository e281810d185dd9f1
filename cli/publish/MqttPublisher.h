#pragma once
#include "BrokerAddress.h"
#include "PositionReport.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <thread>

struct mosquitto;

// Publishes each frame's result to an MQTT broker while a run lasts:
//   TOPIC/position  the frame's JSON, QoS 0, not retained
//   TOPIC/present   1 or 0, retained: at the first frame, on each change, after reconnecting
//   TOPIC/status    "online" retained at each connection; "offline" at a clean end, and as
//                   the broker's last will when the tool dies or the link is lost
// A thread of its own keeps the link and reconnects with a bounded back-off; the caller never
// waits for the network, and the end never waits long for the thread. While the link is down, or while more than a couple of
// seconds of messages wait to be written, a position is dropped rather than queued.
class CMqttPublisher {
public:
    // Connects and waits for the broker's answer. Throws CPublishError when the host is
    // unknown, the connection is refused (by the network or by the broker) or nothing answers.
    explicit CMqttPublisher(const CBrokerAddress& address);
    // Publishes "offline" (waiting a moment for the broker to confirm it), then disconnects.
    ~CMqttPublisher();
    CMqttPublisher(const CMqttPublisher&) = delete;
    CMqttPublisher& operator=(const CMqttPublisher&) = delete;

    void Publish(const CPositionReport& report);

    long long Published() const { return Sent; }
    long long Dropped() const { return Lost; }

    static constexpr int KeepAliveSeconds = 10;
    static constexpr int ConnectWaitSeconds = 10;
    static constexpr int ReconnectFirstSeconds = 1, ReconnectMostSeconds = 8;
    static constexpr int MostUnwritten = 64;  // about two seconds of frames at 30 fps
    static constexpr int LoopSliceMs = 100;   // how soon the link's thread sees a stop

private:
    static void OnConnect(mosquitto* client, void* self, int result);
    static void OnDisconnect(mosquitto* client, void* self, int result);
    static void OnPublish(mosquitto* client, void* self, int mid);

    void Connect(const CBrokerAddress& address);
    void WaitForBroker(const CBrokerAddress& address);
    bool Send(const std::string& topic, const std::string& payload, int qos, bool retain,
              int* mid = nullptr);
    void PublishPresent(bool found);
    void SayOffline();
    void Close();
    void KeepLink();

    const std::string StatusTopic, PresentTopic, PositionTopic;
    mosquitto* Client = nullptr;
    std::atomic<bool> Connected{false};
    std::atomic<int> Unwritten{0};  // handed to libmosquitto, not yet written (QoS 0) or acked
    std::atomic<bool> Closing{false};
    std::atomic<long long> Sent{0}, Lost{0};

    std::mutex Lock;  // never held while calling libmosquitto
    std::condition_variable Changed;
    int FirstAnswer = -1;     // the broker's answer to the first connection; -1 before it
    int PresentSent = -1;     // last present value handed over on this connection; -1 none
    std::set<int> Confirmed;  // mids confirmed while closing
    bool Stopping = false;    // the link's thread ends once the disconnect is out (or soon)
    std::chrono::steady_clock::time_point StopBy;

    std::thread Link;  // runs KeepLink
};
