// Shared by the fuzz targets. A broken property stops the fuzzer, which keeps
// the input; an optional printf-style message says what was seen.
#ifndef TESTS_FUZZ_FUZZ_SUPPORT_H
#define TESTS_FUZZ_FUZZ_SUPPORT_H

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../fake/fake_win.h"
#include "launcher.h"

#define FUZZ_CHECK(condition, ...)                                 \
    do {                                                           \
        if (condition) break;                                      \
        std::fprintf(stderr, "property failed: %s\n", #condition); \
        std::fprintf(stderr, "" __VA_ARGS__);                      \
        std::abort();                                              \
    } while (0)

#endif
