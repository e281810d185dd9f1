#include "V4l2Query.h"
#include "V4l2Convert.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <tuple>

CV4l2Node::CV4l2Node(const std::string& path) {
    Fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

CV4l2Node::~CV4l2Node() {
    if (Fd >= 0)
        ::close(Fd);
}

bool CV4l2Node::Query(unsigned long request, void* arg) const {
    if (Fd < 0)
        return false;
    int r;
    do
        r = ::ioctl(Fd, request, arg);
    while (r < 0 && errno == EINTR);
    return r == 0;
}

bool CV4l2Node::CapturesVideo() const {
    v4l2_capability cap{};
    if (!Query(VIDIOC_QUERYCAP, &cap))
        return false;
    // device_caps describes this node; capabilities the whole physical device.
    const uint32_t caps =
        (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    return (caps & V4L2_CAP_VIDEO_CAPTURE) && (caps & V4L2_CAP_STREAMING);
}

std::string CV4l2Node::CardName() const { return Identity().Card; }

CV4l2Identity CV4l2Node::Identity() const {
    v4l2_capability cap{};
    if (!Query(VIDIOC_QUERYCAP, &cap))
        return {};
    auto text = [](const uint8_t* field, size_t size) {
        return std::string(reinterpret_cast<const char*>(field),
                           strnlen(reinterpret_cast<const char*>(field), size));
    };
    return {{}, text(cap.card, sizeof cap.card), text(cap.bus_info, sizeof cap.bus_info)};
}

void CV4l2Node::AddRates(CV4l2Mode mode, std::vector<CV4l2Mode>& out) const {
    const size_t before = out.size();
    v4l2_frmivalenum ival{};
    ival.pixel_format = mode.PixelFormat;
    ival.width = static_cast<uint32_t>(mode.Width);
    ival.height = static_cast<uint32_t>(mode.Height);
    auto add = [&](const v4l2_fract& f) {
        if (f.numerator == 0 || f.denominator == 0)
            return;
        mode.IntervalNumerator = f.numerator;
        mode.IntervalDenominator = f.denominator;
        out.push_back(mode);
    };
    for (ival.index = 0; Query(VIDIOC_ENUM_FRAMEINTERVALS, &ival); ++ival.index) {
        if (ival.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            add(ival.discrete);
            continue;
        }
        // A continuous or stepped range: offer its two ends.
        add(ival.stepwise.min);
        add(ival.stepwise.max);
        break;
    }
    if (out.size() == before) {
        mode.IntervalNumerator = mode.IntervalDenominator = 0;  // the device picks the rate
        out.push_back(mode);
    }
}

void CV4l2Node::AddSizes(uint32_t pixelFormat, std::vector<CV4l2Mode>& out) const {
    auto add = [&](int w, int h) { AddRates({pixelFormat, w, h, 0, 0}, out); };
    v4l2_frmsizeenum size{};
    size.pixel_format = pixelFormat;
    for (size.index = 0; Query(VIDIOC_ENUM_FRAMESIZES, &size); ++size.index) {
        if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
            add(int(size.discrete.width), int(size.discrete.height));
            continue;
        }
        // A range of sizes: offer the usual ones that fit inside it.
        static const int common[][2] = {{160, 120},  {320, 240},  {640, 480},  {800, 600},
                                        {1024, 768}, {1280, 720}, {1920, 1080}};
        const auto& s = size.stepwise;
        for (const auto& c : common)
            if (uint32_t(c[0]) >= s.min_width && uint32_t(c[0]) <= s.max_width &&
                uint32_t(c[1]) >= s.min_height && uint32_t(c[1]) <= s.max_height)
                add(c[0], c[1]);
        break;
    }
}

std::vector<CV4l2Mode> CV4l2Node::Modes() const {
    std::vector<CV4l2Mode> out;
    v4l2_fmtdesc desc{};
    desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (desc.index = 0; Query(VIDIOC_ENUM_FMT, &desc); ++desc.index)
        if (CanConvert(desc.pixelformat))
            AddSizes(desc.pixelformat, out);
    return out;
}

std::vector<CCaptureFormat> CV4l2Node::Formats() const {
    std::vector<CCaptureFormat> out;
    for (const CV4l2Mode& m : Modes())
        out.push_back({m.Width, m.Height, m.Fps()});
    std::sort(out.begin(), out.end(), [](const CCaptureFormat& a, const CCaptureFormat& b) {
        if (a.Width * a.Height != b.Width * b.Height)
            return a.Width * a.Height > b.Width * b.Height;
        if (a.Width != b.Width)
            return a.Width > b.Width;
        return a.Fps > b.Fps;
    });
    // Several pixel formats usually share a size and rate; the user chooses size and rate.
    out.erase(std::unique(out.begin(), out.end(),
                          [](const CCaptureFormat& a, const CCaptureFormat& b) {
                              return a.Width == b.Width && a.Height == b.Height &&
                                     std::abs(a.Fps - b.Fps) < 0.01;
                          }),
              out.end());
    return out;
}

namespace {

bool SameRate(double a, double b) { return std::abs(a - b) <= 0.01 * b; }

int Preference(uint32_t pixelFormat) {
    const auto& all = ConvertiblePixelFormats();
    return int(std::find(all.begin(), all.end(), pixelFormat) - all.begin());
}

// The offered size nearest in area to what the programs' limits are given for.
std::pair<int, int> DefaultSize(const std::vector<CV4l2Mode>& modes) {
    const long target = 640L * 480;
    std::pair<int, int> best{0, 0};
    long bestDistance = -1;
    for (const CV4l2Mode& m : modes) {
        const long distance = std::abs(long(m.Width) * m.Height - target);
        if (bestDistance < 0 || distance < bestDistance) {
            best = {m.Width, m.Height};
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace

std::optional<CV4l2Mode> ChooseMode(const std::vector<CV4l2Mode>& modes,
                                    const CCaptureFormat& wanted) {
    auto [width, height] = std::pair{wanted.Width, wanted.Height};
    if (width <= 0 || height <= 0)
        std::tie(width, height) = DefaultSize(modes);
    std::optional<CV4l2Mode> best;
    // Better: the asked rate, then a higher rate, then a cheaper pixel format.
    auto better = [&](const CV4l2Mode& a, const CV4l2Mode& b) {
        if (wanted.Fps > 0 && SameRate(a.Fps(), wanted.Fps) != SameRate(b.Fps(), wanted.Fps))
            return SameRate(a.Fps(), wanted.Fps);
        if (std::abs(a.Fps() - b.Fps()) > 0.001)
            return a.Fps() > b.Fps();
        return Preference(a.PixelFormat) < Preference(b.PixelFormat);
    };
    for (const CV4l2Mode& m : modes)
        if (m.Width == width && m.Height == height && (!best || better(m, *best)))
            best = m;
    return best;
}

bool CV4l2Node::Describe(uint32_t id, CCaptureControl& control) const {
    v4l2_queryctrl q{};
    q.id = id;
    if (!Query(VIDIOC_QUERYCTRL, &q) || (q.flags & V4L2_CTRL_FLAG_DISABLED))
        return false;
    control.Id = q.id;
    control.Name.assign(reinterpret_cast<const char*>(q.name),
                        strnlen(reinterpret_cast<const char*>(q.name), sizeof q.name));
    control.Minimum = q.minimum;
    control.Maximum = q.maximum;
    control.Step = q.step > 0 ? q.step : 1;
    control.Default = q.default_value;
    control.Inactive =
        (q.flags & (V4L2_CTRL_FLAG_INACTIVE | V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_GRABBED)) !=
        0;
    switch (q.type) {
    case V4L2_CTRL_TYPE_INTEGER:
        control.Type = CCaptureControl::Integer;
        break;
    case V4L2_CTRL_TYPE_BOOLEAN:
        control.Type = CCaptureControl::Boolean;
        break;
    case V4L2_CTRL_TYPE_BUTTON:
        control.Type = CCaptureControl::Button;
        break;
    case V4L2_CTRL_TYPE_MENU:
    case V4L2_CTRL_TYPE_INTEGER_MENU: {
        control.Type = CCaptureControl::Menu;
        for (int i = q.minimum; i <= q.maximum; ++i) {
            v4l2_querymenu m{};
            m.id = q.id;
            m.index = static_cast<uint32_t>(i);
            if (!Query(VIDIOC_QUERYMENU, &m))
                continue;  // gaps in a menu are allowed
            std::string label =
                q.type == V4L2_CTRL_TYPE_MENU
                    ? std::string(reinterpret_cast<const char*>(m.name),
                                  strnlen(reinterpret_cast<const char*>(m.name), sizeof m.name))
                    : std::to_string(m.value);
            control.MenuItems.emplace_back(i, label);
        }
        break;
    }
    default:
        return false;  // 64-bit, string and compound controls are not offered
    }
    if (control.Type != CCaptureControl::Button) {
        v4l2_control value{};
        value.id = q.id;
        // Write-only controls cannot be read; show their default.
        control.Value = Query(VIDIOC_G_CTRL, &value) ? value.value : q.default_value;
    }
    return true;
}

std::vector<CCaptureControl> CV4l2Node::Controls() const {
    std::vector<CCaptureControl> out;
    v4l2_queryctrl q{};
    q.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    bool walked = false;
    while (Query(VIDIOC_QUERYCTRL, &q)) {
        walked = true;
        CCaptureControl c;
        if (q.type != V4L2_CTRL_TYPE_CTRL_CLASS && Describe(q.id, c))
            out.push_back(std::move(c));
        q.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
    }
    if (walked)
        return out;
    // Old drivers without the walk: try the user and camera control ranges one by one.
    for (uint32_t id = V4L2_CID_BASE; id < V4L2_CID_LASTP1; ++id) {
        CCaptureControl c;
        if (Describe(id, c))
            out.push_back(std::move(c));
    }
    for (uint32_t id = V4L2_CID_CAMERA_CLASS_BASE; id < V4L2_CID_CAMERA_CLASS_BASE + 64; ++id) {
        CCaptureControl c;
        if (Describe(id, c))
            out.push_back(std::move(c));
    }
    return out;
}

bool CV4l2Node::IsButton(uint32_t id) const {
    v4l2_queryctrl q{};
    q.id = id;
    return Query(VIDIOC_QUERYCTRL, &q) && q.type == V4L2_CTRL_TYPE_BUTTON;
}

bool CV4l2Node::SetControl(uint32_t id, int value) const {
    v4l2_control c{};
    c.id = id;
    c.value = value;
    return Query(VIDIOC_S_CTRL, &c);
}

namespace {

std::string Canonical(const std::filesystem::path& path) {
    std::error_code ec;
    const auto resolved = std::filesystem::canonical(path, ec);
    return ec ? std::string() : resolved.string();
}

int VideoNodeNumber(const std::string& name) {
    if (name.rfind("video", 0) != 0 || name.size() == 5)
        return -1;
    int number = 0;
    for (char c : name.substr(5)) {
        if (c < '0' || c > '9' || number > 100000)
            return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

// The udev link that names the node at `path`, if there is one.
std::string ByIdLink(const std::string& path) {
    const std::string node = Canonical(path);
    std::error_code ec;
    for (const auto& link : std::filesystem::directory_iterator("/dev/v4l/by-id", ec))
        if (!node.empty() && Canonical(link.path()) == node)
            return link.path().string();
    return {};
}

}  // namespace

CV4l2Identity IdentityOf(const std::string& path) {
    CV4l2Identity identity = CV4l2Node(path).Identity();
    if (identity.Known())
        identity.ById = ByIdLink(path);
    return identity;
}

std::string FindCamera(const CV4l2Identity& identity) {
    if (!identity.ById.empty()) {
        const std::string node = Canonical(identity.ById);
        if (!node.empty())
            return node;
    }
    if (identity.Card.empty())
        return {};
    // A camera may have several capture nodes; the lowest number is its main one.
    std::string best;
    int bestNumber = -1;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/video4linux", ec)) {
        const std::string name = entry.path().filename().string();
        const int number = VideoNodeNumber(name);
        if (number < 0 || (bestNumber >= 0 && number > bestNumber))
            continue;
        const std::string path = "/dev/" + name;
        CV4l2Node node(path);
        if (node.CapturesVideo() && node.Identity().SameCamera(identity)) {
            best = path;
            bestNumber = number;
        }
    }
    return best;
}
