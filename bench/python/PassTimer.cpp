// quelta_pass_timer: the C++ side of the Python benchmark (track_bench.py), in the
// benchmark's own process so that both sides are timed on the same machine state, round
// after round.
//   write(scene, "WxH", folder) -> (png, qta)   the benchmark scene (B,G,R,A) and its limits
//   time(frame, qta, passes) -> (box, regions, [ms per pass])
//       tracks the B,G,R,A (or B,G,R) frame `passes` times as the module does (drawing off, centre asked
//       for), timing each CColorTracker::Track call in C++; box is (x0, y0, x1, y1) or None.
#include "ColorTracker.h"
#include "Scenes.h"
#include "SettingsFile.h"

#include <opencv2/imgcodecs.hpp>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace py = pybind11;

namespace {

py::tuple Write(const std::string& name, const std::string& size, const std::string& folder) {
    int width = 0, height = 0;
    if (std::sscanf(size.c_str(), "%dx%d", &width, &height) != 2)
        throw std::invalid_argument("size must read WxH: " + size);
    const CScene scene = MakeScene(name, width, height);
    const std::string base = folder + "/" + name + "-" + size;
    if (!cv::imwrite(base + ".png", scene.Frame) || !SaveSettingsFile(scene.Params, base + ".qta"))
        throw std::runtime_error("cannot write " + base);
    return py::make_tuple(base + ".png", base + ".qta");
}

py::tuple Time(py::array_t<uint8_t, py::array::c_style> frame, const std::string& limits,
               int passes) {
    if (frame.ndim() != 3 || (frame.shape(2) != 4 && frame.shape(2) != 3) || passes < 1)
        throw std::invalid_argument("a contiguous H x W x 4 or 3 frame and passes >= 1");
    CTrackingParams params;
    if (!LoadSettingsFile(params, limits))
        throw std::runtime_error("cannot load " + limits);
    cv::Mat view(int(frame.shape(0)), int(frame.shape(1)), frame.shape(2) == 4 ? CV_8UC4 : CV_8UC3,
                 frame.mutable_data());
    auto tracker = std::make_unique<CColorTracker>();
    std::vector<double> ms;
    ms.reserve(passes);
    {
        py::gil_scoped_release unlocked;  // as the module's track
        for (int i = 0; i < passes; ++i) {
            float row = 0.0f, col = 0.0f;
            const auto t0 = std::chrono::steady_clock::now();
            tracker->Track(view, params, false, &row, &col);
            const auto t1 = std::chrono::steady_clock::now();
            ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        }
    }
    py::object box = py::none();
    if (tracker->ChosenBlob() >= 0) {
        const BlobInfo& b = tracker->Blobs()[tracker->ChosenBlob()];
        box = py::make_tuple(b.MinX, b.MinY, b.MaxX, b.MaxY);
    }
    return py::make_tuple(box, tracker->GroupCount(), ms);
}

}  // namespace

PYBIND11_MODULE(quelta_pass_timer, m) {
    m.doc() = "The C++ side of the Python module's benchmark.";
    m.def("write", &Write, py::arg("scene"), py::arg("size"), py::arg("folder"));
    m.def("time", &Time, py::arg("frame"), py::arg("qta"), py::arg("passes"));
}
