#include "MqttSubscriber.h"

#include <mosquitto.h>

namespace {

struct CLibrary {
    CLibrary() { mosquitto_lib_init(); }
};

}  // namespace

CMqttSubscriber::CMqttSubscriber(int port, std::string filter) : Filter(std::move(filter)) {
    static CLibrary library;
    Client = mosquitto_new(nullptr, true, this);
    if (!Client)
        return;
    mosquitto_connect_callback_set(Client, OnConnect);
    mosquitto_subscribe_callback_set(Client, OnSubscribe);
    mosquitto_message_callback_set(Client, OnMessage);
    mosquitto_reconnect_delay_set(Client, 1, 1, false);  // back soon after a broker restart
    mosquitto_int_option(Client, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_connect_async(Client, "127.0.0.1", port, 10);
    mosquitto_loop_start(Client);
}

CMqttSubscriber::~CMqttSubscriber() {
    if (!Client)
        return;
    mosquitto_disconnect(Client);
    mosquitto_loop_stop(Client, false);
    mosquitto_destroy(Client);
}

bool CMqttSubscriber::WaitSubscribed(std::chrono::milliseconds limit) {
    std::unique_lock guard(Lock);
    return Changed.wait_for(guard, limit, [this] { return Subscribed; });
}

std::vector<CMqttMessage> CMqttSubscriber::Messages() const {
    std::lock_guard guard(Lock);
    return Received;
}

bool CMqttSubscriber::WaitFor(const std::function<bool(const std::vector<CMqttMessage>&)>& done,
                              std::chrono::milliseconds limit) const {
    std::unique_lock guard(Lock);
    return Changed.wait_for(guard, limit, [&] { return done(Received); });
}

std::vector<CMqttMessage> CMqttSubscriber::On(const std::string& topic) const {
    std::vector<CMqttMessage> found;
    for (const CMqttMessage& message : Messages())
        if (message.Topic == topic)
            found.push_back(message);
    return found;
}

void CMqttSubscriber::OnConnect(mosquitto* client, void* self, int result) {
    if (result == 0)
        mosquitto_subscribe(client, nullptr, static_cast<CMqttSubscriber*>(self)->Filter.c_str(),
                            1);
}

void CMqttSubscriber::OnSubscribe(mosquitto*, void* self, int, int, const int*) {
    auto* subscriber = static_cast<CMqttSubscriber*>(self);
    {
        std::lock_guard guard(subscriber->Lock);
        subscriber->Subscribed = true;
    }
    subscriber->Changed.notify_all();
}

void CMqttSubscriber::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
    const auto arrived = std::chrono::system_clock::now();
    auto* subscriber = static_cast<CMqttSubscriber*>(self);
    CMqttMessage copy{message->topic,
                      std::string(static_cast<const char*>(message->payload),
                                  static_cast<size_t>(message->payloadlen)),
                      message->retain, arrived};
    {
        std::lock_guard guard(subscriber->Lock);
        subscriber->Received.push_back(std::move(copy));
    }
    subscriber->Changed.notify_all();
}
