#include "MqttPublisher.h"

#include "PublishError.h"

#include <mosquitto.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

constexpr auto OfflineWait = std::chrono::seconds(2);

// Unique among several cameras on one broker, and recognisable in the broker's log.
std::string ClientId() {
    std::random_device device;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%06x", device() & 0xffffffu);
    return "quelta-track-" + std::to_string(getpid()) + "-" + suffix;
}

void InitLibrary() {
    static const int once = mosquitto_lib_init();
    (void)once;
}

// libmosquitto sets SIGPIPE to "ignore" for the whole process when it makes a client, and the
// tool would then go on writing into a closed pipe (`quelta-track ... | head`) instead of
// ending. This keeps the process' own disposition and blocks SIGPIPE only in the threads that
// write to the broker: the caller's while it connects, and libmosquitto's, which inherits the
// mask. There a write to a link that the broker reset fails with EPIPE, as libmosquitto expects.
class CBrokerWritesWithoutSigpipe {
public:
    CBrokerWritesWithoutSigpipe() {
        sigaction(SIGPIPE, nullptr, &Disposition);
        sigemptyset(&Pipe);
        sigaddset(&Pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &Pipe, &Mask);
    }
    ~CBrokerWritesWithoutSigpipe() {
        sigaction(SIGPIPE, &Disposition, nullptr);
        // One raised by the broker's link while connecting is not ours to die of.
        const timespec none{0, 0};
        while (sigtimedwait(&Pipe, nullptr, &none) == SIGPIPE) {
        }
        pthread_sigmask(SIG_SETMASK, &Mask, nullptr);
    }
    CBrokerWritesWithoutSigpipe(const CBrokerWritesWithoutSigpipe&) = delete;
    CBrokerWritesWithoutSigpipe& operator=(const CBrokerWritesWithoutSigpipe&) = delete;

private:
    struct sigaction Disposition = {};
    sigset_t Pipe, Mask;
};

}  // namespace

CMqttPublisher::CMqttPublisher(const CBrokerAddress& address,
                               const std::vector<std::string>& colours)
    : Topic(address.Topic), StatusTopic(address.Topic + "/status"),
      PositionTopic(address.Topic + "/position"), MarksTopic(address.Topic + "/marks") {
    SetColours(colours);
    const CBrokerWritesWithoutSigpipe sigpipe;
    InitLibrary();
    Client = mosquitto_new(ClientId().c_str(), true, this);
    if (!Client)
        throw CPublishError("cannot create an MQTT client");
    try {
        Connect(address);
        WaitForBroker(address);
    } catch (...) {
        Close();
        throw;
    }
}

CMqttPublisher::~CMqttPublisher() {
    SayOffline();
    Close();
}

void CMqttPublisher::Connect(const CBrokerAddress& address) {
    mosquitto_connect_callback_set(Client, OnConnect);
    mosquitto_disconnect_callback_set(Client, OnDisconnect);
    mosquitto_publish_callback_set(Client, OnPublish);
    mosquitto_int_option(Client, MOSQ_OPT_TCP_NODELAY, 1);  // small messages, sent at once
    if (address.User)
        mosquitto_username_pw_set(Client, address.User->c_str(),
                                  address.Password ? address.Password->c_str() : nullptr);
    mosquitto_will_set(Client, StatusTopic.c_str(), 7, "offline", 1, true);
    // Publishing threads only queue; the link's thread writes.
    mosquitto_threaded_set(Client, true);
    const int result =
        mosquitto_connect(Client, address.Host.c_str(), address.Port, KeepAliveSeconds);
    if (result == MOSQ_ERR_EAI)
        throw CPublishError("cannot find the MQTT broker's host '" + address.Host + "'");
    if (result == MOSQ_ERR_ERRNO)
        throw CPublishError("cannot connect to the MQTT broker at " + address.Where() + ": " +
                            std::strerror(errno));
    if (result != MOSQ_ERR_SUCCESS)
        throw CPublishError("cannot connect to the MQTT broker at " + address.Where() + ": " +
                            mosquitto_strerror(result));
    Link = std::thread([this] { KeepLink(); });  // with SIGPIPE blocked, as the caller has it
}

// libmosquitto's own thread (mosquitto_loop_start) reconnects with a blocking connect, which a
// host that silently drops packets holds for minutes, and the end of a run would wait for it.
// This one reconnects with a connect that does not block, and runs the client in short slices
// so that a stop is seen at once. The pause before the n-th attempt in a row is n² seconds,
// at most 8: 1, 4, 8, 8... s.
void CMqttPublisher::KeepLink() {
    int attempts = 0;  // since the link was last up
    for (;;) {
        const int result = mosquitto_loop(Client, LoopSliceMs, 1);
        {
            std::unique_lock guard(Lock);
            if (Stopping &&
                (result != MOSQ_ERR_SUCCESS || std::chrono::steady_clock::now() >= StopBy))
                return;
            if (result == MOSQ_ERR_SUCCESS) {
                if (Connected)
                    attempts = 0;
                continue;
            }
            attempts = std::min(attempts + 1, 3);  // 3² is past the longest pause already
            const auto pause = std::chrono::seconds(
                std::min(ReconnectFirstSeconds * attempts * attempts, ReconnectMostSeconds));
            if (Changed.wait_for(guard, pause, [this] { return Stopping; }))
                return;
        }
        mosquitto_reconnect_async(Client);
    }
}

void CMqttPublisher::WaitForBroker(const CBrokerAddress& address) {
    std::unique_lock guard(Lock);
    if (!Changed.wait_for(guard, std::chrono::seconds(ConnectWaitSeconds),
                          [this] { return FirstAnswer >= 0; }))
        throw CPublishError("the MQTT broker at " + address.Where() + " did not answer within " +
                            std::to_string(ConnectWaitSeconds) + " s");
    if (FirstAnswer != 0)
        throw CPublishError("the MQTT broker at " + address.Where() +
                            " refused the connection: " + mosquitto_connack_string(FirstAnswer));
}

void CMqttPublisher::Publish(const CPositionReport& report) {
    SendFrameJson(PositionTopic, PositionJson(report));
    PublishPresent(0, report.Found);
}

void CMqttPublisher::PublishMarks(const std::string& marksJson, const std::vector<bool>& present) {
    SendFrameJson(MarksTopic, marksJson);
    for (size_t c = 0; c < present.size() && c + 1 < PresentTopics.size(); ++c)
        PublishPresent(c + 1, present[c]);
}

void CMqttPublisher::SetColours(const std::vector<std::string>& colours) {
    std::vector<std::string> topics{Topic + "/present"};
    for (const std::string& colour : colours)
        topics.push_back(Topic + "/" + colour + "/present");
    std::set<std::string> withdrawn;
    {
        std::lock_guard guard(Lock);
        if (topics == PresentTopics)
            return;
        // A colour renamed or removed leaves no retained presence behind to be believed.
        for (const std::string& topic : PresentTopics)
            if (std::find(topics.begin(), topics.end(), topic) == topics.end())
                Withdrawn.insert(topic);
        for (const std::string& topic : topics)
            Withdrawn.erase(topic);
        PresentTopics = std::move(topics);
        PresentSent.assign(PresentTopics.size(), -1);  // the next frame publishes each presence
        if (Connected)
            withdrawn.swap(Withdrawn);
    }
    SendWithdrawn(std::move(withdrawn));
}

// Empty retained messages, which remove the topics from the broker; those that could not be
// handed over wait for the next connection.
void CMqttPublisher::SendWithdrawn(std::set<std::string> topics) {
    for (auto topic = topics.begin(); topic != topics.end();)
        topic = Send(*topic, "", 1, true) ? topics.erase(topic) : std::next(topic);
    if (topics.empty())
        return;
    std::lock_guard guard(Lock);
    for (const std::string& topic : topics)
        if (std::find(PresentTopics.begin(), PresentTopics.end(), topic) == PresentTopics.end())
            Withdrawn.insert(topic);
}

void CMqttPublisher::SetRetained(const std::map<std::string, std::string>& messages) {
    std::map<std::string, std::string> changed;
    {
        std::lock_guard guard(Lock);
        for (const auto& [topic, payload] : Retained)
            if (!messages.count(topic))
                changed[topic] = "";  // an empty retained message removes it from the broker
        for (const auto& [topic, payload] : messages) {
            const auto old = Retained.find(topic);
            if (old == Retained.end() || old->second != payload)
                changed[topic] = payload;
        }
        Retained = messages;
    }
    if (Connected)
        SendRetained(changed);  // a connection made meanwhile sends them too: no harm
}

void CMqttPublisher::SendRetained(const std::map<std::string, std::string>& messages) {
    for (const auto& [topic, payload] : messages)
        Send(topic, payload, 1, true);
}

bool CMqttPublisher::SendFrameJson(const std::string& topic, const std::string& json) {
    const bool sent = Connected && Unwritten < MostUnwritten && Send(topic, json, 0, false);
    if (sent)
        ++Sent;
    else
        ++Lost;
    return sent;
}

// Only this thread publishes presence, so the broker keeps the newest value; a value that
// could not be handed over is tried again at the next frame.
void CMqttPublisher::PublishPresent(size_t topic, bool found) {
    const int present = found ? 1 : 0;
    bool send = false;
    {
        std::lock_guard guard(Lock);
        send = Connected && Unwritten < MostUnwritten && PresentSent[topic] != present;
        if (send)
            PresentSent[topic] = present;
    }
    if (send && !Send(PresentTopics[topic], present ? "1" : "0", 1, true)) {
        std::lock_guard guard(Lock);
        if (PresentSent[topic] == present)
            PresentSent[topic] = -1;
    }
}

bool CMqttPublisher::Send(const std::string& topic, const std::string& payload, int qos,
                          bool retain, int* mid) {
    ++Unwritten;  // before: the write may be confirmed before mosquitto_publish returns
    const int result = mosquitto_publish(
        Client, mid, topic.c_str(), static_cast<int>(payload.size()), payload.data(), qos, retain);
    if (result != MOSQ_ERR_SUCCESS)
        --Unwritten;
    return result == MOSQ_ERR_SUCCESS;
}

// The positions already handed over go out before it: libmosquitto writes in order.
void CMqttPublisher::SayOffline() {
    if (!Client || !Connected)
        return;  // the broker publishes the will when it notices the lost link
    Closing = true;
    int mid = 0;
    if (!Send(StatusTopic, "offline", 1, true, &mid))
        return;
    std::unique_lock guard(Lock);
    Changed.wait_for(guard, OfflineWait, [&] { return Confirmed.count(mid) > 0 || !Connected; });
}

void CMqttPublisher::Close() {
    if (!Client)
        return;
    mosquitto_disconnect(Client);  // a clean end: the broker drops the will
    {
        std::lock_guard guard(Lock);
        Stopping = true;
        StopBy = std::chrono::steady_clock::now() + OfflineWait;  // the disconnect's way out
    }
    Changed.notify_all();  // also ends a back-off pause
    if (Link.joinable())
        Link.join();
    mosquitto_destroy(Client);
    Client = nullptr;
}

void CMqttPublisher::OnConnect(mosquitto*, void* self, int result) {
    auto* publisher = static_cast<CMqttPublisher*>(self);
    std::map<std::string, std::string> retained;
    std::set<std::string> withdrawn;
    {
        std::lock_guard guard(publisher->Lock);
        if (publisher->FirstAnswer < 0)
            publisher->FirstAnswer = result;
        // The next frame publishes every presence again.
        std::fill(publisher->PresentSent.begin(), publisher->PresentSent.end(), -1);
        if (result == 0) {
            retained = publisher->Retained;
            withdrawn.swap(publisher->Withdrawn);
        }
    }
    if (result == 0) {
        // Packets of the previous connection were discarded unwritten.
        publisher->Unwritten = 0;
        publisher->Connected = true;
        publisher->Send(publisher->StatusTopic, "online", 1, true);
        publisher->SendRetained(retained);
        publisher->SendWithdrawn(std::move(withdrawn));
    }
    publisher->Changed.notify_all();
}

void CMqttPublisher::OnDisconnect(mosquitto*, void* self, int) {
    auto* publisher = static_cast<CMqttPublisher*>(self);
    {
        std::lock_guard guard(publisher->Lock);  // so a waiter cannot miss the change
        publisher->Connected = false;
    }
    publisher->Changed.notify_all();
}

void CMqttPublisher::OnPublish(mosquitto*, void* self, int mid) {
    auto* publisher = static_cast<CMqttPublisher*>(self);
    // May run after a reconnection reset the count: never below zero.
    int unwritten = publisher->Unwritten.load();
    while (unwritten > 0 && !publisher->Unwritten.compare_exchange_weak(unwritten, unwritten - 1)) {
    }
    if (!publisher->Closing)
        return;
    {
        std::lock_guard guard(publisher->Lock);
        publisher->Confirmed.insert(mid);
    }
    publisher->Changed.notify_all();
}
