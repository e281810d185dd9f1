// The extension module behind the Python package `quelta` (quelta/__init__.py).
#include "PyParams.h"
#include "PySource.h"
#include "PyTracker.h"

#include <pybind11/pybind11.h>

PYBIND11_MODULE(_quelta, m) {
    m.doc() = "Quelta's colour-mark tracking engine, settings and live sources.";
    m.attr("__version__") = QUELTA_VERSION;
    BindParams(m);  // first: the others take and give Params
    BindTracker(m);
    BindSource(m);
}
