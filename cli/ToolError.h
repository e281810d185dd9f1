#pragma once
#include <stdexcept>

// A failure the user must fix (bad argument, unreadable source, settings that do not load or
// cannot be saved): main prints its message on one line and exits with status 2.
class CToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
