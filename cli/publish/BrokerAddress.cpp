#include "BrokerAddress.h"

#include "PublishError.h"

#include <mosquitto.h>

#include <algorithm>
#include <charconv>

namespace {

const char* const Form = "; expected mqtt://[USER[:PASSWORD]@]HOST[:PORT]/TOPIC";

[[noreturn]] void Refuse(const std::string& why) {
    throw CPublishError("--publish: " + why + Form);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string Unescape(const std::string& text, const char* what) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            plain += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
        if (low < 0)
            Refuse(std::string("a '%' in the ") + what + " must begin an escape such as %40");
        plain += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return plain;
}

int ParsePort(const std::string& text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 1 ||
        port > 65535)
        Refuse("the port must be a number from 1 to 65535");
    return port;
}

// HOST, HOST:PORT, [IPV6] or [IPV6]:PORT.
void ParseHostPort(const std::string& text, CBrokerAddress& address) {
    std::string port;
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos)
            Refuse("an IPv6 address needs its closing ']'");
        address.Host = text.substr(1, close - 1);
        const std::string rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            Refuse("only :PORT may follow an IPv6 address");
        port = rest.empty() ? "" : rest.substr(1);
        if (rest == ":")
            Refuse("the port is empty");
    } else {
        const size_t colon = text.find(':');
        if (colon != std::string::npos && text.find(':', colon + 1) != std::string::npos)
            Refuse("write an IPv6 address in brackets, e.g. [::1]");
        address.Host = text.substr(0, colon);
        if (colon != std::string::npos)
            port = text.substr(colon + 1);
        if (colon != std::string::npos && port.empty())
            Refuse("the port is empty");
    }
    if (address.Host.empty())
        Refuse("the host is missing");
    if (std::any_of(address.Host.begin(), address.Host.end(),
                    [](unsigned char c) { return c <= ' ' || c == 0x7f; }))
        Refuse("the host holds a space or a control character");
    if (!port.empty())
        address.Port = ParsePort(port);
}

void CheckTopic(const std::string& topic) {
    if (topic.empty())
        Refuse("the topic is missing");
    const std::string sample = topic + "/position";
    if (mosquitto_validate_utf8(sample.c_str(), static_cast<int>(sample.size())) !=
            MOSQ_ERR_SUCCESS ||
        mosquitto_pub_topic_check2(sample.c_str(), sample.size()) != MOSQ_ERR_SUCCESS)
        Refuse("the topic must be UTF-8 without the wildcards '+' and '#'");
}

}  // namespace

std::string CBrokerAddress::Where() const {
    const bool ipv6 = Host.find(':') != std::string::npos;
    return (ipv6 ? "[" + Host + "]" : Host) + ":" + std::to_string(Port);
}

CBrokerAddress ParseBrokerUrl(const std::string& url) {
    const std::string scheme = "mqtt://";
    if (url.size() < scheme.size() ||
        !std::equal(scheme.begin(), scheme.end(), url.begin(), [](char a, char b) {
            return a == std::tolower(static_cast<unsigned char>(b));
        }))
        Refuse("the address must begin with mqtt://");
    const std::string rest = url.substr(scheme.size());
    const size_t slash = rest.find('/');
    if (slash == std::string::npos)
        Refuse("the topic is missing");
    const std::string authority = rest.substr(0, slash);
    CBrokerAddress address;
    address.Topic = rest.substr(slash + 1);
    // The last '@' ends the user part, so an unescaped '@' in a password still works.
    const size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        const std::string userInfo = authority.substr(0, at);
        const size_t colon = userInfo.find(':');
        address.User = Unescape(userInfo.substr(0, colon), "user");
        if (address.User->empty())
            Refuse("the user is empty");
        if (colon != std::string::npos)
            address.Password = Unescape(userInfo.substr(colon + 1), "password");
    }
    ParseHostPort(at == std::string::npos ? authority : authority.substr(at + 1), address);
    CheckTopic(address.Topic);
    return address;
}
