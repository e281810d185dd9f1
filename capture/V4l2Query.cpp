#include "V4l2Query.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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

std::string CV4l2Node::CardName() const {
    v4l2_capability cap{};
    if (!Query(VIDIOC_QUERYCAP, &cap))
        return {};
    return std::string(reinterpret_cast<const char*>(cap.card),
                       strnlen(reinterpret_cast<const char*>(cap.card), sizeof cap.card));
}

std::vector<double> CV4l2Node::Rates(uint32_t pixelFormat, int width, int height) const {
    std::vector<double> rates;
    v4l2_frmivalenum ival{};
    ival.pixel_format = pixelFormat;
    ival.width = static_cast<uint32_t>(width);
    ival.height = static_cast<uint32_t>(height);
    for (ival.index = 0; Query(VIDIOC_ENUM_FRAMEINTERVALS, &ival); ++ival.index) {
        auto toFps = [](const v4l2_fract& f) {
            return f.numerator ? double(f.denominator) / f.numerator : 0.0;
        };
        if (ival.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            rates.push_back(toFps(ival.discrete));
            continue;
        }
        // A continuous or stepped range: offer its two ends.
        rates.push_back(toFps(ival.stepwise.min));
        rates.push_back(toFps(ival.stepwise.max));
        break;
    }
    std::erase_if(rates, [](double r) { return r <= 0.0; });
    return rates;
}

void CV4l2Node::AddSizes(uint32_t pixelFormat, std::vector<CCaptureFormat>& out) const {
    auto add = [&](int w, int h) {
        auto rates = Rates(pixelFormat, w, h);
        if (rates.empty())
            rates.push_back(0.0);  // the driver does not say; the device picks
        for (double r : rates)
            out.push_back({w, h, r});
    };
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

std::vector<CCaptureFormat> CV4l2Node::Formats() const {
    std::vector<CCaptureFormat> out;
    v4l2_fmtdesc desc{};
    desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (desc.index = 0; Query(VIDIOC_ENUM_FMT, &desc); ++desc.index)
        AddSizes(desc.pixelformat, out);
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

bool CV4l2Node::SetControl(uint32_t id, int value) const {
    v4l2_control c{};
    c.id = id;
    c.value = value;
    return Query(VIDIOC_S_CTRL, &c);
}
