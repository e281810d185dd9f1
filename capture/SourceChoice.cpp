#include "SourceChoice.h"

#include "SettingsStore.h"
#include "V4l2Query.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

int NodeNumber(const std::string& node) {
    try {
        return std::stoi(node.substr(5));  // "videoN"
    } catch (...) {
        return -1;
    }
}

std::string SysfsName(const std::filesystem::path& dir) {
    std::ifstream in(dir / "name");
    std::string name;
    std::getline(in, name);
    return name;
}

}  // namespace

std::vector<CSourceEntry> ListVideoDevices() {
    namespace fs = std::filesystem;
    std::vector<std::pair<int, CSourceEntry>> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/sys/class/video4linux", ec)) {
        const std::string node = entry.path().filename().string();
        if (node.rfind("video", 0) != 0 || NodeNumber(node) < 0)
            continue;
        const std::string path = "/dev/" + node;
        // Metadata and output nodes of the same camera are listed too; only capture ones count.
        CV4l2Node probe(path);
        if (!probe.CapturesVideo())
            continue;
        // The card name is what the driver calls the camera ("HD Webcam C270"); sysfs may
        // only have the node's own name.
        std::string label = probe.CardName();
        if (label.empty())
            label = SysfsName(entry.path());
        found.push_back({NodeNumber(node), {"v4l2:" + path, label.empty() ? path : label}});
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<CSourceEntry> out;
    for (auto& f : found)
        out.push_back(std::move(f.second));
    return out;
}

CImageSource OpenRememberedSource() {
    const std::string remembered = RememberedSource();
    return remembered.empty() ? CImageSource() : CImageSource::Open(remembered);
}
