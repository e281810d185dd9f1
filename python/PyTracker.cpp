#include "PyTracker.h"

#include "ColorTracker.h"
#include "FrameArrays.h"

#include <pybind11/stl.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>

namespace py = pybind11;

namespace {

// The six colour limits only: a calibration learns those and leaves the size limits alone.
void CopyColourBounds(const CTrackingParams& from, CTrackingParams& to) {
    to.lMin = from.lMin;
    to.lMax = from.lMax;
    to.a1Min = from.a1Min;
    to.a1Max = from.a1Max;
    to.a2Min = from.a2Min;
    to.a2Max = from.a2Max;
}

// The engine with its record and a BGRA buffer for frames it cannot read in place. The pass
// runs without the GIL; one lock keeps two Python threads from sharing the engine at once.
class CPyTracker {
public:
    explicit CPyTracker(const CTrackingParams& params) : Params(params) {}

    CPassResult Track(const py::object& frame, bool draw);
    void Calibrate(int x, int y);
    std::optional<std::pair<int, int>> Point();
    void SetPoint(const std::optional<std::pair<int, int>>& point);

    CTrackingParams Params;  // the live record: Python's t.params

private:
    std::unique_lock<std::mutex> Lock();
    void Run(const CFrameView& view, CTrackingParams& params, bool draw);

    std::mutex Busy;
    std::unique_ptr<CColorTracker> Engine = std::make_unique<CColorTracker>();
    cv::Mat Work;  // BGRA copy of frames with unusual layouts, kept between calls
    std::pair<int, int> PointAt{0, 0};
};

// A thread that waits for the engine must not hold the GIL meanwhile: the thread inside the
// pass needs it back to finish.
std::unique_lock<std::mutex> CPyTracker::Lock() {
    std::unique_lock lock(Busy, std::try_to_lock);
    if (!lock.owns_lock()) {
        py::gil_scoped_release released;
        lock.lock();
    }
    return lock;
}

CPassResult CPyTracker::Track(const py::object& frame, bool draw) {
    const CFrameView view = ViewOf(frame, draw);
    const auto lock = Lock();
    // The pass works on its own copy, so Python code may change t.params meanwhile.
    CTrackingParams params = Params;
    const bool calibrating = Engine->CalibrationRequested();
    {
        py::gil_scoped_release released;
        Run(view, params, draw);
    }
    if (calibrating && !Engine->CalibrationRequested())
        CopyColourBounds(params, Params);  // what the pass learnt
    return Engine->Result();
}

// Frames with packed pixels (BGRA or BGR) are tracked (and drawn on) where they lie; anything
// else goes through the buffer, and drawn pixels go back into the caller's array.
void CPyTracker::Run(const CFrameView& view, CTrackingParams& params, bool draw) {
    if (view.Packed()) {
        cv::Mat image = view.Header();
        Engine->Track(image, params, draw);
        return;
    }
    CopyIn(view, Work);
    Engine->Track(Work, params, draw);
    if (draw)
        CopyOut(Work, view);
}

void CPyTracker::Calibrate(int x, int y) {
    if (x == 0 && y == 0)
        throw py::value_error("calibrate(0, 0): the point (0, 0) stands for no point");
    const auto lock = Lock();
    Engine->SetCalibrationPoint(x, y);
    Engine->RequestCalibration();
    PointAt = {x, y};
}

std::optional<std::pair<int, int>> CPyTracker::Point() {
    const auto lock = Lock();
    if (PointAt == std::pair(0, 0))
        return std::nullopt;
    return PointAt;
}

void CPyTracker::SetPoint(const std::optional<std::pair<int, int>>& point) {
    const auto lock = Lock();
    PointAt = point.value_or(std::pair(0, 0));
    Engine->SetCalibrationPoint(PointAt.first, PointAt.second);
}

py::object OrNone(bool found, py::object value) { return found ? value : py::none(); }

std::string ResultRepr(const CPassResult& r) {
    if (!r.Found)
        return "quelta.Result(found=False, regions=" + std::to_string(r.Regions) + ")";
    char text[200];
    std::snprintf(text, sizeof text,
                  "quelta.Result(found=True, box=(%u, %u, %u, %u), center=(%.2f, %.2f), "
                  "row=%.2f, col=%.2f, regions=%d)",
                  r.MinX, r.MinY, r.MaxX, r.MaxY, r.CenterX, r.CenterY, r.Row, r.Col, r.Regions);
    return text;
}

const char TrackerDoc[] =
    R"(The tracking pass over numpy frames, with its own copy of the limits (t.params).

track(frame, draw=False) takes a uint8 array H x W x 4 (B,G,R,A) or H x W x 3 (B,G,R). Frames
with packed pixels are read in place; others are copied first. draw=True draws the red
outline, the green calibration window and (with params.ShowMask) the mask into the frame.
The GIL is released during the pass. One Tracker serves one thread at a time; calls from
several threads wait for each other.)";

}  // namespace

void BindTracker(py::module_& m) {
    py::class_<CPassResult>(m, "Result", "What one tracking pass found.")
        .def_readonly("found", &CPassResult::Found)
        .def_readonly("regions", &CPassResult::Regions,
                      "number of 8-connected colour regions in the frame")
        .def_property_readonly(
            "box",
            [](const CPassResult& r) {
                return OrNone(r.Found, py::make_tuple(r.MinX, r.MinY, r.MaxX, r.MaxY));
            },
            "(min_x, min_y, max_x, max_y), inclusive; None when not found")
        .def_property_readonly(
            "center",
            [](const CPassResult& r) {
                return OrNone(r.Found, py::make_tuple(r.CenterX, r.CenterY));
            },
            "(x, y), the mark's mean pixel; None when not found")
        .def_property_readonly(
            "row", [](const CPassResult& r) { return OrNone(r.Found, py::float_(r.Row)); },
            "the centre's row on a 480-row scale; None when not found")
        .def_property_readonly(
            "col", [](const CPassResult& r) { return OrNone(r.Found, py::float_(r.Col)); },
            "the centre's column on a 640-column scale; None when not found")
        .def("__repr__", &ResultRepr);

    py::class_<CPyTracker>(m, "Tracker", TrackerDoc)
        .def(py::init<const CTrackingParams&>(), py::arg("params") = CTrackingParams{})
        .def_property(
            "params", [](CPyTracker& t) -> CTrackingParams& { return t.Params; },
            [](CPyTracker& t, const CTrackingParams& p) { t.Params = p; },
            py::return_value_policy::reference_internal)
        .def("track", &CPyTracker::Track, py::arg("frame"), py::arg("draw") = false,
             "Tracks the mark in a uint8 H x W x 4 (B,G,R,A) or H x W x 3 (B,G,R) array.")
        .def("calibrate", &CPyTracker::Calibrate, py::arg("x"), py::arg("y"),
             "Learn the colour of the 11 x 11 pixels around (x, y) on the next frame.")
        .def_property("point", &CPyTracker::Point, &CPyTracker::SetPoint,
                      "The calibration point (x, y), drawn as the green window; None for none.");
}
