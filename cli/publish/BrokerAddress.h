#pragma once
#include <optional>
#include <string>

// Where results go: mqtt://[USER[:PASSWORD]@]HOST[:PORT]/TOPIC.
struct CBrokerAddress {
    std::string Host;  // a name or an address; an IPv6 address without its brackets
    int Port = 1883;
    std::string Topic;  // the prefix of every topic published (TOPIC/position, ...)
    std::optional<std::string> User, Password;

    // HOST:PORT, for messages (never the password).
    std::string Where() const;
};

// USER and PASSWORD may hold %XX escapes (%40 for '@', %3A for ':', %2F for '/'); TOPIC is
// taken as written. Throws CPublishError saying what is wrong.
CBrokerAddress ParseBrokerUrl(const std::string& url);
