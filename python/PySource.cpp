#include "PySource.h"

#include "CaptureDevice.h"
#include "FrameArrays.h"
#include "FrameSequence.h"
#include "ImageSource.h"
#include "TestCamera.h"

#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace py = pybind11;
using std::chrono::steady_clock;

namespace {

// How long a wait for a frame goes without looking at Python's signals: Ctrl+C while a source
// is silent must end the wait this soon.
constexpr int SliceMs = 50;

constexpr char Names[] =
    "testcam[:WxH@FPS], testcam-multi[:WxH@FPS], v4l2:/dev/videoN, file:PATH or gst:PIPELINE";

[[noreturn]] void Raise(PyObject* type, const std::string& message) {
    PyErr_SetString(type, message.c_str());
    throw py::error_already_set();
}

// A test camera's disc as it really is, in the coordinates of the tracker's centres.
struct CPyTrueMark {
    int Id = 0;
    std::string Colour;
    std::pair<float, float> Center;
    bool Whole = false;
};

struct CPyFrameInfo {
    int64_t Number = -1;  // the source's own frame number, from 0
    double Time = 0.0;    // capture time, Unix seconds
    std::optional<std::pair<float, float>> Truth;
    std::optional<std::vector<CPyTrueMark>> TrueMarks;  // the discs in view, test cameras only
};

// The capture layer stamps frames on the steady clock; callers compare with time.time().
double UnixSeconds(steady_clock::time_point captured) {
    const auto then = std::chrono::system_clock::now() - (steady_clock::now() - captured);
    return std::chrono::duration<double>(then.time_since_epoch()).count();
}

std::string SecondsText(steady_clock::duration d) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", std::chrono::duration<double>(d).count());
    return text;
}

class CPySource;
// Sources still capturing, closed when the interpreter ends: a grabber thread must not outlive
// the module's code. Touched with the GIL held only.
std::set<CPySource*>& OpenSources() {
    static std::set<CPySource*> sources;
    return sources;
}

// One live source and the sequence that receives its frames. Iterating gives the newest frame
// each time; older frames that were waiting are dropped.
class CPySource {
public:
    CPySource(const std::string& name, double timeoutSeconds);
    ~CPySource();
    CPySource(const CPySource&) = delete;
    CPySource& operator=(const CPySource&) = delete;

    py::tuple Next();
    void Close();
    bool Closed() const { return !Open; }
    const std::string& Name() const { return SourceName; }

private:
    void CheckOpen() const;
    void Stop();
    void TakeNewest(cv::Mat& frame, CFrameInfo& info);
    CPyFrameInfo InfoOf(const CFrameInfo& info) const;

    std::string SourceName;
    steady_clock::duration Timeout;
    CImageSource Source;
    CFrameSequence Sequence;
    CTestCamera* Camera = nullptr;
    std::atomic<bool> Open{false};
};

CPySource::CPySource(const std::string& name, double timeoutSeconds) : SourceName(name) {
    if (!IsSourceName(name))
        throw py::value_error("unknown source '" + name + "': use " + Names);
    if (!(timeoutSeconds > 0.0 && timeoutSeconds <= 86400.0))
        throw py::value_error("timeout must be more than 0 and at most 86400 seconds");
    Timeout = std::chrono::duration_cast<steady_clock::duration>(
        std::chrono::duration<double>(timeoutSeconds));
    bool started = false;
    {
        py::gil_scoped_release released;  // opening probes the source, which takes a while
        Source = CImageSource::Open(name);
        if (Source.HasDevice()) {
            Camera = Source.Device()->TestCamera();
            Source.Connect(&Sequence);
            started = Source.EnableCapture(true);
        }
    }
    if (!Source.HasDevice())
        Raise(PyExc_OSError, "cannot open source '" + name + "'");
    if (!started) {
        Stop();
        Raise(PyExc_OSError, "cannot start capture on '" + name + "'");
    }
    Open = true;
    OpenSources().insert(this);
}

CPySource::~CPySource() {
    if (Open.exchange(false)) {
        OpenSources().erase(this);
        Stop();
    }
}

void CPySource::Close() {
    if (!Open.exchange(false))
        return;
    OpenSources().erase(this);
    py::gil_scoped_release released;  // the grabber may take a moment to let go
    Stop();
}

// Also wakes a thread waiting in Next, which then finds the source closed.
void CPySource::Stop() {
    Source.EnableCapture(false);
    Source.Disconnect(&Sequence);
    Sequence.FPushBackPImage();
}

void CPySource::CheckOpen() const {
    if (!Open)
        throw py::value_error("the source '" + SourceName + "' is closed");
}

void CPySource::TakeNewest(cv::Mat& frame, CFrameInfo& info) {
    cv::Mat newer;
    CFrameInfo newerInfo;
    while (Sequence.PopFront(newer, 0, &newerInfo)) {
        if (!newer.empty()) {
            frame = std::move(newer);
            info = newerInfo;
        }
    }
}

CPyFrameInfo CPySource::InfoOf(const CFrameInfo& info) const {
    CPyFrameInfo out;
    out.Number = info.Index;
    out.Time = UnixSeconds(info.CaptureTime);
    // The camera's centre is in continuous coordinates (pixel x covers [x, x+1)); the
    // tracker's centres are mean pixel indices, half a pixel apart.
    if (!Camera || info.Index < 0)
        return out;
    if (const auto centre = Camera->MarkCentre(info.Index))
        out.Truth = std::pair(centre->x - 0.5f, centre->y - 0.5f);
    out.TrueMarks.emplace();
    for (const CTestMark& disc : Camera->Marks(info.Index))
        if (disc.Visible)
            out.TrueMarks->push_back({disc.Id, disc.Colour,
                                      std::pair(disc.Centre.x - 0.5f, disc.Centre.y - 0.5f),
                                      disc.Whole});
    return out;
}

// Waits in short slices without the GIL, looking at Python's signals between them.
py::tuple CPySource::Next() {
    CheckOpen();
    const auto deadline = steady_clock::now() + Timeout;
    cv::Mat frame;
    CFrameInfo info;
    for (;;) {
        bool got = false;
        {
            py::gil_scoped_release released;
            got = Sequence.PopFront(frame, SliceMs, &info) && !frame.empty();
            if (got)
                TakeNewest(frame, info);
        }
        if (PyErr_CheckSignals() != 0)
            throw py::error_already_set();
        CheckOpen();
        if (got)
            break;
        if (steady_clock::now() >= deadline)
            Raise(PyExc_TimeoutError,
                  "the source '" + SourceName + "' sent no frame for " + SecondsText(Timeout));
    }
    if (frame.type() != CV_8UC4)
        throw std::runtime_error("the source delivered a frame that is not 8-bit BGRA");
    return py::make_tuple(ArrayOver(std::move(frame)), InfoOf(info));
}

void CloseAllSources() {
    const std::vector<CPySource*> open(OpenSources().begin(), OpenSources().end());
    for (CPySource* source : open)
        source->Close();
}

const char SourceDoc[] =
    R"(Frames from a live source: testcam[:WxH@FPS] (one disc), testcam-multi[:WxH@FPS] (six discs,
two each of red, green and blue), v4l2:/dev/videoN, file:PATH, gst:PIPELINE.

Iterating gives (frame, info): frame a writable uint8 H x W x 4 (B,G,R,A) array of its own,
info a FrameInfo. Each step gives the newest frame; frames that arrived meanwhile are dropped.
A source that sends nothing for `timeout` seconds raises TimeoutError; a closed one raises
ValueError. close(), leaving a with block, or losing the last reference stops capture.)";

}  // namespace

void BindSource(py::module_& m) {
    py::class_<CPyTrueMark>(m, "TrueMark", "A test camera's disc as it really is in a frame.")
        .def_readonly("id", &CPyTrueMark::Id, "1, 2, ...: the same disc in every frame")
        .def_readonly("colour", &CPyTrueMark::Colour, "'red', 'green' or 'blue'")
        .def_readonly("center", &CPyTrueMark::Center,
                      "the true centre (x, y) in the coordinates of Mark.center")
        .def_readonly("whole", &CPyTrueMark::Whole,
                      "entirely in the picture, not behind the pillar and touching no other disc")
        .def("__repr__", [](const CPyTrueMark& t) {
            char text[160];
            std::snprintf(text, sizeof text,
                          "quelta.TrueMark(id=%d, colour='%s', center=(%.2f, %.2f), whole=%s)",
                          t.Id, t.Colour.c_str(), t.Center.first, t.Center.second,
                          t.Whole ? "True" : "False");
            return std::string(text);
        });

    py::class_<CPyFrameInfo>(m, "FrameInfo", "What the source knows about a frame.")
        .def_readonly("number", &CPyFrameInfo::Number, "the source's frame number, from 0")
        .def_readonly("time", &CPyFrameInfo::Time,
                      "when the frame was captured, in Unix seconds (as time.time())")
        .def_readonly("truth", &CPyFrameInfo::Truth,
                      "the test camera's true mark centre (x, y) in the coordinates of "
                      "Result.center; None for other sources and while the mark is out of view")
        .def_readonly("true_marks", &CPyFrameInfo::TrueMarks,
                      "the test camera's discs in view (some part of them in the picture and not "
                      "behind the pillar), a list of TrueMark in id order; None for other "
                      "sources")
        .def("__repr__", [](const CPyFrameInfo& i) {
            return "quelta.FrameInfo(number=" + std::to_string(i.Number) +
                   ", time=" + std::to_string(i.Time) + ")";
        });

    py::class_<CPySource>(m, "Source", SourceDoc)
        .def(py::init<const std::string&, double>(), py::arg("name"), py::arg("timeout") = 10.0)
        .def_property_readonly("name", &CPySource::Name)
        .def_property_readonly("closed", &CPySource::Closed)
        .def("close", &CPySource::Close, "Stops capture; the source cannot be used again.")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &CPySource::Next)
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [](CPySource& s, const py::args&) {
            s.Close();
            return false;
        });

    py::module_::import("atexit").attr("register")(py::cpp_function(&CloseAllSources));
}
