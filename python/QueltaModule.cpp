// The extension module behind the Python package `quelta` (quelta/__init__.py).
#include "Kernels.h"
#include "PyColours.h"
#include "PyMarks.h"
#include "PyParams.h"
#include "PySource.h"
#include "PyTracker.h"

#include <pybind11/pybind11.h>

PYBIND11_MODULE(_quelta, m) {
    m.doc() = "Quelta's colour-mark tracking engine, settings and live sources.";
    m.attr("__version__") = QUELTA_VERSION;
    m.def(
        "kernels", [] { return QueltaKernels::ActiveKernels().Name; },
        "The kernel set the tracking pass runs: the best this processor has, or the one "
        "QUELTA_KERNELS names.");
    BindParams(m);  // first: the others take and give Params
    BindColours(m);
    BindMarks(m);
    BindTracker(m);
    BindSource(m);
}
