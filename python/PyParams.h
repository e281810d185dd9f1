#pragma once
#include <pybind11/pybind11.h>

#include <cstdint>
#include <stdexcept>

struct CLimitField;

// quelta.SettingsError: a settings file or the store could not be read or written.
struct CSettingsError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A whole number from Python (an int or a numpy integer; not a float, not a bool) from low to
// high; TypeError or ValueError naming `name` otherwise.
uint32_t CheckedWhole(const char* name, const pybind11::handle& value, uint32_t low, uint32_t high);
// The same for a stored limit: 0 to the field's limit.
uint32_t CheckedLimit(const CLimitField& field, const pybind11::handle& value);

// quelta.Params (the tracking record, fields named as in the store) and quelta.SettingsError.
void BindParams(pybind11::module_& m);
