#pragma once
#include <map>
#include <string>
#include <vector>

// Home Assistant's MQTT discovery for one camera, whose results go to TOPIC (TOPIC/status,
// TOPIC/NAME/present, TOPIC/marks): per colour a binary_sensor for its presence and two
// sensors for its first mark's x and y, all of one device and available while TOPIC/status
// says "online". Topic -> retained payload (the configuration as JSON), the topics
// PREFIX/<component>/quelta_<topic>/<colour>_<what>/config.
std::map<std::string, std::string> HomeAssistantDiscovery(const std::string& topic,
                                                          const std::vector<std::string>& colours,
                                                          const std::string& prefix);

// A discovery prefix is one or more topic levels, without MQTT's wildcards.
bool IsValidDiscoveryPrefix(const std::string& prefix);

inline constexpr const char* DefaultDiscoveryPrefix = "homeassistant";
