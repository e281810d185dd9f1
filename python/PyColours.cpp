#include "PyColours.h"

#include "LimitFields.h"
#include "PyParams.h"
#include "SettingsFile.h"
#include "SettingsStore.h"

#include <pybind11/stl/filesystem.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace py = pybind11;

namespace {

std::string TypeName(const py::handle& value) {
    return py::str(py::type::of(value).attr("__name__"));
}

std::string CheckedName(const py::handle& value) {
    if (!py::isinstance<py::str>(value))
        throw py::type_error("name must be a str, not " + TypeName(value));
    const auto name = value.cast<std::string>();
    if (!IsValidColourName(name))
        throw py::value_error("colour name '" + name + "': use 1 to " +
                              std::to_string(CColour::MaxNameLength) +
                              " letters, digits, '-' and '_'");
    return name;
}

// The eleven limits of a Params; its flags mean nothing to a colour and stay off.
void SetLimits(CColour& colour, const py::handle& value) {
    if (!py::isinstance<CTrackingParams>(value))
        throw py::type_error("params must be a quelta.Params, not " + TypeName(value));
    colour.Limits = value.cast<CTrackingParams>();
    colour.Limits.ShowMask = false;
    colour.Limits.VideoConfigured = false;
}

void SetField(CColour& colour, const std::string& key, const py::handle& value) {
    if (key == "name") {
        colour.Name = CheckedName(value);
    } else if (key == "display") {
        colour.DisplayColour = CheckedWhole("display", value, 0, 0xFFFFFF);
    } else if (key == "max_marks") {
        colour.MaxMarks =
            static_cast<int>(CheckedWhole("max_marks", value, 1, CColour::MaxMarksLimit));
    } else if (key == "params") {
        SetLimits(colour, value);
    } else {
        for (const CLimitField& f : LimitFields)
            if (key == f.Name) {
                f.Set(colour.Limits, CheckedLimit(f, value));
                return;
            }
        throw py::type_error("Colour has no field '" + key + "'");
    }
}

// Colour("red", lMin=.., display=0xFF0000, max_marks=4): `params` first, so that limits named
// beside it change it. All or nothing.
CColour MakeColour(const py::object& name, const py::kwargs& fields) {
    CColour colour;
    colour.Name = CheckedName(name);
    if (fields.contains("params"))
        SetLimits(colour, fields["params"]);
    for (const auto& [key, value] : fields)
        if (key.cast<std::string>() != "params")
            SetField(colour, key.cast<std::string>(), value);
    return colour;
}

std::string ColourRepr(const CColour& c) {
    std::string text = "quelta.Colour('" + c.Name + "', ";
    for (const CLimitField& f : LimitFields)
        text += std::string(f.Name) + "=" + std::to_string(f.Get(c.Limits)) + ", ";
    char display[16];
    std::snprintf(display, sizeof display, "0x%06X", static_cast<unsigned>(c.DisplayColour));
    return text + "display=" + display + ", max_marks=" + std::to_string(c.MaxMarks) + ")";
}

py::list LoadColours(const std::filesystem::path& path) {
    CColourSet set;
    std::string problem;
    if (!LoadColourSetFile(set, path.string(), problem))
        throw CSettingsError("cannot load colour set file '" + path.string() + "': " + problem);
    return ColourList(set);
}

void SaveColours(const py::handle& colours, const std::filesystem::path& path) {
    if (!SaveColourSetFile(ColourSetOf(colours), path.string()))
        throw CSettingsError("cannot save colour set file '" + path.string() + "'");
}

py::list ColoursFromStore() {
    CColourSet set;
    if (!ReadColourSet(set))
        throw CSettingsError("cannot read the per-user settings store");
    return ColourList(set);
}

const char ColourDoc[] =
    R"(One colour of a set: a name, the eleven limits of Params, a display colour, max_marks.

Colour(name, **fields): name of 1 to 32 letters, digits, '-' and '_' (unique in a set);
fields as in Params (lMin=.., MaxWidth=..) or params=Params(..) for all eleven at once;
display (0xRRGGBB, what the marks are drawn in; default 0xFF0000) and max_marks (1..64,
default 8: at most this many marks of the colour, longest diagonal first). A set is a list of
1 to 16 Colour with distinct names; its first colour is the mark of Tracker.track.)";

void BindColourFields(py::class_<CColour>& colour) {
    colour.def_property(
        "name", [](const CColour& c) { return c.Name; },
        [](CColour& c, const py::handle& v) { c.Name = CheckedName(v); });
    for (const CLimitField& f : LimitFields)
        colour.def_property(
            f.Name, [&f](const CColour& c) { return f.Get(c.Limits); },
            [&f](CColour& c, const py::handle& v) { f.Set(c.Limits, CheckedLimit(f, v)); });
    colour.def_property(
        "params", [](const CColour& c) { return c.Limits; },
        [](CColour& c, const py::handle& v) { SetLimits(c, v); },
        "the eleven limits as a new Params (a copy)");
    colour.def_property(
        "display", [](const CColour& c) { return c.DisplayColour; },
        [](CColour& c, const py::handle& v) { SetField(c, "display", v); }, "0xRRGGBB");
    colour.def_property(
        "max_marks", [](const CColour& c) { return c.MaxMarks; },
        [](CColour& c, const py::handle& v) { SetField(c, "max_marks", v); });
}

}  // namespace

CColourSet ColourSetOf(const py::handle& colours) {
    if (!py::isinstance<py::sequence>(colours) || py::isinstance<py::str>(colours) ||
        py::isinstance<py::bytes>(colours))
        throw py::type_error("colours must be a list of quelta.Colour, not " + TypeName(colours));
    const auto items = py::reinterpret_borrow<py::sequence>(colours);
    const std::size_t count = py::len(items);
    if (count == 0 || count > CColourSet::MaxColours)
        throw py::value_error("a colour set holds 1 to " + std::to_string(CColourSet::MaxColours) +
                              " colours, not " + std::to_string(count));
    CColourSet set;
    for (std::size_t i = 0; i < count; ++i) {
        const py::object item = items[i];
        if (!py::isinstance<CColour>(item))
            throw py::type_error("colours must be a list of quelta.Colour; item " +
                                 std::to_string(i) + " is " + TypeName(item));
        set.Colours.push_back(item.cast<CColour>());
    }
    if (const auto problem = ColourSetProblem(set))
        throw py::value_error(*problem);
    return set;
}

py::list ColourList(const CColourSet& set) {
    py::list list;
    for (const CColour& colour : set.Colours)
        list.append(py::cast(colour));
    return list;
}

void BindColours(py::module_& m) {
    py::class_<CColour> colour(m, "Colour", ColourDoc);
    colour.def(py::init(&MakeColour), py::arg("name"));
    BindColourFields(colour);
    colour.def("copy", [](const CColour& c) { return c; });
    colour.def("__copy__", [](const CColour& c) { return c; });
    colour.def("__deepcopy__", [](const CColour& c, const py::dict&) { return c; });
    colour.def("__eq__", [](const CColour& a, const CColour& b) { return a == b; });
    colour.def("__eq__", [](const CColour&, const py::object&) {
        return py::reinterpret_borrow<py::object>(Py_NotImplemented);
    });
    colour.def("__repr__", &ColourRepr);

    m.def("load_colours", &LoadColours, py::arg("path"),
          "Reads a colour set file (.qta, a plain settings file is a set of one colour) as a "
          "list of Colour, all or nothing; raises SettingsError.");
    m.def("save_colours", &SaveColours, py::arg("colours"), py::arg("path"),
          "Writes the set (a list of Colour) as a colour set file, replacing the target "
          "atomically; raises ValueError for an invalid set, SettingsError when it cannot write.");
    m.def("colours_from_store", &ColoursFromStore,
          "The colour set in the per-user store (read only), as a list of Colour.");
}
