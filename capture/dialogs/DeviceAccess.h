#pragma once
#include "ImageSource.h"

#include <cstdint>
#include <vector>

// What the device dialogs need from a device. The dialogs talk to this rather than to
// CImageSource directly so that tests can hand them a scripted device and watch the calls.
class CDeviceAccess {
public:
    virtual ~CDeviceAccess() = default;
    virtual std::vector<CCaptureFormat> Formats() const = 0;
    virtual CCaptureFormat CurrentFormat() const = 0;
    virtual bool SetFormat(const CCaptureFormat& format) = 0;
    virtual std::vector<CCaptureControl> Controls() const = 0;
    virtual bool SetControl(uint32_t id, int value) = 0;
};

// The real thing: forwards to the capture source.
class CImageSourceAccess final : public CDeviceAccess {
public:
    explicit CImageSourceAccess(CImageSource& source) : Source(source) {}
    std::vector<CCaptureFormat> Formats() const override { return Source.Formats(); }
    CCaptureFormat CurrentFormat() const override { return Source.CurrentFormat(); }
    bool SetFormat(const CCaptureFormat& format) override { return Source.SetFormat(format); }
    std::vector<CCaptureControl> Controls() const override { return Source.Controls(); }
    bool SetControl(uint32_t id, int value) override { return Source.SetControl(id, value); }

private:
    CImageSource& Source;
};
