#pragma once

#include <cstdio>
#include <cstdlib>

// An invariant a fuzz target checks: when it does not hold, the target names
// it and aborts, so libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(condition)                                                        \
    do {                                                                             \
        if (!(condition)) {                                                          \
            std::fprintf(stderr, "Invariant broken at %s:%d: %s\n", __FILE__, __LINE__, \
                         #condition);                                                \
            std::abort();                                                            \
        }                                                                            \
    } while (false)
