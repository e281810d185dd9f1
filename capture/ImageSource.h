#pragma once
#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CFrameSequence;
class CCaptureDevice;

// Dialog numbers of the capture device.
enum : int { DisplayDialog = 2, FormatDialog = 3, SourceDialog = 4 };
// Properties for QueryProperty.
enum : int { FrameWidthProperty = 1, FrameHeightProperty = 2 };

struct CCaptureFormat {
    int Width = 0;
    int Height = 0;
    double Fps = 0.0;
    bool operator==(const CCaptureFormat&) const = default;
};

// One adjustable control of a device (V4L2 control, or a test-camera setting).
struct CCaptureControl {
    enum Kind { Integer, Boolean, Menu, Button };
    uint32_t Id = 0;
    std::string Name;  // as the device reports it
    Kind Type = Integer;
    int Minimum = 0, Maximum = 0, Step = 1, Default = 0, Value = 0;
    std::vector<std::pair<int, std::string>> MenuItems;  // value, label
    bool Inactive = false;  // e.g. manual exposure while automatic exposure is on
};

// The capture source: empty (no device) or attached to one source named by a string:
//   v4l2:/dev/videoN | file:PATH | gst:PIPELINE | testcam[:WxH@FPS]
//   | testcam-multi[:WxH@FPS]  (the test camera's six-disc scene)
// Copies share the same device (like a counted handle). While capture is enabled a grabber
// thread pushes each new frame (CV_8UC4, B,G,R,A, continuous, own pixels) into every
// connected sequence. A device that stops delivering is retried about once a second.
class CImageSource {
public:
    CImageSource();  // empty
    ~CImageSource();
    CImageSource(const CImageSource&);
    CImageSource& operator=(const CImageSource&);

    // Opens the named source (and checks that it delivers); empty on failure.
    static CImageSource Open(const std::string& name);

    bool HasDevice() const;
    std::string Name() const;  // the string that names it, empty when empty
    bool EnableCapture(bool on);
    // 0 when the device offers dialog n (formats to choose, controls to set); the dialogs
    // themselves belong to the program that shows them.
    int HasDialog(int n) const;
    int QueryProperty(int n, int& value) const;  // negative status on failure

    // The device's own formats and controls (what the dialogs show).
    std::vector<CCaptureFormat> Formats() const;
    CCaptureFormat CurrentFormat() const;
    bool SetFormat(const CCaptureFormat& format);
    std::vector<CCaptureControl> Controls() const;
    bool SetControl(uint32_t id, int value);

    // Frames go to `sequence` until it is disconnected (a sequence disconnects itself when
    // it is destroyed).
    void Connect(CFrameSequence* sequence) const;
    void Disconnect(CFrameSequence* sequence) const;

    // Lets tests and tools reach the device behind the handle (e.g. the test camera).
    CCaptureDevice* Device() const;

private:
    std::shared_ptr<class CSourceState> State;
};

// True when `name` has one of the forms above, whether or not such a source can be opened.
bool IsSourceName(const std::string& name);
