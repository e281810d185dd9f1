#pragma once
#include "ColourSet.h"

#include <pybind11/pybind11.h>

// quelta.Colour (a colour of a set: name, the eleven limits, display colour, max_marks) and
// the set's files and store: quelta.load_colours, quelta.save_colours, quelta.colours_from_store.
// Python holds a set as a list of Colour.
void BindColours(pybind11::module_& m);

// A Python sequence of Colour as a set: TypeError when it is not one, ValueError when it is
// not a valid set (too few or too many colours, a name repeated).
CColourSet ColourSetOf(const pybind11::handle& colours);
// The set as a new list of Colour copies.
pybind11::list ColourList(const CColourSet& set);
