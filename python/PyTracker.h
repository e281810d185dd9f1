#pragma once
#include <pybind11/pybind11.h>

// quelta.Tracker (the tracking pass over numpy frames) and quelta.Result (what it found).
void BindTracker(pybind11::module_& m);
