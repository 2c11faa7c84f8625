#pragma once

#include <cstdio>
#include <cstdlib>

// Stops at the first broken invariant and names it. Unlike assert, it stays in every build type;
// libFuzzer then keeps the input that broke it.
#define TORVEN_FUZZ_CHECK(condition)                                                               \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition);           \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
