// Shared by the fuzz targets: they call the framework's and the launcher's
// plain functions (and CString through the fake platform) and check
// properties of what comes out.
#ifndef TESTS_FUZZ_FUZZ_SUPPORT_H
#define TESTS_FUZZ_FUZZ_SUPPORT_H

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../fake/fake_win.h"
#include "launcher.h"

// A broken property stops the fuzzer, which keeps the input; an optional
// printf-style message says what was seen.
#define FUZZ_CHECK(condition, ...)                                          \
    do {                                                                    \
        if (!(condition)) {                                                 \
            std::fprintf(stderr, "property failed: %s\n", #condition);      \
            std::fprintf(stderr, "" __VA_ARGS__);                           \
            std::abort();                                                   \
        }                                                                   \
    } while (0)

#endif
