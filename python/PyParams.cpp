#include "PyParams.h"

#include "LimitFields.h"
#include "SettingsFile.h"
#include "SettingsStore.h"
#include "TrackingParams.h"

#include <pybind11/stl/filesystem.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace py = pybind11;

// Whole numbers only (ints, numpy integers; not floats, not bools), from low to high.
uint32_t CheckedWhole(const char* name, const py::handle& value, uint32_t low, uint32_t high) {
    PyObject* whole = PyBool_Check(value.ptr()) ? nullptr : PyNumber_Index(value.ptr());
    if (!whole) {
        PyErr_Clear();
        throw py::type_error(std::string(name) + " must be an int, not " +
                             std::string(py::str(py::type::of(value).attr("__name__"))));
    }
    const auto number = py::reinterpret_steal<py::int_>(whole);
    int overflow = 0;
    const long long n = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
    if (overflow != 0 || n < low || n > high)
        throw py::value_error(std::string(name) + " must be from " + std::to_string(low) + " to " +
                              std::to_string(high) + ", got " + std::string(py::repr(number)));
    return static_cast<uint32_t>(n);
}

// The integer fields are the stored limits (LimitFields), each held to its limit so that every
// Params can be saved and loaded again.
uint32_t CheckedLimit(const CLimitField& field, const py::handle& value) {
    return CheckedWhole(field.Name, value, 0, field.Limit);
}

namespace {

bool CheckedFlag(const char* name, const py::handle& value) {
    if (!PyBool_Check(value.ptr()))
        throw py::type_error(std::string(name) + " must be True or False");
    return value.cast<bool>();
}

// Keyword arguments name fields: Params(lMin=100, lMax=200, ShowMask=True).
void SetFromKeywords(CTrackingParams& p, const py::kwargs& keywords) {
    for (const auto& [key, value] : keywords) {
        const auto name = key.cast<std::string>();
        if (name == "ShowMask") {
            p.ShowMask = CheckedFlag("ShowMask", value);
            continue;
        }
        const CLimitField* field = nullptr;
        for (const CLimitField& f : LimitFields)
            field = name == f.Name ? &f : field;
        if (!field)
            throw py::type_error("Params has no field '" + name + "'");
        field->Set(p, CheckedLimit(*field, value));
    }
}

// The fields Python sees; VideoConfigured belongs to the store and the program.
bool SameFields(const CTrackingParams& a, const CTrackingParams& b) {
    for (const CLimitField& f : LimitFields)
        if (f.Get(a) != f.Get(b))
            return false;
    return a.ShowMask == b.ShowMask;
}

std::string ParamsRepr(const CTrackingParams& p) {
    std::string text = "quelta.Params(";
    for (const CLimitField& f : LimitFields)
        text += std::string(f.Name) + "=" + std::to_string(f.Get(p)) + ", ";
    return text + "ShowMask=" + (p.ShowMask ? "True" : "False") + ")";
}

CTrackingParams Load(const std::filesystem::path& path) {
    CTrackingParams p;
    if (LoadSettingsFile(p, path.string()))
        return p;
    std::error_code error;
    const char* why =
        std::filesystem::exists(path, error) ? "not a readable settings file" : "no such file";
    throw CSettingsError("cannot load settings file '" + path.string() + "': " + why);
}

void Save(const CTrackingParams& p, const std::filesystem::path& path) {
    if (!SaveSettingsFile(p, path.string()))
        throw CSettingsError("cannot save settings file '" + path.string() + "'");
}

CTrackingParams FromStore() {
    CTrackingParams p;
    if (!ReadRegistry(p))
        throw CSettingsError("cannot read the per-user settings store");
    return p;
}

const char ParamsDoc[] =
    R"(The tracking limits: colour bounds (YUV bytes) and size limits on a 640 x 480 frame.

Params() holds the defaults; keyword arguments set fields: Params(lMin=100, lMax=200).
Integer fields (as named in the store): lMin, lMax, a1Min, a1Max, a2Min, a2Max (0..255),
MinARatio (0..100, hundredths), MinWidth, MaxWidth (0..640), MinHeight, MaxHeight (0..480).
ShowMask (bool) paints the colour mask when a Tracker draws.)";

}  // namespace

void BindParams(py::module_& m) {
    py::register_exception<CSettingsError>(m, "SettingsError");

    py::class_<CTrackingParams> params(m, "Params", ParamsDoc);
    params.def(py::init([](const py::kwargs& keywords) {
        CTrackingParams p;
        SetFromKeywords(p, keywords);
        return p;
    }));
    for (const CLimitField& f : LimitFields)
        params.def_property(
            f.Name, [&f](const CTrackingParams& p) { return f.Get(p); },
            [&f](CTrackingParams& p, const py::handle& value) {
                f.Set(p, CheckedLimit(f, value));
            });
    params.def_property(
        "ShowMask", [](const CTrackingParams& p) { return p.ShowMask; },
        [](CTrackingParams& p, const py::handle& value) {
            p.ShowMask = CheckedFlag("ShowMask", value);
        });
    params.def_static("load", &Load, py::arg("path"),
                      "Reads a settings file (.qta), all or nothing; raises SettingsError.");
    params.def("save", &Save, py::arg("path"),
               "Writes a settings file (.qta), replacing the target atomically; raises "
               "SettingsError.");
    params.def_static("from_store", &FromStore,
                      "The limits in the per-user store (read only); defaults where it has none.");
    params.def("copy", [](const CTrackingParams& p) { return p; });
    params.def("__copy__", [](const CTrackingParams& p) { return p; });
    params.def("__deepcopy__", [](const CTrackingParams& p, const py::dict&) { return p; });
    params.def("__eq__",
               [](const CTrackingParams& a, const CTrackingParams& b) { return SameFields(a, b); });
    params.def("__eq__", [](const CTrackingParams&, const py::object&) {
        return py::reinterpret_borrow<py::object>(Py_NotImplemented);
    });
    params.def("__repr__", &ParamsRepr);
}
