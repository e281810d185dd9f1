#pragma once
#include <pybind11/pybind11.h>

// quelta.Params (the tracking record, fields named as in the store) and quelta.SettingsError.
void BindParams(pybind11::module_& m);
