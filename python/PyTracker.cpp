#include "PyTracker.h"

#include "ColorTracker.h"
#include "ColourSet.h"
#include "FrameArrays.h"
#include "MarkIdentities.h"
#include "PyColours.h"
#include "PyMarks.h"

#include <pybind11/stl.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

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

// Seconds on the clock of FrameInfo.time (Unix seconds), for frames given without a time.
double UnixNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The engine with its record, its colour set and the identities of the marks, and a BGRA buffer
// for frames it cannot read in place. The pass runs without the GIL; one lock keeps two Python
// threads from sharing the engine at once.
//
// A calibration asked for waits here until a pass that can learn it: track learns the first
// colour's, track_marks any colour's. Only then does the engine hear of it, and only with a
// point to learn at, so the engine never keeps a request of its own between passes. One at a
// time, as the engine takes them: a later calibrate replaces one not yet learnt.
class CPyTracker {
public:
    explicit CPyTracker(const CTrackingParams& params);
    explicit CPyTracker(const CColourSet& set);

    CPassResult Track(const py::object& frame, bool draw);
    std::vector<CPyMark> TrackMarks(const py::object& frame, bool draw,
                                    const std::optional<double>& time,
                                    const std::optional<std::string>& mask);
    void Calibrate(int x, int y, const std::optional<std::string>& colour);
    std::optional<std::pair<int, int>> Point();
    void SetPoint(const std::optional<std::pair<int, int>>& point);
    py::list Colours();
    void SetColours(const py::object& colours);
    py::dict Regions();

    CTrackingParams Params;  // the live record: Python's t.params, the first colour's limits

private:
    std::unique_lock<std::mutex> Lock();
    template <typename Pass>
    void Run(const CFrameView& view, bool draw, const Pass& pass);
    CColourSet SetForPass() const;
    int ColourIndex(const std::string& name) const;
    int HandOverCalibration(bool anyColour);
    void TakeLearntBounds(const CColourSet& learnt, int colour);

    std::mutex Busy;
    std::unique_ptr<CColorTracker> Engine = std::make_unique<CColorTracker>();
    cv::Mat Work;  // BGRA copy of frames with unusual layouts, kept between calls
    std::pair<int, int> PointAt{0, 0};
    CColourSet Set;          // the colours of track_marks; the first one's limits are Params
    int PendingColour = -1;  // the colour a calibration was asked for, not yet learnt
    CMarkIdentities Identities;
    std::vector<std::pair<std::string, int>> LastRegions;  // of the last track_marks
};

CPyTracker::CPyTracker(const CTrackingParams& params) : Params(params) {
    CColour& only = Set.Colours.emplace_back();
    only.Name = CColour::DefaultName;
}

CPyTracker::CPyTracker(const CColourSet& set) : Params(set.Colours.front().Limits), Set(set) {}

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
    const bool calibrating = HandOverCalibration(false) == 0;
    {
        py::gil_scoped_release released;
        Run(view, draw, [&](cv::Mat& image) { Engine->Track(image, params, draw); });
    }
    if (calibrating && !Engine->CalibrationRequested())
        CopyColourBounds(params, Params);  // what the pass learnt
    return Engine->Result();
}

std::vector<CPyMark> CPyTracker::TrackMarks(const py::object& frame, bool draw,
                                            const std::optional<double>& time,
                                            const std::optional<std::string>& mask) {
    const CFrameView view = ViewOf(frame, draw);
    if (time && !std::isfinite(*time))
        throw py::value_error("time must be a finite number of seconds");
    const double seconds = time ? *time : UnixNow();
    const auto lock = Lock();
    CColourSet set = SetForPass();
    const int maskColour = mask ? ColourIndex(*mask) : Params.ShowMask ? 0 : -1;
    const int calibrating = HandOverCalibration(true);
    {
        py::gil_scoped_release released;
        Run(view, draw,
            [&](cv::Mat& image) { Engine->TrackColours(image, set, draw, maskColour); });
        Identities.Update(Engine->Marks(), seconds, view.Width, view.Height);
    }
    if (calibrating >= 0 && !Engine->CalibrationRequested())
        TakeLearntBounds(set, calibrating);
    LastRegions.clear();
    for (std::size_t c = 0; c < set.Colours.size(); ++c)
        LastRegions.emplace_back(set.Colours[c].Name, Engine->ColourRegions()[c]);
    return PyMarksOf(Identities.Marks(), set);
}

// Frames with packed pixels (BGRA or BGR) are tracked (and drawn on) where they lie; anything
// else goes through the buffer, and drawn pixels go back into the caller's array.
template <typename Pass>
void CPyTracker::Run(const CFrameView& view, bool draw, const Pass& pass) {
    if (view.Packed()) {
        cv::Mat image = view.Header();
        pass(image);
        return;
    }
    CopyIn(view, Work);
    pass(Work);
    if (draw)
        CopyOut(Work, view);
}

// The set as the pass takes it: the first colour's limits (and mask flag) from t.params.
CColourSet CPyTracker::SetForPass() const {
    CColourSet set = Set;
    set.Colours.front().Limits = Params;
    return set;
}

int CPyTracker::ColourIndex(const std::string& name) const {
    const int index = Set.Find(name);
    if (index >= 0)
        return index;
    std::string names;
    for (const CColour& c : Set.Colours)
        names += (names.empty() ? "" : ", ") + c.Name;
    throw py::value_error("the tracker has no colour '" + name + "' (it has " + names + ")");
}

// The colour whose calibration the engine now learns on this pass, or -1.
int CPyTracker::HandOverCalibration(bool anyColour) {
    if (PendingColour < 0 || (PendingColour > 0 && !anyColour) || PointAt == std::pair(0, 0))
        return -1;
    const int colour = PendingColour;
    PendingColour = -1;
    Engine->RequestCalibration(colour);
    return colour;
}

void CPyTracker::TakeLearntBounds(const CColourSet& learnt, int colour) {
    const CTrackingParams& bounds = learnt.Colours[colour].Limits;
    CopyColourBounds(bounds, colour == 0 ? Params : Set.Colours[colour].Limits);
}

void CPyTracker::Calibrate(int x, int y, const std::optional<std::string>& colour) {
    if (x == 0 && y == 0)
        throw py::value_error("calibrate(0, 0): the point (0, 0) stands for no point");
    const auto lock = Lock();
    const int index = colour ? ColourIndex(*colour) : 0;
    Engine->SetCalibrationPoint(x, y);
    PointAt = {x, y};
    PendingColour = index;
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

py::list CPyTracker::Colours() {
    const auto lock = Lock();
    CColourSet set = SetForPass();
    set.Colours.front().Limits.ShowMask = false;
    set.Colours.front().Limits.VideoConfigured = false;
    return ColourList(set);
}

// All or nothing. Identities last while the colours keep their names and order (new limits do
// not end them); a calibration not yet learnt follows its colour by name.
void CPyTracker::SetColours(const py::object& colours) {
    const CColourSet set = ColourSetOf(colours);
    const auto lock = Lock();
    bool sameNames = set.Colours.size() == Set.Colours.size();
    for (std::size_t c = 0; sameNames && c < set.Colours.size(); ++c)
        sameNames = set.Colours[c].Name == Set.Colours[c].Name;
    if (!sameNames)
        Identities.Reset();
    if (PendingColour > 0)
        PendingColour = set.Find(Set.Colours[PendingColour].Name);
    Set = set;
    const bool showMask = Params.ShowMask, videoConfigured = Params.VideoConfigured;
    Params = set.Colours.front().Limits;
    Params.ShowMask = showMask;
    Params.VideoConfigured = videoConfigured;
}

py::dict CPyTracker::Regions() {
    const auto lock = Lock();
    py::dict regions;
    for (const auto& [name, count] : LastRegions)
        regions[py::str(name)] = count;
    return regions;
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

Tracker(params=Params()) tracks one colour; Tracker(colours=[Colour, ...]) a set of 1 to 16
(t.colours; the first colour's limits are t.params).
track(frame, draw=False) takes a uint8 array H x W x 4 (B,G,R,A) or H x W x 3 (B,G,R) and
gives the first colour's mark. Frames with packed pixels are read in place; others are copied
first. draw=True draws the red outline, the green calibration window and (with
params.ShowMask) the mask into the frame.
track_marks(frame) gives every colour's marks, each with an identity that lasts over the
frames given to track_marks (until the frame size or the colours' names change).
The GIL is released during the pass. One Tracker serves one thread at a time; calls from
several threads wait for each other.)";

const char TrackMarksDoc[] =
    R"(Tracks every colour of the set in a uint8 H x W x 4 (B,G,R,A) or H x W x 3 (B,G,R) array.

Returns a list of Mark: colour by colour in the set's order; within a colour the marks seen in
this frame, longest box diagonal first (at most the colour's max_marks), then the marks not
seen but still held (lost > 0). The first colour's first mark is track's mark. `time` is the
frame's capture time in seconds (FrameInfo.time; the time of the call when None), from which
the velocities come. draw=True outlines each mark in its colour's display colour; mask names a
colour whose mask is painted first (None: the first colour's, when params.ShowMask).)";

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
        .def(py::init([](const py::object& colours) {
                 return std::make_unique<CPyTracker>(ColourSetOf(colours));
             }),
             py::arg("colours"))
        .def_property(
            "params", [](CPyTracker& t) -> CTrackingParams& { return t.Params; },
            [](CPyTracker& t, const CTrackingParams& p) { t.Params = p; },
            py::return_value_policy::reference_internal)
        .def_property("colours", &CPyTracker::Colours, &CPyTracker::SetColours,
                      "The colour set, a new list of Colour; assigning a list replaces it (all "
                      "or nothing: ValueError or TypeError for an invalid set).")
        .def_property_readonly("regions", &CPyTracker::Regions,
                               "{colour name: number of 8-connected regions} of the last "
                               "track_marks frame")
        .def("track", &CPyTracker::Track, py::arg("frame"), py::arg("draw") = false,
             "Tracks the mark in a uint8 H x W x 4 (B,G,R,A) or H x W x 3 (B,G,R) array.")
        .def("track_marks", &CPyTracker::TrackMarks, py::arg("frame"), py::arg("draw") = false,
             py::arg("time") = py::none(), py::arg("mask") = py::none(), TrackMarksDoc)
        .def("calibrate", &CPyTracker::Calibrate, py::arg("x"), py::arg("y"),
             py::arg("colour") = py::none(),
             "Learn the colour of the 11 x 11 pixels around (x, y) on the next frame: the first "
             "colour's, or the colour named (ValueError for a name not in the set). A colour "
             "other than the first is learnt by track_marks only.")
        .def_property("point", &CPyTracker::Point, &CPyTracker::SetPoint,
                      "The calibration point (x, y), drawn as the green window; None for none.");
}
