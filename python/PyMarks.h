#pragma once
#include "ColourSet.h"
#include "MarkIdentities.h"

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>
#include <vector>

// One mark as Python sees it: what the pass measured, the colour's name and the identity the
// tracker gave it.
struct CPyMark {
    CTrackedMark Tracked;
    std::string Colour;
};

// The tracker's marks, with the names of their colours in `set`.
std::vector<CPyMark> PyMarksOf(const std::vector<CTrackedMark>& tracked, const CColourSet& set);

// quelta.Mark.
void BindMarks(pybind11::module_& m);
