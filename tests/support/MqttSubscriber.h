#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct mosquitto;

struct CMqttMessage {
    std::string Topic, Payload;
    bool Retained = false;
    std::chrono::system_clock::time_point Arrived;  // when this client got it
};

// A real MQTT client (libmosquitto) that subscribes to one filter on a localhost broker and
// keeps every message it receives. It reconnects and subscribes again when the broker comes
// back after a restart.
class CMqttSubscriber {
public:
    CMqttSubscriber(int port, std::string filter);
    ~CMqttSubscriber();
    CMqttSubscriber(const CMqttSubscriber&) = delete;
    CMqttSubscriber& operator=(const CMqttSubscriber&) = delete;

    // Waits (bounded) until the broker has confirmed the subscription.
    bool WaitSubscribed(std::chrono::milliseconds limit);
    std::vector<CMqttMessage> Messages() const;
    // Waits at most `limit` until `done` holds for the messages received so far.
    bool WaitFor(const std::function<bool(const std::vector<CMqttMessage>&)>& done,
                 std::chrono::milliseconds limit) const;
    // Messages on one topic, in order of arrival.
    std::vector<CMqttMessage> On(const std::string& topic) const;

private:
    static void OnConnect(mosquitto* client, void* self, int result);
    static void OnSubscribe(mosquitto* client, void* self, int mid, int count, const int* qos);
    static void OnMessage(mosquitto* client, void* self, const struct mosquitto_message* message);

    std::string Filter;
    mosquitto* Client = nullptr;
    mutable std::mutex Lock;
    mutable std::condition_variable Changed;
    std::vector<CMqttMessage> Received;
    bool Subscribed = false;
};
