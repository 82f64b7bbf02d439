#pragma once

#include <cstdio>
#include <cstdlib>

// A property that must hold for every input. A failure aborts, so libFuzzer keeps the input as a
// crash and the replay test fails on it.
#define FUZZ_CHECK(condition)                                                                        \
    do {                                                                                             \
        if (!(condition)) {                                                                          \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);    \
            std::abort();                                                                            \
        }                                                                                            \
    } while (0)
