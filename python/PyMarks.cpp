#include "PyMarks.h"

#include <cinttypes>
#include <cstdio>

namespace py = pybind11;

std::vector<CPyMark> PyMarksOf(const std::vector<CTrackedMark>& tracked, const CColourSet& set) {
    std::vector<CPyMark> marks;
    marks.reserve(tracked.size());
    for (const CTrackedMark& t : tracked)
        marks.push_back({t, set.Colours[t.Mark.Colour].Name});
    return marks;
}

namespace {

const CMark& MarkOf(const CPyMark& m) { return m.Tracked.Mark; }

std::string MarkRepr(const CPyMark& p) {
    const CMark& m = MarkOf(p);
    char text[320];
    std::snprintf(text, sizeof text,
                  "quelta.Mark(id=%" PRIu64 ", colour='%s', box=(%u, %u, %u, %u), "
                  "center=(%.2f, %.2f), pixels=%d, age=%d, lost=%d)",
                  p.Tracked.Id, p.Colour.c_str(), m.MinX, m.MinY, m.MaxX, m.MaxY, m.CenterX,
                  m.CenterY, m.PixelCount, p.Tracked.Age, p.Tracked.Lost);
    return text;
}

const char MarkDoc[] =
    R"(One mark of a frame: a region of one colour inside that colour's limits, with the
identity the Tracker keeps for it from frame to frame. A mark unseen in this frame but still
held (lost > 0) stands at its predicted place.)";

}  // namespace

void BindMarks(py::module_& m) {
    py::class_<CPyMark>(m, "Mark", MarkDoc)
        .def_property_readonly(
            "id", [](const CPyMark& p) { return p.Tracked.Id; },
            "a positive number, the mark's own over the Tracker's frames, never given again")
        .def_readonly("colour", &CPyMark::Colour, "the name of the mark's colour")
        .def_property_readonly(
            "box",
            [](const CPyMark& p) {
                const CMark& b = MarkOf(p);
                return py::make_tuple(b.MinX, b.MinY, b.MaxX, b.MaxY);
            },
            "(min_x, min_y, max_x, max_y), inclusive")
        .def_property_readonly(
            "center",
            [](const CPyMark& p) { return py::make_tuple(MarkOf(p).CenterX, MarkOf(p).CenterY); },
            "(x, y), the mean pixel")
        .def_property_readonly(
            "pixels", [](const CPyMark& p) { return MarkOf(p).PixelCount; }, "the region's area")
        .def_property_readonly(
            "row", [](const CPyMark& p) { return MarkOf(p).Row; },
            "the centre's row on a 480-row scale")
        .def_property_readonly(
            "col", [](const CPyMark& p) { return MarkOf(p).Col; },
            "the centre's column on a 640-column scale")
        .def_property_readonly(
            "angle", [](const CPyMark& p) { return MarkOf(p).Angle; },
            "the major axis in degrees, 0 along x, counter-clockwise on the picture, (-90, 90]")
        .def_property_readonly(
            "elongation", [](const CPyMark& p) { return MarkOf(p).Elongation; },
            "1 - minor / major axis: 0 for a disc")
        .def_property_readonly(
            "age", [](const CPyMark& p) { return p.Tracked.Age; },
            "frames since the mark was first seen (0 in that frame)")
        .def_property_readonly(
            "lost", [](const CPyMark& p) { return p.Tracked.Lost; },
            "frames since the mark was last seen: 0 when seen in this frame")
        .def_property_readonly(
            "velocity",
            [](const CPyMark& p) {
                return py::make_tuple(p.Tracked.VelocityX, p.Tracked.VelocityY);
            },
            "(vx, vy) in frame pixels per second, smoothed; (0, 0) until seen twice")
        .def("__repr__", &MarkRepr);
}
