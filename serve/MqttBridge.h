#pragma once
#include "BrokerAddress.h"
#include "MqttPublisher.h"
#include "TrackingLoop.h"

#include <optional>
#include <string>
#include <vector>

// quelta-serve's frames on an MQTT broker, with quelta-track's topics, and, when asked, Home
// Assistant's discovery of the set's colours. Both follow the set when it changes (a colour
// added, removed or renamed on the dashboard).
class CMqttBridge {
public:
    // Connects; throws CPublishError as CMqttPublisher does.
    CMqttBridge(const CBrokerAddress& address, const CColourSet& set,
                std::optional<std::string> discoveryPrefix);

    // On the tracking thread, after every frame; never waits for the network.
    void Frame(const CTrackedFrame& frame);

private:
    void FollowSet(const CColourSet& set);

    const std::string Topic;
    const std::optional<std::string> DiscoveryPrefix;
    std::vector<std::string> Names;  // the set's, as last published
    CMqttPublisher Publisher;
};
