#pragma once
#include "BrokerAddress.h"
#include "PositionReport.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct mosquitto;

// Publishes each frame's result to an MQTT broker while a run lasts:
//   TOPIC/position      the first colour's mark as JSON, QoS 0, not retained
//   TOPIC/present       1 or 0, retained: at the first frame, on each change, after reconnecting
//   TOPIC/marks         every colour's marks as JSON (MarksJson), QoS 0, not retained
//   TOPIC/NAME/present  as TOPIC/present, for each colour NAME of the set
//   TOPIC/status        "online" retained at each connection; "offline" at a clean end, and as
//                       the broker's last will when the tool dies or the link is lost
// and, when given (SetRetained), messages that describe the run to others (Home Assistant's
// discovery), retained, at each connection and whenever they change.
// A thread of its own keeps the link and reconnects with a bounded back-off; the caller never
// waits for the network, and the end never waits long for the thread. While the link is down,
// or while more than a couple of seconds of messages wait to be written, a frame's JSON is
// dropped rather than queued.
class CMqttPublisher {
public:
    // Connects and waits for the broker's answer. Throws CPublishError when the host is
    // unknown, the connection is refused (by the network or by the broker) or nothing answers.
    // `colours`: the set's names, for TOPIC/NAME/present; none without a set.
    explicit CMqttPublisher(const CBrokerAddress& address,
                            const std::vector<std::string>& colours = {});
    // Publishes "offline" (waiting a moment for the broker to confirm it), then disconnects.
    ~CMqttPublisher();
    CMqttPublisher(const CMqttPublisher&) = delete;
    CMqttPublisher& operator=(const CMqttPublisher&) = delete;

    // TOPIC/position and TOPIC/present.
    void Publish(const CPositionReport& report);
    // TOPIC/marks, and TOPIC/NAME/present for the colours given at construction: `present`
    // holds whether each has a mark in this frame.
    void PublishMarks(const std::string& marksJson, const std::vector<bool>& present);

    // A set that changed while the run lasts: TOPIC/NAME/present for these names from now on;
    // the presence of a name no longer in the set is cleared on the broker (an empty retained
    // message). From the thread that publishes the frames.
    void SetColours(const std::vector<std::string>& colours);
    // Retained messages kept on the broker, topic -> payload: sent now (those that changed)
    // and at each connection; a topic given before and missing now is cleared on the broker
    // (an empty retained message). From any thread.
    void SetRetained(const std::map<std::string, std::string>& messages);

    long long Published() const { return Sent; }
    long long Dropped() const { return Lost; }

    static constexpr int KeepAliveSeconds = 10;
    static constexpr int ConnectWaitSeconds = 10;
    static constexpr int ReconnectFirstSeconds = 1, ReconnectMostSeconds = 8;
    // About two seconds of frames at 30 fps, a position and the marks each.
    static constexpr int MostUnwritten = 128;
    static constexpr int LoopSliceMs = 100;  // how soon the link's thread sees a stop

private:
    static void OnConnect(mosquitto* client, void* self, int result);
    static void OnDisconnect(mosquitto* client, void* self, int result);
    static void OnPublish(mosquitto* client, void* self, int mid);

    void Connect(const CBrokerAddress& address);
    void WaitForBroker(const CBrokerAddress& address);
    bool Send(const std::string& topic, const std::string& payload, int qos, bool retain,
              int* mid = nullptr);
    bool SendFrameJson(const std::string& topic, const std::string& json);
    void PublishPresent(size_t topic, bool found);
    void SendRetained(const std::map<std::string, std::string>& messages);
    void SendWithdrawn(std::set<std::string> topics);
    void SayOffline();
    void Close();
    void KeepLink();

    const std::string Topic, StatusTopic, PositionTopic, MarksTopic;
    // TOPIC/present, then TOPIC/NAME/present by colour; changed only by the publishing thread
    // (under Lock, for PresentSent's sake).
    std::vector<std::string> PresentTopics;
    mosquitto* Client = nullptr;
    std::atomic<bool> Connected{false};
    std::atomic<int> Unwritten{0};  // handed to libmosquitto, not yet written (QoS 0) or acked
    std::atomic<bool> Closing{false};
    std::atomic<long long> Sent{0}, Lost{0};

    std::mutex Lock;  // never held while calling libmosquitto
    std::condition_variable Changed;
    int FirstAnswer = -1;          // the broker's answer to the first connection; -1 before it
    std::vector<int> PresentSent;  // per present topic: the last value handed over on this
                                   // connection; -1 none
    std::set<int> Confirmed;       // mids confirmed while closing
    std::map<std::string, std::string> Retained;  // SetRetained's, sent at each connection
    std::set<std::string> Withdrawn;  // presence topics of colours gone, not yet cleared
    bool Stopping = false;            // the link's thread ends once the disconnect is out (or soon)
    std::chrono::steady_clock::time_point StopBy;

    std::thread Link;  // runs KeepLink
};
