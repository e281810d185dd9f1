#include "MqttBridge.h"

#include "HomeAssistant.h"
#include "MarksReport.h"
#include "PositionReport.h"

#include <algorithm>

namespace {
std::vector<std::string> NamesOf(const CColourSet& set) {
    std::vector<std::string> names;
    for (const CColour& colour : set.Colours)
        names.push_back(colour.Name);
    return names;
}
}  // namespace

CMqttBridge::CMqttBridge(const CBrokerAddress& address, const CColourSet& set,
                         std::optional<std::string> discoveryPrefix)
    : Topic(address.Topic), DiscoveryPrefix(std::move(discoveryPrefix)), Names(NamesOf(set)),
      Publisher(address, Names) {
    if (DiscoveryPrefix)
        Publisher.SetRetained(HomeAssistantDiscovery(Topic, Names, *DiscoveryPrefix));
}

void CMqttBridge::Frame(const CTrackedFrame& frame) {
    FollowSet(frame.Set);
    Publisher.Publish(FirstMarkReport(frame.Frame, frame.Time, frame.Tracker));
    Publisher.PublishMarks(frame.MarksJson,
                           ColoursPresent(frame.Tracker, frame.Set.Colours.size()));
}

// Every frame: compared in place, the names are copied only when they changed.
void CMqttBridge::FollowSet(const CColourSet& set) {
    if (std::equal(Names.begin(), Names.end(), set.Colours.begin(), set.Colours.end(),
                   [](const std::string& name, const CColour& c) { return name == c.Name; }))
        return;
    Names = NamesOf(set);
    Publisher.SetColours(Names);
    if (DiscoveryPrefix)
        Publisher.SetRetained(HomeAssistantDiscovery(Topic, Names, *DiscoveryPrefix));
}
