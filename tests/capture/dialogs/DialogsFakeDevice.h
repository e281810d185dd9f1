#pragma once
#include "DeviceAccess.h"

#include <algorithm>
#include <utility>
#include <vector>

// A scripted camera shaped like a common USB webcam: automatic exposure and white balance
// that switch the manual values off, a stepped control, a menu and a button. It refuses, as
// such drivers do, values outside the range and writes to inactive controls, and it records
// every call the dialogs make.
class CFakeDevice : public CDeviceAccess {
public:
    enum : uint32_t {
        Brightness = 1,
        ExposureAuto,
        Exposure,
        WhiteBalanceAuto,
        Temperature,
        PowerLine,
        PanReset,
        LedFrequency
    };
    enum : int { ManualMode = 1, AperturePriorityMode = 3 };

    std::vector<CCaptureFormat> DeviceFormats{
        {640, 480, 30}, {320, 240, 30}, {640, 480, 30}, {1280, 720, 10}, {640, 480, 15}};
    CCaptureFormat Current{640, 480, 30};
    bool AcceptFormats = true;
    std::vector<CCaptureFormat> FormatCalls;
    std::vector<std::pair<uint32_t, int>> ControlCalls;
    std::vector<CCaptureControl> State = Initial();

    std::vector<CCaptureFormat> Formats() const override { return DeviceFormats; }
    CCaptureFormat CurrentFormat() const override { return Current; }
    bool SetFormat(const CCaptureFormat& format) override {
        FormatCalls.push_back(format);
        if (AcceptFormats)
            Current = format;
        return AcceptFormats;
    }

    std::vector<CCaptureControl> Controls() const override { return State; }
    bool SetControl(uint32_t id, int value) override {
        ControlCalls.emplace_back(id, value);
        CCaptureControl* control = Find(id);
        if (!control || control->Inactive)
            return false;
        if (value < control->Minimum || value > control->Maximum)
            return false;
        if (control->Type != CCaptureControl::Button)
            control->Value = value;
        Find(Exposure)->Inactive = Find(ExposureAuto)->Value != ManualMode;
        Find(Temperature)->Inactive = Find(WhiteBalanceAuto)->Value != 0;
        return true;
    }

    CCaptureControl* Find(uint32_t id) {
        auto it =
            std::find_if(State.begin(), State.end(), [id](const auto& c) { return c.Id == id; });
        return it == State.end() ? nullptr : &*it;
    }
    int ValueOf(uint32_t id) { return Find(id)->Value; }

private:
    static std::vector<CCaptureControl> Initial() {
        auto integer = [](uint32_t id, const char* name, int lo, int hi, int step, int def,
                          bool inactive) {
            CCaptureControl c;
            c.Id = id, c.Name = name, c.Minimum = lo, c.Maximum = hi, c.Step = step;
            c.Default = c.Value = def, c.Inactive = inactive;
            return c;
        };
        CCaptureControl exposureAuto =
            integer(ExposureAuto, "Auto Exposure", 0, 3, 1, AperturePriorityMode, false);
        exposureAuto.Type = CCaptureControl::Menu;
        exposureAuto.MenuItems = {{ManualMode, "Manual Mode"},
                                  {AperturePriorityMode, "Aperture Priority Mode"}};
        CCaptureControl wbAuto =
            integer(WhiteBalanceAuto, "White Balance, Automatic", 0, 1, 1, 1, false);
        wbAuto.Type = CCaptureControl::Boolean;
        CCaptureControl powerLine = integer(PowerLine, "Power Line Frequency", 0, 2, 1, 1, false);
        powerLine.Type = CCaptureControl::Menu;
        powerLine.MenuItems = {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}};
        CCaptureControl panReset = integer(PanReset, "Pan, Reset", 0, 1, 1, 0, false);
        panReset.Type = CCaptureControl::Button;
        return {integer(Brightness, "Brightness", -64, 64, 1, 0, false),
                exposureAuto,
                integer(Exposure, "Exposure Time, Absolute", 3, 2047, 1, 250, true),
                wbAuto,
                integer(Temperature, "White Balance Temperature", 2800, 6500, 10, 4600, true),
                powerLine,
                panReset,
                integer(LedFrequency, "LED1 Frequency", 0, 255, 1, 0, false)};
    }
};
