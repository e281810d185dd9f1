#pragma once
#include <cstdint>
#include <vector>

// A camera's automatic control that moves a calibrated colour (exposure, gain, white
// balance): the value that switches it to manual, and the manual controls it sets while on.
struct CAutomaticControl {
    uint32_t Id;
    int Manual;
    std::vector<uint32_t> Governed;
};

// The V4L2 ones, in the order they are best switched (exposure first: gain follows it).
const std::vector<CAutomaticControl>& AutomaticControls();
