#pragma once
#include <stdexcept>

// A publishing address or broker the user must fix; quelta-track reports it like any other
// bad argument (one line, exit status 2).
class CPublishError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
