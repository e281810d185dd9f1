#pragma once
#include <cstdio>
#include <cstdlib>

// A promise the code under test broke: says which, then aborts, so libFuzzer keeps the input
// as a crash and the replay program fails its test.
#define FUZZ_CHECK(condition, what)                                                                \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: broken promise: %s (%s)\n", __FILE__, __LINE__, what,     \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
