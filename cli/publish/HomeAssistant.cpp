#include "HomeAssistant.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cctype>

namespace {

// Node and object ids may only hold letters, digits, '_' and '-'.
std::string IdPart(const std::string& text) {
    std::string id = text;
    for (char& c : id)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-')
            c = '_';
    return id;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

QJsonObject Device(const std::string& topic, const std::string& node) {
    return {{"identifiers", QJsonArray{Q(node)}},
            {"name", Q("Quelta " + topic)},
            {"manufacturer", "Quelta"},
            {"model", "quelta-serve"}};
}

QJsonObject Common(const std::string& topic, const std::string& node, const std::string& name,
                   const std::string& what) {
    return {{"name", Q(name + " " + what)},
            {"unique_id", Q(node + "_" + name + "_" + what)},
            {"availability_topic", Q(topic + "/status")},
            {"payload_available", "online"},
            {"payload_not_available", "offline"},
            {"device", Device(topic, node)}};
}

// The colour's first mark seen in this frame (the marks come longest first), "None" (unknown
// to Home Assistant) while it has none.
QString FirstMarkTemplate(const std::string& colour, int axis) {
    return QString("{% set m = value_json.marks | selectattr('colour', 'eq', '%1') | "
                   "selectattr('lost', 'eq', 0) | list %}"
                   "{{ m[0].center[%2] if m else None }}")
        .arg(Q(colour))
        .arg(axis);
}

std::string Json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace

std::map<std::string, std::string> HomeAssistantDiscovery(const std::string& topic,
                                                          const std::vector<std::string>& colours,
                                                          const std::string& prefix) {
    const std::string node = "quelta_" + IdPart(topic);
    std::map<std::string, std::string> messages;
    for (const std::string& colour : colours) {
        const std::string object = IdPart(colour);
        QJsonObject present = Common(topic, node, colour, "present");
        present["state_topic"] = Q(topic + "/" + colour + "/present");
        present["payload_on"] = "1";
        present["payload_off"] = "0";
        messages[prefix + "/binary_sensor/" + node + "/" + object + "_present/config"] =
            Json(present);
        for (int axis = 0; axis < 2; ++axis) {
            const std::string what = axis == 0 ? "x" : "y";
            QJsonObject sensor = Common(topic, node, colour, what);
            sensor["state_topic"] = Q(topic + "/marks");
            sensor["value_template"] = FirstMarkTemplate(colour, axis);
            sensor["unit_of_measurement"] = "px";
            sensor["state_class"] = "measurement";
            messages[prefix + "/sensor/" + node + "/" + object + "_" + what + "/config"] =
                Json(sensor);
        }
    }
    return messages;
}

bool IsValidDiscoveryPrefix(const std::string& prefix) {
    if (prefix.empty() || prefix.front() == '/' || prefix.back() == '/')
        return false;
    for (const char c : prefix)
        if (c == '+' || c == '#' || c == '\0')
            return false;
    return true;
}
