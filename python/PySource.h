#pragma once
#include <pybind11/pybind11.h>

// quelta.Source (frames from a live source) and quelta.FrameInfo.
void BindSource(pybind11::module_& m);
